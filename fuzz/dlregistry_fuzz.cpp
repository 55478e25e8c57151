// The extension's library list: every line read back as a library path.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_file.h"
#include "gls/ext/ext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > 1 << 16) return 0;
    std::string path = velmorad::fuzz::scratch_dir() + "/dllregistry";
    velmorad::fuzz::write_input(path, data, size);
    FILE *list = std::fopen(path.c_str(), "r");
    if (list == nullptr) abort();
    char *name = nullptr;
    size_t name_size = 0;
    gls::GluDlName got;
    while ((got = gls::get_dl_name(list, "/inst", &name, &name_size)) == gls::kDlNameRead) {
        if (std::strlen(name) >= name_size) abort();
    }
    if (got != gls::kDlNameEnd || name != nullptr || name_size != 0) abort();
    std::fclose(list);
    return 0;
}
