// Strings passed between the operating system and the client code set
// through the locale environment's conversion descriptors.
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gls/conv/conv.h"
#include "locale_env/locale_env.h"
#include "os_layer/os_layer.h"

namespace velmorad {

namespace {

constexpr int kConvBadArgument = -23112;
constexpr int kConvBadCharacter = -23103;
constexpr int kConvFailed = -23113;
constexpr int kConvNoMemory = -23102;
constexpr int kAccessBufferSize = 260;

size_t input_length(const char *in, const int *len) {
    return len != nullptr ? static_cast<size_t>(*len) : std::strlen(in) + 1;
}

bool bad_input(const char *in, const int *len) {
    return in == nullptr || (len != nullptr && *len < 1);
}

struct Converted {
    bool ok;  // when false, the descriptor's error number tells why
    int produced;
};

Converted convert(gls::CvDesc *cd, const char *in, const int *len, char *out, size_t out_size) {
    const auto *src = reinterpret_cast<const unsigned char *>(in);
    size_t in_left = input_length(in, len);
    auto *dst = reinterpret_cast<unsigned char *>(out);
    size_t out_left = out_size;
    int inexact = 0;
    int rc =
        gls::gl_miconv(cd, &src, len != nullptr ? &in_left : nullptr, &dst, &out_left, &inexact);
    return Converted{rc == 0, static_cast<int>(out_size - out_left)};
}

}  // namespace

int is8bitstr(const char *s) {
    for (const auto *p = reinterpret_cast<const unsigned char *>(s); *p != 0; ++p) {
        if (*p >= 0x80) return 1;
    }
    return 0;
}

int gcv_malloc(gls::CvDesc *cd, const char *in, const int *len, char **out) {
    if (bad_input(in, len)) return set_glserror(kConvBadArgument), -1;
    double factor = cd != nullptr ? gls::gl_iconv_expansion(cd) : 1.0;
    size_t n = len != nullptr ? static_cast<size_t>(*len) : std::strlen(in);
    size_t out_size = static_cast<size_t>(std::ceil(static_cast<double>(n) * factor));
    if (len == nullptr) ++out_size;
    auto *buf = static_cast<char *>(std::malloc(out_size + 4));
    if (buf == nullptr) return set_glserror(kConvNoMemory), -1;
    if (cd == nullptr) {
        std::memcpy(buf, in, input_length(in, len));
        buf[input_length(in, len)] = '\0';
        *out = buf;
        return 0;
    }
    Converted result = convert(cd, in, len, buf, out_size + 4);
    if (!result.ok) {
        std::free(buf);
        return set_glserror(kConvBadCharacter), -1;
    }
    *out = buf;
    return result.produced;
}

// Without a descriptor the copy stops at the caller's buffer and says so
// through the truncation flag.
int gcv_extbuf(gls::CvDesc *cd, const char *in, const int *len, char *out, int outsize,
               int *truncated) {
    if (bad_input(in, len) || outsize < 1) return set_glserror(kConvBadArgument), -1;
    *truncated = 0;
    if (cd == nullptr) {
        size_t n = input_length(in, len);
        if (n > static_cast<size_t>(outsize)) {
            n = static_cast<size_t>(outsize);
            *truncated = 1;
        }
        std::memcpy(out, in, n);
        return 0;
    }
    Converted result = convert(cd, in, len, out, static_cast<size_t>(outsize));
    if (result.ok) return result.produced;
    switch (cd->error) {
        case gls::GL_E2BIG:
            *truncated = 1;
            return result.produced;
        case gls::GL_EILSEQ:
        case gls::GL_EINVAL:
            return set_glserror(kConvBadCharacter), -1;
        default:
            return set_glserror(kConvFailed), -1;
    }
}

// The converted path, terminator included, may fill the whole buffer; the
// array has one byte more so that terminating it never needs a check.
int gcvaccess(const char *path, int mode) {
    gls::CvDesc *cd = new_gls_env.cv_os_out;
    if (cd == nullptr) return access(path, mode);
    char converted[kAccessBufferSize + 1];
    int truncated = 0;
    int produced = gcv_extbuf(cd, path, nullptr, converted, kAccessBufferSize, &truncated);
    if (produced < 0 || truncated != 0) return -1;
    converted[produced] = '\0';
    return access(converted, mode);
}

}  // namespace velmorad
