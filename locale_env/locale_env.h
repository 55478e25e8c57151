// The locale environment: initgls and the records it fills, read by the
// environment look-up, the message catalogue and the converting strings.
#pragma once

#include <cstdint>

namespace gls {
struct Locale;
struct CvDesc;
struct GlTimeRecord;
}  // namespace gls

namespace velmorad {

// Product error numbers of the locale environment.
inline constexpr int kGlsBadMode = -23111;

inline constexpr int kCategoryCount = 6;
inline constexpr int kCategorySpecSize = 37;

// String fields of the settings record, by bit number.
enum GlsString : int {
    kStrCLIENT_LOCALE = 0,
    kStrDB_LOCALE,
    kStrDBNLS,
    kStrDBLANG,
    kStrUnnamed,
    kStrLC_CTYPE,
    kStrLC_COLLATE,
    kStrLC_NUMERIC,
    kStrLC_MONETARY,
    kStrLC_TIME,
    kStrDBTIME,
    kStrDBMONEY,
    kStrDBDATE,
    kStrGL_DATE,
    kStrGL_DATETIME,
    kStrCount
};

// Initialised-modes bits.
inline constexpr int16_t kModeFrontEnd = 1;
inline constexpr int16_t kModeBackEnd = 2;

// The locale settings record, new_gls_env.
struct GlsSettings {
    int16_t mode;
    gls::Locale *os_locale;
    gls::Locale *db_locale;
    gls::CvDesc *cv_client_to_db;
    gls::CvDesc *cv_db_to_client;
    gls::CvDesc *cv_os_out;
    gls::CvDesc *cv_os_in;
    int16_t initialised_modes;
    int32_t initialising;
    // The date settings and the month and era caches take their place here
    // once start-up settles the date formats.
    int32_t gregorian;
    int32_t nls_mode;
    int16_t back_end;
    char category_specs[kCategoryCount][kCategorySpecSize];
    int32_t category_file_flags[kCategoryCount];
    uint32_t alloc_flags;
    char *strings[kStrCount];
};

// The locale environment record, gls_env.
struct GlsEnv {
    gls::Locale *client_locale;
    int64_t reserved1;
    int64_t reserved2;
    GlsSettings *settings;
    char *qualifier_formats[11][11];
};

extern GlsSettings new_gls_env;
extern GlsEnv gls_env;
extern GlsEnv *gls_env_global;

[[nodiscard]] int initgls(int mode);
int chkglsinit();
int set_glserror(int number);
int get_glserror();
GlsEnv *CheckGlsEnv();

// The locale environment's value of a locale variable, or null.
const char *ggetglsenv(const char *name);

// The client's services for the locale library's host callback table.
// setup_glext_funcs installs them for mode 1 and refuses any other (-1).
[[nodiscard]] int setup_glext_funcs(int mode);
const char *cl_ext_getenv(const char *name);
uint32_t *cl_ext_errno(void *context);
// "name=value" with a name of at most 79 characters; -1 otherwise.
int cl_ext_putenv(char *text);
int cl_ext_currdate(int16_t *month, int16_t *day, int16_t *year);
int cl_ext_currtime(gls::GlTimeRecord *out);

}  // namespace velmorad
