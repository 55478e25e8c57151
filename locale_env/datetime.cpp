// The date and time settings of the process.
#include "locale_env/locale_env.h"

namespace velmorad {

// Stand-in until the date and time formats are settled at start-up: there
// is nothing to derive yet, so it always succeeds.
int initdatetime() {
    return 0;
}

}  // namespace velmorad
