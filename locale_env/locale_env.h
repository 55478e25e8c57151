// The locale environment: initgls and the records it fills, read by the
// environment look-up, the message catalogue and the converting strings;
// and the resolution of locale specifications into locale file names.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gls {
struct Locale;
struct CvDesc;
struct GlTimeRecord;
}  // namespace gls

namespace velmorad {

// Product error numbers of the locale environment.
inline constexpr int kGlsBadLocale = -23101;
inline constexpr int kGlsNoMemory = -23102;
inline constexpr int kGlsNoConversion = -23104;
inline constexpr int kGlsNlsMissing = -23109;
inline constexpr int kGlsLoadFailed = -23110;
inline constexpr int kGlsBadMode = -23111;
inline constexpr int kGlsMixedCodeSets = -23115;
inline constexpr int kGlsNotAscii = -34394;
inline constexpr int kGlsCopyNoMemory = -2;

inline constexpr int kCategoryCount = 6;
inline constexpr int kCategorySpecSize = 37;  // 36 characters and the terminator
inline constexpr size_t kMaxCategorySpec = 36;
inline constexpr size_t kMaxLocaleSpec = 285;  // what get_locale accepts
inline constexpr size_t kGenSpecSize = 285;    // togensp's output
// Composite specifications and loader texts are built here; the longest
// the front end can make (six entries of "os/" and 36 characters) is about
// 340 characters, and every append is bounded.
inline constexpr size_t kSpecBufferSize = 512;
// extrspec's output: 36 characters, or 39 in the wide form.
inline constexpr size_t kExtrSpecSize = 37;
inline constexpr size_t kExtrSpecWideSize = 40;

inline constexpr const char *kDefaultClientSpec = "en_US.819";
inline constexpr const char *kDefaultClientName = "en_US.8859-1";
// The first character of a category spec whose variable had no value.
inline constexpr char kMissingMark = '0';

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

// Front-end category numbers: the order of the category specs and flags.
enum FeCategory : int {
    kFeCtype = 0,
    kFeCollate,
    kFeNumeric,
    kFeMonetary,
    kFeTime,
    kFeMessages,
};

// The front end's table of categories: the name in a composite
// specification and the operating-system variable (none for messages).
struct CategoryName {
    const char *name;
    const char *os_variable;
};
extern const CategoryName cat_names[kCategoryCount];

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
// Whether file names may hold 8-bit characters (GLS8BITFSYS).
extern int32_t _8bitfsys;

// ---- Initialisation ------------------------------------------------------

// 0, -1 when the host services cannot be installed, else a product error.
[[nodiscard]] int initgls(int mode);
int chkglsinit();
[[nodiscard]] int init_fe();
[[nodiscard]] int init_be();
// Loads the locale that spec names into *out: 0, or non-zero with the
// cause left by set_glserror. flags receives, per category, 1 when the
// category came from the file its specification names, 0 when from its
// operating-system name.
[[nodiscard]] int get_locale(gls::Locale **out, const char *spec, int32_t flags[kCategoryCount]);
// The conversions between the database and client code sets, and between
// the third and fourth specifications' code sets: 0, or an error number.
[[nodiscard]] int initcscdesc(const char *db, const char *client, const char *third,
                              const char *fourth);
// A descriptor from source's code set to target's into *out: positive when
// stored, 0 when none is needed, negative (with *out the failed descriptor,
// to be read and released by the caller) on failure.
[[nodiscard]] int get_csc_desc(gls::CvDesc **out, const char *target, const char *source);
int getiniterr();
int set8bitfsys();
// The date and time settings of the process.
[[nodiscard]] int initdatetime();
int set_glserror(int number);
int get_glserror();
GlsEnv *CheckGlsEnv();

// The locale environment's value of a locale variable, or null.
const char *ggetglsenv(const char *name);

// ---- Locale specification resolution -----------------------------------

// The loader's text for spec into names (kSpecBufferSize bytes) with the
// category flags; *os_names is 0 on the first attempt and becomes 1 once a
// category is named by its operating-system name.
void spec2fname(const char *spec, char *names, int32_t flags[kCategoryCount], int *os_names);
// Appends "<category name> = <spec> ; " to buffer (kSpecBufferSize bytes;
// category 0 starts it afresh). A null name appends the category spec,
// rebuilt first with code_set when refresh is set; store copies a given
// name into the category spec.
void mk1loccat(const char *name, int category, char *buffer, int refresh, const char *code_set,
               int store);
// One category's value out of a composite: 0, or -1 (out empty) when the
// category is absent. out holds kExtrSpecSize bytes, kExtrSpecWideSize
// when wide.
int extrspec(const char *composite, const char *category, char *out, int wide);
// out = "os/" + name, cut to kSpecBufferSize bytes; returns out.
char *prependos(const char *name, char *out);
// The pieces of a simple specification (sizes as gls's file-name pieces):
// 0, or -1.
int spec2pieces(const char *spec, char *lang_terr, char *cs_number, char *modifier);
// The generic specification ("en_US.819") into out (kGenSpecSize bytes),
// or spec cut to 36 characters when it names no locale file. A composite
// is normalised entry by entry ("GL_CTYPE = en_US.819 ; ..."), its
// operating-system names kept as written.
void togensp(const char *spec, char *out);
// Whether spec begins with a category name, as a composite does.
bool is_composite_spec(const char *spec);
// Each category spec from the composite's entry for it (empty when it has
// none), cut to 36 characters.
void lccompsp2longsp(const char *composite, char category_specs[kCategoryCount][kCategorySpecSize]);
// A locale file name back to a specification (out: kGenSpecSize bytes);
// *flag 1 when it split into pieces.
void chglcfile2sp(const char *fname, char *out, int *flag);
// Cuts spec to 36 characters in place and copies it into every category.
void lcspec2longsp(char *spec, char category_specs[kCategoryCount][kCategorySpecSize]);
// The category specs from the LC_ variables; messages follow CTYPE.
void get_nlslocsp(int marking, int *missing);
void get_nlscat(const char *name, int category, int marking, int *missing, const char *field);

// ---- Host services -------------------------------------------------------

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
