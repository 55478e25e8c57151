// envcheck's start-up as a whole program: the client and database locales
// named in every way a user can name them, loaded from a temporary
// installation that links the build tree's locale and conversion files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gls/chars/chars.h"
#include "gls/load/writer/ctype_writer.h"
#include "gls/load/writer/lco_file_writer.h"
#include "msg/msg.h"
#include "tests/gls/lco_fixture.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

using testing::Environment;
using testing::lines_with;
using testing::RunResult;

// The registry's names of each code-set number, in file order.
std::map<int, std::vector<std::string>> registry_names() {
    std::map<int, std::vector<std::string>> names;
    std::ifstream in(testing::source_dir() + "/data/registry");
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string name;
        int number = 0;
        if (line.empty() || line[0] == '#' || !(fields >> name >> number)) continue;
        names[number].push_back(name);
    }
    return names;
}

// The shipped locale files: "de_de/e01c.lco" and the like.
std::vector<std::string> shipped_locales() {
    std::vector<std::string> files;
    const std::string root = testing::build_installation() + "/gls/lc11";
    for (const std::string &dir : testing::entries_of(root)) {
        if (dir.size() < 5 || dir.find('_') == std::string::npos) continue;
        for (const std::string &name : testing::entries_of(root + "/" + dir)) {
            if (name.size() > 4 && name.substr(name.size() - 4) == ".lco")
                files.push_back(dir + "/" + name);
        }
    }
    return files;
}

class LocaleStart : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::make_installation(inst);
        testing::make_dirs(home);
        auto passwd = testing::fake_passwd_env(root / "nss", home);
        ASSERT_TRUE(passwd.has_value()) << "the fake password database library is missing";
        env = *passwd;
        env["VELMORADDIR"] = inst;
        testing::write_file(file, "DBPATH .\n");
    }
    // Runs envcheck on the sample file with the diagnostic log on; the log
    // of this run is kept in `log`.
    RunResult run() {
        unlink((root / "gls.log").c_str());
        env["GLSLOG"] = "on";
        RunResult r = testing::run_program(ENVCHECK_BIN, {file}, env, root.path());
        log = testing::read_file(root / "gls.log");
        EXPECT_EQ(r.out, "");
        return r;
    }
    std::string checked() const { return "Checking environment file " + file + "\n"; }
    static std::string failure(int number) {
        return std::to_string(number) + " " + msg_locale_error_text(number) + "\n";
    }
    std::string opened(const std::string &name) const {
        return "Opened: " + inst + "/gls/lc11/" + name;
    }
    void expect_started(const std::string &what) {
        RunResult r = run();
        EXPECT_EQ(r.err, checked()) << what;
        EXPECT_EQ(r.status, 0) << what;
    }
    void expect_failed(int number, const std::string &what) {
        RunResult r = run();
        EXPECT_EQ(r.err, failure(number)) << what;
        EXPECT_EQ(r.status, 1) << what;
    }

    testing::TempDir root;
    std::string inst = root / "inst";
    std::string home = root / "home";
    std::string file = root / "f.rc";
    Environment env;
    std::string log;
};

TEST_F(LocaleStart, WithoutLocaleVariablesTheDefaultLocaleLoadsOnce) {
    expect_started("no variables");
    // Every category from the one file, and the registry read once: the
    // start-up ran exactly once even though its first diagnostic looks the
    // environment up.
    EXPECT_EQ(lines_with(log, opened("en_us/0333.lco")).size(), 6u);
    EXPECT_EQ(lines_with(log, "Opened: ").size(), 7u) << log;
    EXPECT_EQ(lines_with(log, "gls/cm3/registry").size(), 1u);
    EXPECT_TRUE(lines_with(log, ".cvo").empty());
}

