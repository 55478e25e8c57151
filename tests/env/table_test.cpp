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
