// Allocation through the host, and digit counts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "gls/util/util.h"
#include "tests/support/failing_host.h"

namespace gls {
namespace {

TEST(Helpers, DigitCountsIgnoreTheSign) {
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    const struct {
        int64_t value;
        int base, digits;
    } rows[] = {{0, 10, 1},     {9, 10, 1},    {10, 10, 2},    {-10, 10, 2},
                {255, 16, 2},   {256, 16, 3},  {8, 2, 4},      {kMax, 10, 19},
                {kMin, 10, 19}, {kMin, 2, 64}, {kMin, 16, 16}, {12345, 1, 1}};
    for (const auto &row : rows)
        EXPECT_EQ(_gl_digits(row.value, row.base), row.digits) << row.value << " " << row.base;
}

struct Record {
    uint32_t error;
    int64_t fields[4];
};

TEST(Helpers, HostMemoryIsCountedReleasedAndNeverAskedForNothing) {
    testing::FailingHost host;
    EXPECT_EQ(_gl_alloc_ptr(0), nullptr);
    EXPECT_EQ(host_alloc<Record>(0), nullptr);
    EXPECT_EQ(host_alloc<Record>(SIZE_MAX / sizeof(Record) + 1), nullptr);
    EXPECT_EQ(host.allocations(), 0);
    {
        HostPtr<Record> records = host_alloc<Record>(3);
        ASSERT_NE(records, nullptr);
        EXPECT_EQ(records.get()[2].fields[3], 0);
        HostPtr<char> copy = host_strdup("text");
        EXPECT_STREQ(copy.get(), "text");
        gl_destroystring(host_strdup("gone").release());
        EXPECT_EQ(host.live_blocks(), 2);
    }
    EXPECT_EQ(host.live_blocks(), 0);
    host.fail_allocation(1);
    EXPECT_EQ(host_alloc<Record>(), nullptr);
    host.fail_allocation(1);
    EXPECT_EQ(host_strdup("text"), nullptr);
    EXPECT_TRUE(host.failed());
}

}  // namespace
}  // namespace gls
