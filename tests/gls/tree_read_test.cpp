// The multi-byte tree: reader and look-ups on the texts of fixtures/gls/trees,
// then the builder and writer against the reader, plain and compressed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "gls/tree/tree.h"
#include "gls/tree/tree_writer.h"
#include "gls/util/util.h"
#include "tests/support/bytes.h"
#include "tests/support/conv_errors.h"
#include "tests/support/failing_host.h"
#include "tests/support/oom_walk.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using Key = std::string;
using testing::error_named;
constexpr uint32_t kUnset = testing::kUntouched;  // an error cell no look-up writes
const std::string kEnd = "0000000\n";

struct TreeFree {
    void operator()(multi_tree_t *tree) const { _gl_free_multi(tree); }
};
using TreePtr = std::unique_ptr<multi_tree_t, TreeFree>;

struct TreeRead {
    TreePtr tree;        // null only when _gl_create_multi failed
    int status = -2;     // of _gl_fscanf_multi
    uint32_t error = 0;  // the tree's error after the read
    std::string rest;    // what the reader left in the stream
};

// Reads text from a file opened through the host callbacks.
TreeRead read_tree(const std::string &text, const ElementForm &form,
                   int limit = kMultiLengthLimit) {
    velmorad::testing::TempDir dir;
    velmorad::testing::write_file(dir / "tree", text);
    FILE *stream = _gl_ext_fopen((dir / "tree").c_str(), "r");
    TreeRead result;
    if (stream == nullptr) return result;
    result.tree.reset(_gl_create_multi(form.data_size, 0, nullptr));
    if (result.tree) {
        result.status = _gl_fscanf_multi(stream, result.tree.get(), limit, form.reader);
        result.error = _gl_multi_err(result.tree.get());
    }
    for (int c; (c = _gl_ext_getc(stream)) != EOF;)
        result.rest += static_cast<char>(c);
    (void)_gl_ext_fclose(stream);
    return result;
}

// The element of a key, looked up in exactly the key's bytes so that the
// sanitizer sees any read past them, with what the look-up consumed.
std::string element_at(const multi_tree_t *tree, const Key &key, int limit, int *consumed,
                       uint32_t *error) {
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[key.size()]);
    std::copy(key.begin(), key.end(), bytes.get());
    const uint8_t *element =
        _gl_retrieve_text_multi_limit(bytes.get(), tree, limit, consumed, error);
    return element == nullptr
               ? ""
               : std::string(reinterpret_cast<const char *>(element), tree->data_size);
}

// A 16- or 32-bit element as a number, "-" for none.
std::string value_of(const std::string &element) {
    if (element.empty()) return "-";
    uint32_t value = 0;
    std::memcpy(&value, element.data(), std::min(element.size(), sizeof value));
    return std::to_string(element.size() == 2 ? static_cast<uint16_t>(value) : value);
}
std::string value_of(const uint8_t *element, const multi_tree_t *tree) {
    return element == nullptr
               ? "-"
               : value_of(std::string(reinterpret_cast<const char *>(element), tree->data_size));
}

ElementForm form_named(const std::string &name) {
    if (name == "wchar") return wchar_form();
    if (name == "cv1") return cv_record_form(1);
    if (name == "byte") return ElementForm{1, ub2_reader, nullptr};
    return ub2_form();
}

std::string number(const std::string &text) {
    return text == "-" ? text : std::to_string(std::stoul(text, nullptr, 0));
}

