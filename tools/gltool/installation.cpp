// Where the installation is, and the code-set names it knows.
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gls/names/names.h"
#include "tools/common/tool_io.h"
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {

namespace {

constexpr const char *kDefaultInstallDir = "/usr/velmorad";

}  // namespace

void complain(const char *subcommand, const std::string &message) {
    std::fprintf(stderr, "gltool %s: %s\n", subcommand, message.c_str());
}

std::string installation_dir() {
    const char *env = std::getenv("VELMORADDIR");
    if (env != nullptr && *env != '\0') return env;
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        const std::string bin = tools::directory_of(std::string(self, static_cast<size_t>(n)));
        if (tools::leaf_of(bin) == "bin") return tools::directory_of(bin);
    }
    return kDefaultInstallDir;
}

bool code_set_number(const std::string &name, uint16_t *number) {
    static bool cached = false;
    uint32_t error = 0;
    if (!cached) {
        const std::string registry = installation_dir() + "/gls/cm3/registry";
        gls::gl_cache_registry(&error, registry.c_str());
        cached = true;
    }
    *number = gls::gl_cs_name2cs_num(&error, name.c_str(), nullptr);
    return *number != gls::kNoCodeSet;
}

}  // namespace velmorad::gltool
