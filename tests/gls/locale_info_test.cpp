// What callers read from a loaded locale: the information items, the
// time-format accessors, and the string caches of names.
#include <gtest/gtest.h>

#include <string>

#include "gls/format/format.h"
#include "gls/load/locale.h"
#include "gls/tree/tree.h"
#include "tests/gls/lco_fixture.h"

namespace gls {
namespace {

using testing::LcoInstallation;
using testing::null_locale;
using testing::OwnedLocale;
using testing::sample_file;
using testing::set_locale;
using testing::text_of;

OwnedLocale loaded_sample(const LcoInstallation &inst) {
    inst.write("a.lco", sample_file());
    auto loc = null_locale();
    EXPECT_TRUE(set_locale(loc.get(), kCatAll, "a.lco").loaded);
    return loc;
}

TEST(LocaleInfo, ItemsOutsideTheLocale) {
    EXPECT_EQ(gl_nl_langinfo(nullptr, kItemDateFormat), nullptr);
    EXPECT_EQ(gl_get_era_count(nullptr), -1);
    EXPECT_STREQ(gl_get_ltime_fmts(nullptr, kItemDateFormat), "");

    LcoInstallation inst;
    auto loc = loaded_sample(inst);
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
}

TEST(LocaleInfo, ThirteenMonthsAndOtherCalendars) {
    LcoInstallation inst;
    auto file = sample_file();
    auto time = testing::sample_time();
    time.calendar = "hebrew";
    time.mon.push_back("Adar II");
    time.abmon.push_back("Ad2");
    testing::replace_section(file, kCatTime, time_section_text(time));
    inst.write("h.lco", file);
    auto loc = null_locale();
    ASSERT_TRUE(set_locale(loc.get(), kCatAll, "h.lco").loaded);
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemFirstMonth + 12)), "Adar II");
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemFirstAbMonth + 12)), "Ad2");
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemCalendar)), "hebrew\n");
    EXPECT_EQ(loc->time.calendar, kCalendarHebrew);
}

TEST(LocaleInfo, ANullLocaleHasNoTexts) {
    auto loc = null_locale();
    for (int item = 0; item <= kItemLast; ++item) {
        const char *text = gl_nl_langinfo(loc.get(), item);
        if (item == kItemCodeSet) {
            EXPECT_STREQ(text, "");
        } else {
            EXPECT_EQ(text, nullptr) << item;
        }
    }
    EXPECT_EQ(gl_get_era_count(loc.get()), 0);
    EXPECT_EQ(gl_get_ltime_fmts(loc.get(), kItemDateFormat), nullptr);
}

TEST(LocaleInfo, TimeFormatsByItem) {
    LcoInstallation inst;
    auto loc = loaded_sample(inst);
    const auto source = testing::sample_time();
    struct Row {
        int item;
        std::string format;
    } rows[] = {
        {kItemDateTimeFormat, source.date_time_format},
        {kItemDateFormat, source.date_format},
        {kItemTimeFormat, source.time_format},
        {kItemTime12Format, source.time12_format},
        {kItemEraDateFormat, source.era_date_format},
        {kItemEraDateTimeFormat, source.era_date_time_format},
        {kItemEraTimeFormat, source.era_time_format},
        {kItemAm, ""},
        {kItemFirstDay, ""},
        {kItemLast + 1, ""},
    };
    for (const Row &row : rows)
        EXPECT_EQ(text_of(gl_get_ltime_fmts(loc.get(), row.item)), row.format) << row.item;
}

TEST(StringCache, LoadedNamesMatchWithoutRegardToCase) {
    LcoInstallation inst;
    auto loc = loaded_sample(inst);
    const TimeSection &t = loc->time;
    struct Row {
        TimeCache cache;
        const char *input;
        int length;
        GlCacheResult result;
        uint32_t value;
        int chars;
    } rows[] = {
        {kCacheMonth, "JANUARY 5", -1, kCacheMatched, 0, 7},
        {kCacheMonth, "september", -1, kCacheMatched, 8, 9},
        {kCacheMonth, "Janu", -1, kCacheNoMatch, 0, 0},
        {kCacheMonth, "January", 3, kCacheNoMatch, 0, 0},
        {kCacheAbMonth, "sEPTEMBER", -1, kCacheMatched, 8, 3},
        {kCacheAbMonth, "Mayday", -1, kCacheMatched, 4, 3},
        {kCacheAbMonth, "Ma", -1, kCacheNoMatch, 0, 0},
        {kCacheDay, "wednesday,", -1, kCacheMatched, 3, 9},
        {kCacheAbDay, "SAT", -1, kCacheMatched, 6, 3},
        {kCacheAmPm, "PM", -1, kCacheMatched, 1, 2},
        {kCacheAmPm, "Am", -1, kCacheMatched, 0, 2},
        {kCacheEraName, "reiwa", -1, kCacheMatched, 1, 5},
        // Both eras share a format: the later addition holds it.
        {kCacheEraFormat, "%ec%EY", -1, kCacheMatched, 1, 6},
        // The shortest stored prefix wins: "i" before "ii" and "iii".
        {kCacheAltDigits, "iii", -1, kCacheMatched, 1, 1},
        {kCacheAltDigits, "o", -1, kCacheMatched, 0, 1},
        {kCacheAltDigits, "", -1, kCacheNoMatch, 0, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.input);
        GlCacheMatch match{99, 99, 99};
        const auto *input = reinterpret_cast<const unsigned char *>(row.input);
        EXPECT_EQ(_gl_match_wc_cache(loc.get(), t.caches[row.cache], input, row.length, &match),
                  row.result);
        if (row.result != kCacheMatched) continue;
        EXPECT_EQ(match.value, row.value);
        EXPECT_EQ(match.chars, row.chars);
        EXPECT_EQ(match.bytes, row.chars);  // single-byte characters
        std::basic_string<gl_wchar_t> wide(input,
                                           input + std::char_traits<char>::length(row.input));
        GlCacheMatch wide_match{};
        EXPECT_EQ(_gl_match_wc_cache_wide(loc.get(), t.caches[row.cache], wide.c_str(), row.length,
                                          &wide_match),
                  kCacheMatched);
        EXPECT_EQ(wide_match.value, row.value);
        EXPECT_EQ(wide_match.chars, row.chars);
    }
}

TEST(StringCache, AddingAgainTakesTheNewValueAndTheEmptyStringIsTheFallback) {
    LcoInstallation inst;
    auto loc = loaded_sample(inst);
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
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(cache->sibling, nullptr);  // one chain for both spellings
    EXPECT_EQ(add("", 9), 0);
    EXPECT_EQ(find("Ma"), "9/0");
    EXPECT_EQ(find("xyz"), "9/0");
    EXPECT_EQ(find("mArCh"), "7/5");
    _gl_free_wc_cache(loc.get(), cache);
}

}  // namespace
}  // namespace gls
