// Locale specifications and locale file names, simple and composite, into
// buffers of exactly their documented sizes.
#include <cstring>
#include <string>
#include <vector>

#include "gls/names/names.h"

namespace {

// The input up to its first "|" (all of it without one); the rest stays.
std::string take_field(std::string *rest) {
    size_t bar = rest->find('|');
    std::string field = rest->substr(0, bar);
    rest->erase(0, bar == std::string::npos ? rest->size() : bar + 1);
    return field;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace gls;
    if (size > 1024) return 0;
    static const bool ready = [] {
        gl_cache_registry(nullptr, "/nonexistent/registry");  // the built-in table
        return true;
    }();
    (void)ready;
    std::string text(reinterpret_cast<const char *>(data), size);
    text.resize(std::strlen(text.c_str()));
    uint32_t error = 0;

    std::vector<char> fname(kLcFnameSize), dname(kMsgDnameSize);
    for (const char *directory : {static_cast<const char *>(nullptr), "/inst/gls/lc11"}) {
        if (gl_lc_spec2lc_fname(&error, text.c_str(), fname.data(), nullptr, directory) == 0) {
            std::vector<char> lang_terr(kLangTerrSize), number(kCsNumTextSize),
                modifier(kModifierSize);
            (void)gl_lc_fname2lc_pieces(&error, fname.data(), lang_terr.data(), number.data(),
                                        modifier.data());
        }
        (void)gl_lc_spec2msg_dname(&error, text.c_str(), dname.data(), nullptr, directory);
    }
    (void)gl_lc_spec2cs_num(&error, text.c_str(), nullptr);

    std::vector<char> lang_terr(kLangTerrSize), number(kCsNumTextSize), modifier(kModifierSize);
    (void)gl_lc_fname2lc_pieces(&error, text.c_str(), lang_terr.data(), number.data(),
                                modifier.data());
    std::string rest = text;
    std::string pieces[3];
    for (std::string &piece : pieces)
        piece = take_field(&rest);
    std::vector<char> spec(kPiecesSpecSize);
    (void)gl_lc_pieces2lc_spec(&error, pieces[0].c_str(), pieces[1].c_str(), pieces[2].c_str(),
                               spec.data());
    return 0;
}
