// The stand-in extension's converter entry points (see standin_cv.h).
#include "tests/gls/ext_standin/standin_cv.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "gls/ext/ext.h"
#include "tests/gls/ext_standin/standin.h"

using namespace gls;

struct gls::GluConverter {
    int32_t tag;
};

namespace {

constexpr int32_t kConverterTag = 0x43565452;

standin::CvCalls calls;
GluConverter converter{kConverterTag};

int16_t steered(const char *variable) {
    const char *value = std::getenv(variable);
    return static_cast<int16_t>(value != nullptr ? std::atoi(value) : 0);
}

unsigned char upper(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

}  // namespace

extern "C" {

const standin::CvCalls *glu_standin_cv_calls() {
    return &calls;
}

int32_t glu_useIcuCvtCall(GluMap *, uint16_t target, uint16_t source, int32_t flags, GluStatus *) {
    ++calls.asked;
    calls.asked_target = target;
    calls.asked_source = source;
    calls.asked_flags = flags;
    return steered(standin::kCvtUseVariable);
}

GluConverter *glu_cv_open(GluMap *, uint16_t, uint16_t, GluStatus *status) {
    *status = steered(standin::kCvtStatusVariable);
    if (*status > 0) return nullptr;
    ++calls.opened;
    return &converter;
}

void glu_cv_close(GluConverter *cv) {
    if (cv == &converter) ++calls.closed;
}

int32_t glu_cv_conv(GluConverter *cv, int32_t close_flag, const unsigned char **in, size_t *in_left,
                    unsigned char **out, size_t *out_left, int *inexact, GluStatus *status) {
    if (cv != &converter) return -1;
    ++calls.converted;
    calls.last_close_flag = close_flag;
    calls.last_terminated = in_left == nullptr;
    *inexact = 0;
    size_t left =
        in_left != nullptr ? *in_left : std::strlen(reinterpret_cast<const char *>(*in)) + 1;
    while (left > 0) {
        if (*out_left == 0) {
            *status = standin::kCvtNoRoom;
            return -1;
        }
        if (out != nullptr && *out != nullptr) *(*out)++ = upper(**in);
        ++*in;
        --left;
        --*out_left;
        if (in_left != nullptr) --*in_left;
    }
    return 0;
}

double glu_iconv_expansion(GluConverter *cv) {
    return cv == &converter ? standin::kCvtExpansion : 0;
}

}  // extern "C"
