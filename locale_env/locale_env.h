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

// A block of cached strings (one allocation): the header, then count
// pointers to strings, then the strings themselves. A list is its newest
// block; blocks are added at the front.
struct StringBlock {
    intptr_t count;
    StringBlock *next;  // the older block, or null
};
inline char **block_strings(StringBlock *block) {
    return reinterpret_cast<char **>(block + 1);
}

// Date components in the component order of the settings record.
enum DateComponent : int32_t { kCompNone = 0, kCompDay = 1, kCompMonth = 2, kCompYear = 3 };
inline constexpr int kDateComponents = 3;
// Era notation kinds.
enum EraNotation : int32_t { kEraNone = 0, kEraJapanese = 1, kEraChinese = 2, kEraLetter = 3 };

// Datetime qualifier units: unit codes and their index in the table.
inline constexpr int kUnitYear = 0;
inline constexpr int kUnitMonth = 2;
inline constexpr int kUnitDay = 4;
inline constexpr int kUnitHour = 6;
inline constexpr int kUnitMinute = 8;
inline constexpr int kUnitSecond = 10;
inline constexpr int kUnitFraction1 = 11;
inline constexpr int kUnitFraction5 = 15;
inline constexpr int kQualifierUnits = 11;

// Error numbers of the date and time settings.
inline constexpr int kDateNoMemory = -1211;
inline constexpr int kDateBadDbdate = -1212;
inline constexpr int kDateNoPlace = -1218;
inline constexpr int kTimeNullArgument = -1272;
inline constexpr int kTimeNoConversion = -1275;
inline constexpr int kTimeUnfinished = -1276;
inline constexpr int kGlsNotInitialised = -23108;

// The longest format a DBDATE value can give, with its terminator: three
// year components with an era notation and two separators.
inline constexpr size_t kDbdateFormatSize = 3 * 10 + 2 + 1;

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
    // Date settings: the format in effect (library notation), whether one
    // was chosen, the component order and era notation of a DBDATE value,
    // and 1 when the format came from DBDATE or the built-in default.
    char *date_format;
    int32_t date_format_set;
    int32_t component_order[kDateComponents];
    int32_t era_kind;
    int32_t compact_origin;
    // Whether date_format is a block of this record's (not a caller's buffer).
    int32_t date_format_owned;
    // Lower-cased month and era names: abbreviated and full month names,
    // era second strings and era names.
    StringBlock *month_list_a;
    StringBlock *month_list_b;
    StringBlock *era_list_a;
    StringBlock *era_list_b;
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
    char *qualifier_formats[kQualifierUnits][kQualifierUnits];
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
int set_glserror(int number);
int get_glserror();
GlsEnv *CheckGlsEnv();

// The locale environment's value of a locale variable, or null.
const char *ggetglsenv(const char *name);

// ---- Date and time settings ----------------------------------------------

// Settles the date format and the caches of the process: 0, or the error
// number (also left by set_glserror).
[[nodiscard]] int initdatetime();
// Releases what initdatetime made: date format, DBDATE and GL_DATE copies,
// month and era lists, qualifier formats. A failed start calls it.
void free_datetime();
int getglsfmt();
// Chooses the date format from dbdate and gldate (noenv set) or from the
// environment; buffer, when given, holds kDbdateFormatSize bytes.
[[nodiscard]] int nogetenv_getglsfmt(const char *dbdate, const char *gldate, char *buffer,
                                     int noenv);
// Translates a DBDATE value into *out: buffer (kDbdateFormatSize bytes), or
// a new block when buffer is null. 0, or -1212 (bad value), -1211, -1218.
[[nodiscard]] int dbdate_to_gl_date(const char *value, char **out, int32_t *kind,
                                    int32_t order[kDateComponents], char *buffer);
// The date-and-time format into *format (a value given there is the one
// translated); 0 or a negative error number.
int getdatetimefmt(char **format);
[[nodiscard]] int validateglsfmt(char **format, int mode, int fraction);
// Translates a DBTIME or GL_DATETIME value into a new block in *out
// (releasing the old one); 0, -1272, -1275, -1276 or -1211.
[[nodiscard]] int dbtime_to_gl_date(const char *value, int mode, char **out, int32_t *kind,
                                    int fraction);
// Non-zero when USE_DTENV is exactly "1"; read once per process.
int get_usedtenv();

// ---- Cached locale strings -----------------------------------------------

// Adds a block with copies of strings at the front of *list; 0, or -1.
[[nodiscard]] int cache_locale_string(StringBlock **list, const char *const *strings, int count);
void free_locale_string(StringBlock **list);
int cache_month_strings();
int cache_era_strings();
// Lower-cases a string of the client locale in place, within room bytes;
// the byte count written, 0 for an empty string, -1 (string unchanged) on
// failure.
int tolower_string(char *s, size_t room);
// Replaces the string in *slot by a lower-cased copy of 4 x length + 1
// bytes; on failure the slot keeps what it had.
void downcase_gls_string(char **slot);

// ---- Datetime qualifier formats ------------------------------------------

void init_dtimequals();
void cache_dtimequals();
// Releases every qualifier format and clears the table.
void free_dtimequals();
// The format of a qualifier cut out of format (null: the date-and-time
// format); a new block, or null.
[[nodiscard]] char *qualtofmt(int qualifier, const char *format);
// Writes format with its composite directives expanded into out (size
// bytes, always terminated when size > 0); returns the length the whole
// expansion needs, without the terminator.
size_t expandformat(const char *format, char *out, size_t size);

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
// The host's allocator, as the locale library reaches it: the client's
// caches and formats live in its blocks.
void *cl_ext_malloc(size_t size);
void cl_ext_free(void *block);

}  // namespace velmorad
