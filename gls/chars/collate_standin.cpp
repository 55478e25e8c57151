// STAND-IN: the collation and sort-key primitives that set_function_pointers
// installs. Until the locale compiler writes real collation sections they all
// order strings by their bytes, and a sort key is the string's own bytes; the
// names are in place so the choice of primitives can be made and tested now.
#include <cstring>

#include "gls/chars/chars_internal.h"

namespace gls {

using namespace chars;

namespace {

// Bytes before the terminator; a string the code set cannot walk is taken
// up to its first zero byte.
int string_bytes(Locale *loc, const unsigned char *s, int n) {
    if (s == nullptr) return 0;
    if (n >= 0) return n;
    const int bytes = gl_mbsbytes(loc, s);
    if (bytes > 0) return bytes - gl_mb_loc_min(loc);
    return static_cast<int>(std::strlen(reinterpret_cast<const char *>(s)));
}

int byte_order(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2) {
    const int length1 = string_bytes(loc, s1, n1);
    const int length2 = string_bytes(loc, s2, n2);
    const int common = length1 < length2 ? length1 : length2;
    const int order = common > 0 ? std::memcmp(s1, s2, static_cast<size_t>(common)) : 0;
    if (order != 0) return order < 0 ? -1 : 1;
    return length1 < length2 ? -1 : length1 > length2 ? 1 : 0;
}

// The key is the string itself, cut at n bytes, with a zero byte after it
// when that fits; the result is the key's full length.
int byte_key(Locale *loc, unsigned char *dst, const unsigned char *src, int n) {
    const int length = string_bytes(loc, src, kToTerminator);
    if (dst == nullptr || n <= 0) return length;
    const int copied = length < n ? length : n;
    std::memcpy(dst, src, static_cast<size_t>(copied));
    if (length < n) dst[length] = 0;
    return length;
}

}  // namespace

int _gl_im_mbscoll(Locale *loc, const unsigned char *s1, const unsigned char *s2) {
    return byte_order(loc, s1, kToTerminator, s2, kToTerminator);
}
int _qmx_gl_im_mbfscoll(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                        int n2) {
    return byte_order(loc, s1, n1, s2, n2);
}
int gl_full_mbsxfrm(Locale *loc, unsigned char *dst, const unsigned char *src, int n) {
    return byte_key(loc, dst, src, n);
}

int _gl_is_mbscoll_back(Locale *loc, const unsigned char *s1, const unsigned char *s2) {
    return byte_order(loc, s1, kToTerminator, s2, kToTerminator);
}
int _qmx_gl_is_mbfscoll_back(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                             int n2) {
    return byte_order(loc, s1, n1, s2, n2);
}
int _gl_is_mbscoll_exp(Locale *loc, const unsigned char *s1, const unsigned char *s2) {
    return byte_order(loc, s1, kToTerminator, s2, kToTerminator);
}
int _qmx_gl_is_mbfscoll_exp(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                            int n2) {
    return byte_order(loc, s1, n1, s2, n2);
}
int _gl_is_mbscoll_elem(Locale *loc, const unsigned char *s1, const unsigned char *s2) {
    return byte_order(loc, s1, kToTerminator, s2, kToTerminator);
}
int _qmx_gl_is_mbfscoll_elem(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                             int n2) {
    return byte_order(loc, s1, n1, s2, n2);
}
int _gl_is_mbscoll_exp_elem(Locale *loc, const unsigned char *s1, const unsigned char *s2) {
    return byte_order(loc, s1, kToTerminator, s2, kToTerminator);
}
int _qmx_gl_is_mbfscoll_exp_elem(Locale *loc, const unsigned char *s1, int n1,
                                 const unsigned char *s2, int n2) {
    return byte_order(loc, s1, n1, s2, n2);
}

int _gl_thaismocoll(Locale *loc, const unsigned char *s1, const unsigned char *s2) {
    return byte_order(loc, s1, kToTerminator, s2, kToTerminator);
}
int _qmx_gl_thaismoncoll(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                         int n2) {
    return byte_order(loc, s1, n1, s2, n2);
}
int _gl_thaismoxfrm(Locale *loc, unsigned char *dst, const unsigned char *src, int n) {
    return byte_key(loc, dst, src, n);
}

}  // namespace gls
