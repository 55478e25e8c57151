// Display width: 0 for the null character, 2 for a character of the
// locale's "full_width" class, 1 for any other printable one; a character
// that is not printable has no width.
#include "gls/chars/chars_internal.h"

namespace gls {

using namespace chars;

namespace {

constexpr int kNarrow = 1;
constexpr int kWide = 2;

// The class word of wc when it is printable.
bool printable_wchar(Locale *loc, gl_wchar_t wc, uint16_t *word) {
    if (use_ext(loc)) {
        *word = 0;
        return _gl_im_iswctype(loc, wc, kClassPrint) != 0;
    }
    if (loc->ctype.single_byte != 0) {
        if (wc > kOneByteMax) return false;
        *word = single_byte_class(loc, static_cast<uint8_t>(wc));
    } else if (!class_of_wchar(loc, wc, word)) {
        return false;
    }
    return (*word & kClassPrint) != 0;
}

int width_of(uint16_t word, uint32_t full_width) {
    return (word & full_width) != 0 ? kWide : kNarrow;
}

// The checks both string forms make; false after storing the error.
bool string_usable(Locale *loc, const void *s, int n) {
    if (s == nullptr) {
        fail(loc, GL_ENULLARG);
        return false;
    }
    if (n < 0) {
        fail(loc, GL_ENEGLEN);
        return false;
    }
    return true;
}

int not_printable(Locale *loc) {
    fail(loc, GL_EINVAL);
    return -1;
}

}  // namespace

int gl_wcwidth(Locale *loc, gl_wchar_t wc) {
    if (wc == 0) return 0;
    uint16_t word = 0;
    if (!printable_wchar(loc, wc, &word)) return not_printable(loc);
    if (use_ext(loc)) {
        GluStatus st = 0;
        const int32_t result = fn_glu_uc32width(wc, &st);
        glu_store_status(loc, st);
        return result;
    }
    return width_of(word, full_width_bit(loc));
}

int gl_wcswidth(Locale *loc, const gl_wchar_t *ws, int n) {
    if (!string_usable(loc, ws, n)) return -1;
    if (n == 0) return 0;
    if (use_ext(loc)) {
        GluStatus st = 0;
        const int32_t result = fn_glu_ucs32width(ws, n, &st);
        glu_store_status(loc, st);
        return result;
    }
    const uint32_t full_width = full_width_bit(loc);
    int width = 0;
    for (int i = 0; i < n && ws[i] != 0; ++i) {
        uint16_t word = 0;
        if (!printable_wchar(loc, ws[i], &word)) return not_printable(loc);
        width += width_of(word, full_width);
    }
    return width;
}

int gl_mbswidth(Locale *loc, const unsigned char *s, int n) {
    if (!string_usable(loc, s, n)) return -1;
    if (n == 0) return 0;
    if (use_ext(loc)) {
        GluStatus st = 0;
        const int32_t result = fn_glu_mbswidth(ext_locale(loc), s, n, &st);
        glu_store_status(loc, st);
        return result;
    }
    const uint32_t full_width = full_width_bit(loc);
    int width = 0;
    if (loc->ctype.single_byte != 0) {
        for (int i = 0; i < n && s[i] != 0; ++i) {
            const uint16_t word = single_byte_class(loc, s[i]);
            if ((word & kClassPrint) == 0) return not_printable(loc);
            width += width_of(word, full_width);
        }
        return width;
    }
    const multi_tree_t *tree = char_tree(loc);
    const int terminator = table_terminator(loc);
    for (int i = 0; i < n && !is_terminator(s, terminator); ++i) {
        gl_wchar_t wc = 0;
        const uint8_t *element = nullptr;
        const int length = decode(tree, s, kMaxCharBytes, &wc, &element);
        if (length < 0) {
            fail(loc, GL_EILSEQ);
            return -1;
        }
        const uint16_t word = word_of(element);
        if ((word & kClassPrint) == 0) return not_printable(loc);
        width += width_of(word, full_width);
        s += length;
    }
    return width;
}

}  // namespace gls
