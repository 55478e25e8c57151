// What the test stand-in for the Unicode extension shows the tests, and the
// environment variables through which a test steers it.
#pragma once

#include <cstdint>

#include "gls/ext/ext.h"

namespace standin {

// The data file name to give (default "standin.dat"); from 32 characters
// on, without a terminator, as a careless extension might.
inline constexpr const char *kDataFileVariable = "GLU_STANDIN_DATA_FILE";
// Results to give (default 0): of glu_getIcuDataFileName and
// glu_setMemoryFunctions, the statuses of glu_loadIcuData and glu_loadMapData.
inline constexpr const char *kNameResultVariable = "GLU_STANDIN_NAME_RESULT";
inline constexpr const char *kMemoryResultVariable = "GLU_STANDIN_MEMORY_RESULT";
inline constexpr const char *kDataStatusVariable = "GLU_STANDIN_DATA_STATUS";
inline constexpr const char *kMapStatusVariable = "GLU_STANDIN_MAP_STATUS";
// Its status when the host's allocator gives no memory.
inline constexpr int16_t kNoMemory = 7;

// glu_useIcuCvtCall's result (0: pair not taken), glu_cv_open's status (above
// 0: nothing opened). The converter upper-cases ASCII letters while there is room.
inline constexpr const char *kCvtUseVariable = "GLU_STANDIN_CVT_USE";
inline constexpr const char *kCvtStatusVariable = "GLU_STANDIN_CVT_STATUS";
inline constexpr double kCvtExpansion = 2.5;
inline constexpr int16_t kCvtNoRoom = 14;

inline constexpr int kTextSize = 1024;

struct State {
    char calls[kTextSize];  // the registration calls in order, each name followed by ","
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
    char data_path[kTextSize];  // the files the two loads read: directory, "/", name
    char map_path[kTextSize];
    // Locales opened and closed, the last name opened, and whether the
    // stream functions were all null when it was opened.
    int locales_opened;
    int locales_closed;
    int classified;
    char locale_name[kTextSize];
    bool streams_cleared_at_open;
    // The converter: the pairs asked about, the last of them, converters
    // opened and closed, the last conversion's close flag and whether it
    // had no input count.
    int converters_asked;
    uint16_t asked_target;
    uint16_t asked_source;
    int converters_opened;
    int converters_closed;
    int32_t last_close_flag;
    bool last_terminated;
};

}  // namespace standin

// The stand-in's state, found by the tests through the loader's handle.
extern "C" const standin::State *glu_standin_state();
inline constexpr const char *kStandinStateSymbol = "glu_standin_state";
