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

// A single-byte source; 0x42 is defined twice and reads as its first
// definition, 0x44 is read only (irreversible), 0xFF has no counterpart.
const std::string kSource =
    "<code_set_name> SRC-1\n"
    "<comment_char> %\n"
    "<escape_char> /\n"
    "% alias SRC-ALIAS\n"
    "CHARMAP\n"
    "<U0000> /x00\n"
    "<U0041> /x41\n"
    "<U0042> /x42\n"
    "<U0043> /x42\n"
    "%IRREVERSIBLE%<U0044> /x44\n"
    "<U00E9> /xe9\n"
    "<U20AC> /x80\n"
    "<U00FF> /xff\n"
    "END CHARMAP\n";

// A multi-byte target declaring more than it holds; U00E9 is defined twice
// and written as its first definition.
const std::string kTarget =
    "<code_set_name> TGT-8\n"
    "<comment_char> %\n"
    "<escape_char> /\n"
    "<mb_cur_max> 6\n"
    "% alias TGT-ALIAS\n"
    "CHARMAP\n"
    "<U0000> /x00\n"
    "<U0041> /x41\n"
    "<U0042> /x42\n"
    "<U0043> /x43\n"
    "<U0044> /x44\n"
    "<U003F> /x3f\n"
    "<U00E9> /xc3/xa9\n"
    "<U00E9> /xc3/xaa\n"
    "<U20AC> /xe2/x82/xac\n"
    "END CHARMAP\n";

// Characters of two bytes each, written low byte first.
const std::string kUnits =
    "<code_set_name> UNITS\n"
    "<escape_char> /\n"
    "CHARMAP\n"
    "<U0000> /x00/x00\n"
    "<U0041> /x41/x00\n"
    "<U20AC> /xac/x20\n"
    "END CHARMAP\n";

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
        testing::write_file(root / "src", kSource);
        testing::write_file(root / "tgt", kTarget);
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
        args.push_back(root / source);
        args.push_back(root / target);
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

TEST_F(Cvcomp, OutputGoesToTheFileNamedOrTheCurrentDirectory) {
    testing::RunResult named = compile({"-o", out + "/custom.cvo"});
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(entries_of(out), std::vector<std::string>{"custom.cvo"});

    testing::RunResult here = run(
        {"--source-number", "1000", "--target-number", "1001", root / "src", root / "tgt"}, out);
    ASSERT_EQ(here.status, 0) << here.err;
    EXPECT_EQ(entries_of(out), (std::vector<std::string>{kLeaf, "custom.cvo"}));
    EXPECT_EQ(testing::read_file(out + "/custom.cvo"), testing::read_file(out + "/" + kLeaf));
}

TEST_F(Cvcomp, NumbersComeFromTheRegistryByNameOrAlias) {
    // The target is known by its alias only.
    testing::write_file(root / "registry", "src-1 1000\ntgt-alias 1001\n");
    testing::RunResult r =
        run({"--registry", root / "registry", "-o", out, root / "src", root / "tgt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(entries_of(out), std::vector<std::string>{kLeaf});

    // Without --registry and VELMORADDIR: the registry of the installation
    // the program sits in, which knows the charmaps' own names.
    testing::RunResult system = run(
        {"-o", out, "/usr/share/i18n/charmaps/ISO-8859-1.gz", "/usr/share/i18n/charmaps/UTF-8.gz"});
    ASSERT_EQ(system.status, 0) << system.err;
    EXPECT_EQ(entries_of(out), (std::vector<std::string>{"0333e01c.cvo", kLeaf}));
}

TEST_F(Cvcomp, CodeSetsOfTwoByteUnitsAreWrittenInTheirOwnByteOrder) {
    testing::write_file(root / "units", kUnits);
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

TEST_F(Cvcomp, FaultsAreReportedAndLeaveTheOldFileAlone) {
    struct Row {
        std::string source;
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::string bad_line = "<escape_char> /\nCHARMAP\n<U0041> /x41\n<U0042> x42\n";
    const std::string prefix =
        "<escape_char> /\nCHARMAP\n<U0041> /x41\n<U0042> /x41/x42\nEND CHARMAP\n";
    const Row rows[] = {
        {bad_line, {}, 1, "/src:4: expected the bytes"},
        {prefix, {}, 1, "/src:4: the bytes /x41/x42 of <U0042> begin with those of <U0041>"},
        {kSource, {"--substitute", "U2603"}, 1, "<U2603> is not a character"},
        {kSource, {"--source-number", "1001"}, 1, "the same code set (1001)"},
        {kSource, {"--source-number", "57344"}, 1, "not from 1 to 65535"},
        {kSource, {"--source-number", "x"}, 1, "not from 1 to 65535"},
    };
    const std::string old_content = "an earlier conversion file\n";
    for (const Row &row : rows) {
        SCOPED_TRACE(row.message);
        testing::write_file(root / "src", row.source);
        testing::write_file(out + "/" + kLeaf, old_content);
        testing::RunResult r = compile(row.args);
        EXPECT_EQ(r.status, row.status);
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
        EXPECT_EQ(entries_of(out), std::vector<std::string>{kLeaf});
        EXPECT_EQ(testing::read_file(out + "/" + kLeaf), old_content);
    }

    testing::RunResult unknown = run({"--registry", root / "missing", root / "src", root / "tgt"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("/missing: cannot open"), std::string::npos) << unknown.err;

    testing::write_file(root / "registry", "other 5\n");
    testing::RunResult nameless =
        run({"--registry", root / "registry", "-o", out, root / "src", root / "tgt"});
    EXPECT_EQ(nameless.status, 1);
    EXPECT_NE(nameless.err.find("has no number for code set \"SRC-1\""), std::string::npos)
        << nameless.err;

    testing::RunResult absent = run({root / "nothing", root / "tgt"});
    EXPECT_EQ(absent.status, 1);
    EXPECT_NE(absent.err.find("/nothing: cannot open"), std::string::npos) << absent.err;
}

}  // namespace
}  // namespace velmorad
