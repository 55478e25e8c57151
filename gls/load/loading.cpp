// Loading categories into a locale object: the file chosen for each, the
// name string handed back, and the fields derived once categories change.
#include <cstring>

#include "gls/ext/ext.h"
#include "gls/load/load_internal.h"
#include "gls/names/names.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr const char *kAllVariable = "GL_ALL";
constexpr const char *kLangVariable = "GL_LANG";
constexpr const char *kDefaultFile = "default.lco";
constexpr const char *kNativeName = "native";
constexpr const char *kLocaleSubdir = "lc";
constexpr const char *kLocaleVersion = "11";
constexpr const char *kPathSeparator = "/";
constexpr size_t kMaxFileName = kLocaleFileNameSize - 1;
constexpr size_t kMaxLoadSpec = kLocaleNameSize;

uint32_t error_of(Locale *loc) {
    const uint32_t *cell = _gl_ext_errno(loc);
    return cell != nullptr ? *cell : 0;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// Copies a name into a name slot; names that do not fit are refused.
bool take_name(Locale *loc, const char *name, size_t length, char *out) {
    if (length == 0 || length > kMaxFileName) {
        gl_set_error(loc, GL_EFILE);
        return false;
    }
    std::memcpy(out, name, length);
    out[length] = '\0';
    return true;
}

// The file a category is loaded from: named in the specification (by its
// key, or the whole specification for every category), else by the
// environment, else the default file.
bool choose_file(Locale *loc, int category, const char *spec, char *out) {
    const char *key = category_params[category];
    if (*spec != '\0') {
        const char *found = std::strstr(spec, key);
        if (found == nullptr) return take_name(loc, spec, std::strlen(spec), out);
        const char *start = std::strchr(found + std::strlen(key), '=');
        if (start == nullptr) return take_name(loc, "", 0, out);
        for (++start; is_blank(*start); ++start) {
        }
        const char *end = start;
        while (*end != '\0' && !is_blank(*end))
            ++end;
        return take_name(loc, start, static_cast<size_t>(end - start), out);
    }
    const char *value = _gl_get_env_var(kAllVariable);
    if (value == nullptr) value = _gl_get_env_var(key);
    if (value == nullptr) value = _gl_get_env_var(kLangVariable);
    if (value == nullptr) value = kDefaultFile;
    return take_name(loc, value, std::strlen(value), out);
}

FILE *open_category_file(Locale *loc, const char *name, bool native, const char *directory) {
    if (directory == nullptr) {
        return gl_path_search(loc, native ? kDefaultFile : name, kLocaleSubdir, kLocaleVersion);
    }
    size_t size = std::strlen(directory) + std::strlen(kPathSeparator) + std::strlen(name) + 1;
    HostPtr<char> path = host_alloc<char>(size);
    if (!path) {
        gl_set_error(loc, GL_ENOMEM);
        return nullptr;
    }
    std::snprintf(path.get(), size, "%s%s%s", directory, kPathSeparator, name);
    return gl_open_file(loc, path.get());
}

// Releases a category and makes it null again, keeping the load's error.
void renull_category(Locale *loc, int category) {
    uint32_t error = error_of(loc);
    gl_free_category(loc, category);
    gl_make_null_category(loc, category);
    gl_set_error(loc, error);
}

// Loads one category and records its file name; a failure without a code
// of its own becomes GL_ELOADFAIL.
bool load_and_record(Locale *loc, int category, const char *spec, const char *directory) {
    char name[kLocaleFileNameSize] = "";
    if (load_category(loc, category, spec, name, directory) != 0) {
        if (error_of(loc) == 0) gl_set_error(loc, GL_ELOADFAIL);
        return false;
    }
    std::memcpy(loc->file_names[category_slot(category)], name, sizeof name);
    return true;
}

bool is_static(const Locale *loc) {
    return loc == &loc_nomem || loc == &loc_filer;
}

}  // namespace

int load_category(Locale *loc, int category, const char *spec, char *name, const char *directory) {
    if (!choose_file(loc, category, spec, name)) return 1;
    const bool native = std::strcmp(name, kNativeName) == 0;
    FILE *stream = open_category_file(loc, name, native, directory);
    if (stream == nullptr) return 1;
    gl_free_category(loc, category);
    uint32_t before = error_of(loc);
    gl_set_error(loc, 0);
    gl_make_null_category(loc, category);
    if (error_of(loc) == GL_ENOMEM) {
        (void)_gl_ext_fclose(stream);
        return 1;
    }
    gl_set_error(loc, before);
    int failed = read_one_category(loc, category, stream);
    (void)_gl_ext_fclose(stream);
    if (failed != 0) {
        renull_category(loc, category);
        return 1;
    }
    if (native) return 0;
    return set_categories_glu(loc, category, name);
}

