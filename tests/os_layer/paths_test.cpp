// Path building and the DBNLS mode.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "os_layer/os_layer.h"

namespace velmorad {
namespace {

std::string take(char *s) {
    std::unique_ptr<char, decltype(&std::free)> owner(s, &std::free);
    return s != nullptr ? std::string(s) : std::string("<null>");
}

TEST(Gbldpath, JoinsPiecesWithOneSlashAfterTheDirectory) {
    struct Row {
        const char *dir, *name, *suffix, *expected;
    };
    const Row rows[] = {
        {"/usr/velmorad", "etc/velmorad.rc", nullptr, "/usr/velmorad/etc/velmorad.rc"},
        {"/usr/velmorad/", "etc/velmorad.rc", nullptr, "/usr/velmorad//etc/velmorad.rc"},
        {nullptr, ".velmorad", nullptr, ".velmorad"},
        {"dir", "name", ".sfx", "dir/name.sfx"},
        {"", "name", nullptr, "/name"},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(take(gbldpath(r.dir, r.name, r.suffix)), r.expected);
        EXPECT_EQ(gerrno, 0);
    }
}

TEST(Gbldpath, NothingToBuildIsMinusFour) {
    EXPECT_EQ(gbldpath(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(gerrno, kStatusTooLong);
    EXPECT_EQ(gbldpath(nullptr, "", ""), nullptr);
    EXPECT_EQ(gerrno, kStatusTooLong);
}

TEST(DbnlsMode, OnlyExactOneOrTwo) {
    unsetenv("DBNLS");
    EXPECT_EQ(DBNLSset(), 0);
    setenv("DBNLS", "1", 1);
    EXPECT_EQ(DBNLSset(), 1);
    setenv("DBNLS", "2", 1);
    EXPECT_EQ(DBNLSset(), 2);
    setenv("DBNLS", "1 ", 1);
    EXPECT_EQ(DBNLSset(), 0);
    setenv("DBNLS", "3", 1);
    EXPECT_EQ(DBNLSset(), 0);
}

}  // namespace
}  // namespace velmorad
