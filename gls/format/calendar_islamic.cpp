// The tabular Islamic calendar: cycles of 30 years of 354 or 355 days,
// months of 30 and 29 days in turn, counted from 622-07-18.
#include <cstring>

#include "gls/format/format.h"
#include "gls/format/format_internal.h"

namespace gls {

namespace {

constexpr int32_t cycle_year_length[30] = {354, 355, 354, 354, 355, 354, 355, 354, 354, 355,
                                           354, 354, 355, 354, 354, 355, 354, 355, 354, 354,
                                           355, 354, 354, 355, 354, 355, 354, 354, 355, 354};
constexpr int32_t kCycleYears = 30;
constexpr int64_t kCycleDays = 10631;
constexpr int64_t kEpochDay = 227013;  // 622-07-18 in the day count below
constexpr int32_t kFirstYear = 622;
constexpr int32_t kFirstMonth = 6;
constexpr int32_t kFirstDay = 18;
constexpr int32_t kLastYear = 10323;
constexpr int32_t kLastMonth = 9;
constexpr int32_t kLastDay = 20;
constexpr int32_t kLastMonthIndex = 11;
constexpr int32_t kLongMonthDays = 30;
constexpr int32_t kWeekdayAtEpoch = 4;  // 1 Muharram 1 was a Thursday (4, Sunday 0)

// A date the conversion covers: 622-07-18 to 10323-10-20.
bool in_range(int64_t day, int64_t month, int64_t year) {
    if (!format::gregorian_date(day, month, year)) return false;
    if (year < kFirstYear || year > kLastYear) return false;
    if (year == kFirstYear && (month < kFirstMonth || (month == kFirstMonth && day < kFirstDay)))
        return false;
    if (year == kLastYear && (month > kLastMonth || (month == kLastMonth && day > kLastDay)))
        return false;
    return true;
}

// Days of the first `years` years of a cycle.
int32_t cycle_days_before(int32_t years) {
    int32_t days = 0;
    for (int32_t i = 0; i < years; ++i)
        days += cycle_year_length[i];
    return days;
}

}  // namespace

int gl_cal_gregorian_to_islamic(const CalendarTime *source, CalendarTime *destination) {
    const CalendarTime in = *source;
    std::memset(destination, 0, sizeof *destination);
    const int64_t day = in.mday;
    const int64_t month = in.month;
    const int64_t year = int64_t{in.year} + 1900;
    if (!in_range(day, month, year)) return -1;
    format::keep_time_of_day(in, destination);

    const int64_t before = year - 1;
    const int64_t number = 365 * before + before / 4 - before / 100 + before / 400 +
                           _gl_gregorian_yearday(in.mday, in.month, static_cast<int>(year));
    const int64_t elapsed = number - kEpochDay;
    auto islamic_year = static_cast<int32_t>(kCycleYears * (elapsed / kCycleDays) + 1);
    auto r = static_cast<int32_t>(elapsed % kCycleDays);
    for (int32_t i = 0; i < kCycleYears && r >= cycle_year_length[i]; ++i) {
        r -= cycle_year_length[i];
        ++islamic_year;
    }

    int32_t k = (2 * r) / 59;
    int32_t mday = 0;
    if (k == kLastMonthIndex + 1) {
        // The 355th day of a long year.
        k = kLastMonthIndex;
        mday = kLongMonthDays;
    } else {
        mday = r - (59 * k + 1) / 2 + 1;
    }
    destination->hour = in.hour;
    destination->mday = mday;
    destination->month = k;
    destination->month_name = k;
    destination->year = islamic_year - 1900;
    destination->yearday = r;
    const int64_t since_epoch = kCycleDays * ((islamic_year - 1) / kCycleYears) +
                                cycle_days_before((islamic_year - 1) % kCycleYears) +
                                (59 * k + 1) / 2 + mday - 1;
    destination->weekday = static_cast<int32_t>((since_epoch + kWeekdayAtEpoch) % 7);
    return 0;
}

}  // namespace gls
