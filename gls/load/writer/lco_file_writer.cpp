// Whole locale object files from their sections.
#include "gls/load/writer/lco_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "gls/load/load_internal.h"

namespace gls {

namespace {

constexpr const char *kFileTypeLine = "FILE_TYPE=locale_object";
constexpr const char *kVersionLine = "COMPILER_VERSION=11";
constexpr size_t kFixedHeaderLines = 3;
constexpr mode_t kFileMode = 0644;

bool write_all(int fd, const std::string &text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string lco_marker(int category) {
    if (category < kFirstCategory || category > kLastCategory) return {};
    return category_markers[category];
}

std::string lco_header_text(const LcoFile &file, const LcoDamage &damage) {
    std::string out;
    out += damage.file_type_line.value_or(kFileTypeLine) + "\n";
    out += damage.version_line.value_or(kVersionLine) + "\n";
    const size_t count = kFixedHeaderLines + file.extra_header.size();
    out +=
        damage.count_line.value_or(std::string(kLcoHeaderCountKey) + "=" + std::to_string(count)) +
        "\n";
    for (const std::string &line : file.extra_header)
        out += line + "\n";
    out += file.code_set + "\n";
    return out;
}

std::string lco_file_text(const LcoFile &file, const LcoDamage &damage) {
    std::string out = lco_header_text(file, damage);
    for (const LcoSection &section : file.sections) {
        const bool unmarked = std::find(damage.unmarked.begin(), damage.unmarked.end(),
                                        section.category) != damage.unmarked.end();
        if (!unmarked) out += lco_marker(section.category);
        out += section.text;
    }
    if (damage.cut_at && *damage.cut_at < out.size()) out.resize(*damage.cut_at);
    return out;
}

bool write_lco_file(const std::string &path, const std::string &text) {
    std::string temporary = path + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    bool ok = write_all(fd, text) && ::fchmod(fd, kFileMode) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    int saved = errno;
    ::unlink(temporary.c_str());
    errno = saved;
    return false;
}

}  // namespace gls
