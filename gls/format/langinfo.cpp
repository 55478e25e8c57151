// The locale information items: read-only views of a loaded locale.
#include "gls/format/format.h"
#include "gls/util/util.h"

namespace gls {

namespace {

// The format of a time-format item, or null for any other item.
const char *const *time_format(const TimeSection &time, int item) {
    switch (item) {
        case kItemDateTimeFormat:
            return &time.formats[kFmtDateTime];
        case kItemDateFormat:
            return &time.formats[kFmtDate];
        case kItemTimeFormat:
            return &time.formats[kFmtTime];
        case kItemTime12Format:
            return &time.formats[kFmtTime12];
        case kItemEraDateFormat:
            return &time.formats[kFmtEraDate];
        case kItemEraDateTimeFormat:
            return &time.formats[kFmtEraDateTime];
        case kItemEraTimeFormat:
            return &time.formats[kFmtEraTime];
        default:
            return nullptr;
    }
}

const char *list_entry(Locale *loc, const TextList &list, int index) {
    if (index >= list.count || list.mb == nullptr) {
        gl_set_error(loc, GL_EBADITEM);
        return nullptr;
    }
    return list.mb[index];
}

const char *calendar_name(int32_t kind) {
    for (const CalendarRow *row = gls_canned_calendars; row->name != nullptr; ++row) {
        if (row->kind == kind) return row->name;
    }
    return nullptr;
}

}  // namespace

const char *gl_nl_langinfo(Locale *loc, int item) {
    if (loc == nullptr || item < 0 || item > kItemLast) return nullptr;
    const TimeSection &time = loc->time;
    const TextSection &text = loc->text;
    if (const char *const *format = time_format(time, item)) return *format;
    if (item >= kItemFirstDay && item < kItemFirstAbDay) return time.day[item - kItemFirstDay];
    if (item >= kItemFirstAbDay && item < kItemFirstMonth) {
        return time.abday[item - kItemFirstAbDay];
    }
    if (item >= kItemFirstMonth && item < kItemFirstAbMonth) {
        return list_entry(loc, time.mon, item - kItemFirstMonth);
    }
    if (item >= kItemFirstAbMonth && item < kItemDecimalPoint) {
        return list_entry(loc, time.abmon, item - kItemFirstAbMonth);
    }
    switch (item) {
        case kItemDecimalPoint:
            return text.decimal_point.mb;
        case kItemThousandsSep:
            return text.thousands_sep.mb;
        case kItemYesString:
            return text.yesstr.mb;
        case kItemNoString:
            return text.nostr.mb;
        case kItemCurrencySymbol:
            return text.currency_symbol.mb;
        case kItemCodeSet:
            return loc->codeset_names[category_slot(kCatCtype)];
        case kItemAm:
            return time.am.mb;
        case kItemPm:
            return time.pm.mb;
        case kItemEras:
            return time.joined_eras.mb;
        case kItemAltDigits:
            return time.joined_alt_digits.mb;
        case kItemYesExpr:
            return text.yesexpr.mb;
        case kItemNoExpr:
            return text.noexpr.mb;
        case kItemCalendar:
            return calendar_name(time.calendar);
        default:
            return nullptr;
    }
}

const char *gl_get_ltime_fmts(Locale *loc, int item) {
    if (loc == nullptr) return "";
    const char *const *format = time_format(loc->time, item);
    return format != nullptr ? *format : "";
}

int gl_get_era_count(Locale *loc) {
    return loc != nullptr ? loc->time.era_count : -1;
}

}  // namespace gls
