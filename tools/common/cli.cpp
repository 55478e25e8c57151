#include "tools/common/cli.h"

#include <getopt.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace velmorad::tools::cli {

namespace {

// The command being run, for every message (process-wide: one command line
// per process, or per subcommand after its dispatcher). Copied, since the
// command's table may be gone when main returns through finish.
std::string current_name = "?";
std::string current_synopsis;
bool output_reported = false;

// getopt_long's codes for the options: long names get one above any byte,
// so that an unexpected value ("--list=x") is told from an unknown letter.
constexpr int kLongBase = 256;
constexpr int kHelpCode = kLongBase - 1;
constexpr int kVersionCode = kLongBase - 2;
constexpr int kHelpColumn = 26;

const char *name() {
    return current_name.c_str();
}

void print_synopsis(FILE *to) {
    const char *lines = current_synopsis.c_str();
    bool first = true;
    while (*lines != '\0') {
        const char *end = std::strchr(lines, '\n');
        const size_t length =
            end != nullptr ? static_cast<size_t>(end - lines) : std::strlen(lines);
        std::fprintf(to, "%s %s %.*s\n", first ? "usage:" : "      ", name(),
                     static_cast<int>(length), lines);
        first = false;
        lines += length + (end != nullptr ? 1 : 0);
    }
}

// "  -o, --output=FILE" padded to the help column, then the help text with
// its further lines indented to that column.
void print_option(const Option &o) {
    std::string left = "  ";
    left += o.letter != 0 ? std::string("-") + o.letter : "  ";
    if (o.name != nullptr) {
        left += o.letter != 0 ? ", --" : "  --";
        left += o.name;
        if (o.value != nullptr) left += std::string("=") + o.value_name;
    } else if (o.value != nullptr) {
        left += std::string(" ") + o.value_name;
    }
    std::string text = left;
    if (left.size() + 1 > kHelpColumn) {
        text += "\n" + std::string(kHelpColumn, ' ');
    } else {
        text += std::string(kHelpColumn - left.size(), ' ');
    }
    for (const char *c = o.help; *c != '\0'; ++c) {
        text += *c;
        if (*c == '\n') text += std::string(kHelpColumn, ' ');
    }
    std::printf("%s\n", text.c_str());
}

void print_help(const Command &command) {
    print_synopsis(stdout);
    if (command.about != nullptr) std::printf("%s", command.about);
    std::printf("\nOptions:\n");
    for (const Option &o : command.options)
        print_option(o);
    print_option(flag('h', "help", nullptr, "print this text and exit"));
    print_option(flag('V', "version", nullptr, "print the version and exit"));
    if (command.epilogue != nullptr) std::printf("\n%s", command.epilogue);
}

// The option as the user spelt it, for messages: "--output" or "-o".
std::string spelling(const Command &command, int code, const char *arg) {
    const bool long_form = arg != nullptr && std::strncmp(arg, "--", 2) == 0;
    const auto index = static_cast<size_t>(code - kLongBase);
    if (code >= kLongBase && index < command.options.size()) {
        const Option &o = command.options[index];
        if (long_form || o.letter == 0) return std::string("--") + o.name;
        return std::string("-") + o.letter;
    }
    if (code == kHelpCode) return long_form ? "--help" : "-h";
    if (code == kVersionCode) return long_form ? "--version" : "-V";
    if (code > 0 && code < kLongBase) return std::string("-") + static_cast<char>(code);
    // An unknown long option: as written, up to its value.
    std::string text = arg != nullptr ? arg : "";
    return text.substr(0, text.find('='));
}

// getopt's code of a letter: that of its option.
int code_of_letter(const Command &command, int letter) {
    if (letter == 'h') return kHelpCode;
    if (letter == 'V') return kVersionCode;
    for (size_t i = 0; i < command.options.size(); ++i) {
        if (command.options[i].letter == letter) return kLongBase + static_cast<int>(i);
    }
    return letter;
}

// Whether "--xy" begins more than one long name (getopt_long takes any
// unambiguous beginning of a name).
bool abbreviates_several(const std::vector<struct option> &longs, const std::string &given) {
    if (given.size() <= 2 || given.compare(0, 2, "--") != 0) return false;
    const std::string stem = given.substr(2);
    int matches = 0;
    for (const struct option &o : longs) {
        if (o.name != nullptr && std::strncmp(o.name, stem.c_str(), stem.size()) == 0) ++matches;
    }
    return matches > 1;
}

}  // namespace

