// The command line of every tool: a table of options read by getopt_long
// (short and long spellings, --opt=value, clustered short options, "--"
// ending the options), --help and --version for every command, usage
// errors worded alike with exit status 2, and standard output checked on
// the way out so that a full disk or a closed pipe is an error.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace velmorad::tools::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the work could not be done, or not all of it
inline constexpr int kExitUsage = 2;
// From parse: the command line is sound, go on with the work.
inline constexpr int kProceed = -1;
inline constexpr size_t kAnyNumber = static_cast<size_t>(-1);

// One option: a letter, a long name or both; it either sets a flag or
// takes a value (the last one given wins).
struct Option {
    char letter;             // 0: long name only
    const char *name;        // null: letter only
    bool *flag;              // options without a value
    std::string *value;      // options with one
    const char *value_name;  // "FILE", in the help text
    const char *help;        // may hold line feeds
};

inline Option flag(char letter, const char *name, bool *into, const char *help) {
    return {letter, name, into, nullptr, nullptr, help};
}
inline Option value(char letter, const char *name, std::string *into, const char *value_name,
                    const char *help) {
    return {letter, name, nullptr, into, value_name, help};
}

struct Command {
    const char *name;      // "cvcomp", "gltool conv": begins every message
    const char *synopsis;  // after the name; one line per form ("-f FROM -t TO [FILE]\n-l")
    const char *about;     // what the command does, after the synopsis in --help
    std::span<const Option> options;
    size_t min_operands = 0;
    size_t max_operands = kAnyNumber;
    // Options end at the first operand (a dispatcher whose operand names a
    // subcommand with options of its own).
    bool options_first = false;
    const char *epilogue = nullptr;  // after the option list in --help
};

// Reads the options and operands of argv[1..]. kProceed with the operands in
// *operands; kExitOk after printing --help or --version; kExitUsage after a
// usage error. Also makes command.name the name that messages begin with.
[[nodiscard]] int parse(const Command &command, int argc, char **argv,
                        std::vector<std::string> *operands);

// "NAME: message", the synopsis and a pointer to --help, on standard error;
// returns kExitUsage.
int usage_error(const std::string &message);

// "NAME: message" on standard error.
void complain(const std::string &message);

// Reports that standard output cannot be written (once, however often it is
// called) and returns kExitFailed.
int output_error(int error_number);

// Flushes standard output: a write error becomes exit status 1 (unless the
// status says worse already). Every tool's main returns through this.
[[nodiscard]] int finish(int status);

}  // namespace velmorad::tools::cli
