// Answers a look-up of a locale variable from the settings record's string
// fields, which hold the values in effect for the process.
#include <strings.h>

#include "locale_env/locale_env.h"

namespace velmorad {

namespace {

struct NamedField {
    const char *name;
    GlsString field;
};

constexpr NamedField kLocaleVariables[] = {
    {"CLIENT_LOCALE", kStrCLIENT_LOCALE},
    {"DB_LOCALE", kStrDB_LOCALE},
    {"DBNLS", kStrDBNLS},
    {"DBLANG", kStrDBLANG},
    {"LC_CTYPE", kStrLC_CTYPE},
    {"LC_COLLATE", kStrLC_COLLATE},
    {"LC_NUMERIC", kStrLC_NUMERIC},
    {"LC_MONETARY", kStrLC_MONETARY},
    {"DBMONEY", kStrDBMONEY},
    {"LC_TIME", kStrLC_TIME},
    {"DBTIME", kStrDBTIME},
    {"DBDATE", kStrDBDATE},
    {"GL_DATE", kStrGL_DATE},
    {"GL_DATETIME", kStrGL_DATETIME},
};

}  // namespace

const char *ggetglsenv(const char *name) {
    for (const NamedField &v : kLocaleVariables) {
        if (strcasecmp(name, v.name) == 0) return new_gls_env.strings[v.field];
    }
    return nullptr;
}

}  // namespace velmorad