int usage_error(const std::string &message) {
    std::fprintf(stderr, "%s: %s\n", name(), message.c_str());
    print_synopsis(stderr);
    std::fprintf(stderr, "Try '%s --help' for more information.\n", name());
    return kExitUsage;
}

void complain(const std::string &message) {
    std::fprintf(stderr, "%s: %s\n", name(), message.c_str());
}

int output_error(int error_number) {
    if (!output_reported) {
        complain(std::string("cannot write to standard output: ") + std::strerror(error_number));
        output_reported = true;
    }
    return kExitFailed;
}

int finish(int status) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error_number = errno != 0 ? errno : EIO;
        (void)output_error(error_number);
        return status == kExitOk ? kExitFailed : status;
    }
    return status;
}

int parse(const Command &command, int argc, char **argv, std::vector<std::string> *operands) {
    current_name = command.name;
    current_synopsis = command.synopsis;
    // A closed pipe is a write error to report, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);

    std::string letters = command.options_first ? "+:hV" : ":hV";
    std::vector<struct option> longs;
    for (size_t i = 0; i < command.options.size(); ++i) {
        const Option &o = command.options[i];
        const int code = kLongBase + static_cast<int>(i);
        if (o.letter != 0) {
            letters += o.letter;
            if (o.value != nullptr) letters += ':';
        }
        if (o.name != nullptr)
            longs.push_back(
                {o.name, o.value != nullptr ? required_argument : no_argument, nullptr, code});
    }
    longs.push_back({"help", no_argument, nullptr, kHelpCode});
    longs.push_back({"version", no_argument, nullptr, kVersionCode});
    longs.push_back({nullptr, 0, nullptr, 0});

    opterr = 0;
    optind = 0;  // starts over, also after a dispatcher's own parse
    for (;;) {
        const int previous = optind;
        int c = getopt_long(argc, argv, letters.c_str(), longs.data(), nullptr);
        if (c == -1) break;
        // The argument getopt was reading: the last one it passed, or the
        // current one inside a cluster of letters.
        const char *arg = optind > previous && optind - 1 < argc ? argv[optind - 1]
                          : optind < argc                        ? argv[optind]
                                                                 : nullptr;
        if (c == ':') {
            const int code = optopt < kLongBase ? code_of_letter(command, optopt) : optopt;
            return usage_error("option '" + spelling(command, code, arg) + "' needs a value");
        }
        if (c == '?') {
            if (optopt >= kLongBase || optopt == kHelpCode || optopt == kVersionCode)
                return usage_error("option '" + spelling(command, optopt, arg) +
                                   "' takes no value");
            const std::string given = spelling(command, optopt, arg);
            if (optopt == 0 && abbreviates_several(longs, given))
                return usage_error("option '" + given + "' is ambiguous");
            return usage_error("unknown option '" + given + "'");
        }
        if (c < kLongBase && c != kHelpCode && c != kVersionCode) c = code_of_letter(command, c);
        if (c == kHelpCode) {
            print_help(command);
            return kExitOk;
        }
        if (c == kVersionCode) {
            std::printf("%s (velmorad) %s\n", command.name, VELMORAD_VERSION);
            return kExitOk;
        }
        const Option &o = command.options[static_cast<size_t>(c - kLongBase)];
        if (o.value != nullptr) {
            *o.value = optarg;
        } else {
            *o.flag = true;
        }
    }
    operands->assign(argv + optind, argv + argc);
    if (operands->size() < command.min_operands) return usage_error("missing operand");
    if (operands->size() > command.max_operands)
        return usage_error("extra operand '" + (*operands)[command.max_operands] + "'");
    return kProceed;
}

}  // namespace velmorad::tools::cli
