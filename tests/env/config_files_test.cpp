// Loading configuration files into the table: the ignore list, the locale
// flags, and the locale-category step of the DBNLS mode.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "env/env.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

class ConfigFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(lddefenv(), 0);
        ignore = _ginitnamelist();
        ASSERT_NE(ignore, nullptr);
    }
    void TearDown() override { _gfreenamelist(ignore); }
    int load(const std::string &content) {
        testing::write_file(dir / "rc", content);
        return ldcffile((dir / "rc").c_str(), ignore, &lineno, &flags);
    }
    const char *value(const char *name) { return idx_getdefault(name, kEnvByName); }

    testing::TempDir dir;
    NameList *ignore = nullptr;
    int lineno = 0;
    int flags = 0;
};

TEST_F(ConfigFile, UnknownNameOnTheLastLineGivesMinusFour) {
    EXPECT_EQ(load("DBPATH /data\nNOT_KNOWN x\n"), kStatusTooLong);
    EXPECT_STREQ(value("DBPATH"), "/data");
}

TEST_F(ConfigFile, TooLongValueStopsTheFile) {
    std::string long_server(129, 's');
    EXPECT_EQ(load("DBPATH /a\nVELMORADSERVER " + long_server + "\nDBTEMP /b\n"), kStatusTooLong);
    EXPECT_STREQ(value("DBPATH"), "/a");
    EXPECT_STREQ(value("DBTEMP"), "/tmp");
}

TEST_F(ConfigFile, LocaleFlagsNoteNonEmptyLocaleVariables) {
    EXPECT_EQ(load("LANG de_DE.8859-1\nLC_TIME\nLC_CTYPE en_US.819\nDBNLS 3\n"), kStatusOk);
    EXPECT_EQ(flags, kFlagLANG | kFlagLC_CTYPE);
    EXPECT_STREQ(value("DBNLS"), "3");     // stored, but does not switch the mode on
    EXPECT_EQ(value("LC_TIME"), nullptr);  // an empty locale value is skipped
    flags = 0;
    EXPECT_EQ(load("DBNLS 1\n"), kStatusOk);
    EXPECT_EQ(flags, kFlagDBNLS);
}

TEST_F(ConfigFile, NameListGrowsPastItsFirstSixteen) {
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(_gaddnamelist(ignore, ("N" + std::to_string(i)).c_str()), i);
    EXPECT_EQ(_gsrchnamelist(ignore, "N39"), 39);
}

TEST_F(ConfigFile, CategoriesTakeLangOrTheDefaultLocale) {
    unsetenv("LANG");
    EXPECT_EQ(gnlsenv(0, kFlagLC_COLLATE, "LC_COLLATE", nullptr), kStatusOk);
    EXPECT_STREQ(value("LC_COLLATE"), "en_US.819");
    EXPECT_EQ(gnlsenv(0, kFlagLC_TIME, "LC_TIME", "de_DE.819"), kStatusOk);
    EXPECT_STREQ(value("LC_TIME"), "de_DE.819");
    // A category the file set keeps its value.
    ASSERT_EQ(ginsenv("LC_CTYPE", "fr_FR.819", nullptr), kStatusOk);
    EXPECT_EQ(gnlsenv(kFlagLC_CTYPE, kFlagLC_CTYPE, "LC_CTYPE", "de_DE.819"), kStatusOk);
    EXPECT_STREQ(value("LC_CTYPE"), "fr_FR.819");
}

}  // namespace
}  // namespace velmorad
