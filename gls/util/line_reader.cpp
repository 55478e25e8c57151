// Lines taken through the host's fgets and handed out byte by byte.
#include <cstring>

#include "gls/util/util.h"

namespace gls {

namespace {

constexpr char kNewline = '\n';

// The number of bytes fgets stored in a buffer that was filled with
// newlines before the call. A zero byte inside the line would hide the rest
// of it from strlen; the filling tells the line's own newline (followed by
// the terminating zero) from the first untouched byte (preceded by it).
size_t stored_length(const char *buffer, size_t size) {
    const auto *found = static_cast<const char *>(std::memchr(buffer, kNewline, size));
    if (found == nullptr) return size - 1;  // full, without a newline
    const auto at = static_cast<size_t>(found - buffer);
    if (at + 1 < size && buffer[at + 1] == '\0') return at + 1;
    return at == 0 ? 0 : at - 1;
}

}  // namespace

bool LineReader::take_line() {
    next_ = 0;
    end_ = 0;
    std::memset(line_, kNewline, sizeof line_);
    if (_gl_ext_fgets(line_, static_cast<int>(sizeof line_), stream_) == nullptr) return false;
    end_ = stored_length(line_, sizeof line_);
    return end_ > 0;
}

}  // namespace gls
