// The installation's code-set registry, read once for every subcommand.
#include <cstdio>
#include <string>

#include "gls/names/names.h"
#include "tools/common/installation.h"
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {

void complain(const char *subcommand, const std::string &message) {
    std::fprintf(stderr, "gltool %s: %s\n", subcommand, message.c_str());
}

std::string installation_dir() {
    return tools::installation_dir();
}

bool registry_ready(const char *subcommand) {
    static bool tried = false;
    static std::string reason;
    const std::string path = tools::registry_path({});
    if (!tried) {
        reason = tools::load_registry(path);
        tried = true;
    }
    if (!reason.empty()) complain(subcommand, path + ": " + reason);
    return reason.empty();
}

bool code_set_number(const std::string &name, uint16_t *number) {
    uint32_t error = 0;
    *number = gls::gl_cs_name2cs_num(&error, name.c_str(), nullptr);
    return *number != gls::kNoCodeSet;
}

}  // namespace velmorad::gltool
