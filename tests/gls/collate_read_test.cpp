// The collation section read back from files the section writer made: the
// tables derived for the single-byte primitives, long direct-weight lines,
// the equal-weight lists of multi-byte characters, and the conversion of
// wide characters through the tree.
#include <gtest/gtest.h>

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

constexpr uint16_t kExpansion = 0x4000;
constexpr TreeText kTreeTexts[] = {TreeText::kPlain, TreeText::kCompressed};

// a b c d e on two levels, the second backward; æ (0xE6) expands to "ae"
// on both; "ch" is a collating element with a row of its own.
TEST(CollateRead, SingleByteTablesOfExpansionsAndElements) {
    for (TreeText tree_text : kTreeTexts) {
        CollationSource source;
        source.rows = {{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}, {"e", 5}, {"h", 0}, {"\xE6", 6}};
        source.directions = {0, kLevelBackward};
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
        source.tree_text = tree_text;
        auto read = read_section(section_text(source) + "rest\n", 77);
        ASSERT_EQ(read.status, 0);
        EXPECT_EQ(read.error, 0U) << "the reader clears the error number";
        EXPECT_EQ(read.rest, "rest\n") << "the reader stops at the end of the section";
        const CollateSection &coll = read.loc->collate;
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

// UTF-8 style characters of one to three bytes, plain and compressed.
TEST(CollateRead, MultiByteCharactersEncodeThroughTheTree) {
    const std::string e_grave = "\xC3\xA8", e_acute = "\xC3\xA9", euro = "\xE2\x82\xAC";
    for (TreeText tree_text : kTreeTexts) {
        CollationSource source;
        source.tree_text = tree_text;
        source.rows = {{"a", 1}, {"e", 2}, {e_grave, 2}, {e_acute, 3}, {euro, 4}, {"z", 0}};
        source.directions = {0};
        source.expansions = {{0xE282AC, 'a'}};
        source.elements = {{{0xC3A9, 'a'}, 5}, {{'a', 0xE282AC}, 5}};
        // Row 0 is all ones; rows 2, 3 and 5 weigh the same; row 4 is expansion 0.
        source.weights = {{1}, {0x20}, {0x21}, {0x21}, {kExpansion | 0}, {0x21}};
        auto read = read_section(section_text(source));
        ASSERT_EQ(read.status, 0);
        Locale *loc = read.loc.get();
        unsigned char out[4] = {};
        EXPECT_EQ(_gl_sl_wctomb(loc, out, 0xE282AC), 3);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(out), 3), euro);
        EXPECT_EQ(_gl_sl_wctomb(loc, out, 0xC3A9), 2);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(out), 2), e_acute);
        for (gl_wchar_t missing : {gl_wchar_t{'b'}, gl_wchar_t{0xC3}, gl_wchar_t{0xC3AA},
                                   gl_wchar_t{0xE282}, gl_wchar_t{0x41E282AC}}) {
            loc->error = 0;
            EXPECT_EQ(_gl_sl_wctomb(loc, out, missing), -1) << missing;
            EXPECT_EQ(loc->error, GL_EILSEQ) << missing;
        }
        // 'a' starts an element; the element starting with an e-acute is
        // beyond a byte and marks nothing.
        for (int byte = 0; byte < 256; ++byte)
            EXPECT_EQ(loc->collate.element_start[byte], byte == 'a' ? 1 : 0) << byte;
        // Elements are filed first, then the expansion, then the tree's
        // characters in byte order; each class's last string represents it.
        EXPECT_EQ(equivalences_of(loc->collate), (Pairs{{e_acute + "a", e_acute},
                                                        {"a" + euro, e_acute},
                                                        {"e", e_acute},
                                                        {e_grave, e_acute},
                                                        {euro + "a", euro}}));
        EXPECT_EQ(all_ones_of(loc->collate), Strings{"z"});
    }
}

}  // namespace
}  // namespace gls
