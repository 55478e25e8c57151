// gltool: the locale library's face for people, one subcommand per concern
// in the manner of git ("gltool conv -f utf8 -t 8859-1 FILE"). Each
// subcommand lives in its own file and is listed in main.cpp's table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gls/load/locale.h"
#include "tools/common/cli.h"

namespace velmorad::gltool {

namespace cli = tools::cli;

// Exit statuses shared by the subcommands.
inline constexpr int kExitOk = tools::cli::kExitOk;
inline constexpr int kExitFailed = tools::cli::kExitFailed;
inline constexpr int kExitUsage = tools::cli::kExitUsage;

// A subcommand's entry: argv[0] is the subcommand's name.
using SubcommandMain = int (*)(int argc, char **argv);

struct Subcommand {
    const char *name;
    const char *summary;
    SubcommandMain main;
};

int conv_main(int argc, char **argv);
int sort_main(int argc, char **argv);
int ctype_main(int argc, char **argv);
int info_main(int argc, char **argv);
int date_main(int argc, char **argv);

// The format a client's start-up derives from a DBDATE value (dbdate not
// null) or a DBTIME value; false after saying why on standard error.
bool derived_format(const char *subcommand, const char *dbdate, const char *dbtime,
                    std::string *format);

// Prints "gltool SUBCOMMAND: message" on standard error.
void complain(const char *subcommand, const std::string &message);

// The installation directory (see tools::installation_dir).
std::string installation_dir();

// Reads the installation's code-set registry the first time; false after
// saying why it cannot be read or parsed.
bool registry_ready(const char *subcommand);

// The number of a code-set name or number, once the registry is ready;
// false when the registry does not know it.
bool code_set_number(const std::string &name, uint16_t *number);

// A locale loaded with every category, released with gl_lc_unload.
struct UnloadLocale {
    void operator()(gls::Locale *loc) const;
};
using LocalePtr = std::unique_ptr<gls::Locale, UnloadLocale>;

// The locale a command line names, loaded from the installation: a
// specification the registry understands ("de_DE.8859-1", "ja_JP.utf8"), a
// file name under the installation's locale directory ("default.lco"), or
// the path of a locale object file (any argument with a "/"). Null after
// saying why on standard error. *file, when given, receives the path of the
// file the library read.
LocalePtr load_locale(const char *subcommand, const std::string &name, std::string *file = nullptr);

}  // namespace velmorad::gltool
