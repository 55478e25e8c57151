// Display width of a private-use character from the installation's map:
// a text in the locale's code set where each such character, written as
// itself, is followed by blanks and the digit of its width.
#include <cstring>

#include "gls/chars/chars_internal.h"
#include "gls/util/util.h"

namespace gls {

using namespace chars;

namespace {

constexpr const char *kPuaPathFormat = "%s%sgls%setc%s%s";
constexpr const char *kSeparator = "/";
constexpr const char *kPuaMapName = "pua.map";
constexpr int kNoWidth = -1;
constexpr int kDefaultWidth = 1;

struct StreamClose {
    void operator()(FILE *stream) const noexcept { (void)_gl_ext_fclose(stream); }
};

// Class word of a character read whole into buf.
uint32_t class_of_read(Locale *loc, const unsigned char *buf, uint32_t mask) {
    if (loc->ctype.single_byte != 0 && !use_ext(loc)) return single_byte_class(loc, buf[0]) & mask;
    return _gl_im_ismctype(loc, buf, mask);
}

int wanted_length(Locale *loc, const unsigned char *s) {
    if (s == nullptr || s[0] == 0) return 0;
    if (loc->ctype.single_byte != 0) return 1;
    const int length = gl_full_mblen(loc, s, kMaxCharBytes);
    return length > 0 ? length : 0;
}

}  // namespace

int gl_mbwidth_PUA(Locale *loc, const unsigned char *s) {
    const char *directory = _gl_ext_getenv(kInstallDirVariable);
    if (directory == nullptr) return kNoWidth;
    const size_t size = std::strlen(directory) + 3 * std::strlen(kSeparator) + std::strlen("gls") +
                        std::strlen("etc") + std::strlen(kPuaMapName) + 1;
    HostPtr<char> path(static_cast<char *>(_gl_alloc_ptr(size)));
    if (!path) return kNoWidth;
    std::snprintf(path.get(), size, kPuaPathFormat, directory, kSeparator, kSeparator, kSeparator,
                  kPuaMapName);
    std::unique_ptr<FILE, StreamClose> map(_gl_ext_fopen(path.get(), "r"));
    if (!map) return kNoWidth;

    const int wanted = wanted_length(loc, s);
    if (wanted == 0) return kNoWidth;
    unsigned char buf[kMaxCharBytes];
    for (;;) {
        const int length = gl_full_fgetmb(loc, buf, map.get());
        if (length < 0) return kNoWidth;
        if (length == wanted && std::memcmp(buf, s, static_cast<size_t>(length)) == 0 &&
            class_of_read(loc, buf, kClassPrint) == 0) {
            break;
        }
    }
    for (;;) {
        const int length = gl_full_fgetmb(loc, buf, map.get());
        if (length < 0) return kDefaultWidth;
        if (class_of_read(loc, buf, kClassSpace) != 0) continue;
        if (class_of_read(loc, buf, kClassDigit) == 0) return kDefaultWidth;
        gl_wchar_t wc = 0;
        for (int i = 0; i < length; ++i)
            wc = (wc << kBitsPerByte) | buf[i];
        return wc >= '0' && wc <= '9' ? static_cast<int>(wc - '0') : kDefaultWidth;
    }
}

}  // namespace gls
