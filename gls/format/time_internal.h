// The time formatter's parts: the directive reader that both modes share,
// the writer and the measurer that act on what it read, eras and
// alternative digits. Not part of the folder's interface.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "gls/format/format.h"

namespace gls::format {

// What a directive produces. Letters that mean the same thing share one
// (%b and %h); the E, O or i prefix says how.
enum class Conv : uint8_t {
    kBad = 0,
    kPercent,           // %%
    kNewline,           // %n
    kTab,               // %t
    kAbDay,             // %a
    kDay,               // %A
    kAbMonth,           // %b, %h
    kMonth,             // %B
    kAmPm,              // %p
    kDateTime,          // %c; %Ec the era date and time
    kDate,              // %x; %Ex
    kTime,              // %X; %EX
    kTime12,            // %r
    kEraYearFormat,     // %EY
    kEraName,           // %EC
    kEraSecond,         // %Eg
    kCentury,           // %C, %g, %OC
    kDayOfMonth,        // %d, %Od
    kDaySpace,          // %e, %Oe
    kMonthDayYear,      // %D, %OD
    kFraction,          // %F, %iF
    kHour,              // %H, %OH
    kHour12,            // %I, %OI
    kYearDay,           // %j, %Oj
    kMonthNumber,       // %m, %Om
    kMinute,            // %M, %OM
    kHourMinute,        // %R, %OR
    kSecond,            // %S, %OS
    kHourMinuteSecond,  // %T, %OT
    kWeekdayMonday,     // %u, %Ou (Sunday 7)
    kWeekdaySunday,     // %w, %Ow (Sunday 0)
    kYear2,             // %y, %iy, %Oy; %Ey the era year
    kYear4,             // %Y, %iY
};

enum class Prefix : uint8_t { kNone, kE, kO, kI };

// One directive as read from the format.
struct Directive {
    Conv conv;
    Prefix prefix;
    bool left;               // "-": pad after, with blanks
    gl_wchar_t pad;          // ' ' or '0'
    int width;               // display columns; 0 for none
    int precision;           // least digits; -1 for none
    int digits;              // %F's or %iF's digit count after the letter; -1 for none
    const gl_wchar_t *next;  // the format after the directive (read_directive only)
};

// The prefixes a locale takes: E only with eras, O only with alternative
// digits (otherwise the letter is skipped).
struct Prefixes {
    bool eras;
    bool alt_digits;
};

// The conversion letters without a prefix.
struct Letter {
    char letter;
    Conv conv;
};

constexpr Letter kPlain[] = {
    {'%', Conv::kPercent},       {'n', Conv::kNewline},       {'t', Conv::kTab},
    {'a', Conv::kAbDay},         {'A', Conv::kDay},           {'b', Conv::kAbMonth},
    {'h', Conv::kAbMonth},       {'B', Conv::kMonth},         {'p', Conv::kAmPm},
    {'c', Conv::kDateTime},      {'x', Conv::kDate},          {'X', Conv::kTime},
    {'r', Conv::kTime12},        {'C', Conv::kCentury},       {'g', Conv::kCentury},
    {'d', Conv::kDayOfMonth},    {'e', Conv::kDaySpace},      {'D', Conv::kMonthDayYear},
    {'F', Conv::kFraction},      {'H', Conv::kHour},          {'I', Conv::kHour12},
    {'j', Conv::kYearDay},       {'m', Conv::kMonthNumber},   {'M', Conv::kMinute},
    {'R', Conv::kHourMinute},    {'S', Conv::kSecond},        {'T', Conv::kHourMinuteSecond},
    {'u', Conv::kWeekdayMonday}, {'w', Conv::kWeekdaySunday}, {'y', Conv::kYear2},
    {'Y', Conv::kYear4},
};
constexpr size_t kAscii = 128;
using LetterTable = std::array<Conv, kAscii>;

template <size_t N>
constexpr LetterTable table_of(const Letter (&letters)[N]) {
    LetterTable table{};
    for (const Letter &l : letters)
        table[static_cast<unsigned char>(l.letter)] = l.conv;
    return table;
}

constexpr LetterTable kPlainTable = table_of(kPlain);

// A directive of a letter alone ("%d"): read here without the scanner,
// since nothing stands between "%" and the letter. False for any other
// (modifiers, a prefix, %F with its digit), which read_directive reads.
template <class Unit>
inline bool read_plain_directive(const Unit *percent, Directive *out) {
    const gl_wchar_t letter = static_cast<std::make_unsigned_t<Unit>>(percent[1]);
    if (letter >= kAscii) return false;
    const Conv conv = kPlainTable[letter];
    if (conv == Conv::kBad || conv == Conv::kFraction) return false;
    *out = Directive{conv, Prefix::kNone, false, ' ', 0, -1, -1, nullptr};
    return true;
}

// Reads the directive whose "%" is at percent. 0, or the error number
// (GL_EBADFMT, GL_EPRECISION) with nothing else read.
[[nodiscard]] uint32_t read_directive(Locale *loc, const gl_wchar_t *percent, Prefixes prefixes,
                                      Directive *out);
// The same for a format in bytes, where a directive without modifiers is
// read and any other is left to the wide mode (kNeedsWide); the format
// after the directive in *next.
[[nodiscard]] uint32_t read_unmodified_directive(const char *percent, Prefixes prefixes,
                                                 Directive *out, const char **next);

// The digits a value of at most `largest` takes in base.
int digits_in_base(int64_t largest, int64_t base);

// Limits of nested formats (%c, %Ex, %EY, ...): depth, and expansions in
// one call, so that a damaged locale whose formats refer to each other
// ends with GL_EBADFMT instead of recursing for ever.
inline constexpr int kMaxNesting = 6;
inline constexpr int kMaxExpansions = 1024;

// Eras. The era whose range holds the record's date, first in table
// order; null when none does.
const EraEntry *find_era(const Locale *loc, const CalendarTime &record);
// The era year of the record's date in an era.
int64_t era_year(const EraEntry &era, const CalendarTime &record);
// The smallest and largest era year of any era for years 0 to 9999 (false
// when the locale has no era that reaches them).
bool era_year_bounds(const Locale *loc, int64_t *smallest, int64_t *largest);

// The writing mode: the record, the output and the nested-format budget.
// Unit is gl_wchar_t, or char where the locale's texts are written as the
// bytes they are kept in (see format_bytes).
template <class Unit>
struct BasicTimeWriter {
    Locale *loc;
    const CalendarTime *record;
    Prefixes prefixes;
    int date_flag;
    Unit *out;
    int count;
    int max;
    int depth;
    int expansions;
    // The era of the record's date, looked up once per call: %EY, %EC and
    // %Ey of one date all ask for it.
    bool era_known;
    const EraEntry *era;
};
using TimeWriter = BasicTimeWriter<gl_wchar_t>;
using ByteTimeWriter = BasicTimeWriter<char>;
// Formats into the writer's output after what is there; no terminator.
template <class Unit>
[[nodiscard]] uint32_t write_format(BasicTimeWriter<Unit> *w, const Unit *format);
// Writes value in the locale's alternative digits (base: their number).
[[nodiscard]] uint32_t write_alt_number(TimeWriter *w, int64_t value, const Directive &d,
                                        int precision);

// The measuring mode: the longest text a format can produce, in characters
// and in bytes, for records of years 0 to 9999.
struct TimeMeasurer {
    Locale *loc;
    Prefixes prefixes;
    int64_t chars;
    int64_t bytes;
    int depth;
    int expansions;
    int ascii_bytes;  // bytes of an ASCII character in the code set
    int max_char_bytes;
    // The longest entry of each list (a TimeInfoKind), -1 until asked.
    int longest_chars[kInfoAmPm + 1];
    int longest_bytes[kInfoAmPm + 1];
    // The longest of the eras' year formats (%EY), once measured.
    bool era_formats_known;
    int64_t era_formats_chars;
    int64_t era_formats_bytes;
};
void start_measurer(TimeMeasurer *m, Locale *loc, Prefixes prefixes);
[[nodiscard]] uint32_t measure_format(TimeMeasurer *m, const gl_wchar_t *format);

// A failure whose error number is already stored (by the calendar
// conversion).
inline constexpr uint32_t kConversionFailed = 0xFFFFFFFFu;
// What the byte mode leaves to the wide one; never stored.
inline constexpr uint32_t kNeedsWide = 0xFFFFFFFEu;

// The whole of one call in each mode, as gl_wcsftime1 and gl_mbsftime1
// make it: the status (0 or an error number, not yet stored in loc).
// Writing converts the record into the locale's calendar first and leaves
// the characters written, without the terminator it writes, in *written.
[[nodiscard]] uint32_t format_wide(Locale *loc, gl_wchar_t *output, int output_max,
                                   const gl_wchar_t *format, const CalendarTime *record,
                                   int date_flag, int *written);
// The same as bytes straight into output, for a locale whose code set
// format_bytes_usable admits and a format known to be text of it: 0 with
// the bytes and their terminator written, or non-zero for anything this
// mode leaves to the wide one (modifiers, alternative digits, no room, any
// error), which then formats the call again from the start.
[[nodiscard]] uint32_t format_bytes(Locale *loc, char *output, int output_max, const char *format,
                                    const CalendarTime *record, int date_flag, int *written);
// Whether the bytes of that code set's texts are what the wide mode's
// result narrows to, and the ASCII the formatter adds are characters of it.
bool format_bytes_usable(const Locale *loc);
[[nodiscard]] uint32_t measure_wide(Locale *loc, const gl_wchar_t *format, int64_t *chars,
                                    int64_t *bytes);

}  // namespace gls::format
