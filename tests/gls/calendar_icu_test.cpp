// The Hebrew and the tabular Islamic calendar, every day of their ranges,
// beside ICU's Hebrew calendar and its tabular Islamic calendar with the
// astronomical epoch (islamic-tbla). The Gregorian dates come from ICU's
// Gregorian calendar made proleptic (no Julian years before it).
#include <gtest/gtest.h>
#include <unicode/ucal.h>

#include <cfloat>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gls/format/format.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

constexpr double kDayMillis = 86400000.0;

#ifndef __has_feature
#define __has_feature(x) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
constexpr int kYearStep = 97;  // a sample of whole years stands in under the sanitizer
#else
constexpr int kYearStep = 1;
#endif

struct CloseCalendar {
    void operator()(UCalendar *cal) const { ucal_close(cal); }
};
using Calendar = std::unique_ptr<UCalendar, CloseCalendar>;

Calendar open_calendar(const char *locale, UCalendarType type) {
    UErrorCode status = U_ZERO_ERROR;
    const UChar utc[] = {'U', 'T', 'C', 0};
    Calendar cal(ucal_open(utc, -1, locale, type, &status));
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    return cal;
}

Calendar proleptic_gregorian() {
    Calendar cal = open_calendar("en_US@calendar=gregorian", UCAL_GREGORIAN);
    UErrorCode status = U_ZERO_ERROR;
    ucal_setGregorianChange(cal.get(), -DBL_MAX, &status);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    return cal;
}

int field(UCalendar *cal, UCalendarDateFields which) {
    UErrorCode status = U_ZERO_ERROR;
    const int value = ucal_get(cal, which, &status);
    EXPECT_TRUE(U_SUCCESS(status));
    return value;
}

void set_millis(UCalendar *cal, double millis) {
    UErrorCode status = U_ZERO_ERROR;
    ucal_setMillis(cal, millis, &status);
    ASSERT_TRUE(U_SUCCESS(status));
}

double millis_of(UCalendar *gregorian, int year, int month, int day) {
    UErrorCode status = U_ZERO_ERROR;
    ucal_clear(gregorian);
    ucal_setDateTime(gregorian, year, month, day, 0, 0, 0, &status);
    const double millis = ucal_getMillis(gregorian, &status);
    EXPECT_TRUE(U_SUCCESS(status));
    return millis;
}

// What our conversion and ICU's say of one day, as text for a failure.
struct Day {
    int year, month, name, mday, yearday, weekday;
    std::string text() const {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%d-%02d(name %d)-%02d yday %d wday %d", year, month, name,
                      mday, yearday, weekday);
        return buf;
    }
    bool operator==(const Day &) const = default;
};

enum class Kind { kHebrew, kIslamic };

struct Span {
    Kind kind;
    int first_year, last_year;  // Gregorian, inclusive
};

std::string span_name(const ::testing::TestParamInfo<Span> &info) {
    return std::string(info.param.kind == Kind::kHebrew ? "Hebrew" : "Islamic") + "_" +
           std::to_string(info.param.first_year) + "_" + std::to_string(info.param.last_year);
}

// ICU numbers the Hebrew months 0 to 12 in every year, Adar I (5) only in
// leap years; ours number the months of the year in order, with Adar I and
// Adar II at name indexes 12 and 13 in a leap year.
Day icu_hebrew(UCalendar *hebrew, bool leap) {
    const int month = field(hebrew, UCAL_MONTH);
    Day d{};
    d.year = field(hebrew, UCAL_EXTENDED_YEAR);
    d.month = leap || month < 5 ? month : month - 1;
    d.name = month < 5 ? month : month == 5 ? 12 : month == 6 ? (leap ? 13 : 5) : month - 1;
    d.mday = field(hebrew, UCAL_DATE);
    d.yearday = field(hebrew, UCAL_DAY_OF_YEAR) - 1;
    d.weekday = field(hebrew, UCAL_DAY_OF_WEEK) - 1;
    return d;
}

