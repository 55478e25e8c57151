// The fixed-width hexadecimal fields of the library's text files (tree
// elements, run-list records, collation weights and characters), read from
// memory or digit by digit. One table and one parser serve the tree and the
// collation readers. Not part of the folder's interface.
#pragma once

#include <array>
#include <cstdint>

namespace gls::hex_field {

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

}  // namespace gls::hex_field
