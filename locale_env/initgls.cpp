// Initialisation of the locale environment for the process: the client and
// database locales, the conversions between them, and the records that the
// rest of the client reads.
#include <cstring>

#include "env/env.h"
#include "gls/chars/chars.h"
#include "gls/conv/conv.h"
#include "gls/ext/ext.h"
#include "gls/load/locale.h"
#include "gls/names/names.h"
#include "gls/util/util.h"
#include "locale_env/locale_env.h"
#include "os_layer/os_layer.h"

namespace velmorad {

namespace {

int glsenv_count = 0;

// What the front end allows the Unicode extension library.
constexpr int32_t kGluCapability = 2;

constexpr GlsSettings initial_settings() {
    GlsSettings s{};
    s.mode = kModeFrontEnd;
    return s;
}

constexpr GlsEnv initial_env(GlsSettings *settings) {
    GlsEnv e{};
    e.reserved1 = 1;
    e.settings = settings;
    return e;
}

uint32_t bit(int field) {
    return 1u << static_cast<unsigned>(field);
}

// The string fields as a start found them, which are what the user gave:
// a start that fails puts them back, so that the next attempt reads the
// same inputs, and releases what it allocated. Copies go through the host
// allocator, where a failing host can reach them.
class StartFields {
  public:
    StartFields() : given_flags_(new_gls_env.alloc_flags) {
        std::memcpy(given_, new_gls_env.strings, sizeof given_);
    }
    ~StartFields() {
        if (kept_) return;
        GlsSettings &s = new_gls_env;
        for (int field = 0; field < kStrCount; ++field) {
            if (made_here(field)) gls::_gl_free_ptr(s.strings[field]);
            s.strings[field] = given_[field];
        }
        s.alloc_flags = given_flags_;
    }
    StartFields(const StartFields &) = delete;
    StartFields &operator=(const StartFields &) = delete;

    // Replaces a field by a copy of text: 0, or -2 with the field as it was.
    [[nodiscard]] int replace(int field, const char *text) {
        const size_t size = std::strlen(text) + 1;
        auto *copy = static_cast<char *>(gls::_gl_alloc_ptr(size));
        if (copy == nullptr) return kGlsCopyNoMemory;
        std::memcpy(copy, text, size);
        GlsSettings &s = new_gls_env;
        if (made_here(field)) gls::_gl_free_ptr(s.strings[field]);
        s.strings[field] = copy;
        s.alloc_flags |= bit(field);
        return 0;
    }
    // Replaces a field unless it already holds text.
    [[nodiscard]] int refresh(int field, const char *text) {
        const char *held = new_gls_env.strings[field];
        if (held != nullptr && std::strcmp(held, text) == 0) return 0;
        return replace(field, text);
    }
    // The start succeeded: values it replaced that an earlier start had
    // allocated are released.
    void keep() {
        for (int field = 0; field < kStrCount; ++field) {
            if (new_gls_env.strings[field] != given_[field] && (given_flags_ & bit(field)) != 0)
                gls::_gl_free_ptr(given_[field]);
        }
        kept_ = true;
    }

