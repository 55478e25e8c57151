// The directive reader of the time formatter: "%", the modifiers, an E, O
// or i prefix and the conversion letter, read into one Directive that the
// writer and the measurer both act on.
#include <array>
#include <type_traits>

#include "gls/format/time_internal.h"

namespace gls::format {

namespace {

constexpr Letter kAfterE[] = {
    {'c', Conv::kDateTime},      {'x', Conv::kDate},      {'X', Conv::kTime},
    {'C', Conv::kEraName},       {'g', Conv::kEraSecond}, {'y', Conv::kYear2},
    {'Y', Conv::kEraYearFormat},
};
constexpr Letter kAfterO[] = {
    {'C', Conv::kCentury},       {'D', Conv::kMonthDayYear},     {'H', Conv::kHour},
    {'I', Conv::kHour12},        {'M', Conv::kMinute},           {'S', Conv::kSecond},
    {'R', Conv::kHourMinute},    {'T', Conv::kHourMinuteSecond}, {'d', Conv::kDayOfMonth},
    {'e', Conv::kDaySpace},      {'j', Conv::kYearDay},          {'m', Conv::kMonthNumber},
    {'u', Conv::kWeekdayMonday}, {'w', Conv::kWeekdaySunday},    {'y', Conv::kYear2},
};
constexpr Letter kAfterI[] = {
    {'Y', Conv::kYear4},
    {'y', Conv::kYear2},
    {'F', Conv::kFraction},
};

constexpr LetterTable kETable = table_of(kAfterE);
constexpr LetterTable kOTable = table_of(kAfterO);
constexpr LetterTable kITable = table_of(kAfterI);

Conv look_up(const LetterTable &table, gl_wchar_t letter) {
    return letter < kAscii ? table[letter] : Conv::kBad;
}

// %F and %iF may be followed by a digit count; 6 to 9 after %iF is wrong.
constexpr char kMostFractionDigits = '5';

// Whether nothing stands between "%" and the prefix or letter at p.
template <class Unit>
bool unmodified(const Unit *p) {
    return (*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || *p == '%';
}

// What follows the modifiers: the E, O or i prefix, the letter, and %F's
// digit count, into out with the modifiers given. The format after them,
// or null with the error number in *error.
template <class Unit>
const Unit *read_letter(const Unit *p, Prefixes prefixes, Directive *out, uint32_t *error) {
    Prefix prefix = Prefix::kNone;
    const LetterTable *table = &kPlainTable;
    if (*p == 'E' || *p == 'O') {
        const bool taken = *p == 'E' ? prefixes.eras : prefixes.alt_digits;
        if (taken) {
            prefix = *p == 'E' ? Prefix::kE : Prefix::kO;
            table = *p == 'E' ? &kETable : &kOTable;
        }
        ++p;
    } else if (*p == 'i') {
        prefix = Prefix::kI;
        table = &kITable;
        ++p;
    }
    const auto letter = static_cast<std::make_unsigned_t<Unit>>(*p);
    const Conv conv = letter != 0 ? look_up(*table, letter) : Conv::kBad;
    if (conv == Conv::kBad) {
        *error = GL_EBADFMT;
        return nullptr;
    }
    ++p;

    int digits = -1;
    if (conv == Conv::kFraction && *p >= '0' && *p <= '9') {
        if (*p <= kMostFractionDigits) {
            digits = static_cast<int>(*p - '0');
            ++p;
        } else if (prefix == Prefix::kI) {
            *error = GL_EBADFMT;
            return nullptr;
        }
    }
    out->conv = conv;
    out->prefix = prefix;
    out->digits = digits;
    return p;
}

}  // namespace

uint32_t read_directive(Locale *loc, const gl_wchar_t *percent, Prefixes prefixes, Directive *out) {
    const gl_wchar_t *p = percent + 1;
    int justify = 1;
    gl_wchar_t pad = ' ';
    int width = 0;
    int precision = -1;
    uint32_t flags = 0;
    int position = 0;
    // Most directives are a letter alone: nothing for the scanner to read.
    if (!unmodified(p) && _gl_scan_format_modifiers(loc, &p, &justify, &pad, &width, &precision,
                                                    &flags, &position, nullptr) != 0) {
        return GL_EPRECISION;
    }
    Directive d{Conv::kBad, Prefix::kNone, justify < 0, pad, width, precision, -1, nullptr};
    uint32_t error = 0;
    d.next = read_letter(p, prefixes, &d, &error);
    if (d.next == nullptr) return error;
    *out = d;
    return 0;
}

uint32_t read_unmodified_directive(const char *percent, Prefixes prefixes, Directive *out,
                                   const char **next) {
    if (!unmodified(percent + 1)) return kNeedsWide;
    Directive d{Conv::kBad, Prefix::kNone, false, ' ', 0, -1, -1, nullptr};
    uint32_t error = 0;
    *next = read_letter(percent + 1, prefixes, &d, &error);
    if (*next == nullptr) return error;
    *out = d;
    return 0;
}

int digits_in_base(int64_t largest, int64_t base) {
    uint64_t rest =
        largest < 0 ? static_cast<uint64_t>(-(largest + 1)) + 1 : static_cast<uint64_t>(largest);
    int digits = 1;
    while (rest >= static_cast<uint64_t>(base)) {
        rest /= static_cast<uint64_t>(base);
        ++digits;
    }
    return digits;
}

}  // namespace gls::format
