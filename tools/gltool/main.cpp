// The dispatcher: "gltool SUBCOMMAND [ARGS]" runs one subcommand. Adding one
// is a file with its main and a row in kSubcommands.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/common/cli.h"
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {
namespace {

constexpr Subcommand kSubcommands[] = {
    {"conv", "convert text from one code set to another, or list the conversions", conv_main},
    {"sort", "sort lines by a locale's collation", sort_main},
    {"ctype", "show the classes, case and width of each character of a text", ctype_main},
    {"info", "show a locale's file header and information items", info_main},
    {"date", "format a date and time in a locale's conventions", date_main},
    {"locale", "the same as info", info_main},
};

std::string subcommand_list() {
    std::string text = "Subcommands:\n";
    for (const Subcommand &s : kSubcommands) {
        char line[128];
        std::snprintf(line, sizeof line, "  %-8s %s\n", s.name, s.summary);
        text += line;
    }
    return text +
           "\"gltool SUBCOMMAND --help\" describes one. The installation directory is\n"
           "$VELMORADDIR, else the one this program belongs to.\n";
}

}  // namespace
}  // namespace velmorad::gltool

int main(int argc, char **argv) {
    using namespace velmorad;
    using namespace velmorad::gltool;
    const std::string subcommands = subcommand_list();
    tools::cli::Command command{
        "gltool", "SUBCOMMAND [ARGS]", "The locale library's tool.\n", {}, 1};
    command.options_first = true;
    command.epilogue = subcommands.c_str();
    std::vector<std::string> operands;
    if (const int status = tools::cli::parse(command, argc, argv, &operands);
        status != tools::cli::kProceed)
        return tools::cli::finish(status);
    const int first = argc - static_cast<int>(operands.size());
    for (const Subcommand &s : kSubcommands) {
        if (operands[0] == s.name) return tools::cli::finish(s.main(argc - first, argv + first));
    }
    return tools::cli::finish(tools::cli::usage_error("unknown subcommand '" + operands[0] + "'"));
}
