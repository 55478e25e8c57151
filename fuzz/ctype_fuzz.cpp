// The classification section reader, and the character primitives on every
// locale it accepts: the input is the section's text, and its bytes are
// also the strings the primitives walk.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_file.h"
#include "gls/chars/chars.h"
#include "gls/load/locale.h"

namespace {

// Strings end in four zero bytes, a terminator for every code set.
constexpr size_t kPadding = 4;

void exercise(gls::Locale *loc, const uint8_t *data, size_t size) {
    using namespace gls;
    std::vector<unsigned char> text(data, data + size);
    text.resize(size + kPadding, 0);
    std::vector<gl_wchar_t> wide(size + 1);
    const int room = static_cast<int>(wide.size());
    for (size_t i = 0; i < size; ++i) {
        const unsigned char *s = text.data() + i;
        const int left = static_cast<int>(size - i);
        gl_wchar_t wc = 0;
        const int length = gl_full_mbtowc(loc, &wc, s, left);
        if (length > left) abort();
        unsigned char out[4];
        (void)gl_full_wctomb(loc, out, wc);
        (void)_gl_im_iswctype(loc, wc, 0xFFFF);
        (void)_gl_im_ismctype(loc, s, 0xFFFF);
        (void)_gl_im_towupper(loc, wc);
        (void)_gl_im_towlower(loc, wc);
        (void)gl_wcwidth(loc, wc);
        const int bytes = gl_mbsbytes(loc, s);
        if (bytes < 0 || static_cast<size_t>(bytes) > text.size() - i) abort();
        (void)gl_getmbsinull(loc, s, 3);
        (void)gl_mbswidth(loc, s, left);
        const int count = loc->primitives.mbfstowcfs(loc, wide.data(), s, left, room);
        if (count > room) abort();
        std::vector<unsigned char> back(static_cast<size_t>(left) + kPadding);
        const int written = _qmx_gl_full_wcstombs(
            loc, back.data(), wide.data(), count > 0 ? count : 0, static_cast<int>(back.size()));
        if (written > static_cast<int>(back.size())) abort();
    }
    for (const char *name : {"upper", "full_width", "f", ""})
        (void)gl_ctype(loc, name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace velmorad;
    if (size > 1 << 16) return 0;
    const std::string path = fuzz::scratch_dir() + "/ctype";
    fuzz::write_input(path, data, size);
    FILE *stream = std::fopen(path.c_str(), "r");
    if (stream == nullptr) abort();
    gls::Locale *loc = nullptr;
    if (gls::gl_create_null_locale_4(&loc) == 0) {
        if (gls::read_ctype(stream, loc) == 0) {
            // As the loader settles a locale once its sections are in.
            loc->ctype.single_byte = gls::_gl_multi_max_length(loc->ctype.char_tree) == 1;
            if (gls::set_function_pointers(loc) == 0) exercise(loc, data, size);
        }
        gls::gl_lc_unload(loc);
    }
    std::fclose(stream);
    return 0;
}
