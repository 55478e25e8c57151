// The client's services for the locale library's host callback table:
// environment look-ups that see the configuration files, a process-wide
// error cell for calls without a context, and the C library for the rest.
#include <cstring>

#include "env/env.h"
#include "gls/host/host.h"
#include "locale_env/locale_env.h"

namespace velmorad {

namespace {

constexpr size_t kMaxPutenvName = 79;

struct Service {
    int slot;
    gls::GlExtFunc function;
};

template <int Slot>
Service service(gls::ExtSignature<Slot> function) {
    return {Slot, reinterpret_cast<gls::GlExtFunc>(function)};
}

}  // namespace

const char *cl_ext_getenv(const char *name) {
    return idx_ggetenv(name, kEnvByName);
}

uint32_t *cl_ext_errno(void *context) {
    return context != nullptr ? static_cast<uint32_t *>(context) : &gls::temperr;
}

int cl_ext_putenv(char *text) {
    size_t scanned = strnlen(text, kMaxPutenvName + 1);
    const char *equals = static_cast<const char *>(std::memchr(text, '=', scanned));
    // An empty name would make an environment entry nothing can look up.
    if (equals == nullptr || equals == text) return -1;
    char name[kMaxPutenvName + 1];
    auto name_len = static_cast<size_t>(equals - text);
    std::memcpy(name, text, name_len);
    name[name_len] = '\0';
    return gputenv(name, equals + 1);
}

// The client reads the clock as the library would on its own: local time.
int cl_ext_currtime(gls::GlTimeRecord *out) {
    return gls::gl_ext_currtime(out);
}

int cl_ext_currdate(int16_t *month, int16_t *day, int16_t *year) {
    return gls::gl_ext_currdate(month, day, year);
}

void *cl_ext_malloc(size_t size) {
    return gls::_gl_ext_malloc(size);
}

void cl_ext_free(void *block) {
    gls::_gl_ext_free(block);
}

int setup_glext_funcs(int mode) {
    if (mode != kModeFrontEnd) return -1;
    // The error cell goes first, so that a refused slot below already has
    // somewhere to leave its error.
    const Service services[] = {
        service<gls::kExtErrno>(cl_ext_errno),
        service<gls::kExtGetenv>(cl_ext_getenv),
        service<gls::kExtMalloc>(gls::gl_ext_malloc),
        service<gls::kExtCalloc>(gls::gl_ext_calloc),
        service<gls::kExtRealloc>(gls::gl_ext_realloc),
        service<gls::kExtFree>(gls::gl_ext_free),
        service<gls::kExtFopen>(gls::gl_ext_fopen),
        service<gls::kExtFclose>(gls::gl_ext_fclose),
        service<gls::kExtFgetc>(gls::gl_ext_fgetc),
        service<gls::kExtGetc>(gls::gl_ext_getc),
        service<gls::kExtUngetc>(gls::gl_ext_ungetc),
        service<gls::kExtFgets>(gls::gl_ext_fgets),
        service<gls::kExtFwrite>(gls::gl_ext_fwrite),
        service<gls::kExtFeof>(gls::gl_ext_feof),
        service<gls::kExtFerror>(gls::gl_ext_ferror),
        service<gls::kExtCurrtime>(cl_ext_currtime),
        service<gls::kExtCurrdate>(cl_ext_currdate),
        service<gls::kExtPutenv>(cl_ext_putenv),
        service<gls::kExtFseek>(gls::gl_ext_fseek),
        service<gls::kExtFtell>(gls::gl_ext_ftell),
    };
    for (const Service &s : services) {
        if (gls::gl_setextfunc(nullptr, s.slot, s.function) != 0) return -1;
    }
    return 0;
}

}  // namespace velmorad
