// Time and number formatting in a locale's conventions, and the locale
// information items that callers read from a loaded locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "gls/load/locale.h"

namespace gls {

// ---- Number formatting ---------------------------------------------------

// Modifier flags of a directive: the scanner sets them from the format, the
// integer writer reads them; the caller adds negative, upper and arguments.
inline constexpr uint32_t kFlagGroup = 0x001;      // "'": the thousands separator
inline constexpr uint32_t kFlagLeft = 0x002;       // "-": pad after, with blanks
inline constexpr uint32_t kFlagPlus = 0x004;       // "+": the positive sign string
inline constexpr uint32_t kFlagSpace = 0x008;      // " ": blanks for the positive sign
inline constexpr uint32_t kFlagZero = 0x010;       // "0": pad with zeros after the sign
inline constexpr uint32_t kFlagNegative = 0x020;   // the value is negative
inline constexpr uint32_t kFlagUpper = 0x080;      // capital digits and prefix
inline constexpr uint32_t kFlagAlternate = 0x100;  // "#": octal zero, hexadecimal prefix
inline constexpr uint32_t kFlagArguments = 0x200;  // "*" takes the next argument
inline constexpr uint32_t kFlagStar = 0x400;       // "*" was given without arguments

// The integers a caller supplies for widths and precisions given as "*",
// taken in order from next on. A negative width left-justifies, a negative
// precision counts as none (as printf's do).
struct FormatArguments {
    const int *values;
    int count;
    int next;
};

// Reads the modifiers of a directive from the character after "%": an
// argument position ("digits$"), the flags, a width and a precision, and
// leaves *format at the conversion letter. "-" gives justify -1 and pad
// " ", "0" justify 0 and pad "0"; what the format does not give is left as
// the caller set it. Digits are the ASCII digits. 0, or -1 with
// GL_EPRECISION (a "." followed by neither a digit, "*" nor a letter) or
// GL_EBADITEM (a "*" beyond the arguments).
[[nodiscard]] int _gl_scan_format_modifiers(Locale *loc, const gl_wchar_t **format, int *justify,
                                            gl_wchar_t *pad, int *width, int *precision,
                                            uint32_t *flags, int *position,
                                            FormatArguments *arguments);

// Writes magnitude in base 2 to 36 at *output with the locale's signs and
// thousands separator: precision is the least number of digits, width the
// least number of display columns. Advances *output and *count by the
// characters written; 0, or -1 with GL_EBADITEM (base outside 2 to 36) or
// GL_E2BIG (more than output_max characters in all), writing nothing.
[[nodiscard]] int _gl_format_decimal(Locale *loc, uint64_t magnitude, int negative, int base,
                                     int *count, int output_max, gl_wchar_t **output, int width,
                                     int precision, uint32_t flags);

// The integer writer's steps. The separators a run of digits takes under a
// grouping (sizes from the right; a last size of -1 stops, of 0 repeats the
// one before it, else repeats itself).
int init_grouping(const Grouping *grouping, int digits);
// The group walk while digits are written right to left: after each digit
// written, maybe_separate says whether a separator goes before it.
struct GroupWalk {
    const Grouping *grouping;
    int index;       // of the next size
    int size;        // of the group being written
    int written;     // digits of it written
    int separators;  // left to write
};
void start_group_walk(GroupWalk *walk, const Grouping *grouping, int separators);
bool maybe_separate(GroupWalk *walk);
// The sign a value takes: the negative sign string, the positive one for
// the plus flag, or as many blanks as the positive one has characters for
// the space flag. Writes it at out unless out is null; its characters.
int maybe_sign(Locale *loc, int negative, uint32_t flags, gl_wchar_t *out);

// ---- Time formatting -----------------------------------------------------

// The calendar time record the time formatter reads: a Gregorian date and
// time on input, converted to the locale's calendar before formatting.
struct CalendarTime {
    uint64_t fraction;   // microseconds, 0 to 999999
    int32_t second;      // 0 to 60
    int32_t minute;      // 0 to 59
    int32_t hour;        // 0 to 23
    int32_t mday;        // day of month, 1 to 99 accepted
    int32_t month;       // 0-based, below the locale's month count
    int32_t month_name;  // index into the month-name lists
    int32_t year;        // year minus 1900
    int32_t weekday;     // 0 Sunday to 6
    int32_t yearday;     // 0-based, 0 to 365
    int32_t extra0;      // carried through calendar conversion unchanged
    int64_t extra1;
    int64_t extra2;
};
static_assert(std::is_standard_layout_v<CalendarTime>);

// The string lists that gl_mbstimeinfo_ext hands out.
enum TimeInfoKind : int {
    kInfoDays = 1,       // full weekday names (7)
    kInfoAbDays = 2,     // abbreviated weekday names (7)
    kInfoMonths = 3,     // full month names
    kInfoAbMonths = 4,   // abbreviated month names
    kInfoEraNames = 5,   // era names
    kInfoEraSecond = 6,  // era second strings
    kInfoAltDigits = 7,  // alternative digits
    kInfoAmPm = 8,       // AM and PM (2)
};

// Formats the wide format with the record into output (output_max wide
// characters with the terminator) and returns the characters written. With
// a counter given it measures instead: nothing is written, each counter
// given grows by the longest text the format can produce for a record of
// the years 0 to 9999 (the record is not read), and the result is 0.
// Failure: 0 with the error number in loc (a record the locale's calendar
// cannot convert: GL_ERANGE, or GL_EBADITEM for a calendar without a
// conversion). date_flag is 1 for a calendar date, 0 for an interval.
[[nodiscard]] int gl_wcsftime1(Locale *loc, gl_wchar_t *output, int output_max,
                               const gl_wchar_t *format, const CalendarTime *record,
                               int *char_counter, int *byte_counter, int date_flag);
// The multibyte form: bytes written, 0 on failure and when measuring, -1
// when the format is not valid text of the locale's code set. A result
// that does not fit output_max bytes with its terminator fails whole with
// GL_E2BIG.
[[nodiscard]] int gl_mbsftime1(Locale *loc, char *output, int output_max, const char *format,
                               const CalendarTime *record, int *char_counter, int *byte_counter,
                               int date_flag);
// Kind 1: the largest byte length the time format can expand to; other
// kinds, and a format that is null, not text of the code set or not a
// valid format, -1 (the error number in loc for the latter).
[[nodiscard]] int gl_mbsfmtexpand(Locale *loc, int kind, const char *format);

// A new array of copies of one string list (a TimeInfoKind), array and
// copies from allocate (null: the library's allocator), freed by the
// caller; 0, or -1 with a count of 0.
// What the library made before an allocation failure is released with the
// host's free service (the library's own release when allocate is null).
[[nodiscard]] int gl_mbstimeinfo_ext(Locale *loc, int kind, char ***array_out, int *count_out,
                                     GlMallocFn allocate);
// The same with the release that matches allocate.
[[nodiscard]] int gl_mbstimeinfo_ext(Locale *loc, int kind, char ***array_out, int *count_out,
                                     GlMallocFn allocate, GlFreeFn release);
[[nodiscard]] int gl_mbstimeinfo(Locale *loc, int kind, char ***array_out, int *count_out);
// The longest entry of a list, in characters or in bytes; 0 when the list
// cannot be had.
int max_loc_strlen(Locale *loc, int kind);
int max_loc_bytelen(Locale *loc, int kind);

// Calendars: the record converted from the Gregorian calendar to the
// locale's (a copy for a Gregorian locale); 0, or -1 with the destination
// zeroed when the date is outside the calendar's range or names no
// Gregorian day (the locale's error GL_ERANGE), or when the calendar has
// no conversion (GL_EBADITEM).
[[nodiscard]] int gl_cal_gregorian_to_local(Locale *loc, const CalendarTime *source,
                                            CalendarTime *destination);
[[nodiscard]] int gl_cal_gregorian_to_hebrew(const CalendarTime *source, CalendarTime *destination);
[[nodiscard]] int gl_cal_gregorian_to_islamic(const CalendarTime *source,
                                              CalendarTime *destination);
// The 0-based day of the year of a Gregorian date (month 0-based).
int _gl_gregorian_yearday(int day, int month, int year);
// The day, in the Hebrew conversion's day count, on which Hebrew year
// n + 3744 begins.
int hebrew_size_in_days(int n);

// Information item numbers of gl_nl_langinfo.
enum LangInfoItem : int {
    kItemDateTimeFormat = 0,
    kItemFirstDay = 1,       // 1 to 7: full weekday names, Sunday first
    kItemFirstAbDay = 8,     // 8 to 14: abbreviated weekday names
    kItemFirstMonth = 15,    // 15 to 34: full month names
    kItemFirstAbMonth = 35,  // 35 to 54: abbreviated month names
    kItemDecimalPoint = 55,
    kItemThousandsSep = 56,
    kItemYesString = 57,
    kItemNoString = 58,
    kItemCurrencySymbol = 59,
    kItemCodeSet = 60,
    kItemDateFormat = 61,
    kItemTimeFormat = 62,
    kItemTime12Format = 63,
    kItemAm = 64,
    kItemPm = 65,
    kItemEras = 66,  // the era strings, one per line
    kItemEraDateFormat = 67,
    kItemEraDateTimeFormat = 68,
    kItemEraTimeFormat = 69,
    kItemAltDigits = 70,  // the alternative digits, one per line
    kItemYesExpr = 71,
    kItemNoExpr = 72,
    kItemCalendar = 73,
    kItemLast = kItemCalendar,
};

// The locale's text for an item, owned by the locale (null where the
// locale has none). Null for a null locale or an item outside 0 to 73; a
// month item beyond the locale's month count stores GL_EBADITEM.
const char *gl_nl_langinfo(Locale *loc, int item);

// The time format of item 0, 61, 62, 63, 67, 68 or 69 (null when the
// locale has none); "" for any other item.
const char *gl_get_ltime_fmts(Locale *loc, int item);

// The number of eras of the locale; -1 for a null locale.
int gl_get_era_count(Locale *loc);

}  // namespace gls
