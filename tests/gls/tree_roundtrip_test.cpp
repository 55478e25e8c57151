// The builder and writer against the reader: trees of every shape are
// built, written plain and compressed, read back from files and looked up.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>

#include "gls/tree/tree.h"
#include "gls/tree/tree_writer.h"
#include "gls/util/util.h"
#include "tests/gls/tree_files.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using testing::element_at;
using testing::read_tree;
using Key = std::string;

constexpr uint32_t kUnset = 99;
constexpr TreeText kForms[] = {TreeText::kPlain, TreeText::kCompressed};

const char *name_of(TreeText text) {
    return text == TreeText::kPlain ? "plain" : "compressed";
}

std::string as_string(const TreeElement &element) {
    return std::string(element.begin(), element.end());
}

uint32_t wide_value(const Key &key) {
    uint32_t wc = 0;
    for (char c : key)
        wc = (wc << 8) | static_cast<uint8_t>(c);
    return wc;
}

// The bytes a wide-character look-up walks for wc.
uint32_t levels_for(uint32_t wc, uint32_t min_length) {
    uint32_t levels = min_length;
    if (wc > 0xFF) levels = std::max(levels, 2U);
    if (wc > 0xFFFF) levels = std::max(levels, 3U);
    if (wc > 0xFFFFFF) levels = 4;
    return levels;
}

void add(TreeBuilder &builder, const Key &key, const TreeElement &element) {
    ASSERT_EQ(builder.add(key, element), TreeAddStatus::kOk) << ::testing::PrintToString(key);
}

// Reads the builder's tree back in both forms and checks every key, every
// proper prefix of a key, and every single byte against the builder's map.
void expect_round_trip(const TreeBuilder &builder, const char *what) {
    const auto &entries = builder.entries();
    std::set<uint8_t> first_bytes;
    for (const auto &[key, element] : entries)
        first_bytes.insert(static_cast<uint8_t>(key[0]));

    for (TreeText text : kForms) {
        SCOPED_TRACE(std::string(what) + ", " + name_of(text));
        auto read = read_tree(builder.text(text), builder.form());
        ASSERT_EQ(read.status, 0) << "error " << read.error;
        EXPECT_EQ(read.rest, "");
        const multi_tree_t *tree = read.tree.get();
        EXPECT_EQ(_gl_multi_max_length(tree), builder.max_length());
        EXPECT_EQ(_gl_multi_min_length(tree), static_cast<int32_t>(builder.min_length()));
        EXPECT_EQ(std::memcmp(tree->default_element, builder.default_element().data(),
                              builder.form().data_size),
                  0);

        for (const auto &[key, element] : entries) {
            uint32_t error = kUnset;
            ASSERT_EQ(element_at(tree, key, &error), as_string(element))
                << ::testing::PrintToString(key) << " error " << error;
            const uint32_t wc = wide_value(key);
            if (levels_for(wc, builder.min_length()) == key.size()) {
                const uint8_t *by_value = _gl_retrieve_wchar_multi_nl(&error, wc, tree);
                ASSERT_NE(by_value, nullptr) << wc;
                EXPECT_EQ(std::memcmp(by_value, element.data(), element.size()), 0) << wc;
            }
            for (size_t cut = 1; cut < key.size(); ++cut) {
                int consumed = -1;
                auto bytes = reinterpret_cast<const unsigned char *>(key.data());
                EXPECT_EQ(_gl_retrieve_text_multi_limit(bytes, tree, static_cast<int>(cut),
                                                        &consumed, &error),
                          nullptr);
                EXPECT_EQ(consumed, static_cast<int>(cut));
                EXPECT_EQ(error, GL_EINVAL);
            }
        }
        for (int byte = 0; byte < kMultiFanout; ++byte) {
            const Key key(1, static_cast<char>(byte));
            if (first_bytes.count(static_cast<uint8_t>(byte)) != 0) continue;
            uint32_t error = kUnset;
            EXPECT_EQ(element_at(tree, key, &error), "") << byte;
            EXPECT_EQ(error, GL_EILSEQ) << byte;
        }
    }
}

TEST(TreeRoundTrip, SingleByteTrees) {
    // Runs, alternating patterns and holes, as class words come.
    TreeBuilder classes(ub2_form(), ub2_element(0x20));
    for (int byte = 0; byte < 0xF8; ++byte) {
        uint16_t word = byte < 0x20 ? 0x20 : byte < 0x80 ? 0x100 + byte % 3 : 0x4 + (byte & 1);
        add(classes, Key(1, static_cast<char>(byte)), ub2_element(word));
    }
    expect_round_trip(classes, "class words");

    TreeBuilder sparse(wchar_form());
    add(sparse, "\x7F", wchar_element(0xFFFFFFFF));
    add(sparse, Key(1, '\0'), wchar_element(1));
    expect_round_trip(sparse, "two wide characters");

    expect_round_trip(TreeBuilder(ub2_form(), ub2_element(3)), "no characters");
}

