// Reading the system-wide and the user's configuration files into the
// working table, honouring ENVIGNORE, and settling the locale categories
// when the DBNLS mode is on.
#include <fcntl.h>

#include <cstdlib>
#include <cstring>

#include "env/env.h"
#include "os_layer/os_layer.h"

namespace velmorad {

namespace {

constexpr int kConfigLineBuffer = 128;

struct LocaleVariable {
    const char *name;
    int bit;
};

constexpr LocaleVariable kLocaleVariables[] = {
    {"DBNLS", kFlagDBNLS},
    {"LANG", kFlagLANG},
    {"LC_COLLATE", kFlagLC_COLLATE},
    {"LC_CTYPE", kFlagLC_CTYPE},
    {"LC_MONETARY", kFlagLC_MONETARY},
    {"LC_NUMERIC", kFlagLC_NUMERIC},
    {"LC_TIME", kFlagLC_TIME},
};

// The categories settled in DBNLS mode, in the order they are settled.
constexpr LocaleVariable kCategories[] = {
    {"LC_COLLATE", kFlagLC_COLLATE}, {"LC_CTYPE", kFlagLC_CTYPE}, {"LC_MONETARY", kFlagLC_MONETARY},
    {"LC_NUMERIC", kFlagLC_NUMERIC}, {"LC_TIME", kFlagLC_TIME},
};

int locale_flag(const char *name) {
    for (const LocaleVariable &v : kLocaleVariables) {
        if (std::strcmp(name, v.name) == 0) return v.bit;
    }
    return 0;
}

bool is_nls_mode(const char *value) {
    return value != nullptr && (std::strcmp(value, "1") == 0 || std::strcmp(value, "2") == 0);
}

bool non_empty(const char *s) {
    return s != nullptr && *s != '\0';
}

int read_settings(int fd, const NameList *ignore, int *lineno, int *flags) {
    int size = kConfigLineBuffer;
    auto *buf = static_cast<char *>(std::malloc(static_cast<size_t>(size)));
    if (buf == nullptr) return kStatusNoMemory;
    int last = kStatusOk;
    int status = kStatusOk;
    while (status == kStatusOk && _ggetcfline(fd, &buf, &size, lineno) == kLineRead) {
        char *name;
        char *value;
        split_setting(buf, &name, &value);
        if (_gsrchnamelist(ignore, name) >= 0) continue;
        int bit = locale_flag(name);
        if (bit != 0 && *value == '\0') continue;
        last = ginsenv(name, value, nullptr);
        if (last == kStatusUnknownVariable) continue;
        if (last != kStatusOk) {
            status = last;
        } else if (bit != kFlagDBNLS || is_nls_mode(value)) {
            *flags |= bit;
        }
    }
    std::free(buf);
    if (status != kStatusOk) return status;
    return last == kStatusUnknownVariable ? kStatusTooLong : kStatusOk;
}

int load_system_file(const NameList *ignore, int *lineno, int *flags) {
    const char *dir = std::getenv("VELMORADDIR");
    char *path = gbldpath(dir != nullptr ? dir : kDefaultInstallDir, kSystemConfigName, nullptr);
    if (path == nullptr) return kStatusNoMemory;
    int status = ldcffile(path, ignore, lineno, flags);
    std::free(path);
    return status;
}

int load_user_file(const char *home, const NameList *ignore, int *lineno, int *flags) {
    char *path = gbldpath(home, kUserConfigName, nullptr);
    if (path == nullptr) return kStatusNoMemory;
    int status = ldcffile(path, ignore, lineno, flags);
    std::free(path);
    return status;
}

int settle_categories(int flags) {
    if (is_nls_mode(std::getenv("DBNLS"))) flags |= kFlagDBNLS;
    if ((flags & kFlagDBNLS) == 0) return kStatusOk;
    const char *lang = glangevar(flags);
    for (const LocaleVariable &category : kCategories) {
        int status = gnlsenv(flags, category.bit, category.name, lang);
        if (status != kStatusOk) return status;
    }
    return kStatusOk;
}

bool usable(int status) {
    return status == kStatusOk || status == kStatusTooLong;
}

}  // namespace

int ldcffile(const char *path, const NameList *ignore, int *lineno, int *flags) {
    *lineno = 0;
    int fd = qmx_open(path, O_RDONLY, 0);
    if (fd < 0) return kStatusOk;  // a missing configuration file is no error
    int status = read_settings(fd, ignore, lineno, flags);
    qmx_close(fd);
    return status;
}

int greadenv() {
    if (CheckOsInit() == nullptr) return kStatusNoMemory;
    if (Inf_EVars != nullptr) return kStatusOk;
    NameList *ignore = _ginitnamelist();
    if (ignore == nullptr) return kStatusNoMemory;
    lddefenv();
    int status = ignoreenv(ignore);
    if (status == kStatusOk) {
        int lineno = 0;
        int flags = 0;
        status = load_system_file(ignore, &lineno, &flags);
        char *home = ggethomepath();
        status = usable(status) ? load_user_file(home, ignore, &lineno, &flags) : kStatusNoMemory;
        std::free(home);
        if (usable(status)) {
            int nls = settle_categories(flags);
            if (nls != kStatusOk) status = nls;
        }
    }
    _gfreenamelist(ignore);
    return status;
}

int ignoreenv(NameList *list) {
    const char *value = std::getenv("ENVIGNORE");
    if (value == nullptr) return kStatusOk;
    char *work = strdup(value);
    if (work == nullptr) return kStatusNoMemory;
    int status = kStatusOk;
    char *piece = work;
    for (char *p = work;; ++p) {
        if (*p != ':' && *p != '\0') continue;
        bool last = *p == '\0';
        *p = '\0';
        if (*piece != '\0' && _gaddnamelist(list, piece) < 0) {
            status = kStatusNoMemory;
            break;
        }
        if (last) break;
        piece = p + 1;
    }
    std::free(work);
    return status;
}

const char *gnlsevar(const char *name, int *present_but_empty) {
    const char *value = std::getenv(name);
    *present_but_empty = value != nullptr && *value == '\0' ? 1 : 0;
    return non_empty(value) ? value : nullptr;
}

const char *glangevar(int flags) {
    const char *lang = std::getenv("LANG");
    if (non_empty(lang)) return lang;
    if ((flags & kFlagLANG) != 0) {
        const char *table = idx_getdefault("LANG", kEnvLANG);
        if (non_empty(table)) return table;
    }
    return nullptr;
}

int gnlsenv(int flags, int bit, const char *name, const char *lang) {
    int present_but_empty = 0;
    const char *from_env = gnlsevar(name, &present_but_empty);
    const char *value = nullptr;
    if (from_env == nullptr && (flags & bit) != 0) {
        const char *table = idx_getdefault(name, kEnvByName);
        if (non_empty(table)) value = table;
    }
    if (value == nullptr) {
        value = lang != nullptr ? lang : kDefaultLocaleSpec;
        int status = ginsenv(name, value, nullptr);
        if (status != kStatusOk) return status;
    }
    if (present_but_empty != 0) return gfeputenv(name, value);
    return kStatusOk;
}

// The string handed to putenv becomes part of the environment and is never
// released once accepted.
int gfeputenv(const char *name, const char *value) {
    if (value == nullptr) value = "";
    size_t name_len = std::strlen(name);
    size_t value_len = std::strlen(value);
    auto *text = static_cast<char *>(std::malloc(name_len + value_len + 2));
    if (text == nullptr) return kStatusNoMemory;
    std::memcpy(text, name, name_len);
    text[name_len] = '=';
    std::memcpy(text + name_len + 1, value, value_len + 1);
    if (putenv(text) != 0) {
        std::free(text);
        return kStatusNoMemory;
    }
    return kStatusOk;
}

int gputenv(const char *name, const char *value) {
    return gfeputenv(name, value);
}

}  // namespace velmorad
