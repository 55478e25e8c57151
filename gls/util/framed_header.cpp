// The framed header that locale object files and conversion files share:
// the file type, the format version, the count of header lines, and the
// lines that count says to skip.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "gls/util/util.h"

namespace gls {

namespace {

constexpr long kFixedHeaderLines = 3;
constexpr int kDecimal = 10;

// "key=N\n" with N decimal digits only: the count, or -1.
long header_count(const char *line) {
    const char *equals = std::strchr(line, '=');
    if (equals == nullptr || equals[1] < '0' || equals[1] > '9') return -1;
    char *end = nullptr;
    errno = 0;
    const long count = std::strtol(equals + 1, &end, kDecimal);
    if (errno != 0 || std::strcmp(end, "\n") != 0) return -1;
    return count;
}

}  // namespace

bool read_framed_line(FILE *stream, char (&line)[kFramedLineSize]) {
    return _gl_ext_fgets(line, kFramedLineSize, stream) != nullptr && check_nl(line) == 0;
}

FramedHeader read_framed_header(FILE *stream, const char *file_type_line,
                                const char *version_line) {
    char line[kFramedLineSize];
    if (!read_framed_line(stream, line) || std::strcmp(line, file_type_line) != 0) {
        return FramedHeader::kWrongFileType;
    }
    if (!read_framed_line(stream, line)) return FramedHeader::kNoVersion;
    if (std::strcmp(line, version_line) != 0) return FramedHeader::kWrongVersion;
    const long count = read_framed_line(stream, line) ? header_count(line) : -1;
    if (count < kFixedHeaderLines) return FramedHeader::kBadCount;
    // Each skipped line takes at least one byte of the file, so a count
    // beyond the file's length ends at its end.
    for (long i = kFixedHeaderLines; i < count; ++i) {
        if (!read_framed_line(stream, line)) return FramedHeader::kShortHeader;
    }
    return FramedHeader::kOk;
}

}  // namespace gls
