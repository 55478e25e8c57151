// Initialisation of the locale environment for the process.
#include "locale_env/locale_env.h"

namespace velmorad {

namespace {

int glsenv_count = 0;

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

}  // namespace

GlsSettings new_gls_env = initial_settings();
GlsEnv gls_env = initial_env(&new_gls_env);
GlsEnv *gls_env_global = nullptr;

// Stand-in until locale objects can be loaded: it installs the host
// services and marks the mode as initialised without loading a locale.
int initgls(int mode) {
    if (setup_glext_funcs(mode) != 0) return -1;
    if (mode != kModeFrontEnd && mode != kModeBackEnd) return set_glserror(kGlsBadMode);
    if ((new_gls_env.initialised_modes & mode) != 0) return 0;
    new_gls_env.mode = static_cast<int16_t>(mode);
    new_gls_env.initialised_modes = static_cast<int16_t>(new_gls_env.initialised_modes | mode);
    return 0;
}

int chkglsinit() {
    if (new_gls_env.initialised_modes != 0 || new_gls_env.initialising != 0) return 0;
    return initgls(new_gls_env.mode);
}

GlsEnv *CheckGlsEnv() {
    if (gls_env_global == nullptr) {
        gls_env_global = &gls_env;
        if (glsenv_count == 0) glsenv_count = 1;
    }
    return gls_env_global;
}

}  // namespace velmorad
