// The time formatter's directive reader, writer and measurer on a format
// from the fuzzer: the first byte picks a shipped locale (UTF-8 with eras
// and alternative digits, a single-byte one with an era, one with
// neither), a fixed record and the date flag; the rest is the format.
// Both modes run, and the measurement must bound what was written; in the
// UTF-8 locale the text must also be what the wide formatter writes.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "gls/chars/chars.h"
#include "gls/format/format.h"
#include "gls/load/locale.h"
#include "gls/names/names.h"
#include "gls/util/util.h"

namespace {

constexpr int kOutputRoom = 1024;
constexpr const char *kLocales[] = {"ja_JP.utf8", "th_TH.thai620", "de_DE.8859-1"};
constexpr size_t kLocaleCount = sizeof kLocales / sizeof kLocales[0];

gls::Locale *locale(size_t index) {
    static gls::Locale *loaded[kLocaleCount] = {};
    static const bool ready = [] {
        const std::string inst = VELMORAD_BUILD_INST_DIR;
        setenv("GL_PATH", (inst + "/gls/lc11").c_str(), 1);
        uint32_t error = 0;
        gls::gl_cache_registry(&error, (inst + "/gls/cm3/registry").c_str());
        for (size_t i = 0; i < kLocaleCount; ++i) {
            char fname[gls::kLcFnameSize] = {};
            if (gls::gl_lc_spec2lc_fname(&error, kLocales[i], fname, nullptr, nullptr) != 0 ||
                gls::gl_create_null_locale_4(&loaded[i]) != 0) {
                abort();
            }
            char *names = gls::gl_setlocale_4(loaded[i], gls::kCatAll, fname);
            if (names == nullptr) abort();
            gls::gl_destroystring(names);
        }
        return true;
    }();
    (void)ready;
    return loaded[index % kLocaleCount];
}

gls::CalendarTime record(int which) {
    // 2024-05-03 09:05:07.123456; 1990-01-07 23:59:60; 1900-01-01 00:00:00.
    switch (which % 3) {
        case 0:
            return {123456, 7, 5, 9, 3, 4, 4, 124, 5, 123, 0, 0, 0};
        case 1:
            return {999999, 60, 59, 23, 7, 0, 0, 90, 0, 6, 0, 0, 0};
        default:
            return {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0};
    }
}

// A multi-byte locale writes its texts as bytes where it can: the text must
// be the wide mode's result for the same format, character for character.
void same_as_wide(gls::Locale *loc, const char *format, size_t size, const gls::CalendarTime &r,
                  int date_flag, const char *out, int written) {
    const auto *bytes = reinterpret_cast<const unsigned char *>(format);
    std::unique_ptr<gls::gl_wchar_t[]> wide_format(new gls::gl_wchar_t[size]);
    if (gls::_gl_im_mbstowcs(loc, wide_format.get(), bytes, static_cast<int>(size)) < 0) abort();
    std::unique_ptr<gls::gl_wchar_t[]> wide(new gls::gl_wchar_t[kOutputRoom]);
    const int wide_written = gls::gl_wcsftime1(loc, wide.get(), kOutputRoom, wide_format.get(), &r,
                                               nullptr, nullptr, date_flag);
    const auto written_size = static_cast<size_t>(written) + 1;
    std::unique_ptr<gls::gl_wchar_t[]> back(new gls::gl_wchar_t[written_size]);
    const int back_chars =
        gls::_gl_im_mbstowcs(loc, back.get(), reinterpret_cast<const unsigned char *>(out),
                             static_cast<int>(written_size));
    if (back_chars != wide_written ||
        std::memcmp(back.get(), wide.get(),
                    sizeof(gls::gl_wchar_t) * (static_cast<size_t>(back_chars) + 1)) != 0) {
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1 || size > 4096) return 0;
    gls::Locale *loc = locale(data[0] & 3);
    const gls::CalendarTime r = record((data[0] >> 2) & 3);
    const int date_flag = (data[0] >> 4) & 1;
    std::unique_ptr<char[]> format(new char[size]);  // the rest and its terminator
    std::memcpy(format.get(), data + 1, size - 1);
    format[size - 1] = '\0';

    int chars = 0;
    int bytes = 0;
    loc->error = 0;
    (void)gls::gl_mbsftime1(loc, nullptr, 0, format.get(), &r, &chars, &bytes, date_flag);
    const bool measured = loc->error == 0;
    (void)gls::gl_mbsfmtexpand(loc, 1, format.get());

    std::unique_ptr<char[]> out(new char[kOutputRoom]);
    loc->error = 0;
    const int written = gls::gl_mbsftime1(loc, out.get(), kOutputRoom, format.get(), &r, nullptr,
                                          nullptr, date_flag);
    if (written > 0) {
        if (written >= kOutputRoom || out[written] != '\0') abort();
        // A record of the years the measurement covers: it bounds the text.
        if (!measured || bytes < written) abort();
        // Every non-zero byte of a single-byte code set is a character.
        const int written_chars =
            loc->ctype.single_byte != 0
                ? written
                : gls::_gl_im_mbslen(loc, reinterpret_cast<const unsigned char *>(out.get()));
        if (written_chars < 0 || chars < written_chars) abort();
        if (loc->ctype.single_byte == 0)
            same_as_wide(loc, format.get(), size, r, date_flag, out.get(), written);
    }
    return 0;
}
