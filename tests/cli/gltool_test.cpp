// gltool as a whole program on the build tree's installation: conv beside
// glibc's iconv on real text and on inputs larger than its blocks, its
// failures and -c, the list of conversions, and the dispatcher.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include "tests/support/bytes.h"
#include "tests/support/test_support.h"
#include "tests/tools/shipped.h"

namespace velmorad {
namespace {

using testing::Converted;
using testing::Iconv;
using testing::kUtf8;
using testing::Pair;
using testing::shipped;

testing::RunResult gltool(const std::vector<std::string> &args, const std::string &input = {},
                          const std::string &installation = testing::build_installation()) {
    // gltool may finish (a usage error, a missing conversion) before it has
    // read the input offered; the write into the closed pipe must not end
    // the test.
    std::signal(SIGPIPE, SIG_IGN);
    testing::Environment env;
    if (!installation.empty()) env["VELMORADDIR"] = installation;
    return testing::run_program(GLTOOL_BIN, args, env, {}, input);
}

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
}

TEST(GltoolConv, StopsAtTheFirstCharacterItCannotConvert) {
    struct Row {
        std::vector<std::string> args;
        std::string input;
        std::string output;  // what came before the failure
        std::string message;
    };
    const std::string far(100000, 'a');
    const Row rows[] = {
        {{"-f", "utf8", "-t", "8859-1"},
         "caf\xc3\xa9\n\xe4\xb8\xadx",
         "caf\xe9\n",
         "no mapping from utf8 to 8859-1 for the character at byte offset 6 (bytes e4 b8 ad)"},
        {{"-f", "utf8", "-t", "8859-1"},
         far + "\xe2\x82\xac",
         far,
         "at byte offset 100000 (bytes e2 82 ac)"},
        {{"-f", "utf8", "-t", "koi-8"},
         "ok\xff",
         "ok",
         "invalid utf8 input at byte offset 2 (bytes ff)"},
        {{"-f", "ujis", "-t", "sjis"},
         "\xa4\xa2\x8f\xb0\xa1",
         "\x82\xa0",
         "at byte offset 2 (bytes 8f b0 a1)"},
        {{"-f", "utf8", "-t", "8859-1"},
         "abc\xe4\xb8",
         "abc",
         "incomplete character at the end of the input, at byte offset 3 (bytes e4 b8)"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.message);
        std::vector<std::string> args = {"conv"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        testing::RunResult r = gltool(args, row.input);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out == row.output) << testing::hex(r.out.substr(0, 16));
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    }
}

TEST(GltoolConv, DropLeavesOutWhatCannotBeConvertedAndSaysSo) {
    struct Row {
        std::vector<std::string> args;
        std::string input;
        std::string output;
        std::string message;
    };
    const Row rows[] = {
        {{"-f", "utf8", "-t", "8859-1"},
         "a\xe4\xb8\xad"
         "b\xe2\x82\xac"
         "c\n",
         "abc\n",
         "left out 2 character(s) without a mapping"},
        // A whole character of three bytes goes, not only its first byte.
        {{"-f", "ujis", "-t", "sjis"},
         "\xa4\xa2\x8f\xb0\xa1\xa4\xa4",
         "\x82\xa0\x82\xa2",
         "left out 1 character(s) without a mapping"},
        // Bytes that are no character go one at a time.
        {{"-f", "utf8", "-t", "8859-1"},
         "a\xff\xfe"
         "b",
         "ab",
         "left out 2 byte(s) of invalid input"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.message);
        std::vector<std::string> args = {"conv", "-c"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        testing::RunResult r = gltool(args, row.input);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(testing::hex(r.out), testing::hex(row.output));
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    }
    testing::RunResult clean = gltool({"conv", "-c", "-f", "utf8", "-t", "8859-1"}, "fine\n");
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out, "fine\n");
}

TEST(GltoolConv, ListsEveryConversionOfTheInstallation) {
    testing::RunResult r = gltool({"conv", "-l"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines;
    for (size_t start = 0; start < r.out.size();) {
        const size_t end = r.out.find('\n', start);
        lines.push_back(r.out.substr(start, end - start));
        start = end + 1;
    }
    // Every pair of two shipped code sets: those with a file direct, the
    // others through UTF-8.
    const size_t count = std::size(testing::kShippedCodeSets);
    EXPECT_EQ(lines.size(), count * (count - 1));
    const std::vector<Pair> files = testing::shipped_pairs();
    for (const testing::ShippedCodeSet &from : testing::kShippedCodeSets) {
        for (const testing::ShippedCodeSet &to : testing::kShippedCodeSets) {
            if (from.number == to.number) continue;
            const bool direct = std::any_of(files.begin(), files.end(), [&](const Pair &p) {
                return p.from == from.number && p.to == to.number;
            });
            const std::string pair = std::string(from.charmap) + " (" +
                                     std::to_string(from.number) + ") -> " + to.charmap + " (" +
                                     std::to_string(to.number) + ") ";
            const std::string mark = direct ? "direct" : "via UTF-8 (57372)";
            EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                    [&](const std::string &line) {
                                        return line.rfind(pair, 0) == 0 &&
                                               line.size() >= mark.size() &&
                                               line.compare(line.size() - mark.size(), mark.size(),
                                                            mark) == 0;
                                    }),
                      1)
                << pair << mark;
        }
    }
}

TEST(Gltool, FindsItsInstallationAndReportsWhatIsMissing) {
    // Without VELMORADDIR the program finds the installation it sits in.
    testing::RunResult own = gltool({"conv", "-f", "8859-1", "-t", "utf8"}, "\xe9", "");
    EXPECT_EQ(own.status, 0) << own.err;
    EXPECT_EQ(own.out, "\xc3\xa9");

    // An installation without a registry, with a broken one, with only one.
    testing::TempDir empty;
    const std::string registry = empty / "gls/cm3/registry";
    testing::RunResult unread = gltool({"conv", "-f", "8859-1", "-t", "utf8"}, "x", empty.path());
    EXPECT_EQ(unread.status, 1);
    EXPECT_NE(unread.err.find(registry + ": cannot open"), std::string::npos) << unread.err;
    testing::write_file(registry, "8859-1 819\nutf8 x\n");
    testing::RunResult broken = gltool({"info", "de_DE.8859-1"}, "", empty.path());
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find(registry + ": line 2: expected a code-set name and its number"),
              std::string::npos)
        << broken.err;
    testing::write_file(registry,
                        testing::read_file(testing::build_installation() + "/gls/cm3/registry"));
    testing::RunResult none = gltool({"conv", "-f", "8859-1", "-t", "utf8"}, "x", empty.path());
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("no conversion from 8859-1 to utf8"), std::string::npos) << none.err;
    EXPECT_NE(none.err.find(empty.path() + "/gls/cv9/0333e01c.cvo"), std::string::npos);

    struct Row {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
    };
    const Row rows[] = {
        {{"conv", "-f", "utf8", "-t", "8859-1", "/nonexistent/file"}, 1, "", "/nonexistent/file:"},
        // The same code set under two names: the input is checked.
        {{"conv", "-f", "utf8", "-t", "UTF-8"}, 1, "as ", "invalid utf8 input at byte offset 3"},
        {{"conv", "-f", "8859-1", "-t", "latin1"}, 0, "as \xff it is", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.args.empty() ? "(none)" : row.args.back());
        testing::RunResult r = gltool(row.args, "as \xff it is");
        EXPECT_EQ(r.status, row.status);
        EXPECT_NE(r.out.find(row.out), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace velmorad
