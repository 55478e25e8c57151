// Characters as the charmap and locale source texts see them, shared by
// their readers.
#pragma once

namespace velmorad::tools {

// Blanks between the fields of a line (a newline ends the line instead).
inline bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The value of c as a digit in base (at most 16), else -1.
inline int digit_value(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    return v < base ? v : -1;
}

}  // namespace velmorad::tools
