// Byte strings for tests: built from values, copied to buffers of exactly
// their size (so a sanitizer sees a read one past the end), and printed.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace velmorad::testing {

// A byte string from byte values.
inline std::string bytes(std::initializer_list<int> values) {
    std::string text;
    for (int value : values)
        text += static_cast<char>(value);
    return text;
}

// Exactly the bytes of a text, without a terminator after them.
using Bytes = std::vector<unsigned char>;
inline Bytes exact(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// "c3 a9": lower-case hexadecimal pairs, space-separated, for messages.
inline std::string hex(std::string_view text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : text) {
        if (!out.empty()) out += ' ';
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

}  // namespace velmorad::testing
