// The decimal integer field of the library's text files, as one inline
// reader over any byte source: _gl_get_int and _gl_get_int_ahead use it
// through the host's stream service, and the tree reader uses it for its
// node lines with the byte source chosen once per line, since those lines
// are most of the numbers a locale file holds. Not part of the folder's
// interface.
#pragma once

#include <climits>
#include <cstdio>

namespace gls::decimal_field {

inline constexpr int kBlank = ' ';
// A number's text as kept: a sign or digit and at most 39 more digits;
// further digits are read and dropped, so the stream stays at the end of
// the field.
inline constexpr int kMaxIntChars = 40;
// No text of up to 18 digits overflows a long: those need no check.
inline constexpr int kUncheckedChars = 18;

inline bool is_digit(int c) {
    return c >= '0' && c <= '9';
}

// Base-10 value of the text as kept, saturated as strtol saturates.
class DecimalValue {
  public:
    explicit DecimalValue(int first) : negative_(first == '-') {
        if (is_digit(first)) magnitude_ = first - '0';
    }
    void add_unchecked(int digit) { magnitude_ = magnitude_ * 10 + (digit - '0'); }
    void add(int digit) {
        const long d = digit - '0';
        if (saturated_) return;
        if (magnitude_ > (LONG_MAX - d) / 10) {
            saturated_ = true;
            return;
        }
        magnitude_ = magnitude_ * 10 + d;
    }
    long value() const {
        if (saturated_) return negative_ ? LONG_MIN : LONG_MAX;
        return negative_ ? -magnitude_ : magnitude_;
    }

  private:
    bool negative_;
    bool saturated_ = false;
    long magnitude_ = 0;
};

// One field: *ahead holds the character read before it (a blank or EOF
// there is skipped for the next one) and receives the character after it.
// A first character that is neither a digit nor a sign is consumed and the
// value is 0; the file formats never put one there.
template <class GetByte>
[[gnu::always_inline]] inline long get_int_ahead(FILE *stream, int *ahead, GetByte get_byte) {
    int c = *ahead;
    if (c == kBlank || c == EOF) c = get_byte(stream);
    if (!is_digit(c) && c != '+' && c != '-') {
        *ahead = get_byte(stream);
        return 0;
    }
    DecimalValue number(c);
    int kept = 1;
    while (is_digit(c = get_byte(stream))) {
        if (kept < kUncheckedChars) {
            number.add_unchecked(c);
        } else if (kept < kMaxIntChars) {
            number.add(c);
        } else {
            continue;
        }
        ++kept;
    }
    *ahead = c;
    return number.value();
}

}  // namespace gls::decimal_field
