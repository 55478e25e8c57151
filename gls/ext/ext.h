// The optional Unicode extension: a shared library loaded at run time when
// GL_USEGLU asks for it, reached through process-wide pointers to its
// entry points, and handed the host's memory, stream and message services.
//
// Callers test unicode_collate == 1 (and, per locale or descriptor, their
// own extension flag) before calling through a fn_glu_ pointer. Every entry
// point that can fail takes a 16-bit status word, initialised to 0 by the
// caller; a value above 0 afterwards is an error number to store in the
// caller's context, a value below 0 a warning to ignore.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "gls/host/host.h"

namespace gls {

// A UTF-16 code unit, the "uc" of the extension's names ("uc32" is a
// gl_wchar_t holding a Unicode scalar value).
using GluUChar = uint16_t;
// The status word of every call into the extension.
using GluStatus = int16_t;

// Handles the extension hands out; their contents are its own.
struct GluData;       // its Unicode data
struct GluMap;        // its map from the library's names to its own
struct GluLocale;     // one opened locale
struct GluConverter;  // one opened code-set converter

// The host's memory services in the form the extension calls them: the
// leading argument is the extension's own context, which the host ignores.
using GluAllocFn = void *(*)(const void *context, size_t size);
using GluReallocFn = void *(*)(const void *context, void *block, size_t size);
using GluFreeFn = void (*)(const void *context, void *block);
using GluCallocFn = void *(*)(const void *context, size_t count, size_t size);
using GluPrintMessageFn = void (*)(const char *text);

// Signatures of the entry points. Byte strings are unsigned char; a length
// of -1 means "up to the terminator"; a count of results is returned, -1
// on failure, with the reason in the status word.

// Set-up, data and maps.
using GluGetIcuDataFileNameFn = int32_t (*)(char *buf, int32_t size);
using GluUseIcuCvtCallFn = int32_t (*)(GluMap *map, uint16_t target_cs, uint16_t source_cs,
                                       int32_t flags, GluStatus *status);
using GluUseIcuLocCallFn = int32_t (*)(GluMap *map, const char *file_name, int32_t category,
                                       GluStatus *status);
using GluIcuErrorNameFn = const char *(*)(int32_t status);
using GluLoadIcuDataFn = GluData *(*)(const char *directory, const char *file_name,
                                      GluStatus *status);
using GluUnloadIcuDataFn = void (*)(GluData *data);
using GluLoadMapDataFn = GluMap *(*)(const char *directory, GluStatus *status);
using GluUnloadMapDataFn = void (*)(GluMap *map);
using GluAssignGlobalStructFn = void (*)(void *globals);
using GluGetICULocNameFn = int32_t (*)(GluMap *map, const char *file_name, char *buf, int32_t size,
                                       GluStatus *status);
using GluGetICUCvtNameFn = int32_t (*)(GluMap *map, uint16_t cs, char *buf, int32_t size,
                                       GluStatus *status);

// Converters.
using GluCvOpenFn = GluConverter *(*)(GluMap *map, uint16_t target_cs, uint16_t source_cs,
                                      GluStatus *status);
using GluCvCloseFn = void (*)(GluConverter *cv);
// The same in, in_left, out, out_left and inexact as gl_miconv; close_flag
// asks for the output to be returned to its initial shift state at the end.
using GluCvConvFn = int32_t (*)(GluConverter *cv, int32_t close_flag, const unsigned char **in,
                                size_t *in_left, unsigned char **out, size_t *out_left,
                                int *inexact, GluStatus *status);
using GluIconvExpansionFn = double (*)(GluConverter *cv);

// Locales.
using GluLcOpenFn = GluLocale *(*)(GluMap *map, const char *file_name, int32_t category,
                                   GluStatus *status);
using GluLcCloseFn = void (*)(GluLocale *locale);
using GluLcCloneFn = GluLocale *(*)(GluLocale *locale, GluStatus *status);
using GluMbLocLenFn = int32_t (*)(GluLocale *locale, GluStatus *status);
// Bytes needed to case-convert n bytes.
using GluCaseConvOutbuflenFn = int32_t (*)(GluLocale *locale, int32_t n, GluStatus *status);

// One character.
using GluIsmctypeFn = int32_t (*)(GluLocale *locale, const unsigned char *s, int32_t n,
                                  uint32_t mask, GluStatus *status);
using GluIsuc32typeFn = int32_t (*)(gl_wchar_t wc, uint32_t mask, GluStatus *status);
using GluMbtoucFn = int32_t (*)(GluLocale *locale, GluUChar *out, const unsigned char *s, int32_t n,
                                GluStatus *status);
using GluUctombFn = int32_t (*)(GluLocale *locale, unsigned char *s, GluUChar uc,
                                GluStatus *status);
using GluMbtouc32Fn = int32_t (*)(GluLocale *locale, gl_wchar_t *out, const unsigned char *s,
                                  int32_t n, GluStatus *status);
using GluUc32tombFn = int32_t (*)(GluLocale *locale, unsigned char *s, gl_wchar_t wc,
                                  GluStatus *status);
using GluMbCharFn = int32_t (*)(GluLocale *locale, const unsigned char *s, int32_t n,
                                GluStatus *status);
using GluUc32widthFn = int32_t (*)(gl_wchar_t wc, GluStatus *status);
// Writes the other case of the character at s to out; its byte count.
using GluMbCaseFn = int32_t (*)(GluLocale *locale, unsigned char *out, const unsigned char *s,
                                int32_t n, GluStatus *status);
using GluUc32CaseFn = gl_wchar_t (*)(GluLocale *locale, gl_wchar_t wc, GluStatus *status);

// Whole strings: destination first, then the source, its length and the
// room in the destination (the argument order of the primitives).
using GluMbstoucsFn = int32_t (*)(GluLocale *locale, GluUChar *out, const unsigned char *s,
                                  int32_t n, int32_t out_max, GluStatus *status);
using GluUcstombsFn = int32_t (*)(GluLocale *locale, unsigned char *out, const GluUChar *s,
                                  int32_t n, int32_t out_max, GluStatus *status);
using GluMbstoucs32Fn = int32_t (*)(GluLocale *locale, gl_wchar_t *out, const unsigned char *s,
                                    int32_t n, int32_t out_max, GluStatus *status);
using GluUcs32tombsFn = int32_t (*)(GluLocale *locale, unsigned char *out, const gl_wchar_t *s,
                                    int32_t n, int32_t out_max, GluStatus *status);
using GluUcstoucs32Fn = int32_t (*)(gl_wchar_t *out, const GluUChar *s, int32_t n, int32_t out_max,
                                    GluStatus *status);
using GluUcs32toucsFn = int32_t (*)(GluUChar *out, const gl_wchar_t *s, int32_t n, int32_t out_max,
                                    GluStatus *status);
using GluMbsCaseFn = int32_t (*)(GluLocale *locale, unsigned char *out, const unsigned char *s,
                                 int32_t n, int32_t out_max, GluStatus *status);
using GluMbsCaseLenFn = int32_t (*)(GluLocale *locale, const unsigned char *s, int32_t n,
                                    GluStatus *status);
using GluUcs32CaseFn = int32_t (*)(GluLocale *locale, gl_wchar_t *out, const gl_wchar_t *s,
                                   int32_t n, int32_t out_max, GluStatus *status);

// Walking strings.
using GluMbsprevFn = const unsigned char *(*)(GluLocale *locale, const unsigned char *start,
                                              const unsigned char *s, GluStatus *status);
using GluMbsnextFn = const unsigned char *(*)(GluLocale *locale, const unsigned char *s, int32_t n,
                                              GluStatus *status);
// Byte offset of character number index of s.
using GluCharoffsetFn = int32_t (*)(GluLocale *locale, const unsigned char *s, int32_t n,
                                    int32_t index, GluStatus *status);
// Bytes of the first count characters of s, terminator not counted.
using GluMbsntsbytesFn = int32_t (*)(GluLocale *locale, const unsigned char *s, int32_t count,
                                     GluStatus *status);
using GluMbsbytesFn = int32_t (*)(GluLocale *locale, const unsigned char *s, GluStatus *status);
using GluUcs32lenFn = int32_t (*)(const gl_wchar_t *s, GluStatus *status);
using GluUcs32uc32Fn = const gl_wchar_t *(*)(const gl_wchar_t *s, gl_wchar_t wc, GluStatus *status);
// The first occurrence in s of the multibyte character at c.
using GluMbschrFn = const unsigned char *(*)(GluLocale *locale, const unsigned char *s,
                                             const unsigned char *c, GluStatus *status);
// The pointer after the first count characters of s, or to its terminator.
using GluGetmbsiFn = const unsigned char *(*)(GluLocale *locale, const unsigned char *s,
                                              int32_t count, GluStatus *status);
// Copies the first count characters of s and a terminator; bytes copied.
using GluPutmbsiFn = int32_t (*)(GluLocale *locale, unsigned char *out, int32_t out_max,
                                 const unsigned char *s, int32_t count, GluStatus *status);

// Display width of strings (the "p" forms count private-use characters).
using GluMbsWidthFn = int32_t (*)(GluLocale *locale, const unsigned char *s, int32_t n,
                                  GluStatus *status);
using GluUcs32WidthFn = int32_t (*)(const gl_wchar_t *s, int32_t n, GluStatus *status);

// Collation: negative, 0 or positive; keys are written to out.
using GluUcscollFn = int32_t (*)(GluLocale *locale, const GluUChar *a, int32_t a_len,
                                 const GluUChar *b, int32_t b_len, GluStatus *status);
using GluUcsxfrmFn = int32_t (*)(GluLocale *locale, unsigned char *out, int32_t out_max,
                                 const GluUChar *s, int32_t n, GluStatus *status);
using GluUcs32collFn = int32_t (*)(GluLocale *locale, const gl_wchar_t *a, int32_t a_len,
                                   const gl_wchar_t *b, int32_t b_len, GluStatus *status);
using GluUcs32xfrmFn = int32_t (*)(GluLocale *locale, unsigned char *out, int32_t out_max,
                                   const gl_wchar_t *s, int32_t n, GluStatus *status);
using GluMbscollFn = int32_t (*)(GluLocale *locale, const unsigned char *a, int32_t a_len,
                                 const unsigned char *b, int32_t b_len, GluStatus *status);
using GluMbsxfrmFn = int32_t (*)(GluLocale *locale, unsigned char *out, int32_t out_max,
                                 const unsigned char *s, int32_t n, GluStatus *status);
// A key that sorts just below (bound 0) or above (bound 1) every string
// that begins with s, or with the key of one.
using GluMbsCollBoundFn = int32_t (*)(GluLocale *locale, unsigned char *out, int32_t out_max,
                                      const unsigned char *s, int32_t n, int32_t bound,
                                      GluStatus *status);

// Streams: one character through the registered fgetc, or through a getc
// of the caller's choosing (the arguments of gl_getmb).
using GluFgetuc32Fn = int32_t (*)(GluLocale *locale, gl_wchar_t *out, FILE *stream,
                                  GluStatus *status);
using GluGetmbFn = int32_t (*)(GluLocale *locale, unsigned char *buf, GlStreamFn getc_function,
                               FILE *stream, int32_t *nbytes, GluStatus *status);

// Registration of the host's services; 0, or an error number.
using GluSetMemoryFunctionsFn = int32_t (*)(GluAllocFn alloc, GluReallocFn resize,
                                            GluFreeFn release, GluCallocFn alloc_cleared);
using GluSetStreamFuncFn = void (*)(GlStreamFn function);
using GluSetFseekFuncFn = void (*)(GlFseekFn function);
using GluSetFtellFuncFn = void (*)(GlFtellFn function);
using GluSetUCAFuncFn = void (*)(GlUCAFn function);
using GluSetPrintMessageFuncFn = void (*)(GluPrintMessageFn function);
using GluSetLevelFn = void (*)(int32_t level);

struct GluDllRecord;

// The entry points, fn_ and the name, null until resolved.
#define GLU_ENTRY(name, Type) extern Type fn_##name;
#define GLU_ENTRY_AGAIN(name)
#include "gls/ext/ext_entries.def"

// Resolves every entry point from one loaded library, in the extension's
// fixed order; 0, or -1 when any is missing (all are then null again).
[[nodiscard]] int _glu_resolve_entry_points(GluDllRecord *record);
void _glu_clear_entry_points();

// One loaded library. Status is 0, -1 after a loader error or -2 after an
// internal one; the two strings are owned (host memory).
struct GluDllRecord {
    int32_t status;
    char *error_text;
    void *handle;
    char *path;
};

inline constexpr int kGluMaxLibraries = 4;
inline constexpr int kGluDlOpenDefault = -99;  // RTLD_NOW | RTLD_GLOBAL
inline constexpr int32_t kGluDlLoaderError = -1;
inline constexpr int32_t kGluDlInternalError = -2;

// Process-wide state of the extension.
extern int32_t glu_capable;      // 1 or 2 allow loading
extern int32_t glu_loaded;       // 1 once the libraries are in
extern int32_t unicode_collate;  // 1 when the extension is in use
extern GluDllRecord handleglu[kGluMaxLibraries];
extern GluMap *pMap;  // non-null once the extension is fully initialised
extern GluData *glu_data;

// What every caller does with a status word after a call.
inline void glu_store_status(void *context, GluStatus status) {
    if (status > 0) gl_set_error(context, static_cast<uint32_t>(status));
}

// Results of the loader's entry points.
inline constexpr int kGluOk = 0;
inline constexpr int kGluFailed = -1;

// Files under the installation directory, and the extension's data.
inline constexpr const char *kGluUseVariable = "GL_USEGLU";
inline constexpr const char *kGluLibraryDir = "/gls/dll/";
inline constexpr const char *kGluDataSubdir = "etc";
inline constexpr const char *kGluMapFileName = "locmap";
inline constexpr int32_t kGluDataFileNameSize = 32;
// The message levels handed to the extension: everything, detail level 1.
inline constexpr int32_t kGluMessageLevel = 65535;
inline constexpr int32_t kGluMessageSubLevel = 1;

// Records the process's capability (the front end passes 2).
void gl_useglu(int32_t capability);
// Loads the extension when wanted, before every locale and conversion load.
[[nodiscard]] int gl_init_glu(void *context);
// on_init 1 additionally probes a locale with the host's stream services
// cleared; the library itself always passes 0.
[[nodiscard]] int gl_init_glu_internal(void *context, int on_init);
// Loads the listed libraries, resolves the entry points, registers the
// host's services.
[[nodiscard]] int gl_init_glu_dll(void *context);

// Reads the next line of the library list and makes *name the library's
// path under install_dir, reusing the block while *size suffices.
enum GluDlName : int {
    kDlNameEnd = 0,       // no more lines: *name released and null, *size 0
    kDlNameRead = 1,      // *name holds the next path
    kDlNameNoMemory = -1  // as at the end, but the line was not read
};
[[nodiscard]] GluDlName get_dl_name(FILE *stream, const char *install_dir, char **name,
                                    size_t *size);

// The dynamic loader. Each returns 0 or -1 and keeps the reason in the record.
[[nodiscard]] int qrmx_dlopen(GluDllRecord *record, const char *path, int flags);
[[nodiscard]] int qrmx_dlsym(GluDllRecord *record, void **address, const char *name);
// Takes the loader's last message into the record; the C library's errno.
int qrmx_dlerror(GluDllRecord *record);
[[nodiscard]] int qrmx_dlclose(GluDllRecord *record);

}  // namespace gls
