// Hands a fuzz input to code that reads files: the bytes are written to a
// file in a private temporary directory that lives as long as the process.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmorad::fuzz {

inline const std::string &scratch_dir() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/velmorad-fuzz-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return dir;
}

inline void write_input(const std::string &path, const uint8_t *data, size_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) abort();
    if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) abort();
    close(fd);
}

}  // namespace velmorad::fuzz
