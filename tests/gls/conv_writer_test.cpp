// The conversion-file writer: the figures it works out, what it refuses,
// and that the loader reads back what it meant.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "gls/conv/writer/cvo_writer.h"
#include "tests/gls/conv_files.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using testing::convert;
using testing::cvo_text;
using testing::load_text;
using velmorad::testing::TempDir;

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(CvoWriter, WorksOutLengthsAndTheExpansionFactor) {
    struct Row {
        const char *what;
        CvoInput input;
        CvoFigures figures;
    };
    CvoInput latin;
    latin.records = {{"A", {"A"}}, {"\xE9", {"\xC3\xA9"}}};
    CvoInput mixed;  // 2 bytes from 1, 3 from 2, and a missing character that counts for nothing
    mixed.records = {
        {"a", {"ab"}}, {"\x8E\xA1", {"\xEF\xBD\xA1"}}, {"\x8F", {"\x01\x02\x03\x04", 0, false}}};
    CvoInput thirds;  // 4 bytes from 3: 4/3 has no exact float
    thirds.records = {{"\xE3\x81\x82", {std::string("\x30\x42\x00\x00", 4)}}, {"b", {"b"}}};
    CvoInput shifting;  // both shift sequences count against the one byte in
    shifting.target_shift = 1;
    shifting.special = {"\x0E", "\x0F", "", ""};
    shifting.records = {{"\xA4\xA2", {"\x24\x22", kCvShiftedOut}}, {"x", {"x"}}};
    CvoInput shifted_source;  // the second tree's keys count when the source shifts
    shifted_source.source_shift = 1;
    shifted_source.records = {{"\x0E", {"", kCvSwitchInput}}, {"a", {"a"}}};
    shifted_source.shifted_records = {{"\x24\x22\x21", {"\xE3\x81\x82"}},
                                      {"\x0F", {"", kCvSwitchInput}}};
    CvoInput overridden = latin;
    overridden.source_max_len = 2;
    overridden.target_min_len = 2;
    overridden.target_max_len = 4;
    overridden.expansion = 3.5;
    CvoInput empty;

    const Row rows[] = {
        {"latin", latin, {1, 1, 1, 2, 2.0F}},
        {"mixed", mixed, {1, 2, 2, 3, 2.0F}},
        {"thirds", thirds, {1, 3, 1, 4, 0}},
        {"shifting", shifting, {1, 2, 1, 2, 3.0F}},
        {"shifted source", shifted_source, {1, 3, 1, 3, 1.0F}},
        {"overridden", overridden, {1, 2, 2, 4, 3.5F}},
        {"empty", empty, {1, 1, 1, 1, 1.0F}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        const CvoFigures figures = cvo_figures(row.input);
        EXPECT_EQ(figures.source_min_len, row.figures.source_min_len);
        EXPECT_EQ(figures.source_max_len, row.figures.source_max_len);
        EXPECT_EQ(figures.target_min_len, row.figures.target_min_len);
        EXPECT_EQ(figures.target_max_len, row.figures.target_max_len);
        if (row.figures.expansion != 0) {
            EXPECT_EQ(figures.expansion, row.figures.expansion);
        }
    }
    // Rounded up, never down: a buffer sized by the factor always suffices.
    const float third = cvo_figures(thirds).expansion;
    EXPECT_GE(static_cast<double>(third), 4.0 / 3.0);
    EXPECT_LT(static_cast<double>(third), 4.0 / 3.0 + 1e-6);
}

TEST(CvoWriter, RefusesWhatNoLoaderWouldTake) {
    struct Row {
        const char *what;
        CvoInput input;
        CvoStatus status;
        std::string key;
    };
    auto with = [](auto change) {
        CvoInput input;
        input.records = {{"a", {"a"}}, {"b", {"bb"}}};
        change(input);
        return input;
    };
    const Row rows[] = {
        {"empty key", with([](CvoInput &in) { in.records[""] = {"x"}; }), CvoStatus::kBadKey, ""},
        {"five-byte key", with([](CvoInput &in) { in.records["abcde"] = {"x"}; }),
         CvoStatus::kBadKey, "abcde"},
        {"prefix", with([](CvoInput &in) { in.records["ab"] = {"x"}; }), CvoStatus::kBadKey, "ab"},
        {"output over the given maximum", with([](CvoInput &in) { in.target_max_len = 1; }),
         CvoStatus::kOutputTooLong, "b"},
        {"output of five bytes", with([](CvoInput &in) { in.records["c"] = {"12345"}; }),
         CvoStatus::kOutputTooLong, "c"},
        {"special of five bytes", with([](CvoInput &in) { in.special[1] = "12345"; }),
         CvoStatus::kBadSpecial, ""},
        {"minimum over maximum", with([](CvoInput &in) { in.source_min_len = 2; }),
         CvoStatus::kBadLength, ""},
        {"target maximum 5", with([](CvoInput &in) { in.target_max_len = 5; }),
         CvoStatus::kBadLength, ""},
        {"factor 0", with([](CvoInput &in) { in.expansion = 0; }), CvoStatus::kBadExpansion, ""},
        {"factor 17", with([](CvoInput &in) { in.expansion = 17; }), CvoStatus::kBadExpansion, ""},
        {"header line with a line feed", with([](CvoInput &in) { in.header_lines = {"A=1\nB=2"}; }),
         CvoStatus::kBadHeaderLine, ""},
        {"header line of 128",
         with([](CvoInput &in) { in.header_lines = {std::string(128, 'x')}; }),
         CvoStatus::kBadHeaderLine, ""},
        {"second tree prefix", with([](CvoInput &in) {
             in.source_shift = 1;
             in.shifted_records = {{"\x21", {"a"}}, {"\x21\x22", {"b"}}};
         }),
         CvoStatus::kBadKey, "\x21\x22"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        std::string out = "kept";
        const CvoResult result = write_cvo(row.input, out);
        EXPECT_EQ(result.status, row.status) << cvo_status_text(result.status);
        EXPECT_EQ(result.key, row.key);
        EXPECT_EQ(out, "kept");
    }
    // The second tree is not looked at when the source does not shift.
    CvoInput unshifted = with([](CvoInput &in) { in.shifted_records = {{"", {"x"}}}; });
    std::string out;
    EXPECT_EQ(write_cvo(unshifted, out).status, CvoStatus::kOk);
}

TEST(CvoWriter, HeaderAndBodyLinesAsTheLoaderReadsThem) {
    CvoInput input;
    input.records = {{"a", {"A"}}, {"\xC3\xA9", {"\xE9", kCvInexact}}};
    input.target_shift = 3;
    input.special = {"\x1B\x24\x42", "\x1B\x28\x42", "", "\xFF"};
    input.further = {-7, 12};
    input.table_flag = 1;
    input.header_lines = {"GENERATOR=test", "SOURCE=nowhere"};
    const std::vector<std::string> lines = lines_of(cvo_text(input));
    ASSERT_GE(lines.size(), 10U);
    EXPECT_EQ(lines[2], "HEADER_LINES=5");
    EXPECT_EQ(lines[3], "GENERATOR=test");
    EXPECT_EQ(lines[5], "0 3");
    EXPECT_EQ(lines[6],
              "31b2442"
              "31b2842"
              "0"
              "1ff");
    EXPECT_EQ(lines[7], "1 1 -7 12 1 2");
    EXPECT_EQ(lines[8], "1");

    TempDir dir;
    testing::Load load = load_text(dir.path(), cvo_text(input));
    ASSERT_EQ(load.rc, 1);
    const CvDesc &cd = *load.cd;
    EXPECT_EQ(cd.target_shift, 3);
    EXPECT_EQ(cd.special_lengths[0], 3);
    EXPECT_EQ(cd.special_lengths[2], 0);
    EXPECT_EQ(cd.special_lengths[3], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(cd.special[1]), 3), "\x1B\x28\x42");
    EXPECT_EQ(cd.further[0], -7);
    EXPECT_EQ(cd.further[1], 12);
    EXPECT_EQ(cd.table_flag, 1);
    EXPECT_EQ(cd.expansion, cvo_figures(input).expansion);
}

TEST(CvoWriter, TheSmallerTreeFormUnlessOneIsAsked) {
    // Two lead bytes with identical trailing rows: the compressed form
    // shares their arrays and is smaller.
    CvoInput input;
    for (int lead : {0x8E, 0x8F}) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail)
            input.records[std::string{static_cast<char>(lead), static_cast<char>(trail)}] = {"x"};
    }
    input.records["a"] = {"a"};
    const std::string chosen = cvo_text(input);
    input.tree_text = TreeText::kPlain;
    const std::string plain = cvo_text(input);
    input.tree_text = TreeText::kCompressed;
    const std::string compressed = cvo_text(input);
    EXPECT_LT(compressed.size(), plain.size());
    EXPECT_EQ(chosen, compressed);
    // The tree's header line (after the five body lines) names its form.
    EXPECT_EQ(lines_of(plain)[8], "2 1 1 00");
    EXPECT_EQ(lines_of(compressed)[8], "2 1 3 00");

    // Both read back to the same conversions.
    for (const std::string &text : {plain, compressed}) {
        TempDir dir;
        testing::Load load = load_text(dir.path(), text);
        ASSERT_EQ(load.rc, 1);
        const auto done = convert(load.cd.get(),
                                  "\x8E\xA1\x8F\xFE"
                                  "a",
                                  3);
        EXPECT_EQ(done.rc, 0);
        EXPECT_EQ(done.out, "xxa");
    }
}

TEST(CvoWriter, MarksConversionsAndTheNullCharacter) {
    CvoInput input;
    input.records = {{std::string(1, '\0'), {std::string(1, '\0')}},
                     {"a", {"A"}},
                     {"b", {"B", 0, false}},
                     {"c", {"C", kCvTerminator}}};
    TempDir dir;
    testing::Load load = load_text(dir.path(), cvo_text(input));
    ASSERT_EQ(load.rc, 1);
    // The null character ends a terminated input without being told to.
    const std::string nul(1, '\0');
    auto done = convert(load.cd.get(), "a" + nul + "a", 8, nullptr, testing::Input::kTerminated);
    EXPECT_EQ(done.rc, 0);
    EXPECT_EQ(done.out, "A" + nul);
    // A record written as converting nothing is a character without a conversion.
    done = convert(load.cd.get(), "ab", 8);
    EXPECT_EQ(done.rc, -1);
    EXPECT_EQ(done.error, GL_EILSEQ);
    EXPECT_EQ(done.out, "A");
    // The caller's own terminator flag is kept.
    done = convert(load.cd.get(), "aca", 8, nullptr, testing::Input::kTerminated);
    EXPECT_EQ(done.out, "AC");
}

}  // namespace
}  // namespace gls