TEST(TreeRoundTrip, MultiByteTreesOfTwoToFourLevels) {
    // Two levels: ASCII and the two-byte sequences of UTF-8.
    TreeBuilder two(ub2_form());
    for (int byte = 0; byte < 0x80; ++byte)
        add(two, Key(1, char(byte)), ub2_element(byte & 7));
    for (int lead = 0xC2; lead <= 0xDF; ++lead) {
        for (int trail = 0x80; trail <= 0xBF; ++trail)
            add(two, Key{char(lead), char(trail)}, ub2_element(lead * trail % 5));
    }
    expect_round_trip(two, "two levels");

    // Three and four levels, wide-character elements.
    TreeBuilder deep(wchar_form(), wchar_element(0xFFFD));
    for (int byte = 0x20; byte < 0x7F; ++byte)
        add(deep, Key(1, char(byte)), wchar_element(byte));
    for (int second = 0x80; second <= 0xBF; ++second) {
        for (int third = 0x80; third <= 0xBF; ++third) {
            const uint32_t code = 0x3000 | (second - 0x80) << 6 | (third - 0x80);
            add(deep, Key{'\xE3', char(second), char(third)}, wchar_element(code));
        }
    }
    for (int last = 0x80; last <= 0xBF; last += 3)
        add(deep, Key{'\xF0', '\x9F', '\x98', char(last)}, wchar_element(0x1F600 + last));
    expect_round_trip(deep, "three and four levels");

    // Characters of exactly two bytes: a wide look-up of 0x41 walks 00 41.
    TreeBuilder fixed(ub2_form());
    for (int low = 0x20; low < 0x7F; ++low)
        add(fixed, Key{'\0', char(low)}, ub2_element(low));
    add(fixed, Key{'\x4E', '\0'}, ub2_element(0x4E00));
    ASSERT_EQ(fixed.min_length(), 2U);
    expect_round_trip(fixed, "two-byte characters");
}

TEST(TreeRoundTrip, RandomTrees) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 12; ++round) {
        // Few distinct elements, so that identical data arrays turn up.
        TreeBuilder builder(ub2_form(), ub2_element(static_cast<uint16_t>(random() % 4)));
        const int wanted = 1 + static_cast<int>(random() % 600);
        for (int i = 0; i < wanted; ++i) {
            Key key(1 + random() % 4, '\0');
            // Narrow byte ranges make shared prefixes (and conflicts) likely.
            for (char &c : key)
                c = static_cast<char>(0x80 + random() % 24);
            (void)builder.add(key, ub2_element(static_cast<uint16_t>(random() % 6)));
        }
        expect_round_trip(builder, ("round " + std::to_string(round)).c_str());
    }
}

TEST(TreeWrite, RunsAreWrittenWithRepeatCounts) {
    TreeBuilder all(ub2_form());
    for (int byte = 0; byte < kMultiFanout; ++byte)
        add(all, Key(1, static_cast<char>(byte)), ub2_element(0));
    EXPECT_EQ(all.text(TreeText::kPlain), "1 1 1 0000\n1 0\n0000110004\n0000000\n");
    EXPECT_EQ(all.text(TreeText::kCompressed), "1 1 3 0000\n1 0\n0000110004\n0000000\n1 0 0 -1\n");
}

TEST(TreeWrite, CompressedTreesShareIdenticalArrays) {
    // A hundred lead bytes with the same trail bytes and elements.
    TreeBuilder builder(ub2_form());
    for (int lead = 0x81; lead <= 0x81 + 99; ++lead) {
        for (int trail = 0x40; trail <= 0x7E; ++trail)
            add(builder, Key{char(lead), char(trail)}, ub2_element(trail % 7));
    }
    const std::string plain = builder.text(TreeText::kPlain);
    const std::string compressed = builder.text(TreeText::kCompressed);
    EXPECT_LT(compressed.size() * 20, plain.size());

    auto read = read_tree(compressed, ub2_form());
    ASSERT_EQ(read.status, 0);
    const multi_tree_t *tree = read.tree.get();
    EXPECT_EQ(tree->flag_count, 2);  // the root's and the one every child shares
    EXPECT_EQ(tree->data_count, 1);
    ASSERT_EQ(tree->root.child_count, 100U);
    EXPECT_EQ(tree->root.next[0].flags, tree->root.next[99].flags);
    EXPECT_EQ(tree->root.next[0].data, tree->root.next[99].data);
}

TEST(TreeWrite, BuilderRefusesKeysTheTreeCannotHold) {
    TreeBuilder builder(ub2_form());
    add(builder, "\xC3\xA9", ub2_element(1));
    struct Row {
        Key key;
        TreeElement element;
        TreeAddStatus status;
    };
    const Row rows[] = {
        {"", ub2_element(1), TreeAddStatus::kBadKeyLength},
        {"abcde", ub2_element(1), TreeAddStatus::kBadKeyLength},
        {"\xC3", ub2_element(1), TreeAddStatus::kPrefixConflict},
        {"\xC3\xA9\x80", ub2_element(1), TreeAddStatus::kPrefixConflict},
        {"\xC3\xA9", ub2_element(2), TreeAddStatus::kDuplicateKey},
        {"a", wchar_element(1), TreeAddStatus::kBadElementSize},
        {"\xC3\xA8", ub2_element(1), TreeAddStatus::kOk},
        {"abcd", ub2_element(1), TreeAddStatus::kOk},
    };
    for (const Row &row : rows)
        EXPECT_EQ(builder.add(row.key, row.element), row.status)
            << ::testing::PrintToString(row.key);
    EXPECT_EQ(builder.entries().at("\xC3\xA9"), ub2_element(1));

    TreeBuilder records(cv_record_form(1));
    EXPECT_EQ(records.add("a", cv_record_element(1, "xy")), TreeAddStatus::kBadElementSize);
    EXPECT_EQ(wchar_key(0x41, 2), Key("\0A", 2));
    EXPECT_EQ(wchar_key(0xE381A2, 3), "\xE3\x81\xA2");
}

}  // namespace
}  // namespace gls
