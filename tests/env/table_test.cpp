// The known-variable table and the insertion of values.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "env/env.h"

namespace velmorad {
namespace {

class Table : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(lddefenv(), 0); }
    EnvVar *entry(const char *name) { return search_evar(name, Inf_EVars, Num_EVars); }
};

TEST_F(Table, DefaultsAndFixedPositions) {
    EXPECT_EQ(Num_EVars, 342);
    EXPECT_STREQ(idx_getdefault("DBPATH", kEnvByName), ".");
    EXPECT_STREQ(idx_getdefault("VELMORADDIR", kEnvByName), "/usr/velmorad");
    EXPECT_STREQ(idx_getdefault("DBDELIMITER", kEnvByName), "|");
    EXPECT_EQ(idx_getdefault("DBDATE", kEnvByName), nullptr);
    // Positions that other parts of the product pass as constants.
    struct Row {
        int index;
        const char *name;
    };
    for (Row r :
         {Row{0, "ACCEPTKEY"}, Row{66, "CLIENT_LOCALE"}, Row{98, "DBLANG"}, Row{102, "DBNLS"},
          Row{116, "DB_LOCALE"}, Row{168, "QMX_FREE_FD"}, Row{210, "VELMORADDIR"}, Row{236, "LANG"},
          Row{307, "SQLIDEBUG"}, Row{335, "USE_DTENV"}, Row{341, "XTRACE"}}) {
        EXPECT_STREQ(Inf_DVals[r.index].name, r.name);
        EXPECT_STREQ(Inf_EVars[r.index].name, r.name);
        EXPECT_EQ(Inf_EVars[r.index].index, r.index);
    }
    EXPECT_EQ(Inf_DVals[Num_DVals].name, nullptr);
}

TEST_F(Table, IndexWinsOverNameAndOutOfRangeFindsNothing) {
    EXPECT_STREQ(idx_getdefault("anything", kEnvVELMORADDIR), "/usr/velmorad");
    gerrno = 0;
    EXPECT_EQ(idx_getdefault("DBPATH", 400), nullptr);
    EXPECT_EQ(gerrno, kStatusUnknownVariable);
    EXPECT_EQ(search_evar("dbpath", Inf_EVars, Num_EVars), nullptr);
    EXPECT_EQ(search_evar_enum(-1, "DBPATH", Inf_EVars, Num_EVars), nullptr);
}

TEST_F(Table, InsertionKeepsLimitsAndTheSharedEmptyString) {
    std::string v128(128, 's');
    EXPECT_EQ(ginsenv("VELMORADSERVER", (v128 + "s").c_str(), nullptr), kStatusTooLong);
    EXPECT_EQ(entry("VELMORADSERVER")->value, nullptr);
    EXPECT_EQ(ginsenv("VELMORADSERVER", v128.c_str(), nullptr), kStatusOk);
    EXPECT_EQ(entry("VELMORADSERVER")->value, v128);

    std::string v256(256, 'd');
    EXPECT_EQ(ginsenv("VELMORADDIR", (v256 + "d").c_str(), nullptr), kStatusTooLong);
    EXPECT_STREQ(entry("VELMORADDIR")->value, "/usr/velmorad");
    EXPECT_EQ(ginsenv("VELMORADDIR", v256.c_str(), nullptr), kStatusOk);

    EnvVar *date = entry("DBDATE");
    EXPECT_EQ(ginsenv("DBDATE", "", nullptr), kStatusOk);
    EXPECT_EQ(date->value, EnvEmptyVal);
    EXPECT_EQ(ginsenv("DBDATE", "DMY4", nullptr), kStatusOk);
    char *held = date->value;
    EXPECT_STREQ(held, "DMY4");
    EXPECT_STREQ(EnvEmptyVal, "");  // the shared string was not released or written
    EXPECT_EQ(ginsenv("DBDATE", "DMY4", nullptr), kStatusOk);
    EXPECT_EQ(date->value, held);  // the same copy is kept
    EXPECT_EQ(ginsenv("DBDATE", nullptr, nullptr), kStatusOk);
    EXPECT_EQ(date->value, nullptr);
    EXPECT_EQ(ginsenv("DBDATE", nullptr, nullptr), kStatusOk);
}

TEST_F(Table, InsertionRefusesUnknownAndNullNames) {
    EXPECT_EQ(ginsenv("NO_SUCH_VARIABLE", "x", nullptr), kStatusUnknownVariable);
    EXPECT_EQ(ginsenv("", "x", nullptr), kStatusUnknownVariable);
    EXPECT_EQ(ginsenv("velmoraddir", "x", nullptr), kStatusUnknownVariable);
    EXPECT_EQ(ginsenv(nullptr, "x", nullptr), kStatusNullArgument);
}

}  // namespace
}  // namespace velmorad
