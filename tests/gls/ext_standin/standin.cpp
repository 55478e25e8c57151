// A stand-in for the Unicode extension, built only for the tests. It exports
// every entry point the loader resolves, keeps what the loader hands it, reads
// and allocates like an extension would, and answers as the environment
// variables of standin.h tell it. The character and collation entry points
// record their last call; everything else does nothing.
// Built a second time without glu_mbsCollBound, for the missing entry point.
#include "tests/gls/ext_standin/standin.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

using namespace gls;

// The extension's handles, whose contents are its own.
struct gls::GluData {
    int32_t tag;
};
struct gls::GluMap {
    int32_t tag;
};
struct gls::GluLocale {
    int32_t tag;
};

namespace {

constexpr int32_t kDataTag = 0x44415441;
constexpr int32_t kMapTag = 0x4d415020;
constexpr int32_t kLocaleTag = 0x4c4f4341;

standin::State state;

int16_t steered(const char *variable) {
    const char *value = std::getenv(variable);
    return static_cast<int16_t>(value != nullptr ? std::atoi(value) : 0);
}

void called(const char *name) {
    std::strncat(state.calls, name, sizeof state.calls - std::strlen(state.calls) - 1);
    std::strncat(state.calls, ",", sizeof state.calls - std::strlen(state.calls) - 1);
}

// Reads the file at directory/name like an extension loading its data, and
// makes a handle for it from the host's memory.
template <class Handle>
Handle *load(char *path, const char *directory, const char *name, int32_t tag, GluStatus *status) {
    std::snprintf(path, standin::kTextSize, "%s/%s", directory, name);
    FILE *file = std::fopen(path, "r");
    if (file == nullptr) {
        *status = standin::kNoFile;
        return nullptr;
    }
    std::fclose(file);
    auto *handle = state.alloc != nullptr
                       ? static_cast<Handle *>(state.alloc(nullptr, sizeof(Handle)))
                       : nullptr;
    if (handle == nullptr) {
        *status = standin::kNoMemory;
        return nullptr;
    }
    handle->tag = tag;
    return handle;
}

// Records a character or collation call and gives the steered answer.
int32_t answer(const char *name, const void *locale, const void *text, int32_t length, int32_t room,
               GluStatus *status) {
    standin::Call &call = state.last_call;
    std::snprintf(call.name, sizeof call.name, "%s", name);
    call.locale = locale;
    call.text = text;
    call.length = length;
    call.room = room;
    *status = steered(standin::kCallStatusVariable);
    return steered(standin::kCallResultVariable);
}

template <class Handle>
void unload(Handle *handle) {
    if (handle != nullptr && state.free != nullptr) state.free(nullptr, handle);
}

}  // namespace

