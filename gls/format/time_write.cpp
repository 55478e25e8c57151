// The time formatter's writing mode: each directive the reader yields is
// checked against the record and written with the locale's names, numbers,
// eras and alternative digits.
#include <cstring>
#include <type_traits>

#include "gls/chars/chars.h"
#include "gls/format/format_internal.h"
#include "gls/format/time_internal.h"
#include "gls/util/util.h"

namespace gls::format {

namespace {

constexpr int kDecimal = 10;
constexpr int64_t kLastYear = 9999;
constexpr int32_t kLastDay = 99;
constexpr int32_t kLastHour = 23;
constexpr int32_t kLastMinute = 59;
constexpr int32_t kLastSecond = 60;
constexpr int32_t kLastWeekday = 6;
constexpr int32_t kLastYearDay = 365;
constexpr int32_t kNoon = 12;
constexpr uint64_t kLastFraction = 999999;
constexpr int kFractionDigits = 6;
constexpr int kPlainFractionDigits = 6;
constexpr int kDotFractionDigits = 2;
constexpr int kNoPrecision = -1;
// Names converted for display: longer ones are taken from the host.
constexpr int kNameRoom = 256;

// Whether a writer of these units is the byte mode.
template <class Unit>
constexpr bool kBytes = std::is_same_v<Unit, char>;

// A text of the locale in the writer's units. The wide copy decides
// whether there is one, so that both modes write the same.
template <class Unit>
const Unit *text_in(const gl_wchar_t *wide, const char *bytes) {
    if constexpr (kBytes<Unit>) {
        return wide != nullptr ? bytes : nullptr;
    } else {
        (void)bytes;
        return wide;
    }
}

// ---- Checks of the record ----------------------------------------------

constexpr uint32_t kNoError = 0;

int64_t full_year(const CalendarTime &r) {
    return int64_t{r.year} + 1900;
}

uint32_t check_year(const CalendarTime &r) {
    return full_year(r) > kLastYear ? GL_EYEAR : kNoError;
}

uint32_t check_month(const Locale *loc, const CalendarTime &r) {
    return r.month < 0 || r.month >= time_list_count(loc, kInfoMonths) ? GL_EMONTH : kNoError;
}

uint32_t check_day(const CalendarTime &r) {
    return r.mday < 1 || r.mday > kLastDay ? GL_EDAY : kNoError;
}

uint32_t check_hour(const CalendarTime &r) {
    return r.hour > kLastHour ? GL_EHOUR : kNoError;
}

uint32_t check_minute(const CalendarTime &r) {
    return r.minute > kLastMinute ? GL_EMINUTE : kNoError;
}

uint32_t check_second(const CalendarTime &r) {
    return r.second > kLastSecond ? GL_ESECOND : kNoError;
}

// The weekday indexes the day names: below 0 is as wrong as above 6.
uint32_t check_weekday(const CalendarTime &r) {
    return r.weekday < 0 || r.weekday > kLastWeekday ? GL_EWEEKDAY : kNoError;
}

// The first failing check of several, in order.
template <class... Checks>
uint32_t first_failure(Checks... checks) {
    uint32_t error = 0;
    ((error = error != 0 ? error : checks), ...);
    return error;
}

int64_t floor_mod(int64_t value, int64_t modulus) {
    const int64_t r = value % modulus;
    return r < 0 ? r + modulus : r;
}

// ---- Output ---------------------------------------------------------------

template <class Unit>
bool put(BasicTimeWriter<Unit> *w, char c) {
    if (w->count >= w->max) return false;
    w->out[w->count++] = c;
    return true;
}

template <class Unit>
uint32_t put_or_full(BasicTimeWriter<Unit> *w, char c) {
    return put(w, c) ? kNoError : GL_E2BIG;
}

// A number with a width, a sign or alternative digits.
uint32_t modified_number(TimeWriter *w, int64_t value, const Directive &d, int precision) {
    if (d.prefix == Prefix::kO) return write_alt_number(w, value, d, precision);
    const uint32_t flags = d.left ? kFlagLeft : d.pad == '0' ? kFlagZero : 0;
    const uint64_t magnitude =
        value < 0 ? static_cast<uint64_t>(-(value + 1)) + 1 : static_cast<uint64_t>(value);
    gl_wchar_t *out = w->out + w->count;
    if (_gl_format_decimal(w->loc, magnitude, value < 0 ? 1 : 0, kDecimal, &w->count, w->max, &out,
                           d.width, precision, flags) != 0) {
        return GL_E2BIG;
    }
    return 0;
}

// Inlined into each directive: most numbers have neither a width nor an
// alternative form.
template <class Unit>
[[gnu::always_inline]] inline uint32_t number(BasicTimeWriter<Unit> *w, int64_t value,
                                              const Directive &d, int default_precision) {
    const int precision = d.precision >= 0 ? d.precision : default_precision;
    if (value < 0 || d.width > 0 || d.prefix == Prefix::kO) {
        if constexpr (kBytes<Unit>) {
            return kNeedsWide;
        } else {
            return modified_number(w, value, d, precision);
        }
    }
    // What _gl_format_decimal writes for a number without a width.
    const int n = write_plain_decimal(static_cast<uint64_t>(value), precision, w->out + w->count,
                                      w->max - w->count);
    if (n < 0) return GL_E2BIG;
    w->count += n;
    return 0;
}

// Numbers joined by a separator (%D, %R, %T), each with the directive's
// modifiers.
template <class Unit, size_t N>
uint32_t numbers(BasicTimeWriter<Unit> *w, const int64_t (&values)[N], char separator,
                 const Directive &d, int default_precision) {
    for (size_t i = 0; i < N; ++i) {
        if (i > 0 && !put(w, separator)) return GL_E2BIG;
        if (const uint32_t error = number(w, values[i], d, default_precision)) return error;
    }
    return 0;
}

// A name: cut from the end to the precision's columns, padded to the
// width's.
uint32_t padded_name(TimeWriter *w, const gl_wchar_t *text, int64_t length, const Directive &d) {
    int64_t shown = columns(w->loc, text, length);
    if (d.precision >= 1) {
        while (length > 0 && shown > d.precision)
            shown -= columns(w->loc, text[--length]);
    }
    const gl_wchar_t pad_char = d.left ? ' ' : d.pad;
    const int64_t pad = d.width > shown ? (d.width - shown) / columns(w->loc, pad_char) : 0;
    if (length + pad > w->max - w->count) return GL_E2BIG;
    gl_wchar_t *out = w->out + w->count;
    if (!d.left) {
        for (int64_t i = 0; i < pad; ++i)
            *out++ = pad_char;
    }
    for (int64_t i = 0; i < length; ++i)
        *out++ = text[i];
    if (d.left) {
        for (int64_t i = 0; i < pad; ++i)
            *out++ = pad_char;
    }
    w->count += static_cast<int>(length + pad);
    return 0;
}

// The text as it stands, or cut and padded (in the wide mode only, which
// can count its columns).
template <class Unit>
uint32_t name(BasicTimeWriter<Unit> *w, const Unit *text, int64_t length, const Directive &d) {
    if (text == nullptr) length = 0;
    if (d.width <= 0 && d.precision < 1) {
        if (length > w->max - w->count) return GL_E2BIG;
        if (length > 0)
            std::memcpy(w->out + w->count, text, sizeof(Unit) * static_cast<size_t>(length));
        w->count += static_cast<int>(length);
        return 0;
    }
    if constexpr (kBytes<Unit>) {
        return kNeedsWide;
    } else {
        return padded_name(w, text, length, d);
    }
}

template <class Unit>
uint32_t name(BasicTimeWriter<Unit> *w, const Unit *text, const Directive &d) {
    int64_t length = 0;
    if constexpr (kBytes<Unit>) {
        length = text != nullptr ? static_cast<int64_t>(std::strlen(text)) : 0;
    } else {
        length = text != nullptr ? gl_wcslen(text) : 0;
    }
    return name(w, text, length, d);
}

// A name the locale keeps only in its code set (the eras'), which the byte
// mode writes as it is: the loader made it from the era's wide text.
uint32_t byte_name(ByteTimeWriter *w, const char *text, const Directive &d) {
    if (text == nullptr || *text == '\0') return 0;
    return name(w, text, static_cast<int64_t>(std::strlen(text)), d);
}

uint32_t byte_name(TimeWriter *w, const char *text, const Directive &d) {
    if (text == nullptr || *text == '\0') return 0;
    if (d.width <= 0 && d.precision < 1) {
        // Widened straight into the output; a name that fills the room
        // leaves none for the terminator.
        const int room = w->max - w->count;
        const int converted = widen_text(w->loc, w->out + w->count, text, room);
        if (converted < 0) return GL_EILSEQ;
        if (converted >= room) return GL_E2BIG;
        w->count += converted;
        return 0;
    }
    const int length = text_chars(w->loc, text);
    if (length < 0) return GL_EILSEQ;
    gl_wchar_t room[kNameRoom];
    HostPtr<gl_wchar_t> grown;
    gl_wchar_t *wide = room;
    if (length >= kNameRoom) {
        grown = host_alloc_unfilled<gl_wchar_t>(static_cast<size_t>(length) + 1);
        if (!grown) return GL_ENOMEM;
        wide = grown.get();
    }
    const int converted = widen_text(w->loc, wide, text, length + 1);
    if (converted != length) return GL_EILSEQ;
    return name<gl_wchar_t>(w, wide, length, d);
}

// A format of the locale, expanded with the same record.
template <class Unit>
uint32_t nested(BasicTimeWriter<Unit> *w, const Unit *format) {
    if (format == nullptr || *format == 0) return 0;
    if (w->depth >= kMaxNesting || ++w->expansions > kMaxExpansions) return GL_EBADFMT;
    const int date_flag = w->date_flag;
    ++w->depth;
    w->date_flag = 1;
    const uint32_t error = write_format(w, format);
    --w->depth;
    w->date_flag = date_flag;
    return error;
}

// The fraction of a second: six digits cut from the left to the digit
// count (zeros beyond six), after a "." for %iF, padded to the width.
template <class Unit>
uint32_t fraction(BasicTimeWriter<Unit> *w, const CalendarTime &r, const Directive &d) {
    if (r.fraction > kLastFraction) return GL_EFRACTION;
    const bool dot = d.prefix == Prefix::kI;
    const int64_t count = d.digits >= 0      ? d.digits
                          : d.precision >= 0 ? d.precision
                          : dot              ? kDotFractionDigits
                                             : kPlainFractionDigits;
    const int64_t width = d.digits >= 0 && d.width < d.digits ? d.digits : d.width;
    const int64_t length = count + (dot ? 1 : 0);
    const int64_t pad = width > length ? width - length : 0;
    if (length + pad > w->max - w->count) return GL_E2BIG;
    const auto pad_char = static_cast<Unit>(d.left ? ' ' : d.pad);
    Unit *out = w->out + w->count;
    for (int64_t i = 0; !d.left && i < pad; ++i)
        *out++ = pad_char;
    if (dot) *out++ = '.';
    uint64_t divisor = 100000;
    for (int64_t i = 0; i < count; ++i) {
        if (i < kFractionDigits) {
            *out++ = static_cast<Unit>('0' + (r.fraction / divisor) % kDecimal);
            divisor /= kDecimal;
        } else {
            *out++ = '0';
        }
    }
    for (int64_t i = 0; d.left && i < pad; ++i)
        *out++ = pad_char;
    w->count += static_cast<int>(length + pad);
    return 0;
}

// A month name by the record's month-name index, which a calendar
// conversion sets and which the list it indexes must hold.
template <class Unit>
uint32_t month_name(BasicTimeWriter<Unit> *w, const TextList &list, const Directive &d) {
    const CalendarTime &r = *w->record;
    if (const uint32_t error = check_month(w->loc, r)) return error;
    if (r.month_name < 0 || r.month_name >= list.count || list.wc == nullptr) return GL_EMONTH;
    if constexpr (kBytes<Unit>) {
        if (list.mb == nullptr) return kNeedsWide;
    }
    return name(w, text_in<Unit>(list.wc[r.month_name], list.mb[r.month_name]), d);
}

// The era of the record's date; GL_EBADITEM when none holds it.
template <class Unit>
uint32_t era_of(BasicTimeWriter<Unit> *w, bool checked, const EraEntry **era) {
    const CalendarTime &r = *w->record;
    if (checked) {
        if (const uint32_t error =
                first_failure(check_year(r), check_month(w->loc, r), check_day(r))) {
            return error;
        }
    }
    if (!w->era_known) {
        w->era = find_era(w->loc, r);
        w->era_known = true;
    }
    *era = w->era;
    return *era != nullptr ? kNoError : GL_EBADITEM;
}

template <class Unit>
uint32_t era_formats(BasicTimeWriter<Unit> *w, const Directive &d, TimeFormat plain,
                     TimeFormat era) {
    const int which = d.prefix == Prefix::kE ? era : plain;
    const TimeSection &t = w->loc->time;
    return nested(w, text_in<Unit>(t.wformats[which], t.formats[which]));
}

template <class Unit>
uint32_t write_directive(BasicTimeWriter<Unit> *w, const Directive &d) {
    Locale *loc = w->loc;
    const TimeSection &t = loc->time;
    const CalendarTime &r = *w->record;
    const bool alt = d.prefix == Prefix::kO;
    switch (d.conv) {
        case Conv::kBad:
            return GL_EBADFMT;
        case Conv::kPercent:
            return put_or_full(w, '%');
        case Conv::kNewline:
            return put_or_full(w, '\n');
        case Conv::kTab:
            return put_or_full(w, '\t');
        case Conv::kAbDay:
            if (const uint32_t error = check_weekday(r)) return error;
            return name(w, text_in<Unit>(t.wabday[r.weekday], t.abday[r.weekday]), d);
        case Conv::kDay:
            if (const uint32_t error = check_weekday(r)) return error;
            return name(w, text_in<Unit>(t.wday[r.weekday], t.day[r.weekday]), d);
        case Conv::kAbMonth:
            return month_name(w, t.abmon, d);
        case Conv::kMonth:
            return month_name(w, t.mon, d);
        case Conv::kAmPm: {
            if (const uint32_t error = check_hour(r)) return error;
            const LocaleText &marker = r.hour < kNoon ? t.am : t.pm;
            return name(w, text_in<Unit>(marker.wc, marker.mb), d);
        }
        case Conv::kDateTime:
            return era_formats(w, d, kFmtDateTime, kFmtEraDateTime);
        case Conv::kDate:
            return era_formats(w, d, kFmtDate, kFmtEraDate);
        case Conv::kTime:
            return era_formats(w, d, kFmtTime, kFmtEraTime);
        case Conv::kTime12:
            return nested(w, text_in<Unit>(t.wformats[kFmtTime12], t.formats[kFmtTime12]));
        case Conv::kEraYearFormat: {
            const EraEntry *era = nullptr;
            if (const uint32_t error = era_of(w, false, &era)) return error;
            return nested(w, text_in<Unit>(era->wthird, era->third));
        }
        case Conv::kEraName:
        case Conv::kEraSecond: {
            const EraEntry *era = nullptr;
            if (const uint32_t error = era_of(w, true, &era)) return error;
            return byte_name(w, d.conv == Conv::kEraName ? era->name : era->format, d);
        }
        case Conv::kCentury:
            if (const uint32_t error = check_year(r)) return error;
            return number(w, full_year(r) / 100, d, kNoPrecision);
        case Conv::kDayOfMonth:
            if (r.mday > kLastDay || (w->date_flag != 0 && r.mday < 1)) return GL_EDAY;
            return number(w, r.mday, d, 2);
        case Conv::kDaySpace: {
            if (const uint32_t error = check_day(r)) return error;
            Directive shown = d;
            int blanks = 0;
            if (alt) {
                const int32_t base = usable_alt_digits(loc);
                if (base >= 2) blanks = digits_in_base(31, base) - digits_in_base(r.mday, base);
            } else if (r.mday <= 9 && d.precision < 2) {
                blanks = 1;
                if (shown.width > 0) --shown.width;
            }
            for (int i = 0; i < blanks; ++i) {
                if (!put(w, ' ')) return GL_E2BIG;
            }
            return number(w, r.mday, shown, kNoPrecision);
        }
        case Conv::kMonthDayYear:
            if (const uint32_t error =
                    first_failure(check_month(loc, r), check_day(r), check_year(r))) {
                return error;
            }
            return numbers(w, {int64_t{r.month} + 1, r.mday, floor_mod(full_year(r), 100)}, '/', d,
                           alt ? kNoPrecision : 2);
        case Conv::kFraction:
            return fraction(w, r, d);
        case Conv::kHour:
            if (const uint32_t error = check_hour(r)) return error;
            return number(w, r.hour, d, 2);
        case Conv::kHour12:
            if (const uint32_t error = check_hour(r)) return error;
            return number(w, r.hour % kNoon == 0 ? kNoon : r.hour % kNoon, d, 2);
        case Conv::kYearDay:
            if (r.yearday > kLastYearDay) return GL_EYEARDAY;
            return number(w, int64_t{r.yearday} + 1, d, 3);
        case Conv::kMonthNumber:
            if (const uint32_t error = check_month(loc, r)) return error;
            return number(w, int64_t{r.month} + 1, d, 2);
        case Conv::kMinute:
            if (const uint32_t error = check_minute(r)) return error;
            return number(w, r.minute, d, 2);
        case Conv::kHourMinute:
            if (const uint32_t error = first_failure(check_hour(r), check_minute(r))) return error;
            return numbers(w, {r.hour, r.minute}, ':', d, kNoPrecision);
        case Conv::kSecond:
            if (const uint32_t error = check_second(r)) return error;
            return number(w, r.second, d, 2);
        case Conv::kHourMinuteSecond:
            if (const uint32_t error =
                    first_failure(check_second(r), check_minute(r), check_hour(r))) {
                return error;
            }
            return numbers(w, {r.hour, r.minute, r.second}, ':', d, kNoPrecision);
        case Conv::kWeekdayMonday:
            if (const uint32_t error = check_weekday(r)) return error;
            return number(w, r.weekday == 0 ? 7 : r.weekday, d, 2);
        case Conv::kWeekdaySunday:
            if (const uint32_t error = check_weekday(r)) return error;
            return number(w, r.weekday, d, 2);
        case Conv::kYear2:
            // The era year for %Ey, and for %Oy in a locale with eras.
            if (d.prefix == Prefix::kE || (alt && w->prefixes.eras)) {
                const EraEntry *era = nullptr;
                if (const uint32_t error = era_of(w, true, &era)) return error;
                return number(w, era_year(*era, r), d, 2);
            }
            return number(w, floor_mod(full_year(r), 100), d, 2);
        case Conv::kYear4: {
            if (const uint32_t error = check_year(r)) return error;
            const int64_t year = full_year(r);
            const uint32_t error = number(w, year < 0 ? -year : year, d, 4);
            return error != 0 && d.prefix == Prefix::kNone ? GL_EYEAROUT : error;
        }
    }
    return GL_EBADFMT;
}

}  // namespace

template <class Unit>
uint32_t write_format(BasicTimeWriter<Unit> *w, const Unit *format) {
    const Unit *p = format;
    while (*p != 0) {
        if (*p != '%') {
            // A run of plain characters, counted in a local: the stores
            // into the output could otherwise be taken to change the count.
            int count = w->count;
            const int max = w->max;
            Unit *out = w->out;
            do {
                if (count >= max) {
                    w->count = count;
                    return GL_E2BIG;
                }
                out[count++] = *p++;
            } while (*p != 0 && *p != '%');
            w->count = count;
            continue;
        }
        Directive d;
        if (read_plain_directive(p, &d)) {
            if (const uint32_t error = write_directive(w, d)) return error;
            p += 2;
            continue;
        }
        if constexpr (kBytes<Unit>) {
            const char *next = nullptr;
            if (const uint32_t error = read_unmodified_directive(p, w->prefixes, &d, &next))
                return error;
            if (const uint32_t error = write_directive(w, d)) return error;
            p = next;
        } else {
            if (const uint32_t error = read_directive(w->loc, p, w->prefixes, &d)) return error;
            if (const uint32_t error = write_directive(w, d)) return error;
            p = d.next;
        }
    }
    return 0;
}

template uint32_t write_format(TimeWriter *w, const gl_wchar_t *format);
template uint32_t write_format(ByteTimeWriter *w, const char *format);

}  // namespace gls::format
