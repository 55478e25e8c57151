// The modifiers between "%" and a conversion letter: argument position,
// flags, width and precision.
#include <climits>

#include "gls/format/format.h"

namespace gls {

namespace {

constexpr int kDecimal = 10;

bool is_digit(gl_wchar_t c) {
    return c >= '0' && c <= '9';
}

bool is_letter(gl_wchar_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A run of digits, saturating at INT_MAX.
int read_number(const gl_wchar_t **p) {
    int64_t value = 0;
    for (; is_digit(**p); ++*p) {
        value = value * kDecimal + static_cast<int64_t>(**p - '0');
        if (value > INT_MAX) value = INT_MAX;
    }
    return static_cast<int>(value);
}

// "*": the next argument when the caller gives them, else only noted.
bool star(Locale *loc, uint32_t *flags, FormatArguments *arguments, int *value, bool *given) {
    *given = false;
    if ((*flags & kFlagArguments) == 0 || arguments == nullptr) {
        *flags |= kFlagStar;
        return true;
    }
    if (arguments->next < 0 || arguments->next >= arguments->count) {
        gl_set_error(loc, GL_EBADITEM);
        return false;
    }
    *value = arguments->values[arguments->next++];
    *given = true;
    return true;
}

}  // namespace

int _gl_scan_format_modifiers(Locale *loc, const gl_wchar_t **format, int *justify, gl_wchar_t *pad,
                              int *width, int *precision, uint32_t *flags, int *position,
                              FormatArguments *arguments) {
    const gl_wchar_t *p = *format;

    const gl_wchar_t *digits = p;
    const int number = read_number(&digits);
    if (digits != p && *digits == '$') {
        *position = number;
        p = digits + 1;
    }

    bool left = false;
    bool zero = false;
    for (bool flags_end = false; !flags_end;) {
        switch (*p) {
            case ' ':
                *flags |= kFlagSpace;
                break;
            case '#':
                *flags |= kFlagAlternate;
                break;
            case '\'':
                *flags |= kFlagGroup;
                break;
            case '+':
                *flags |= kFlagPlus;
                break;
            case '-':
                *flags |= kFlagLeft;
                left = true;
                break;
            case '0':
                // A zero ends the flags; after "-" it pads nothing.
                if (!left) {
                    *flags |= kFlagZero;
                    zero = true;
                }
                flags_end = true;
                break;
            default:
                flags_end = true;
                continue;
        }
        ++p;
    }

    if (*p == '*') {
        ++p;
        int value = 0;
        bool given = false;
        if (!star(loc, flags, arguments, &value, &given)) return -1;
        if (given) {
            if (value < 0) {
                *flags = (*flags | kFlagLeft) & ~kFlagZero;
                left = true;
                zero = false;
                value = value == INT_MIN ? INT_MAX : -value;
            }
            *width = value;
        }
    } else if (is_digit(*p)) {
        *width = read_number(&p);
    }

    if (*p == '.') {
        ++p;
        if (*p == '*') {
            ++p;
            int value = 0;
            bool given = false;
            if (!star(loc, flags, arguments, &value, &given)) return -1;
            if (given) *precision = value < 0 ? -1 : value;
        } else if (is_digit(*p)) {
            *precision = read_number(&p);
        } else if (is_letter(*p)) {
            *precision = 0;
        } else {
            gl_set_error(loc, GL_EPRECISION);
            return -1;
        }
    }

    if (left) {
        *justify = -1;
        *pad = ' ';
    } else if (zero) {
        *justify = 0;
        *pad = '0';
    }
    *format = p;
    return 0;
}

}  // namespace gls
