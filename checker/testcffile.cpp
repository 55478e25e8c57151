// Checking one configuration file: every setting line is offered to the
// environment layer, and the first unknown name is reported.
#include <cstdlib>

#include "checker/checker.h"
#include "env/env.h"
#include "os_layer/os_layer.h"

namespace velmorad {

namespace {

constexpr int kCannotOpen = -33522;
constexpr int kUnknownName = -33523;
constexpr int kOutOfMemory = -1211;
constexpr int kInitialLineBuffer = 1024;

}  // namespace

int testcffile(const char *path) {
    int fd = qmx_open(path, 0, 0);
    if (fd < 0) {
        print_message(kCannotOpen, nullptr);
        return 1;
    }
    int size = kInitialLineBuffer;
    auto *line = static_cast<char *>(std::malloc(static_cast<size_t>(size)));
    if (line == nullptr) fatal_error(kOutOfMemory, path);
    int lineno = 0;
    int rc;
    while ((rc = _ggetcfline(fd, &line, &size, &lineno)) == kLineRead) {
        char *name;
        char *value;
        split_setting(line, &name, &value);
        // Too long and out-of-memory values are accepted without a word.
        if (ginsenv(name, value, nullptr) == kStatusUnknownVariable) {
            report_error(kUnknownName, path, lineno);
            break;
        }
    }
    if (rc == kLineNoMemory) fatal_error(kOutOfMemory, path);
    std::free(line);
    qmx_close(fd);
    // A directory, or a file whose reading failed, opened but was not read.
    if (rc == kLineReadError) {
        print_message(kCannotOpen, nullptr);
        return 1;
    }
    return 0;
}

}  // namespace velmorad
