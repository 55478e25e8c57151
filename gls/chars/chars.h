// Multibyte and wide-character primitives of a locale: decoding, encoding,
// lengths, string conversion, walking and copying, classes and case, width,
// stream input, and the collation entry points that a locale installs.
#pragma once

#include <cstdint>
#include <cstdio>

#include "gls/load/locale.h"

namespace gls {

// Class bits of the class words.
inline constexpr uint32_t kClassUpper = 0x001;
inline constexpr uint32_t kClassLower = 0x002;
inline constexpr uint32_t kClassAlpha = 0x004;
inline constexpr uint32_t kClassDigit = 0x008;
inline constexpr uint32_t kClassSpace = 0x010;
inline constexpr uint32_t kClassCntrl = 0x020;
inline constexpr uint32_t kClassPunct = 0x040;
inline constexpr uint32_t kClassGraph = 0x080;
inline constexpr uint32_t kClassPrint = 0x100;
inline constexpr uint32_t kClassXdigit = 0x200;
inline constexpr uint32_t kClassBlank = 0x400;
inline constexpr uint32_t kClassAlnum = kClassAlpha | kClassDigit;
inline constexpr uint32_t kClassUserBase = 0x800;  // shifted left by the class number

// Decoding and encoding one character.
int _qmx_gl_full_mbtowc(Locale *loc, gl_wchar_t *wc, const unsigned char *s, int n);
int gl_full_mbtowc(Locale *loc, gl_wchar_t *wc, const unsigned char *s, int n);
int gl_full_wctomb(Locale *loc, unsigned char *s, gl_wchar_t wc);
int gl_wclen(Locale *loc, gl_wchar_t wc);

// Lengths and terminators.
int gl_full_mblen(Locale *loc, const unsigned char *s, int n);
int _gl_im_mbslen(Locale *loc, const unsigned char *s);
int gl_mbsbytes(Locale *loc, const unsigned char *s);
int gl_wcslen(const gl_wchar_t *ws);
int gl_mb_loc_min(Locale *loc);
int gl_mb_loc_max(Locale *loc);
int gl_mbsterm(Locale *loc, unsigned char *s);
int gl_ismbsterm(Locale *loc, const unsigned char *s);

// Whole-string conversion.
int _qmx_gl_im_mbfstowcfs(Locale *loc, gl_wchar_t *wcs, const unsigned char *mbs, int mblen,
                          int wcmax);
int _gl_im_mbstowcs(Locale *loc, gl_wchar_t *wcs, const unsigned char *mbs, int wcmax);
int _qmx_gl_is_mbfstowcfs(Locale *loc, gl_wchar_t *wcs, const unsigned char *mbs, int mblen,
                          int wcmax);
int _gl_is_mbstowcs(Locale *loc, gl_wchar_t *wcs, const unsigned char *mbs, int wcmax);
int _qmx_gl_is_wcstombs(Locale *loc, unsigned char *mbs, const gl_wchar_t *wcs, int wclen,
                        int mbmax);
int _gl_is_wcstombs(Locale *loc, unsigned char *mbs, const gl_wchar_t *wcs, int mbmax);
int _qmx_gl_full_wcstombs(Locale *loc, unsigned char *mbs, const gl_wchar_t *wcs, int wclen,
                          int mbmax);
int gl_full_wcstombs(Locale *loc, unsigned char *mbs, const gl_wchar_t *wcs, int mbmax);

// Walking and copying.
const unsigned char *gl_full_mbsnext(Locale *loc, const unsigned char *s);
const unsigned char *gl_getmbsinull(Locale *loc, const unsigned char *s, int n);
unsigned char *gl_full_mbscpy(Locale *loc, unsigned char *dst, const unsigned char *src);
unsigned char *gl_mbsncpy(Locale *loc, unsigned char *dst, const unsigned char *src, int n);
int _qmx_gl_wcsncpy(Locale *loc, gl_wchar_t *dst, const gl_wchar_t *src, int srclen, int n);
gl_wchar_t *gl_wcsncpy(gl_wchar_t *dst, const gl_wchar_t *src, int n);

// Classification and case.
uint32_t gl_ctype(Locale *loc, const char *name);
uint32_t _gl_im_iswctype(Locale *loc, gl_wchar_t wc, uint32_t mask);
uint32_t _gl_im_ismctype(Locale *loc, const unsigned char *s, uint32_t mask);
gl_wchar_t _gl_im_towupper(Locale *loc, gl_wchar_t wc);
gl_wchar_t _gl_im_towlower(Locale *loc, gl_wchar_t wc);
// The upper and lower case of each of the 256 byte values, as the two
// above give them, with one look-up a byte.
void single_byte_cases(Locale *loc, uint8_t *upper, uint8_t *lower);

// Display width.
int gl_wcwidth(Locale *loc, gl_wchar_t wc);
int gl_wcswidth(Locale *loc, const gl_wchar_t *ws, int n);
int gl_mbswidth(Locale *loc, const unsigned char *s, int n);
int gl_mbwidth_PUA(Locale *loc, const unsigned char *s);

// Stream input.
using GlGetcFn = int (*)(FILE *stream);
int gl_getmb(Locale *loc, unsigned char *buf, GlGetcFn getc_function, FILE *stream, int *nbytes);
int gl_full_fgetmb(Locale *loc, unsigned char *buf, FILE *file);

// Collation entry points installed by set_function_pointers. Each compares
// two strings (negative, 0, positive); the transformation writes a sort key
// of at most n bytes and returns its full length.
int _gl_im_mbscoll(Locale *loc, const unsigned char *s1, const unsigned char *s2);
int _qmx_gl_im_mbfscoll(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                        int n2);
int gl_full_mbsxfrm(Locale *loc, unsigned char *dst, const unsigned char *src, int n);
int _gl_is_mbscoll_back(Locale *loc, const unsigned char *s1, const unsigned char *s2);
int _qmx_gl_is_mbfscoll_back(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                             int n2);
int _gl_is_mbscoll_exp(Locale *loc, const unsigned char *s1, const unsigned char *s2);
int _qmx_gl_is_mbfscoll_exp(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                            int n2);
int _gl_is_mbscoll_elem(Locale *loc, const unsigned char *s1, const unsigned char *s2);
int _qmx_gl_is_mbfscoll_elem(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                             int n2);
int _gl_is_mbscoll_exp_elem(Locale *loc, const unsigned char *s1, const unsigned char *s2);
int _qmx_gl_is_mbfscoll_exp_elem(Locale *loc, const unsigned char *s1, int n1,
                                 const unsigned char *s2, int n2);
int _gl_thaismocoll(Locale *loc, const unsigned char *s1, const unsigned char *s2);
int _qmx_gl_thaismoncoll(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                         int n2);
int _gl_thaismoxfrm(Locale *loc, unsigned char *dst, const unsigned char *src, int n);
int _glu_mbscoll(Locale *loc, const unsigned char *s1, const unsigned char *s2);
int _glu_mbfscoll(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2);
int _glu_mbsxfrm(Locale *loc, unsigned char *dst, const unsigned char *src, int n);

}  // namespace gls
