// Lines taken through the host's fgets and handed out byte by byte.
#include <cstring>

#include "gls/util/util.h"

namespace gls {

namespace {

constexpr char kNewline = '\n';

}  // namespace

size_t fgets_stored_length(const char *buffer, size_t size) {
    // The usual line: no zero byte before its newline.
    const size_t length = std::strlen(buffer);
    if (length > 0 && buffer[length - 1] == kNewline) return length;
    const auto *found =
        static_cast<const char *>(std::memchr(buffer + length, kNewline, size - length));
    if (found == nullptr) return size - 1;  // full, without a newline
    const auto at = static_cast<size_t>(found - buffer);
    if (at + 1 < size && buffer[at + 1] == '\0') return at + 1;
    return at == 0 ? 0 : at - 1;
}

bool LineReader::take_line() {
    next_ = 0;
    end_ = 0;
    size_t length = 0;
    if (!line_.read(stream_, &length)) return false;
    end_ = length;
    return end_ > 0;
}

}  // namespace gls
