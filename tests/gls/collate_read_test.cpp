// The collation section read back from files the section writer made:
// counts, directions, elements and expansions, the tables derived for the
// single-byte primitives, the equal-weight lists, Thai rules, multi-byte
// characters, and the conversion of wide characters through the tree.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "gls/load/locale.h"
#include "gls/load/writer/collate_writer.h"
#include "tests/gls/collate_files.h"

namespace gls {
namespace {

using testing::all_ones_of;
using testing::equivalences_of;
using testing::Pairs;
using testing::read_section;
using testing::section_text;
using testing::Strings;

constexpr int32_t kBackward = 2;
constexpr uint16_t kExpansion = 0x4000;
constexpr uint16_t kSpecial = 0x8000;
constexpr TreeText kTreeTexts[] = {TreeText::kPlain, TreeText::kCompressed};

// a b c d e sort on two levels, the second backward; æ (0xE6) expands to
// "ae" on both; "ch" is a collating element with a row of its own.
CollationSource single_byte_source() {
    CollationSource source;
    source.rows = {{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}, {"e", 5}, {"h", 0}, {"\xE6", 6}};
    source.directions = {0, kBackward};
    source.weight_size = 1;
    source.expansions = {{'a', 'e'}};
    source.elements = {{{'c', 'h'}, 7}};
    source.weights = {{0x8000, 0x8000},
                      {0x10, 2},
                      {0x11, 2},
                      {0x12, 2},
                      {0x14, 2},
                      {0x15, 2},
                      {kExpansion | 0, kExpansion | 0},
                      {0x13, 2}};
    return source;
}

TEST(CollateRead, SingleByteSectionWithExpansionsElementsAndBackwardLevel) {
    for (TreeText tree_text : kTreeTexts) {
        CollationSource source = single_byte_source();
        source.tree_text = tree_text;
        auto read = read_section(section_text(source) + "rest\n", 77);
        ASSERT_EQ(read.status, 0);
        EXPECT_EQ(read.error, 0U) << "the reader clears the error number";
        EXPECT_EQ(read.rest, "rest\n") << "the reader stops at the end of the section";
        const Locale &loc = *read.loc;
        const CollateSection &coll = loc.collate;
        EXPECT_EQ(coll.mode, kCollateRules);
        EXPECT_EQ(coll.levels, 2);
        EXPECT_EQ(coll.max_row, 7);
        EXPECT_EQ(coll.element_count, 1);
        EXPECT_EQ(coll.expansion_count, 1);
        EXPECT_EQ(coll.weight_size, 1);
        EXPECT_EQ(coll.direct_weights, 0);
        EXPECT_EQ(coll.directions[0], 0);
        EXPECT_EQ(coll.directions[1], kBackward);
        EXPECT_EQ(loc.longest_element, 2.0);
        for (int32_t row = 0; row <= coll.max_row; ++row) {
            for (int level = 0; level < 2; ++level)
                EXPECT_EQ(coll.weights[level][row], source.weights[row][level]) << row;
        }
        for (int level = 2; level < kMaxCollationLevels; ++level) {
            EXPECT_EQ(coll.weights[level], nullptr);
            EXPECT_EQ(coll.sb_expansions[level], nullptr);
        }
        ASSERT_EQ(coll.expansions[0].count, 2);
        EXPECT_EQ(coll.expansions[0].chars[0], gl_wchar_t{'a'});
        EXPECT_EQ(coll.expansions[0].chars[1], gl_wchar_t{'e'});
        ASSERT_EQ(coll.elements[0].count, 2);
        EXPECT_EQ(coll.elements[0].row, 7);
        EXPECT_EQ(coll.elements[0].chars[1], gl_wchar_t{'h'});

        // Only æ expands, on both levels; only 'c' starts an element.
        for (int byte = 0; byte < 256; ++byte) {
            const CollationExpansion *expected = byte == 0xE6 ? &coll.expansions[0] : nullptr;
            EXPECT_EQ(coll.sb_expansions[0][byte], expected) << byte;
            EXPECT_EQ(coll.sb_expansions[1][byte], expected) << byte;
            EXPECT_EQ(coll.element_start[byte], byte == 'c' ? 1 : 0) << byte;
        }
        // Row 6 stands for expansion 0 alone: "ae" is filed under it before æ.
        EXPECT_EQ(equivalences_of(coll), (Pairs{{"ae", "\xE6"}}));
        EXPECT_EQ(all_ones_of(coll), Strings{});
    }
}

// The example of the format: R = 1, L = 2 gives one line of four fields.
TEST(CollateRead, DirectWeightsAreOneLineOfBlankSeparatedFields) {
    CollationSource source;
    source.rows = {{"x", 0}, {"y", 1}};
    source.direct_weights = true;
    source.directions = {0, 0};
    // Equal rows and all-ones rows: with direct weights nothing is derived.
    source.weights = {{0x0001, 0x0001}, {0x0001, 0x0001}};
    const std::string text = section_text(source);
    EXPECT_NE(text.find("\n1\n1 2 0 0 2\n00000000\n 0001 0001 0001 0001\n"), std::string::npos)
        << text;

    auto read = read_section(text);
    ASSERT_EQ(read.status, 0);
    const CollateSection &coll = read.loc->collate;
    EXPECT_EQ(coll.direct_weights, 1);
    EXPECT_EQ(coll.all_ones, nullptr);
    EXPECT_EQ(coll.equivalences, nullptr);
    EXPECT_EQ(coll.weights[1][1], 1);

    // The fields may stand without blanks; a line break between them fails.
    std::string packed = text;
    packed.replace(packed.rfind(" 0001 0001 0001 0001"), 20, "0001000100010002");
    auto read_packed = read_section(packed);
    ASSERT_EQ(read_packed.status, 0);
    EXPECT_EQ(read_packed.loc->collate.weights[1][1], 2);
    std::string broken = text;
    broken.replace(broken.rfind(" 0001 0001 0001 0001"), 20, " 0001 0001\n 0001 0001");
    auto read_broken = read_section(broken);
    EXPECT_EQ(read_broken.status, -1);
    EXPECT_EQ(read_broken.error, GL_ESHORTFILE);
}

// A weights line far longer than the 4096-byte pieces it is taken in:
// fields that straddle a piece's end read whole, and a bad byte, a zero
// byte, a line break or a cut anywhere fails as it would byte by byte.
TEST(CollateRead, LongDirectWeightsLinesReadAcrossPieces) {
    constexpr uint16_t kRows = 3000;
    CollationSource source;
    source.direct_weights = true;
    source.directions = {0, 0, 0};
    for (uint16_t row = 0; row < kRows; ++row) {
        source.rows[std::string(1, static_cast<char>(1 + row % 255)) +
                    std::string(1, static_cast<char>(row / 255 + 1))] = row;
        source.weights.push_back({row, static_cast<uint16_t>(row ^ 0x2AAA), 0x3FFF});
    }
    const std::string written = section_text(source);
    const size_t line = written.rfind('\n', written.size() - 2) + 1;
    ASSERT_GT(written.size() - line, 3 * 4096u);
    ASSERT_EQ(written.substr(line, 10), " 0000 2aaa");

    // Fields may stand without their blank: leaving out the first few moves
    // every later field against the pieces' ends.
    for (size_t shift = 0; shift < 5; ++shift) {
        SCOPED_TRACE(shift);
        std::string text = written;
        for (size_t i = 0; i < shift; ++i)
            text.erase(line + 4 * i, 1);
        auto read = read_section(text);
        ASSERT_EQ(read.status, 0) << read.error;
        for (uint16_t row = 0; row < kRows; ++row) {
            ASSERT_EQ(read.loc->collate.weights[0][row], row);
            ASSERT_EQ(read.loc->collate.weights[1][row], row ^ 0x2AAA);
            ASSERT_EQ(read.loc->collate.weights[2][row], 0x3FFF);
        }
        // The elements and expansions come before: the line starts a piece.
        for (size_t offset : {4090u, 4093u, 4094u, 4095u, 4096u, 8190u, 8191u, 12285u}) {
            SCOPED_TRACE(offset);
            const char original = text[line + offset];
            for (char damage : {'g', '\n', ' ', '\0'}) {
                std::string broken = text;
                broken[line + offset] = damage;
                const auto damaged = read_section(broken);
                EXPECT_EQ(damaged.status, damage == original ? 0 : -1) << int{damage};
                if (damage != original) {
                    EXPECT_EQ(damaged.error, GL_ESHORTFILE);
                }
            }
            EXPECT_EQ(read_section(text.substr(0, line + offset)).status, -1);
        }
    }
}

TEST(CollateRead, EqualRowsBecomePairsAndAllOnesRowsAList) {
    struct Row {
        const char *what;
        std::map<std::string, uint16_t> rows;
        std::vector<std::vector<uint16_t>> weights;
        std::vector<CollationElementSource> elements;
        std::vector<std::vector<gl_wchar_t>> expansions;
        Strings all_ones;
        Pairs pairs;
    };
    const std::vector<Row> rows = {
        {"two equal rows: the earlier row's character maps to the later's",
         {{"b", 1}, {"d", 2}},
         {{5, 5}, {7, 8}, {7, 8}},
         {},
         {},
         {},
         {{"b", "d"}}},
        {"the later row's last character filed represents the class",
         {{"b", 1}, {"d", 3}, {"x", 1}, {"y", 3}, {"z", 2}},
         {{5, 5}, {7, 8}, {6, 6}, {7, 8}},
         {},
         {},
         {},
         {{"b", "y"}, {"d", "y"}, {"x", "y"}}},
        {"classes in the order they form; a lone string pairs with nothing",
         {{"a", 4}, {"b", 3}, {"c", 2}, {"d", 1}, {"e", 5}},
         {{9, 9}, {2, 2}, {3, 3}, {2, 2}, {3, 3}, {4, 4}},
         {},
         {},
         {},
         {{"b", "d"}, {"a", "c"}}},
        {"all-ones rows, elements filed first, in filing order",
         {{"m", 1}, {"n", 3}, {"o", 1}},
         {{2, 2}, {1, 1}, {3, 3}, {1, 1}},
         {{{'n', 'o'}, 1}},
         {},
         {"no", "m", "n", "o"},
         {}},
        {"special weights keep equal rows apart",
         {{"p", 1}, {"q", 2}},
         {{1, 2}, {kSpecial | 1, 4}, {kSpecial | 1, 4}},
         {},
         {},
         {},
         {}},
        {"rows of one expansion: recorded once, the later row joins the earlier",
         {{"f", 1}, {"g", 2}, {"h", 3}},
         {{9, 9},
          {kExpansion | 1, kExpansion | 1},
          {kExpansion | 1, kExpansion | 1},
          {kExpansion | 0, 5}},
         {},
         {{'z'}, {'g', 'h'}},
         {},
         {{"gh", "g"}, {"f", "g"}}},
    };
    for (const Row &row : rows) {
        CollationSource source;
        source.rows = row.rows;
        source.directions = {0, 0};
        source.weights = row.weights;
        source.elements = row.elements;
        source.expansions = row.expansions;
        auto read = read_section(section_text(source));
        ASSERT_EQ(read.status, 0) << row.what;
        EXPECT_EQ(all_ones_of(read.loc->collate), row.all_ones) << row.what;
        EXPECT_EQ(equivalences_of(read.loc->collate), row.pairs) << row.what;
        EXPECT_EQ(read.loc->collate.all_ones == nullptr, row.all_ones.empty()) << row.what;
        EXPECT_EQ(read.loc->collate.equivalences == nullptr, row.pairs.empty()) << row.what;
    }
}

// A byte whose row weighs 0x4003 on level 0 gets expansion entry 3 there,
// and nothing on level 1 where its weight is plain.
TEST(CollateRead, SingleByteExpansionTableFollowsTheReference) {
    CollationSource source;
    source.rows = {{"A", 1}, {"B", 2}};
    source.directions = {0, 0};
    source.expansions = {{'A'}, {'B'}, {'A', 'A'}, {'A', 'B'}};
    source.weights = {{3, 3}, {4, 4}, {kExpansion | 3, 6}};
    auto read = read_section(section_text(source));
    ASSERT_EQ(read.status, 0);
    const CollateSection &coll = read.loc->collate;
    EXPECT_EQ(coll.sb_expansions[0][int{'B'}], &coll.expansions[3]);
    EXPECT_EQ(coll.sb_expansions[1][int{'B'}], nullptr);
    EXPECT_EQ(coll.sb_expansions[0][int{'A'}], nullptr);
    EXPECT_EQ(coll.element_start, nullptr) << "no elements, no table";
    EXPECT_EQ(read.loc->longest_element, 2.0);
}

TEST(CollateRead, ThaiRulesAreTheWholeSection) {
    auto read = read_section("thai_smo\nnot read\n", 5);
    ASSERT_EQ(read.status, 0);
    EXPECT_EQ(read.loc->collate.mode, kCollateThai);
    EXPECT_EQ(read.rest, "not read\n");
    EXPECT_EQ(_gl_multi_max_length(read.loc->collate.tree), 0U) << "the tree stays empty";
    EXPECT_EQ(read.loc->collate.levels, 0);

    CollationSource thai;
    thai.rules = CollationRules::kThaiSmo;
    thai.rows = {{"a", 0}};  // ignored: Thai rules have no further parts
    EXPECT_EQ(section_text(thai), "thai_smo\n");
}

// UTF-8 style characters of one to three bytes, plain and compressed.
TEST(CollateRead, MultiByteCharactersEncodeThroughTheTree) {
    const std::string e_grave = "\xC3\xA8";
    const std::string e_acute = "\xC3\xA9";
    const std::string euro = "\xE2\x82\xAC";
    for (TreeText tree_text : kTreeTexts) {
        CollationSource source;
        source.tree_text = tree_text;
        source.rows = {{"a", 1}, {"e", 2}, {e_grave, 2}, {e_acute, 3}, {euro, 4}};
        source.directions = {0};
        source.expansions = {{0xE282AC, 'a'}};
        source.elements = {{{0xC3A9, 'a'}, 5}, {{'a', 0xE282AC}, 5}};
        // Rows 2, 3 and 5 weigh the same; row 4 is expansion 0.
        source.weights = {{1}, {0x20}, {0x21}, {0x21}, {kExpansion | 0}, {0x21}};
        auto read = read_section(section_text(source));
        ASSERT_EQ(read.status, 0);
        Locale *loc = read.loc.get();
        const CollateSection &coll = loc->collate;

        unsigned char out[4] = {};
        EXPECT_EQ(_gl_sl_wctomb(loc, out, 0xE282AC), 3);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(out), 3), euro);
        EXPECT_EQ(_gl_sl_wctomb(loc, out, 0xC3A9), 2);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(out), 2), e_acute);
        EXPECT_EQ(_gl_sl_wctomb(loc, out, 'a'), 1);
        EXPECT_EQ(out[0], 'a');
        for (gl_wchar_t missing : {gl_wchar_t{'b'}, gl_wchar_t{0xC3}, gl_wchar_t{0xC3AA},
                                   gl_wchar_t{0xE282}, gl_wchar_t{0x41E282AC}}) {
            loc->error = 0;
            EXPECT_EQ(_gl_sl_wctomb(loc, out, missing), -1) << missing;
            EXPECT_EQ(loc->error, GL_EILSEQ) << missing;
        }

        // 'a' starts an element; the element starting with an e-acute is
        // beyond a byte and marks nothing.
        for (int byte = 0; byte < 256; ++byte)
            EXPECT_EQ(coll.element_start[byte], byte == 'a' ? 1 : 0) << byte;
        // Elements are filed first, then the expansion, then the tree's
        // characters in byte order; each class's last string represents it.
        EXPECT_EQ(equivalences_of(coll), (Pairs{{e_acute + "a", e_acute},
                                                {"a" + euro, e_acute},
                                                {"e", e_acute},
                                                {e_grave, e_acute},
                                                {euro + "a", euro}}));
        EXPECT_EQ(all_ones_of(coll), Strings{}) << "row 0 has no characters";
        EXPECT_EQ(coll.sb_expansions[0][int{'a'}], nullptr);
        EXPECT_EQ(loc->longest_element, 2.0);
    }
}

}  // namespace
}  // namespace gls
