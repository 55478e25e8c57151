// The date and time formats of the process: which of DBDATE, GL_DATE, the
// locale and the built-in default gives the date format, the date-and-time
// format from DBTIME or GL_DATETIME, and the caches start-up builds.
#include <cstring>
#include <initializer_list>

#include "env/env.h"
#include "gls/format/format.h"
#include "gls/load/locale.h"
#include "locale_env/locale_env.h"
#include "msg/msg.h"

namespace velmorad {

namespace {

constexpr const char *kBuiltinDateFormat = "%m/%d/%iY";
constexpr int32_t kBuiltinOrder[kDateComponents] = {kCompMonth, kCompDay, kCompYear};
constexpr const char *kBuiltinDateTimeFormat = "%iY-%m-%d %H:%M:%S";
// A client locale whose time category comes from an American English file
// keeps the product's own date format rather than the locale's.
constexpr const char *kBuiltinLocalePrefix = "en_us";
constexpr const char *kGregorianName = "gregorian";

// The USE_DTENV bits of the general control block.
constexpr unsigned kUseDtenvRead = 1;
constexpr unsigned kUseDtenvOn = 2;

uint32_t bit(int field) {
    return 1u << static_cast<unsigned>(field);
}

// A copy of text in a host block, or null.
char *host_copy(const char *text) {
    const size_t n = std::strlen(text) + 1;
    char *copy = static_cast<char *>(cl_ext_malloc(n));
    if (copy != nullptr) std::memcpy(copy, text, n);
    return copy;
}

// A copy of text in buffer when one is given and the text fits it, else in
// a new host block; null when memory runs out.
char *format_copy(const char *text, char *buffer, bool *owned) {
    if (buffer != nullptr && std::strlen(text) < kDbdateFormatSize) {
        *owned = false;
        return std::strcpy(buffer, text);
    }
    *owned = true;
    return host_copy(text);
}

// The settings record keeps its own copy of the value used. The value may
// be the field's old copy (the look-up answers from it), so the new copy is
// made before the old one goes.
int keep_copy(int field, const char *value) {
    char *copy = host_copy(value);
    if (copy == nullptr) return kDateNoMemory;
    GlsSettings &s = new_gls_env;
    if ((s.alloc_flags & bit(field)) != 0) cl_ext_free(s.strings[field]);
    s.strings[field] = copy;
    s.alloc_flags |= bit(field);
    return 0;
}

void drop_copy(int field) {
    GlsSettings &s = new_gls_env;
    if ((s.alloc_flags & bit(field)) == 0) return;
    cl_ext_free(s.strings[field]);
    s.strings[field] = nullptr;
    s.alloc_flags &= ~bit(field);
}

void set_date_format(char *format, bool owned) {
    GlsSettings &s = new_gls_env;
    if (s.date_format_owned != 0) cl_ext_free(s.date_format);
    s.date_format = format;
    s.date_format_owned = owned ? 1 : 0;
    s.date_format_set = 1;
}

// A format in the library's notation has no component order or era kind.
void set_library_format(char *format, bool owned) {
    GlsSettings &s = new_gls_env;
    set_date_format(format, owned);
    for (int32_t &c : s.component_order)
        c = kCompNone;
    s.era_kind = kEraNone;
    s.compact_origin = 0;
}

void clear_date_settings() {
    GlsSettings &s = new_gls_env;
    if (s.date_format_owned != 0) cl_ext_free(s.date_format);
    s.date_format = nullptr;
    s.date_format_owned = 0;
    s.date_format_set = 0;
    for (int32_t &c : s.component_order)
        c = kCompNone;
    s.era_kind = kEraNone;
    s.compact_origin = 0;
}

int use_builtin_format(char *buffer) {
    bool owned = false;
    char *format = format_copy(kBuiltinDateFormat, buffer, &owned);
    if (format == nullptr) return kDateNoMemory;
    set_date_format(format, owned);
    GlsSettings &s = new_gls_env;
    std::memcpy(s.component_order, kBuiltinOrder, sizeof kBuiltinOrder);
    s.era_kind = kEraNone;
    s.compact_origin = 1;
    return 0;
}

bool time_file_is_builtin(gls::Locale *loc) {
    char name[gls::kLocaleNameSize];
    gls::query_locname(loc, gls::kCatTime, name);
    return std::strncmp(name, kBuiltinLocalePrefix, std::strlen(kBuiltinLocalePrefix)) == 0;
}

}  // namespace

int get_usedtenv() {
    GenControlBlock *block = CheckGenInit();
    if (block == nullptr) return 0;
    if ((block->use_dtenv_bits & kUseDtenvRead) == 0) {
        block->use_dtenv_bits |= kUseDtenvRead;
        const char *value = idx_ggetenv("USE_DTENV", kEnvUSE_DTENV);
        if (value != nullptr && std::strcmp(value, "1") == 0) block->use_dtenv_bits |= kUseDtenvOn;
    }
    return (block->use_dtenv_bits & kUseDtenvOn) != 0 ? 1 : 0;
}

int nogetenv_getglsfmt(const char *dbdate, const char *gldate, char *buffer, int noenv) {
    GlsSettings &s = new_gls_env;
    const char *db = noenv != 0 ? dbdate : idx_ggetenv("DBDATE", kEnvDBDATE);
    if (db != nullptr) {
        if (keep_copy(kStrDBDATE, db) != 0) return kDateNoMemory;
        char *format = nullptr;
        int32_t kind = kEraNone;
        int32_t order[kDateComponents];
        const int status = dbdate_to_gl_date(s.strings[kStrDBDATE], &format, &kind, order, buffer);
        if (status != 0) return status;
        set_date_format(format, buffer == nullptr);
        std::memcpy(s.component_order, order, sizeof order);
        s.era_kind = kind;
        s.compact_origin = 1;
        return 0;
    }
    const char *gl = noenv != 0 ? gldate : idx_ggetenv("GL_DATE", kEnvGL_DATE);
    if (gl != nullptr) {
        if (keep_copy(kStrGL_DATE, gl) != 0) return kDateNoMemory;
        bool owned = false;
        char *format = format_copy(s.strings[kStrGL_DATE], buffer, &owned);
        if (format == nullptr) return kDateNoMemory;
        set_library_format(format, owned);
        return 0;
    }
    gls::Locale *client = gls_env.client_locale;
    if (client == nullptr || time_file_is_builtin(client)) return use_builtin_format(buffer);
    // An empty format is no format: the date would print as nothing.
    const char *own = gls::gl_nl_langinfo(client, gls::kItemDateFormat);
    if (own == nullptr || *own == '\0') return use_builtin_format(buffer);
    bool owned = false;
    char *format = format_copy(own, buffer, &owned);
    if (format == nullptr) return kDateNoMemory;
    set_library_format(format, owned);
    return 0;
}

int getglsfmt() {
    return nogetenv_getglsfmt(nullptr, nullptr, nullptr, 0);
}

int validateglsfmt(char **format, int mode, int fraction) {
    if (format == nullptr) return kTimeNullArgument;
    if (chkglsinit() < 0) return kGlsNotInitialised;
    const char *value = *format;
    if (value == nullptr) value = idx_ggetenv("DBTIME", kEnvDBTIME);
    if (value == nullptr) value = idx_ggetenv("GL_DATETIME", kEnvGL_DATETIME);
    if (value != nullptr) {
        char *fresh = nullptr;
        int32_t kind = kEraNone;
        const int status = dbtime_to_gl_date(value, mode, &fresh, &kind, fraction);
        if (status == 0) {
            cl_ext_free(*format);
            *format = fresh;
        }
        return status;
    }
    cl_ext_free(*format);
    *format = nullptr;
    const char *own = gls::gl_nl_langinfo(gls_env.client_locale, gls::kItemDateTimeFormat);
    *format = host_copy(own != nullptr && *own != '\0' ? own : kBuiltinDateTimeFormat);
    return *format != nullptr ? 0 : kDateNoMemory;
}

int getdatetimefmt(char **format) {
    return validateglsfmt(format, 1, 1);
}

int initdatetime() {
    GlsSettings &s = new_gls_env;
    clear_date_settings();
    if (int status = getglsfmt(); status < 0) return set_glserror(status);
    const char *calendar = gls::gl_nl_langinfo(gls_env.client_locale, gls::kItemCalendar);
    s.gregorian = calendar != nullptr &&
                          std::strncmp(calendar, kGregorianName, std::strlen(kGregorianName)) == 0
                      ? 1
                      : 0;
    (void)cache_month_strings();
    (void)cache_era_strings();
    cache_dtimequals();
    return 0;
}

void free_datetime() {
    GlsSettings &s = new_gls_env;
    clear_date_settings();
    drop_copy(kStrDBDATE);
    drop_copy(kStrGL_DATE);
    for (StringBlock **list : {&s.month_list_a, &s.month_list_b, &s.era_list_a, &s.era_list_b})
        free_locale_string(list);
    free_dtimequals();
}

}  // namespace velmorad
