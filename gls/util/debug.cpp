// The diagnostic log: fixed texts appended to "gls.log" and echoed to
// standard output, each switched on by its environment variable.
#include <cctype>
#include <cstring>
#include <ctime>

#include "gls/util/util.h"

namespace gls {

int gls_debug_initialized = 0;
int gls_logging = 0;
int gls_popups = 0;

namespace {

constexpr const char *kLogVariable = "GLSLOG";
constexpr const char *kEchoVariable = "GLSDEBUG";
constexpr const char *kAppendMode = "a";
constexpr const char *kLogRule = "----\n";
constexpr const char *kEchoPrefix = "GLS";
// ctime_r needs at least 26 bytes.
constexpr size_t kTimeTextSize = 64;

bool turned_on(const char *value) {
    return value != nullptr && std::tolower(static_cast<unsigned char>(value[0])) == 'o' &&
           std::tolower(static_cast<unsigned char>(value[1])) == 'n';
}

void write_text(FILE *log, const char *text) {
    (void)_gl_ext_fwrite(text, 1, std::strlen(text), log);
}

void start_log() {
    FILE *log = _gl_ext_fopen(kLogFileName, kAppendMode);
    if (log == nullptr) return;
    std::time_t now = std::time(nullptr);
    char when[kTimeTextSize];
    const char *when_text = ctime_r(&now, when);
    write_text(log, kLogRule);
    write_text(log, "GLS log started ");
    write_text(log, when_text != nullptr ? when_text : "\n");
    write_text(log, kLogRule);
    (void)_gl_ext_fclose(log);
}

}  // namespace

void gl_init_debug() {
    if (turned_on(_gl_ext_getenv(kLogVariable))) {
        gls_logging = 1;
        start_log();
    }
    if (turned_on(_gl_ext_getenv(kEchoVariable))) gls_popups = 1;
}

void gl_message(const char *text) {
    if (text == nullptr) text = "";
    if (gls_debug_initialized == 0) {
        // Marked first: the host's environment service may start the library
        // again from inside gl_init_debug, and that nested start must not
        // come back here.
        gls_debug_initialized = 1;
        gl_init_debug();
    }
    if (gls_logging != 0) {
        if (FILE *log = _gl_ext_fopen(kLogFileName, kAppendMode)) {
            write_text(log, text);
            write_text(log, "\n");
            (void)_gl_ext_fclose(log);
        }
    }
    if (gls_popups != 0) std::printf("%s: %s\n", kEchoPrefix, text);
}

}  // namespace gls
