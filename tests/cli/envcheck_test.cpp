// envcheck as a whole program: the built binary run against temporary
// installation directories and files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "tests/support/rest_message_files.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

using testing::Environment;
using testing::RunResult;

class Envcheck : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::make_installation(inst);
        testing::make_dirs(home);
        auto passwd = testing::fake_passwd_env(root / "nss", home);
        ASSERT_TRUE(passwd.has_value()) << "the fake password database library is missing";
        env = *passwd;
        env["VELMORADDIR"] = inst;
    }
    RunResult run(const std::vector<std::string> &args = {}) {
        RunResult r = testing::run_program(ENVCHECK_BIN, args, env, root.path());
        EXPECT_EQ(r.out, "") << "envcheck printed on standard output";
        return r;
    }
    std::string system_header() {
        return "Checking system-wide environment file " + inst + "/etc/velmorad.rc\n";
    }
    std::string user_header() { return "Checking user environment file " + home + "/.velmorad\n"; }

    testing::TempDir root;
    std::string inst = root / "inst";
    std::string home = root / "home";
    Environment env;
};

TEST_F(Envcheck, CleanFilesGiveHeadersOnlyAndStatusZero) {
    testing::write_file(home + "/.velmorad", "# mine\n\nDBTEMP\nDBPATH /data\n");
    RunResult r = run();
    EXPECT_EQ(r.err, system_header() + user_header());
    EXPECT_EQ(r.status, 0);
}

TEST_F(Envcheck, MissingUserFileCannotBeOpened) {
    RunResult r = run();
    EXPECT_EQ(r.err, system_header() + user_header() + "  cannot open the file\n");
    EXPECT_EQ(r.status, 255);
}

TEST_F(Envcheck, UnknownNameInTheSystemFileStillChecksTheUserFile) {
    testing::write_file(inst + "/etc/velmorad.rc", "# c\n\nDBPATH .\nNOPE x\nALSO_NOPE y\n");
    testing::write_file(home + "/.velmorad", "DBTEMP /tmp\n");
    RunResult r = run();
    EXPECT_EQ(r.err, system_header() + "  " + inst +
                         "/etc/velmorad.rc, line 4: unknown environment variable\n" +
                         user_header());
    EXPECT_EQ(r.status, 255);
}

TEST_F(Envcheck, UserWithoutPasswordEntryChecksTheCurrentDirectory) {
    auto passwd = testing::fake_passwd_env(root / "nss", "");
    ASSERT_TRUE(passwd.has_value());
    for (const auto &[k, v] : *passwd)
        env[k] = v;
    testing::write_file(root / ".velmorad", "WRONG x\n");
    RunResult r = run();
    EXPECT_EQ(r.err, system_header() + "Checking user environment file .velmorad\n" +
                         "  .velmorad, line 1: unknown environment variable\n");
}

TEST_F(Envcheck, InstallationDirectoryFromTheUserFile) {
    env.erase("VELMORADDIR");
    testing::write_file(home + "/.velmorad", "VELMORADDIR " + inst + "\n");
    testing::write_file(inst + "/etc/velmorad.rc", "FROM_THE_INSTALLATION x\n");
    RunResult r = run();
    EXPECT_EQ(r.err, system_header() + "  " + inst +
                         "/etc/velmorad.rc, line 1: unknown environment variable\n" +
                         user_header());
}

TEST_F(Envcheck, InstallationDirectoryFromTheSystemFileMovesNothing) {
    // The system-wide file read at start-up comes from the process
    // environment; a VELMORADDIR line in it only moves what is looked up later.
    std::string other = root / "other";
    testing::make_installation(other);
    testing::write_file(other + "/etc/velmorad.rc", "OTHER_FILE x\n");
    testing::write_file(inst + "/etc/velmorad.rc", "VELMORADDIR " + other + "\n");
    testing::write_file(home + "/.velmorad", "DBPATH .\n");
    RunResult r = run();
    EXPECT_EQ(r.err, "Checking system-wide environment file " + inst + "/etc/velmorad.rc\n" +
                         user_header());
}

TEST_F(Envcheck, LanguageDirectoryFromDblangAndIgnoredWithEnvignore) {
    testing::write_file(inst + "/msg/xx/envcheck.tmf",
                        testing::message_file({{-33520, "Pruefe %s\n"}}));
    testing::write_file(home + "/.velmorad", "DBLANG xx\n");
    std::string file = root / "f.rc";
    testing::write_file(file, "DBPATH .\n");
    EXPECT_EQ(run({file}).err, "Pruefe " + file + "\n");
    env["DBLANG"] = "xx";
    EXPECT_EQ(run({file}).err, "Pruefe " + file + "\n");
    env.erase("DBLANG");
    env["ENVIGNORE"] = "DBLANG";
    EXPECT_EQ(run({file}).err, "Checking environment file " + file + "\n");
}

