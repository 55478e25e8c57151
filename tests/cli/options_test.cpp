// The command-line layer of every tool as whole programs: the rows of
// tests/fixtures/cli/options, each run against the build tree's installation.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace velmorad {
namespace {

const std::map<std::string, std::string> kTools = {{"msgcomp", MSGCOMP_BIN},
                                                   {"cvcomp", CVCOMP_BIN},
                                                   {"lccomp", LCCOMP_BIN},
                                                   {"gltool", GLTOOL_BIN}};

std::vector<std::string> split(const std::string &text, const std::string &separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + separator.size();
    }
}

std::string trimmed(const std::string &text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string expanded(std::string text, const std::map<std::string, std::string> &places) {
    for (const auto &[name, value] : places) {
        for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at))
            text.replace(at, name.size(), value);
    }
    return text;
}

bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

TEST(ToolOptions, EveryRowOfTheTable) {
    std::istringstream rows(
        testing::read_file(testing::source_dir() + "/tests/fixtures/cli/options"));
    std::string line;
    int checked = 0;
    for (int number = 1; std::getline(rows, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        SCOPED_TRACE("options:" + std::to_string(number) + ": " + line);
        const std::vector<std::string> fields = split(line, " | ");
        ASSERT_EQ(fields.size(), 4u);
        testing::TempDir tmp;
        const std::map<std::string, std::string> places = {
            {"{tmp}", tmp.path()},
            {"{fixtures}", testing::source_dir() + "/tests/fixtures"},
            {"{data}", testing::source_dir() + "/data"},
            {"{charmaps}", "/usr/share/i18n/charmaps"}};
        std::vector<std::string> args;
        std::string redirect;
        for (const std::string &word : split(expanded(trimmed(fields[1]), places), " ")) {
            if (word == "(none)") continue;
            if (word == ">/dev/full" || word == "|head") {
                redirect = word;
            } else if (!word.empty()) {
                args.push_back(word);
            }
        }
        const std::string program = kTools.at(trimmed(fields[0]));
        const testing::Environment env = {{"VELMORADDIR", testing::build_installation()}};
        testing::RunResult r;
        if (redirect.empty()) {
            r = testing::run_program(program, args, env, tmp.path());
        } else {
            // The shell gives the tool the broken output and reports its status.
            const std::string script = redirect == "|head"
                                           ? "{ \"$0\" \"$@\"; echo \"exit $?\" >&2; } | head -c 1"
                                           : "\"$0\" \"$@\" >/dev/full; echo \"exit $?\" >&2";
            args.insert(args.begin(), {"-c", script, program});
            r = testing::run_program("/bin/sh", args, env, tmp.path());
            r.status = r.err.find("exit ") != std::string::npos
                           ? std::stoi(r.err.substr(r.err.rfind("exit ") + 5))
                           : -1;
        }
        EXPECT_EQ(r.status, std::stoi(fields[2])) << r.err;
        for (const std::string &raw : split(expanded(fields[3], places), ";")) {
            const std::string check = trimmed(raw);
            if (check == "-") continue;
            const size_t colon = check.find(':');
            ASSERT_NE(colon, std::string::npos) << check;
            const std::string kind = check.substr(0, colon);
            const std::string text = check.substr(colon + 1);
            if (kind == "out") {
                EXPECT_NE(r.out.find(text), std::string::npos) << "out: " << r.out;
            } else if (kind == "err") {
                EXPECT_NE(r.err.find(text), std::string::npos) << "err: " << r.err;
            } else if (kind == "file" || kind == "nofile") {
                EXPECT_EQ(exists(tmp / text), kind == "file") << text;
            } else {
                ADD_FAILURE() << "unknown check " << check;
            }
        }
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace velmorad
