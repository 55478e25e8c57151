// Owners of what the locale library hands out, so a test cannot leak a
// loaded locale or a conversion descriptor on an early return.
#pragma once

#include <memory>

#include "gls/conv/conv.h"
#include "gls/load/locale.h"

namespace gls::testing {

struct UnloadLocale {
    void operator()(Locale *loc) const { gl_lc_unload(loc); }
};
using LocalePtr = std::unique_ptr<Locale, UnloadLocale>;

struct UnloadConv {
    void operator()(CvDesc *cd) const { gl_cv_unload(cd); }
};
using CvPtr = std::unique_ptr<CvDesc, UnloadConv>;

}  // namespace gls::testing
