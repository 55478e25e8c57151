// The trace file set-up run when the operating-system control block is made.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

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

class Trace : public ::testing::Test {
  protected:
    void SetUp() override { umask(022); }
    TempDir dir;
};

TEST_F(Trace, UnsetOrOtherFirstCharacterLeavesTracingOff) {
    ASSERT_NE(CheckOsInit(), nullptr);
    for (const char *value : {static_cast<const char *>(nullptr), "3:x", "x"}) {
        if (value != nullptr) setenv("SQLIDEBUG", value, 1);
        ::testing::internal::CaptureStderr();
        _sqdbgsetup();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(_sqdbg, kTraceOff);
    }
}

TEST_F(Trace, TextModeMakesAnEmptyFileNamedAfterTheBase) {
    std::string base = dir / "trace";
    setenv("SQLIDEBUG", ("1:" + base).c_str(), 1);
    ASSERT_NE(CheckOsInit(), nullptr);
    EXPECT_EQ(_sqdbg, kTraceText);
    std::string name = expected_name(base);
    EXPECT_STREQ(sqlidebug.file_name, name.c_str());
    struct stat st;
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    EXPECT_EQ(_sqdbgfile, sqlidebug.slots[0].fd);
    EXPECT_EQ(sqlidebug.slots[0].pid, getpid());
    EXPECT_EQ(sqlidebug.slots[0].block, ostcb);
    EXPECT_EQ(sqlidebug.slot_count, 1000);
}

TEST_F(Trace, TextModeTakesTheBaseWithoutColonToo) {
    std::string base = dir / "nocolon";
    setenv("SQLIDEBUG", ("1" + base).c_str(), 1);
    ASSERT_NE(CheckOsInit(), nullptr);
    EXPECT_EQ(access(expected_name(base).c_str(), F_OK), 0);
}

TEST_F(Trace, BinaryModeWritesTheHeader) {
    std::string base = dir / "bin";
    setenv("SQLIDEBUG", ("2:" + base).c_str(), 1);
    ASSERT_NE(CheckOsInit(), nullptr);
    EXPECT_EQ(_sqdbg, kTraceBinary);
    EXPECT_EQ(testing::read_file(expected_name(base)), std::string("SQLI\0\0\0\1", 8));
}

TEST_F(Trace, BinaryModeNeedsColonAndBase) {
    ASSERT_NE(CheckOsInit(), nullptr);  // the first look-up makes the block and sets up once
    for (const char *value : {"2", "2:", "2x"}) {
        setenv("SQLIDEBUG", value, 1);
        ::testing::internal::CaptureStderr();
        _sqdbgsetup();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "Invalid syntax for SQLIDEBUG environment variable.\n");
        EXPECT_EQ(_sqdbg, kTraceOff);
    }
}

TEST_F(Trace, MissingDirectoryIsReportedInBinaryModeOnly) {
    std::string base = dir / "missing/base";
    setenv("SQLIDEBUG", ("2:" + base).c_str(), 1);
    ::testing::internal::CaptureStderr();
    ASSERT_NE(CheckOsInit(), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "SQLIDEBUG: Can't open file " + expected_name(base) + ".\n");
    EXPECT_EQ(_sqdbg, kTraceOff);
    EXPECT_EQ(_sqdbgfile, 2);

    setenv("SQLIDEBUG", ("1:" + base).c_str(), 1);
    ::testing::internal::CaptureStderr();
    _sqdbgsetup();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(_sqdbg, kTraceText);
    EXPECT_EQ(_sqdbgfile, 2);
}

TEST_F(Trace, SymbolicLinkAtTheNameIsNotFollowed) {
    std::string base = dir / "link";
    std::string victim = dir / "victim";
    testing::write_file(victim, "keep");
    ASSERT_NE(CheckOsInit(), nullptr);  // the name depends on the block's address
    ASSERT_EQ(symlink(victim.c_str(), expected_name(base).c_str()), 0);
    setenv("SQLIDEBUG", ("2:" + base).c_str(), 1);
    ::testing::internal::CaptureStderr();
    _sqdbgsetup();
    EXPECT_NE(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(_sqdbg, kTraceOff);
    EXPECT_EQ(testing::read_file(victim), "keep");
}

TEST_F(Trace, OverlongNamesTurnTracingOffWithAMessage) {
    ASSERT_NE(CheckOsInit(), nullptr);
    std::string long_base(300, 'b');
    std::string near_limit(260, 'n');  // fits the base field, not the file name
    for (const std::string &base : {long_base, near_limit}) {
        setenv("SQLIDEBUG", ("1:" + dir.path() + "/" + base).c_str(), 1);
        ::testing::internal::CaptureStderr();
        _sqdbgsetup();
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("too long"), std::string::npos);
        EXPECT_EQ(_sqdbg, kTraceOff);
        EXPECT_EQ(_sqdbgfile, 2);
    }
}

}  // namespace
}  // namespace velmorad
