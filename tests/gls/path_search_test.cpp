// The data-file search, observed through the diagnostic log it writes for
// every attempt, with the C library's services unless a test installs others.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "gls/util/util.h"
#include "tests/support/conv_log.h"
#include "tests/support/failing_host.h"
#include "tests/support/oom_walk.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using velmorad::testing::TempDir;
using velmorad::testing::write_file;
using Lines = std::vector<std::string>;

constexpr uint32_t kEntryError = 5;

// Reads a found stream to its end and closes it; "" for none.
std::string drain(FILE *stream) {
    std::string text;
    if (stream == nullptr) return text;
    for (int c; (c = _gl_ext_getc(stream)) != EOF;)
        text += static_cast<char>(c);
    EXPECT_EQ(_gl_ext_fclose(stream), 0);
    return text;
}

std::string take(char *rpath) {
    std::string text = rpath != nullptr ? rpath : "<null>";
    _gl_free_ptr(rpath);
    return text;
}

// A directory of at least `length` characters under base.
std::string long_dir(const std::string &base, size_t length) {
    std::string dir = base;
    for (char c = 'a'; dir.size() < length; ++c)
        dir += "/" + std::string(200, c);
    return dir;
}

class Search : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(chdir(work.path().c_str()), 0);
        setenv("GLSLOG", "on", 1);
        unsetenv("GL_PATH");
        setenv("VELMORADDIR", inst.path().c_str(), 1);
    }
    Lines log() { return testing::take_log(work.path()); }

    TempDir work;  // the current directory, where the log goes
    TempDir inst;  // the installation directory
    TempDir data;
    uint32_t error = kEntryError;  // the context: just its error number
};

TEST_F(Search, SearchListSkipsEmptyElementsAndTheInstallation) {
    write_file(data / "b/N", "in b");
    write_file(inst / "gls/lc11/N", "installed");
    setenv("GL_PATH", ("::" + data / "a" + "::" + data / "b").c_str(), 1);
    char *rpath = nullptr;
    EXPECT_EQ(drain(gl_path_search1(&error, "N", &rpath, "lc", "11", &gl_ext_functions)), "in b");
    EXPECT_EQ(log(), (Lines{"Could not open: " + data / "a/N", "Opened: " + data / "b/N"}));
    EXPECT_EQ(error, kEntryError);
    EXPECT_EQ(gl_path_search1(&error, "M", &rpath, "lc", "11", &gl_ext_functions), nullptr);
    EXPECT_EQ(error, GL_EFILE);
    EXPECT_EQ(take(rpath), data / "b");
}

// The rows of tests/fixtures/gls/search_paths.
TEST_F(Search, InstallationPathsTryTheVersionFirstAndKeepEverySeparator) {
    write_file(inst / "gls/lc/N", "plain");
    const auto set = [](const char *name, const std::string &value) {
        if (value == "(unset)") {
            unsetenv(name);
        } else {
            setenv(name, value.c_str(), 1);
        }
    };
    for (const auto &row : velmorad::testing::fixture_rows("gls/search_paths")) {
        SCOPED_TRACE(row.where);
        std::vector<std::string> f = row.fields;
        for (std::string &field : f) {
            for (size_t at; (at = field.find('@')) != std::string::npos;)
                field.replace(at, 1, inst.path());
        }
        set("VELMORADDIR", f.at(0));
        set("GL_PATH", f.at(1));
        error = kEntryError;
        const char *version = f.at(3) == "-" ? nullptr : f[3].c_str();
        EXPECT_EQ(drain(gl_path_search(&error, "N", f.at(2).c_str(), version)), f.at(4));
        EXPECT_EQ(error, f[4].empty() ? GL_EFILE : kEntryError);
        EXPECT_EQ(log(), Lines(f.begin() + 5, f.end()));
    }
}

