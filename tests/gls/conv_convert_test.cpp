// The edges of every converter family, one case a row of conv_cases over
// the maps of conv_maps (the shipped files meet iconv in tests/tools); then the writer.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "gls/conv/conv.h"
#include "gls/conv/writer/cvo_writer.h"
#include "tests/gls/conv_files.h"
#include "tests/support/bytes.h"
#include "tests/support/conv_errors.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using testing::convert;
using testing::Converted;
using testing::cvo_text;
using testing::error_named;
using testing::Input;
using testing::Load;
using testing::Output;
using velmorad::testing::hex;
using velmorad::testing::TempDir;

// The number after a word of the "after" column, or -1 without the word.
long after(const std::string &column, const std::string &word) {
    std::istringstream in(column);
    for (std::string w; in >> w;) {
        long n = -1;
        if (w == word && in >> n) return n;
    }
    return -1;
}

TEST(Converters, CasesOfTheFixture) {
    TempDir dir;
    std::map<std::string, Load> loaded;
    for (const auto &row : velmorad::testing::fixture_rows("gls/conv_cases")) {
        const auto &f = row.fields;
        ASSERT_EQ(f.size(), 9U) << row.where;
        SCOPED_TRACE(row.where + ": " + f[1]);
        auto [it, fresh] = loaded.try_emplace(f[0]);
        if (fresh)
            it->second = testing::load_text(dir / f[0], cvo_text(testing::fixture_input(f[0])));
        ASSERT_EQ(it->second.rc, kCvLoaded);
        const std::string &call = f[4];
        const size_t room = std::stoul(f[3]);
        CvState state{1, call == "closed" ? 1U : 0U, 0, 0};
        const Converted got = convert(it->second.cd.get(), f[2], room,
                                      call == "closed" || call == "open" ? &state : nullptr,
                                      call == "terminated" ? Input::kTerminated : Input::kCounted,
                                      call == "measure" ? Output::kMeasure : Output::kWrite);
        const uint32_t error = error_named(f[5]);
        EXPECT_EQ(got.rc, error == 0 ? 0 : -1);
        if (error != 0) {
            EXPECT_EQ(got.error, error);
        }
        if (call == "measure") {
            EXPECT_EQ(got.out_left, room - f[6].size());
        } else {
            EXPECT_EQ(hex(got.out), hex(f[6]));
        }
        EXPECT_EQ(got.in_used, std::stoul(f[7]));
        EXPECT_EQ(got.inexact, f[8] == "inexact" ? 1 : 0);
        if (after(f[8], "selector") >= 0) {
            EXPECT_EQ(static_cast<long>(state.selector), after(f[8], "selector"));
        }
        if (after(f[8], "shifted") >= 0) {
            EXPECT_EQ(static_cast<long>(state.shifted), after(f[8], "shifted"));
        }
    }
}

// A text cut anywhere, converted in two calls carrying the state, gives the
// bytes of one call; a cut character's bytes stay with the caller.
TEST(Converters, TwoCallsCarryTheShiftState) {
    TempDir dir;
    Load load = testing::load_text(dir.path(), cvo_text(testing::fixture_input("shift")));
    ASSERT_EQ(load.rc, kCvLoaded);
    CvDesc *cd = load.cd.get();
    const std::string whole =
        "a\x0E$+$J\x0F"
        "b\x0E$+";
    const std::string expected = "a\x1B$B0102\x1B(Bb\x1B$B01\x1B(B";
    for (size_t split = 0; split <= whole.size(); ++split) {
        SCOPED_TRACE(split);
        CvState state{1, 0, 0, 0};
        const Converted first = convert(cd, whole.substr(0, split), 32, &state);
        if (first.rc != 0) {
            EXPECT_EQ(first.error, GL_EINVAL);
            EXPECT_EQ(first.in_used, split - 1);
        }
        state.reset = 0;
        state.close = 1;
        const Converted second = convert(cd, whole.substr(first.in_used), 32, &state);
        // With nothing left, the second call returns at once, leaving the output open.
        const bool nothing_left = first.in_used == whole.size();
        EXPECT_EQ(first.out + second.out + (nothing_left ? "\x1B(B" : ""), expected);
        EXPECT_EQ(state.shifted, nothing_left ? 1U : 0U);
    }
    // A reset forgets the shifted input: double-byte characters are no
    // characters of the first tree.
    CvState state{1, 0, 0, 0};
    ASSERT_EQ(convert(cd, "\x0E", 4, &state).rc, 0);
    EXPECT_EQ(convert(cd, "$+", 8, &state).error, GL_EILSEQ);
    EXPECT_EQ(state.selector, 0U);

    // Measuring without an output pointer at all; null arguments refused.
    const unsigned char text[] = {'a', 0x0E, '$', '+'};
    const unsigned char *in = text;
    size_t in_left = sizeof text;
    size_t out_left = 9;
    EXPECT_EQ(gl_mconvlen(cd, &in, &in_left, &out_left, nullptr), 0);
    EXPECT_EQ(out_left, 0U);
    EXPECT_EQ(gl_mconvlen(cd, nullptr, &in_left, &out_left, nullptr), -1);
    EXPECT_EQ(cd->error, GL_ENULLARG);
}

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
    // Either form reads back through the tree reader (tree_read_test).
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
}

}  // namespace
}  // namespace gls
