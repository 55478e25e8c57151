// The stand-in extension's code-set converter: which pairs it takes and
// what its opening reports are steered by environment variables, and its
// calls are counted for the tests.
#pragma once

#include <cstdint>

namespace standin {

// Result of glu_useIcuCvtCall (decimal, default 0: the pair is not taken)
// and the status word glu_cv_open leaves (default 0; above 0 it opens
// nothing).
inline constexpr const char *kCvtUseVariable = "GLU_STANDIN_CVT_USE";
inline constexpr const char *kCvtStatusVariable = "GLU_STANDIN_CVT_STATUS";

// The converter copies its input upper-casing ASCII letters, as far as the
// output has room; when it runs out it reports kCvtNoRoom.
inline constexpr double kCvtExpansion = 2.5;
inline constexpr int16_t kCvtNoRoom = 14;

struct CvCalls {
    int asked;  // glu_useIcuCvtCall
    uint16_t asked_target;
    uint16_t asked_source;
    int32_t asked_flags;
    int opened;
    int closed;
    int converted;
    int32_t last_close_flag;
    bool last_terminated;  // the last conversion had no input count
};

}  // namespace standin

extern "C" const standin::CvCalls *glu_standin_cv_calls();
inline constexpr const char *kStandinCvCallsSymbol = "glu_standin_cv_calls";
