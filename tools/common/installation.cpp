#include "tools/common/installation.h"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "gls/names/names.h"
#include "tools/common/tool_io.h"

namespace velmorad::tools {

namespace {

constexpr const char *kDefaultInstallDir = "/usr/velmorad";
constexpr const char *kRegistryFile = "/gls/cm3/registry";

struct CloseFile {
    void operator()(FILE *f) const { std::fclose(f); }
};

// The line the stream has reached in text read from its start.
std::string line_at(const std::string &text, FILE *stream) {
    const long offset = std::ftell(stream);
    const auto end = text.begin() + std::clamp<long>(offset, 0, static_cast<long>(text.size()));
    return "line " + std::to_string(1 + std::count(text.begin(), end, '\n')) + ": ";
}

}  // namespace

std::string installation_dir() {
    const char *env = std::getenv("VELMORADDIR");
    if (env != nullptr && *env != '\0') return env;
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        const std::string bin = directory_of(std::string(self, static_cast<size_t>(n)));
        if (leaf_of(bin) == "bin") return directory_of(bin);
    }
    return kDefaultInstallDir;
}

std::string registry_path(const std::string &given) {
    return given.empty() ? installation_dir() + kRegistryFile : given;
}

std::string load_registry(const std::string &path) {
    std::unique_ptr<FILE, CloseFile> file(std::fopen(path.c_str(), "r"));
    if (!file) return std::string("cannot open: ") + std::strerror(errno);
    std::string text;
    char block[4096];
    for (size_t n; (n = std::fread(block, 1, sizeof block, file.get())) > 0;)
        text.append(block, n);
    if (std::ferror(file.get())) return std::string("cannot read: ") + std::strerror(errno);
    std::rewind(file.get());

    // The library's own tokens, so that what passes here reads there. It
    // stops quietly at a name it cannot take; a tool must not.
    char name[gls::kCsNameSize];
    for (;;) {
        if (gls::_gl_next_cs_name_from_registry(file.get(), name, sizeof name) == 0) {
            if (std::feof(file.get())) break;
            return line_at(text, file.get()) + "a code-set name longer than " +
                   std::to_string(gls::kCsNameSize - 1) + " characters";
        }
        uint32_t error = 0;
        const uint16_t number = gls::_gl_next_cs_number_from_registry(&error, file.get());
        if (name[0] == '\0' || error != 0)
            return line_at(text, file.get()) + "expected a code-set name and its number";
        (void)number;
        if (gls::ignore_till_eol(file.get()) == 0) break;
    }
    uint32_t error = 0;
    gls::gl_cache_registry(&error, path.c_str());
    if (error != 0) {
        gls::gl_free_registry_cache();
        return error_words(error);
    }
    return {};
}

}  // namespace velmorad::tools
