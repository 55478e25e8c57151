// The diagnostic log and its echo, switched on by GLSLOG and GLSDEBUG.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "gls/util/util.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using velmorad::testing::read_file;
using velmorad::testing::TempDir;

const std::string kHeader =
    "----\nGLS log started [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9:]{8} [0-9]{4}\n----\n";

TEST(Debug, EachVariableIsOnWhenItStartsWithOnInAnyCase) {
    const std::pair<const char *, bool> rows[] = {
        {"On", true}, {"online", true}, {"o", false}, {" on", false}, {nullptr, false}};
    for (const char *variable : {"GLSLOG", "GLSDEBUG"}) {
        for (const auto &[value, on] : rows) {
            SCOPED_TRACE(std::string(variable) + "=" + (value ? value : "(unset)"));
            TempDir dir;
            ASSERT_EQ(chdir(dir.path().c_str()), 0);
            unsetenv("GLSLOG");
            unsetenv("GLSDEBUG");
            if (value != nullptr) setenv(variable, value, 1);
            gls_logging = gls_popups = 0;
            gl_init_debug();
            const bool logging = variable == std::string("GLSLOG");
            EXPECT_EQ(gls_logging != 0, logging && on);
            EXPECT_EQ(gls_popups != 0, !logging && on);
            EXPECT_EQ(access(kLogFileName, F_OK) == 0, logging && on);
            if (logging && on) {
                EXPECT_TRUE(std::regex_match(read_file(dir / kLogFileName), std::regex(kHeader)));
            }
        }
    }
}

TEST(Debug, MessagesAreLoggedAndEchoedAndTheVariablesReadOnce) {
    TempDir dir;
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    setenv("GLSLOG", "on", 1);
    setenv("GLSDEBUG", "ON", 1);
    ::testing::internal::CaptureStdout();
    gl_message("first");
    unsetenv("GLSLOG");
    unsetenv("GLSDEBUG");
    gl_message("100%s");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "GLS: first\nGLS: 100%s\n");
    EXPECT_TRUE(
        std::regex_match(read_file(dir / kLogFileName), std::regex(kHeader + "first\n100%s\n")));
}

int lookups = 0;
int initialized_when_asked = -1;

// An environment service that starts the library again, as the client's
// can when its look-up initialises the locale environment.
const char *reentrant_getenv(const char *name) {
    if (lookups++ == 0) initialized_when_asked = gls_debug_initialized;
    gl_message("nested");
    return std::getenv(name);
}

TEST(Debug, FirstMessageMarksItselfBeforeAskingTheHost) {
    TempDir dir;
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    setenv("GLSLOG", "on", 1);
    ASSERT_EQ(gl_setextfunc_typed<kExtGetenv>(nullptr, reentrant_getenv), 0);
    gl_message("outer");
    EXPECT_EQ(initialized_when_asked, 1);
    EXPECT_EQ(lookups, 2);
    // Only the nested message of the second look-up finds the log on.
    EXPECT_TRUE(
        std::regex_match(read_file(dir / kLogFileName), std::regex(kHeader + "nested\nouter\n")));
}

// Removed while current, the directory takes no file, even from the
// superuser: the messages are lost, and nothing writes through a null log.
TEST(Debug, LogInADirectoryThatTakesNoFilesIsLostSilently) {
    TempDir dir;
    ASSERT_EQ(mkdir((dir / "gone").c_str(), 0755), 0);
    ASSERT_EQ(chdir((dir / "gone").c_str()), 0);
    ASSERT_EQ(rmdir((dir / "gone").c_str()), 0);
    setenv("GLSLOG", "on", 1);
    gl_message("lost");
    gl_message("lost too");
    EXPECT_EQ(gls_logging, 1);
}

}  // namespace
}  // namespace gls
