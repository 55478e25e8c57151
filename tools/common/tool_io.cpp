#include "tools/common/tool_io.h"

#include "gls/errors/errors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace velmorad::tools {

std::string error_words(uint32_t error) {
    const char *words = gls::gl_strerror(error);
    return words != nullptr ? words : "error " + std::to_string(error);
}

void report(std::string_view file, int line, std::string_view reason) {
    if (line > 0) {
        std::fprintf(stderr, "%.*s:%d: %.*s\n", static_cast<int>(file.size()), file.data(), line,
                     static_cast<int>(reason.size()), reason.data());
    } else {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(file.size()), file.data(),
                     static_cast<int>(reason.size()), reason.data());
    }
}

namespace {

std::string system_error(const char *what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

std::string directory_of(const std::string &path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string leaf_of(const std::string &path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string write_file_atomically(const std::string &path, std::string_view data) {
    std::string pattern = path + ".tmpXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return system_error("cannot create a temporary file");
    bool ok = write_all(fd, data) && fchmod(fd, 0644) == 0 && fsync(fd) == 0;
    std::string reason = ok ? std::string() : system_error("cannot write");
    if (close(fd) != 0 && ok) reason = system_error("cannot write");
    if (reason.empty() && rename(name.data(), path.c_str()) != 0) {
        reason = system_error("cannot rename into place");
    }
    if (!reason.empty()) unlink(name.data());
    return reason;
}

Staging::Staging(const std::string &near, std::string_view tool) {
    std::string pattern = near + "/." + std::string(tool) + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) != nullptr) dir_ = name.data();
}

Staging::~Staging() {
    if (!file_.empty()) unlink(file_.c_str());
    if (!dir_.empty()) rmdir(dir_.c_str());
}

std::string Staging::write(const std::string &leaf, std::string_view text) {
    file_ = dir_ + "/" + leaf;
    return write_file_atomically(file_, text);
}

bool Staging::move_to(const std::string &path) {
    if (rename(file_.c_str(), path.c_str()) != 0) return false;
    file_.clear();
    return true;
}

AtomicFile::~AtomicFile() {
    if (stream_ != nullptr) std::fclose(stream_);
    if (!temporary_.empty()) unlink(temporary_.c_str());
}

std::string AtomicFile::open() {
    std::string pattern = path_ + ".tmpXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) return system_error("cannot create a temporary file");
    temporary_ = name.data();
    stream_ = fdopen(fd, "wb");
    if (stream_ == nullptr) {
        close(fd);
        return system_error("cannot write");
    }
    return {};
}

std::string AtomicFile::commit() {
    constexpr mode_t kDefaultMode = 0666;
    struct stat old {};
    mode_t mode = 0;
    if (stat(path_.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = kDefaultMode & ~mask;
    }
    const bool written = std::fflush(stream_) == 0 && !std::ferror(stream_) &&
                         fchmod(fileno(stream_), mode) == 0 && fsync(fileno(stream_)) == 0;
    std::string reason = written ? std::string() : system_error("cannot write");
    if (std::fclose(stream_) != 0 && reason.empty()) reason = system_error("cannot write");
    stream_ = nullptr;
    if (reason.empty() && rename(temporary_.c_str(), path_.c_str()) != 0)
        reason = system_error("cannot rename into place");
    if (reason.empty()) temporary_.clear();
    return reason;
}

}  // namespace velmorad::tools
