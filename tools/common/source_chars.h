// Characters as the charmap and locale source texts see them, shared by
// their readers.
#pragma once

#include <cstdint>
#include <string>

#include "gls/util/digits.h"

namespace velmorad::tools {

// Blanks between the fields of a line (a newline ends the line instead).
inline bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The value of c as a digit in base (at most 16), else -1.
inline int digit_value(char c, int base) {
    return gls::digit_value(static_cast<unsigned char>(c), base);
}

// The UTF-8 form of a Unicode value (at most 0x10FFFF).
inline std::string utf8_of(uint32_t code) {
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

}  // namespace velmorad::tools
