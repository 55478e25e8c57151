// The client's services in the locale library's host callback table.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <tuple>

#include "gls/host/host.h"
#include "gls/util/util.h"
#include "locale_env/locale_env.h"
#include "tests/support/test_support.h"

extern char **environ;

namespace velmorad {
namespace {

using testing::read_file;
using testing::TempDir;

bool table_is_empty() {
    for (gls::GlExtFunc f : gls::funcptr_arr) {
        if (f != nullptr) return false;
    }
    return gls::_gl_ext_func == 0;
}

TEST(HostServices, OnlyModeOneInstallsAndThenEverySlotButTheLast) {
    for (int mode : {0, 2, -1}) {
        EXPECT_EQ(setup_glext_funcs(mode), -1) << mode;
        EXPECT_EQ(initgls(mode), -1) << mode;
    }
    EXPECT_TRUE(table_is_empty());
    EXPECT_EQ(new_gls_env.initialised_modes, 0);
    // No mark is left behind that would make chkglsinit report success.
    EXPECT_EQ(new_gls_env.initialising, 0);
    uint32_t context = 0;
    EXPECT_EQ(gls::_gl_ext_errno(nullptr), nullptr);
    EXPECT_EQ(gls::_gl_ext_errno(&context), &context);

    setenv("VELMORADDIR", testing::build_installation().c_str(), 1);
    ASSERT_EQ(initgls(kModeFrontEnd), 0);
    for (int slot = 0; slot < gls::kExtUCA; ++slot)
        EXPECT_NE(gls::_gl_get_ext_funcptr(slot), nullptr) << slot;
    EXPECT_EQ(gls::_gl_get_ext_funcptr(gls::kExtUCA), nullptr);
    EXPECT_EQ(gls::_gl_ext_UCA(), -1);
    EXPECT_EQ(gls::_gl_ext_errno(nullptr), &gls::temperr);
    EXPECT_EQ(gls::_gl_ext_errno(&context), &context);
    // A refusal without a context now leaves its error where it can be read.
    EXPECT_EQ(gls::gl_setextfunc(nullptr, gls::kExtSlotCount, nullptr), -1);
    EXPECT_EQ(gls::temperr, gls::GL_EBADITEM);
}

TEST(HostServices, OverLongInstallationDirectoryNeverReachesTheSearch) {
    TempDir work;
    ASSERT_EQ(chdir(work.path().c_str()), 0);
    setenv("GLSLOG", "on", 1);
    std::string too_long = "/" + std::string(300, 'v');
    setenv("VELMORADDIR", too_long.c_str(), 1);
    ASSERT_EQ(setup_glext_funcs(kModeFrontEnd), 0);
    uint32_t error = 0;
    EXPECT_EQ(gls::gl_path_search(&error, "N", "lc", "11"), nullptr);
    EXPECT_EQ(error, gls::GL_EFILE);
    // The environment layer passes over the value and answers with the
    // table's default, so the search runs there instead of being refused.
    std::string log = read_file(work / gls::kLogFileName);
    const std::string attempts =
        "Could not open: /usr/velmorad/gls/lc11/N\nCould not open: /usr/velmorad/gls/lc/N\n";
    ASSERT_GT(log.size(), attempts.size());
    EXPECT_EQ(log.substr(log.size() - attempts.size()), attempts);
    EXPECT_EQ(log.find("cannot be greater"), std::string::npos);
}

TEST(HostServices, PutenvNeedsANameOfAtMost79BeforeTheEquals) {
    const std::string name79(79, 'N');
    for (std::string text : {std::string("NOEQUALS"), std::string("=value"),
                             std::string(80, 'M') + "=v", std::string(100, 'L')}) {
        char **before = environ;
        char *first = environ[0];
        EXPECT_EQ(cl_ext_putenv(text.data()), -1) << text;
        EXPECT_TRUE(environ == before && environ[0] == first) << text;
    }
    EXPECT_EQ(std::getenv("NOEQUALS"), nullptr);
    std::string text = name79 + "=v";
    EXPECT_EQ(cl_ext_putenv(text.data()), 0);
    EXPECT_STREQ(std::getenv(name79.c_str()), "v");

    ASSERT_EQ(setup_glext_funcs(kModeFrontEnd), 0);
    char setting[] = "GLS_PUT_TEST=a=b";
    EXPECT_EQ(gls::_gl_ext_putenv(setting), 0);
    setting[0] = 'X';  // the environment holds its own copy
    EXPECT_STREQ(std::getenv("GLS_PUT_TEST"), "a=b");
}

// The library's defaults and the client's services read the same clock.
TEST(HostServices, ClockServicesGiveTheLocalDateAndTime) {
    setenv("TZ", "UTC0", 1);
    tzset();
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::time_t before = std::time(nullptr);
        int16_t mdy[2][3] = {};
        gls::GlTimeRecord times[2];
        times[0].zone = times[1].zone = "unset";
        ASSERT_EQ(gls::gl_ext_currdate(&mdy[0][0], &mdy[0][1], &mdy[0][2]), 0);
        ASSERT_EQ(gls::gl_ext_currtime(&times[0]), 0);
        ASSERT_EQ(cl_ext_currdate(&mdy[1][0], &mdy[1][1], &mdy[1][2]), 0);
        ASSERT_EQ(cl_ext_currtime(&times[1]), 0);
        if (std::time(nullptr) != before) continue;  // a second passed between readings
        struct tm now {};
        gmtime_r(&before, &now);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(mdy[i][0], now.tm_mon + 1);
            EXPECT_EQ(mdy[i][1], now.tm_mday);
            EXPECT_EQ(mdy[i][2], now.tm_year + 1900);
            const gls::GlTimeRecord &t = times[i];
            EXPECT_EQ(std::make_tuple(t.sec, t.min, t.hour, t.mday, t.mon, t.year, t.wday, t.yday),
                      std::make_tuple(now.tm_sec, now.tm_min, now.tm_hour, now.tm_mday, now.tm_mon,
                                      now.tm_year, now.tm_wday, now.tm_yday));
            EXPECT_EQ(std::make_tuple(t.reserved, t.isdst, t.gmtoff, t.zone),
                      std::make_tuple(int64_t{0}, 0, int64_t{0}, nullptr));
        }
        return;
    }
    FAIL() << "the clock never held still for a reading";
}

}  // namespace
}  // namespace velmorad
