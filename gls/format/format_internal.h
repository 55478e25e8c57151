// Pieces the formatters share: bounded views of the time section's lists,
// texts and their columns, and the Gregorian calendar's rules.
// Not part of the folder's interface.
#pragma once

#include <cstdint>

#include "gls/format/format.h"

namespace gls::format {

// Counts a formatter may index with: each is 0 unless the locale holds the
// list whole (a damaged or partly loaded section has none).
int32_t usable_eras(const Locale *loc);
int32_t usable_alt_digits(const Locale *loc);  // both the byte and the wide list

// The entries of a list (a TimeInfoKind): its count (-1 for an unknown
// kind), and an entry, null past the end or where the locale has no text.
int32_t time_list_count(const Locale *loc, int kind);
const char *time_list_text(const Locale *loc, int kind, int32_t index);

// A locale text's characters, and its bytes without the terminator as the
// longest-entry queries count them; negative when it is not text of the
// code set.
int text_chars(Locale *loc, const char *text);
int text_bytes(Locale *loc, const char *text);
// A locale text as wide characters, at most room of them with the
// terminator, through the locale's conversion: the characters stored
// before the terminator, or -1 with the conversion's error.
int widen_text(Locale *loc, gl_wchar_t *out, const char *text, int room);
// The tree of a multi-byte code set whose characters start at one byte,
// which the conversions below walk themselves; null for any other.
const multi_tree_t *one_byte_tree(const Locale *loc);
// A wide text of `length` characters, made of characters decoded from the
// locale's texts and of ASCII, as bytes of such a code set with the
// terminator, all of it within room bytes: the bytes before the terminator;
// -1 for an ASCII character the code set lacks (GL_EILSEQ stored), -2 when
// the code set is not such a one, -3 when the text does not fit.
int narrow_text(Locale *loc, char *out, int room, const gl_wchar_t *text, int length);
// Display columns the formatters lay a character out in: at least one,
// so that a character the locale cannot measure still takes its place.
int columns(Locale *loc, gl_wchar_t wc);
int64_t columns(Locale *loc, const gl_wchar_t *text, int64_t length);

// The proleptic Gregorian calendar: leap years, and whether a day of a
// month (0-based) of a year exists.
bool gregorian_leap(int64_t year);
bool gregorian_date(int64_t day, int64_t month, int64_t year);

// The integer writer's common case, a decimal magnitude with at least
// `precision` digits and nothing else, at out with room characters; the
// characters written, or -1 (nothing written) when they do not fit.
// Unit: gl_wchar_t, or char for the byte mode of the time formatter.
template <class Unit>
inline int write_plain_decimal(uint64_t magnitude, int precision, Unit *out, int64_t room) {
    // Two digits a step, from a table of the hundred pairs, written from
    // the right once their number is known.
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    constexpr int kMaxDecimalDigits = 20;
    // Most fields of a date or a time: one or two digits, written at once.
    if (magnitude < 100 && precision <= 2) {
        const int digits = magnitude >= 10 || precision == 2 ? 2 : 1;
        if (digits > room) return -1;
        if (digits == 2) {
            out[0] = static_cast<Unit>(kPairs[2 * magnitude]);
            out[1] = static_cast<Unit>(kPairs[2 * magnitude + 1]);
        } else {
            out[0] = static_cast<Unit>('0' + magnitude);
        }
        return digits;
    }
    int count = magnitude < 10 ? 1 : magnitude < 100 ? 2 : magnitude < 1000 ? 3 : 4;
    for (uint64_t rest = magnitude / 10000; rest != 0 && count < kMaxDecimalDigits; rest /= 10)
        ++count;
    const int64_t zeros = precision > count ? precision - count : 0;
    if (zeros + count > room) return -1;
    for (int64_t i = 0; i < zeros; ++i)
        *out++ = '0';
    Unit *at = out + count;
    while (magnitude >= 100) {
        const char *pair = kPairs + 2 * (magnitude % 100);
        magnitude /= 100;
        *--at = static_cast<Unit>(pair[1]);
        *--at = static_cast<Unit>(pair[0]);
    }
    if (magnitude >= 10) {
        *--at = static_cast<Unit>(kPairs[2 * magnitude + 1]);
        *--at = static_cast<Unit>(kPairs[2 * magnitude]);
    } else {
        *--at = static_cast<Unit>('0' + magnitude);
    }
    return static_cast<int>(zeros) + count;
}

// A calendar conversion keeps the time of day and the caller's extra
// fields of its source.
inline void keep_time_of_day(const CalendarTime &in, CalendarTime *out) {
    out->fraction = in.fraction;
    out->second = in.second;
    out->minute = in.minute;
    out->extra0 = in.extra0;
    out->extra1 = in.extra1;
    out->extra2 = in.extra2;
}

}  // namespace gls::format
