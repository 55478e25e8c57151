// Path building, string and byte-order helpers, the home directory.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

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

TEST(Strings, CompareAndSearchConventions) {
    EXPECT_EQ(stcmpr("abc", "abc"), 0);
    EXPECT_EQ(stcmpr("A", "B"), -1);
    EXPECT_EQ(stcmpr("b", "B"), 1);
    EXPECT_EQ(stcmpr("ab", "abc"), -1);
    EXPECT_EQ(stcmpr("\xE9", "e"), 1);  // bytes compare unsigned
    const char *s = "a=b=c";
    EXPECT_EQ(stchr(s, '='), s + 1);
    EXPECT_EQ(stchr(s, 'x'), nullptr);
    EXPECT_EQ(stchr(s, '\0'), nullptr);
    EXPECT_EQ(bycmpr("ab", "ab", 2), 0);
    EXPECT_EQ(bycmpr("ab", "ac", 2), -1);
    EXPECT_EQ(bycmpr("ac", "ab", 2), 1);
}

TEST(ByteOrder, BigEndianLoadAndStore) {
    const unsigned char minus_two[4] = {0xFF, 0xFF, 0xFF, 0xFE};
    EXPECT_EQ(ldlong(minus_two), -2);
    unsigned char out[4] = {};
    EXPECT_EQ(stlong(1, out), out + 3);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[3], 1);
    stlong(-33523, out);
    EXPECT_EQ(ldlong(out), -33523);
}

TEST(HomePath, IsTheWholeHomeOfThePasswordEntry) {
    struct passwd *pw = getlogin() != nullptr ? getpwnam(getlogin()) : getpwuid(getuid());
    ASSERT_NE(pw, nullptr);
    std::string expected = pw->pw_dir;
    EXPECT_EQ(take(ggethomepath()), expected);
    EXPECT_EQ(gerrno, 0);
}

TEST(ControlBlock, IsMadeOnceWithTheTablesAsTheyStood) {
    _ixctype[1 + 'x'] = kClassPunct;
    OsControlBlock *block = CheckOsInit();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(CheckOsInit(), block);
    EXPECT_EQ(block->fd1, -1);
    EXPECT_EQ(block->trace_fd, -1);
    EXPECT_EQ(block->iface_version, kOsIfaceVersion);
    EXPECT_EQ(block->ctype[1 + 'x'], kClassPunct);
    _ixctype[1 + 'x'] = kClassLower;  // later changes do not reach the snapshot
    EXPECT_EQ(block->ctype[1 + 'x'], kClassPunct);
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