TEST_F(Search, InstallationDirectoryOf256IsTakenAnd257RefusedBeforeAnyAttempt) {
    for (size_t length : {256, 257}) {
        std::string dir = data.path() + "/";
        dir += std::string(length - dir.size(), 'v');
        write_file(dir + "/gls/lc11/N", "found");
        setenv("VELMORADDIR", dir.c_str(), 1);
        EXPECT_EQ(drain(gl_path_search(&error, "N", "lc", "11")), length == 256 ? "found" : "");
        EXPECT_EQ(log(), Lines{length == 256 ? "Opened: " + dir + "/gls/lc11/N"
                                             : "Environment variable VELMORADDIR cannot be greater "
                                               "than 256 characters"});
    }
    EXPECT_EQ(error, GL_EFILE);
}

TEST_F(Search, EmbeddedSeparatorsAndAbsoluteNamesSkipTheSearch) {
    write_file(data / "x/N", "direct");
    setenv("GL_PATH", (data / "elsewhere").c_str(), 1);
    std::string embedded = data / "x/N";
    for (char &c : embedded) {
        if (c == '/') c = '\xFF';
    }
    char *rpath = host_strdup("kept").release();
    EXPECT_EQ(
        drain(gl_path_search1(&error, embedded.c_str(), &rpath, "lc", "11", &gl_ext_functions)),
        "direct");
    EXPECT_EQ(take(rpath), "kept");
    rpath = nullptr;
    EXPECT_EQ(drain(gl_path_search1(&error, (data / "x/N").c_str(), &rpath, "lc", "11",
                                    &gl_ext_functions)),
              "direct");
    EXPECT_EQ(take(rpath), "/");
    EXPECT_EQ(log(), (Lines{"Opened: " + data / "x/N", "Opened: " + data / "x/N"}));
}

// A failed allocation ends the search with GL_ENOMEM, or costs one attempt's
// diagnostic only; the inputs exceed every fixed buffer, so long paths work too.
TEST_F(Search, EveryAllocationFailureIsCleanAndTheRegistryAsksTheHostForNone) {
    unsetenv("GLSLOG");  // keeps the log's opens out of the counts
    const std::string deep = long_dir(data.path(), kPathBufferSize + 100);
    write_file(deep + "/N", "deep");
    const std::string name = long_dir("sub", kPathBufferSize) + "/N";
    write_file(inst / "gls/lc/" + name, "long name");
    const std::function<bool(uint32_t *)> searches[] = {
        [&](uint32_t *e) {
            setenv("GL_PATH", (long_dir("/missing", kPathBufferSize) + "::" + deep).c_str(), 1);
            return !drain(gl_path_search(e, "N", "lc", "11")).empty();
        },
        [&](uint32_t *e) {
            unsetenv("GL_PATH");
            return !drain(gl_path_search(e, name.c_str(), "lc", "11")).empty();
        },
        [&](uint32_t *e) {
            return take(gl_path_search_rpath(nullptr, e, name.c_str(), "lc", "11")) ==
                   inst / "gls/lc";
        },
    };
    for (const auto &search : searches) {
        int fatal = 0;
        testing::walk_allocation_failures(
            [&] {
                uint32_t e = kEntryError;
                const bool found = search(&e);
                return std::pair{found, e};
            },
            [&](const std::pair<bool, uint32_t> &s, bool failed) {
                EXPECT_TRUE(s.first || failed);
                EXPECT_EQ(s.second, s.first ? kEntryError : GL_ENOMEM);
                fatal += s.first ? 0 : 1;
            });
        EXPECT_GT(fatal, 1);
    }

    testing::FailingHost host;
    host.fail_allocation(1);
    FILE *registry = gl_path_search_no_ext(&error, name.c_str(), "lc", "11");
    EXPECT_NE(registry, nullptr);
    EXPECT_EQ(host.allocations() + host.opens(), 0);
    std::fclose(registry);
    // A name copy that cannot be made fails without an error number.
    EXPECT_EQ(gl_open_file(&error, "x\xFFy"), nullptr);
    EXPECT_TRUE(host.failed());
    EXPECT_EQ(error, kEntryError);
}

}  // namespace
}  // namespace gls
