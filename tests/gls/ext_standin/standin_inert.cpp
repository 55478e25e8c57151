// Every entry point of the extension as a weak symbol that does nothing and
// returns zero, so that the loader resolves the whole list; standin.cpp
// overrides those the tests reach with definitions of their own types.
// Built a second time without glu_mbsCollBound, for the missing entry point.
#ifdef GLU_STANDIN_WITHOUT_COLL_BOUND
#define glu_mbsCollBound glu_mbsCollBound_left_out
#endif

extern "C" {
#define GLU_ENTRY(name, Type)           \
    __attribute__((weak)) long name() { \
        return 0;                       \
    }
#define GLU_ENTRY_AGAIN(name)
#include "gls/ext/ext_entries.def"
}