// The Hebrew new year as the standard arithmetic has it (the elapsed-days
// formulation of the molad with its postponements, as published by Reingold
// and Dershowitz): a second oracle for the years where ICU moves the new
// year one day later than the rules do.
int64_t elapsed_days(int64_t year) {
    const int64_t months = (235 * year - 234) / 19;
    const int64_t parts = 12084 + 13753 * months;
    int64_t day = 29 * months + parts / 25920;
    if ((3 * (day + 1)) % 7 < 3) ++day;
    return day;
}
int64_t new_year(int64_t year) {
    const int64_t before = elapsed_days(year - 1), now = elapsed_days(year),
                  after = elapsed_days(year + 1);
    return now + (after - now == 356 ? 2 : now - before == 382 ? 1 : 0);
}

// ICU's Hebrew years: where each begins, in milliseconds.
class IcuHebrewYears {
  public:
    explicit IcuHebrewYears(UCalendar *hebrew) : hebrew_(hebrew) {}
    double start(int year) {
        if (static_cast<size_t>(year) >= starts_.size()) starts_.resize(year + 1, 0.0);
        double &millis = starts_[static_cast<size_t>(year)];
        if (millis == 0.0) {
            UErrorCode status = U_ZERO_ERROR;
            ucal_clear(hebrew_);
            ucal_set(hebrew_, UCAL_EXTENDED_YEAR, year);
            ucal_set(hebrew_, UCAL_MONTH, 0);
            ucal_set(hebrew_, UCAL_DATE, 1);
            millis = ucal_getMillis(hebrew_, &status);
            EXPECT_TRUE(U_SUCCESS(status));
        }
        return millis;
    }
    int64_t length(int year) {
        return static_cast<int64_t>((start(year + 1) - start(year)) / kDayMillis + 0.5);
    }

  private:
    UCalendar *hebrew_;
    std::vector<double> starts_;
};

Day icu_islamic(UCalendar *islamic) {
    Day d{};
    d.year = field(islamic, UCAL_EXTENDED_YEAR);
    d.month = field(islamic, UCAL_MONTH);
    d.name = d.month;
    d.mday = field(islamic, UCAL_DATE);
    d.yearday = field(islamic, UCAL_DAY_OF_YEAR) - 1;
    d.weekday = field(islamic, UCAL_DAY_OF_WEEK) - 1;
    return d;
}

class CalendarBesideIcu : public ::testing::TestWithParam<Span> {};

TEST_P(CalendarBesideIcu, EveryDayAgrees) {
    const Span span = GetParam();
    const bool hebrew = span.kind == Kind::kHebrew;
    Calendar gregorian = proleptic_gregorian();
    Calendar local = hebrew ? open_calendar("en@calendar=hebrew", UCAL_DEFAULT)
                            : open_calendar("en@calendar=islamic-tbla", UCAL_DEFAULT);
    ASSERT_TRUE(gregorian && local);
    // The ranges' ends: Hebrew from 0001-01-01 to 10000-02-23, Islamic from
    // 622-07-18 to 10323-10-20.
    const double first =
        hebrew ? millis_of(gregorian.get(), 1, 0, 1) : millis_of(gregorian.get(), 622, 6, 18);
    const double last = hebrew ? millis_of(gregorian.get(), 10000, 1, 23)
                               : millis_of(gregorian.get(), 10323, 9, 20);
    Calendar year_starts = open_calendar("en@calendar=hebrew", UCAL_DEFAULT);
    IcuHebrewYears icu_years(year_starts.get());
    // The standard arithmetic's years, anchored where ICU agrees with it.
    const int anchor = 5784;  // begins 2023-09-16
    const double anchor_start = hebrew ? icu_years.start(anchor) : 0.0;
    auto standard_start = [&](int year) {
        return anchor_start + static_cast<double>(new_year(year) - new_year(anchor)) * kDayMillis;
    };
    size_t compared = 0;
    size_t differences = 0;
    size_t icu_excepted = 0;
    int standard_year = span.first_year + 3760;
    for (int year = span.first_year; year <= span.last_year; year += kYearStep) {
        for (double millis = millis_of(gregorian.get(), year, 0, 1);; millis += kDayMillis) {
            set_millis(gregorian.get(), millis);
            if (field(gregorian.get(), UCAL_YEAR) != year) break;
            if (millis < first || millis > last) continue;
            CalendarTime in{};
            in.year = year - 1900;
            in.month = field(gregorian.get(), UCAL_MONTH);
            in.mday = field(gregorian.get(), UCAL_DATE);
            CalendarTime out{};
            const int status = hebrew ? gl_cal_gregorian_to_hebrew(&in, &out)
                                      : gl_cal_gregorian_to_islamic(&in, &out);
            const Day ours{out.year + 1900, out.month,   out.month_name,
                           out.mday,        out.yearday, out.weekday};
            set_millis(local.get(), millis);
            Day theirs{};
            if (hebrew) {
                while (standard_start(standard_year + 1) <= millis)
                    ++standard_year;
                while (standard_start(standard_year) > millis)
                    --standard_year;
                const int64_t length = new_year(standard_year + 1) - new_year(standard_year);
                if (icu_years.length(standard_year) != length) {
                    // ICU's year is a day longer or shorter than the rules
                    // make it: the year and its day come from the rules.
                    ++icu_excepted;
                    theirs = ours;
                    theirs.year = standard_year;
                    theirs.yearday =
                        static_cast<int>((millis - standard_start(standard_year)) / kDayMillis);
                } else {
                    theirs = icu_hebrew(local.get(), length > 380);
                }
            } else {
                theirs = icu_islamic(local.get());
            }
            ++compared;
            if (status != 0 || !(ours == theirs)) {
                if (++differences <= 10) {
                    ADD_FAILURE() << year << "-" << in.month + 1 << "-" << in.mday << ": ours "
                                  << (status != 0 ? "failed" : ours.text()) << ", theirs "
                                  << theirs.text();
                }
            }
        }
    }
    EXPECT_LT(icu_excepted * 20, compared) << "the rules, not ICU, decided most days";
    EXPECT_EQ(differences, 0U);
    EXPECT_GT(compared, 300U);
}

