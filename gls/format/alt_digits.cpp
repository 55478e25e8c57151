// Numbers in a locale's alternative digits: with N digit strings the value
// is written in base N, most significant digit first, each digit replaced
// by the string of that value.
#include "gls/chars/chars.h"
#include "gls/format/format_internal.h"
#include "gls/format/time_internal.h"

namespace gls::format {

namespace {

constexpr int kMaxDigits = 64;  // of a 64-bit magnitude in base 2

int64_t length_of(const gl_wchar_t *text) {
    return text != nullptr ? gl_wcslen(text) : 0;
}

gl_wchar_t *copy(gl_wchar_t *out, const gl_wchar_t *text, int64_t length) {
    for (int64_t i = 0; i < length; ++i)
        *out++ = text[i];
    return out;
}

}  // namespace

uint32_t write_alt_number(TimeWriter *w, int64_t value, const Directive &d, int precision) {
    Locale *loc = w->loc;
    const int32_t base = usable_alt_digits(loc);
    // One digit string cannot make a base.
    if (base < 2) return GL_EBADITEM;
    gl_wchar_t *const *strings = loc->time.alt_digits.wc;

    uint64_t magnitude =
        value < 0 ? static_cast<uint64_t>(-(value + 1)) + 1 : static_cast<uint64_t>(value);
    int32_t digits[kMaxDigits];  // least significant first
    int count = 0;
    do {
        digits[count++] = static_cast<int32_t>(magnitude % static_cast<uint64_t>(base));
        magnitude /= static_cast<uint64_t>(base);
    } while (magnitude != 0);
    const int64_t zeros = precision > count ? precision - count : 0;

    const gl_wchar_t *zero = strings[0];
    const int64_t zero_length = length_of(zero);
    const int sign_length = maybe_sign(loc, value < 0 ? 1 : 0, 0, nullptr);
    int64_t length = sign_length + zeros * zero_length;
    for (int i = 0; i < count; ++i)
        length += length_of(strings[digits[i]]);

    // Padding to the width in columns: zero strings for the "0" flag, with
    // blanks for the columns a whole zero string does not fill.
    int64_t pad_zeros = 0;
    int64_t blanks = 0;
    if (d.width > 0) {
        int64_t shown = zeros * columns(loc, zero, zero_length);
        for (int i = 0; i < count; ++i)
            shown += columns(loc, strings[digits[i]], length_of(strings[digits[i]]));
        if (sign_length > 0) {
            gl_wchar_t sign[kMaxDigits];
            if (sign_length <= kMaxDigits) {
                maybe_sign(loc, 1, 0, sign);
                shown += columns(loc, sign, sign_length);
            } else {
                shown += sign_length;
            }
        }
        const int64_t left = d.width > shown ? d.width - shown : 0;
        const int64_t zero_columns = columns(loc, zero, zero_length);
        if (!d.left && d.pad == '0' && zero_length > 0) {
            pad_zeros = left / zero_columns;
            blanks = left % zero_columns;
        } else {
            blanks = left;
        }
    }
    const int64_t needed = length + pad_zeros * zero_length + blanks;
    if (needed > w->max - w->count) return GL_E2BIG;

    gl_wchar_t *out = w->out + w->count;
    if (!d.left) {
        for (int64_t i = 0; i < blanks; ++i)
            *out++ = ' ';
    }
    out += maybe_sign(loc, value < 0 ? 1 : 0, 0, out);
    for (int64_t i = 0; i < pad_zeros + zeros; ++i)
        out = copy(out, zero, zero_length);
    for (int i = count - 1; i >= 0; --i)
        out = copy(out, strings[digits[i]], length_of(strings[digits[i]]));
    if (d.left) {
        for (int64_t i = 0; i < blanks; ++i)
            *out++ = ' ';
    }
    w->count += static_cast<int>(needed);
    return 0;
}

}  // namespace gls::format
