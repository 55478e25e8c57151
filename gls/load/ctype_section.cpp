// The classification category's built-in empty state and its release.
#include "gls/load/load_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr uint16_t kNoClass = 0;

multi_tree_t *empty_class_tree() {
    return _gl_create_multi(sizeof(uint16_t), kMultiLeavesMarked, &kNoClass);
}

}  // namespace

void _gl_null_ctype(Locale *loc) {
    CtypeSection &ctype = loc->ctype;
    _gl_free_ptr(ctype.upper_table);
    _gl_free_ptr(ctype.lower_table);
    _gl_free_ptr(ctype.class_table);
    ctype.upper_table = nullptr;
    ctype.lower_table = nullptr;
    ctype.class_table = nullptr;
    ctype.class_count = 0;
    ctype.classes = nullptr;
    ctype.case_pair_count = 0;
    ctype.case_pairs = nullptr;
    // What the classification decides goes with it, so that a locale loaded
    // over another starts where a new object starts.
    ctype.single_byte = 0;
    loc->case_growth = 1.0;
    ctype.char_tree = empty_class_tree();
    ctype.case_tree = empty_class_tree();
    if (ctype.char_tree == nullptr || ctype.case_tree == nullptr) gl_set_error(loc, GL_ENOMEM);
}

void _gl_free_ctype(Locale *loc) {
    CtypeSection &ctype = loc->ctype;
    _gl_free_multi(ctype.char_tree);
    _gl_free_multi(ctype.case_tree);
    ctype.char_tree = nullptr;
    ctype.case_tree = nullptr;
    for (int i = 0; i < ctype.class_count && ctype.classes != nullptr; ++i) {
        _gl_free_ptr(ctype.classes[i].name);
    }
    _gl_free_ptr(ctype.classes);
    ctype.classes = nullptr;
    ctype.class_count = 0;
    _gl_free_ptr(ctype.case_pairs);
    ctype.case_pairs = nullptr;
    ctype.case_pair_count = 0;
}

}  // namespace gls
