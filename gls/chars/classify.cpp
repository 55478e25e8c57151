// Class names and class words, and case mapping through the case tree.
#include <cstring>

#include "gls/chars/chars_internal.h"

namespace gls {

using namespace chars;

namespace {

struct ClassName {
    const char *name;
    uint32_t bit;
};

constexpr ClassName kStandardClasses[] = {
    {"upper", kClassUpper},   {"lower", kClassLower}, {"alpha", kClassAlpha},
    {"digit", kClassDigit},   {"space", kClassSpace}, {"cntrl", kClassCntrl},
    {"punct", kClassPunct},   {"graph", kClassGraph}, {"print", kClassPrint},
    {"xdigit", kClassXdigit}, {"blank", kClassBlank}, {"alnum", kClassAlnum},
};

// Locale-defined classes are named from "f" on ("full_width"); no standard
// name starts so, and such names go straight to the locale's list.
constexpr char kUserClassInitial = 'f';

uint32_t user_class_bit(const Locale *loc, const char *name) {
    const CtypeSection &ctype = loc->ctype;
    for (int32_t i = 0; i < ctype.class_count && ctype.classes != nullptr; ++i) {
        const UserClass &entry = ctype.classes[i];
        if (entry.name == nullptr || std::strcmp(entry.name, name) != 0) continue;
        // The reader refuses other numbers; a shift by them would leave the class word.
        if (entry.number < 0 || entry.number > kMaxUserClassNumber) return 0;
        return kClassUserBase << entry.number;
    }
    return 0;
}

// Case index of wc, walked with the code set's own encoded length; 0 when
// the character has no pair or the index is beyond the table.
int32_t case_index(const Locale *loc, gl_wchar_t wc) {
    const int length = encoded_length(min_length(loc), wc);
    if (length == 0) return 0;
    const uint8_t *element = find_wchar(case_tree(loc), length, wc);
    if (element == nullptr) return 0;
    const int32_t index = word_of(element);
    return index <= loc->ctype.case_pair_count && loc->ctype.case_pairs != nullptr ? index : 0;
}

}  // namespace

namespace chars {

uint32_t full_width_bit(Locale *loc) {
    return user_class_bit(loc, "full_width");
}

}  // namespace chars

uint32_t gl_ctype(Locale *loc, const char *name) {
    if (name == nullptr) return 0;
    if (name[0] != kUserClassInitial) {
        for (const ClassName &entry : kStandardClasses) {
            if (std::strcmp(entry.name, name) == 0) return entry.bit;
        }
    }
    return user_class_bit(loc, name);
}

uint32_t _gl_im_iswctype(Locale *loc, gl_wchar_t wc, uint32_t mask) {
    if (use_ext(loc)) {
        GluStatus st = 0;
        const int32_t result = fn_glu_isuc32type(wc, mask, &st);
        glu_store_status(loc, st);
        return static_cast<uint32_t>(result);
    }
    uint16_t word = 0;
    if (!class_of_wchar(loc, wc, &word)) {
        fail(loc, GL_EILSEQ);
        return 0;
    }
    return word & mask;
}

uint32_t _gl_im_ismctype(Locale *loc, const unsigned char *s, uint32_t mask) {
    if (s == nullptr) {
        fail(loc, GL_ENULLARG);
        return 0;
    }
    if (use_ext(loc)) {
        GluStatus st = 0;
        const int32_t result = fn_glu_ismctype(ext_locale(loc), s, kMaxCharBytes, mask, &st);
        glu_store_status(loc, st);
        return static_cast<uint32_t>(result);
    }
    gl_wchar_t wc = 0;
    const uint8_t *element = nullptr;
    if (decode(char_tree(loc), s, kMaxCharBytes, &wc, &element) < 0) {
        fail(loc, GL_EILSEQ);
        return 0;
    }
    return word_of(element) & mask;
}

gl_wchar_t _gl_im_towupper(Locale *loc, gl_wchar_t wc) {
    if (use_ext(loc)) {
        GluStatus st = 0;
        const gl_wchar_t result = fn_glu_uc32toupper(ext_locale(loc), wc, &st);
        glu_store_status(loc, st);
        return result;
    }
    const int32_t index = case_index(loc, wc);
    if (index == 0 || loc->ctype.case_pairs[index].upper == 0) return wc;
    return loc->ctype.case_pairs[index].upper;
}

gl_wchar_t _gl_im_towlower(Locale *loc, gl_wchar_t wc) {
    if (use_ext(loc)) {
        GluStatus st = 0;
        const gl_wchar_t result = fn_glu_uc32tolower(ext_locale(loc), wc, &st);
        glu_store_status(loc, st);
        return result;
    }
    const int32_t index = case_index(loc, wc);
    if (index == 0 || loc->ctype.case_pairs[index].lower == 0) return wc;
    return loc->ctype.case_pairs[index].lower;
}

void single_byte_cases(Locale *loc, uint8_t *upper, uint8_t *lower) {
    constexpr gl_wchar_t kByteValues = 256;
    for (gl_wchar_t b = 0; b < kByteValues; ++b) {
        if (use_ext(loc)) {
            upper[b] = static_cast<uint8_t>(_gl_im_towupper(loc, b));
            lower[b] = static_cast<uint8_t>(_gl_im_towlower(loc, b));
            continue;
        }
        const int32_t index = case_index(loc, b);
        const CasePair *pair = index != 0 ? &loc->ctype.case_pairs[index] : nullptr;
        upper[b] = static_cast<uint8_t>(pair != nullptr && pair->upper != 0 ? pair->upper : b);
        lower[b] = static_cast<uint8_t>(pair != nullptr && pair->lower != 0 ? pair->lower : b);
    }
}

}  // namespace gls