// Rows of tests/fixtures/gls/objects_calendar_edges.
TEST(Calendars, EdgesOfTheRanges) {
    for (const auto &row : velmorad::testing::fixture_rows("gls/objects_calendar_edges")) {
        SCOPED_TRACE(row.where);
        CalendarTime in{}, out{};
        int year = 0, month = 0;
        ASSERT_EQ(std::sscanf(row.fields[1].c_str(), "%d-%d-%d", &year, &month, &in.mday), 3);
        in.year = year - 1900;
        in.month = month - 1;
        in.hour = 7;
        in.extra1 = 42;
        out.hour = 99;
        const int status = row.fields[0] == "hebrew" ? gl_cal_gregorian_to_hebrew(&in, &out)
                                                     : gl_cal_gregorian_to_islamic(&in, &out);
        EXPECT_EQ(status != 0, row.fields[2] == "fails");
        // A failure clears the whole record; a success keeps the time of day.
        EXPECT_EQ(out.hour, status != 0 ? 0 : 7);
        EXPECT_EQ(out.extra1, status != 0 ? 0 : 42);
        if (status != 0 || row.fields[2] == "ok") continue;
        Day expected{};
        std::sscanf(row.fields[2].c_str(), "%d %d %d %d %d %d", &expected.year, &expected.month,
                    &expected.name, &expected.mday, &expected.yearday, &expected.weekday);
        Day ours{out.year + 1900, out.month, out.month_name, out.mday, out.yearday, out.weekday};
        if (expected.yearday == 0) ours.yearday = 0;
        if (expected.weekday == 0) ours.weekday = 0;
        EXPECT_EQ(ours.text(), expected.text());
    }
}

std::vector<Span> spans() {
    std::vector<Span> out;
    for (int y = 1; y <= 10000; y += 1000)
        out.push_back({Kind::kHebrew, y, y + 999 > 10000 ? 10000 : y + 999});
    for (int y = 622; y <= 10323; y += 1000)
        out.push_back({Kind::kIslamic, y, y + 999 > 10323 ? 10323 : y + 999});
    return out;
}

INSTANTIATE_TEST_SUITE_P(Spans, CalendarBesideIcu, ::testing::ValuesIn(spans()), span_name);

}  // namespace
}  // namespace gls
