// The conversion-file writer: the figures it works out and what it refuses,
// as rows of tests/fixtures/gls/conv_writes, and the tree form it chooses.
// What the loader reads back from it is the business of every conversion test.
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

// The rows of tests/fixtures/gls/conv_writes.
TEST(CvoWriter, FiguresAndRefusals) {
    for (const auto &row : velmorad::testing::fixture_rows("gls/conv_writes")) {
        const auto &f = row.fields;
        SCOPED_TRACE(row.where + ": " + f.at(0));
        const CvoInput input = testing::fixture_input(f[0]);
        if (f.at(1) == "refused") {
            std::string out = "kept";
            const CvoResult result = write_cvo(input, out);
            EXPECT_STREQ(cvo_status_text(result.status), f.at(2).c_str());
            EXPECT_EQ(result.key, f.at(3));
            EXPECT_EQ(out, "kept");
            continue;
        }
        const CvoFigures figures = cvo_figures(input);
        EXPECT_EQ(std::to_string(figures.source_min_len) + " " +
                      std::to_string(figures.source_max_len) + " " +
                      std::to_string(figures.target_min_len) + " " +
                      std::to_string(figures.target_max_len),
                  f[1]);
        // Rounded up, never down, so that a buffer sized by it always suffices.
        EXPECT_EQ(figures.expansion, std::stof(f.at(2)));
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
