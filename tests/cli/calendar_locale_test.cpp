// The shipped calendar locales end to end: gltool date formats Gregorian
// dates in he_IL@hebrew and ar_SA@islamic, each in UTF-8 and in its legacy
// code set, and ICU's Hebrew and tabular Islamic calendars say what the
// text must be.
#include <gtest/gtest.h>
#include <unicode/ucal.h>
#include <unicode/ucnv.h>
#include <unicode/udat.h>
#include <unicode/ustring.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace velmorad {
namespace {

struct CalendarLocale {
    const char *spec;     // as a client names it
    const char *icu;      // the same dates in ICU
    const char *charset;  // ICU's converter for the code set
};

constexpr CalendarLocale kLocales[] = {
    {"he_IL.utf8@hebrew", "he_IL@calendar=hebrew", "UTF-8"},
    {"he_IL.8859-8@hebrew", "he_IL@calendar=hebrew", "ISO-8859-8"},
    {"ar_SA.utf8@islamic", "ar_SA@calendar=islamic-tbla;numbers=latn", "UTF-8"},
    {"ar_SA.cp1256@islamic", "ar_SA@calendar=islamic-tbla;numbers=latn", "windows-1256"},
};

// A geresh (U+05F3) that a code set lacks is an apostrophe, as the
// locale's source says.
constexpr UChar kGeresh = 0x05F3;

// The text ICU gives a Gregorian date (month 1 to 12) in the locale's
// calendar, as "dd LLLL yyyy", in the locale's code set.
std::string icu_text(const CalendarLocale &locale, int year, int month, int day) {
    UErrorCode status = U_ZERO_ERROR;
    UChar utc[4];
    u_uastrcpy(utc, "UTC");
    UChar pattern[16];
    u_uastrcpy(pattern, "dd LLLL yyyy");
    UDateFormat *format =
        udat_open(UDAT_PATTERN, UDAT_PATTERN, locale.icu, utc, -1, pattern, -1, &status);
    UCalendar *gregorian = ucal_open(utc, -1, "en@calendar=gregorian", UCAL_GREGORIAN, &status);
    ucal_clear(gregorian);
    ucal_setDate(gregorian, year, month - 1, day, &status);
    const UDate when = ucal_getMillis(gregorian, &status);
    UChar text[128];
    const int32_t length = udat_format(format, when, text, 128, nullptr, &status);
    udat_close(format);
    ucal_close(gregorian);
    if (std::string(locale.charset) != "UTF-8") {
        for (int32_t i = 0; i < length; ++i) {
            if (text[i] == kGeresh) text[i] = u'\'';
        }
    }
    char bytes[512];
    UConverter *converter = ucnv_open(locale.charset, &status);
    const int32_t n = ucnv_fromUChars(converter, bytes, sizeof bytes, text, length, &status);
    ucnv_close(converter);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    return U_SUCCESS(status) ? std::string(bytes, static_cast<size_t>(n)) : "";
}

// Gregorian dates through two Hebrew years (5784 a leap year with Adar I
// and II, 5785 a common one) and two Islamic ones, a step at a time, with
// a few far from today.
std::vector<std::vector<int>> sample_dates() {
    std::vector<std::vector<int>> dates = {{1900, 3, 1},  {1948, 5, 14}, {2000, 1, 1},
                                           {2024, 4, 23}, {2000, 2, 29}, {2099, 12, 31}};
    int year = 2023;
    int month = 9;
    int day = 10;
    constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int i = 0; i < 50; ++i) {
        dates.push_back({year, month, day});
        day += 16;
        const int length = month == 2 && year % 4 != 0 ? 28 : kDays[month - 1];
        if (day > length) {
            day -= length;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    return dates;
}

std::string two(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

TEST(CalendarLocales, GltoolDatePrintsTheDatesIcuGivesInTheLocalesCalendar) {
    testing::Environment env = {{"VELMORADDIR", testing::build_installation()}};
    const std::vector<std::vector<int>> dates = sample_dates();
    for (const CalendarLocale &locale : kLocales) {
        for (const std::vector<int> &d : dates) {
            const std::string when = std::to_string(d[0]) + "-" + two(d[1]) + "-" + two(d[2]);
            SCOPED_TRACE(std::string(locale.spec) + " " + when);
            const testing::RunResult r = testing::run_program(
                GLTOOL_BIN, {"date", "-d", when, locale.spec, "%d %B %Y"}, env);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, icu_text(locale, d[0], d[1], d[2]) + "\n");
        }
    }
}

}  // namespace
}  // namespace velmorad
