#include "tests/tools/compiled_locale.h"

#include <stdlib.h>

#include "gls/util/util.h"

namespace velmorad::testing {

CompiledLocale::~CompiledLocale() {
    if (loc_ != nullptr) gls::gl_lc_unload(loc_);
}

std::string CompiledLocale::compile(const std::string &source, const std::string &charmap) {
    const RunResult made =
        run_program(LCCOMP_BIN,
                    {"--charmap", charmap, "--registry", source_dir() + "/data/registry", "-o",
                     dir_ / "compiled.lco", source},
                    {});
    if (made.status != 0) return "lccomp: " + made.err;
    // The loader takes names relative to its search path.
    setenv("GL_PATH", dir_.path().c_str(), 1);
    if (gls::gl_create_null_locale_4(&loc_) != 0) return "no locale object";
    char *names = gls::gl_setlocale_4(loc_, gls::kCatAll, "compiled.lco");
    if (names == nullptr) return "cannot load: error " + std::to_string(loc_->error);
    gls::gl_destroystring(names);
    return {};
}

int CompiledLocale::order(const std::string &a, const std::string &b) const {
    const int r = loc_->primitives.mbscoll(loc_, reinterpret_cast<const unsigned char *>(a.c_str()),
                                           reinterpret_cast<const unsigned char *>(b.c_str()));
    return (r > 0) - (r < 0);
}

std::string CompiledLocale::key(const std::string &s) const {
    const auto *src = reinterpret_cast<const unsigned char *>(s.c_str());
    const int length = loc_->primitives.mbsxfrm(loc_, nullptr, src, 0);
    if (length <= 0) return {};
    std::string out(static_cast<size_t>(length) + 1, '\0');
    (void)loc_->primitives.mbsxfrm(loc_, reinterpret_cast<unsigned char *>(out.data()), src,
                                   length + 1);
    out.resize(static_cast<size_t>(length));
    return out;
}

}  // namespace velmorad::testing