TEST_F(LocaleStart, ClientLocaleNamesEveryShippedLocaleInItsSpellings) {
    const auto names = registry_names();
    const std::vector<std::string> files = shipped_locales();
    ASSERT_GE(files.size(), 20u);
    for (const std::string &lco : files) {
        // "ll_tt/hhhh[modifier].lco"
        const std::string lang = lco.substr(0, lco.find('_'));
        std::string terr = lco.substr(lco.find('_') + 1, lco.find('/') - lco.find('_') - 1);
        const std::string digits = lco.substr(lco.find('/') + 1, 4);
        const std::string rest = lco.substr(lco.find('/') + 5);
        const std::string modifier = rest.substr(0, rest.size() - 4);
        const int number = std::stoi(digits, nullptr, 16);
        std::string upper = terr;
        for (char &c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const std::string at = modifier.empty() ? "" : "@" + modifier;
        std::vector<std::string> spellings = {
            lang + "_" + upper + "." + std::to_string(number) + at,
            lang + "_" + terr + "." + std::to_string(number) + at};
        auto it = names.find(number);
        ASSERT_NE(it, names.end()) << lco;
        spellings.push_back(lang + "_" + upper + "." + it->second.front() + at);
        spellings.push_back(lang + "_" + terr + "." + it->second.back() + at);
        for (const std::string &spelling : spellings) {
            env["CLIENT_LOCALE"] = spelling;
            expect_started(spelling);
            EXPECT_EQ(lines_with(log, opened(lco)).size(), 6u) << spelling;
        }
    }
}

TEST_F(LocaleStart, MissingLocaleFileIsTriedUnderItsOperatingSystemNameAndFails) {
    env["CLIENT_LOCALE"] = "en_GB.8859-1";
    expect_failed(-23101, "en_GB");
    // The log shows the whole search: the file in both directories, then
    // the operating-system name in both.
    const std::vector<std::string> attempts = lines_with(log, "Could not open: ");
    const std::vector<std::string> expected = {
        "Could not open: " + inst + "/gls/lc11/en_gb/0333.lco",
        "Could not open: " + inst + "/gls/lc/en_gb/0333.lco",
        "Could not open: " + inst + "/gls/lc11/os/en_GB.819",
        "Could not open: " + inst + "/gls/lc/os/en_GB.819",
    };
    // The message look-up for the error starts the locale environment again.
    std::vector<std::string> twice = expected;
    twice.insert(twice.end(), expected.begin(), expected.end());
    EXPECT_EQ(attempts, twice) << log;
    EXPECT_TRUE(lines_with(log, "Opened: " + inst + "/gls/lc").empty());

    // A code set that no registry knows goes straight to the system's name.
    env["CLIENT_LOCALE"] = "en_US.nosuch";
    expect_failed(-23101, "nosuch");
    EXPECT_EQ(lines_with(log, "gls/lc11/").size(), 2u) << log;
    EXPECT_EQ(lines_with(log, "gls/lc11/os/en_US.nosuch").size(), 2u) << log;
}

// The rows of tests/fixtures/cli/locale_start.
TEST_F(LocaleStart, RowsOfTheFixture) {
    const Environment base = env;
    for (const testing::FixtureRow &row : testing::fixture_rows("cli/locale_start")) {
        SCOPED_TRACE(row.where);
        env = base;
        for (const std::string &setting : testing::fields_of(row.fields[0], ';')) {
            const size_t eq = setting.find('=');
            env[setting.substr(0, eq)] = setting.substr(eq + 1);
        }
        const int failure = std::stoi(row.fields[1]);
        failure != 0 ? expect_failed(failure, row.where) : expect_started(row.where);
        for (const std::string &check : testing::fields_of(row.fields[2], ' ')) {
            const size_t eq = check.rfind('=');
            const std::string what = check.substr(0, eq);
            if (check.empty()) continue;
            if (what == "cvo") {
                std::string loaded;
                for (const std::string &line : lines_with(log, ".cvo"))
                    loaded += (loaded.empty() ? "" : ",") + line.substr(line.rfind('/') + 1);
                EXPECT_EQ(loaded, check.substr(eq + 1));
            } else if (eq == std::string::npos) {
                EXPECT_FALSE(lines_with(log, opened(what)).empty()) << what << "\n" << log;
            } else {
                const size_t opens = lines_with(log, opened(what == "lc11" ? "" : what)).size();
                EXPECT_EQ(opens, std::stoul(check.substr(eq + 1))) << what << "\n" << log;
            }
        }
    }
}

// A start fails without either conversion.
TEST_F(LocaleStart, DatabaseLocaleInAnotherCodeSetNeedsItsConversions) {
    env["CLIENT_LOCALE"] = "en_US.8859-1";
    env["DB_LOCALE"] = "de_DE.utf8";
    unlink((inst + "/gls/cv9/e01c0333.cvo").c_str());
    expect_failed(-23104, "without the conversion back");
    unlink((inst + "/gls/cv9/0333e01c.cvo").c_str());
    expect_failed(-23104, "without either conversion");
}

TEST_F(LocaleStart, NlsVariablesThatCannotNameALocale) {
    env["DBNLS"] = "1";
    env["LC_CTYPE"] = "0de_DE";
    expect_failed(-23109, "missing-value mark");

    // Six entries of 32 characters make a composite of exactly 285
    // characters: it reaches the loader (whose names hold only 32, so it
    // fails there). One more character and it is refused before any file.
    env["LC_CTYPE"] = "de_DE." + std::string(26, 'c');
    for (const char *name : {"LC_COLLATE", "LC_NUMERIC", "LC_MONETARY", "LC_TIME"})
        env[name] = "de_DE." + std::string(26, 'x');
    expect_failed(-23101, "285 characters");
    EXPECT_FALSE(lines_with(log, "gl_setlocale: Begin").empty()) << log;
    env["LC_COLLATE"] = "de_DE." + std::string(27, 'x');
    expect_failed(-23101, "286 characters");
    EXPECT_TRUE(lines_with(log, "gl_setlocale: Begin").empty()) << log;

    // Code sets that differ between categories.
    env["LC_CTYPE"] = env["LC_COLLATE"] = env["LC_NUMERIC"] = env["LC_MONETARY"] = "de_DE.UTF-8";
    env["LC_TIME"] = "de_DE.ISO-8859-1";
    expect_failed(-23115, "mixed code sets");
}

TEST_F(LocaleStart, ClientCodeSetInWhichABIsOneCharacter) {
    // A code set in which "A" starts two-byte characters, so "AB" is one.
    gls::CtypeSource source;
    for (int c = 0; c < 0x100; ++c) {
        const std::string byte(1, static_cast<char>(c));
        if (c != 'A') source.classes[byte] = gls::kClassPrint;
        source.classes["A" + byte] = gls::kClassPrint;
    }
    gls::LcoFile lco = gls::testing::sample_file("57400");
    std::string ctype;
    ASSERT_EQ(gls::write_ctype_section(source, ctype), gls::CtypeWriteStatus::kOk);
    gls::testing::replace_section(lco, gls::kCatCtype, ctype);
    testing::make_dirs(inst + "/gls/lc11/xx_xx");
    ASSERT_TRUE(gls::write_lco_file(inst + "/gls/lc11/xx_xx/e038.lco", gls::lco_file_text(lco)));
    env["CLIENT_LOCALE"] = "xx_XX.57400";
    expect_failed(-34394, "A and B in one character");
    // Loaded, then refused; and once more for the message look-up.
    EXPECT_EQ(lines_with(log, opened("xx_xx/e038.lco")).size(), 12u) << log;
}

TEST_F(LocaleStart, SearchPathReplacesTheInstallation) {
    // GL_PATH is searched instead of the installation: an empty one finds
    // nothing, one that holds the locale file finds it there.
    std::string path = root / "path";
    testing::make_dirs(path);
    env["GL_PATH"] = ":" + path + ":";
    expect_failed(-23101, "empty search path");
    EXPECT_TRUE(lines_with(log, inst).empty()) << log;
    testing::make_dirs(path + "/en_us");
    ASSERT_EQ(symlink((testing::build_installation() + "/gls/lc11/en_us/0333.lco").c_str(),
                      (path + "/en_us/0333.lco").c_str()),
              0);
    unlink((inst + "/gls/lc11/en_us/0333.lco").c_str());
    expect_started("search path with the file");
    EXPECT_EQ(lines_with(log, "Opened: " + path + "/en_us/0333.lco").size(), 6u) << log;
}

}  // namespace
}  // namespace velmorad
