// The time section's string lists as callers get them: copies through a
// caller's allocator, the longest entries, and a hand-out that runs out of
// memory part way.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gls/format/format.h"
#include "gls/util/util.h"
#include "tests/gls/lco_fixture.h"
#include "tests/support/failing_host.h"
#include "tests/support/oom_walk.h"

namespace gls {
namespace {

using testing::LcoInstallation;
using testing::null_locale;
using testing::sample_file;
using testing::set_locale;

std::vector<std::string> handed_out(Locale *loc, int kind, int *status) {
    char **array = nullptr;
    int count = -5;
    *status = gl_mbstimeinfo(loc, kind, &array, &count);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
        out.push_back(array[i] != nullptr ? array[i] : "<null>");
        _gl_free_ptr(array[i]);
    }
    _gl_free_ptr(array);
    if (*status != 0) {
        EXPECT_EQ(count, 0);
    }
    return out;
}

TEST(TimeLists, EachKindAsTheSourceGaveIt) {
    LcoInstallation inst;
    inst.write("a.lco", sample_file());
    auto loc = null_locale();
    ASSERT_TRUE(set_locale(loc.get(), kCatAll, "a.lco").loaded);
    const TimeSource s = testing::sample_time();
    const std::vector<std::string> days(s.day.begin(), s.day.end());
    const std::vector<std::string> abdays(s.abday.begin(), s.abday.end());
    const struct {
        int kind;
        std::vector<std::string> expected;
    } rows[] = {
        {kInfoDays, days},
        {kInfoAbDays, abdays},
        {kInfoMonths, s.mon},
        {kInfoAbMonths, s.abmon},
        {kInfoEraNames, {"Heisei", "Reiwa"}},
        {kInfoEraSecond, {"%EC%Ey", "%EC%Ey"}},
        {kInfoAltDigits, s.alt_digits},
        {kInfoAmPm, {"am", "pm"}},
        {0, {}},
        {9, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.kind);
        int status = 0;
        EXPECT_EQ(handed_out(loc.get(), row.kind, &status), row.expected);
        EXPECT_EQ(status, row.expected.empty() ? -1 : 0);
        size_t chars = 0;
        for (const std::string &text : row.expected)
            chars = std::max(chars, text.size());
        EXPECT_EQ(max_loc_strlen(loc.get(), row.kind), static_cast<int>(chars));
        EXPECT_EQ(max_loc_bytelen(loc.get(), row.kind), static_cast<int>(chars));
    }
    // A locale without a time section has no lists to hand out.
    auto empty = null_locale();
    int status = 0;
    EXPECT_TRUE(handed_out(empty.get(), kInfoMonths, &status).empty());
    EXPECT_EQ(status, -1);
    EXPECT_EQ(max_loc_strlen(empty.get(), kInfoEraNames), 0);
}

TEST(TimeLists, AFailedHandOutLeavesNothingBehind) {
    LcoInstallation inst;
    inst.write("a.lco", sample_file());
    auto loc = null_locale();
    ASSERT_TRUE(set_locale(loc.get(), kCatAll, "a.lco").loaded);
    // Releases the list before the walk counts what is left.
    struct List {
        int status;
        char **array = nullptr;
        int count = -1;
        ~List() {
            for (int i = 0; i < count; ++i)
                _gl_free_ptr(array[i]);
            _gl_free_ptr(array);
        }
    };
    for (GlMallocFn allocate : {GlMallocFn{nullptr}, GlMallocFn{_gl_ext_malloc}}) {
        gls::testing::walk_allocation_failures(
            [&] {
                auto list = std::make_unique<List>();
                list->status = gl_mbstimeinfo_ext(loc.get(), kInfoMonths, &list->array,
                                                  &list->count, allocate);
                return list;
            },
            [](const std::unique_ptr<List> &list, bool failed) {
                EXPECT_EQ(list->status, failed ? -1 : 0);
                EXPECT_EQ(list->count, failed ? 0 : 12);
            });
    }
}

}  // namespace
}  // namespace gls
