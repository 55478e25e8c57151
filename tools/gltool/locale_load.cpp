// The locale a subcommand names, loaded the way a client loads it: the
// specification becomes a file name through the registry, and the library's
// own search finds the file under the installation.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "gls/host/host.h"
#include "gls/names/names.h"
#include "gls/util/util.h"
#include "tools/common/tool_io.h"
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {

namespace {

constexpr const char *kLocaleSubdir = "lc";
constexpr const char *kLocaleVersion = "11";
constexpr const char *kLocaleSuffix = ".lco";
constexpr const char *kOsSubdir = "os/";

bool ends_with(const std::string &text, const char *suffix) {
    const size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// The name the library loads: a file name for a specification, the leaf of
// a path (whose directory becomes the search path), or the name as given.
bool library_name(const char *subcommand, const std::string &name, std::string *out) {
    const size_t slash = name.rfind('/');
    if (slash != std::string::npos) {
        const std::string dir = slash == 0 ? "/" : name.substr(0, slash);
        setenv(gls::kSearchPathVariable, dir.c_str(), 1);
        *out = name.substr(slash + 1);
        return true;
    }
    if (ends_with(name, kLocaleSuffix)) {
        *out = name;
        return true;
    }
    if (!registry_ready(subcommand)) return false;
    char fname[gls::kLcFnameSize] = {};
    uint32_t error = 0;
    if (gls::gl_lc_spec2lc_fname(&error, name.c_str(), fname, nullptr, nullptr) != 0) {
        // As a client does, a name the registry cannot turn into a file
        // name ("he_IL.utf8@hebrew": a modifier longer than a file name
        // holds) is tried as the operating system's name of a locale.
        const std::string os_name = std::string(kOsSubdir) + name;
        if (access((installation_dir() + "/gls/lc11/" + os_name).c_str(), R_OK) == 0) {
            *out = os_name;
            return true;
        }
        complain(subcommand, "\"" + name +
                                 "\" is not a locale the registry knows (language_TERRITORY."
                                 "codeset, e.g. de_DE.8859-1)");
        return false;
    }
    *out = fname;
    return true;
}

}  // namespace

void UnloadLocale::operator()(gls::Locale *loc) const {
    gls::gl_lc_unload(loc);
}

LocalePtr load_locale(const char *subcommand, const std::string &name, std::string *file) {
    std::string lco;
    if (!library_name(subcommand, name, &lco)) return nullptr;
    // The library finds its files under VELMORADDIR, which may not be set
    // when the installation is the one this program belongs to.
    setenv(gls::kInstallDirVariable, installation_dir().c_str(), 1);

    gls::Locale *created = nullptr;
    if (gls::gl_create_null_locale_4(&created) != 0) {
        complain(subcommand, "out of memory");
        return nullptr;
    }
    LocalePtr loc(created);
    char *names = gls::gl_setlocale_4(loc.get(), gls::kCatAll, lco.c_str());
    gls::gl_destroystring(names);
    if (names == nullptr || loc->error != 0) {
        complain(subcommand, "cannot load " + name + " (" + lco + " under " + installation_dir() +
                                 "/gls/lc11): " + tools::error_words(loc->error));
        return nullptr;
    }
    if (file != nullptr) {
        const char *ctype_file = loc->file_names[gls::category_slot(gls::kCatCtype)];
        char *dir = gls::gl_path_search_rpath(nullptr, loc.get(), ctype_file, kLocaleSubdir,
                                              kLocaleVersion);
        *file = dir == nullptr ? ctype_file : std::string(dir) + "/" + ctype_file;
        gls::_gl_free_ptr(dir);
        loc->error = 0;
    }
    return loc;
}

}  // namespace velmorad::gltool
