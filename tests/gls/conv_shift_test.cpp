// The shift-state converter: a source whose shift-out and shift-in bytes
// switch between its two trees, converted to a target that enters and
// leaves its shifted set with escape sequences, in one call or in several
// that carry the caller's state.
#include <gtest/gtest.h>

#include <string>

#include "gls/conv/conv.h"
#include "tests/gls/conv_files.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using testing::convert;
using testing::Converted;
using testing::cvo_text;
using testing::expect_outcome;
using testing::Input;
using testing::Load;
using testing::load_text;
using testing::Outcome;
using testing::Output;
using velmorad::testing::TempDir;

const std::string kNul(1, '\0');
const std::string kSo = "\x0E";  // source: into the double-byte set
const std::string kSi = "\x0F";  // source: back to single bytes
const std::string kEnter = "\x1B$B";
const std::string kLeave = "\x1B(B";
// Two double-byte characters of the source, and what they become.
const std::string kKa = "\x24\x2B";
const std::string kNa = "\x24\x4A";
const std::string kKaOut = "\x30\x31";
const std::string kNaOut = "\x30\x32";
// A double-byte character whose record has its bytes but says "no conversion".
const std::string kNo = "\x24\x4B";

class ShiftState : public ::testing::Test {
  protected:
    void SetUp() override {
        CvoInput input;
        input.source_shift = 1;
        input.target_shift = 1;
        input.special = {kEnter, kLeave, "", ""};
        input.records = {{kNul, {kNul}},
                         {"a", {"a"}},
                         {"b", {"b"}},
                         {kSo, {"", kCvSwitchInput}},
                         {"\x7E", {"~", kCvInexact}}};
        input.shifted_records = {{kKa, {kKaOut, kCvShiftedOut}},
                                 {kNa, {kNaOut, kCvShiftedOut}},
                                 {kNo, {"\x30\x33", kCvShiftedOut, false}},
                                 {kSi, {"", kCvSwitchInput}}};
        load = load_text(dir.path(), cvo_text(input));
        ASSERT_EQ(load.rc, kCvLoaded);
        cd = load.cd.get();
    }

    TempDir dir;
    Load load;
    CvDesc *cd = nullptr;
};

