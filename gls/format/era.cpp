// Eras: which era a date lies in, and the year within it.
#include <initializer_list>

#include "gls/format/format_internal.h"
#include "gls/format/time_internal.h"

namespace gls::format {

namespace {

constexpr int64_t kFirstYear = 0;
constexpr int64_t kLastYear = 9999;

struct Date {
    int64_t year, month, day;  // month 1 to 12
};

int compare(const Date &a, const Date &b) {
    if (a.year != b.year) return a.year < b.year ? -1 : 1;
    if (a.month != b.month) return a.month < b.month ? -1 : 1;
    if (a.day != b.day) return a.day < b.day ? -1 : 1;
    return 0;
}

// Any direction but -1 reads forward, so a damaged entry still compares.
int direction_of(const EraEntry &era) {
    return era.direction < 0 ? -1 : 1;
}

bool open_ended(const EraEntry &era) {
    return direction_of(era) * era.end_kind > 0;
}

Date start_of(const EraEntry &era) {
    return {era.start_year, era.start_month, era.start_day};
}

Date end_of(const EraEntry &era) {
    return {era.end_year, era.end_month, era.end_day};
}

}  // namespace

const EraEntry *find_era(const Locale *loc, const CalendarTime &record) {
    const Date date{int64_t{record.year} + 1900, int64_t{record.month} + 1, record.mday};
    const int32_t count = usable_eras(loc);
    for (int32_t i = 0; i < count; ++i) {
        const EraEntry &era = loc->time.era_entries[i];
        const int d = direction_of(era);
        if (d * compare(date, start_of(era)) < 0) continue;
        if (!open_ended(era) && d * compare(date, end_of(era)) > 0) continue;
        return &era;
    }
    return nullptr;
}

int64_t era_year(const EraEntry &era, const CalendarTime &record) {
    const int d = direction_of(era);
    const int64_t year = int64_t{record.year} + 1900;
    int64_t value = era.offset + (year - era.start_year) * d;
    // The era year turns on the anniversary of the era's start.
    const Date day_in_year{0, int64_t{record.month} + 1, record.mday};
    const Date start_in_year{0, era.start_month, era.start_day};
    if (d * compare(day_in_year, start_in_year) < 0) --value;
    return value;
}

bool era_year_bounds(const Locale *loc, int64_t *smallest, int64_t *largest) {
    bool any = false;
    const int32_t count = usable_eras(loc);
    for (int32_t i = 0; i < count; ++i) {
        const EraEntry &era = loc->time.era_entries[i];
        const int d = direction_of(era);
        // The years the era covers, within 0 to 9999.
        int64_t from = d > 0 ? era.start_year : (open_ended(era) ? kFirstYear : era.end_year);
        int64_t to = d > 0 ? (open_ended(era) ? kLastYear : era.end_year) : era.start_year;
        if (from < kFirstYear) from = kFirstYear;
        if (to > kLastYear) to = kLastYear;
        if (from > to) continue;
        for (const int64_t year : {from, to}) {
            const int64_t value = era.offset + (year - era.start_year) * d;
            // One less before the anniversary.
            for (const int64_t v : {value, value - 1}) {
                if (!any || v < *smallest) *smallest = v;
                if (!any || v > *largest) *largest = v;
                any = true;
            }
        }
    }
    return any;
}

}  // namespace gls::format
