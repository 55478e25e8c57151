// The element readers of the trees that locale objects and conversion files
// carry. Each refuses a destination too small for what it writes.
#include <cstring>

#include "gls/tree/tree.h"
#include "gls/tree/tree_internal.h"

namespace gls {

namespace {

constexpr int kUb2Digits = 4;
constexpr int kWcharDigits = 8;
constexpr int kByteDigits = 2;

}  // namespace

int ub2_reader(FILE *stream, void *dest, uint32_t size) {
    uint32_t value = 0;
    if (size < sizeof(uint16_t) || !read_hex_field(stream, kUb2Digits, &value)) return -1;
    const auto element = static_cast<uint16_t>(value);
    std::memcpy(dest, &element, sizeof element);
    return 0;
}

int _gl_read_gl_wchar(FILE *stream, void *dest, uint32_t size) {
    uint32_t value = 0;
    if (size < sizeof(uint32_t) || !read_hex_field(stream, kWcharDigits, &value)) return -1;
    std::memcpy(dest, &value, sizeof value);
    return 0;
}

namespace {

template <class GetByte>
int read_nl_wchars(FILE *stream, gl_wchar_t *dest, int count, GetByte get_byte) {
    if (get_byte(stream) != '\n') return -1;
    for (int i = 0; i < count; ++i) {
        uint32_t value = 0;
        if (!read_hex_digits(stream, kWcharDigits, &value, get_byte)) return -1;
        dest[i] = value;
    }
    return 0;
}

}  // namespace

// A large locale has thousands of these lines: the host's stream service
// is asked about once per line, not once per byte.
int _gl_read_nl_gl_wchars(FILE *stream, gl_wchar_t *dest, int count) {
    if (_gl_ext_getc_is_direct())
        return read_nl_wchars(stream, dest, count, [](FILE *s) { return getc_unlocked(s); });
    return read_nl_wchars(stream, dest, count, [](FILE *s) { return _gl_ext_getc(s); });
}

// Output bytes the flags byte does not announce are zero, so every record
// of a tree compares and copies as a whole.
int cv_record_reader(FILE *stream, void *dest, uint32_t size) {
    auto *record = static_cast<uint8_t *>(dest);
    uint32_t flags = 0;
    if (size < 1 || !read_hex_field(stream, kByteDigits, &flags)) return -1;
    const uint32_t count = flags & kCvRecordCountMask;
    if (count > size - 1) return -1;
    record[0] = static_cast<uint8_t>(flags);
    for (uint32_t i = 1; i <= count; ++i) {
        uint32_t byte = 0;
        if (!read_hex_field(stream, kByteDigits, &byte)) return -1;
        record[i] = static_cast<uint8_t>(byte);
    }
    std::memset(record + 1 + count, 0, size - 1 - count);
    return 0;
}

}  // namespace gls
