// Look-up of a variable: the process environment, then the locale
// environment, then the working table filled from the configuration files.
#include <cstdlib>
#include <cstring>

#include "env/env.h"
#include "locale_env/locale_env.h"
#include "os_layer/os_layer.h"

namespace velmorad {

namespace {

const DefaultVal *default_row(const char *name, int index) {
    if (index >= 0 && index < Num_DVals) return &Inf_DVals[index];
    // The working table holds the same names in the same rows, and finds
    // one without walking them.
    if (Inf_EVars != nullptr && Num_EVars == Num_DVals) {
        const EnvVar *entry = search_evar(name, Inf_EVars, Num_EVars);
        return entry != nullptr ? &Inf_DVals[entry->index] : nullptr;
    }
    for (int i = 0; i < Num_DVals; ++i) {
        if (stcmpr(Inf_DVals[i].name, name) == 0) return &Inf_DVals[i];
    }
    return nullptr;
}

// Values from the operating system are in its code set; the copy made for
// the client's code set lives as long as the process, like the original.
const char *to_client_code_set(const char *value) {
    gls::CvDesc *cd = new_gls_env.cv_os_in;
    if (cd == nullptr || is8bitstr(value) == 0) return value;
    char *converted = nullptr;
    if (gcv_malloc(cd, value, nullptr, &converted) >= 0 && converted != nullptr) return converted;
    return value;
}

}  // namespace

const char *idx_getenv(const char *name, int index) {
    gerrno = kStatusOk;
    const char *value = std::getenv(name);
    if (value == nullptr) return nullptr;
    value = to_client_code_set(value);
    const DefaultVal *row = default_row(name, index);
    if (row != nullptr && row->max_len > 0 &&
        static_cast<size_t>(row->max_len) < std::strlen(value)) {
        gerrno = kStatusTooLong;
        return nullptr;
    }
    return value;
}

// A value too long or an unknown name in a configuration file (-4) still
// leaves a complete table, so it counts as success.
int init_getenv() {
    if (Inf_EVars != nullptr) return 0;
    int status = greadenv();
    return status == kStatusOk || status == kStatusTooLong ? 0 : -1;
}

const char *idx_ggetenv(const char *name, int index) {
    gerrno = kStatusOk;
    if (name == nullptr) {
        gerrno = kStatusNullArgument;
        return nullptr;
    }
    if (init_getenv() != 0) return nullptr;
    if (const char *value = idx_getenv(name, index)) return value;
    if (const char *value = ggetglsenv(name)) return value;
    return idx_getdefault(name, index);
}

const char *ggetenv(const char *name) {
    return idx_ggetenv(name, kEnvByName);
}

const char *getsesenv(const char *name) {
    return idx_ggetenv(name, kEnvByName);
}

}  // namespace velmorad