TEST_F(ShiftState, EntersAndLeavesTheShiftedSet) {
    struct Row {
        const char *what;
        std::string input;
        uint32_t close;
        std::string out;
        uint32_t selector;  // afterwards
        uint32_t shifted;
    };
    const Row rows[] = {
        {"in and out", "a" + kSo + kKa + kNa + kSi + "b", 1,
         "a" + kEnter + kKaOut + kNaOut + kLeave + "b", 0, 0},
        {"ending shifted, closed", "a" + kSo + kKa, 1, "a" + kEnter + kKaOut + kLeave, 1, 0},
        {"ending shifted, left open", "a" + kSo + kKa, 0, "a" + kEnter + kKaOut, 1, 1},
        {"ending on the source's shift-in", kSo + kKa + kSi, 1, kEnter + kKaOut + kLeave, 0, 0},
        {"never shifted", "ab", 1, "ab", 0, 0},
        {"shift bytes alone", kSo + kSi + kSo, 1, "", 1, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        CvState state{1, row.close, 0, 0};
        const Converted done = convert(cd, row.input, row.out.size(), &state);
        EXPECT_EQ(done.rc, 0);
        EXPECT_EQ(done.out, row.out);
        EXPECT_EQ(done.in_used, row.input.size());
        EXPECT_EQ(state.selector, row.selector);
        EXPECT_EQ(state.shifted, row.shifted);
        EXPECT_EQ(state.reset, 1U);  // the caller's to clear
        // Without a state the call starts afresh and closes.
        if (row.close == 1) {
            EXPECT_EQ(convert(cd, row.input, row.out.size()).out, row.out);
        }
    }
}

TEST_F(ShiftState, TwoCallsCarryTheState) {
    const std::string whole = "a" + kSo + kKa + kNa + kSi + "b" + kSo + kKa;
    const std::string expected =
        "a" + kEnter + kKaOut + kNaOut + kLeave + "b" + kEnter + kKaOut + kLeave;
    for (size_t split = 0; split <= whole.size(); ++split) {
        SCOPED_TRACE(split);
        CvState state{1, 0, 0, 0};
        const Converted first = convert(cd, whole.substr(0, split), 32, &state);
        // A block may end inside a character: the caller keeps its bytes
        // for the next call, from where the pointer stopped.
        if (first.rc != 0) {
            EXPECT_EQ(first.error, GL_EINVAL);
            EXPECT_EQ(first.in_used, split - 1);
        }
        state.reset = 0;
        state.close = 1;
        const Converted second = convert(cd, whole.substr(first.in_used), 32, &state);
        if (first.in_used == whole.size()) {
            // Nothing left to convert: the call returns at once and the
            // output stays open.
            EXPECT_EQ(first.out + second.out + kLeave, expected);
            EXPECT_EQ(state.shifted, 1U);
        } else {
            ASSERT_EQ(second.rc, 0);
            EXPECT_EQ(first.out + second.out, expected);
            EXPECT_EQ(state.shifted, 0U);
        }
    }
    // A reset forgets the shifted input: double-byte characters are no
    // characters of the first tree.
    CvState state{1, 0, 0, 0};
    ASSERT_EQ(convert(cd, kSo, 4, &state).rc, 0);
    EXPECT_EQ(state.selector, 1U);
    const Converted again = convert(cd, kKa, 8, &state);
    EXPECT_EQ(again.rc, -1);
    EXPECT_EQ(again.error, GL_EILSEQ);
    EXPECT_EQ(state.selector, 0U);
}

TEST_F(ShiftState, RoomCountsTheShiftSequences) {
    struct Row {
        const char *what;
        std::string input;
        size_t room;
        std::string out;
        size_t in_used;
        uint32_t shifted;  // afterwards
    };
    const Row rows[] = {
        // The character fits but not the sequence before it: nothing of it is written.
        {"no room to enter", "a" + kSo + kKa, 4, "a", 2, 0},
        {"room for all", "a" + kSo + kKa, 9, "a" + kEnter + kKaOut + kLeave, 4, 0},
        // The last character needs the closing sequence after it.
        {"no room to close", kSo + kKa + kNa, 9, kEnter + kKaOut, 3, 1},
        {"no room to leave", kSo + kKa + kSi + "b", 7, kEnter + kKaOut, 3, 1},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        CvState state{1, 1, 0, 0};
        const Converted done = convert(cd, row.input, row.room, &state);
        EXPECT_EQ(done.out, row.out);
        EXPECT_EQ(done.in_used, row.in_used);
        EXPECT_EQ(state.shifted, row.shifted);
        if (row.in_used < row.input.size()) {
            EXPECT_EQ(done.rc, -1);
            EXPECT_EQ(done.error, GL_E2BIG);
            // Carrying on from the failure with room enough finishes the job.
            state.reset = 0;
            const Converted rest = convert(cd, row.input.substr(row.in_used), 32, &state);
            EXPECT_EQ(rest.rc, 0);
            EXPECT_EQ(row.out + rest.out, convert(cd, row.input, 32).out);
        }
        const Converted measured =
            convert(cd, row.input, row.room, nullptr, Input::kCounted, Output::kMeasure);
        EXPECT_EQ(measured.in_used, row.in_used);
        EXPECT_EQ(measured.out_left, row.room - row.out.size());
    }
}

TEST_F(ShiftState, FailuresAndTheTerminator) {
    const struct {
        const char *what;
        std::string input;
        Outcome want;
        Input kind = Input::kCounted;
    } rows[] = {
        {"cut in the shifted set", "a" + kSo + kKa.substr(0, 1), {-1, GL_EINVAL, "a", 2}},
        {"unknown in the shifted set", kSo + "\x7F\x7F", {-1, GL_EILSEQ, "", 1}},
        {"no conversion in the shifted set", kSo + kNo + kNa, {-1, GL_EILSEQ, "", 1}},
        {"inexact", "~a", {0, 0, "~a", 2, 1}},
        {"terminated",
         "a" + kSo + kKa + kSi + kNul + "b",
         {0, 0, "a" + kEnter + kKaOut + kLeave + kNul, 6},
         Input::kTerminated},
        // A zero byte inside the shifted set ends the input there too.
        {"terminated inside a character",
         kSo + kKa.substr(0, 1) + kNul,
         {-1, GL_EILSEQ, "", 1},
         Input::kTerminated},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const std::string given =
            row.kind == Input::kCounted ? row.input : row.input.substr(0, row.input.find('\0') + 1);
        expect_outcome(convert(cd, given, 16, nullptr, row.kind), row.want);
    }
}

}  // namespace
}  // namespace gls
