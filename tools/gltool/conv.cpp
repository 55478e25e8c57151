// gltool conv: converts a file or standard input from one code set to
// another through the installation's conversion files (directly, or through
// UTF-8 when there is no file for the pair), checks text whose two code
// sets are the same, or lists the conversions.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gls/names/names.h"
#include "tools/common/tool_io.h"
#include "tools/gltool/conv.h"
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {

namespace {

constexpr const char *kName = "conv";
constexpr const char *kAbout =
    "Converts FILE (or standard input, also for \"-\") from code set FROM to code set\n"
    "TO and writes the result to standard output. FROM and TO are code-set names or\n"
    "numbers that the installation's registry knows (8859-1, utf8, 57372, ...). A\n"
    "pair without a conversion file of its own goes through utf8; text whose two\n"
    "code sets are the same is checked and copied.\n";
constexpr const char *kEpilogue =
    "Without -c the first character that cannot be converted stops the conversion\n"
    "with its byte offset and bytes, and whether the input is invalid there or the\n"
    "character has no mapping; what came before it has been written (with -o, the\n"
    "file is left as it was). -c leaves out each such character whole, and each\n"
    "byte of invalid input.\n";
constexpr const char *kConversionDir = "/gls/cv9";
constexpr const char *kUnicodeName = "utf8";
constexpr size_t kNumberDigits = 4;
constexpr size_t kCvoSuffixLength = 4;  // ".cvo"

struct Options {
    std::string from;
    std::string to;
    std::string file;
    std::string output;
    bool drop = false;
    bool list = false;
};

struct CloseInput {
    void operator()(FILE *f) const {
        if (f != stdin) std::fclose(f);
    }
};

std::string file_of(uint16_t from, uint16_t to) {
    char leaf[gls::kCvFnameExtra + 1];
    uint32_t error = 0;
    gls::gl_cs_nums2cv_fname(&error, from, to, leaf, nullptr);
    return installation_dir() + kConversionDir + "/" + leaf;
}

// Four hexadecimal digits of a file name, as a code-set number.
uint16_t number_at(const std::string &name, size_t at) {
    return static_cast<uint16_t>(std::strtoul(name.substr(at, kNumberDigits).c_str(), nullptr, 16));
}

// The first conversion file (in name order) from a code set; empty when
// there is none.
std::string first_file_from(uint16_t from) {
    const std::string dir = installation_dir() + kConversionDir;
    const std::string prefix = tools::leaf_of(file_of(from, 0)).substr(0, kNumberDigits);
    std::string first;
    if (DIR *d = opendir(dir.c_str())) {
        while (const dirent *e = readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() == 2 * kNumberDigits + kCvoSuffixLength &&
                name.compare(0, kNumberDigits, prefix) == 0 &&
                name.compare(2 * kNumberDigits, kCvoSuffixLength, ".cvo") == 0 &&
                (first.empty() || name < tools::leaf_of(first)))
                first = dir + "/" + name;
        }
        closedir(d);
    }
    return first;
}

bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The conversion from one code set to another, from the installation's
// file; null after saying why it does not load.
ConversionPtr load(uint16_t from, uint16_t to) {
    const std::string dir = installation_dir() + kConversionDir;
    const std::string from_spec = std::to_string(from);
    const std::string to_spec = std::to_string(to);
    gls::CvDesc *loaded = nullptr;
    const int status = gls::gl_cv_load(&loaded, to_spec.c_str(), from_spec.c_str(), 0, dir.c_str());
    ConversionPtr cd(loaded);
    if (status == gls::kCvLoaded) return cd;
    complain(kName, file_of(from, to) + ": " + tools::error_words(loaded ? loaded->error : 0));
    return nullptr;
}

// The way from one code set to the other: the file for the pair; else
// through UTF-8; for one code set, a file from it to check its text with
// (to UTF-8, whose conversions tell an unassigned code from an assigned
// one, or for UTF-8 itself any). False after saying why there is none.
bool find_route(const Options &o, uint16_t from, uint16_t to, uint16_t unicode, Route *route) {
    if (from == to) {
        route->kind = Route::Kind::kCheck;
        route->unicode = from == unicode;
        const std::string checker =
            route->unicode ? first_file_from(unicode) : file_of(from, unicode);
        if (checker.empty() || !exists(checker)) {
            complain(kName, "cannot check " + o.from + " text: the installation has no " +
                                (route->unicode ? "conversion from it" : checker));
            return false;
        }
        route->first =
            load(from, number_at(checker, checker.size() - kCvoSuffixLength - kNumberDigits));
        return route->first != nullptr;
    }
    if (exists(file_of(from, to))) {
        route->first = load(from, to);
        return route->first != nullptr;
    }
    if (from != unicode && to != unicode && exists(file_of(from, unicode)) &&
        exists(file_of(unicode, to))) {
        route->kind = Route::Kind::kPivot;
        route->first = load(from, unicode);
        route->second = route->first ? load(unicode, to) : nullptr;
        return route->second != nullptr;
    }
    complain(kName, "no conversion from " + o.from + " to " + o.to + ": " + file_of(from, to) +
                        " is missing, and there is none through " + kUnicodeName);
    return false;
}

// Runs the conversion (or the list) into out; *complete says whether all of
// the input went through (characters left out under -c aside).
int convert(const Options &o, FILE *out, bool *complete) {
    *complete = false;
    if (!registry_ready(kName)) return kExitFailed;
    uint16_t unicode = 0;
    if (!code_set_number(kUnicodeName, &unicode)) {
        complain(kName, std::string("the registry has no code set ") + kUnicodeName);
        return kExitFailed;
    }
    if (o.list) {
        const int status = list_conversions(installation_dir() + kConversionDir, unicode, out);
        *complete = status == kExitOk;
        return status;
    }
    uint16_t from = 0;
    uint16_t to = 0;
    for (const auto &[name, number] : {std::pair{&o.from, &from}, std::pair{&o.to, &to}}) {
        if (!code_set_number(*name, number)) {
            complain(kName, "unknown code set \"" + *name + "\"");
            return kExitUsage;
        }
    }
    std::unique_ptr<FILE, CloseInput> in(
        o.file.empty() || o.file == "-" ? stdin : std::fopen(o.file.c_str(), "rb"));
    if (!in) {
        complain(kName, o.file + ": " + std::strerror(errno));
        return kExitFailed;
    }
    Route route;
    if (!find_route(o, from, to, unicode, &route)) return kExitFailed;
    return convert_stream(route, {o.from, o.to, o.drop}, in.get(), out, o.output, complete);
}

}  // namespace