TEST(TreeRead, StepsOfTheFixture) {
    std::map<std::string, TreeRead> trees;
    for (const auto &row : velmorad::testing::fixture_rows("gls/trees")) {
        const auto &f = row.fields;
        SCOPED_TRACE(row.where);
        uint32_t error = kUnset;
        if (f[0] == "tree") {
            TreeRead &read = trees[f[1]] = read_tree(f.at(3), form_named(f[2]));
            ASSERT_EQ(read.status, 0) << read.error;
            EXPECT_EQ(read.rest, "");
        } else if (f[0] == "find") {
            int consumed = -9;
            EXPECT_EQ(value_of(element_at(trees.at(f[1]).tree.get(), f.at(2), std::stoi(f.at(3)),
                                          &consumed, &error)),
                      number(f.at(4)));
            if (f.at(5) != "*") {
                EXPECT_EQ(consumed, std::stoi(f[5]));
            }
            EXPECT_EQ(error, error_named(f.at(6)));
        } else if (f[0] == "wide") {
            const multi_tree_t *tree = trees.at(f[1]).tree.get();
            const uint32_t wc = static_cast<uint32_t>(std::stoul(f.at(2), nullptr, 0));
            EXPECT_EQ(value_of(_gl_retrieve_wchar_multi_nl(&error, wc, tree), tree),
                      number(f.at(3)));
            EXPECT_EQ(error, error_named(f.at(4)));
        } else {
            ASSERT_EQ(f[0], "bad");
            testing::FailingHost host;  // counts blocks; fails none
            {
                const TreeRead read =
                    read_tree(f.at(4), form_named(f.at(2)),
                              f.at(3) == "-" ? kMultiLengthLimit : std::stoi(f[3]));
                ASSERT_NE(read.tree, nullptr);
                EXPECT_EQ(read.status, std::stoi(f.at(5)));
                EXPECT_EQ(read.error, error_named(f.at(6)));
            }
            EXPECT_EQ(host.live_blocks(), 0);
        }
    }
}

TEST(TreeRead, EveryOutOfMemoryPathReleasesCleanly) {
    // More shared arrays than the tables first hold, so that they grow.
    TreeBuilder builder(ub2_form());
    for (int lead = 0x80; lead < 0x80 + 100; ++lead) {
        for (int trail = 0; trail <= lead - 0x80; ++trail)
            ASSERT_EQ(builder.add(Key{char(lead), char(trail)}, ub2_element(trail)),
                      TreeAddStatus::kOk);
    }
    for (TreeText form : {TreeText::kPlain, TreeText::kCompressed}) {
        const std::string text = builder.text(form);
        const long failures =
            testing::walk_allocation_failures([&] { return read_tree(text, ub2_form()); },
                                              [](const TreeRead &read, bool failed) {
                                                  if (!failed) {
                                                      EXPECT_EQ(read.status, 0);
                                                  } else if (read.tree) {
                                                      EXPECT_EQ(read.status, -1);
                                                      EXPECT_EQ(read.error, GL_ENOMEM);
                                                  }
                                              });
        EXPECT_GT(failures, 3);
    }

    // An empty tree is a round trip of its own (TreesOfOneToFourLevels).
    EXPECT_EQ(_gl_create_multi(kMultiMaxDataSize + 1, 0, nullptr), nullptr);
}

// Reads the builder's tree back in both forms; every key, proper prefix and
// byte that begins no key must be found as the builder's map says.
void expect_round_trip(const TreeBuilder &builder, const std::string &what) {
    for (TreeText form : {TreeText::kPlain, TreeText::kCompressed}) {
        SCOPED_TRACE(what + (form == TreeText::kPlain ? ", plain" : ", compressed"));
        const TreeRead read = read_tree(builder.text(form), builder.form());
        ASSERT_EQ(read.status, 0) << "error " << read.error;
        const multi_tree_t *tree = read.tree.get();
        EXPECT_EQ(_gl_multi_max_length(tree), builder.max_length());
        EXPECT_EQ(_gl_multi_min_length(tree), static_cast<int32_t>(builder.min_length()));
        EXPECT_EQ(std::memcmp(tree->default_element, builder.default_element().data(),
                              builder.form().data_size),
                  0);
        std::string first_bytes;
        for (const auto &[key, element] : builder.entries()) {
            first_bytes += key[0];
            const std::string want(element.begin(), element.end());
            for (size_t cut = 1; cut <= key.size(); ++cut) {
                uint32_t error = kUnset;
                int consumed = -1;
                const std::string got =
                    element_at(tree, key.substr(0, cut), static_cast<int>(cut), &consumed, &error);
                ASSERT_EQ(got, cut == key.size() ? want : "")
                    << velmorad::testing::hex(key) << " cut " << cut;
                EXPECT_EQ(consumed, static_cast<int>(cut));
                EXPECT_EQ(error, cut == key.size() ? kUnset : GL_EINVAL);
            }
        }
        for (int byte = 0; byte < kMultiFanout; ++byte) {
            if (first_bytes.find(static_cast<char>(byte)) != std::string::npos) continue;
            uint32_t error = kUnset;
            int consumed = 0;
            EXPECT_EQ(element_at(tree, Key(1, static_cast<char>(byte)), 1, &consumed, &error), "")
                << byte;
            EXPECT_EQ(error, GL_EILSEQ) << byte;
        }
    }
}

