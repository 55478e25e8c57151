// Where a compiled locale goes and what it is called: the code set's name
// and number, the file name the library's naming gives the locale, and the
// load that proves the file reads back.
#include "tools/lccomp/output.h"

#include <cctype>
#include <cstdlib>

#include "gls/load/locale.h"
#include "gls/names/names.h"
#include "gls/util/util.h"
#include "tools/common/tool_io.h"

namespace velmorad::tools {

namespace {

// The product's name of a code set that its own table knows by several
// ("c", "posix", "8859-1" and "latin-1" are all 819): the one files and
// messages use. The registry's later ISO 8859 parts are named alike.
struct PreferredName {
    uint16_t number;
    const char *name;
};
constexpr PreferredName kPreferredNames[] = {
    {819, "8859-1"},  {912, "8859-2"},  {57346, "8859-3"},  {914, "8859-4"},  {915, "8859-5"},
    {1089, "8859-6"}, {813, "8859-7"},  {916, "8859-8"},    {920, "8859-9"},  {437, "cp437"},
    {1250, "cp1250"}, {1251, "cp1251"}, {1252, "cp1252"},   {1253, "cp1253"}, {1254, "cp1254"},
    {1255, "cp1255"}, {1256, "cp1256"}, {57350, "sjis"},    {57352, "big5"},  {57356, "ksc"},
    {57357, "gb"},    {874, "thai620"}, {57372, "utf8"},    {57351, "ujis"},  {878, "koi-8"},
    {919, "8859-10"}, {921, "8859-13"}, {57631, "8859-14"}, {923, "8859-15"},
};

std::string lower(std::string text) {
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

bool code_set_of(const Charmap &charmap, const std::string &given, CodeSet *out,
                 std::string *reason) {
    uint32_t error = 0;
    if (!given.empty()) {
        out->number = gls::gl_cs_name2cs_num(&error, given.c_str(), nullptr);
        if (out->number == gls::kNoCodeSet) {
            *reason = "the registry has no code set \"" + given + "\"";
            return false;
        }
        out->name = lower(given);
        return true;
    }
    std::vector<std::string> names{charmap.code_set_name()};
    names.insert(names.end(), charmap.aliases().begin(), charmap.aliases().end());
    out->number = gls::kNoCodeSet;
    for (const std::string &name : names) {
        if (name.empty()) continue;
        out->number = gls::gl_cs_name2cs_num(&error, name.c_str(), nullptr);
        if (out->number != gls::kNoCodeSet) break;
    }
    if (out->number == gls::kNoCodeSet) {
        *reason = "the registry has no number for code set \"" + charmap.code_set_name() +
                  "\" or its aliases; give its name with --code-set";
        return false;
    }
    for (const PreferredName &p : kPreferredNames) {
        if (p.number == out->number) {
            out->name = p.name;
            return true;
        }
    }
    for (const gls::GlRegistryRow *row = gls::gls_canned_registry; row->name != nullptr; ++row) {
        if (row->number == out->number) {
            out->name = row->name;
            return true;
        }
    }
    out->name = lower(charmap.code_set_name());
    if (out->name.size() >= gls::kCsNameSize) {
        *reason = "code set name \"" + out->name + "\" is longer than 21 characters";
        return false;
    }
    return true;
}

bool locale_file_name(const std::string &locale_name, const CodeSet &code_set, std::string *out,
                      std::string *reason) {
    // "de_DE@euro" with code set 819 is "de_DE.819@euro" to the library.
    const size_t at = locale_name.find('@');
    const std::string spec = locale_name.substr(0, at) + "." + std::to_string(code_set.number) +
                             (at == std::string::npos ? "" : locale_name.substr(at));
    char name[gls::kLcFnameSize];
    uint32_t error = 0;
    if (spec.size() > gls::kMaxSpecLength ||
        gls::gl_lc_spec2lc_fname(&error, spec.c_str(), name, nullptr, nullptr) != 0) {
        *reason = "locale name \"" + locale_name +
                  "\" has no file name: the naming holds a language of two or three letters, "
                  "a territory of two and a modifier of at most four letters or digits";
        return false;
    }
    *out = name;
    return true;
}

std::string load_back(const std::string &directory, const std::string &name) {
    // The loader takes names relative to its search path.
    setenv("GL_PATH", directory.c_str(), 1);
    gls::Locale *loc = nullptr;
    if (gls::gl_create_null_locale_4(&loc) != 0) return "cannot create a locale object";
    char *names = gls::gl_setlocale_4(loc, gls::kCatAll, name.c_str());
    const uint32_t error = loc->error;
    std::string reason;
    if (names == nullptr) {
        reason = "the library cannot load it: " + error_words(error);
    } else if (error != 0) {
        reason = "the library loads it with an error: " + error_words(error);
    }
    gls::gl_destroystring(names);
    gls::gl_lc_unload(loc);
    unsetenv("GL_PATH");
    return reason;
}

}  // namespace velmorad::tools