int conv_main(int argc, char **argv) {
    Options o;
    const cli::Option options[] = {
        cli::value('f', "from-code", &o.from, "FROM", "the code set of the input"),
        cli::value('t', "to-code", &o.to, "TO", "the code set of the output"),
        cli::flag('c', nullptr, &o.drop,
                  "leave out the characters that cannot be converted\n"
                  "(the exit status is still 1 when any was)"),
        cli::flag('l', "list", &o.list,
                  "list the conversions the installation has, each\n"
                  "marked direct or through utf8"),
        cli::value('o', "output", &o.output, "FILE",
                   "write to FILE, which is replaced only when the\n"
                   "conversion is done"),
    };
    cli::Command command{
        "gltool conv", "-f FROM -t TO [-c] [-o FILE] [FILE]\n-l", kAbout, options, 0, 1};
    command.epilogue = kEpilogue;
    std::vector<std::string> operands;
    if (const int status = cli::parse(command, argc, argv, &operands); status != cli::kProceed)
        return status;
    if (o.list) {
        if (!operands.empty() || !o.from.empty() || !o.to.empty() || o.drop || !o.output.empty())
            return cli::usage_error("-l takes no other options or operands");
    } else if (o.from.empty() || o.to.empty()) {
        return cli::usage_error(o.from.empty() ? "missing option '-f FROM'"
                                               : "missing option '-t TO'");
    }
    if (!operands.empty()) o.file = operands[0];
    bool complete = false;
    if (o.output.empty()) return convert(o, stdout, &complete);

    tools::AtomicFile file(o.output);
    if (const std::string reason = file.open(); !reason.empty()) {
        complain(kName, o.output + ": " + reason);
        return kExitFailed;
    }
    const int status = convert(o, file.stream(), &complete);
    // Characters left out under -c still leave a whole conversion to keep.
    if (!complete) return status;
    if (const std::string reason = file.commit(); !reason.empty()) {
        complain(kName, o.output + ": " + reason);
        return kExitFailed;
    }
    return status;
}

}  // namespace velmorad::gltool
