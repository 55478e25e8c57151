// What callers read from a loaded locale: the information items, the
// time-format accessors, the time section's lists as callers get them, and
// the string caches of names.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gls/format/format.h"
#include "gls/load/locale.h"
#include "gls/util/util.h"
#include "tests/gls/lco_fixture.h"
#include "tests/support/oom_walk.h"

namespace gls {
namespace {

using testing::LcoInstallation;
using testing::LocalePtr;
using testing::null_locale;
using testing::text_of;

TEST(LocaleInfo, ItemsOutsideTheLocale) {
    EXPECT_EQ(gl_nl_langinfo(nullptr, kItemDateFormat), nullptr);
    EXPECT_EQ(gl_get_era_count(nullptr), -1);
    EXPECT_STREQ(gl_get_ltime_fmts(nullptr, kItemDateFormat), "");
    LcoInstallation inst;
    LocalePtr loc = inst.load("a.lco");
    for (int item : {-1, kItemLast + 1}) {
        loc->error = 0;
        EXPECT_EQ(gl_nl_langinfo(loc.get(), item), nullptr) << item;
        EXPECT_EQ(loc->error, 0U);
    }
    // Twelve months: the thirteenth month item is refused.
    for (int item : {kItemFirstMonth + 12, kItemFirstAbMonth + 12, kItemFirstAbMonth + 19}) {
        loc->error = 0;
        EXPECT_EQ(gl_nl_langinfo(loc.get(), item), nullptr) << item;
        EXPECT_EQ(loc->error, GL_EBADITEM) << item;
    }
    // The formats by item; other items have none.
    const TimeSource s = testing::sample_time();
    const std::pair<int, std::string> formats[] = {{kItemDateTimeFormat, s.date_time_format},
                                                   {kItemTime12Format, s.time12_format},
                                                   {kItemEraDateFormat, s.era_date_format},
                                                   {kItemEraTimeFormat, s.era_time_format},
                                                   {kItemAm, ""},
                                                   {kItemLast + 1, ""}};
    for (const auto &[item, format] : formats)
        EXPECT_EQ(text_of(gl_get_ltime_fmts(loc.get(), item)), format) << item;
}

TEST(LocaleInfo, ThirteenMonthsAndOtherCalendars) {
    LcoInstallation inst;
    auto time = testing::sample_time();
    time.calendar = "hebrew";
    time.mon.push_back("Adar II");
    time.abmon.push_back("Ad2");
    LocalePtr loc = inst.load("h.lco", testing::with_time(time));
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemFirstMonth + 12)), "Adar II");
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemFirstAbMonth + 12)), "Ad2");
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemCalendar)), "hebrew\n");
}

TEST(LocaleInfo, ANullLocaleHasNoTexts) {
    auto loc = null_locale();
    for (int item = 0; item <= kItemLast; ++item) {
        const char *text = gl_nl_langinfo(loc.get(), item);
        EXPECT_EQ(text_of(text), "") << item;
        EXPECT_EQ(text != nullptr, item == kItemCodeSet) << item;
    }
    EXPECT_EQ(gl_get_era_count(loc.get()), 0);
    EXPECT_EQ(gl_get_ltime_fmts(loc.get(), kItemDateFormat), nullptr);
}

// A list handed out by gl_mbstimeinfo_ext, released with it.
struct List {
    char **array = nullptr;
    int count = -5;
    int status = -1;
    List(Locale *loc, int kind, GlMallocFn allocate = nullptr) {
        status = gl_mbstimeinfo_ext(loc, kind, &array, &count, allocate);
    }
    ~List() {
        for (int i = 0; i < count; ++i)
            _gl_free_ptr(array[i]);
        _gl_free_ptr(array);
    }
    std::vector<std::string> texts() const { return {array, array + std::max(count, 0)}; }
};

TEST(TimeLists, EachKindAsTheSourceGaveIt) {
    LcoInstallation inst;
    LocalePtr loc = inst.load("a.lco");
    const TimeSource s = testing::sample_time();
    const std::vector<std::pair<int, std::vector<std::string>>> rows = {
        {kInfoDays, {s.day.begin(), s.day.end()}},
        {kInfoAbDays, {s.abday.begin(), s.abday.end()}},
        {kInfoMonths, s.mon},
        {kInfoAbMonths, s.abmon},
        {kInfoEraNames, {"Heisei", "Reiwa"}},
        {kInfoEraSecond, {"%EC%Ey", "%EC%Ey"}},
        {kInfoAltDigits, s.alt_digits},
        {kInfoAmPm, {"am", "pm"}},
        {0, {}},
        {9, {}},
    };
    for (const auto &[kind, expected] : rows) {
        SCOPED_TRACE(kind);
        const List list(loc.get(), kind);
        EXPECT_EQ(list.texts(), expected);
        EXPECT_EQ(list.status, expected.empty() ? -1 : 0);
        size_t chars = 0;
        for (const std::string &text : expected)
            chars = std::max(chars, text.size());
        EXPECT_EQ(max_loc_strlen(loc.get(), kind), static_cast<int>(chars));
        EXPECT_EQ(max_loc_bytelen(loc.get(), kind), static_cast<int>(chars));
    }
    // A locale without a time section has no lists to hand out.
    auto empty = null_locale();
    EXPECT_EQ(List(empty.get(), kInfoMonths).status, -1);
    EXPECT_EQ(max_loc_strlen(empty.get(), kInfoEraNames), 0);
}

