// From a locale specification to the text the locale loader accepts: a
// locale file name, a composite of them, or operating-system names under
// "os/" for the categories that no locale file covers.
#include <cstdio>
#include <cstring>

#include "gls/names/names.h"
#include "locale_env/locale_env.h"

namespace velmorad {

const CategoryName cat_names[kCategoryCount] = {
    {"GL_CTYPE", "LC_CTYPE"},       {"GL_COLLATE", "LC_COLLATE"}, {"GL_NUMERIC", "LC_NUMERIC"},
    {"GL_MONETARY", "LC_MONETARY"}, {"GL_TIME", "LC_TIME"},       {"GL_MESSAGES", nullptr},
};

namespace {

constexpr const char *kOsDirectory = "os";
constexpr const char *kEntrySeparator = " = ";
constexpr const char *kEntryEnd = " ; ";

// Appends text to the string in buf (size bytes), cutting what does not
// fit; the result is always terminated.
void bounded_append(char *buf, size_t size, const char *text) {
    size_t used = strnlen(buf, size - 1);
    size_t room = size - 1 - used;
    size_t n = strnlen(text, room);
    std::memcpy(buf + used, text, n);
    buf[used + n] = '\0';
}

void bounded_copy(char *buf, size_t size, const char *text) {
    buf[0] = '\0';
    bounded_append(buf, size, text);
}

// The locale file name of a simple or composite specification.
bool file_name_of(const char *spec, char *out) {
    uint32_t error = 0;
    return gls::gl_lc_spec2lc_fname(&error, spec, out, nullptr, nullptr) == 0;
}

}  // namespace

char *prependos(const char *name, char *out) {
    bounded_copy(out, kSpecBufferSize, kOsDirectory);
    size_t len = std::strlen(out);
    if (len == 0 || out[len - 1] != '/') bounded_append(out, kSpecBufferSize, "/");
    bounded_append(out, kSpecBufferSize, name);
    return out;
}

int extrspec(const char *composite, const char *category, char *out, int wide) {
    out[0] = '\0';
    const char *found = std::strstr(composite, category);
    if (found == nullptr) return -1;
    // The value is a word, so the " ; " that follows it ends it.
    char discarded[257];
    if (wide != 0) {
        (void)std::sscanf(found, "%256s = %39s", discarded, out);
    } else {
        (void)std::sscanf(found, "%256s = %36s", discarded, out);
    }
    return 0;
}

void mk1loccat(const char *name, int category, char *buffer, int refresh, const char *code_set,
               int store) {
    char *spec = new_gls_env.category_specs[category];
    if (category == 0) {
        bounded_copy(buffer, kSpecBufferSize, cat_names[category].name);
    } else {
        bounded_append(buffer, kSpecBufferSize, cat_names[category].name);
    }
    bounded_append(buffer, kSpecBufferSize, kEntrySeparator);
    if (name != nullptr) {
        bounded_append(buffer, kSpecBufferSize, name);
        if (store != 0) bounded_copy(spec, kCategorySpecSize, name);
    } else {
        char lang_terr[gls::kLangTerrSize];
        char number[gls::kCsNumTextSize];
        char modifier[gls::kModifierSize];
        char rebuilt[gls::kPiecesSpecSize];
        if (refresh != 0 && spec2pieces(spec, lang_terr, number, modifier) == 0 &&
            gls::gl_lc_pieces2lc_spec(nullptr, lang_terr, code_set, modifier, rebuilt) == 0) {
            bounded_copy(spec, kCategorySpecSize, rebuilt);
        }
        bounded_append(buffer, kSpecBufferSize, spec);
    }
    bounded_append(buffer, kSpecBufferSize, kEntryEnd);
}

void spec2fname(const char *spec, char *names, int32_t flags[kCategoryCount], int *os_names) {
    names[0] = '\0';
    char fname[gls::kLcFnameSize];
    if (*os_names == 0 && file_name_of(spec, fname)) {
        bounded_copy(names, kSpecBufferSize, fname);
        for (int i = 0; i < kCategoryCount; ++i)
            flags[i] = 1;
        return;
    }
    char value[kExtrSpecSize];
    if (extrspec(spec, cat_names[kFeCtype].name, value, 0) == 0) {
        bool used_os_name = false;
        for (int i = 0; i < kCategoryCount; ++i) {
            (void)extrspec(spec, cat_names[i].name, value, 0);
            char entry[kSpecBufferSize];
            if (*os_names == 0 && file_name_of(value, fname)) {
                flags[i] = 1;
                bounded_copy(entry, sizeof entry, fname);
            } else {
                flags[i] = 0;
                (void)prependos(value, entry);
                used_os_name = true;
            }
            mk1loccat(entry, i, names, 0, nullptr, 0);
        }
        if (used_os_name) *os_names = 1;
        return;
    }
    (void)prependos(spec, names);
    for (int i = 0; i < kCategoryCount; ++i)
        flags[i] = 0;
    *os_names = 1;
}

}  // namespace velmorad
