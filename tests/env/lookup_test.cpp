// Look-up through the process environment and the configuration files, as
// the first look-up of a process builds the table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "env/env.h"
#include "os_layer/os_layer.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

class Lookup : public ::testing::Test {
  protected:
    void SetUp() override { setenv("VELMORADDIR", inst.path().c_str(), 1); }
    void system_file(const std::string &content) {
        testing::write_file(inst / "etc/velmorad.rc", content);
    }
    testing::TempDir inst;
};

TEST_F(Lookup, EnvironmentWinsOverFileOverDefault) {
    system_file("DBPATH /from/file\nDBTEMP /file/tmp\n");
    setenv("DBTEMP", "/env/tmp", 1);
    EXPECT_STREQ(ggetenv("DBTEMP"), "/env/tmp");
    EXPECT_STREQ(ggetenv("DBPATH"), "/from/file");
    EXPECT_STREQ(ggetenv("TERM"), "dumb");
    EXPECT_STREQ(getsesenv("DBPATH"), "/from/file");
}

TEST_F(Lookup, OverlongEnvironmentValueIsPassedOver) {
    system_file("VELMORADSERVER from_file\n");
    setenv("VELMORADSERVER", std::string(129, 'e').c_str(), 1);
    EXPECT_STREQ(ggetenv("VELMORADSERVER"), "from_file");
    EXPECT_EQ(gerrno, kStatusTooLong);
    setenv("VELMORADSERVER", std::string(128, 'e').c_str(), 1);
    EXPECT_EQ(std::string(ggetenv("VELMORADSERVER")), std::string(128, 'e'));
}

TEST_F(Lookup, UnknownAndNullNames) {
    EXPECT_EQ(ggetenv("NO_SUCH_VARIABLE"), nullptr);
    EXPECT_EQ(gerrno, kStatusUnknownVariable);
    EXPECT_EQ(ggetenv(nullptr), nullptr);
    EXPECT_EQ(gerrno, kStatusNullArgument);
    // Unknown to the table but set in the environment: the environment answers.
    setenv("NO_SUCH_VARIABLE", "x", 1);
    EXPECT_STREQ(ggetenv("NO_SUCH_VARIABLE"), "x");
}

TEST_F(Lookup, UnknownNameOnTheLastLineStillCompletesTheTable) {
    system_file("GLSLOG on\nNOT_A_VARIABLE x\n");
    EXPECT_STREQ(ggetenv("GLSLOG"), "on");
    EXPECT_EQ(init_getenv(), 0);
}

TEST_F(Lookup, IgnoredVariablesAreSkippedInTheFile) {
    system_file("DBDATE DMY4\nDBPATH /x\nDBTEMP /y\n");
    setenv("ENVIGNORE", "DBDATE::DBPATH:", 1);
    EXPECT_EQ(ggetenv("DBDATE"), nullptr);
    EXPECT_STREQ(ggetenv("DBPATH"), ".");
    EXPECT_STREQ(ggetenv("DBTEMP"), "/y");
}

TEST_F(Lookup, DbnlsModeSettlesEveryCategory) {
    setenv("DBNLS", "1", 1);
    for (const char *name :
         {"LANG", "LC_COLLATE", "LC_CTYPE", "LC_MONETARY", "LC_NUMERIC", "LC_TIME"}) {
        unsetenv(name);
    }
    for (const char *name : {"LC_COLLATE", "LC_CTYPE", "LC_MONETARY", "LC_NUMERIC", "LC_TIME"}) {
        EXPECT_STREQ(ggetenv(name), "en_US.819") << name;
    }
}

TEST_F(Lookup, DbnlsTwoFillsAnEmptyCategoryFromLang) {
    setenv("DBNLS", "2", 1);
    setenv("LANG", "de_DE.819", 1);
    setenv("LC_TIME", "", 1);
    EXPECT_STREQ(ggetenv("LC_COLLATE"), "de_DE.819");
    EXPECT_STREQ(std::getenv("LC_TIME"), "de_DE.819");
}

TEST_F(Lookup, DbnlsLineInTheFileSwitchesTheStepOn) {
    system_file("DBNLS 1\nLC_CTYPE fr_FR.819\n");
    unsetenv("DBNLS");
    EXPECT_STREQ(ggetenv("LC_CTYPE"), "fr_FR.819");
    EXPECT_STREQ(ggetenv("LC_TIME"), "en_US.819");
}

}  // namespace
}  // namespace velmorad
