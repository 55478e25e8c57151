// Stepping over characters and copying strings of them.
#include <cstring>

#include "gls/chars/chars_internal.h"

namespace gls {

using namespace chars;

const unsigned char *gl_full_mbsnext(Locale *loc, const unsigned char *s) {
    if (s == nullptr) {
        fail(loc, GL_ENULLARG);
        return nullptr;
    }
    if (use_ext(loc)) {
        GluStatus st = 0;
        const unsigned char *next = fn_glu_mbsnext(ext_locale(loc), s, kToTerminator, &st);
        glu_store_status(loc, st);
        return next;
    }
    gl_wchar_t wc = 0;
    const int length = decode(char_tree(loc), s, kMaxCharBytes, &wc, nullptr);
    if (length < 0) {
        fail(loc, GL_EILSEQ);
        return nullptr;
    }
    return s + length;
}

const unsigned char *gl_getmbsinull(Locale *loc, const unsigned char *s, int n) {
    if (n < 0) {
        fail(loc, GL_ENEGLEN);
        return nullptr;
    }
    if (s == nullptr) {
        fail(loc, GL_ENULLARG);
        return nullptr;
    }
    if (use_ext(loc)) {
        GluStatus st = 0;
        const unsigned char *end = fn_glu_getmbsi(ext_locale(loc), s, n, &st);
        glu_store_status(loc, st);
        return end;
    }
    if (loc->ctype.single_byte != 0) {
        return s + strnlen(reinterpret_cast<const char *>(s), static_cast<size_t>(n));
    }
    const multi_tree_t *tree = char_tree(loc);
    const int terminator = table_terminator(loc);
    for (int i = 0; i < n && !is_terminator(s, terminator); ++i) {
        gl_wchar_t wc = 0;
        const int length = decode(tree, s, kMaxCharBytes, &wc, nullptr);
        if (length < 0) {
            fail(loc, GL_EILSEQ);
            return nullptr;
        }
        s += length;
    }
    return s;
}

unsigned char *gl_full_mbscpy(Locale *loc, unsigned char *dst, const unsigned char *src) {
    if (dst == nullptr || src == nullptr) {
        fail(loc, GL_ENULLARG);
        return nullptr;
    }
    const int bytes = gl_mbsbytes(loc, src);
    if (bytes < 1) return nullptr;
    std::memcpy(dst, src, static_cast<size_t>(bytes));
    return dst;
}

unsigned char *gl_mbsncpy(Locale *loc, unsigned char *dst, const unsigned char *src, int n) {
    if (dst == nullptr) {
        fail(loc, GL_ENULLARG);
        return nullptr;
    }
    const unsigned char *end = gl_getmbsinull(loc, src, n);
    if (end == nullptr) return nullptr;
    const auto bytes = static_cast<size_t>(end - src);
    std::memcpy(dst, src, bytes);
    (void)gl_mbsterm(loc, dst + bytes);
    return dst;
}

int _qmx_gl_wcsncpy(Locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int srclen, int n) {
    if (srclen < kToTerminator || n < 0) {
        // A null locale has no error number to keep one in.
        if (loc != nullptr) fail(loc, srclen < kToTerminator ? GL_EBADITEM : GL_ENEGLEN);
        return -1;
    }
    if (dst == nullptr || src == nullptr) {
        if (loc != nullptr) fail(loc, GL_ENULLARG);
        return -1;
    }
    if (srclen >= 0) {
        const int count = srclen < n ? srclen : n;
        std::memcpy(dst, src, static_cast<size_t>(count) * sizeof *dst);
        return count;
    }
    int count = 0;
    while (count < n && src[count] != 0) {
        dst[count] = src[count];
        ++count;
    }
    for (int i = count; i < n; ++i)
        dst[i] = 0;
    return count;
}

gl_wchar_t *gl_wcsncpy(gl_wchar_t *dst, const gl_wchar_t *src, int n) {
    return _qmx_gl_wcsncpy(nullptr, dst, src, kToTerminator, n) < 0 ? nullptr : dst;
}

}  // namespace gls
