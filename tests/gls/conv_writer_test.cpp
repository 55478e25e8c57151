// The conversion-file writer: the figures it works out, what it refuses,
// and the tree form it chooses. What the loader reads back from it is the
// business of every conversion test.
#include <gtest/gtest.h>

#include <string>

#include "gls/conv/writer/cvo_writer.h"
#include "tests/gls/conv_files.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using testing::convert;
using testing::cvo_text;
using testing::load_text;
using velmorad::testing::TempDir;

TEST(CvoWriter, WorksOutLengthsAndTheExpansionFactor) {
    CvoInput mixed;  // a record without a conversion counts for nothing
    mixed.records = {{"a", {"ab"}}, {"\x8E\xA1", {"\xEF\xBD\xA1"}}, {"\x8F", {"1234", 0, false}}};
    CvoInput thirds;  // 4 bytes from 3: no float is exactly 4/3
    thirds.records = {{"\xE3\x81\x82", {std::string("\x30\x42\x00\x00", 4)}}, {"b", {"b"}}};
    CvoInput shifting;  // both shift sequences count against each input byte
    shifting.target_shift = 1;
    shifting.special = {"\x0E", "\x0F", "", ""};
    shifting.records = {{"\xA4\xA2", {"\x24\x22", kCvShiftedOut}}, {"x", {"x"}}};
    CvoInput second;  // the second tree's keys count when the source shifts
    second.source_shift = 1;
    second.records = {{"a", {"a"}}};
    second.shifted_records = {{"\x24\x22\x21", {"\xE3\x81\x82"}}};
    CvoInput overridden = mixed;
    overridden.target_max_len = 4;
    overridden.expansion = 3.5;
    const struct {
        const char *what;
        CvoInput input;
        CvoFigures figures;
    } rows[] = {
        {"mixed", mixed, {1, 2, 2, 3, 2.0F}},           {"thirds", thirds, {1, 3, 1, 4, 0}},
        {"shifting", shifting, {1, 2, 1, 2, 3.0F}},     {"second tree", second, {1, 3, 1, 3, 1.0F}},
        {"overridden", overridden, {1, 2, 2, 4, 3.5F}}, {"empty", CvoInput{}, {1, 1, 1, 1, 1.0F}},
    };
    for (const auto &row : rows) {
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
    // Rounded up, never down, so that a buffer sized by it always suffices.
    const double third = cvo_figures(thirds).expansion;
    EXPECT_GE(third, 4.0 / 3.0);
    EXPECT_LT(third, 4.0 / 3.0 + 1e-6);
}

TEST(CvoWriter, RefusesWhatNoLoaderWouldTake) {
    auto with = [](auto change) {
        CvoInput input;
        input.records = {{"a", {"a"}}, {"b", {"bb"}}};
        change(input);
        return input;
    };
    const struct {
        const char *what;
        CvoInput input;
        CvoStatus status;
        std::string key;
    } rows[] = {
        {"empty key", with([](CvoInput &in) { in.records[""] = {"x"}; }), CvoStatus::kBadKey, ""},
        {"key of 5", with([](CvoInput &in) { in.records["abcde"] = {"x"}; }), CvoStatus::kBadKey,
         "abcde"},
        {"prefix", with([](CvoInput &in) { in.records["ab"] = {"x"}; }), CvoStatus::kBadKey, "ab"},
        {"output over the maximum given", with([](CvoInput &in) { in.target_max_len = 1; }),
         CvoStatus::kOutputTooLong, "b"},
        {"output of 5", with([](CvoInput &in) { in.records["c"] = {"12345"}; }),
         CvoStatus::kOutputTooLong, "c"},
        {"special of 5", with([](CvoInput &in) { in.special[1] = "12345"; }),
         CvoStatus::kBadSpecial, ""},
        {"minimum over maximum", with([](CvoInput &in) { in.source_min_len = 2; }),
         CvoStatus::kBadLength, ""},
        {"factor 17", with([](CvoInput &in) { in.expansion = 17; }), CvoStatus::kBadExpansion, ""},
        {"header line of 128",
         with([](CvoInput &in) { in.header_lines = {std::string(128, 'x')}; }),
         CvoStatus::kBadHeaderLine, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        std::string out = "kept";
        const CvoResult result = write_cvo(row.input, out);
        EXPECT_EQ(result.status, row.status) << cvo_status_text(result.status);
        EXPECT_EQ(result.key, row.key);
        EXPECT_EQ(out, "kept");
    }
}

TEST(CvoWriter, TheSmallerTreeFormUnlessOneIsAsked) {
    // Two lead bytes with the same trailing rows: compressed, they share.
    CvoInput input;
    input.records["a"] = {"a"};
    for (int lead : {0x8E, 0x8F}) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail)
            input.records[std::string{static_cast<char>(lead), static_cast<char>(trail)}] = {"x"};
    }
    const std::string chosen = cvo_text(input);
    input.tree_text = TreeText::kPlain;
    const std::string plain = cvo_text(input);
    input.tree_text = TreeText::kCompressed;
    const std::string compressed = cvo_text(input);
    EXPECT_LT(compressed.size(), plain.size());
    EXPECT_EQ(chosen, compressed);
    for (const std::string &text : {plain, compressed}) {
        TempDir dir;
        testing::Load load = load_text(dir.path(), text);
        ASSERT_EQ(load.rc, kCvLoaded);
        EXPECT_EQ(convert(load.cd.get(), "\x8E\xA1\x8F\xFE", 2).out, "xx");
    }
}

}  // namespace
}  // namespace gls
