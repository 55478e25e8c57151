// The configuration-file reader: lines, splitting and insertion.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "env/env.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace velmorad;
    if (size > 1 << 16) return 0;
    if (Inf_EVars == nullptr) lddefenv();
    std::string path = fuzz::scratch_dir() + "/rc";
    fuzz::write_input(path, data, size);
    int fd = open(path.c_str(), O_RDONLY);
    int buf_size = 2;
    auto *buf = static_cast<char *>(std::malloc(2));
    int lineno = 0;
    while (_ggetcfline(fd, &buf, &buf_size, &lineno) == kLineRead) {
        char *name;
        char *value;
        split_setting(buf, &name, &value);
        (void)ginsenv(name, value, nullptr);
    }
    std::free(buf);
    close(fd);
    return 0;
}
