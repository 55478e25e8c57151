// gltool conv beside the iconv program, both as whole programs: every
// unassigned code of each multibyte source left out whole under -c, text
// checked when FROM is TO, and conversions through UTF-8, byte-identical.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "tests/cli/run_gltool.h"
#include "tests/support/bytes.h"
#include "tests/support/test_support.h"
#include "tests/tools/shipped.h"
#include "tools/common/charmap.h"
#include "tools/cvcomp/cvcomp.h"

namespace velmorad {
namespace {

using testing::Converted;
using testing::Iconv;
using testing::kUtf8;
using testing::Pair;
using testing::RunResult;
using testing::shipped;

constexpr const char *kIconv = "/usr/bin/iconv";

using testing::gltool;

// The same conversion by both programs, with -c.
struct Both {
    RunResult ours;
    RunResult theirs;
};
Both convert_dropping(const Pair &pair, const std::string &input,
                      const std::string &installation = testing::build_installation()) {
    return {gltool({"conv", "-c", "-f", shipped(pair.from).name, "-t", shipped(pair.to).name},
                   input, installation),
            testing::run_program(
                kIconv, {"-c", "-f", shipped(pair.from).charmap, "-t", shipped(pair.to).charmap},
                {}, {}, input)};
}

// Where gltool stopped: the offset in "at byte offset N", or -1.
long stopped_at(const RunResult &r) {
    const std::string marker = "at byte offset ";
    const size_t at = r.err.find(marker);
    return at == std::string::npos ? -1 : std::stol(r.err.substr(at + marker.size()));
}

tools::Charmap source_charmap(uint16_t number) {
    tools::Charmap map;
    tools::CharmapError error;
    EXPECT_TRUE(tools::read_charmap(testing::charmap_path(number), &map, &error)) << error.reason;
    return map;
}

// A character of more than one byte that both convert, to follow each
// unassigned code: one that takes a lone first byte for a lead byte pairs
// it with this one's and loses it.
std::string follower(const Pair &pair, const tools::Charmap &source) {
    for (const tools::CharmapEntry &e : source.entries()) {
        if (e.bytes.size() < 2 || e.irreversible) continue;
        const Converted c = Iconv(pair).convert(e.bytes);
        if (c.status == 0 && testing::BuiltConversion(pair).convert(e.bytes).status == 0)
            return e.bytes;
    }
    return {};
}

class UnassignedCodes : public ::testing::TestWithParam<Pair> {};

// iconv -c leaves out an unassigned code of EUC-JP one byte at a time, and
// pairs the rest with what follows; gltool leaves out the whole code there
// too, as for every other code set.
TEST_P(UnassignedCodes, AreLeftOutWholeAsIconvLeavesThemOut) {
    const Pair pair = GetParam();
    const tools::Charmap source = source_charmap(pair.from);
    if (source.max_length() == 1) GTEST_SKIP() << "a single-byte source has no unassigned codes";
    std::vector<std::string> codes;
    ASSERT_TRUE(tools::unassigned_characters(source, &codes));
    ASSERT_FALSE(codes.empty());
    const std::string next = follower(pair, source);
    ASSERT_FALSE(next.empty());
    std::string input;
    for (const std::string &code : codes)
        input += code + next;

    const Both both = convert_dropping(pair, input);
    EXPECT_EQ(both.ours.status, 1);
    EXPECT_NE(both.ours.err.find("left out " + std::to_string(codes.size()) +
                                 " character(s) without a mapping\n"),
              std::string::npos)
        << both.ours.err;
    std::string expected;
    for (size_t i = 0; i < codes.size(); ++i)
        expected += Iconv(pair).convert(next).output;
    EXPECT_TRUE(both.ours.out == expected);
    if (std::string(shipped(pair.from).charmap) == "EUC-JP") {
        EXPECT_FALSE(both.theirs.out == expected);
    } else {
        EXPECT_TRUE(both.ours.out == both.theirs.out);
    }

    // Without -c: the whole first code, and that it has no mapping.
    const RunResult stopped =
        gltool({"conv", "-f", shipped(pair.from).name, "-t", shipped(pair.to).name}, input);
    EXPECT_EQ(stopped.status, 1);
    EXPECT_NE(stopped.err.find("for the character at byte offset 0 (bytes " +
                               testing::hex(codes[0]) + ")"),
              std::string::npos)
        << stopped.err;
}

INSTANTIATE_TEST_SUITE_P(Shipped, UnassignedCodes, ::testing::ValuesIn(testing::shipped_pairs()),
                         [](const auto &info) { return testing::pair_name(info.param); });

TEST(GltoolConv, TextInOneCodeSetIsCheckedAsIconvChecksIt) {
    struct Row {
        uint16_t code_set;
        std::string input;  // holds invalid input
    };
    const Row rows[] = {
        {kUtf8, "ok \xc0\xaf overlong, \xed\xa0\x80 surrogate, \x80 stray, \xfe\xff."},
        {kUtf8, "cut \xe4\xb8 short, \xf0\x9f\x98 and \xe2\x82"},
        {57350, "\x82\xa0\x80\x82\xa2\x81\x20\xa0\xfd"},          // SHIFT_JIS
        {57357, "\xb0\xa1\xa1\x41\xb0\xa2\xff\xb0"},              // GB2312
        {57356, "\xb0\xa1\xa0\xb0\xa2\xa1\xff"},                  // EUC-KR
        {57352, "\xa4\x40\xa4\x7f\xa4\x41\x80\xa4"},              // BIG5
        {57351, "\xa4\xa2\x8e\xe0\xa4\xa4\x8f\xb0\x41\xa4\xa6"},  // EUC-JP
        {1252, "a\x81z\x8d\x8f\x90\x9d end"},                     // CP1252's holes
        {916, "shalom \xa1 \xfb"},                                // ISO-8859-8's holes
    };
    for (const Row &row : rows) {
        const Pair same{row.code_set, row.code_set};
        SCOPED_TRACE(std::string(shipped(row.code_set).name) + ": " + testing::hex(row.input));
        const Both both = convert_dropping(same, row.input);
        EXPECT_EQ(both.ours.status, 1);
        EXPECT_EQ(testing::hex(both.ours.out), testing::hex(both.theirs.out));

        const RunResult stopped =
            gltool({"conv", "-f", shipped(row.code_set).name, "-t", shipped(row.code_set).name},
                   row.input);
        const Converted want = Iconv(same).convert(row.input);
        EXPECT_EQ(stopped.status, 1);
        EXPECT_NE(stopped.err.find(std::string("invalid ") + shipped(row.code_set).name + " input"),
                  std::string::npos)
            << stopped.err;
        EXPECT_EQ(stopped_at(stopped), static_cast<long>(want.consumed)) << stopped.err;
        EXPECT_TRUE(stopped.out == row.input.substr(0, want.consumed));
    }
}

// Pairs without a file of their own go through UTF-8, streaming, with -c
// and the offsets of failures about the input.
TEST(GltoolConv, PairsWithoutAFileGoThroughUtf8AsIconvConverts) {
    // The direct file from KOI8-R to ISO-8859-5 taken away.
    testing::TempDir without_direct;
    testing::make_installation(without_direct.path());
    ASSERT_EQ(unlink((without_direct / "gls/cv9/036e0393.cvo").c_str()), 0);
    const std::string listed = gltool({"conv", "-l"}, "", without_direct.path()).out;
    const size_t line = listed.find("KOI8-R (878) -> ISO-8859-5 (915) ");
    ASSERT_NE(line, std::string::npos);
    EXPECT_EQ(listed.substr(listed.find(" via ", line), 19), " via UTF-8 (57372)\n");

    std::string every_byte;
    for (int b = 1; b < 256; ++b)
        every_byte += static_cast<char>(b);
    std::string sjis_repertoire;
    const tools::Charmap sjis = source_charmap(57350);
    for (const tools::CharmapEntry &e : sjis.entries()) {
        if (!e.irreversible && e.bytes != std::string(1, '\0')) sjis_repertoire += e.bytes;
    }
    struct Row {
        Pair pair;
        std::string input;
        std::string installation;
    };
    const Row rows[] = {
        {{819, 912}, every_byte, testing::build_installation()},
        {{878, 915}, every_byte, without_direct.path()},
        {{57350, 57352}, sjis_repertoire, testing::build_installation()},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::pair_name(row.pair));
        const Both both = convert_dropping(row.pair, row.input, row.installation);
        EXPECT_EQ(both.ours.status, 1) << both.ours.err;
        EXPECT_FALSE(both.theirs.out.empty());
        EXPECT_TRUE(both.ours.out == both.theirs.out);

        const RunResult stopped =
            gltool({"conv", "-f", shipped(row.pair.from).name, "-t", shipped(row.pair.to).name},
                   row.input, row.installation);
        const Converted want = Iconv(row.pair).convert(row.input);
        EXPECT_EQ(stopped.status, 1);
        EXPECT_NE(stopped.err.find("no mapping from"), std::string::npos) << stopped.err;
        EXPECT_EQ(stopped_at(stopped), static_cast<long>(want.consumed)) << stopped.err;
        EXPECT_TRUE(stopped.out == want.output);
    }
}

}  // namespace
}  // namespace velmorad
