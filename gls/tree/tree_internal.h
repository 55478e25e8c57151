// Pieces the tree's own files share; not part of the folder's interface.
#pragma once

#include <cstdint>
#include <cstdio>

#include "gls/host/host.h"
#include "gls/tree/tree.h"
#include "gls/util/digits.h"

namespace gls {

inline multi_arr_t empty_node() {
    multi_arr_t node{};
    node.flag_index = kMultiOwnArray;
    node.data_index = kMultiOwnArray;
    return node;
}

// Reads a field of exactly `digits` hexadecimal digits (at most 8). Unlike
// _gl_get_hex, a non-digit or the end of input fails, so that a truncated
// or damaged file cannot be read as a run of zeros.
template <class GetByte>
inline bool read_hex_digits(FILE *stream, int digits, uint32_t *value, GetByte get_byte) {
    uint32_t result = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = digit_value(get_byte(stream));
        if (digit < 0) return false;
        result = (result << 4) | static_cast<uint32_t>(digit);
    }
    *value = result;
    return true;
}

inline bool read_hex_field(FILE *stream, int digits, uint32_t *value) {
    // The trees are most of a locale's bytes: the host's service is asked
    // about once per field, not once per byte.
    if (_gl_ext_getc_is_direct()) {
        return read_hex_digits(stream, digits, value, [](FILE *s) { return getc_unlocked(s); });
    }
    return read_hex_digits(stream, digits, value, [](FILE *s) { return _gl_ext_getc(s); });
}

}  // namespace gls
