// The Hebrew calendar: years begin on the day of the molad of Tishri, put
// off by the postponement rules; months follow from the year's length.
#include <cstring>

#include "gls/format/format.h"
#include "gls/format/format_internal.h"

namespace gls {

namespace {

constexpr int64_t kPartsPerDay = 25920;      // 24 hours of 1080 parts
constexpr int64_t kPartsPerWeek = 181440;    // 7 days
constexpr int64_t kMonthParts = 39673;       // a lunar month beyond 28 days, in parts
constexpr int64_t kFirstMoladParts = 8339;   // the molad the count starts from
constexpr int64_t kCycleYears = 19;          // the leap cycle
constexpr int32_t kLastSpan = 236;           // Shevat (Adar I in a leap year) to Elul
constexpr int32_t kLongestCommonYear = 382;  // longer years are leap years
constexpr int32_t kYearOffset = 3744;        // n to the Hebrew year
constexpr int32_t kYearFieldOffset = 3744 - 1900;
constexpr int32_t kDayCountOffset = 5970;    // Gregorian day number to the Hebrew count
constexpr int32_t kFirstAdarName = 12;       // Adar I, then Adar II, in the name lists
constexpr int32_t kLastYear = 10000;         // the last Gregorian year converted
constexpr int32_t kLastMonthOfLastYear = 1;  // up to February 23
constexpr int32_t kLastDayOfLastYear = 23;

// A date the conversion covers: Gregorian year 1 to 10000-02-23.
bool in_range(int64_t day, int64_t month, int64_t year) {
    if (!format::gregorian_date(day, month, year)) return false;
    if (year < 1 || year > kLastYear) return false;
    if (year == kLastYear) {
        return month < kLastMonthOfLastYear ||
               (month == kLastMonthOfLastYear && day <= kLastDayOfLastYear);
    }
    return true;
}

}  // namespace

int hebrew_size_in_days(int n) {
    const int64_t a = 7 * int64_t{n} + 1;
    const int64_t c = a % kCycleYears;
    const int64_t months = a / kCycleYears + 12 * int64_t{n};
    const int64_t parts = kFirstMoladParts + kMonthParts * months;
    const int64_t r = parts % kPartsPerWeek;
    const int64_t weekday = r / kPartsPerDay;
    const int64_t fraction = r % kPartsPerDay;
    const int64_t d = 28 * months - 2 + parts / kPartsPerDay;
    // A molad too late in the day, on a Tuesday of a common year or a
    // Monday after a leap year, moves the new year on; so do the days it
    // may not fall on.
    if ((c <= 11 && fraction > 16403 && weekday == 3) ||
        (c <= 6 && fraction > 23268 && weekday == 2)) {
        const int64_t next = weekday + 1;
        return static_cast<int>(d + 1 + (next == 1 || next == 4 || next == 6 ? 1 : 0));
    }
    return static_cast<int>(d + (weekday == 1 || weekday == 4 || weekday == 6 ? 1 : 0));
}

int gl_cal_gregorian_to_hebrew(const CalendarTime *source, CalendarTime *destination) {
    const CalendarTime in = *source;
    std::memset(destination, 0, sizeof *destination);
    const int64_t day = in.mday;
    const int64_t month = in.month;
    const int64_t year = int64_t{in.year} + 1900;
    if (!in_range(day, month, year)) return -1;
    format::keep_time_of_day(in, destination);

    // Years counted from March, so that the leap day ends a year.
    int64_t m = month - 1;
    int64_t y = year;
    if (m < 1) {
        m = month + 11;
        y = year - 1;
    }
    const int64_t number =
        y / 4 + 365 * y - y / 100 + y / 400 + (367 * m) / 12 + kDayCountOffset + day;

    int n = static_cast<int>(y + 16);
    while (number >= hebrew_size_in_days(n + 1))
        ++n;
    const int32_t start = hebrew_size_in_days(n);
    const int32_t length = hebrew_size_in_days(n + 1) - start;
    const auto t = static_cast<int32_t>(number - start);

    int32_t k = 0;
    int32_t name = 0;
    int32_t mday = 0;
    if (t < length - kLastSpan) {
        // Tishri to Tevet, and Shevat in a leap year: months of 29 or 30
        // days by the year's length.
        const int32_t q = length % 10 + 114;
        k = (4 * t) / q;
        mday = t - (k * q + 3) / 4 + 1;
        name = k;
    } else {
        // The fixed end of the year: 30 and 29 days in turn.
        const int32_t u = t - (length - kLastSpan);
        const int32_t j = (2 * u) / 59;
        mday = u - (59 * j + 1) / 2 + 1;
        if (length <= kLongestCommonYear) {
            k = j + 4;
            name = j + 4;
        } else {
            k = j + 5;
            name = j + 4 < 6 ? j + kFirstAdarName : j + 4;
        }
    }
    destination->hour = in.hour;
    destination->mday = mday;
    destination->month = k;
    destination->month_name = name;
    destination->year = n + kYearFieldOffset;
    destination->weekday = static_cast<int32_t>((number + 1) % 7);
    destination->yearday = t;
    static_assert(kYearFieldOffset + 1900 == kYearOffset);
    return 0;
}

}  // namespace gls
