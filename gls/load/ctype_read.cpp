// Reading the classification section of a locale object file: the class
// tree, the locale's own classes, the case tree and its pairs, and the
// case-conversion growth factor.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "gls/load/load_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr int kBlank = ' ';
constexpr int kGrowthLineSize = 128;  // 127 characters and the terminator

int failed(Locale *loc, uint32_t error) {
    gl_set_error(loc, error);
    return -1;
}

// A tree's own code; the one failure it leaves without a code is a line
// ending that is missing.
int read_tree(FILE *stream, multi_tree_t *tree, Locale *loc) {
    if (_gl_fscanf_multi(stream, tree, kMultiLengthLimit, ub2_reader) == 0) return 0;
    const uint32_t error = _gl_multi_err(tree);
    return failed(loc, error != 0 ? error : GL_ESHORTFILE);
}

// One line of the class list: number, one blank, name, newline.
int read_class(FILE *stream, UserClass *entry, Locale *loc) {
    const long number = _gl_get_int(stream);
    if (_gl_ext_getc(stream) != kBlank) return failed(loc, GL_ESHORTFILE);
    char name[kClassNameSize];
    if (_gl_get_str(name, sizeof name, stream) != 0) return failed(loc, GL_ENOMEM);
    if (_gl_skip_nl(stream) != 1) return failed(loc, GL_ESHORTFILE);
    // Other numbers would shift the class bit out of the 16-bit class word.
    if (number < 0 || number > kMaxUserClassNumber) return failed(loc, GL_ESHORTFILE);
    HostPtr<char> copy = host_strdup(name);
    if (!copy) return failed(loc, GL_ENOMEM);
    entry->number = static_cast<int32_t>(number);
    entry->name = copy.release();
    return 0;
}

// The list is attached before its entries are read, so that whatever was
// read is released with the category.
int read_classes(FILE *stream, Locale *loc) {
    CtypeSection &ctype = loc->ctype;
    const long count = _gl_get_int(stream);
    if (_gl_skip_nl(stream) != 1) return failed(loc, GL_ESHORTFILE);
    if (count < 0 || count > kMaxUserClasses) return failed(loc, GL_ESHORTFILE);
    if (count == 0) return 0;
    HostPtr<UserClass> classes = host_alloc<UserClass>(static_cast<size_t>(count));
    if (!classes) return failed(loc, GL_ENOMEM);
    ctype.classes = classes.release();
    ctype.class_count = static_cast<int32_t>(count);
    for (long i = 0; i < count; ++i) {
        if (read_class(stream, &ctype.classes[i], loc) != 0) return -1;
    }
    return 0;
}

int read_case_pairs(FILE *stream, Locale *loc) {
    CtypeSection &ctype = loc->ctype;
    const long count = _gl_get_int(stream);
    // The case tree's 16-bit elements cannot name a pair beyond this.
    if (count < 0 || count > kMaxCasePairs) return failed(loc, GL_ESHORTFILE);
    HostPtr<CasePair> pairs = host_alloc<CasePair>(static_cast<size_t>(count) + 1);
    if (!pairs) return failed(loc, GL_ENOMEM);
    ctype.case_pairs = pairs.release();
    ctype.case_pair_count = static_cast<int32_t>(count);
    for (long i = 1; i <= count; ++i) {
        gl_wchar_t upper_lower[2];
        if (_gl_read_nl_gl_wchars(stream, upper_lower, 2) != 0) return failed(loc, GL_ESHORTFILE);
        ctype.case_pairs[i].upper = upper_lower[0];
        ctype.case_pairs[i].lower = upper_lower[1];
    }
    return 0;
}

// The rest of the last line: nothing, or the factor. Callers size buffers
// by it, so a factor outside what a character can grow is refused.
int read_growth(FILE *stream, Locale *loc) {
    char line[kGrowthLineSize];
    if (_gl_ext_fgets(line, sizeof line, stream) == nullptr || check_nl(line) != 0) {
        return failed(loc, GL_ESHORTFILE);
    }
    double factor = kDefaultCaseGrowth;
    if (std::strcmp(line, "\n") != 0) {
        if (std::sscanf(line, "%lf", &factor) != 1 || !std::isfinite(factor) ||
            factor < kMinCaseGrowth || factor > kMaxCaseGrowth) {
            return failed(loc, GL_ESHORTFILE);
        }
    }
    loc->case_growth = factor;
    return 0;
}

}  // namespace

int read_ctype(FILE *stream, Locale *loc) {
    CtypeSection &ctype = loc->ctype;
    if (ctype.char_tree == nullptr || ctype.case_tree == nullptr) return failed(loc, GL_ENOMEM);
    if (stream == nullptr) return failed(loc, GL_ESHORTFILE);
    if (read_tree(stream, ctype.char_tree, loc) != 0 || read_classes(stream, loc) != 0 ||
        read_tree(stream, ctype.case_tree, loc) != 0 || read_case_pairs(stream, loc) != 0 ||
        read_growth(stream, loc) != 0) {
        return -1;
    }
    // The initialisers of the categories read after this one decode their
    // texts by the flag, before the whole locale is brought up to date.
    ctype.single_byte = _gl_ctype_single_byte(loc);
    return 0;
}

int32_t _gl_ctype_single_byte(const Locale *loc) {
    const multi_tree_t *tree = loc->ctype.char_tree;
    return tree != nullptr && _gl_multi_max_length(tree) == 1 ? 1 : 0;
}

}  // namespace gls