void add(TreeBuilder &builder, const Key &key, const TreeElement &element) {
    ASSERT_EQ(builder.add(key, element), TreeAddStatus::kOk) << velmorad::testing::hex(key);
}

TEST(TreeRoundTrip, TreesOfOneToFourLevels) {
    // Runs, alternating patterns and holes, as class words come.
    TreeBuilder classes(ub2_form(), ub2_element(0x20));
    for (int byte = 0; byte < 0xF8; ++byte)
        add(classes, Key(1, char(byte)),
            ub2_element(byte < 0x80 ? 0x100 + byte % 3 : 0x4 + (byte & 1)));
    expect_round_trip(classes, "class words");
    expect_round_trip(TreeBuilder(ub2_form(), ub2_element(3)), "no characters");

    // Three and four levels, wide-character elements, shared prefixes.
    TreeBuilder deep(wchar_form(), wchar_element(0xFFFD));
    for (int byte = 0x20; byte < 0x7F; ++byte)
        add(deep, Key(1, char(byte)), wchar_element(byte));
    for (int second = 0x80; second <= 0xBF; ++second) {
        for (int third = 0x80; third <= 0xBF; ++third)
            add(deep, Key{'\xE3', char(second), char(third)},
                wchar_element(0x3000 | (second - 0x80) << 6 | (third - 0x80)));
    }
    for (int last = 0x80; last <= 0xBF; last += 3)
        add(deep, Key{'\xF0', '\x9F', '\x98', char(last)}, wchar_element(0x1F600 + last));
    expect_round_trip(deep, "three and four levels");
}

TEST(TreeWrite, RunsRepeatAndCompressedTreesShareIdenticalArrays) {
    TreeBuilder all(ub2_form());
    for (int byte = 0; byte < kMultiFanout; ++byte)
        add(all, Key(1, static_cast<char>(byte)), ub2_element(0));
    EXPECT_EQ(all.text(TreeText::kPlain), "1 1 1 0000\n1 0\n0000110004\n" + kEnd);
    EXPECT_EQ(all.text(TreeText::kCompressed),
              "1 1 3 0000\n1 0\n0000110004\n" + kEnd + "1 0 0 -1\n");

    // A hundred lead bytes with the same trail bytes and elements.
    TreeBuilder builder(ub2_form());
    for (int lead = 0x81; lead <= 0x81 + 99; ++lead) {
        for (int trail = 0x40; trail <= 0x7E; ++trail)
            add(builder, Key{char(lead), char(trail)}, ub2_element(trail % 7));
    }
    const std::string compressed = builder.text(TreeText::kCompressed);
    EXPECT_LT(compressed.size() * 20, builder.text(TreeText::kPlain).size());
    const TreeRead read = read_tree(compressed, ub2_form());
    ASSERT_EQ(read.status, 0);
    EXPECT_EQ(read.tree->data_count, 1);
    EXPECT_EQ(read.tree->root.next[0].data, read.tree->root.next[99].data);
}

TEST(TreeWrite, BuilderRefusesKeysTheTreeCannotHold) {
    TreeBuilder builder(ub2_form());
    add(builder, "\xC3\xA9", ub2_element(1));
    const struct {
        Key key;
        TreeElement element;
        TreeAddStatus status;
    } rows[] = {
        {"", ub2_element(1), TreeAddStatus::kBadKeyLength},
        {"abcde", ub2_element(1), TreeAddStatus::kBadKeyLength},
        {"\xC3", ub2_element(1), TreeAddStatus::kPrefixConflict},
        {"\xC3\xA9\x80", ub2_element(1), TreeAddStatus::kPrefixConflict},
        {"\xC3\xA9", ub2_element(2), TreeAddStatus::kDuplicateKey},
        {"a", wchar_element(1), TreeAddStatus::kBadElementSize},
        {"abcd", ub2_element(1), TreeAddStatus::kOk},
    };
    for (const auto &row : rows)
        EXPECT_EQ(builder.add(row.key, row.element), row.status) << velmorad::testing::hex(row.key);
    EXPECT_EQ(builder.entries().at("\xC3\xA9"), ub2_element(1));
    EXPECT_EQ(wchar_key(0x41, 2), Key("\0A", 2));
    EXPECT_EQ(wchar_key(0xE381A2, 3), "\xE3\x81\xA2");
}

}  // namespace
}  // namespace gls
