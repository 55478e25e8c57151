// Every allocation of a locale load failed in turn: the load fails with
// GL_ENOMEM, the object stays usable, and unloading it leaves nothing
// behind.
#include <gtest/gtest.h>

#include <string>

#include "gls/load/locale.h"
#include "gls/util/util.h"
#include "tests/gls/lco_fixture.h"
#include "tests/support/failing_host.h"

namespace gls {
namespace {

using testing::LcoInstallation;
using testing::sample_file;

TEST(LocaleLoadMemory, EveryAllocationOfAWholeLoad) {
    LcoInstallation inst;
    inst.write("a.lco", sample_file());
    long n = 1;
    for (;; ++n) {
        SCOPED_TRACE(n);
        gls::testing::FailingHost host;
        host.fail_allocation(n);
        Locale *loc = nullptr;
        char *names = nullptr;
        if (gl_create_null_locale_4(&loc) == 0) names = gl_setlocale_4(loc, kCatAll, "a.lco");
        // Once every category is in, a failure is reported through the
        // error number alone, with the name string.
        const bool failed = host.failed();
        if (failed) {
            EXPECT_EQ(loc->error, GL_ENOMEM);
        } else {
            EXPECT_NE(names, nullptr);
        }
        gl_destroystring(names);
        gl_lc_unload(loc);
        EXPECT_EQ(host.live_blocks(), 0);
        EXPECT_EQ(host.open_streams(), 0);
        if (!failed) break;
    }
    EXPECT_GT(n, 100);  // every reader and initialiser allocates
}

TEST(LocaleLoadMemory, EveryAllocationOfAReloadOverLoadedCategories) {
    LcoInstallation inst;
    inst.write("a.lco", sample_file());
    inst.write("b.lco", sample_file());
    for (int category : {kCatNumeric, kCatMonetary, kCatTime, kCatMessages}) {
        for (long n = 1;; ++n) {
            SCOPED_TRACE(std::to_string(category) + "/" + std::to_string(n));
            gls::testing::FailingHost host;
            Locale *loc = nullptr;
            ASSERT_EQ(gl_create_null_locale_4(&loc), 0);
            char *names = gl_setlocale_4(loc, kCatAll, "a.lco");
            ASSERT_NE(names, nullptr);
            gl_destroystring(names);
            host.fail_allocation(n);
            names = gl_setlocale_4(loc, category, "b.lco");
            const bool failed = host.failed();
            if (failed) {
                EXPECT_EQ(loc->error, GL_ENOMEM);
                // Failed before the category was released, or left null.
                const std::string name = loc->file_names[category_slot(category)];
                if (names == nullptr) {
                    EXPECT_TRUE(name.empty() || name == "a.lco") << name;
                }
            } else {
                EXPECT_NE(names, nullptr);
            }
            gl_destroystring(names);
            gl_lc_unload(loc);
            EXPECT_EQ(host.live_blocks(), 0);
            if (!failed) break;
        }
    }
}

}  // namespace
}  // namespace gls
