// The build tree's locale files loaded in the test's own process, by the
// names the library gives them.
#pragma once

#include <cstdlib>
#include <string>

#include "gls/load/locale.h"
#include "gls/names/names.h"
#include "gls/util/util.h"
#include "tests/support/owners.h"
#include "tests/support/test_support.h"

namespace velmorad::testing {

// The file name the installation's registry gives a specification
// ("de_de/0333.lco"); empty when it gives none.
inline std::string locale_file_name(const std::string &spec) {
    uint32_t error = 0;
    gls::gl_cache_registry(&error, (build_installation() + "/gls/cm3/registry").c_str());
    char name[gls::kLcFnameSize] = {};
    return gls::gl_lc_spec2lc_fname(&error, spec.c_str(), name, nullptr, nullptr) == 0 ? name : "";
}

// Every category of a locale loaded from a file under dir (the
// installation's by default); the caller checks its error.
inline gls::testing::LocalePtr load_locale(const std::string &file,
                                           const std::string &dir = build_installation() +
                                                                    "/gls/lc11") {
    setenv("GL_PATH", dir.c_str(), 1);
    gls::Locale *loc = nullptr;
    if (gls::gl_create_null_locale_4(&loc) != 0) return nullptr;
    gls::gl_destroystring(gls::gl_setlocale_4(loc, gls::kCatAll, file.c_str()));
    return gls::testing::LocalePtr(loc);
}

}  // namespace velmorad::testing
