// Every tool as a whole program, driven by the tables under tests/fixtures/cli
// (the format is described at the top of tests/fixtures/cli/options), each row
// run against the build tree's installation.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <map>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace velmorad {
namespace {

const std::map<std::string, std::string> kTools = {{"msgcomp", MSGCOMP_BIN},
                                                   {"cvcomp", CVCOMP_BIN},
                                                   {"lccomp", LCCOMP_BIN},
                                                   {"gltool", GLTOOL_BIN},
                                                   {"envcheck", ENVCHECK_BIN}};

std::vector<std::string> split(const std::string &text, const std::string &separator) {
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
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

// The places a row names, then its escapes.
std::string expanded(std::string text, const std::map<std::string, std::string> &places) {
    for (const auto &[name, value] : places) {
        for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at))
            text.replace(at, name.size(), value);
    }
    return testing::unescaped(text);
}

void check(const std::string &check, const testing::RunResult &r, const testing::TempDir &tmp) {
    const size_t colon = check.find(':');
    ASSERT_NE(colon, std::string::npos) << check;
    const std::string kind = check.substr(0, colon);
    const std::string text = check.substr(colon + 1);
    struct stat st;
    if (kind == "out" || kind == "err") {
        const std::string &got = kind == "out" ? r.out : r.err;
        EXPECT_NE(got.find(text), std::string::npos) << kind << ": " << got;
    } else if (kind == "noout") {
        EXPECT_EQ(r.out.find(text), std::string::npos) << "out: " << r.out;
    } else if (kind == "outis" || kind == "erris") {
        EXPECT_EQ(kind == "outis" ? r.out : r.err, text);
    } else if (kind == "lines") {
        EXPECT_EQ(testing::lines_of(r.out).size(), std::stoul(text));
    } else if (kind == "file" || kind == "nofile") {
        EXPECT_EQ(stat((tmp / text).c_str(), &st) == 0, kind == "file") << text;
    } else {
        ADD_FAILURE() << "unknown check " << check;
    }
}

void run_table(const std::string &name) {
    // A tool may finish before it has read the input offered.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string path = testing::source_dir() + "/tests/fixtures/cli/" + name;
    const std::vector<std::string> lines = testing::lines_of(testing::read_file(path));
    ASSERT_FALSE(lines.empty()) << path;
    for (size_t number = 1; number <= lines.size(); ++number) {
        const std::string &line = lines[number - 1];
        if (line.empty() || line[0] == '#') continue;
        SCOPED_TRACE(name + ":" + std::to_string(number) + ": " + line);
        const std::vector<std::string> fields = split(line, " | ");
        ASSERT_GE(fields.size(), 4u);
        testing::TempDir tmp;
        const std::map<std::string, std::string> places = {
            {"{tmp}", tmp.path()},
            {"{fixtures}", testing::source_dir() + "/tests/fixtures"},
            {"{data}", testing::source_dir() + "/data"},
            {"{inst}", testing::build_installation()},
            {"{charmaps}", "/usr/share/i18n/charmaps"}};
        const std::string input = fields.size() > 4 ? expanded(fields[4], places) : "";
        testing::write_file(tmp / "in", input);
        testing::Environment env = {{"VELMORADDIR", testing::build_installation()}};
        std::vector<std::string> args;
        std::string redirect;
        for (const std::string &word : split(trimmed(fields[1]), " ")) {
            const std::string arg = expanded(word, places);
            const size_t equals = arg.find('=');
            if (word == "(none)" || word.empty()) continue;
            if (word == ">/dev/full" || word == "|head") {
                redirect = word;
            } else if (args.empty() && equals != std::string::npos && word[0] >= 'A' &&
                       word[0] <= 'Z') {
                // Leading NAME=VALUE words set the environment; an empty value unsets.
                if (equals + 1 == arg.size())
                    env.erase(arg.substr(0, equals));
                else
                    env[arg.substr(0, equals)] = arg.substr(equals + 1);
            } else {
                args.push_back(arg);
            }
        }
        const std::string program = kTools.at(trimmed(fields[0]));
        testing::RunResult r;
        if (redirect.empty()) {
            r = testing::run_program(program, args, env, tmp.path(), input);
        } else {
            // The shell gives the tool the broken output and reports its status.
            const std::string script = redirect == "|head"
                                           ? "{ \"$0\" \"$@\"; echo \"exit $?\" >&2; } | head -c 1"
                                           : "\"$0\" \"$@\" >/dev/full; echo \"exit $?\" >&2";
            args.insert(args.begin(), {"-c", script, program});
            r = testing::run_program("/bin/sh", args, env, tmp.path());
            const size_t at = r.err.rfind("exit ");
            r.status = at != std::string::npos ? std::stoi(r.err.substr(at + 5)) : -1;
        }
        EXPECT_EQ(r.status, std::stoi(fields[2])) << r.err;
        for (const std::string &raw : split(fields[3], ";")) {
            if (trimmed(raw) != "-") check(expanded(trimmed(raw), places), r, tmp);
        }
    }
}

TEST(ToolTables, Options) {
    run_table("options");
}
TEST(ToolTables, Gltool) {
    run_table("gltool");
}
TEST(ToolTables, Compilers) {
    run_table("compilers");
}
TEST(ToolTables, Envcheck) {
    run_table("envcheck");
}

}  // namespace
}  // namespace velmorad
