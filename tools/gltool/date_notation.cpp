// The formats a client derives at start-up from DBDATE and DBTIME, through
// the client's own translators, so that a user can see what a value means
// before setting it ("gltool date --dbdate DMY4. de_DE.8859-1").
#include <string>

#include "locale_env/locale_env.h"
#include "msg/msg.h"
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {

namespace {

// The start-up translates date-and-time values with precisions kept and
// fractions in the library's %iF form.
constexpr int kPrecisionMode = 1;
constexpr int kFractionFlag = 1;

std::string refused(const char *variable, const char *value, int status) {
    const char *words = msg_locale_error_text(status);
    return std::string(variable) + " \"" + value + "\": " + std::to_string(status) +
           (words != nullptr ? std::string(" ") + words : "");
}

}  // namespace

bool derived_format(const char *subcommand, const char *dbdate, const char *dbtime,
                    std::string *format) {
    if (dbdate != nullptr) {
        char buffer[kDbdateFormatSize];
        char *out = nullptr;
        int32_t kind = 0;
        int32_t order[kDateComponents];
        const int status = dbdate_to_gl_date(dbdate, &out, &kind, order, buffer);
        if (status != 0) {
            complain(subcommand, refused("DBDATE", dbdate, status));
            return false;
        }
        *format = out;
        return true;
    }
    char *out = nullptr;
    int32_t kind = 0;
    const int status = dbtime_to_gl_date(dbtime, kPrecisionMode, &out, &kind, kFractionFlag);
    if (status != 0) {
        cl_ext_free(out);
        complain(subcommand, refused("DBTIME", dbtime, status));
        return false;
    }
    *format = out;
    cl_ext_free(out);
    return true;
}

}  // namespace velmorad::gltool
