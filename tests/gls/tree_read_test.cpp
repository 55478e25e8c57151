// The tree reader and look-ups on hand-written text forms: the examples of
// the format, the boundaries of the look-ups, and damaged or hostile texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gls/tree/tree.h"
#include "gls/tree/tree_writer.h"
#include "tests/gls/tree_files.h"
#include "tests/support/failing_host.h"
#include "tests/support/oom_walk.h"

namespace gls {
namespace {

using testing::element_at;
using testing::read_tree;

const std::string kEnd = "0000000\n";  // the run-list terminator
constexpr uint32_t kUnset = 99;        // an error cell no look-up writes

std::string repeated(const std::string &text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// -1 when the element is missing.
long ub2_value(const uint8_t *element) {
    if (element == nullptr) return -1;
    uint16_t value = 0;
    std::memcpy(&value, element, sizeof value);
    return value;
}

long ub2_value(const std::string &element) {
    return element.empty() ? -1 : ub2_value(reinterpret_cast<const uint8_t *>(element.data()));
}

TEST(TreeRead, RunListExamplesOfTheFormat) {
    // 4100400104040404: bytes 0x41 to 0x44 end characters; nothing else does.
    auto single = read_tree("1 1 1 0007\n1 0\n4100400104040404\n" + kEnd, ub2_form());
    ASSERT_EQ(single.status, 0);
    EXPECT_EQ(single.rest, "");
    for (int byte = 0; byte < kMultiFanout; ++byte) {
        uint32_t error = kUnset;
        const bool held = byte >= 0x41 && byte <= 0x44;
        EXPECT_EQ(ub2_value(element_at(single.tree.get(), std::string(1, char(byte)), &error)),
                  held ? 7 : -1)
            << byte;
        EXPECT_EQ(error, held ? kUnset : GL_EILSEQ) << byte;
    }

    // 0000110001: all 256 flags are 1; each child ends every byte.
    auto wide = read_tree(
        "2 2 1 0000\n1 0\n0000110001\n" + kEnd + repeated("1 0\n0000110004\n" + kEnd, 256),
        ub2_form());
    ASSERT_EQ(wide.status, 0);
    EXPECT_EQ(wide.tree->root.child_count, 256U);
    for (int lead = 0; lead < kMultiFanout; ++lead) {
        uint32_t error = kUnset;
        std::string key{char(lead), char(lead ^ 0x5A)};
        EXPECT_EQ(ub2_value(element_at(wide.tree.get(), key, &error)), 0) << lead;
    }

    // A data run list whose first record is the terminator: all default.
    auto defaults = read_tree("1 1 1 00aa\n1 1\n0000110004\n" + kEnd + kEnd, ub2_form());
    ASSERT_EQ(defaults.status, 0);
    ASSERT_NE(defaults.tree->root.data, nullptr);
    for (int byte = 0; byte < kMultiFanout; ++byte) {
        uint32_t error = kUnset;
        EXPECT_EQ(ub2_value(element_at(defaults.tree.get(), std::string(1, char(byte)), &error)),
                  0xAA);
    }

    // A record repeated 0 times stores nothing but its values are read;
    // a record repeating a pattern of two values writes it R times.
    auto patterns = read_tree("1 1 1 0000\n1 1\n0000110004\n" + kEnd + "41002000" + "00010002\n" +
                                  "60002003" + "00050006\n" + kEnd,
                              ub2_form());
    ASSERT_EQ(patterns.status, 0);
    const std::vector<std::pair<int, long>> expected = {{0x41, 0}, {0x42, 0}, {0x60, 5}, {0x61, 6},
                                                        {0x64, 5}, {0x65, 6}, {0x66, 0}};
    for (auto [byte, value] : expected) {
        uint32_t error = kUnset;
        EXPECT_EQ(ub2_value(element_at(patterns.tree.get(), std::string(1, char(byte)), &error)),
                  value)
            << byte;
    }
}

// A record is taken as one line: the longest there is (256 wide characters)
// reads whole and leaves the stream at the next line; the same line one
// digit longer or shorter, cut, or broken by a zero byte or a newline fails.
TEST(TreeRead, RecordLinesAtTheirLongestAndDamaged) {
    std::string values;
    for (uint32_t byte = 0; byte < kMultiFanout; ++byte) {
        char field[9];
        std::snprintf(field, sizeof field, "%08x", 0x10000u + byte * 0x101u);
        values += field;
    }
    const std::string head = "1 1 1 00000000\n1 1\n0000110004\n" + kEnd;
    const std::string record = "00100001" + values + "\n";
    auto longest = read_tree(head + record + kEnd + "next\n", wchar_form());
    ASSERT_EQ(longest.status, 0);
    EXPECT_EQ(longest.rest, "next\n");
    for (uint32_t byte = 0; byte < kMultiFanout; ++byte) {
        uint32_t error = kUnset;
        const std::string element =
            element_at(longest.tree.get(), std::string(1, char(byte)), &error);
        ASSERT_EQ(element.size(), sizeof(uint32_t)) << byte;
        uint32_t value = 0;
        std::memcpy(&value, element.data(), sizeof value);
        EXPECT_EQ(value, 0x10000u + byte * 0x101u) << byte;
    }

    const size_t middle = 8 + 1000;
    const std::vector<std::string> damaged = {
        head + "00100001" + values + "0\n" + kEnd,
        head + "00100001" + values.substr(1) + "\n" + kEnd,
        head + "00100001" + values,
        head + record.substr(0, middle) + '\0' + record.substr(middle + 1) + kEnd,
        head + record.substr(0, middle) + '\n' + record.substr(middle + 1) + kEnd,
        head + record.substr(0, middle) + 'g' + record.substr(middle + 1) + kEnd,
        head + "0010000" + kEnd,
        head + record + "00000000\n",
    };
    for (size_t i = 0; i < damaged.size(); ++i) {
        auto read = read_tree(damaged[i], wchar_form());
        EXPECT_EQ(read.status, -1) << i;
        EXPECT_EQ(read.error, GL_ENOMEM) << i;
    }
}

// A two-level tree: "A" alone, and 0xC2 followed by 0x80 to 0x83.
const std::string kTwoLevels = "2 1 1 0000\n1 1\n4100100104\nc200100101\n" + kEnd +
                               "410010010041\n" + kEnd + "1 1\n8000400104040404\n" + kEnd +
                               "80004001" + "0100010101020103\n" + kEnd;

TEST(TreeRead, LookUpsByBytesAndByWideCharacter) {
    auto read = read_tree(kTwoLevels, ub2_form());
    ASSERT_EQ(read.status, 0) << read.error;
    const multi_tree_t *tree = read.tree.get();

    struct Row {
        std::string bytes;
        int limit;
        long value;
        int consumed;
        uint32_t error;
    };
    const Row rows[] = {
        {"A", 1, 0x41, 1, kUnset},         {"\xC2\x81", 2, 0x101, 2, kUnset},
        {"\xC2\x81", 5, 0x101, 2, kUnset},  // a generous limit is not read up to
        {"\xC2", 1, -1, 1, GL_EINVAL},      // the input ends inside the character
        {"\xC2\x81", 0, -1, 0, GL_EINVAL}, {"\xC2\x81", -3, -1, 0, GL_EINVAL},
        {"B", 1, -1, 1, GL_EILSEQ},        {"\xC2\x84", 2, -1, 2, GL_EILSEQ},
    };
    for (const Row &row : rows) {
        std::vector<unsigned char> bytes(row.bytes.begin(), row.bytes.end());
        uint32_t error = kUnset;
        int consumed = -9;
        const uint8_t *element =
            _gl_retrieve_text_multi_limit(bytes.data(), tree, row.limit, &consumed, &error);
        EXPECT_EQ(ub2_value(element), row.value) << row.bytes << " limit " << row.limit;
        EXPECT_EQ(consumed, row.consumed) << row.bytes << " limit " << row.limit;
        EXPECT_EQ(error, row.error) << row.bytes << " limit " << row.limit;
    }

    const std::vector<std::pair<std::string, long>> unlimited = {
        {"A", 0x41}, {"\xC2\x83", 0x103}, {"B", -1}, {"\xC2\x90", -1}, {"\x80", -1}};
    for (const auto &[text, value] : unlimited) {
        uint32_t error = kUnset;
        auto bytes = reinterpret_cast<const unsigned char *>(text.c_str());
        EXPECT_EQ(ub2_value(_gl_retrieve_text_multi_nl(bytes, tree, &error)), value) << text;
        EXPECT_EQ(error, value < 0 ? GL_EILSEQ : kUnset) << text;
    }

    const std::vector<std::pair<uint32_t, long>> wide = {
        {0x41, 0x41}, {0xC280, 0x100}, {0xC2, -1}, {0xC284, -1}, {0xC28000, -1}, {0x41000000, -1}};
    for (const auto &[wc, value] : wide) {
        uint32_t error = kUnset;
        EXPECT_EQ(ub2_value(_gl_retrieve_wchar_multi_nl(&error, wc, tree)), value) << wc;
        EXPECT_EQ(error, value < 0 ? GL_EILSEQ : kUnset) << wc;
    }
}

// The same tree with its keys marked UTF-8 (flags 5): what it holds keeps
// its element, every other well-formed sequence has the default element
// (0), and anything else fails as before.
TEST(TreeRead, UTF8KeysMakeEveryWellFormedSequenceACharacter) {
    auto read = read_tree("4 1 5" + kTwoLevels.substr(5), ub2_form());
    ASSERT_EQ(read.status, 0) << read.error;
    const multi_tree_t *tree = read.tree.get();
    struct Row {
        std::string bytes;
        int limit;
        long value;
        int consumed;
        uint32_t error;
    };
    const Row rows[] = {
        {"\xC2\x81", 2, 0x101, 2, kUnset},     {"B", 1, 0, 1, kUnset},
        {"\xC2\x84", 2, 0, 2, kUnset},         {"\xF0\xAF\xBF\xBF", 4, 0, 4, kUnset},
        {"\xF0\xAF\xBF", 3, -1, 3, GL_EINVAL}, {"\xF0\xAF\xBF\x41", 4, -1, 1, GL_EILSEQ},
        {"\xC0\x80", 2, -1, 1, GL_EILSEQ},     {"\xED\xA0\x80", 3, -1, 1, GL_EILSEQ},
        {"\x80", 1, -1, 1, GL_EILSEQ},
    };
    for (const Row &row : rows) {
        std::vector<unsigned char> bytes(row.bytes.begin(), row.bytes.end());
        uint32_t error = kUnset;
        int consumed = -9;
        const uint8_t *element =
            _gl_retrieve_text_multi_limit(bytes.data(), tree, row.limit, &consumed, &error);
        EXPECT_EQ(ub2_value(element), row.value) << row.bytes;
        EXPECT_EQ(error, row.error) << row.bytes;
        if (row.value >= 0) {
            EXPECT_EQ(consumed, row.consumed) << row.bytes;
        }
        uint32_t wide = 0;
        for (unsigned char b : bytes)
            wide = (wide << 8) | b;
        if (row.limit == static_cast<int>(bytes.size()) && row.error != GL_EINVAL) {
            error = kUnset;
            EXPECT_EQ(ub2_value(_gl_retrieve_wchar_multi_nl(&error, wide, tree)), row.value)
                << row.bytes;
        }
    }
}

TEST(TreeRead, WideCharacterWalksAtLeastTheMinimumLength) {
    // 0x00 0x41 is a character; 0x41 alone is not.
    const std::string body =
        " 1 0007\n1 0\n0000100101\n" + kEnd + "1 1\n4100100104\n" + kEnd + "410010010009\n" + kEnd;
    struct Row {
        int min_length;
        long value;
    };
    for (const Row row : {Row{2, 9}, Row{1, -1}}) {
        auto read = read_tree("2 " + std::to_string(row.min_length) + body, ub2_form());
        ASSERT_EQ(read.status, 0);
        EXPECT_EQ(_gl_multi_min_length(read.tree.get()), row.min_length);
        uint32_t error = kUnset;
        EXPECT_EQ(ub2_value(_gl_retrieve_wchar_multi_nl(&error, 0x41, read.tree.get())), row.value);
    }
}

TEST(TreeRead, DamagedAndHostileTextsFailWithTheirCodes) {
    const std::string single = "1 1 1 0000\n";
    const std::string compressed = "1 1 3 0000\n";
    struct Row {
        const char *what;
        std::string text;
        int status;
        uint32_t error;
        int limit = kMultiLengthLimit;
        ElementForm form = ub2_form();
    };
    const Row rows[] = {
        {"longer than four bytes", "5 1 1 0000\n", -1, GL_ETREELEN},
        {"longer than the caller allows", "3 1 1 0000\n", -1, GL_ETREELEN, 2},
        {"negative maximum length", "-1 1 1 0000\n", -1, GL_ETREELEN},
        {"minimum length 0", "1 0 1 0000\n1 0\n" + kEnd, -1, GL_ENOMEM},
        {"minimum length 5", "1 5 1 0000\n1 0\n" + kEnd, -1, GL_ENOMEM},
        // The declared lengths must bound the characters held: the look-ups
        // and the terminators of a locale's strings are sized by them.
        {"minimum length above the maximum", "1 2 1 0000\n1 0\n4100100104\n" + kEnd, -1, GL_EFILE},
        {"minimum length above the shortest character", "2 2" + kTwoLevels.substr(3), -1, GL_EFILE},
        {"characters longer than the maximum", "0 1 1 0000\n1 0\n4100100104\n" + kEnd, -1,
         GL_EFILE},
        {"empty, minimum above the maximum", "1 4 1 0000\n1 0\n" + kEnd, -1, GL_EFILE},
        {"empty, as written", "0 4 1 0000\n1 0\n" + kEnd, 0, 0},
        // UTF-8 keys make any well-formed sequence of one to four bytes a character.
        {"UTF-8 keys, lengths 1 to 4", "4 1 5 0000\n1 0\n4100100104\n" + kEnd, 0, 0},
        {"UTF-8 keys, maximum 2", "2 1 5 0000\n1 0\n4100100104\n" + kEnd, -1, GL_EFILE},
        {"empty input", "", -1, GL_ENOMEM},
        {"no blank before the default", "1 1 10000\n", -1, GL_ENOMEM},
        {"default not ended by a newline", "1 1 1 0000 \n1 0\n" + kEnd, -1, 0},
        {"default with a non-digit", "1 1 1 00g0\n1 0\n" + kEnd, -1, GL_ENOMEM},
        {"record up to entry 256", single + "1 0\nf0010001" + repeated("04", 16) + "\n" + kEnd, 0,
         0},
        {"record past entry 256", single + "1 0\nf0010002" + repeated("04", 16) + "\n" + kEnd, -1,
         GL_ENOMEM},
        {"run of 257 values", single + "1 0\n00101000" + repeated("04", 257) + "\n" + kEnd, -1,
         GL_ENOMEM},
        {"run of 257 unrepeated values",
         single + "1 0\n00101001" + repeated("04", 257) + "\n" + kEnd, -1, GL_ENOMEM},
        {"record not ended by a newline", single + "1 0\n4100100104" + kEnd, -1, GL_ENOMEM},
        {"terminator not ended by a newline", single + "1 0\n00000000\n", -1, GL_ENOMEM},
        {"end of input in a terminator", single + "1 0\n0000000", -1, GL_ENOMEM},
        {"end of input in a record", single + "1 0\n41001", -1, GL_ENOMEM},
        {"end of input before the root", single, -1, GL_ENOMEM},
        {"has-flags of 2", single + "2 0\n", -1, GL_ENOMEM},
        {"node line not ended by a newline", single + "1 0 \n" + kEnd, -1, GL_ENOMEM},
        {"a child below the maximum length", single + "1 0\n4100100101\n" + kEnd + "1 0\n" + kEnd,
         -1, GL_ENOMEM},
        {"element with a non-digit", single + "1 1\n4100100104\n" + kEnd + "41001001zz07\n" + kEnd,
         -1, GL_ENOMEM},
        {"element cut short", single + "1 1\n4100100104\n" + kEnd + "410010017\n" + kEnd, -1,
         GL_ENOMEM},
        {"shared: one array, used", compressed + "1 0\n4100100104\n" + kEnd + "1 0 0 -1\n", 0, 0},
        {"shared: flag index past the count",
         compressed + "1 0\n4100100104\n" + kEnd + "1 0 1 -1\n", -1, GL_ENOMEM},
        {"shared: negative flag index", compressed + "1 0\n4100100104\n" + kEnd + "1 0 -1 -1\n", -1,
         GL_ENOMEM},
        {"shared: data index past the count",
         compressed + "1 1\n4100100104\n" + kEnd + kEnd + "1 1 0 1\n", -1, GL_ENOMEM},
        {"shared: negative count", compressed + "-1 0\n", -1, GL_ENOMEM},
        {"shared: count above any tree's", compressed + "99999999 0\n", -1, GL_ENOMEM},
        {"shared: count not backed by arrays", compressed + "16000000 0\n4100100104\n" + kEnd, -1,
         GL_ENOMEM},
        {"shared: counts not ended by a newline", compressed + "1 0 \n", -1, GL_ENOMEM},
        {"conversion record of one output byte",
         "1 1 1 00\n1 1\n4100100104\n" + kEnd + "410010010141\n" + kEnd, 0, 0, kMultiLengthLimit,
         cv_record_form(1)},
        {"conversion record announcing two of one",
         "1 1 1 00\n1 1\n4100100104\n" + kEnd + "41001001020141\n" + kEnd, -1, GL_ENOMEM,
         kMultiLengthLimit, cv_record_form(1)},
        {"16-bit elements in a tree of bytes",
         single + "1 1\n4100100104\n" + kEnd + "410010010007\n" + kEnd, -1, GL_ENOMEM,
         kMultiLengthLimit, ElementForm{1, ub2_reader, nullptr}},
    };
    for (const Row &row : rows) {
        testing::FailingHost host;  // counts blocks; fails none
        {
            auto read = read_tree(row.text, row.form, row.limit);
            ASSERT_NE(read.tree, nullptr) << row.what;
            EXPECT_EQ(read.status, row.status) << row.what;
            EXPECT_EQ(read.error, row.error) << row.what;
        }
        EXPECT_EQ(host.live_blocks(), 0) << row.what;
    }
}

// Every allocation of making and reading a tree fails in turn: the result is
// null from _gl_create_multi or error 3 from the reader, and releasing the
// tree leaves nothing behind.
void fail_every_allocation(const std::string &text, const ElementForm &form) {
    const long failures =
        testing::walk_allocation_failures([&] { return read_tree(text, form); },
                                          [](const testing::TreeRead &read, bool failed) {
                                              if (!failed) {
                                                  EXPECT_EQ(read.status, 0);
                                              } else if (read.tree) {
                                                  EXPECT_EQ(read.status, -1);
                                                  EXPECT_EQ(read.error, GL_ENOMEM);
                                              }
                                          });
    EXPECT_GT(failures, 3);
}

TEST(TreeRead, EveryOutOfMemoryPathReleasesCleanly) {
    fail_every_allocation(kTwoLevels, ub2_form());

    // More shared arrays than the tables first hold, so that they grow.
    TreeBuilder builder(ub2_form());
    for (int lead = 0x80; lead < 0x80 + 100; ++lead) {
        for (int trail = 0; trail <= lead - 0x80; ++trail) {
            ASSERT_EQ(builder.add(std::string{char(lead), char(trail)}, ub2_element(trail)),
                      TreeAddStatus::kOk);
        }
    }
    fail_every_allocation(builder.text(TreeText::kCompressed), ub2_form());
}

TEST(TreeCreate, EmptyTreeAndItsAllocations) {
    const uint8_t fallback[3] = {0x34, 0x12, 0x56};
    testing::walk_allocation_failures(
        [&] { return testing::TreePtr(_gl_create_multi(3, 8, fallback)); },
        [](const testing::TreePtr &tree, bool failed) {
            ASSERT_EQ(tree == nullptr, failed);
            if (failed) return;
            // Empty: nothing is found and no key is long.
            uint32_t error = kUnset;
            const unsigned char byte = 'A';
            EXPECT_EQ(_gl_retrieve_text_multi_nl(&byte, tree.get(), &error), nullptr);
            EXPECT_EQ(error, GL_EILSEQ);
            EXPECT_EQ(_gl_multi_max_length(tree.get()), 0U);
        });
    EXPECT_EQ(_gl_create_multi(kMultiMaxDataSize + 1, 0, nullptr), nullptr);
    _gl_free_multi(nullptr);
}

}  // namespace
}  // namespace gls
