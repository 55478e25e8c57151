// The Gregorian calendar the formatter is handed, and the conversion of a
// record into the calendar a locale shows its dates in.
#include <cstring>

#include "gls/format/format.h"
#include "gls/format/format_internal.h"

namespace gls {

namespace {

constexpr int32_t _gl_greg_month_length[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
// Days before each month of a common year.
constexpr int32_t kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int kFebruary = 1;

}  // namespace

namespace format {

bool gregorian_leap(int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool gregorian_date(int64_t day, int64_t month, int64_t year) {
    if (month < 0 || month > 11 || day < 1) return false;
    const int64_t last =
        _gl_greg_month_length[month] + (month == kFebruary && gregorian_leap(year));
    return day <= last;
}

}  // namespace format

int _gl_gregorian_yearday(int day, int month, int year) {
    if (month <= kFebruary) return kDaysBefore[month < 0 ? 0 : month] + day - 1;
    const int index = month > 11 ? 11 : month;
    return kDaysBefore[index] + day - 1 + (format::gregorian_leap(year) ? 1 : 0);
}

int gl_cal_gregorian_to_local(Locale *loc, const CalendarTime *source, CalendarTime *destination) {
    if (loc == nullptr || source == nullptr || destination == nullptr) {
        if (loc != nullptr) gl_set_error(loc, GL_ENULLARG);
        return -1;
    }
    int status = -1;
    switch (loc->time.calendar) {
        case kCalendarGregorian:
            *destination = *source;
            return 0;
        case kCalendarHebrew:
            status = gl_cal_gregorian_to_hebrew(source, destination);
            break;
        case kCalendarIslamic:
            status = gl_cal_gregorian_to_islamic(source, destination);
            break;
        default:
            // "arabic" is named but has no arithmetic of its own.
            std::memset(destination, 0, sizeof *destination);
            gl_set_error(loc, GL_EBADITEM);
            return -1;
    }
    if (status != 0) gl_set_error(loc, GL_ERANGE);
    return status;
}

}  // namespace gls
