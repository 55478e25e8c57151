// The trace file set-up run when the operating-system control block is made.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "os_layer/os_layer.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

using testing::TempDir;

std::string expected_name(const std::string &base) {
    char buf[600];
    std::snprintf(buf, sizeof buf, "%s_%d_%d_%x", base.c_str(), static_cast<int>(getpid()), 0,
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(ostcb)));
    return buf;
}

// Sets SQLIDEBUG ("@" standing for the directory) and runs the set-up again;
// returns what it printed.
std::string set_up(const char *value, const std::string &dir) {
    if (value == nullptr) {
        unsetenv("SQLIDEBUG");
    } else {
        std::string v = value;
        if (const size_t at = v.find('@'); at != std::string::npos) v.replace(at, 1, dir);
        setenv("SQLIDEBUG", v.c_str(), 1);
    }
    ::testing::internal::CaptureStderr();
    _sqdbgsetup();
    return ::testing::internal::GetCapturedStderr();
}

// The rows of tests/fixtures/os_layer/sqlidebug.
TEST(Trace, EachSpellingOfTheVariable) {
    umask(022);
    TempDir dir;
    ASSERT_NE(CheckOsInit(), nullptr);  // the name depends on the block's address
    const std::map<std::string, int16_t> kModes = {
        {"off", kTraceOff}, {"text", kTraceText}, {"binary", kTraceBinary}};
    for (const testing::FixtureRow &row : testing::fixture_rows("os_layer/sqlidebug")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string> &f = row.fields;
        std::string err = f[4];
        if (const size_t at = err.find('@'); at != std::string::npos)
            err.replace(at, 1, expected_name(dir / "missing/base"));
        EXPECT_EQ(set_up(f[0] == "(unset)" ? nullptr : f[0].c_str(), dir.path()), err);
        EXPECT_EQ(_sqdbg, kModes.at(f[1]));
        if (f[2] == "-") {
            EXPECT_EQ(_sqdbgfile, 2);
            continue;
        }
        const std::string name = expected_name(dir.path() + f[2]);
        EXPECT_STREQ(sqlidebug.file_name, name.c_str());
        EXPECT_NE(_sqdbgfile, 2);
        EXPECT_EQ(testing::read_file(name), f[3]);
        struct stat st;
        ASSERT_EQ(stat(name.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0755u);
    }
}

TEST(Trace, SymbolicLinkAtTheNameIsNotFollowed) {
    TempDir dir;
    testing::write_file(dir / "victim", "keep");
    ASSERT_NE(CheckOsInit(), nullptr);
    ASSERT_EQ(symlink((dir / "victim").c_str(), expected_name(dir / "link").c_str()), 0);
    EXPECT_NE(set_up("2:@/link", dir.path()), "");
    EXPECT_EQ(_sqdbg, kTraceOff);
    EXPECT_EQ(testing::read_file(dir / "victim"), "keep");
}

// Two limits: the base must fit its field, and the name made from it must
// fit its own. Only a base that fits is kept, which tells the two apart.
TEST(Trace, NamesUpToTheirFieldsAndNoLonger) {
    TempDir dir;
    ASSERT_NE(CheckOsInit(), nullptr);
    const std::string prefix = dir.path() + "/";
    const size_t suffix = expected_name("").size();
    const size_t name_room = sizeof sqlidebug.file_name - 1;
    const size_t base_room = sizeof sqlidebug.base - 1;
    const struct {
        size_t base_length;
        bool traced;
        bool base_kept;
    } rows[] = {
        {name_room - suffix, true, true},
        {name_room - suffix + 1, false, true},
        {base_room, false, true},
        {base_room + 1, false, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.base_length);
        const std::string base = prefix + std::string(row.base_length - prefix.size(), 'b');
        std::strcpy(sqlidebug.base, "earlier");
        const std::string err = set_up(("1:" + base).c_str(), "");
        EXPECT_EQ(_sqdbg, row.traced ? kTraceText : kTraceOff);
        EXPECT_EQ(access(expected_name(base).c_str(), F_OK) == 0, row.traced);
        EXPECT_EQ(err.empty(), row.traced) << err;
        if (!row.traced) {
            EXPECT_NE(err.find("too long"), std::string::npos) << err;
        }
        EXPECT_EQ(sqlidebug.base, row.base_kept ? base : std::string("earlier"));
    }
}

}  // namespace
}  // namespace velmorad
