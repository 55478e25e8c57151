// gltool as a whole program on the build tree's installation: conv beside
// glibc's iconv on real text and on inputs larger than its blocks, sort
// beside the library's own comparison, and the date now. Its other
// behaviour is in the rows of tests/fixtures/cli/gltool.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "gls/chars/chars.h"
#include "gls/names/names.h"
#include "gls/util/util.h"
#include "tests/cli/run_gltool.h"
#include "tests/support/bytes.h"
#include "tests/support/rest_locales.h"
#include "tests/support/test_support.h"
#include "tests/tools/shipped.h"

namespace velmorad {
namespace {

using testing::Converted;
using testing::Iconv;
using testing::kUtf8;
using testing::Pair;
using testing::shipped;

using testing::gltool;

std::string repeated(const std::string &text, size_t at_least) {
    std::string out;
    while (out.size() < at_least)
        out += text;
    return out;
}

TEST(GltoolConv, ConvertsRealTextAsIconvDoesAndBack) {
    testing::TempDir dir;
    for (const testing::SampleText &sample : testing::sample_texts()) {
        for (uint16_t code_set : sample.code_sets) {
            SCOPED_TRACE(std::string(sample.script) + " in " + shipped(code_set).name);
            const Converted expected = Iconv(Pair{kUtf8, code_set}).convert(sample.text);
            ASSERT_EQ(expected.status, 0);
            // Names one way, numbers the other; the file from a path.
            testing::RunResult there =
                gltool({"conv", "-f", "utf8", "-t", shipped(code_set).name}, sample.text);
            EXPECT_EQ(there.status, 0) << there.err;
            EXPECT_EQ(testing::hex(there.out), testing::hex(expected.output));
            testing::write_file(dir / "text", there.out);
            testing::RunResult back = gltool({"conv", "-f", std::to_string(code_set), "-t",
                                              std::to_string(kUtf8), dir / "text"});
            EXPECT_EQ(back.status, 0) << back.err;
            EXPECT_EQ(back.out, sample.text);
        }
    }
}

// Much more than one block, so that characters of every length straddle
// the block boundaries.
TEST(GltoolConv, StreamsLargeInputsAcrossBlockBoundaries) {
    const testing::SampleText *japanese = nullptr;
    for (const testing::SampleText &s : testing::sample_texts()) {
        if (std::string(s.script) == "Japanese") japanese = &s;
    }
    ASSERT_NE(japanese, nullptr);
    const std::string text = repeated("x" + japanese->text, 300 * 1024);
    const Pair pairs[] = {
        {kUtf8, 57351}, {kUtf8, 57350}, {57351, 57350}, {57350, 57351}, {57351, kUtf8}};
    for (const Pair &pair : pairs) {
        SCOPED_TRACE(testing::pair_name(pair));
        const std::string input =
            pair.from == kUtf8 ? text : Iconv(Pair{kUtf8, pair.from}).convert(text).output;
        const Converted expected = Iconv(pair).convert(input);
        ASSERT_EQ(expected.status, 0);
        testing::RunResult r =
            gltool({"conv", "-f", shipped(pair.from).name, "-t", shipped(pair.to).name}, input);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.size(), expected.output.size());
        EXPECT_TRUE(r.out == expected.output);
    }
    // A failure far past the first block is named at its offset.
    const std::string far(100000, 'a');
    const testing::RunResult r =
        gltool({"conv", "-f", "utf8", "-t", "8859-1"}, far + "\xe2\x82\xac");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out == far);
    EXPECT_NE(r.err.find("at byte offset 100000 (bytes e2 82 ac)"), std::string::npos) << r.err;
}

TEST(GltoolSort, OrdersAsTheLocalesComparisonDoesFromFilesAndStandardInput) {
    testing::TempDir dir;
    for (const testing::FixtureRow &row : testing::fixture_rows("cli/sort")) {
        SCOPED_TRACE(row.where);
        const std::string &spec = row.fields[0];
        const std::vector<std::string> lines(row.fields.begin() + 1, row.fields.end());
        auto loc = testing::load_locale(testing::locale_file_name(spec));
        ASSERT_EQ(loc->error, 0u);
        std::vector<std::string> expected = lines;
        std::stable_sort(
            expected.begin(), expected.end(), [&](const std::string &a, const std::string &b) {
                return loc->primitives.mbscoll(
                           loc.get(), reinterpret_cast<const unsigned char *>(a.c_str()),
                           reinterpret_cast<const unsigned char *>(b.c_str())) < 0;
            });
        std::string input;
        for (const std::string &line : lines)
            input += line + "\n";
        std::string want;
        for (const std::string &line : expected)
            want += line + "\n";

        testing::RunResult piped = gltool({"sort", spec}, input);
        EXPECT_EQ(piped.status, 0) << piped.err;
        EXPECT_EQ(piped.out, want);
        // From a file whose last line has no newline: it still ends one.
        testing::write_file(dir / "lines", input.substr(0, input.size() - 1));
        testing::RunResult filed = gltool({"sort", spec, dir / "lines"});
        EXPECT_EQ(filed.status, 0) << filed.err;
        EXPECT_EQ(filed.out, want);
    }
    testing::RunResult empty = gltool({"sort", "en_US.8859-1"}, "");
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(empty.out, "");
}

// Now, in UTC: this year (unless the year turned during the run).
TEST(GltoolDate, FormatsTheTimeNow) {
    const time_t before = time(nullptr);
    const testing::RunResult r = gltool({"date", "-u", "de_DE.utf8", "%Y"});
    struct tm tm {};
    gmtime_r(&before, &tm);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::to_string(tm.tm_year + 1900) + "\n");
}

}  // namespace
}  // namespace velmorad
