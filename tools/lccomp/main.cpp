// lccomp [options] SOURCE: compiles a POSIX locale definition source with a
// charmap into a locale object file. The file is written under a temporary
// name beside its destination, loaded back through the library, and only
// then renamed into place: a failed run leaves no file, and an old file
// stays as it was.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gls/names/names.h"
#include "tools/common/cli.h"
#include "tools/common/installation.h"
#include "tools/common/tool_io.h"
#include "tools/lccomp/compile.h"
#include "tools/lccomp/output.h"

namespace {

using namespace velmorad::tools;

constexpr const char *kAbout =
    "Compiles the POSIX locale definition SOURCE with CHARMAP into a locale object\n"
    "file holding all six categories, then loads the file back to check it.\n";
constexpr const char *kEpilogue =
    "A character the charmap lacks is left out of the tables; a string that needs\n"
    "one takes the source's transliteration for it. Time formats keep the\n"
    "directives the library's formatter knows (%k becomes %2.1H, %l %2.1I, %P %p);\n"
    "others (%Z, %z, ...) are dropped with the blank before them, with a warning.\n"
    "Characters of width 2 in the charmap form the class \"full_width\"; width 0\n"
    "counts as 1. A locale keeps at most five classes of its own: \"full_width\",\n"
    "then the source's own classes, then copied ones; the rest are dropped with a\n"
    "warning. Errors read FILE:LINE: reason; the exit status is 0 on success, 1 on\n"
    "any error and 2 for bad usage.\n";

constexpr const char *kCharmapDir = "/usr/share/i18n/charmaps";

struct Options {
    std::string charmap;
    std::string output;
    std::string directory;
    std::string name;
    std::string code_set;
    std::string registry;
    std::string depfile;
    ReadOptions read;
    bool verbose = false;
    std::string source;
};

bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// A bare name is looked for in the usual place when it is not a file here.
std::string find_file(const std::string &given, const std::string &dir, bool try_gz) {
    if (given.find('/') != std::string::npos || exists(given)) return given;
    const std::string path = dir + "/" + given;
    if (try_gz && !exists(path) && exists(path + ".gz")) return path + ".gz";
    return path;
}

bool make_directories(const std::string &path) {
    if (path.empty() || exists(path)) return true;
    if (!make_directories(directory_of(path))) return false;
    return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

// A path in a make rule: blanks and "#" escaped.
std::string make_escaped(const std::string &path) {
    std::string out;
    for (char c : path) {
        if (c == ' ' || c == '#') out += '\\';
        out += c;
    }
    return out;
}

void print(const Diagnostics &d) {
    for (const Diagnostic &w : d.warnings)
        report(w.position.file, w.position.line, "warning: " + w.reason);
    if (d.failed) report(d.error.position.file, d.error.position.line, d.error.reason);
}

int run(Options &o) {
    const std::string charmap_path = find_file(o.charmap, kCharmapDir, true);
    Charmap charmap;
    CharmapError charmap_error;
    if (!read_charmap(charmap_path, &charmap, &charmap_error)) {
        report(charmap_error.file, charmap_error.line, charmap_error.reason);
        return 1;
    }
    const CharmapEntry *shorter = nullptr;
    const CharmapEntry *longer = nullptr;
    if (find_prefix_pair(charmap, &shorter, &longer)) {
        report(charmap_path, longer->line,
               "the bytes of <" + longer->name + "> begin with those of <" + shorter->name +
                   "> (line " + std::to_string(shorter->line) +
                   "): a locale's character tree cannot hold a code set in which one "
                   "character begins another");
        return 1;
    }
    const std::string registry = registry_path(o.registry);
    if (const std::string reason = load_registry(registry); !reason.empty()) {
        report(registry, 0, reason);
        return 1;
    }
    CodeSet code_set;
    std::string reason;
    if (!code_set_of(charmap, o.code_set, &code_set, &reason)) {
        report(charmap_path, 0, reason);
        return 1;
    }

    const std::string source_path = find_file(o.source, o.read.sources_dir, false);
    const std::string locale_name = o.name.empty() ? leaf_of(source_path) : o.name;
    std::string output = o.output;
    if (!o.directory.empty()) {
        std::string file_name;
        if (!locale_file_name(locale_name, code_set, &file_name, &reason)) {
            report(source_path, 0, reason);
            return 1;
        }
        output = o.directory + "/" + file_name;
    }

    o.read.charmap = &charmap;
    LocaleSource source;
    Diagnostics diagnostics;
    if (!read_locale_source(source_path, o.read, &source, &diagnostics)) {
        print(diagnostics);
        return 1;
    }
    CompileOptions compile_options;
    compile_options.code_set = code_set.name;
    compile_options.source_label = locale_name;
    compile_options.charmap_label =
        charmap.code_set_name().empty() ? leaf_of(charmap_path) : charmap.code_set_name();
    std::string text;
    CompileSummary summary;
    const bool compiled =
        compile_locale(source, charmap, compile_options, &diagnostics, &text, &summary);
    print(diagnostics);
    if (!compiled) return 1;

    const std::string out_dir = directory_of(output);
    if (!make_directories(out_dir)) {
        report(out_dir, 0, std::string("cannot create: ") + std::strerror(errno));
        return 1;
    }
    Staging staging(out_dir, "lccomp");
    if (staging.dir().empty()) {
        report(out_dir, 0, std::string("cannot write here: ") + std::strerror(errno));
        return 1;
    }
    const std::string leaf = leaf_of(output);
    reason = staging.write(leaf, text);
    if (reason.empty()) {
        reason = load_back(staging.dir(), leaf);
        if (!reason.empty()) reason = "the file written does not load: " + reason;
    }
    if (reason.empty() && !staging.move_to(output))
        reason = std::string("cannot rename into place: ") + std::strerror(errno);
    if (!reason.empty()) {
        report(output, 0, reason);
        return 1;
    }
    if (!o.depfile.empty()) {
        std::string rule = make_escaped(output) + ":";
        for (const std::string &file : source.files_read)
            rule += " " + make_escaped(file);
        rule += " " + make_escaped(charmap_path) + "\n";
        reason = write_file_atomically(o.depfile, rule);
        if (!reason.empty()) {
            report(o.depfile, 0, reason);
            return 1;
        }
    }
    if (o.verbose) {
        std::string classes;
        for (const std::string &c : summary.user_classes)
            classes += (classes.empty() ? "" : ", ") + c;
        std::fprintf(stderr,
                     "lccomp: %s: %s in %s (%u): %zu characters, %zu case pairs, classes of "
                     "its own: %s; collation version %s; %zu bytes\n",
                     output.c_str(), locale_name.c_str(), code_set.name.c_str(),
                     static_cast<unsigned>(code_set.number), summary.characters, summary.case_pairs,
                     classes.empty() ? "none" : classes.c_str(), summary.collation_version.c_str(),
                     text.size());
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    Options o;
    const cli::Option options[] = {
        cli::value('f', "charmap", &o.charmap, "CHARMAP",
                   "the charmap (plain or gzip-compressed); a bare name\n"
                   "is looked up in /usr/share/i18n/charmaps"),
        cli::value('o', "output", &o.output, "FILE", "the file to write"),
        cli::value('d', "directory", &o.directory, "DIR",
                   "write DIR/<ll_tt>/<hhhh>.lco, the name the library\n"
                   "gives the locale (de_de/0333.lco for de_DE in 8859-1)"),
        cli::value(0, "name", &o.name, "NAME",
                   "the locale's name for -d (default: SOURCE's file name)"),
        cli::value(0, "code-set", &o.code_set, "NAME",
                   "the code set's name for the file (default: the\n"
                   "product's name of the charmap's code set, through\n"
                   "the registry)"),
        cli::value(0, "registry", &o.registry, "FILE",
                   "the code-set registry (default: the installation's)"),
        cli::value(0, "sources", &o.read.sources_dir, "DIR",
                   "where copy and include find sources, and where a\n"
                   "bare SOURCE is found (default:\n"
                   "/usr/share/i18n/locales)"),
        cli::value(0, "depfile", &o.depfile, "FILE",
                   "also write the sources and charmap read, as a make\n"
                   "rule"),
        cli::flag('v', "verbose", &o.verbose, "say what was compiled, on standard error"),
    };
    cli::Command command{
        "lccomp", "[options] -f CHARMAP (-o FILE | -d DIR) SOURCE", kAbout, options, 1, 1};
    command.epilogue = kEpilogue;
    std::vector<std::string> operands;
    if (const int status = cli::parse(command, argc, argv, &operands); status != cli::kProceed)
        return cli::finish(status);
    o.source = operands[0];
    if (o.charmap.empty()) return cli::finish(cli::usage_error("missing option '-f CHARMAP'"));
    if (o.output.empty() == o.directory.empty())
        return cli::finish(cli::usage_error("give exactly one of '-o FILE' and '-d DIR'"));
    return cli::finish(run(o));
}