  private:
    bool made_here(int field) const {
        const GlsSettings &s = new_gls_env;
        return s.strings[field] != given_[field] && (s.alloc_flags & bit(field)) != 0;
    }
    char *given_[kStrCount];
    uint32_t given_flags_;
    bool kept_ = false;
};

void copy_cut(char *out, const char *text, size_t max) {
    size_t n = strnlen(text, max);
    std::memcpy(out, text, n);
    out[n] = '\0';
}

// The client locale must encode "A" and "B" as consecutive single bytes:
// the product's own texts and keywords are written in them.
bool ascii_letters_follow(gls::Locale *loc) {
    static constexpr unsigned char kLetters[] = "ABCDE";
    const unsigned char *next =
        loc->ctype.single_byte != 0 ? kLetters + 1 : gls::gl_full_mbsnext(loc, kLetters);
    return next != nullptr && *next == 'B';
}

// The client locale from CLIENT_LOCALE, from the LC_ variables, or the
// default; *client_set tells which. *loc receives what loaded even when a
// later step fails, so that the failed start releases it.
int load_client_locale(StartFields &fields, int nls_mode, gls::Locale **loc,
                       int32_t flags[kCategoryCount], bool *client_set) {
    GlsSettings &s = new_gls_env;
    const char *client = s.strings[kStrCLIENT_LOCALE];
    if (client == nullptr) client = idx_ggetenv("CLIENT_LOCALE", kEnvCLIENT_LOCALE);
    *client_set = false;
    if (client != nullptr) {
        char normal[kGenSpecSize] = {};
        togensp(client, normal);
        if (fields.refresh(kStrCLIENT_LOCALE, normal) != 0) {
            return set_glserror(kGlsCopyNoMemory);
        }
        if (get_locale(loc, normal, flags) != 0) return -1;
        // A composite names each category's locale in its own entry.
        if (is_composite_spec(normal)) {
            lccompsp2longsp(normal, s.category_specs);
        } else {
            lcspec2longsp(normal, s.category_specs);
        }
        *client_set = true;
        return 0;
    }
    if (nls_mode != 0) {
        int missing = 0;
        get_nlslocsp(0, &missing);
        if (missing != 0) return set_glserror(kGlsNlsMissing);
        char composite[kSpecBufferSize] = "";
        for (int i = 0; i < kCategoryCount; ++i)
            mk1loccat(nullptr, i, composite, 0, nullptr, 0);
        return get_locale(loc, composite, flags) != 0 ? -1 : 0;
    }
    if (get_locale(loc, kDefaultClientSpec, flags) != 0) return -1;
    char spec[kCategorySpecSize];
    copy_cut(spec, kDefaultClientSpec, kMaxCategorySpec);
    lcspec2longsp(spec, s.category_specs);
    if (fields.replace(kStrCLIENT_LOCALE, kDefaultClientName) != 0) {
        return set_glserror(kGlsCopyNoMemory);
    }
    return 0;
}

// Category specs named by a locale file are kept in generic form.
void record_category_flags(const int32_t flags[kCategoryCount]) {
    GlsSettings &s = new_gls_env;
    for (int i = 0; i < kCategoryCount; ++i) {
        s.category_file_flags[i] = flags[i];
        if (flags[i] != 1) continue;
        char generic[kGenSpecSize];
        togensp(s.category_specs[i], generic);
        copy_cut(s.category_specs[i], generic, kMaxCategorySpec);
    }
}

// The LC_ fields follow the category specs that CLIENT_LOCALE gave.
int publish_nls_fields(StartFields &fields) {
    int status = 0;
    for (int i = kFeCtype; i <= kFeTime; ++i) {
        if (fields.replace(kStrLC_CTYPE + i, new_gls_env.category_specs[i]) != 0) {
            status = kGlsCopyNoMemory;
        }
    }
    return status != 0 ? set_glserror(status) : 0;
}

// What a failed start loaded is released, so that the next attempt, which
// loads everything again, does not leave it unreachable.
void release_failed_start() {
    GlsSettings &s = new_gls_env;
    for (gls::CvDesc **cd : {&s.cv_client_to_db, &s.cv_db_to_client, &s.cv_os_out, &s.cv_os_in}) {
        gls::gl_cv_unload(*cd);
        *cd = nullptr;
    }
    gls::Locale *client = gls_env.client_locale;
    if (s.os_locale != client && s.os_locale != s.db_locale) gls::gl_lc_unload(s.os_locale);
    if (s.db_locale != client) gls::gl_lc_unload(s.db_locale);
    gls::gl_lc_unload(client);
    gls_env.client_locale = s.db_locale = s.os_locale = nullptr;
    free_datetime();
}

}  // namespace

GlsSettings new_gls_env = initial_settings();
GlsEnv gls_env = initial_env(&new_gls_env);
GlsEnv *gls_env_global = nullptr;
int32_t _8bitfsys = 1;

int init_fe() {
    GlsSettings &s = new_gls_env;
    StartFields fields;
    gls::gl_cache_registry(nullptr, nullptr);
    const int nls_mode = DBNLSset();

    gls::Locale *client = nullptr;
    int32_t flags[kCategoryCount] = {};
    bool client_set = false;
    const int loaded = load_client_locale(fields, nls_mode, &client, flags, &client_set);
    gls_env.client_locale = client;
    if (loaded != 0) return loaded;
    if (!ascii_letters_follow(client)) return set_glserror(kGlsNotAscii);
    record_category_flags(flags);
    if (client_set && nls_mode != 0) {
        if (int status = publish_nls_fields(fields); status != 0) return status;
    }

    // The database spec is the value as found; only the field is normalised.
    const char *client_spec = s.category_specs[kFeCtype];
    const char *db_value = s.strings[kStrDB_LOCALE];
    if (db_value == nullptr) db_value = idx_ggetenv("DB_LOCALE", kEnvDB_LOCALE);
    gls::HostPtr<char> db_copy;
    const char *db_spec = client_spec;
    if (db_value != nullptr) {
        db_copy = gls::host_alloc<char>(std::strlen(db_value) + 1);
        if (!db_copy) return set_glserror(kGlsCopyNoMemory);
        std::memcpy(db_copy.get(), db_value, std::strlen(db_value) + 1);
        char normal[kGenSpecSize] = {};
        togensp(db_copy.get(), normal);
        if (fields.refresh(kStrDB_LOCALE, normal) != 0) return set_glserror(kGlsCopyNoMemory);
        db_spec = db_copy.get();
    } else if (client_set && nls_mode == 0) {
        if (fields.replace(kStrDB_LOCALE, client_spec) != 0) {
            return set_glserror(kGlsCopyNoMemory);
        }
    }

    s.os_locale = client;
    s.nls_mode = nls_mode;
    if (initcscdesc(db_spec, client_spec, client_spec, client_spec) != 0) return -1;
    if (s.cv_client_to_db == nullptr) {
        s.db_locale = client;
    } else {
        int32_t db_flags[kCategoryCount];
        gls::Locale *db = nullptr;
        if (get_locale(&db, db_spec, db_flags) != 0) return -1;
        s.db_locale = db;
    }
    if (initdatetime() != 0) return -1;
    fields.keep();
    return 0;
}

int init_be() {
    GlsSettings &s = new_gls_env;
    s.back_end = static_cast<int16_t>(s.back_end | 1);
    if (get_locale(&gls_env.client_locale, kDefaultClientSpec, s.category_file_flags) != 0) {
        return -1;
    }
    char spec[kCategorySpecSize];
    copy_cut(spec, kDefaultClientSpec, kMaxCategorySpec);
    lcspec2longsp(spec, s.category_specs);
    const char *server = idx_ggetenv("SERVER_LOCALE", kEnvSERVER_LOCALE);
    const bool server_unset = server == nullptr;
    if (server_unset) server = kDefaultClientSpec;
    int32_t flags[kCategoryCount];
    if (get_locale(&s.os_locale, server, flags) != 0) return -1;
    if (server_unset) {
        if (int status = ginsenv("SERVER_LOCALE", kDefaultClientSpec, nullptr); status != 0) {
            return set_glserror(status);
        }
    }
    (void)initcscdesc(nullptr, nullptr, server, kDefaultClientSpec);
    return initdatetime() != 0 ? -1 : 0;
}

int initgls(int mode) {
    if (setup_glext_funcs(mode) != 0) return -1;
    GlsSettings &s = new_gls_env;
    // Marked before the first diagnostic: its look-up of GLSLOG builds the
    // variable table, whose control block asks chkglsinit, which must not
    // start a second initialisation that the log would not yet record.
    const int32_t was_initialising = s.initialising;
    s.initialising = 1;
    gls::gl_useglu(kGluCapability);
    if ((s.initialised_modes & mode) != 0) {
        s.initialising = was_initialising;
        return 0;
    }
    int status;
    if (mode == kModeFrontEnd) {
        status = init_fe();
    } else if (mode == kModeBackEnd) {
        status = init_be();
    } else {
        // Left set, the mark would make every later chkglsinit report an
        // initialisation that never happened.
        s.initialising = 0;
        return set_glserror(kGlsBadMode);
    }
    if (status != 0) {
        const int error = getiniterr();
        release_failed_start();
        s.initialising = 0;
        return error;
    }
    s.mode = static_cast<int16_t>(mode);
    (void)set8bitfsys();
    s.initialised_modes = static_cast<int16_t>(s.initialised_modes | mode);
    s.initialising = 0;
    (void)set_glserror(0);
    return 0;
}

int chkglsinit() {
    if (new_gls_env.initialised_modes != 0 || new_gls_env.initialising != 0) return 0;
    return initgls(new_gls_env.mode);
}

int set8bitfsys() {
    const char *value = idx_ggetenv("GLS8BITFSYS", kEnvGLS8BITFSYS);
    if (value == nullptr) return 0;
    if (std::strcmp(value, "1") == 0) _8bitfsys = 1;
    if (std::strcmp(value, "0") == 0) _8bitfsys = 0;
    return 0;
}

GlsEnv *CheckGlsEnv() {
    if (gls_env_global == nullptr) {
        gls_env_global = &gls_env;
        if (glsenv_count == 0) glsenv_count = 1;
    }
    return gls_env_global;
}

}  // namespace velmorad
