// Normalising locale specifications to their generic form ("en_US.819"),
// and the category specs of the settings record, from a specification or
// from the operating system's LC_ variables.
#include <cstring>
#include <string_view>

#include "env/env.h"
#include "gls/names/names.h"
#include "locale_env/locale_env.h"

namespace velmorad {

namespace {

// Copies at most max characters of text into out and terminates it.
void copy_cut(char *out, const char *text, size_t max) {
    size_t n = strnlen(text, max);
    std::memcpy(out, text, n);
    out[n] = '\0';
}

}  // namespace

int spec2pieces(const char *spec, char *lang_terr, char *cs_number, char *modifier) {
    uint32_t error = 0;
    char fname[gls::kLcFnameSize];
    if (gls::gl_lc_spec2lc_fname(&error, spec, fname, nullptr, nullptr) != 0) return -1;
    if (gls::gl_lc_fname2lc_pieces(&error, fname, lang_terr, cs_number, modifier) != 0) return -1;
    return 0;
}

void chglcfile2sp(const char *fname, char *out, int *flag) {
    char lang_terr[gls::kLangTerrSize];
    char number[gls::kCsNumTextSize];
    char modifier[gls::kModifierSize];
    if (gls::gl_lc_fname2lc_pieces(nullptr, fname, lang_terr, number, modifier) == 0 &&
        gls::gl_lc_pieces2lc_spec(nullptr, lang_terr, number, modifier, out) == 0) {
        *flag = 1;
        return;
    }
    const char *slash = std::strchr(fname, '/');
    copy_cut(out, slash != nullptr ? slash + 1 : fname, kGenSpecSize - 1);
    *flag = 0;
}

namespace {

constexpr std::string_view kEntrySeparator = " = ";
constexpr std::string_view kEntryEnd = " ; ";

// The generic form of a simple specification, or its first 36 characters.
void simple_gensp(const char *spec, char *out) {
    uint32_t error = 0;
    char fname[gls::kLcFnameSize];
    if (gls::gl_lc_spec2lc_fname(&error, spec, fname, nullptr, nullptr) == 0) {
        int flag = 0;
        chglcfile2sp(fname, out, &flag);
        return;
    }
    copy_cut(out, spec, kMaxCategorySpec);
}

// Appends text to out (kGenSpecSize bytes, *used of them taken); false
// when it does not fit with the terminator.
bool append(char *out, size_t *used, std::string_view text) {
    if (text.size() >= kGenSpecSize - *used) return false;
    std::memcpy(out + *used, text.data(), text.size());
    *used += text.size();
    out[*used] = '\0';
    return true;
}

// A composite in generic form, entry by entry in the order given: each
// value that names a locale file becomes its generic specification, any
// other (an operating-system name) stays as written, and every entry ends
// in " ; ". False, with out unspecified, when spec is not a sequence of
// such entries.
bool composite_gensp(const char *spec, char *out) {
    size_t used = 0;
    out[0] = '\0';
    for (const char *p = spec; *p != '\0';) {
        size_t name_length = 0;
        if (gls::_gl_is_category(p, &name_length) == 0) return false;
        const std::string_view name(p, name_length);
        p += name_length;
        if (std::string_view(p).substr(0, kEntrySeparator.size()) != kEntrySeparator) return false;
        p += kEntrySeparator.size();
        const size_t value_length = std::strcspn(p, " ");
        if (value_length == 0 || value_length > kMaxCategorySpec) return false;
        char value[kCategorySpecSize];
        copy_cut(value, p, value_length);
        p += value_length;
        if (std::string_view(p).substr(0, kEntryEnd.size()) == kEntryEnd) {
            p += kEntryEnd.size();
        } else if (*p != '\0') {
            return false;
        }
        char generic[kGenSpecSize];
        simple_gensp(value, generic);
        if (!append(out, &used, name) || !append(out, &used, kEntrySeparator) ||
            !append(out, &used, generic) || !append(out, &used, kEntryEnd)) {
            return false;
        }
    }
    return used > 0;
}

}  // namespace

void togensp(const char *spec, char *out) {
    if (!is_composite_spec(spec)) {
        simple_gensp(spec, out);
    } else if (!composite_gensp(spec, out)) {
        copy_cut(out, spec, kMaxCategorySpec);
    }
}

bool is_composite_spec(const char *spec) {
    return gls::_gl_is_category(spec, nullptr) != 0;
}

void lccompsp2longsp(const char *composite,
                     char category_specs[kCategoryCount][kCategorySpecSize]) {
    for (int i = 0; i < kCategoryCount; ++i) {
        char value[kExtrSpecSize];
        (void)extrspec(composite, cat_names[i].name, value, 0);
        copy_cut(category_specs[i], value, kMaxCategorySpec);
    }
}

void lcspec2longsp(char *spec, char category_specs[kCategoryCount][kCategorySpecSize]) {
    if (std::strlen(spec) > kMaxCategorySpec) spec[kMaxCategorySpec] = '\0';
    for (int i = 0; i < kCategoryCount; ++i) {
        if (category_specs[i] != spec) std::memcpy(category_specs[i], spec, std::strlen(spec) + 1);
    }
}

// The settings record's string field is passed along with each variable
// but left as it is: the caller decides whether the field takes the value.
void get_nlscat(const char *name, int category, int marking, int *missing, const char *) {
    const char *value = marking != 0 ? getsesenv(name) : idx_ggetenv(name, kEnvByName);
    char *spec = new_gls_env.category_specs[category];
    if (value == nullptr) {
        if (marking != 0) {
            ++*missing;
            spec[0] = kMissingMark;
        }
        return;
    }
    copy_cut(spec, value, kMaxCategorySpec);
}

void get_nlslocsp(int marking, int *missing) {
    static constexpr int kOrder[] = {kFeCollate, kFeCtype, kFeNumeric, kFeMonetary, kFeTime};
    for (int category : kOrder) {
        get_nlscat(cat_names[category].os_variable, category, marking, missing,
                   new_gls_env.strings[kStrLC_CTYPE + category]);
    }
    char(*specs)[kCategorySpecSize] = new_gls_env.category_specs;
    if (specs[kFeCtype][0] == kMissingMark) {
        ++*missing;
        specs[kFeMessages][0] = kMissingMark;
    } else {
        std::memcpy(specs[kFeMessages], specs[kFeCtype], kCategorySpecSize);
    }
}

}  // namespace velmorad
