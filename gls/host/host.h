// The host callback table: the replaceable services through which the locale
// library reaches memory, streams, the environment, its error cells and the
// clock. A host installs its own; an empty slot falls back to the C library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <tuple>
#include <type_traits>

#include "gls/errors/errors.h"

namespace gls {

// A wide character: the bytes of one multibyte character, first byte most
// significant.
using gl_wchar_t = uint32_t;

// The slots of the table.
enum ExtSlot : int {
    kExtGetenv = 0,
    kExtErrno = 1,
    kExtFclose = 2,
    kExtFeof = 3,
    kExtFerror = 4,
    kExtFgetc = 5,
    kExtFgets = 6,
    kExtFopen = 7,
    kExtFree = 8,
    kExtFseek = 9,
    kExtFtell = 10,
    kExtFwrite = 11,
    kExtGetc = 12,
    kExtMalloc = 13,
    kExtUngetc = 14,
    kExtPutenv = 15,
    kExtCurrdate = 16,
    kExtCurrtime = 17,
    kExtCalloc = 18,
    kExtRealloc = 19,
    kExtUCA = 20,
};
inline constexpr int kExtSlotCount = 21;

// The current local time as the clock service hands it over; the field
// order is fixed because hosts fill it from their own records.
struct GlTimeRecord {
    int64_t reserved;  // always 0
    int32_t sec;
    int32_t min;
    int32_t hour;
    int32_t mday;
    int32_t mon;   // 0 to 11
    int32_t year;  // years since 1900
    int32_t wday;
    int32_t yday;
    int32_t isdst;
    int64_t gmtoff;    // always 0
    const char *zone;  // always null
};
static_assert(std::is_standard_layout_v<GlTimeRecord>);
static_assert(offsetof(GlTimeRecord, sec) == 8 && offsetof(GlTimeRecord, isdst) == 40);

// Signatures of the services, one per slot.
using GlGetenvFn = const char *(*)(const char *name);
using GlErrnoFn = uint32_t *(*)(void *context);
using GlStreamFn = int (*)(FILE *stream);
using GlFgetsFn = char *(*)(char *buf, int size, FILE *stream);
using GlFopenFn = FILE *(*)(const char *path, const char *mode);
using GlFreeFn = void (*)(void *block);
using GlFseekFn = int (*)(FILE *stream, long offset, int origin);
using GlFtellFn = long (*)(FILE *stream);
using GlFwriteFn = size_t (*)(const void *buf, size_t size, size_t count, FILE *stream);
using GlMallocFn = void *(*)(size_t size);
using GlUngetcFn = int (*)(int c, FILE *stream);
using GlPutenvFn = int (*)(char *text);
using GlCurrdateFn = int (*)(int16_t *month, int16_t *day, int16_t *year);
using GlCurrtimeFn = int (*)(GlTimeRecord *out);
using GlCallocFn = void *(*)(size_t count, size_t size);
using GlReallocFn = void *(*)(void *block, size_t size);
using GlUCAFn = int (*)();

// Slot number to signature, in slot order.
using ExtSignatures = std::tuple<GlGetenvFn, GlErrnoFn, GlStreamFn, GlStreamFn, GlStreamFn,
                                 GlStreamFn, GlFgetsFn, GlFopenFn, GlFreeFn, GlFseekFn, GlFtellFn,
                                 GlFwriteFn, GlStreamFn, GlMallocFn, GlUngetcFn, GlPutenvFn,
                                 GlCurrdateFn, GlCurrtimeFn, GlCallocFn, GlReallocFn, GlUCAFn>;
static_assert(std::tuple_size_v<ExtSignatures> == kExtSlotCount);
template <int Slot>
using ExtSignature = std::tuple_element_t<Slot, ExtSignatures>;

// A slot holds any of the signatures above as this type.
using GlExtFunc = void (*)();

// The table, its "a host has installed something" flag, and the error cell
// that the client's error service hands out for a null context.
extern GlExtFunc funcptr_arr[kExtSlotCount];
extern int32_t _gl_ext_func;
extern uint32_t temperr;

// Installs a service. A slot outside 0 to 20 stores GL_EBADITEM through the
// context's error cell and gives -1; a null function restores the default.
[[nodiscard]] int gl_setextfunc(void *context, int slot, GlExtFunc function);
void _gl_set_ext_funcptr(int slot, GlExtFunc function);
GlExtFunc _gl_get_ext_funcptr(int slot);
void _gl_reset_ext_func();

// Installs a service with its signature checked at compile time.
template <int Slot>
[[nodiscard]] int gl_setextfunc_typed(void *context, ExtSignature<Slot> function) {
    return gl_setextfunc(context, Slot, reinterpret_cast<GlExtFunc>(function));
}

// The installed service of a slot, or null when the default applies.
template <int Slot>
inline ExtSignature<Slot> ext_service() {
    if (_gl_ext_func == 0) return nullptr;
    return reinterpret_cast<ExtSignature<Slot>>(funcptr_arr[Slot]);
}

// The C-library defaults.
const char *gl_ext_getenv(const char *name);
uint32_t *gl_ext_errno(void *context);
int gl_ext_fclose(FILE *stream);
int gl_ext_feof(FILE *stream);
int gl_ext_ferror(FILE *stream);
int gl_ext_fgetc(FILE *stream);
char *gl_ext_fgets(char *buf, int size, FILE *stream);
FILE *gl_ext_fopen(const char *path, const char *mode);
void gl_ext_free(void *block);
int gl_ext_fseek(FILE *stream, long offset, int origin);
long gl_ext_ftell(FILE *stream);
size_t gl_ext_fwrite(const void *buf, size_t size, size_t count, FILE *stream);
int gl_ext_getc(FILE *stream);
void *gl_ext_malloc(size_t size);
int gl_ext_ungetc(int c, FILE *stream);
int gl_ext_putenv(char *text);
int gl_ext_currdate(int16_t *month, int16_t *day, int16_t *year);
int gl_ext_currtime(GlTimeRecord *out);
void *gl_ext_calloc(size_t count, size_t size);
void *gl_ext_realloc(void *block, size_t size);

// The wrappers the whole library calls. They sit on byte-reading loops, so
// they stay inline: one flag test, one slot test, one call.
inline const char *_gl_ext_getenv(const char *name) {
    auto f = ext_service<kExtGetenv>();
    return f != nullptr ? f(name) : gl_ext_getenv(name);
}
// The address of the context's error number; null when there is none.
inline uint32_t *_gl_ext_errno(void *context) {
    auto f = ext_service<kExtErrno>();
    return f != nullptr ? f(context) : gl_ext_errno(context);
}
inline int _gl_ext_fclose(FILE *stream) {
    auto f = ext_service<kExtFclose>();
    return f != nullptr ? f(stream) : gl_ext_fclose(stream);
}
inline int _gl_ext_feof(FILE *stream) {
    auto f = ext_service<kExtFeof>();
    return f != nullptr ? f(stream) : gl_ext_feof(stream);
}
inline int _gl_ext_ferror(FILE *stream) {
    auto f = ext_service<kExtFerror>();
    return f != nullptr ? f(stream) : gl_ext_ferror(stream);
}
// The byte readers sit under every data-file reader: when the host's
// service is the C library's own, the byte is taken without the call and
// the stream lock (the library is used from one thread).
inline int _gl_ext_fgetc(FILE *stream) {
    auto f = ext_service<kExtFgetc>();
    if (f == nullptr || f == gl_ext_fgetc) return getc_unlocked(stream);
    return f(stream);
}
inline char *_gl_ext_fgets(char *buf, int size, FILE *stream) {
    auto f = ext_service<kExtFgets>();
    if (f == nullptr || f == gl_ext_fgets) return fgets_unlocked(buf, size, stream);
    return f(buf, size, stream);
}
inline FILE *_gl_ext_fopen(const char *path, const char *mode) {
    auto f = ext_service<kExtFopen>();
    return f != nullptr ? f(path, mode) : gl_ext_fopen(path, mode);
}
inline void _gl_ext_free(void *block) {
    auto f = ext_service<kExtFree>();
    if (f != nullptr) {
        f(block);
    } else {
        gl_ext_free(block);
    }
}
inline int _gl_ext_fseek(FILE *stream, long offset, int origin) {
    auto f = ext_service<kExtFseek>();
    return f != nullptr ? f(stream, offset, origin) : gl_ext_fseek(stream, offset, origin);
}
inline long _gl_ext_ftell(FILE *stream) {
    auto f = ext_service<kExtFtell>();
    return f != nullptr ? f(stream) : gl_ext_ftell(stream);
}
inline size_t _gl_ext_fwrite(const void *buf, size_t size, size_t count, FILE *stream) {
    auto f = ext_service<kExtFwrite>();
    return f != nullptr ? f(buf, size, count, stream) : gl_ext_fwrite(buf, size, count, stream);
}
// Whether _gl_ext_getc takes its bytes straight from the C library, for
// readers that decide that once for a whole field.
inline bool _gl_ext_getc_is_direct() {
    auto f = ext_service<kExtGetc>();
    return f == nullptr || f == gl_ext_getc;
}
inline int _gl_ext_getc(FILE *stream) {
    if (_gl_ext_getc_is_direct()) return getc_unlocked(stream);
    return ext_service<kExtGetc>()(stream);
}
inline void *_gl_ext_malloc(size_t size) {
    auto f = ext_service<kExtMalloc>();
    return f != nullptr ? f(size) : gl_ext_malloc(size);
}
inline int _gl_ext_ungetc(int c, FILE *stream) {
    auto f = ext_service<kExtUngetc>();
    if (f == nullptr || f == gl_ext_ungetc) return ungetc(c, stream);
    return f(c, stream);
}
inline int _gl_ext_putenv(char *text) {
    auto f = ext_service<kExtPutenv>();
    return f != nullptr ? f(text) : gl_ext_putenv(text);
}
inline int _gl_ext_currdate(int16_t *month, int16_t *day, int16_t *year) {
    auto f = ext_service<kExtCurrdate>();
    return f != nullptr ? f(month, day, year) : gl_ext_currdate(month, day, year);
}
inline int _gl_ext_currtime(GlTimeRecord *out) {
    auto f = ext_service<kExtCurrtime>();
    return f != nullptr ? f(out) : gl_ext_currtime(out);
}
inline void *_gl_ext_calloc(size_t count, size_t size) {
    auto f = ext_service<kExtCalloc>();
    return f != nullptr ? f(count, size) : gl_ext_calloc(count, size);
}
inline void *_gl_ext_realloc(void *block, size_t size) {
    auto f = ext_service<kExtRealloc>();
    return f != nullptr ? f(block, size) : gl_ext_realloc(block, size);
}
// The collation hook has no default: without a host it reports -1.
inline int _gl_ext_UCA() {
    auto f = ext_service<kExtUCA>();
    return f != nullptr ? f() : -1;
}

// Stores an error number in the context's cell, when it has one.
inline void gl_set_error(void *context, uint32_t number) {
    if (uint32_t *cell = _gl_ext_errno(context)) *cell = number;
}

}  // namespace gls
