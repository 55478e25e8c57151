// The collation section reader; the input is the section after its marker.
// Whatever the reader accepts is then used the way the primitives will use
// it: rows from the tree index the weights, expansion references index the
// expansions, and the derived lists and tables are walked to their ends.
// The bytes after the section are two strings that every collation
// primitive then compares and turns into sort keys.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_file.h"
#include "gls/chars/chars.h"
#include "gls/load/locale.h"

namespace {

void check_row(const gls::CollateSection &coll, const uint8_t *element) {
    uint16_t row = 0;
    std::memcpy(&row, element, sizeof row);
    if (row > coll.max_row) abort();
    for (int level = 0; level < coll.levels; ++level) {
        const uint16_t weight = coll.weights[level][row];
        if (gls::is_expansion_ref(weight) &&
            (weight & gls::kWeightIndexMask) >= coll.expansion_count)
            abort();
    }
}

void use(gls::Locale *loc, const uint8_t *data, size_t size) {
    const gls::CollateSection &coll = loc->collate;
    size_t total = 0;
    for (unsigned char **p = coll.all_ones; p != nullptr && *p != nullptr; ++p)
        total += std::strlen(reinterpret_cast<char *>(*p));
    for (unsigned char **p = coll.equivalences; p != nullptr && p[0] != nullptr; p += 2)
        total += std::strlen(reinterpret_cast<char *>(p[0])) +
                 std::strlen(reinterpret_cast<char *>(p[1]));
    for (int level = 0; level < coll.levels; ++level) {
        for (int byte = 0; byte < 256; ++byte) {
            const gls::CollationExpansion *expansion = coll.sb_expansions[level][byte];
            if (expansion == nullptr) continue;
            if (expansion < coll.expansions || expansion >= coll.expansions + coll.expansion_count)
                abort();
            total += expansion->chars[expansion->count - 1];
        }
    }
    for (int32_t i = 0; i < coll.element_count; ++i) {
        if (coll.elements[i].row > coll.max_row) abort();
        if (coll.elements[i].chars[0] < 256) total += coll.element_start[coll.elements[i].chars[0]];
    }
    for (size_t i = 0; i < size; ++i) {
        const int left = static_cast<int>(size - i < 4 ? size - i : 4);
        int consumed = 0;
        if (const uint8_t *element =
                gls::_gl_retrieve_text_multi_limit(data + i, coll.tree, left, &consumed, loc))
            check_row(coll, element);
        gls::gl_wchar_t wc = 0;
        for (int k = 0; k < left; ++k)
            wc = (wc << 8) | data[i + k];
        unsigned char out[4];
        const int bytes = gls::_gl_sl_wctomb(loc, out, wc);
        if (bytes > 4) abort();
    }
    if (total == SIZE_MAX) abort();  // keeps the walks from being optimised away
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

using Bytes = std::vector<unsigned char>;

// Terminated copies with zero bytes to spare: a -1 string of a code set
// whose terminator is wider than a byte must be whole characters, which
// arbitrary bytes are not, so the walk may end inside the zero bytes.
constexpr size_t kZeroBytes = 16;
Bytes terminated(const Bytes &s) {
    Bytes out(s);
    out.resize(s.size() + kZeroBytes, 0);
    return out;
}

// Keys of inputs this small always fit and need no memory beyond it.
Bytes key(gls::Locale *loc, gls::GlMbsXfrmFn xfrm, const Bytes &s) {
    const int length = xfrm(loc, nullptr, s.data(), 0);
    if (length < 0) abort();
    Bytes out(static_cast<size_t>(length));
    if (xfrm(loc, out.data(), s.data(), length) != length) abort();
    return out;
}

int key_order(const Bytes &a, const Bytes &b) {
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    const int order = common > 0 ? std::memcmp(a.data(), b.data(), common) : 0;
    if (order != 0) return sign(order);
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Counted strings in buffers of their exact size, so that the sanitizer
// sees any read past them; every comparison must be antisymmetric, and the
// keys must order the terminated strings as the comparison does.
void collate(gls::Locale *loc, const uint8_t *data, size_t size) {
    const Bytes a(data, data + size / 2);
    const Bytes b(data + size / 2, data + size);
    const int na = static_cast<int>(a.size());
    const int nb = static_cast<int>(b.size());
    for (gls::GlMbfsCollFn coll : {gls::_qmx_gl_im_mbfscoll, gls::_qmx_gl_is_mbfscoll_back,
                                   gls::_qmx_gl_is_mbfscoll_exp, gls::_qmx_gl_is_mbfscoll_elem,
                                   gls::_qmx_gl_is_mbfscoll_exp_elem, gls::_qmx_gl_thaismoncoll}) {
        if (sign(coll(loc, a.data(), na, b.data(), nb)) !=
            -sign(coll(loc, b.data(), nb, a.data(), na)))
            abort();
    }
    const Bytes ta = terminated(a);
    const Bytes tb = terminated(b);
    const int order = sign(gls::_gl_im_mbscoll(loc, ta.data(), tb.data()));
    const Bytes ka = key(loc, gls::gl_full_mbsxfrm, ta);
    const Bytes kb = key(loc, gls::gl_full_mbsxfrm, tb);
    if (key_order(ka, kb) != order) abort();
    (void)key(loc, gls::_gl_thaismoxfrm, ta);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace velmorad;
    if (size > 1 << 16) return 0;
    const std::string path = fuzz::scratch_dir() + "/collate";
    fuzz::write_input(path, data, size);
    FILE *stream = std::fopen(path.c_str(), "r");
    if (stream == nullptr) abort();
    gls::Locale *loc = nullptr;
    if (gls::gl_create_null_locale_4(&loc) != 0) abort();
    if (gls::read_collate(stream, loc) == 0) {
        use(loc, data, size);
        const long read = std::ftell(stream);
        if (read >= 0 && static_cast<size_t>(read) <= size)
            collate(loc, data + read, size - static_cast<size_t>(read));
    }
    gls::gl_lc_unload(loc);
    std::fclose(stream);
    return 0;
}