char *set_categories(Locale *loc, int category, const char *spec, const char *directory) {
    if (category < kCatAll || category > kLastCategory) {
        gl_set_error(loc, GL_EBADITEM);
        return nullptr;
    }
    HostPtr<char> names = host_alloc<char>(kLocaleNameSize);
    if (!names) {
        gl_set_error(loc, GL_ENOMEM);
        return nullptr;
    }
    if (spec == nullptr) {
        query_locname(loc, category, names.get());
        return names.release();
    }
    if (std::strlen(spec) > kMaxLoadSpec) {
        gl_set_error(loc, GL_EBADITEM);
        return nullptr;
    }
    // A code left by an earlier call must not pass for this load's reason.
    gl_set_error(loc, 0);
    const int first = category == kCatAll ? kFirstCategory : category;
    const int last = category == kCatAll ? kLastCategory : category;
    for (int c = first; c <= last; ++c) {
        if (!load_and_record(loc, c, spec, directory)) return nullptr;
    }
    // Mixed code sets are reported through the error number, not the result.
    (void)update_locale(loc);
    if (init_locale_info(loc) < 0) return nullptr;
    query_locname(loc, category, names.get());
    return names.release();
}

char *gl_setlocale_4(Locale *loc, int category, const char *spec) {
    gl_message("gl_setlocale: Begin");
    // The stand-in objects are shared and never released: nothing loads
    // into them, and their error numbers must stay what they stand for.
    if (loc == nullptr || is_static(loc)) return nullptr;
    gl_message("gl_setlocale: Calling gl_init_glu");
    if (gl_init_glu(loc) != 0) {
        gl_message("gl_setlocale: gl_init_glu failed");
        return nullptr;
    }
    gl_message("gl_setlocale: Calling set_categories");
    char *names = set_categories(loc, category, spec, nullptr);
    gl_message("gl_setlocale: retVal from set_categories");
    gl_message(names != nullptr ? names : "NULL");
    gl_message("gl_setlocale: End");
    return names;
}

void query_locname(Locale *loc, int category, char *buf) {
    buf[0] = '\0';
    if (category >= kFirstCategory && category <= kLastCategory) {
        std::memcpy(buf, loc->file_names[category_slot(category)], kLocaleFileNameSize);
        return;
    }
    if (category != kCatAll) return;
    size_t used = 0;
    for (int c = kFirstCategory; c <= kLastCategory; ++c) {
        int n = std::snprintf(buf + used, kLocaleNameSize - used, "%s = %s ; ", category_params[c],
                              loc->file_names[category_slot(c)]);
        if (n < 0 || static_cast<size_t>(n) >= kLocaleNameSize - used) return;
        used += static_cast<size_t>(n);
    }
}

int update_locale(Locale *loc) {
    CtypeSection &ctype = loc->ctype;
    ctype.single_byte = _gl_ctype_single_byte(loc);
    ctype.direct_weights = loc->collate.direct_weights != 0 ? 1 : 0;
    ctype.ext_collation = loc->ext_flags[category_slot(kCatCollate)];
    if (set_function_pointers(loc) != 0) return -1;
    uint32_t lookup_error = 0;
    const uint16_t base =
        gl_cs_name2cs_num(&lookup_error, loc->codeset_names[category_slot(kCatCtype)], nullptr);
    // The messages category's code set is not compared.
    for (int category : {kCatCollate, kCatNumeric, kCatMonetary, kCatTime}) {
        if (lookup_error == GL_ENOMEM) {
            gl_set_error(loc, GL_ENOMEM);
            return -1;
        }
        uint16_t number =
            gl_cs_name2cs_num(&lookup_error, loc->codeset_names[category_slot(category)], nullptr);
        if (lookup_error == GL_ENOMEM) {
            gl_set_error(loc, GL_ENOMEM);
            return -1;
        }
        if (number != base) {
            gl_set_error(loc, GL_EMIXEDCS);
            return -1;
        }
    }
    gl_set_error(loc, 0);
    return 0;
}

int init_locale_info(Locale *loc) {
    for (int slot = 0; slot < kCategorySlots; ++slot) {
        for (int i = 0; i < kCodeSetNameSize; ++i)
            loc->wcodeset_names[slot][i] = static_cast<unsigned char>(loc->codeset_names[slot][i]);
        for (int i = 0; i < kLocaleFileNameSize; ++i)
            loc->wfile_names[slot][i] = static_cast<unsigned char>(loc->file_names[slot][i]);
    }
    return 1;
}

}  // namespace gls
