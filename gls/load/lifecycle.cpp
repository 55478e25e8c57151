// Creating, nulling and releasing locale objects and their categories.
#include <cstring>

#include "gls/ext/ext.h"
#include "gls/load/load_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr Locale error_locale(uint32_t error) {
    Locale loc{};
    loc.error = error;
    return loc;
}

bool is_static(const Locale *loc) {
    return loc == &loc_nomem || loc == &loc_filer;
}

void clear_names(Locale *loc, int slot) {
    loc->codeset_names[slot][0] = '\0';
    loc->wcodeset_names[slot][0] = 0;
    loc->file_names[slot][0] = '\0';
    loc->wfile_names[slot][0] = 0;
}

void free_single_byte_tables(CtypeSection *ctype) {
    _gl_free_ptr(ctype->upper_table);
    _gl_free_ptr(ctype->lower_table);
    _gl_free_ptr(ctype->class_table);
    ctype->upper_table = nullptr;
    ctype->lower_table = nullptr;
    ctype->class_table = nullptr;
}

}  // namespace

Locale loc_nomem = error_locale(GL_ENOMEM);
Locale loc_filer = error_locale(GL_EFILE);

int gl_create_null_locale_4(Locale **slot) {
    auto *loc = static_cast<Locale *>(_gl_alloc_ptr(sizeof(Locale)));
    if (loc == nullptr) {
        *slot = &loc_nomem;
        return -1;
    }
    std::memset(loc, 0, sizeof *loc);
    loc->case_growth = 1.0;
    loc->longest_element = 1.0;
    for (int category = kFirstCategory; category <= kLastCategory; ++category) {
        gl_make_null_category(loc, category);
    }
    // An object whose empty trees could not be made is no object to load.
    if (loc->error == GL_ENOMEM) {
        gl_lc_unload(loc);
        *slot = &loc_nomem;
        return -1;
    }
    *slot = loc;
    return 0;
}

void gl_make_null_category(Locale *loc, int category) {
    switch (category) {
        case kCatCtype:
            _gl_null_ctype(loc);
            break;
        case kCatCollate:
            _gl_null_collate(loc);
            break;
        case kCatNumeric:
            _gl_init_numeric(&loc->text);
            free_glconv_numeric(loc);
            break;
        case kCatMonetary:
            _gl_init_monetary(&loc->text);
            free_glconv_monetary(loc);
            break;
        case kCatTime:
            _gl_init_ltime(&loc->time);
            break;
        case kCatMessages:
            _gl_init_messages(&loc->text);
            break;
        default:
            return;
    }
    clear_names(loc, category_slot(category));
    set_categories_glu_null(loc, category);
}

void gl_free_category(Locale *loc, int category) {
    switch (category) {
        case kCatCtype:
            _gl_free_ctype(loc);
            break;
        case kCatCollate:
            _gl_free_collate(loc);
            break;
        case kCatNumeric:
            _gl_free_numeric(loc);
            break;
        case kCatMonetary:
            _gl_free_monetary(loc);
            break;
        case kCatTime:
            _gl_free_ltime(loc);
            break;
        case kCatMessages:
            _gl_free_messages(loc);
            break;
        default:
            break;
    }
}

void gl_lc_unload(Locale *loc) {
    if (loc == nullptr || is_static(loc)) return;
    char text[64];
    std::snprintf(text, sizeof text, "freeing locale 0x%x\n",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(loc)));
    gl_message(text);
    for (int category = kFirstCategory; category <= kLastCategory; ++category) {
        set_categories_glu_null(loc, category);
        gl_free_category(loc, category);
    }
    free_single_byte_tables(&loc->ctype);
    _gl_free_ptr(loc);
}

}  // namespace gls
