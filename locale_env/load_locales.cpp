// Loading the process's locale objects and conversion descriptors, and
// turning the locale library's error numbers into product errors.
#include <cstring>

#include "gls/conv/conv.h"
#include "gls/load/locale.h"
#include "gls/names/names.h"
#include "gls/util/util.h"
#include "locale_env/locale_env.h"

namespace velmorad {

namespace {

// Load errors after which the operating-system names are worth a try: no
// file, a specification too long for the loader, a malformed file.
bool worth_os_names(uint32_t error) {
    return error == gls::GL_EFILE || error == gls::GL_EBADITEM || error == gls::GL_ESHORTFILE;
}

// The outcome of one conversion between two specifications' code sets:
// false when it failed, with the descriptor's error number in *error.
bool load_conversion(gls::CvDesc **slot, const char *target, const char *source, uint32_t *error) {
    gls::CvDesc *cd = nullptr;
    int result = get_csc_desc(&cd, target, source);
    if (result < 0) {
        *error = cd != nullptr ? cd->error : gls::GL_EFILE;
        gls::gl_cv_unload(cd);
        return false;
    }
    if (result > 0) *slot = cd;
    return true;
}

}  // namespace

int get_locale(gls::Locale **out, const char *spec, int32_t flags[kCategoryCount]) {
    if (spec == nullptr || std::strlen(spec) > kMaxLocaleSpec) return set_glserror(kGlsBadLocale);
    int os_names = 0;
    for (;;) {
        gls::Locale *loc = nullptr;
        if (gls::gl_create_null_locale_4(&loc) != 0) {
            return set_glserror(static_cast<int>(loc->error));
        }
        char names[kSpecBufferSize];
        spec2fname(spec, names, flags, &os_names);
        loc->error = 0;
        char *loaded = gls::gl_setlocale_4(loc, gls::kCatAll, names);
        if (loaded != nullptr && loc->error != gls::GL_EMIXEDCS) {
            loc->error = 0;
            gls::gl_destroystring(loaded);
            *out = loc;
            return 0;
        }
        // A load that failed without saying why is counted as the loader's
        // own "category failed" so that it can never pass for success.
        uint32_t error = loc->error != 0 ? loc->error : gls::GL_ELOADFAIL;
        (void)set_glserror(static_cast<int>(error));
        gls::gl_destroystring(loaded);
        gls::gl_lc_unload(loc);
        if (os_names != 0 || !worth_os_names(error)) return -1;
        os_names = 1;
    }
}

int get_csc_desc(gls::CvDesc **out, const char *target, const char *source) {
    return gls::gl_cv_load(out, target, source, 0, nullptr);
}

int initcscdesc(const char *db, const char *client, const char *third, const char *fourth) {
    GlsSettings &s = new_gls_env;
    s.cv_client_to_db = nullptr;
    s.cv_db_to_client = nullptr;
    s.cv_os_out = nullptr;
    s.cv_os_in = nullptr;
    gls::Locale *context = gls_env.client_locale;
    uint32_t error = 0;
    bool ok = true;
    if (db != nullptr && gls::gl_lc_spec2cs_num(context, db, nullptr) != gls::kNoCodeSet &&
        gls::gl_lc_spec2cs_num(context, client, nullptr) != gls::kNoCodeSet) {
        ok = load_conversion(&s.cv_client_to_db, db, client, &error) &&
             load_conversion(&s.cv_db_to_client, client, db, &error);
    }
    if (ok) {
        if (gls::gl_lc_spec2cs_num(context, third, nullptr) == gls::kNoCodeSet ||
            gls::gl_lc_spec2cs_num(context, fourth, nullptr) == gls::kNoCodeSet) {
            return 0;
        }
        ok = load_conversion(&s.cv_os_out, third, fourth, &error) &&
             load_conversion(&s.cv_os_in, fourth, third, &error);
        if (ok) return 0;
    }
    if (db == nullptr) return 0;
    return set_glserror(error == gls::GL_ENOMEM ? kGlsNoMemory : kGlsNoConversion);
}

int getiniterr() {
    const int e = get_glserror();
    int mapped = e;
    switch (e) {
        case -8:
        case -7:
        case -6:
        case -5:
        case -4:
        case -3:
        case -1:
            mapped = kGlsLoadFailed;
            break;
        case -2:
        case static_cast<int>(gls::GL_ENOMEM):
            mapped = kGlsNoMemory;
            break;
        case static_cast<int>(gls::GL_EMIXEDCS):
        case static_cast<int>(gls::GL_ECSCATEGORY):
            mapped = kGlsMixedCodeSets;
            break;
        default:
            // No file, too long, malformed (8, 9, 11, 21) and every other
            // number of the locale library: none may reach the user as if it
            // were a product error.
            if (e > 0) mapped = kGlsBadLocale;
            break;
    }
    return set_glserror(mapped);
}

}  // namespace velmorad
