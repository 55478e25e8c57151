// Small string, byte and byte-order helpers with fixed result conventions.
#include <cstring>

#include "os_layer/os_layer.h"

namespace velmorad {

int stcmpr(const char *a, const char *b) {
    const auto *x = reinterpret_cast<const unsigned char *>(a);
    const auto *y = reinterpret_cast<const unsigned char *>(b);
    while (*x != 0 && *x == *y) {
        ++x;
        ++y;
    }
    if (*x == *y) return 0;
    return *x >= *y ? 1 : -1;
}

const char *stchr(const char *s, int c) {
    for (; *s != '\0'; ++s) {
        if (*s == static_cast<char>(c)) return s;
    }
    return nullptr;
}

int bycmpr(const void *a, const void *b, size_t len) {
    int r = std::memcmp(a, b, len);
    return r == 0 ? 0 : (r < 0 ? -1 : 1);
}

int32_t ldlong(const unsigned char *p) {
    uint32_t v = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    return static_cast<int32_t>(v);
}

unsigned char *stlong(int32_t value, unsigned char *p) {
    auto v = static_cast<uint32_t>(value);
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
    return p + 3;
}

}  // namespace velmorad
