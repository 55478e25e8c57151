// Converting strings without a descriptor: copies, limits and statuses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "locale_env/locale_env.h"
#include "os_layer/os_layer.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

TEST(EightBit, FindsHighBytes) {
    EXPECT_EQ(is8bitstr(""), 0);
    EXPECT_EQ(is8bitstr("plain ascii"), 0);
    EXPECT_EQ(is8bitstr("caf\xE9"), 1);
}

TEST(GcvMalloc, CopiesWithoutDescriptor) {
    char *out = nullptr;
    EXPECT_EQ(gcv_malloc(nullptr, "hello", nullptr, &out), 0);
    ASSERT_NE(out, nullptr);
    EXPECT_STREQ(out, "hello");
    std::free(out);

    int len = 3;
    EXPECT_EQ(gcv_malloc(nullptr, "hello", &len, &out), 0);
    EXPECT_EQ(std::string(out, 3), "hel");
    std::free(out);
}

TEST(GcvMalloc, BadArgumentsRecordTheError) {
    char *out = nullptr;
    EXPECT_EQ(gcv_malloc(nullptr, nullptr, nullptr, &out), -1);
    EXPECT_EQ(get_glserror(), -23112);
    set_glserror(0);
    int zero = 0;
    EXPECT_EQ(gcv_malloc(nullptr, "x", &zero, &out), -1);
    EXPECT_EQ(get_glserror(), -23112);
}

TEST(GcvExtbuf, CopiesAtMostTheBufferAndFlagsTheCut) {
    char out[8];
    std::memset(out, '#', sizeof out);
    int truncated = 7;
    EXPECT_EQ(gcv_extbuf(nullptr, "abc", nullptr, out, sizeof out, &truncated), 0);
    EXPECT_STREQ(out, "abc");
    EXPECT_EQ(truncated, 0);

    // "abcdefgh" needs nine bytes with its terminator: the eight that fit
    // are copied and the cut is flagged, nothing beyond the buffer is touched.
    char small[9];
    std::memset(small, '#', sizeof small);
    EXPECT_EQ(gcv_extbuf(nullptr, "abcdefgh", nullptr, small, 8, &truncated), 0);
    EXPECT_EQ(truncated, 1);
    EXPECT_EQ(std::string(small, 8), "abcdefgh");
    EXPECT_EQ(small[8], '#');

    EXPECT_EQ(gcv_extbuf(nullptr, "abc", nullptr, out, 0, &truncated), -1);
    EXPECT_EQ(get_glserror(), -23112);
}

TEST(GcvAccess, TestsThePathItselfWithoutDescriptor) {
    testing::TempDir dir;
    std::string file = dir / "readable";
    testing::write_file(file, "x");
    EXPECT_EQ(gcvaccess(file.c_str(), R_OK), 0);
    EXPECT_EQ(_ofreadable(file.c_str()), 1);
    EXPECT_EQ(_ofreadable((dir / "absent").c_str()), 0);
}

}  // namespace
}  // namespace velmorad
