// The code-set registry file: the list cache and the look-ups that read
// the file directly when nothing is cached.
#include <cstdlib>

#include "fuzz/fuzz_file.h"
#include "gls/names/names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace gls;
    if (size > 1 << 16) return 0;
    const std::string path = velmorad::fuzz::scratch_dir() + "/registry";
    velmorad::fuzz::write_input(path, data, size);
    uint32_t error = 0;
    gl_cache_registry(&error, path.c_str());
    for (const char *name : {"utf8", "8859-1", "819", "a", "zzzzzzzzzzzzzzzzzzzzz"})
        (void)gl_cs_name2cs_num(&error, name, nullptr);
    (void)gl_lc_spec2cs_num(&error, "GL_CTYPE = en_US.a ; GL_TIME = de_DE.b ; ", nullptr);
    gl_free_registry_cache();
    for (const char *name : {"utf8", "a", "65535"})
        (void)gl_cs_name2cs_num(&error, name, path.c_str());
    return 0;
}
