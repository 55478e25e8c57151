// The locale loader on a whole locale object file: the input is loaded
// into a null locale through gl_setlocale_4 from a private installation,
// then every information item and string cache of what loaded is read.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_file.h"
#include "gls/chars/chars.h"
#include "gls/format/format.h"
#include "gls/load/locale.h"
#include "gls/names/names.h"
#include "gls/util/util.h"

namespace {

constexpr const char *kFileName = "fuzz.lco";
constexpr size_t kProbeBytes = 16;

const std::string &locale_dir() {
    static const std::string dir = [] {
        const std::string &root = velmorad::fuzz::scratch_dir();
        std::string path = root + "/gls";
        mkdir(path.c_str(), 0700);
        path += "/lc11";
        mkdir(path.c_str(), 0700);
        setenv("VELMORADDIR", root.c_str(), 1);
        // No registry file here: the built-in table tells code sets apart.
        uint32_t error = 0;
        gls::gl_cache_registry(&error, nullptr);
        return path;
    }();
    return dir;
}

void read_back(gls::Locale *loc, const uint8_t *data, size_t size) {
    size_t total = 0;
    for (int item = 0; item <= gls::kItemLast; ++item) {
        if (const char *text = gls::gl_nl_langinfo(loc, item)) total += std::strlen(text);
    }
    for (int item : {0, 61, 62, 63, 67, 68, 69}) {
        if (const char *text = gls::gl_get_ltime_fmts(loc, item)) total += std::strlen(text);
    }
    const int probe = static_cast<int>(size < kProbeBytes ? size : kProbeBytes);
    for (gls::gl_wc_cache_t *cache : loc->time.caches) {
        gls::GlCacheMatch match{};
        if (gls::_gl_match_wc_cache(loc, cache, data, probe, &match) == gls::kCacheMatched &&
            (match.bytes > probe || match.chars > match.bytes)) {
            abort();
        }
    }
    if (total == SIZE_MAX) abort();  // keeps the reads

    // Characters and terminators in buffers of exactly the lengths the
    // locale declares: a header that contradicts its tree shows here.
    const int max_length = gls::gl_mb_loc_max(loc);
    if (loc->ctype.char_tree == nullptr || max_length < 1) return;
    const auto width = static_cast<size_t>(max_length);
    for (size_t i = 0; i + width <= size && i < kProbeBytes; ++i) {
        gls::gl_wchar_t wc = 0;
        if (gls::gl_full_mbtowc(loc, &wc, data + i, max_length) <= 0) continue;
        auto *out = new unsigned char[width];
        (void)gls::gl_full_wctomb(loc, out, wc);
        delete[] out;
    }
    auto *terminator = new unsigned char[width];
    (void)gls::gl_full_wctomb(loc, terminator, 0);
    delete[] terminator;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > 1 << 16) return 0;
    velmorad::fuzz::write_input(locale_dir() + "/" + kFileName, data, size);
    gls::Locale *loc = nullptr;
    if (gls::gl_create_null_locale_4(&loc) != 0) return 0;
    char *names = gls::gl_setlocale_4(loc, gls::kCatAll, kFileName);
    read_back(loc, data, size);
    gls::gl_destroystring(names);
    // A single category over what loaded, as a reload does.
    names = gls::gl_setlocale_4(loc, gls::kCatTime, kFileName);
    read_back(loc, data, size);
    gls::gl_destroystring(names);
    gls::gl_lc_unload(loc);
    return 0;
}
