// gltool: the locale library's face for people, one subcommand per concern
// in the manner of git ("gltool conv -f utf8 -t 8859-1 FILE"). Each
// subcommand lives in its own file and is listed in main.cpp's table.
#pragma once

#include <cstdint>
#include <string>

namespace velmorad::gltool {

// Exit statuses shared by the subcommands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the work could not be done, or not all of it
inline constexpr int kExitUsage = 2;

// A subcommand's entry: argv[0] is the subcommand's name.
using SubcommandMain = int (*)(int argc, char **argv);

struct Subcommand {
    const char *name;
    const char *summary;
    SubcommandMain main;
};

int conv_main(int argc, char **argv);

// Prints "gltool SUBCOMMAND: message" on standard error.
void complain(const char *subcommand, const std::string &message);

// The installation directory: VELMORADDIR when it is set, else the
// installation this program belongs to (the directory above its bin/), else
// the product's default.
std::string installation_dir();

// Reads the installation's code-set registry (or the library's built-in
// table when it has none) and gives the number of a code-set name or
// number; false when the registry does not know it.
bool code_set_number(const std::string &name, uint16_t *number);

}  // namespace velmorad::gltool
