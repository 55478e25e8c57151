// The conversion calls: the extension's converter, or the one chosen at
// load, with the caller's state or a fresh one that closes.
#include "gls/conv/conv.h"
#include "gls/conv/conv_internal.h"
#include "gls/ext/ext.h"
#include "gls/util/util.h"

namespace gls {

int fail_lookup(CvDesc *cd, uint32_t error) {
    gl_message(kMsgTranslation);
    gl_set_error(cd, error);
    return -1;
}

int fail_illegal(CvDesc *cd) {
    gl_message(kMsgIllegal);
    gl_set_error(cd, GL_EILSEQ);
    return -1;
}

int fail_too_big(CvDesc *cd) {
    gl_message(kMsgTooBig);
    gl_set_error(cd, GL_E2BIG);
    return -1;
}

int fail_logged(CvDesc *) {
    gl_message(kMsgTranslation);
    return -1;
}

namespace {

constexpr CvState kCallState = {1, 1, 0, 0};

int extension_convert(CvDesc *cd, const CvState *state, const unsigned char **in, size_t *in_left,
                      unsigned char **out, size_t *out_left, int *inexact) {
    if (fn_glu_cv_conv == nullptr) {
        gl_set_error(cd, GL_EINVAL);
        return -1;
    }
    GluStatus status = 0;
    const int32_t close = state != nullptr ? static_cast<int32_t>(state->close) : 1;
    int ignored = 0;
    const int32_t rc = fn_glu_cv_conv(cd->ext_handle, close, in, in_left, out, out_left,
                                      inexact != nullptr ? inexact : &ignored, &status);
    glu_store_status(cd, status);
    return rc == 0 ? 0 : -1;
}

}  // namespace

int gl_cv_mconv(CvDesc *cd, CvState *state, const unsigned char **in, size_t *in_left,
                unsigned char **out, size_t *out_left, int *inexact) {
    if (cd == nullptr) return -1;
    if (in == nullptr || *in == nullptr || out_left == nullptr) {
        if (cd->converter != nullptr || cd->ext_flag != 0) gl_set_error(cd, GL_ENULLARG);
        return -1;
    }
    if (cd->ext_flag != 0) return extension_convert(cd, state, in, in_left, out, out_left, inexact);
    // The static error descriptors (and a half-built one) keep their cause.
    if (cd->converter == nullptr) return -1;
    CvState fresh = kCallState;
    return cd->converter(cd, state != nullptr ? state : &fresh, in, in_left, out, out_left,
                         inexact);
}

int gl_miconv(CvDesc *cd, const unsigned char **in, size_t *in_left, unsigned char **out,
              size_t *out_left, int *inexact) {
    return gl_cv_mconv(cd, nullptr, in, in_left, out, out_left, inexact);
}

int gl_mconvlen(CvDesc *cd, const unsigned char **in, size_t *in_left, size_t *out_left,
                int *inexact) {
    return gl_cv_mconv(cd, nullptr, in, in_left, nullptr, out_left, inexact);
}

}  // namespace gls
