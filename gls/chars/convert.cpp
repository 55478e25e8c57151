// Whole strings between multibyte and wide form. The multi-byte loops walk
// the tree inline; the single-byte ones copy bytes. The implementation is
// chosen once per call.
#include "gls/chars/chars_internal.h"

namespace gls {

using namespace chars;

namespace {

int ext_mbstowcs(Locale *loc, gl_wchar_t *wcs, const unsigned char *mbs, int mblen, int wcmax) {
    GluStatus st = 0;
    const int32_t result = fn_glu_mbstoucs32(ext_locale(loc), wcs, mbs, mblen, wcmax, &st);
    glu_store_status(loc, st);
    return result;
}

int ext_wcstombs(Locale *loc, unsigned char *mbs, const gl_wchar_t *wcs, int wclen, int mbmax) {
    GluStatus st = 0;
    const int32_t result = fn_glu_ucs32tombs(ext_locale(loc), mbs, wcs, wclen, mbmax, &st);
    glu_store_status(loc, st);
    return result;
}

// The checks every string conversion makes before it starts; false after
// storing the error.
bool arguments_usable(Locale *loc, const void *out, const void *in, int length) {
    if (out == nullptr || in == nullptr) {
        fail(loc, GL_ENULLARG);
        return false;
    }
    if (length < kToTerminator) {
        fail(loc, GL_ENEGLEN);
        return false;
    }
    return true;
}

}  // namespace

int _qmx_gl_im_mbfstowcfs(Locale *loc, gl_wchar_t *wcs, const unsigned char *mbs, int mblen,
                          int wcmax) {
    if (!arguments_usable(loc, wcs, mbs, mblen)) return -1;
    if (use_ext(loc)) return ext_mbstowcs(loc, wcs, mbs, mblen, wcmax);
    if (wcmax < 1) return 0;
    const multi_tree_t *tree = char_tree(loc);
    const bool to_terminator = mblen == kToTerminator;
    int used = 0;
    int count = 0;
    while (count < wcmax && (to_terminator || used < mblen)) {
        gl_wchar_t wc = 0;
        const int length =
            decode(tree, mbs + used, to_terminator ? kMaxCharBytes : mblen - used, &wc, nullptr);
        if (length < 0) {
            // An incomplete character is as wrong here as an invalid one.
            fail(loc, GL_EILSEQ);
            return -1;
        }
        wcs[count] = wc;
        if (to_terminator && wc == 0) return count;
        used += length;
        ++count;
    }
    return count;
}

int _gl_im_mbstowcs(Locale *loc, gl_wchar_t *wcs, const unsigned char *mbs, int wcmax) {
    return _qmx_gl_im_mbfstowcfs(loc, wcs, mbs, kToTerminator, wcmax);
}

int _qmx_gl_is_mbfstowcfs(Locale *loc, gl_wchar_t *wcs, const unsigned char *mbs, int mblen,
                          int wcmax) {
    if (!arguments_usable(loc, wcs, mbs, mblen)) return -1;
    if (use_ext(loc)) return ext_mbstowcs(loc, wcs, mbs, mblen, wcmax);
    int count = 0;
    if (mblen == kToTerminator) {
        for (; count < wcmax; ++count) {
            wcs[count] = mbs[count];
            if (mbs[count] == 0) return count;
        }
        return count;
    }
    const int limit = mblen < wcmax ? mblen : wcmax;
    for (; count < limit; ++count)
        wcs[count] = mbs[count];
    return count;
}

int _gl_is_mbstowcs(Locale *loc, gl_wchar_t *wcs, const unsigned char *mbs, int wcmax) {
    return _qmx_gl_is_mbfstowcfs(loc, wcs, mbs, kToTerminator, wcmax);
}

int _qmx_gl_is_wcstombs(Locale *loc, unsigned char *mbs, const gl_wchar_t *wcs, int wclen,
                        int mbmax) {
    if (!arguments_usable(loc, mbs, wcs, wclen)) return -1;
    if (use_ext(loc)) return ext_wcstombs(loc, mbs, wcs, wclen, mbmax);
    const bool to_terminator = wclen == kToTerminator;
    int count = 0;
    for (; count < mbmax && (to_terminator || count < wclen); ++count) {
        const gl_wchar_t wc = wcs[count];
        if (wc > kOneByteMax) {
            fail(loc, GL_EILSEQ);
            return -1;
        }
        mbs[count] = static_cast<unsigned char>(wc);
        if (to_terminator && wc == 0) return count;
    }
    return count;
}

int _gl_is_wcstombs(Locale *loc, unsigned char *mbs, const gl_wchar_t *wcs, int mbmax) {
    return _qmx_gl_is_wcstombs(loc, mbs, wcs, kToTerminator, mbmax);
}

int _qmx_gl_full_wcstombs(Locale *loc, unsigned char *mbs, const gl_wchar_t *wcs, int wclen,
                          int mbmax) {
    if (!arguments_usable(loc, mbs, wcs, wclen)) return -1;
    if (use_ext(loc)) return ext_wcstombs(loc, mbs, wcs, wclen, mbmax);
    if (loc->ctype.single_byte != 0) return _qmx_gl_is_wcstombs(loc, mbs, wcs, wclen, mbmax);
    const multi_tree_t *tree = char_tree(loc);
    const bool to_terminator = wclen == kToTerminator;
    int written = 0;
    for (int i = 0; to_terminator || i < wclen; ++i) {
        const gl_wchar_t wc = wcs[i];
        const int length = encoded_length(tree->min_length, wc);
        // The null character is zero bytes, as gl_full_wctomb writes it.
        if (length == 0 || (wc != 0 && find_wchar(tree, length, wc) == nullptr)) {
            fail(loc, GL_EILSEQ);
            return -1;
        }
        // A character that does not fit ends the output there, terminator or not.
        if (length > mbmax - written) return written;
        for (int b = 0; b < length; ++b)
            mbs[written + b] = static_cast<unsigned char>(wc >> ((length - 1 - b) * kBitsPerByte));
        if (to_terminator && wc == 0) return written;
        written += length;
    }
    return written;
}

int gl_full_wcstombs(Locale *loc, unsigned char *mbs, const gl_wchar_t *wcs, int mbmax) {
    return _qmx_gl_full_wcstombs(loc, mbs, wcs, kToTerminator, mbmax);
}

}  // namespace gls
