// The time formatter's measuring mode: for each directive the reader
// yields, the most characters and bytes it can write for a record of the
// years 0 to 9999, so that callers can size their buffers once.
#include <algorithm>
#include <initializer_list>
#include <iterator>

#include "gls/chars/chars.h"
#include "gls/format/format_internal.h"
#include "gls/format/time_internal.h"

namespace gls::format {

namespace {

// The largest value each number takes.
constexpr int64_t kLargestCentury = 99;
constexpr int64_t kLargestDay = 99;
constexpr int64_t kLargestHour = 23;
constexpr int64_t kLargestHour12 = 12;
constexpr int64_t kLargestMinute = 59;
constexpr int64_t kLargestSecond = 60;
constexpr int64_t kLargestYearDay = 366;
constexpr int64_t kLargestWeekday = 7;
constexpr int64_t kLargestYear2 = 99;
constexpr int64_t kLargestYear = 9999;
constexpr int64_t kLargestFraction = 999999;
constexpr int64_t kDaysInLongestMonth = 31;
constexpr int kDecimal = 10;
constexpr int kNoPrecision = -1;
constexpr int kPlainFractionDigits = 6;
constexpr int kDotFractionDigits = 2;

struct Length {
    int64_t chars;
    int64_t bytes;
};

void add(TimeMeasurer *m, Length length) {
    m->chars += length.chars;
    m->bytes += length.bytes;
}

int longest(TimeMeasurer *m, int kind, bool bytes) {
    int &slot = bytes ? m->longest_bytes[kind] : m->longest_chars[kind];
    if (slot < 0) slot = bytes ? max_loc_bytelen(m->loc, kind) : max_loc_strlen(m->loc, kind);
    return slot;
}

// A name of a list: the longest, padded to the width.
Length name(TimeMeasurer *m, int kind, const Directive &d) {
    const int64_t chars = longest(m, kind, false);
    const int64_t bytes = longest(m, kind, true);
    const int64_t width = d.width > 0 ? d.width : 0;
    return {std::max(width, chars), bytes + width * m->ascii_bytes};
}

// The negative sign string ("-" where the locale has none).
Length negative_sign(TimeMeasurer *m) {
    const char *sign = m->loc->text.negative_sign.mb;
    if (sign == nullptr) return {1, m->ascii_bytes};
    return {std::max(0, text_chars(m->loc, sign)), std::max(0, text_bytes(m->loc, sign))};
}

// A number whose values run from `smallest` to `largest`.
Length number(TimeMeasurer *m, const Directive &d, int64_t smallest, int64_t largest,
              int default_precision) {
    const int64_t precision = d.precision >= 0 ? d.precision : default_precision;
    const int64_t width = d.width > 0 ? d.width : 0;
    const int64_t magnitude = std::max(largest, smallest < 0 ? -smallest : 0);
    const Length sign = smallest < 0 ? negative_sign(m) : Length{0, 0};
    const int32_t base = usable_alt_digits(m->loc);
    if (d.prefix == Prefix::kO && base >= 2) {
        const int64_t digits = std::max<int64_t>(precision, digits_in_base(magnitude, base));
        const int64_t chars = digits * longest(m, kInfoAltDigits, false) + sign.chars;
        const int64_t bytes = digits * longest(m, kInfoAltDigits, true) + sign.bytes;
        return {std::max(width, chars), bytes + width * m->max_char_bytes};
    }
    const int64_t digits = std::max<int64_t>(precision, digits_in_base(magnitude, kDecimal));
    return {std::max(width, digits + sign.chars),
            std::max(width, digits) * m->ascii_bytes + sign.bytes};
}

Length number(TimeMeasurer *m, const Directive &d, int64_t largest, int default_precision) {
    return number(m, d, 0, largest, default_precision);
}

Length joined(TimeMeasurer *m, const Directive &d, std::initializer_list<int64_t> largest,
              int default_precision) {
    Length total{0, 0};
    for (const int64_t value : largest) {
        const Length part = number(m, d, value, default_precision);
        total.chars += part.chars;
        total.bytes += part.bytes;
    }
    const auto separators = static_cast<int64_t>(largest.size()) - 1;
    return {total.chars + separators, total.bytes + separators * m->ascii_bytes};
}

uint32_t nested(TimeMeasurer *m, const gl_wchar_t *format) {
    if (format == nullptr || *format == 0) return 0;
    if (m->depth >= kMaxNesting || ++m->expansions > kMaxExpansions) return GL_EBADFMT;
    ++m->depth;
    const uint32_t error = measure_format(m, format);
    --m->depth;
    return error;
}

// %EY: the longest of the eras' own year formats, measured once a call.
uint32_t era_year_formats(TimeMeasurer *m) {
    if (!m->era_formats_known) {
        const Length before{m->chars, m->bytes};
        Length most{0, 0};
        for (int32_t i = 0; i < usable_eras(m->loc); ++i) {
            m->chars = 0;
            m->bytes = 0;
            if (const uint32_t error = nested(m, m->loc->time.era_entries[i].wthird)) return error;
            most.chars = std::max(most.chars, m->chars);
            most.bytes = std::max(most.bytes, m->bytes);
        }
        m->chars = before.chars;
        m->bytes = before.bytes;
        m->era_formats_known = true;
        m->era_formats_chars = most.chars;
        m->era_formats_bytes = most.bytes;
    }
    add(m, {m->era_formats_chars, m->era_formats_bytes});
    return 0;
}

Length era_year(TimeMeasurer *m, const Directive &d) {
    int64_t smallest = 0;
    int64_t largest = 0;
    if (!era_year_bounds(m->loc, &smallest, &largest)) return number(m, d, kLargestYear2, 2);
    return number(m, d, smallest, largest, 2);
}

Length fraction(TimeMeasurer *m, const Directive &d) {
    const bool dot = d.prefix == Prefix::kI;
    const int64_t count = d.digits >= 0      ? d.digits
                          : d.precision >= 0 ? d.precision
                          : dot              ? kDotFractionDigits
                                             : kPlainFractionDigits;
    const int64_t width = std::max<int64_t>(d.width, d.digits);
    const int64_t chars = std::max(
        {width, count + (dot ? 1 : 0), int64_t{digits_in_base(kLargestFraction, kDecimal)}});
    return {chars, chars * m->ascii_bytes};
}

Length day_space(TimeMeasurer *m, const Directive &d) {
    const int32_t base = usable_alt_digits(m->loc);
    if (d.prefix == Prefix::kO && base >= 2) {
        const Length digits = number(m, d, kLargestDay, kNoPrecision);
        const int64_t blanks = digits_in_base(kDaysInLongestMonth, base) - 1;
        return {digits.chars + blanks, digits.bytes + blanks * m->ascii_bytes};
    }
    return number(m, d, kLargestDay, 2);
}

uint32_t measure_directive(TimeMeasurer *m, const Directive &d) {
    const TimeSection &t = m->loc->time;
    const bool era = d.prefix == Prefix::kE;
    const bool alt = d.prefix == Prefix::kO;
    const int64_t months = std::max(1, time_list_count(m->loc, kInfoMonths));
    switch (d.conv) {
        case Conv::kBad:
            return GL_EBADFMT;
        case Conv::kPercent:
        case Conv::kNewline:
        case Conv::kTab:
            add(m, {1, m->ascii_bytes});
            return 0;
        case Conv::kAbDay:
            add(m, name(m, kInfoAbDays, d));
            return 0;
        case Conv::kDay:
            add(m, name(m, kInfoDays, d));
            return 0;
        case Conv::kAbMonth:
            add(m, name(m, kInfoAbMonths, d));
            return 0;
        case Conv::kMonth:
            add(m, name(m, kInfoMonths, d));
            return 0;
        case Conv::kAmPm:
            add(m, name(m, kInfoAmPm, d));
            return 0;
        case Conv::kEraName:
            add(m, name(m, kInfoEraNames, d));
            return 0;
        case Conv::kEraSecond:
            add(m, name(m, kInfoEraSecond, d));
            return 0;
        case Conv::kDateTime:
            return nested(m, t.wformats[era ? kFmtEraDateTime : kFmtDateTime]);
        case Conv::kDate:
            return nested(m, t.wformats[era ? kFmtEraDate : kFmtDate]);
        case Conv::kTime:
            return nested(m, t.wformats[era ? kFmtEraTime : kFmtTime]);
        case Conv::kTime12:
            return nested(m, t.wformats[kFmtTime12]);
        case Conv::kEraYearFormat:
            return era_year_formats(m);
        case Conv::kCentury:
            add(m, number(m, d, kLargestCentury, kNoPrecision));
            return 0;
        case Conv::kDayOfMonth:
            add(m, number(m, d, kLargestDay, 2));
            return 0;
        case Conv::kDaySpace:
            add(m, day_space(m, d));
            return 0;
        case Conv::kMonthDayYear:
            add(m, joined(m, d, {months, kLargestDay, kLargestYear2}, alt ? kNoPrecision : 2));
            return 0;
        case Conv::kFraction:
            add(m, fraction(m, d));
            return 0;
        case Conv::kHour:
            add(m, number(m, d, kLargestHour, 2));
            return 0;
        case Conv::kHour12:
            add(m, number(m, d, kLargestHour12, 2));
            return 0;
        case Conv::kYearDay:
            add(m, number(m, d, kLargestYearDay, 3));
            return 0;
        case Conv::kMonthNumber:
            add(m, number(m, d, months, 2));
            return 0;
        case Conv::kMinute:
            add(m, number(m, d, kLargestMinute, 2));
            return 0;
        case Conv::kHourMinute:
            add(m, joined(m, d, {kLargestHour, kLargestMinute}, kNoPrecision));
            return 0;
        case Conv::kSecond:
            add(m, number(m, d, kLargestSecond, 2));
            return 0;
        case Conv::kHourMinuteSecond:
            add(m, joined(m, d, {kLargestHour, kLargestMinute, kLargestSecond}, kNoPrecision));
            return 0;
        case Conv::kWeekdayMonday:
        case Conv::kWeekdaySunday:
            add(m, number(m, d, kLargestWeekday, 2));
            return 0;
        case Conv::kYear2:
            add(m,
                era || (alt && m->prefixes.eras) ? era_year(m, d) : number(m, d, kLargestYear2, 2));
            return 0;
        case Conv::kYear4:
            add(m, number(m, d, kLargestYear, 4));
            return 0;
    }
    return GL_EBADFMT;
}

}  // namespace

void start_measurer(TimeMeasurer *m, Locale *loc, Prefixes prefixes) {
    *m = TimeMeasurer{};
    m->loc = loc;
    m->prefixes = prefixes;
    m->ascii_bytes = std::max(1, gl_wclen(loc, '0'));
    m->max_char_bytes = std::clamp(gl_mb_loc_max(loc), 1, 4);
    std::fill(std::begin(m->longest_chars), std::end(m->longest_chars), -1);
    std::fill(std::begin(m->longest_bytes), std::end(m->longest_bytes), -1);
}

uint32_t measure_format(TimeMeasurer *m, const gl_wchar_t *format) {
    for (const gl_wchar_t *p = format; *p != 0;) {
        if (*p != '%') {
            const int bytes = gl_wclen(m->loc, *p);
            add(m, {1, bytes > 0 ? bytes : m->max_char_bytes});
            ++p;
            continue;
        }
        Directive d;
        if (const uint32_t error = read_directive(m->loc, p, m->prefixes, &d)) return error;
        if (const uint32_t error = measure_directive(m, d)) return error;
        p = d.next;
    }
    return 0;
}

}  // namespace gls::format
