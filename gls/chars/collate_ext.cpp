// The collation primitives of a locale whose collation the extension
// serves: they forward to its entry points with the collation category's
// handle.
#include "gls/chars/chars_internal.h"

namespace gls {

using namespace chars;

namespace {

GluLocale *collate_locale(const Locale *loc) {
    return static_cast<GluLocale *>(loc->ext_handles[kCollateSlot]);
}

}  // namespace

int _glu_mbscoll(Locale *loc, const unsigned char *s1, const unsigned char *s2) {
    return _glu_mbfscoll(loc, s1, kToTerminator, s2, kToTerminator);
}

int _glu_mbfscoll(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2) {
    GluStatus st = 0;
    const int32_t result = fn_glu_mbscoll(collate_locale(loc), s1, n1, s2, n2, &st);
    glu_store_status(loc, st);
    return result;
}

int _glu_mbsxfrm(Locale *loc, unsigned char *dst, const unsigned char *src, int n) {
    GluStatus st = 0;
    const int32_t result = fn_glu_mbsxfrm(collate_locale(loc), dst, n, src, kToTerminator, &st);
    glu_store_status(loc, st);
    return result;
}

}  // namespace gls
