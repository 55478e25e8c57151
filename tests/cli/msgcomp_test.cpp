// msgcomp as a whole program: sources in, message files out, and the
// catalogue reading back what it wrote.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "msg/msg.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

class Msgcomp : public ::testing::Test {
  protected:
    testing::RunResult compile(const std::string &source) {
        testing::write_file(root / "in.msg", source);
        testing::make_dirs(out);
        return testing::run_program(MSGCOMP_BIN, {"-o", out, root / "in.msg"}, {});
    }
    bool exists(const std::string &leaf) {
        struct stat st;
        return stat((out + "/" + leaf).c_str(), &st) == 0;
    }
    testing::TempDir root;
    std::string out = root / "inst/msg/en_us/0333";
};

TEST_F(Msgcomp, WritesFilesThatTheCatalogueReads) {
    testing::RunResult r = compile(
        "# comment\n"
        "-33523 \"  %s, line %d: unknown\\n\"\n"
        "   \" (continued)\\t\\x41\\101\\\\\"\n"
        "32766 \"Number %d?\\n\"\n"
        "-1211 \"Out of memory.\\n\"  # trailing comment\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(exists("envcheck.tmf"));
    EXPECT_TRUE(exists("msgsvc.tmf"));
    EXPECT_TRUE(exists("os.tmf"));
    EXPECT_FALSE(exists("gls.tmf"));
    // Numbers that fit 16 bits make the short format.
    EXPECT_EQ(testing::read_file(out + "/os.tmf").substr(0, 2), "\xFE\x68");
    EXPECT_EQ(testing::read_file(out + "/envcheck.tmf").substr(0, 2), "\xFE\x69");

    setenv("VELMORADDIR", (root / "inst").c_str(), 1);
    char buf[512];
    int len = 0;
    ASSERT_EQ(rgetlmsg(-33523, buf, sizeof buf, &len), 0);
    EXPECT_STREQ(buf, "  %s, line %d: unknown\n (continued)\tAA\\");
    ASSERT_EQ(rgetlmsg(-1211, buf, sizeof buf, &len), 0);
    EXPECT_STREQ(buf, "Out of memory.\n");

    // A text longer than a message file holds (its other faults are rows
    // of tests/fixtures/cli/compilers).
    r = compile("-1 \"" + std::string(40000, 'x') + "\"\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("in.msg:1: text of 40000 bytes is too long"), std::string::npos) << r.err;
}

TEST_F(Msgcomp, ProductSourcesCompileAndCoverEveryNumberTheProgramPrints) {
    std::string src = testing::source_dir() + "/data/messages/";
    testing::make_dirs(out);
    testing::RunResult r = testing::run_program(
        MSGCOMP_BIN,
        {"-o", out, src + "envcheck.msg", src + "gls.msg", src + "msgsvc.msg", src + "os.msg"}, {});
    ASSERT_EQ(r.status, 0) << r.err;
    setenv("VELMORADDIR", (root / "inst").c_str(), 1);
    setenv("DBLANG", kEnglishLocale, 1);  // no retry: the file itself must hold each one
    struct Row {
        int number;
        MsgArgs args;
    };
    const Row rows[] = {
        {-33518, MsgArgs::kString}, {-33519, MsgArgs::kString}, {-33520, MsgArgs::kString},
        {-33521, MsgArgs::kNone},   {-33522, MsgArgs::kNone},   {-33523, MsgArgs::kStringInt},
        {-1211, MsgArgs::kNone},    {32765, MsgArgs::kString},  {32766, MsgArgs::kInt},
        {-23101, MsgArgs::kNone},   {-23115, MsgArgs::kNone},   {-34394, MsgArgs::kNone},
        {-1212, MsgArgs::kNone},    {-1276, MsgArgs::kNone}};
    for (const Row &row : rows) {
        char buf[512];
        int len = 0;
        EXPECT_EQ(rgetlmsg(row.number, buf, sizeof buf, &len), 0) << row.number;
        EXPECT_TRUE(msg_format_fits(buf, row.args)) << row.number << ": " << buf;
    }
}

}  // namespace
}  // namespace velmorad