extern "C" {

const standin::State *glu_standin_state() {
    return &state;
}

int32_t glu_getIcuDataFileName(char *buf, int32_t size) {
    const char *name = std::getenv(standin::kDataFileVariable);
    if (name == nullptr) name = standin::kDefaultDataFile;
    const size_t length = std::strlen(name);
    if (size > 0 && length >= static_cast<size_t>(size)) {
        std::memcpy(buf, name, static_cast<size_t>(size));
    } else if (size > 0) {
        std::memcpy(buf, name, length + 1);
    }
    return steered(standin::kNameResultVariable);
}

GluData *glu_loadIcuData(const char *directory, const char *file_name, GluStatus *status) {
    GluData *data = load<GluData>(state.data_path, directory, file_name, kDataTag, status);
    if (int16_t forced = steered(standin::kDataStatusVariable)) *status = forced;
    return data;
}

void glu_unloadIcuData(GluData *data) {
    unload(data);
}

GluMap *glu_loadMapData(const char *directory, GluStatus *status) {
    GluMap *map = load<GluMap>(state.map_path, directory, "locmap", kMapTag, status);
    if (int16_t forced = steered(standin::kMapStatusVariable)) *status = forced;
    return map;
}

void glu_unloadMapData(GluMap *map) {
    unload(map);
}

GluLocale *glu_lc_open(GluMap *, const char *file_name, int32_t, GluStatus *status) {
    ++state.locales_opened;
    std::snprintf(state.locale_name, sizeof state.locale_name, "%s", file_name);
    state.streams_cleared_at_open = state.fgetc == nullptr && state.fseek == nullptr &&
                                    state.ftell == nullptr && state.ferror == nullptr &&
                                    state.feof == nullptr;
    auto *locale = state.alloc != nullptr
                       ? static_cast<GluLocale *>(state.alloc(nullptr, sizeof(GluLocale)))
                       : nullptr;
    if (locale == nullptr) {
        *status = standin::kNoMemory;
        return nullptr;
    }
    locale->tag = kLocaleTag;
    return locale;
}

void glu_lc_close(GluLocale *locale) {
    ++state.locales_closed;
    unload(locale);
}

int32_t glu_ismctype(GluLocale *locale, const unsigned char *s, int32_t n, uint32_t mask,
                     GluStatus *status) {
    ++state.classified;
    return answer("ismctype", locale, s, n, static_cast<int32_t>(mask), status);
}

int32_t glu_setMemoryFunctions(GluAllocFn alloc, GluReallocFn resize, GluFreeFn release,
                               GluCallocFn alloc_cleared) {
    called("setMemoryFunctions");
    state.alloc = alloc;
    state.realloc = resize;
    state.free = release;
    state.calloc = alloc_cleared;
    return steered(standin::kMemoryResultVariable);
}

void glu_setFgetcFunc(GlStreamFn function) {
    called("setFgetcFunc");
    state.fgetc = function;
}
void glu_setFseekFunc(GlFseekFn function) {
    called("setFseekFunc");
    state.fseek = function;
}
void glu_setFtellFunc(GlFtellFn function) {
    called("setFtellFunc");
    state.ftell = function;
}
void glu_setFerrorFunc(GlStreamFn function) {
    called("setFerrorFunc");
    state.ferror = function;
}
void glu_setFeofFunc(GlStreamFn function) {
    called("setFeofFunc");
    state.feof = function;
}
void glu_setUCAFunc(GlUCAFn function) {
    called("setUCAFunc");
    state.uca = function;
}
void glu_setPrintMessageFunc(GluPrintMessageFn function) {
    called("setPrintMessageFunc");
    state.print = function;
}
void glu_setMessageLevel(int32_t level) {
    called("setMessageLevel");
    state.message_level = level;
}
void glu_setMessageSubLevel(int32_t level) {
    called("setMessageSubLevel");
    state.message_sub_level = level;
}

// The converter entry points are in standin_cv.cpp. The rest: present, and inert.
int32_t glu_useIcuLocCall(GluMap *, const char *, int32_t, GluStatus *) {
    return 0;
}
const char *glu_icuErrorName(int32_t) {
    return nullptr;
}
GluLocale *glu_lc_clone(GluLocale *, GluStatus *) {
    return nullptr;
}
void glu_assign_global_struct(void *) {}
int32_t glu_mb_loc_max(GluLocale *locale, GluStatus *status) {
    return answer("mb_loc_max", locale, nullptr, 0, 0, status);
}
int32_t glu_getICULocName(GluMap *, const char *, char *, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_getICUCvtName(GluMap *, uint16_t, char *, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_mb_loc_min(GluLocale *locale, GluStatus *status) {
    return answer("mb_loc_min", locale, nullptr, 0, 0, status);
}
int32_t glu_case_conv_outbuflen(GluLocale *, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_isuc32type(gl_wchar_t wc, uint32_t mask, GluStatus *status) {
    return answer("isuc32type", nullptr, nullptr, static_cast<int32_t>(wc),
                  static_cast<int32_t>(mask), status);
}
int32_t glu_mbtouc(GluLocale *, GluUChar *, const unsigned char *, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_uctomb(GluLocale *, unsigned char *, GluUChar, GluStatus *) {
    return 0;
}
int32_t glu_mbtouc32(GluLocale *locale, gl_wchar_t *, const unsigned char *s, int32_t n,
                     GluStatus *status) {
    return answer("mbtouc32", locale, s, n, 0, status);
}
int32_t glu_uc32tomb(GluLocale *locale, unsigned char *s, gl_wchar_t wc, GluStatus *status) {
    return answer("uc32tomb", locale, s, static_cast<int32_t>(wc), 0, status);
}
int32_t glu_mblen(GluLocale *locale, const unsigned char *s, int32_t n, GluStatus *status) {
    return answer("mblen", locale, s, n, 0, status);
}
int32_t glu_mbwidth(GluLocale *, const unsigned char *, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_uc32width(gl_wchar_t wc, GluStatus *status) {
    return answer("uc32width", nullptr, nullptr, static_cast<int32_t>(wc), 0, status);
}
int32_t glu_mbtoupper(GluLocale *, unsigned char *, const unsigned char *, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_mbtolower(GluLocale *, unsigned char *, const unsigned char *, int32_t, GluStatus *) {
    return 0;
}
gl_wchar_t glu_uc32toupper(GluLocale *locale, gl_wchar_t wc, GluStatus *status) {
    return static_cast<gl_wchar_t>(
        answer("uc32toupper", locale, nullptr, static_cast<int32_t>(wc), 0, status));
}
gl_wchar_t glu_uc32tolower(GluLocale *locale, gl_wchar_t wc, GluStatus *status) {
    return static_cast<gl_wchar_t>(
        answer("uc32tolower", locale, nullptr, static_cast<int32_t>(wc), 0, status));
}
int32_t glu_mbstoucs(GluLocale *, GluUChar *, const unsigned char *, int32_t, int32_t,
                     GluStatus *) {
    return 0;
}
int32_t glu_ucstombs(GluLocale *, unsigned char *, const GluUChar *, int32_t, int32_t,
                     GluStatus *) {
    return 0;
}
int32_t glu_mbstoucs32(GluLocale *locale, gl_wchar_t *, const unsigned char *s, int32_t n,
                       int32_t out_max, GluStatus *status) {
    return answer("mbstoucs32", locale, s, n, out_max, status);
}
int32_t glu_ucs32tombs(GluLocale *locale, unsigned char *, const gl_wchar_t *s, int32_t n,
                       int32_t out_max, GluStatus *status) {
    return answer("ucs32tombs", locale, s, n, out_max, status);
}
const unsigned char *glu_mbsprev(GluLocale *, const unsigned char *, const unsigned char *,
                                 GluStatus *) {
    return nullptr;
}
const unsigned char *glu_mbsnext(GluLocale *locale, const unsigned char *s, int32_t n,
                                 GluStatus *status) {
    return s + answer("mbsnext", locale, s, n, 0, status);
}
int32_t glu_charoffset(GluLocale *, const unsigned char *, int32_t, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_mbsntsbytes(GluLocale *, const unsigned char *, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_mbstoupper(GluLocale *, unsigned char *, const unsigned char *, int32_t, int32_t,
                       GluStatus *) {
    return 0;
}
int32_t glu_mbstoupper_len(GluLocale *, const unsigned char *, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_mbstolower(GluLocale *, unsigned char *, const unsigned char *, int32_t, int32_t,
                       GluStatus *) {
    return 0;
}
int32_t glu_mbstolower_len(GluLocale *, const unsigned char *, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_ucs32toupper(GluLocale *, gl_wchar_t *, const gl_wchar_t *, int32_t, int32_t,
                         GluStatus *) {
    return 0;
}
int32_t glu_ucs32tolower(GluLocale *, gl_wchar_t *, const gl_wchar_t *, int32_t, int32_t,
                         GluStatus *) {
    return 0;
}
int32_t glu_mbslen(GluLocale *locale, const unsigned char *s, int32_t n, GluStatus *status) {
    return answer("mbslen", locale, s, n, 0, status);
}
int32_t glu_mbsbytes(GluLocale *locale, const unsigned char *s, GluStatus *status) {
    return answer("mbsbytes", locale, s, 0, 0, status);
}
int32_t glu_ucs32len(const gl_wchar_t *, GluStatus *) {
    return 0;
}
const gl_wchar_t *glu_ucs32uc32(const gl_wchar_t *, gl_wchar_t, GluStatus *) {
    return nullptr;
}
const unsigned char *glu_mbschr(GluLocale *, const unsigned char *, const unsigned char *,
                                GluStatus *) {
    return nullptr;
}
int32_t glu_mbswidth(GluLocale *locale, const unsigned char *s, int32_t n, GluStatus *status) {
    return answer("mbswidth", locale, s, n, 0, status);
}
int32_t glu_ucs32width(const gl_wchar_t *s, int32_t n, GluStatus *status) {
    return answer("ucs32width", nullptr, s, n, 0, status);
}
int32_t glu_mbspwidth(GluLocale *, const unsigned char *, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_ucs32pwidth(const gl_wchar_t *, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_ucscoll(GluLocale *, const GluUChar *, int32_t, const GluUChar *, int32_t,
                    GluStatus *) {
    return 0;
}
int32_t glu_ucsxfrm(GluLocale *, unsigned char *, int32_t, const GluUChar *, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_ucs32coll(GluLocale *, const gl_wchar_t *, int32_t, const gl_wchar_t *, int32_t,
                      GluStatus *) {
    return 0;
}
int32_t glu_ucs32xfrm(GluLocale *, unsigned char *, int32_t, const gl_wchar_t *, int32_t,
                      GluStatus *) {
    return 0;
}
int32_t glu_mbscoll(GluLocale *locale, const unsigned char *a, int32_t a_len, const unsigned char *,
                    int32_t b_len, GluStatus *status) {
    return answer("mbscoll", locale, a, a_len, b_len, status);
}
int32_t glu_mbsxfrm(GluLocale *locale, unsigned char *out, int32_t out_max, const unsigned char *,
                    int32_t n, GluStatus *status) {
    return answer("mbsxfrm", locale, out, n, out_max, status);
}
#ifndef GLU_STANDIN_WITHOUT_COLL_BOUND
int32_t glu_mbsCollBound(GluLocale *, unsigned char *, int32_t, const unsigned char *, int32_t,
                         int32_t, GluStatus *) {
    return 0;
}
#endif
int32_t glu_mbsSortKeyCollBound(GluLocale *, unsigned char *, int32_t, const unsigned char *,
                                int32_t, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_fgetuc32(GluLocale *, gl_wchar_t *, FILE *, GluStatus *) {
    return 0;
}
int32_t glu_getmb(GluLocale *locale, unsigned char *buf, GlStreamFn, FILE *, int32_t *nbytes,
                  GluStatus *status) {
    const int32_t result = answer("getmb", locale, buf, 0, 0, status);
    *nbytes = result;
    return result;
}
const unsigned char *glu_getmbsi(GluLocale *locale, const unsigned char *s, int32_t count,
                                 GluStatus *status) {
    return s + answer("getmbsi", locale, s, count, 0, status);
}
int32_t glu_putmbsi(GluLocale *, unsigned char *, int32_t, const unsigned char *, int32_t,
                    GluStatus *) {
    return 0;
}
int32_t glu_ucstoucs32(gl_wchar_t *, const GluUChar *, int32_t, int32_t, GluStatus *) {
    return 0;
}
int32_t glu_ucs32toucs(GluUChar *, const gl_wchar_t *, int32_t, int32_t, GluStatus *) {
    return 0;
}

}  // extern "C"
