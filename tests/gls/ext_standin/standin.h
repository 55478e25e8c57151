// What the test stand-in for the Unicode extension shows the tests, and the
// environment variables through which a test steers it.
#pragma once

#include <cstdint>
#include <type_traits>

#include "gls/ext/ext.h"

namespace standin {

// The name glu_getIcuDataFileName gives (default kDefaultDataFile). One of
// 32 characters or more is written without a terminator, as a careless
// extension might.
inline constexpr const char *kDataFileVariable = "GLU_STANDIN_DATA_FILE";
inline constexpr const char *kDefaultDataFile = "standin.dat";
// Results to give, as decimal numbers (default 0): glu_getIcuDataFileName,
// glu_setMemoryFunctions, and the status words of glu_loadIcuData and
// glu_loadMapData.
inline constexpr const char *kNameResultVariable = "GLU_STANDIN_NAME_RESULT";
inline constexpr const char *kMemoryResultVariable = "GLU_STANDIN_MEMORY_RESULT";
inline constexpr const char *kDataStatusVariable = "GLU_STANDIN_DATA_STATUS";
inline constexpr const char *kMapStatusVariable = "GLU_STANDIN_MAP_STATUS";

// Statuses of its own: a data file that cannot be read, no memory from
// the host's allocator.
inline constexpr int16_t kNoFile = 2;
inline constexpr int16_t kNoMemory = 7;

inline constexpr int kTextSize = 1024;

// The character and collation entry points record their last call and
// answer as steered: every one sets its status word to kCallStatusVariable
// and returns kCallResultVariable (decimal, default 0); those that return a
// pointer return their string advanced by that many bytes.
inline constexpr const char *kCallStatusVariable = "GLU_STANDIN_CALL_STATUS";
inline constexpr const char *kCallResultVariable = "GLU_STANDIN_CALL_RESULT";

struct Call {
    char name[32];       // the entry point without "glu_"
    const void *locale;  // the handle it was given; null for those that take none
    const void *text;    // its first string or buffer argument
    int32_t length;      // its length, count or character argument
    int32_t room;        // its output room or mask argument
};

struct State {
    // The registration calls in order, each name followed by ",".
    char calls[kTextSize];
    gls::GluAllocFn alloc;
    gls::GluReallocFn realloc;
    gls::GluFreeFn free;
    gls::GluCallocFn calloc;
    gls::GlStreamFn fgetc;
    gls::GlFseekFn fseek;
    gls::GlFtellFn ftell;
    gls::GlStreamFn ferror;
    gls::GlStreamFn feof;
    gls::GlUCAFn uca;
    gls::GluPrintMessageFn print;
    int32_t message_level;
    int32_t message_sub_level;
    // The files the two loads read: directory, "/", name.
    char data_path[kTextSize];
    char map_path[kTextSize];
    // Locales opened and closed, the last name opened, and whether the
    // stream functions were all null when it was opened.
    int locales_opened;
    int locales_closed;
    int classified;
    char locale_name[kTextSize];
    bool streams_cleared_at_open;
    Call last_call;
};

}  // namespace standin

// The stand-in's state, found by the tests through the loader's handle.
extern "C" const standin::State *glu_standin_state();
inline constexpr const char *kStandinStateSymbol = "glu_standin_state";

// Every entry point declared with the type the loader calls it through, so
// that a definition of another signature does not compile.
extern "C" {
#define GLU_ENTRY(name, Type) std::remove_pointer_t<gls::Type> name;
#define GLU_ENTRY_AGAIN(name)
#include "gls/ext/ext_entries.def"
}