TEST_F(Envcheck, LocaleNamesLeadToTheirMessageDirectory) {
    // Only the German directory has the file; the English one is candidate 6.
    testing::write_file(inst + "/msg/de_de/0333/envcheck.tmf",
                        testing::message_file({{-33520, "Pruefe %s\n"}}));
    std::string file = root / "f.rc";
    testing::write_file(file, "DBPATH .\n");
    const std::string german = "Pruefe " + file + "\n";
    const std::string english = "Checking environment file " + file + "\n";
    const struct {
        const char *variable;
        const char *value;
        const std::string &expected;
    } rows[] = {
        {"DBLANG", "de_DE.8859-1", german},           // candidate 3
        {"DBLANG", "DE_de.ISO-8859-1@euro", german},  // a charmap's name, from the registry
        {"CLIENT_LOCALE", "de_DE.8859-1", german},    // candidate 4
        {"DBLANG", "de_DE.nosuch", english},         {"DBLANG", "de_DE.1252", english},
    };
    const Environment base = env;
    for (const auto &row : rows) {
        env = base;
        env[row.variable] = row.value;
        EXPECT_EQ(run({file}).err, row.expected) << row.variable << "=" << row.value;
    }
    // Without the registry only the built-in table's names resolve, and it
    // knows "8859-1" but not a charmap's "ISO-8859-1".
    env = base;
    env["DBLANG"] = "de_DE.ISO-8859-1";
    unlink((inst + "/gls/cm3/registry").c_str());
    EXPECT_EQ(run({file}).err, english);
}

TEST_F(Envcheck, MissingMessageFileNamesTheLeafFile) {
    unlink((inst + "/msg/en_us/0333/envcheck.tmf").c_str());
    RunResult r = run({"no-such-file"});
    EXPECT_EQ(
        r.err,
        "Cannot open message file 'envcheck.tmf'.\nCannot open message file 'envcheck.tmf'.\n");
    EXPECT_EQ(r.status, 255);
}

TEST_F(Envcheck, NoMessageFilesAtAllUseTheBuiltInTexts) {
    env["VELMORADDIR"] = root / "empty";
    // The locale files come from the search path: start-up needs them.
    env["GL_PATH"] = testing::build_installation() + "/gls/lc11";
    RunResult r = run({"a", "b"});
    EXPECT_EQ(r.err, "Cannot open file 'envcheck.tmf'\n");
    EXPECT_EQ(r.status, 255);
}

TEST_F(Envcheck, CorruptMessageFileGivesTheUnknownNumberText) {
    testing::write_file(inst + "/msg/en_us/0333/envcheck.tmf", "not a message file at all");
    RunResult r = run({"a", "b"});
    EXPECT_EQ(r.err, "Message number -33521 not found.\n");
}

TEST_F(Envcheck, TextWhoseConversionsDoNotFitIsReplacedByTheBuiltInOne) {
    testing::write_file(
        inst + "/msg/en_us/0333/envcheck.tmf",
        testing::message_file(
            {{-33520, "%100000000s\n"}, {-33523, "%d: %s\n"}, {-33522, "nope %s\n"}}));
    std::string file = root / "f.rc";
    testing::write_file(file, "BAD\n");
    EXPECT_EQ(run({file}).err, "Checking environment file " + file + "\n  " + file +
                                   ", line 1: unknown environment variable\n");
    EXPECT_EQ(run({"absent"}).err, "Checking environment file absent\n  cannot open the file\n");
}

// Memory that runs out for the system file's path, or for a line buffer
// that a long line makes grow, ends the run with the catalogue's text.
TEST_F(Envcheck, OutOfMemoryEndsTheRunWithStatusOne) {
#ifndef FAILING_ALLOC_LIB
    GTEST_SKIP() << "allocations are not failed under a sanitizer";
#else
    env["LD_PRELOAD"] += std::string(":") + FAILING_ALLOC_LIB;
    const std::string file = root / "f.rc";
    testing::write_file(file, "DBPATH " + std::string(1100, 'p') + "\n");
    const std::string system_path = inst + "/etc/velmorad.rc";
    const struct {
        size_t size;  // of the allocation that fails
        std::vector<std::string> args;
        std::string err;
    } rows[] = {
        {system_path.size() + 1, {}, "Out of memory.\n"},
        {1024 + 128, {file}, "Checking environment file " + file + "\nOut of memory.\n"},
    };
    for (const auto &row : rows) {
        env["VELMORAD_FAIL_ALLOC_SIZE"] = std::to_string(row.size);
        const RunResult r = run(row.args);
        EXPECT_EQ(r.err, row.err) << row.size;
        EXPECT_EQ(r.status, 1) << row.size;
    }
#endif
}

}  // namespace
}  // namespace velmorad
