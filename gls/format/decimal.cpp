// The integer writer: a magnitude in a base from 2 to 36, with the locale's
// sign strings and thousands separator, least digits and padding to a
// display width.
#include <cstring>

#include "gls/chars/chars.h"
#include "gls/format/format.h"
#include "gls/format/format_internal.h"

namespace gls {

using format::columns;

namespace {

constexpr int kMinBase = 2;
constexpr int kMaxBase = 36;
constexpr int kMaxDigits = 64;  // of a 64-bit magnitude in base 2
constexpr int kDecimal = 10;
constexpr char kLowerDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr char kUpperDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr gl_wchar_t kMinus[] = {'-', 0};
constexpr gl_wchar_t kPlus[] = {'+', 0};
constexpr int kOctal = 8;
constexpr int kHexadecimal = 16;
constexpr int kPrefixChars = 2;

// The size after `current` in a grouping walked from the right; 0 when
// grouping stops.
int next_size(const Grouping *grouping, int *index, int current) {
    const int listed = grouping->count < 0            ? 0
                       : grouping->count > kMaxGroups ? kMaxGroups
                                                      : grouping->count;
    if (*index >= listed) return current;  // the last size repeats
    const int32_t size = grouping->sizes[*index];
    if (size > 0) {
        ++*index;
        return size;
    }
    // 0 repeats the size before it; -1 (or no size before) stops.
    *index = listed;
    return size == 0 ? current : 0;
}

// The sign of a value: a text of the locale, or blanks as long as one.
struct Sign {
    const gl_wchar_t *text;
    int length;
    bool blanks;
};

Sign sign_of(Locale *loc, int negative, uint32_t flags) {
    const TextSection &text = loc->text;
    const gl_wchar_t *sign = nullptr;
    if (negative != 0) {
        sign = text.negative_sign.wc != nullptr ? text.negative_sign.wc : kMinus;
    } else if ((flags & (kFlagPlus | kFlagSpace)) != 0) {
        sign = text.positive_sign.wc != nullptr ? text.positive_sign.wc : kPlus;
    } else {
        return {nullptr, 0, false};
    }
    return {sign, gl_wcslen(sign), negative == 0 && (flags & kFlagPlus) == 0};
}

}  // namespace

int init_grouping(const Grouping *grouping, int digits) {
    if (grouping == nullptr) return 0;
    int index = 0;
    int size = 0;
    int separators = 0;
    int64_t covered = 0;
    for (;;) {
        size = next_size(grouping, &index, size);
        if (size <= 0) return separators;
        covered += size;
        if (covered >= digits) return separators;
        ++separators;
    }
}

void start_group_walk(GroupWalk *walk, const Grouping *grouping, int separators) {
    walk->grouping = grouping;
    walk->index = 0;
    walk->size = separators > 0 ? next_size(grouping, &walk->index, 0) : 0;
    walk->written = 0;
    walk->separators = separators;
}

bool maybe_separate(GroupWalk *walk) {
    if (walk->separators <= 0) return false;
    if (++walk->written < walk->size) return false;
    walk->written = 0;
    walk->size = next_size(walk->grouping, &walk->index, walk->size);
    --walk->separators;
    return true;
}

int maybe_sign(Locale *loc, int negative, uint32_t flags, gl_wchar_t *out) {
    const Sign sign = sign_of(loc, negative, flags);
    for (int i = 0; out != nullptr && i < sign.length; ++i)
        out[i] = sign.blanks ? ' ' : sign.text[i];
    return sign.length;
}

int _gl_format_decimal(Locale *loc, uint64_t magnitude, int negative, int base, int *count,
                       int output_max, gl_wchar_t **output, int width, int precision,
                       uint32_t flags) {
    if (loc == nullptr) return -1;
    if (count == nullptr || output == nullptr || *output == nullptr) {
        gl_set_error(loc, GL_ENULLARG);
        return -1;
    }
    if (base < kMinBase || base > kMaxBase) {
        gl_set_error(loc, GL_EBADITEM);
        return -1;
    }
    // The common case, a plain decimal number: digits and leading zeros.
    constexpr uint32_t kLaidOut = kFlagGroup | kFlagPlus | kFlagSpace | kFlagAlternate;
    if (base == kDecimal && width <= 0 && negative == 0 && (flags & kLaidOut) == 0) {
        const int n = format::write_plain_decimal(magnitude, precision, *output,
                                                  int64_t{output_max} - *count);
        if (n < 0) {
            gl_set_error(loc, GL_E2BIG);
            return -1;
        }
        *count += n;
        *output += n;
        return 0;
    }

    const char *alphabet = (flags & kFlagUpper) != 0 ? kUpperDigits : kLowerDigits;
    gl_wchar_t digits[kMaxDigits];  // least significant first
    int ndigits = 0;
    do {
        digits[ndigits++] = static_cast<unsigned char>(alphabet[magnitude % base]);
        magnitude /= static_cast<unsigned>(base);
    } while (magnitude != 0);

    const bool alternate = (flags & kFlagAlternate) != 0;
    const bool prefix = alternate && base == kHexadecimal;
    // Columns matter only to padding and to the octal zero; a plain number
    // is not measured.
    const bool measured = width > 0 || (alternate && base == kOctal);
    int64_t zeros = precision > ndigits ? precision - ndigits : 0;
    const int64_t digit_columns = measured ? columns(loc, digits, ndigits) : ndigits;
    if (alternate && base == kOctal && digit_columns >= precision) {
        zeros = digit_columns + columns(loc, '0') - ndigits;
        if (zeros < 0) zeros = 0;
    }

    const TextSection &text = loc->text;
    const gl_wchar_t *separator = text.thousands_sep.wc;
    const int separator_length = separator != nullptr ? gl_wcslen(separator) : 0;
    const int separators = (flags & kFlagGroup) != 0 ? init_grouping(&text.grouping, ndigits) : 0;
    const Sign sign = sign_of(loc, negative, flags);
    const int sign_length = sign.length;
    const int prefix_length = prefix ? kPrefixChars : 0;

    const bool left = (flags & kFlagLeft) != 0;
    const bool zero_pad = (flags & kFlagZero) != 0 && !left;
    const gl_wchar_t pad_char = zero_pad ? '0' : ' ';
    int64_t pad = 0;
    if (width > 0) {
        const int64_t sign_columns = sign.blanks ? int64_t{sign.length} * columns(loc, ' ')
                                                 : columns(loc, sign.text, sign.length);
        const int64_t total = digit_columns + zeros * columns(loc, '0') +
                              int64_t{separators} * columns(loc, separator, separator_length) +
                              sign_columns + (prefix ? columns(loc, '0') + columns(loc, 'x') : 0);
        if (width > total) {
            const int pad_columns = columns(loc, pad_char);
            pad = (width - total + pad_columns / 2) / pad_columns;
        }
    }

    const int64_t needed = ndigits + zeros + int64_t{separators} * separator_length + sign_length +
                           prefix_length + pad;
    if (needed > int64_t{output_max} - *count) {
        gl_set_error(loc, GL_E2BIG);
        return -1;
    }

    gl_wchar_t *out = *output;
    auto fill = [&out](gl_wchar_t c, int64_t n) {
        for (int64_t i = 0; i < n; ++i)
            *out++ = c;
    };
    if (!left && !zero_pad) fill(' ', pad);
    out += maybe_sign(loc, negative, flags, out);
    if (zero_pad) fill('0', pad);
    if (prefix) {
        *out++ = '0';
        *out++ = (flags & kFlagUpper) != 0 ? 'X' : 'x';
    }
    fill('0', zeros);
    // Digits from the right, a separator after each completed group.
    gl_wchar_t *end = out + ndigits + int64_t{separators} * separator_length;
    gl_wchar_t *at = end;
    GroupWalk walk;
    start_group_walk(&walk, &text.grouping, separators);
    for (int i = 0; i < ndigits; ++i) {
        *--at = digits[i];
        if (i + 1 < ndigits && maybe_separate(&walk)) {
            at -= separator_length;
            std::memcpy(at, separator, sizeof(gl_wchar_t) * static_cast<size_t>(separator_length));
        }
    }
    out = end;
    if (left) fill(' ', pad);

    *count += static_cast<int>(needed);
    *output = out;
    return 0;
}

}  // namespace gls
