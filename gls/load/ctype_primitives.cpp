// Installing a locale's character primitives: the single-byte tables, the
// string conversions of its kind of code set, and the collation entry points
// its rules call for.
#include <cstring>

#include "gls/chars/chars.h"
#include "gls/load/load_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr int kByteValues = 256;

// Entry b of the root's data array, or the default element: the class word
// of byte b in a single-byte code set.
uint16_t root_class_word(const multi_tree_t *tree, int b) {
    uint16_t word = 0;
    if (tree == nullptr || tree->data_size < sizeof word) return word;
    const uint8_t *element = tree->root.data != nullptr
                                 ? tree->root.data + (static_cast<size_t>(b) << tree->shift)
                                 : tree->default_element;
    std::memcpy(&word, element, sizeof word);
    return word;
}

// Built in full before anything is replaced, so that running out of memory
// leaves the locale as it was.
int install_single_byte_tables(Locale *loc) {
    CtypeSection &ctype = loc->ctype;
    HostPtr<uint8_t> upper = host_alloc<uint8_t>(kByteValues);
    HostPtr<uint8_t> lower = host_alloc<uint8_t>(kByteValues);
    HostPtr<uint16_t> classes = host_alloc<uint16_t>(kByteValues);
    if (!upper || !lower || !classes) {
        gl_set_error(loc, GL_ENOMEM);
        return -1;
    }
    if (ctype.upper_table == nullptr || ctype.lower_table == nullptr)
        single_byte_cases(loc, upper.get(), lower.get());
    for (int b = 0; b < kByteValues; ++b) {
        if (ctype.upper_table != nullptr) upper.get()[b] = ctype.upper_table[b];
        if (ctype.lower_table != nullptr) lower.get()[b] = ctype.lower_table[b];
        classes.get()[b] = root_class_word(ctype.char_tree, b);
    }
    _gl_free_ptr(ctype.upper_table);
    _gl_free_ptr(ctype.lower_table);
    _gl_free_ptr(ctype.class_table);
    ctype.upper_table = upper.release();
    ctype.lower_table = lower.release();
    ctype.class_table = classes.release();
    return 0;
}

bool has_backward_level(const CollateSection &coll) {
    const int32_t levels = coll.levels < kMaxCollationLevels ? coll.levels : kMaxCollationLevels;
    for (int32_t level = 0; level < levels; ++level) {
        if (level_backward(coll.directions[level])) return true;
    }
    return false;
}

// Single-byte code sets have a comparison for each mix of expansions (E),
// multi-character elements (C) and backward levels (B); the rules are tried
// in this order.
void choose_single_byte_collation(const CollateSection &coll, LocalePrimitives *prim) {
    const bool e = coll.expansion_count > 0;
    const bool c = coll.element_count > 0;
    const bool b = has_backward_level(coll);
    const int n = int{e} + int{c} + int{b};
    if (n == 1 && e) {
        prim->mbscoll = _gl_is_mbscoll_exp;
        prim->mbfscoll = _qmx_gl_is_mbfscoll_exp;
    } else if (n == 1 && c) {
        prim->mbscoll = _gl_is_mbscoll_elem;
        prim->mbfscoll = _qmx_gl_is_mbfscoll_elem;
    } else if (n == 0 || (n == 1 && b)) {
        prim->mbscoll = _gl_is_mbscoll_back;
        prim->mbfscoll = _qmx_gl_is_mbfscoll_back;
    } else if (e && c && !b) {
        prim->mbscoll = _gl_is_mbscoll_exp_elem;
        prim->mbfscoll = _qmx_gl_is_mbfscoll_exp_elem;
    } else {
        prim->mbscoll = _gl_im_mbscoll;
        prim->mbfscoll = _qmx_gl_im_mbfscoll;
    }
}

}  // namespace

int set_function_pointers(Locale *loc) {
    LocalePrimitives &prim = loc->primitives;
    const bool single_byte = loc->ctype.single_byte != 0;
    if (single_byte) {
        if (install_single_byte_tables(loc) != 0) return -1;
        prim.mbstowcs = _gl_is_mbstowcs;
        prim.mbfstowcfs = _qmx_gl_is_mbfstowcfs;
    } else {
        // Tables built while the object held a single-byte locale would
        // pass for this one's in the look-ups that use a table when present.
        _gl_free_ptr(loc->ctype.upper_table);
        _gl_free_ptr(loc->ctype.lower_table);
        _gl_free_ptr(loc->ctype.class_table);
        loc->ctype.upper_table = nullptr;
        loc->ctype.lower_table = nullptr;
        loc->ctype.class_table = nullptr;
        prim.mbstowcs = _gl_im_mbstowcs;
        prim.mbfstowcfs = _qmx_gl_im_mbfstowcfs;
    }

    switch (loc->collate.mode) {
        case kCollateThai:
            prim.mbscoll = _gl_thaismocoll;
            prim.mbfscoll = _qmx_gl_thaismoncoll;
            prim.mbsxfrm = _gl_thaismoxfrm;
            return 0;
        case kCollateExtension:
            prim.mbscoll = _glu_mbscoll;
            prim.mbfscoll = _glu_mbfscoll;
            prim.mbsxfrm = _glu_mbsxfrm;
            return 0;
        default:
            break;
    }
    prim.mbsxfrm = gl_full_mbsxfrm;
    if (single_byte) {
        choose_single_byte_collation(loc->collate, &prim);
    } else {
        prim.mbscoll = _gl_im_mbscoll;
        prim.mbfscoll = _qmx_gl_im_mbfscoll;
    }
    return 0;
}

}  // namespace gls
