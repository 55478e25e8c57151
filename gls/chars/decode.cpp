// One character at a time: decoding and encoding, character and string
// lengths, and the terminator of as many zero bytes as the shortest
// character has.
#include <cstring>

#include "gls/chars/chars_internal.h"

namespace gls {

using namespace chars;

namespace chars {

namespace {

uint8_t no_class_element[sizeof(uint16_t)] = {};

constexpr multi_tree_t no_characters() {
    multi_tree_t tree{};
    tree.data_size = sizeof(uint16_t);
    tree.min_length = 1;
    tree.flags = kMultiLeavesMarked;
    tree.root.flag_index = kMultiOwnArray;
    tree.root.data_index = kMultiOwnArray;
    tree.default_element = no_class_element;
    tree.shift = 1;
    return tree;
}

}  // namespace

// Constant-initialised, so no other file's start-up code can see it empty.
constinit const multi_tree_t kNoCharacters = no_characters();

}  // namespace chars

namespace {

// The table implementation of a decode from at most n (>= 1) bytes.
int table_mbtowc(Locale *loc, gl_wchar_t *wc, const unsigned char *s, int n) {
    gl_wchar_t value = 0;
    const int length = decode(char_tree(loc), s, n, &value, nullptr);
    if (length < 0) {
        fail(loc, decode_error(length));
        return -1;
    }
    if (wc != nullptr) *wc = value;
    return value == 0 ? 0 : length;
}

int ext_mbtowc(Locale *loc, gl_wchar_t *wc, const unsigned char *s, int n) {
    GluStatus st = 0;
    gl_wchar_t scratch = 0;
    const int32_t result =
        fn_glu_mbtouc32(ext_locale(loc), wc != nullptr ? wc : &scratch, s, n, &st);
    glu_store_status(loc, st);
    return result;
}

}  // namespace

int _qmx_gl_full_mbtowc(Locale *loc, gl_wchar_t *wc, const unsigned char *s, int n) {
    if (s == nullptr) return 0;
    if (use_ext(loc)) return ext_mbtowc(loc, wc, s, n);
    if (n == kToTerminator) {
        const int bytes = gl_mbsbytes(loc, s);
        if (bytes < 1) return -1;
        n = bytes - gl_mb_loc_min(loc);
    }
    if (n < 1) {
        fail(loc, GL_EINVAL);
        return -1;
    }
    return table_mbtowc(loc, wc, s, n);
}

int gl_full_mbtowc(Locale *loc, gl_wchar_t *wc, const unsigned char *s, int n) {
    if (s == nullptr) return 0;
    if (n <= 0) {
        fail(loc, GL_EINVAL);
        return -1;
    }
    if (use_ext(loc)) return ext_mbtowc(loc, wc, s, n);
    return table_mbtowc(loc, wc, s, n);
}

int gl_full_wctomb(Locale *loc, unsigned char *s, gl_wchar_t wc) {
    if (s == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    if (use_ext(loc)) {
        GluStatus st = 0;
        const int32_t result = fn_glu_uc32tomb(ext_locale(loc), s, wc, &st);
        glu_store_status(loc, st);
        return result;
    }
    const multi_tree_t *tree = char_tree(loc);
    const int length = encoded_length(tree->min_length, wc);
    // The null character is the terminator, whether or not the tree has it.
    if (length == 0 || (wc != 0 && find_wchar(tree, length, wc) == nullptr)) {
        fail(loc, GL_EILSEQ);
        return -1;
    }
    for (int i = 0; i < length; ++i)
        s[i] = static_cast<unsigned char>(wc >> ((length - 1 - i) * kBitsPerByte));
    return length;
}

int gl_wclen(Locale *loc, gl_wchar_t wc) {
    if (loc->ctype.single_byte != 0) return 1;
    unsigned char scratch[kMaxCharBytes];
    return gl_full_wctomb(loc, scratch, wc);
}

int gl_full_mblen(Locale *loc, const unsigned char *s, int n) {
    if (s == nullptr) return 0;
    if (use_ext(loc)) {
        GluStatus st = 0;
        const int32_t result = fn_glu_mblen(ext_locale(loc), s, n, &st);
        glu_store_status(loc, st);
        return result;
    }
    if (n < 1) {
        fail(loc, GL_EINVAL);
        return -1;
    }
    return table_mbtowc(loc, nullptr, s, n);
}

int _gl_im_mbslen(Locale *loc, const unsigned char *s) {
    if (s == nullptr) return 0;
    if (use_ext(loc)) {
        GluStatus st = 0;
        const int32_t result = fn_glu_mbslen(ext_locale(loc), s, kToTerminator, &st);
        glu_store_status(loc, st);
        return result;
    }
    int count = 0;
    for (;;) {
        const int length = gl_full_mblen(loc, s, kMaxCharBytes);
        if (length < 0) return -1;
        if (length == 0) return count;
        s += length;
        ++count;
    }
}

int gl_mbsbytes(Locale *loc, const unsigned char *s) {
    if (s == nullptr) return 0;
    if (use_ext(loc)) {
        GluStatus st = 0;
        const int32_t result = fn_glu_mbsbytes(ext_locale(loc), s, &st);
        glu_store_status(loc, st);
        return result;
    }
    // Every non-zero byte of a single-byte code set is a character.
    if (loc->ctype.single_byte != 0) {
        return static_cast<int>(std::strlen(reinterpret_cast<const char *>(s))) + 1;
    }
    const multi_tree_t *tree = char_tree(loc);
    const int terminator = table_terminator(loc);
    const unsigned char *p = s;
    while (!is_terminator(p, terminator)) {
        gl_wchar_t wc = 0;
        const int length = decode(tree, p, kMaxCharBytes, &wc, nullptr);
        if (length < 0) {
            fail(loc, decode_error(length));
            return 0;
        }
        p += length;
    }
    return static_cast<int>(p - s) + terminator;
}

int gl_wcslen(const gl_wchar_t *ws) {
    if (ws == nullptr) return 0;
    int count = 0;
    while (ws[count] != 0)
        ++count;
    return count;
}

int gl_mb_loc_min(Locale *loc) {
    if (use_ext(loc)) {
        GluStatus st = 0;
        const int32_t result = fn_glu_mb_loc_min(ext_locale(loc), &st);
        glu_store_status(loc, st);
        return result;
    }
    return min_length(loc);
}

int gl_mb_loc_max(Locale *loc) {
    if (use_ext(loc)) {
        GluStatus st = 0;
        const int32_t result = fn_glu_mb_loc_max(ext_locale(loc), &st);
        glu_store_status(loc, st);
        return result;
    }
    return static_cast<int>(char_tree(loc)->max_length);
}

int gl_mbsterm(Locale *loc, unsigned char *s) {
    const int length = gl_mb_loc_min(loc);
    if (s == nullptr || length < 1 || length > kMaxCharBytes) return 0;
    std::memset(s, 0, static_cast<size_t>(length));
    return length;
}

int gl_ismbsterm(Locale *loc, const unsigned char *s) {
    const int length = gl_mb_loc_min(loc);
    if (s == nullptr || length < 1 || length > kMaxCharBytes) return 0;
    return is_terminator(s, length) ? length : 0;
}

}  // namespace gls
