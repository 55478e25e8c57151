// The dispatcher: "gltool SUBCOMMAND [ARGS]" runs one subcommand. Adding one
// is a file with its main and a row in kSubcommands.
#include <cstdio>
#include <cstring>

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

void usage(FILE *to) {
    std::fputs(
        "usage: gltool SUBCOMMAND [ARGS]\n"
        "The locale library's tool. Subcommands:\n",
        to);
    for (const Subcommand &s : kSubcommands)
        std::fprintf(to, "  %-8s %s\n", s.name, s.summary);
    std::fputs(
        "\"gltool SUBCOMMAND --help\" describes one. The installation directory is\n"
        "$VELMORADDIR, else the one this program belongs to.\n",
        to);
}

}  // namespace
}  // namespace velmorad::gltool

int main(int argc, char **argv) {
    using namespace velmorad::gltool;
    if (argc < 2) {
        usage(stderr);
        return kExitUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
        std::strcmp(argv[1], "help") == 0) {
        usage(stdout);
        return kExitOk;
    }
    for (const Subcommand &s : kSubcommands) {
        if (std::strcmp(argv[1], s.name) == 0) return s.main(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "gltool: unknown subcommand \"%s\"\n", argv[1]);
    usage(stderr);
    return kExitUsage;
}