TEST(TimeLists, AFailedHandOutLeavesNothingBehind) {
    LcoInstallation inst;
    LocalePtr loc = inst.load("a.lco");
    for (GlMallocFn allocate : {GlMallocFn{nullptr}, GlMallocFn{_gl_ext_malloc}}) {
        testing::walk_allocation_failures(
            [&] { return std::make_unique<List>(loc.get(), kInfoMonths, allocate); },
            [](const std::unique_ptr<List> &list, bool failed) {
                EXPECT_EQ(list->status, failed ? -1 : 0);
                EXPECT_EQ(list->count, failed ? 0 : 12);
            });
    }
}

// Rows of tests/fixtures/gls/objects_string_cache, through the byte and
// the wide look-up.
TEST(StringCache, LoadedNamesMatchWithoutRegardToCase) {
    const std::map<std::string, TimeCache> caches = {
        {"abday", kCacheAbDay},         {"day", kCacheDay},
        {"abmonth", kCacheAbMonth},     {"month", kCacheMonth},
        {"eraformat", kCacheEraFormat}, {"eraname", kCacheEraName},
        {"altdigits", kCacheAltDigits}, {"ampm", kCacheAmPm}};
    LcoInstallation inst;
    LocalePtr loc = inst.load("a.lco");
    for (const auto &row : velmorad::testing::fixture_rows("gls/objects_string_cache")) {
        SCOPED_TRACE(row.where);
        gl_wc_cache_t *cache = loc->time.caches[caches.at(row.fields[0])];
        const std::string &input = row.fields[1];
        const int length = std::stoi(row.fields[2]);
        GlCacheMatch match{99, 99, 99};
        const auto *bytes = reinterpret_cast<const unsigned char *>(input.c_str());
        const bool found =
            _gl_match_wc_cache(loc.get(), cache, bytes, length, &match) == kCacheMatched;
        EXPECT_EQ(found ? std::to_string(match.value) + " " + std::to_string(match.chars) : "none",
                  row.fields[3]);
        if (!found) continue;
        EXPECT_EQ(match.bytes, match.chars);  // single-byte characters
        const std::basic_string<gl_wchar_t> wide(input.begin(), input.end());
        GlCacheMatch wide_match{};
        EXPECT_EQ(_gl_match_wc_cache_wide(loc.get(), cache, wide.c_str(), length, &wide_match),
                  kCacheMatched);
        EXPECT_EQ(wide_match.value, match.value);
        EXPECT_EQ(wide_match.chars, match.chars);
    }
}

TEST(StringCache, AddingAgainTakesTheNewValueAndTheEmptyStringIsTheFallback) {
    LcoInstallation inst;
    LocalePtr loc = inst.load("a.lco");
    gl_wc_cache_t *cache = nullptr;
    auto add = [&](const char *text, uint32_t value) {
        return _gl_cache_wc_string(loc.get(), &cache, reinterpret_cast<const unsigned char *>(text),
                                   value);
    };
    auto find = [&](const char *text) {
        GlCacheMatch match{};
        auto result = _gl_match_wc_cache(loc.get(), cache,
                                         reinterpret_cast<const unsigned char *>(text), -1, &match);
        return result == kCacheMatched
                   ? std::to_string(match.value) + "/" + std::to_string(match.chars)
                   : "none";
    };
    EXPECT_EQ(add("March", 2), 0);
    EXPECT_EQ(add("march", 7), 0);
    EXPECT_EQ(add("Mars", 3), 0);
    EXPECT_EQ(_gl_cache_wc_string(loc.get(), &cache, nullptr, 1), -1);
    EXPECT_EQ(find("MARCH"), "7/5");
    EXPECT_EQ(find("mars"), "3/4");
    EXPECT_EQ(find("Ma"), "none");
    EXPECT_EQ(add("", 9), 0);
    EXPECT_EQ(find("Ma"), "9/0");
    EXPECT_EQ(find("mArCh"), "7/5");
    _gl_free_wc_cache(loc.get(), cache);
}

}  // namespace
}  // namespace gls
