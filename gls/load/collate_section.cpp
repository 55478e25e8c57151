// The collation category's built-in empty state and its release.
#include <cstring>

#include "gls/load/load_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr uint16_t kNoRow = 0;

void free_list(unsigned char **list) {
    if (list == nullptr) return;
    for (unsigned char **p = list; *p != nullptr; ++p)
        _gl_free_ptr(*p);
    _gl_free_ptr(list);
}

// Equivalences are pairs; the list ends with a null pair.
void free_pairs(unsigned char **pairs) {
    if (pairs == nullptr) return;
    for (unsigned char **p = pairs; p[0] != nullptr; p += 2) {
        _gl_free_ptr(p[0]);
        _gl_free_ptr(p[1]);
    }
    _gl_free_ptr(pairs);
}

}  // namespace

void _gl_null_collate(Locale *loc) {
    CollateSection &coll = loc->collate;
    std::memset(&coll, 0, sizeof coll);
    loc->longest_element = 1.0;  // raised by the elements and expansions read
    coll.tree = _gl_create_multi(sizeof(uint16_t), kMultiLeavesMarked, &kNoRow);
    if (coll.tree == nullptr) gl_set_error(loc, GL_ENOMEM);
}

void _gl_free_collate(Locale *loc) {
    CollateSection &coll = loc->collate;
    _gl_free_multi(coll.tree);
    for (int level = 0; level < kMaxCollationLevels; ++level) {
        _gl_free_ptr(coll.weights[level]);
        _gl_free_ptr(coll.sb_expansions[level]);
    }
    for (int i = 0; i < coll.expansion_count && coll.expansions != nullptr; ++i) {
        _gl_free_ptr(coll.expansions[i].chars);
    }
    _gl_free_ptr(coll.expansions);
    for (int i = 0; i < coll.element_count && coll.elements != nullptr; ++i) {
        _gl_free_ptr(coll.elements[i].chars);
    }
    _gl_free_ptr(coll.elements);
    _gl_free_ptr(coll.element_start);
    _gl_free_ptr(coll.element_order);
    free_list(coll.all_ones);
    free_pairs(coll.equivalences);
    std::memset(&coll, 0, sizeof coll);
}

}  // namespace gls
