// cvcomp [options] SOURCE TARGET: the conversion file from the code set of
// the SOURCE charmap to that of the TARGET charmap. The file is written under
// a temporary name, loaded back and checked, and only then renamed into
// place, so a failed run leaves no file and an old file stays as it was.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gls/names/names.h"
#include "tools/common/cli.h"
#include "tools/common/installation.h"
#include "tools/common/tool_io.h"
#include "tools/cvcomp/cvcomp.h"

namespace {

using namespace velmorad::tools;

constexpr const char *kAbout =
    "Writes the conversion file from the code set of the SOURCE charmap to that of\n"
    "the TARGET charmap (each plain or gzip-compressed), joining them on their\n"
    "symbolic character names. A byte sequence the source defines twice reads as\n"
    "its first definition; a name the target defines twice is written with its\n"
    "first definition that is not marked IRREVERSIBLE.\n";

struct Options {
    std::string output;
    std::string registry;
    std::string source_number;
    std::string target_number;
    JoinOptions join;
    bool verbose = false;
    std::vector<std::string> charmaps;
};

bool is_directory(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The number of a code set: given as a number, or the registry's number of
// the charmap's name or one of its aliases.
bool code_set_number(const CharmapFile &f, const std::string &given, uint16_t *number) {
    uint32_t error = 0;
    if (!given.empty()) {
        char *end = nullptr;
        errno = 0;
        const unsigned long n = std::strtoul(given.c_str(), &end, 10);
        if (errno != 0 || *end != '\0' || n == 0 || n > UINT16_MAX || n == gls::kNoCodeSet) {
            report(f.path, 0,
                   "code-set number " + given + " is not from 1 to 65535 (57344 means none)");
            return false;
        }
        *number = static_cast<uint16_t>(n);
        return true;
    }
    std::vector<std::string> names{f.map.code_set_name()};
    names.insert(names.end(), f.map.aliases().begin(), f.map.aliases().end());
    for (const std::string &name : names) {
        if (name.empty()) continue;
        const uint16_t n = gls::gl_cs_name2cs_num(&error, name.c_str(), nullptr);
        if (n != gls::kNoCodeSet) {
            *number = n;
            return true;
        }
    }
    report(f.path, 0,
           "the registry has no number for code set \"" + f.map.code_set_name() +
               "\" or its aliases; give it with --source-number or --target-number");
    return false;
}

int run(const Options &o) {
    CharmapFile files[2];
    for (int i = 0; i < 2; ++i) {
        files[i].path = o.charmaps[static_cast<size_t>(i)];
        CharmapError error;
        if (!read_charmap(files[i].path, &files[i].map, &error)) {
            report(error.file, error.line, error.reason);
            return 1;
        }
    }
    const CharmapFile &source = files[0];
    const CharmapFile &target = files[1];

    // The registry gives the numbers not given, and the library reads the
    // file back through it.
    const std::string registry = registry_path(o.registry);
    if (const std::string reason = load_registry(registry); !reason.empty()) {
        report(registry, 0, reason);
        return 1;
    }
    uint16_t source_number = 0;
    uint16_t target_number = 0;
    if (!code_set_number(source, o.source_number, &source_number) ||
        !code_set_number(target, o.target_number, &target_number)) {
        return 1;
    }
    if (source_number == target_number) {
        report(target.path, 0,
               "the same code set (" + std::to_string(source_number) +
                   ") as the source: there is nothing to convert");
        return 1;
    }

    JoinOptions join = o.join;
    if (!join.one_way_file.empty() && !read_one_way(join.one_way_file, &join.one_way)) return 1;
    Conversion conversion;
    if (!join_charmaps(source, target, join, &conversion)) return 1;
    std::string text;
    const gls::CvoResult written = gls::write_cvo(conversion.file, text);
    if (written.status != gls::CvoStatus::kOk) {
        report(source.path, 0,
               std::string("cannot write the conversion: ") + gls::cvo_status_text(written.status));
        return 1;
    }

    char leaf[gls::kCvFnameExtra + 1];
    uint32_t error = 0;
    gls::gl_cs_nums2cv_fname(&error, source_number, target_number, leaf, nullptr);
    std::string path = o.output.empty() ? leaf : o.output;
    if (is_directory(path)) path += std::string("/") + leaf;

    Staging staging(directory_of(path), "cvcomp");
    if (staging.dir().empty()) {
        report(path, 0,
               std::string("cannot create a temporary directory: ") + std::strerror(errno));
        return 1;
    }
    std::string reason = staging.write(leaf, text);
    if (reason.empty())
        reason = self_check(staging.dir(), source_number, target_number, conversion);
    if (!reason.empty()) {
        report(path, 0, reason);
        return 1;
    }
    if (!staging.move_to(path)) {
        report(path, 0, std::string("cannot rename into place: ") + std::strerror(errno));
        return 1;
    }
    if (o.verbose) {
        std::fprintf(stderr,
                     "%s: %zu characters, %zu exact, %zu one-way, %zu substituted, %zu without a "
                     "conversion; %zu unassigned\n",
                     path.c_str(), conversion.expected.size(), conversion.exact, conversion.one_way,
                     conversion.substituted, conversion.unconverted, conversion.unassigned.size());
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    Options o;
    const cli::Option options[] = {
        cli::value('o', "output", &o.output, "PATH",
                   "the file to write, or a directory to write it into\n"
                   "under its canonical name (default: the current\n"
                   "directory)"),
        cli::value(0, "substitute", &o.join.substitute, "NAME",
                   "convert the source characters that the target lacks\n"
                   "to the target's character NAME (e.g. U003F), marked\n"
                   "inexact; without it they have no conversion"),
        cli::value(0, "one-way", &o.join.one_way_file, "FILE",
                   "also write the characters the target lacks that FILE\n"
                   "lists for it (a Unicode value, its bytes, code sets\n"
                   "a line), marked inexact; the conversion back is not\n"
                   "changed"),
        cli::value(0, "registry", &o.registry, "FILE",
                   "the code-set registry that gives the code-set\n"
                   "numbers (default: the installation's)"),
        cli::value(0, "source-number", &o.source_number, "N",
                   "the source code-set number, instead of the registry's"),
        cli::value(0, "target-number", &o.target_number, "N",
                   "the target code-set number, instead of the registry's"),
        cli::flag('v', "verbose", &o.verbose,
                  "print how many characters converted, on standard\n"
                  "error"),
    };
    const cli::Command command{"cvcomp", "[options] SOURCE TARGET", kAbout, options, 2, 2};
    if (const int status = cli::parse(command, argc, argv, &o.charmaps); status != cli::kProceed)
        return cli::finish(status);
    return cli::finish(run(o));
}
