// The test stand-in for the Unicode extension: the entry points the tests reach
// keep what they are handed and answer as standin.h's variables say; the rest is inert.
#include "tests/gls/ext_standin/standin.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

using namespace gls;

// What the stand-in defines must have the type the loader calls it through.
extern "C" {
#define GLU_ENTRY(name, Type) std::remove_pointer_t<gls::Type> name;
#define GLU_ENTRY_AGAIN(name)
#include "gls/ext/ext_entries.def"
}

namespace {

standin::State state;
int converter;  // the one converter's handle

int16_t steered(const char *variable) {
    const char *value = std::getenv(variable);
    return static_cast<int16_t>(value != nullptr ? std::atoi(value) : 0);
}

// Keeps what a registration call hands over, and the call's name in order.
template <class T>
void kept(const char *name, T &field, T value) {
    std::strncat(state.calls, name, sizeof state.calls - std::strlen(state.calls) - 2);
    std::strcat(state.calls, ",");
    field = value;
}

// A handle from the host's memory, as an extension makes one.
template <class Handle>
Handle *allocated(GluStatus *status) {
    void *block = state.alloc != nullptr ? state.alloc(nullptr, sizeof(long)) : nullptr;
    if (block == nullptr) *status = standin::kNoMemory;
    return static_cast<Handle *>(block);
}

// Reads the file at directory/name like an extension loading its data.
template <class Handle>
Handle *load(char *path, const char *directory, const char *name, const char *forced,
             GluStatus *status) {
    std::snprintf(path, standin::kTextSize, "%s/%s", directory, name);
    FILE *file = std::fopen(path, "r");
    Handle *handle = nullptr;
    if (file == nullptr) {
        *status = 2;
    } else {
        std::fclose(file);
        handle = allocated<Handle>(status);
    }
    if (int16_t status_forced = steered(forced)) *status = status_forced;
    return handle;
}

void release(void *handle) {
    if (handle != nullptr && state.free != nullptr) state.free(nullptr, handle);
}

}  // namespace

extern "C" {

const standin::State *glu_standin_state() {
    return &state;
}

int32_t glu_getIcuDataFileName(char *buf, int32_t size) {
    const char *name = std::getenv(standin::kDataFileVariable);
    if (name == nullptr) name = "standin.dat";
    const size_t length = std::strlen(name);
    if (size > 0) std::memcpy(buf, name, std::min(length + 1, static_cast<size_t>(size)));
    return steered(standin::kNameResultVariable);
}

GluData *glu_loadIcuData(const char *directory, const char *file_name, GluStatus *status) {
    return load<GluData>(state.data_path, directory, file_name, standin::kDataStatusVariable,
                         status);
}
void glu_unloadIcuData(GluData *data) {
    release(data);
}
GluMap *glu_loadMapData(const char *directory, GluStatus *status) {
    return load<GluMap>(state.map_path, directory, "locmap", standin::kMapStatusVariable, status);
}
void glu_unloadMapData(GluMap *map) {
    release(map);
}

GluLocale *glu_lc_open(GluMap *, const char *file_name, int32_t, GluStatus *status) {
    ++state.locales_opened;
    std::snprintf(state.locale_name, sizeof state.locale_name, "%s", file_name);
    state.streams_cleared_at_open = state.fgetc == nullptr && state.fseek == nullptr &&
                                    state.ftell == nullptr && state.ferror == nullptr &&
                                    state.feof == nullptr;
    return allocated<GluLocale>(status);
}
void glu_lc_close(GluLocale *locale) {
    ++state.locales_closed;
    release(locale);
}

int32_t glu_setMemoryFunctions(GluAllocFn alloc, GluReallocFn resize, GluFreeFn release,
                               GluCallocFn alloc_cleared) {
    kept("setMemoryFunctions", state.alloc, alloc);
    state.realloc = resize;
    state.free = release;
    state.calloc = alloc_cleared;
    return steered(standin::kMemoryResultVariable);
}
void glu_setFgetcFunc(GlStreamFn function) {
    kept("setFgetcFunc", state.fgetc, function);
}
void glu_setFseekFunc(GlFseekFn function) {
    kept("setFseekFunc", state.fseek, function);
}
void glu_setFtellFunc(GlFtellFn function) {
    kept("setFtellFunc", state.ftell, function);
}
void glu_setFerrorFunc(GlStreamFn function) {
    kept("setFerrorFunc", state.ferror, function);
}
void glu_setFeofFunc(GlStreamFn function) {
    kept("setFeofFunc", state.feof, function);
}
void glu_setUCAFunc(GlUCAFn function) {
    kept("setUCAFunc", state.uca, function);
}
void glu_setPrintMessageFunc(GluPrintMessageFn function) {
    kept("setPrintMessageFunc", state.print, function);
}
void glu_setMessageLevel(int32_t level) {
    kept("setMessageLevel", state.message_level, level);
}
void glu_setMessageSubLevel(int32_t level) {
    kept("setMessageSubLevel", state.message_sub_level, level);
}

// The class of a character, asked when the loader probes a locale.
int32_t glu_ismctype(GluLocale *, const unsigned char *, int32_t, uint32_t, GluStatus *) {
    ++state.classified;
    return 0;
}

// The code-set converter.
int32_t glu_useIcuCvtCall(GluMap *, uint16_t target, uint16_t source, int32_t, GluStatus *) {
    ++state.converters_asked;
    state.asked_target = target;
    state.asked_source = source;
    return steered(standin::kCvtUseVariable);
}
GluConverter *glu_cv_open(GluMap *, uint16_t, uint16_t, GluStatus *status) {
    *status = steered(standin::kCvtStatusVariable);
    if (*status > 0) return nullptr;
    ++state.converters_opened;
    return reinterpret_cast<GluConverter *>(&converter);
}
void glu_cv_close(GluConverter *cv) {
    if (cv == reinterpret_cast<GluConverter *>(&converter)) ++state.converters_closed;
}
double glu_iconv_expansion(GluConverter *) {
    return standin::kCvtExpansion;
}
int32_t glu_cv_conv(GluConverter *, int32_t close_flag, const unsigned char **in, size_t *in_left,
                    unsigned char **out, size_t *out_left, int *inexact, GluStatus *status) {
    state.last_close_flag = close_flag;
    state.last_terminated = in_left == nullptr;
    *inexact = 0;
    size_t left =
        in_left != nullptr ? *in_left : std::strlen(reinterpret_cast<const char *>(*in)) + 1;
    for (; left > 0; --left, ++*in, --*out_left) {
        if (*out_left == 0) {
            *status = standin::kCvtNoRoom;
            return -1;
        }
        const unsigned char c = **in;
        if (out != nullptr && *out != nullptr) *(*out)++ = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
        if (in_left != nullptr) --*in_left;
    }
    return 0;
}

}  // extern "C"
