// The one digit reader of the library and its tools: the value of a
// hexadecimal or decimal digit, the fixed-width hexadecimal fields of the
// text files (tree elements, run-list records, collation weights and
// characters), and the decimal integer field, read from memory or from any
// byte source.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>

namespace gls {

namespace hex_field {

// Digit values; -1 for any other byte.
inline constexpr std::array<int8_t, 256> kDigitValue = [] {
    std::array<int8_t, 256> table{};
    for (auto &entry : table)
        entry = -1;
    for (int c = '0'; c <= '9'; ++c)
        table[static_cast<size_t>(c)] = static_cast<int8_t>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c)
        table[static_cast<size_t>(c)] = static_cast<int8_t>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c)
        table[static_cast<size_t>(c)] = static_cast<int8_t>(c - 'A' + 10);
    return table;
}();

// A field of Digits digits at text; *bad is set when any byte is not a
// digit. Every digit is looked up before any is judged: no branch per digit,
// and no loop either (the compiler leaves this one rolled by itself).
template <int Digits>
inline uint32_t parse(const unsigned char *text, bool *bad) {
    uint32_t value = 0;
    int looked = 0;
#pragma GCC unroll 8
    for (int i = 0; i < Digits; ++i) {
        const int digit = kDigitValue[text[i]];
        looked |= digit;
        value = (value << 4) | static_cast<uint32_t>(digit & 0xF);
    }
    if (looked < 0) *bad = true;
    return value;
}

}  // namespace hex_field

// The value of c as a digit of base (at most 16: "0" to "9", then "a" to
// "f" in either case); -1 for any other value, EOF included.
inline int digit_value(int c, int base = 16) {
    if (c < 0 || c > 0xFF) return -1;
    const int value = hex_field::kDigitValue[static_cast<size_t>(c)];
    return value < base ? value : -1;
}

inline bool is_digit(int c) {
    return c >= '0' && c <= '9';
}

// The decimal integer field: _gl_get_int and _gl_get_int_ahead read it
// through the host's stream service, and the tree reader for its node lines
// with the byte source chosen once per line, since those lines are most of
// the numbers a locale file holds.
namespace decimal_field {

using gls::is_digit;

inline constexpr int kBlank = ' ';
// A number's text as kept: a sign or digit and at most 39 more digits;
// further digits are read and dropped, so the stream stays at the end of
// the field.
inline constexpr int kMaxIntChars = 40;
// No text of up to 18 digits overflows a long: those need no check.
inline constexpr int kUncheckedChars = 18;

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

}  // namespace decimal_field

}  // namespace gls
