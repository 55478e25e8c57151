// The collation section reader; the input is the section after its marker.
// Whatever the reader accepts is then used the way the primitives will use
// it: rows from the tree index the weights, expansion references index the
// expansions, and the derived lists and tables are walked to their ends.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_file.h"
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
    if (gls::read_collate(stream, loc) == 0) use(loc, data, size);
    gls::gl_lc_unload(loc);
    std::fclose(stream);
    return 0;
}
