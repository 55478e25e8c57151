// Environment variables: the table of known variables, look-up through the
// process environment, the locale environment and the configuration files,
// the configuration-file line reader and the insertion of a value.
#pragma once

#include <cstdint>

#include "os_layer/status.h"

namespace velmorad {

// One row of the constant default table.
struct DefaultVal {
    const char *name;
    const char *value;  // null: no default
    int32_t max_len;    // 0: no limit
};

// One entry of the working table.
struct EnvVar {
    char *name;
    char *value;  // owned heap string, EnvEmptyVal, or null
    int32_t index;
    int32_t max_len;
};

inline constexpr int Num_DVals = 342;
extern const DefaultVal Inf_DVals[Num_DVals + 1];
extern EnvVar *Inf_EVars;
extern int Num_EVars;
extern char *const EnvEmptyVal;

// Fixed positions of the variables that callers name by index.
enum EnvIndex : int {
    kEnvByName = -1,
    kEnvBLANK_STRINGS_NOT_NULL = 20,
    kEnvCLIENT_LOCALE = 66,
    kEnvDBCENTURY = 85,
    kEnvDBDATE = 91,
    kEnvDBLANG = 98,
    kEnvDBMONEY = 101,
    kEnvDBNLS = 102,
    kEnvDBTIME = 112,
    kEnvDBTODAY = 113,
    kEnvDB_LOCALE = 116,
    kEnvDHL_RDEFMTDATE = 123,
    kEnvENVIGNORE = 133,
    kEnvGLS8BITFSYS = 140,
    kEnvGL_DATE = 144,
    kEnvGL_DATETIME = 145,
    kEnvQMX_FREE_FD = 168,
    kEnvQMX_NOT_STRICT_THOUS_SEP = 178,
    kEnvQMX_NOZEROMDY = 179,
    kEnvQMX_PAD_VARCHAR = 186,
    kEnvQMX_USE_PREC_16 = 194,
    kEnvVELMORADDIR = 210,
    kEnvVELMORADSERVER = 217,
    kEnvLANG = 236,
    kEnvLC_COLLATE = 239,
    kEnvLC_CTYPE = 240,
    kEnvSERVER_LOCALE = 296,
    kEnvSQLIDEBUG = 307,
    kEnvUSE_DTENV = 335,
};

inline constexpr const char *kDefaultInstallDir = "/usr/velmorad";
inline constexpr const char *kSystemConfigName = "etc/velmorad.rc";
inline constexpr const char *kUserConfigName = ".velmorad";
inline constexpr const char *kDefaultLocaleSpec = "en_US.819";

// Working table.
int lddefenv();
EnvVar *search_evar(const char *name, EnvVar *table, int count);
EnvVar *search_evar_enum(int index, const char *name, EnvVar *table, int count);
const char *idx_getdefault(const char *name, int index);

// Look-up.
const char *ggetenv(const char *name);
const char *getsesenv(const char *name);
const char *idx_ggetenv(const char *name, int index);
const char *idx_getenv(const char *name, int index);
int init_getenv();

// Configuration files.
struct NameList {
    int count;
    int capacity;
    char **names;
};
NameList *_ginitnamelist();
int _gaddnamelist(NameList *list, const char *name);
int _gsrchnamelist(const NameList *list, const char *name);
void _gfreenamelist(NameList *list);

// Locale flags filled while the configuration files are read.
inline constexpr int kFlagDBNLS = 1;
inline constexpr int kFlagLANG = 2;
inline constexpr int kFlagLC_COLLATE = 4;
inline constexpr int kFlagLC_CTYPE = 8;
inline constexpr int kFlagLC_MONETARY = 16;
inline constexpr int kFlagLC_NUMERIC = 32;
inline constexpr int kFlagLC_TIME = 64;

[[nodiscard]] int greadenv();
[[nodiscard]] int ldcffile(const char *path, const NameList *ignore, int *lineno, int *flags);
[[nodiscard]] int ignoreenv(NameList *list);
const char *gnlsevar(const char *name, int *present_but_empty);
const char *glangevar(int flags);
[[nodiscard]] int gnlsenv(int flags, int bit, const char *name, const char *lang);
[[nodiscard]] int gfeputenv(const char *name, const char *value);
[[nodiscard]] int gputenv(const char *name, const char *value);

// Line reader results. A read that fails is told from the end of the file,
// so that a file that opens but cannot be read never passes for an empty one.
inline constexpr int kLineRead = 0;
inline constexpr int kLineEnd = -1;
inline constexpr int kLineNoMemory = -2;
inline constexpr int kLineReadError = -3;

[[nodiscard]] int _ggetcfline(int fd, char **buf, int *size, int *lineno);
[[nodiscard]] int ginsenv(const char *name, const char *value, EnvVar *entry);

// Splits a setting line in place at its first space-class byte.
void split_setting(char *line, char **name, char **value);

}  // namespace velmorad
