// cvcomp as a whole program: hand-written charmaps in, a conversion file
// out, loaded back here with gl_cv_load and driven through gl_miconv.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "gls/conv/conv.h"
#include "gls/names/names.h"
#include "tests/support/bytes.h"
#include "tests/support/owners.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

// tests/fixtures/cli: a single-byte source, src.charmap (0x42 defined twice,
// 0x44 irreversible, 0xFF without a counterpart); a multi-byte target,
// tgt.charmap, declaring more than it holds with U00E9 defined twice; and
// units.charmap, characters of two bytes written low byte first.
std::string charmap(const std::string &name) {
    return testing::source_dir() + "/tests/fixtures/cli/" + name + ".charmap";
}

constexpr uint16_t kSourceNumber = 1000;  // files 03e8...
constexpr uint16_t kTargetNumber = 1001;  // ...03e9
const std::string kLeaf = "03e803e9.cvo";

using DescPtr = gls::testing::CvPtr;

struct Result {
    int status;
    uint32_t error;
    size_t consumed;
    std::string output;
    int inexact;
};

Result convert(gls::CvDesc *cd, const std::string &input, bool terminated = false) {
    std::string out(input.size() * 4 + 4, '\0');
    const auto *in = reinterpret_cast<const unsigned char *>(input.data());
    auto *o = reinterpret_cast<unsigned char *>(out.data());
    size_t in_left = input.size();
    size_t out_left = out.size();
    int inexact = -1;
    const int status =
        gls::gl_miconv(cd, &in, terminated ? nullptr : &in_left, &o, &out_left, &inexact);
    out.resize(out.size() - out_left);
    return {status, cd->error,
            static_cast<size_t>(in - reinterpret_cast<const unsigned char *>(input.data())), out,
            inexact};
}

using testing::entries_of;
using testing::hex;

class Cvcomp : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::make_dirs(out);
        uint32_t error = 0;
        gls::gl_cache_registry(&error, nullptr);  // the built-in table: numbers as numbers
    }
    testing::RunResult run(std::vector<std::string> args, const std::string &cwd = {}) {
        return testing::run_program(CVCOMP_BIN, args, {}, cwd);
    }
    testing::RunResult compile(std::vector<std::string> extra = {},
                               const std::string &source = "src",
                               const std::string &target = "tgt") {
        std::vector<std::string> args = {"--source-number",
                                         std::to_string(kSourceNumber),
                                         "--target-number",
                                         std::to_string(kTargetNumber),
                                         "-o",
                                         out};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(charmap(source));
        args.push_back(charmap(target));
        return run(args);
    }
    DescPtr load(const std::string &dir, uint16_t from = kSourceNumber,
                 uint16_t to = kTargetNumber) {
        gls::CvDesc *cd = nullptr;
        const int status = gls::gl_cv_load(&cd, std::to_string(to).c_str(),
                                           std::to_string(from).c_str(), 0, dir.c_str());
        DescPtr owned(cd);
        EXPECT_EQ(status, gls::kCvLoaded) << (cd != nullptr ? cd->error : 0);
        return status == gls::kCvLoaded ? std::move(owned) : nullptr;
    }

    testing::TempDir root;
    std::string out = root / "out";
};

TEST_F(Cvcomp, WritesTheCanonicalFileThatConvertsAsTheCharmapsSay) {
    testing::RunResult r = compile();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(entries_of(out), std::vector<std::string>{kLeaf});  // no staging left behind
    // A file named by -o holds the same.
    ASSERT_EQ(compile({"-o", out + "/custom.cvo"}).status, 0);
    EXPECT_EQ(testing::read_file(out + "/custom.cvo"), testing::read_file(out + "/" + kLeaf));
    const std::string text = testing::read_file(out + "/" + kLeaf);
    EXPECT_NE(text.find("\nSOURCE=SRC-1\nTARGET=TGT-8\n"), std::string::npos);

    DescPtr cd = load(out);
    ASSERT_TRUE(cd);
    // Lengths are what the charmaps hold, not what they declare.
    EXPECT_EQ(cd->source_min_len, 1);
    EXPECT_EQ(cd->source_max_len, 1);
    EXPECT_EQ(cd->target_min_len, 1);
    EXPECT_EQ(cd->target_max_len, 3);
    // The euro sign makes three bytes of one.
    EXPECT_DOUBLE_EQ(gls::gl_iconv_expansion(cd.get()), 3.0);

    struct Row {
        std::string input;
        int status;
        std::string output;
    };
    const Row rows[] = {
        {"A", 0, "A"},
        {"\x42", 0, "B"},  // the first of the two names of 0x42
        {"\x44", 0, "D"},  // irreversible in the source, still read
        {"\xe9", 0, "\xc3\xa9"},
        {"\x80", 0, "\xe2\x82\xac"},
        {"AB\xe9\x80", 0, "AB\xc3\xa9\xe2\x82\xac"},
        {"\xff", -1, ""},  // the target has no U00FF
        {"\x43", -1, ""},  // not a character of the source
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.input);
        const Result got = convert(cd.get(), row.input);
        EXPECT_EQ(got.status, row.status);
        EXPECT_EQ(got.output, row.output);
        EXPECT_EQ(got.inexact, 0);
        if (row.status != 0) {
            EXPECT_EQ(got.error, gls::GL_EILSEQ);
            EXPECT_EQ(got.consumed, 0u);
        }
    }
    // A terminated input ends after the null character.
    const Result ended = convert(cd.get(), std::string("A\0B", 3), true);
    EXPECT_EQ(ended.status, 0);
    EXPECT_EQ(ended.consumed, 2u);
    EXPECT_EQ(ended.output, std::string("A\0", 2));
}

TEST_F(Cvcomp, SubstituteConvertsWhatTheTargetLacksInexactly) {
    for (const char *name : {"U003F", "<U003F>"}) {
        SCOPED_TRACE(name);
        testing::RunResult r = compile({"--substitute", name});
        ASSERT_EQ(r.status, 0) << r.err;
        DescPtr cd = load(out);
        ASSERT_TRUE(cd);
        const Result missing = convert(cd.get(), "A\xff");
        EXPECT_EQ(missing.status, 0);
        EXPECT_EQ(missing.output, "A?");
        EXPECT_EQ(missing.inexact, 1);
        EXPECT_EQ(convert(cd.get(), "A").inexact, 0);
    }
}

TEST_F(Cvcomp, CodeSetsOfTwoByteUnitsAreWrittenInTheirOwnByteOrder) {
    testing::RunResult to_units = compile({}, "src", "units");
    ASSERT_EQ(to_units.status, 0) << to_units.err;
    DescPtr cd = load(out);
    ASSERT_TRUE(cd);
    EXPECT_EQ(hex(convert(cd.get(), "A\x80").output), "41 00 ac 20");

    const std::string back = root / "back";
    testing::make_dirs(back);
    testing::RunResult from_units = compile({"-o", back}, "units", "src");
    ASSERT_EQ(from_units.status, 0) << from_units.err;
    DescPtr reverse = load(back);
    ASSERT_TRUE(reverse);
    EXPECT_EQ(convert(reverse.get(), std::string("A\0\xac\x20", 4)).output, "A\x80");
}

}  // namespace
}  // namespace velmorad
