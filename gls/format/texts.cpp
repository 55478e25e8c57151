// Locale texts as the formatters handle them: characters, bytes, wide form
// and display columns.
#include <cstring>

#include "gls/chars/chars.h"
#include "gls/format/format_internal.h"

namespace gls::format {

namespace {

bool single_byte_tables(const Locale *loc) {
    return loc->ctype.single_byte != 0 && loc->ext_flags[category_slot(kCatCtype)] != 1;
}

}  // namespace

int text_chars(Locale *loc, const char *text) {
    // Every non-zero byte of a single-byte code set is a character.
    if (single_byte_tables(loc)) return static_cast<int>(std::strlen(text));
    return _gl_im_mbslen(loc, reinterpret_cast<const unsigned char *>(text));
}

int text_bytes(Locale *loc, const char *text) {
    return gl_mbsbytes(loc, reinterpret_cast<const unsigned char *>(text)) - 1;
}

int widen_text(Locale *loc, gl_wchar_t *out, const char *text, int room) {
    GlMbsToWcsFn convert = loc->primitives.mbstowcs;
    if (convert == nullptr)
        convert = loc->ctype.single_byte != 0 ? _gl_is_mbstowcs : _gl_im_mbstowcs;
    return convert(loc, out, reinterpret_cast<const unsigned char *>(text), room);
}

int columns(Locale *loc, gl_wchar_t wc) {
    const int width = gl_wcwidth(loc, wc);
    return width >= 1 ? width : 1;
}

int64_t columns(Locale *loc, const gl_wchar_t *text, int64_t length) {
    int64_t total = 0;
    for (int64_t i = 0; i < length; ++i)
        total += columns(loc, text[i]);
    return total;
}

}  // namespace gls::format
