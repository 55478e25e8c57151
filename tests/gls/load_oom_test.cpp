// Every allocation of a locale load failed in turn: the load fails with
// GL_ENOMEM, the object stays usable, and unloading it leaves nothing
// behind.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gls/load/locale.h"
#include "gls/util/util.h"
#include "tests/gls/lco_fixture.h"
#include "tests/support/failing_host.h"
#include "tests/support/oom_walk.h"

namespace gls {
namespace {

using testing::LcoInstallation;
using testing::LocalePtr;
using testing::sample_file;

// A locale and the name string a load gave, released together.
struct Loaded {
    LocalePtr loc;
    char *names = nullptr;
    ~Loaded() { gl_destroystring(names); }
};

TEST(LocaleLoadMemory, EveryAllocationOfAWholeLoad) {
    LcoInstallation inst;
    inst.write("a.lco", sample_file());
    const long failures = gls::testing::walk_allocation_failures(
        [] {
            auto loaded = std::make_unique<Loaded>();
            Locale *loc = nullptr;
            const int created = gl_create_null_locale_4(&loc);
            loaded->loc.reset(loc);  // a failed creation gives a locale holding the error
            if (created == 0) loaded->names = gl_setlocale_4(loc, kCatAll, "a.lco");
            return loaded;
        },
        [](const std::unique_ptr<Loaded> &loaded, bool failed) {
            // Once every category is in, a failure is reported through the
            // error number alone, with the name string.
            if (failed) {
                ASSERT_NE(loaded->loc, nullptr);
                EXPECT_EQ(loaded->loc->error, GL_ENOMEM);
            } else {
                EXPECT_NE(loaded->names, nullptr);
            }
        });
    EXPECT_GT(failures, 100);  // every reader and initialiser allocates
}

TEST(LocaleLoadMemory, EveryAllocationOfAReloadOverLoadedCategories) {
    LcoInstallation inst;
    inst.write("a.lco", sample_file());
    inst.write("b.lco", sample_file());
    for (int category : {kCatNumeric, kCatMonetary, kCatTime, kCatMessages}) {
        SCOPED_TRACE(category);
        gls::testing::walk_allocation_failures(
            [category](const gls::testing::Arm &arm) {
                auto loaded = std::make_unique<Loaded>();
                Locale *loc = nullptr;
                EXPECT_EQ(gl_create_null_locale_4(&loc), 0);
                loaded->loc.reset(loc);
                gl_destroystring(gl_setlocale_4(loc, kCatAll, "a.lco"));
                arm();
                loaded->names = gl_setlocale_4(loc, category, "b.lco");
                return loaded;
            },
            [category](const std::unique_ptr<Loaded> &loaded, bool failed) {
                if (!failed) {
                    EXPECT_NE(loaded->names, nullptr);
                    return;
                }
                EXPECT_EQ(loaded->loc->error, GL_ENOMEM);
                // Failed before the category was released, or left null.
                const std::string name = loaded->loc->file_names[category_slot(category)];
                if (loaded->names == nullptr) {
                    EXPECT_TRUE(name.empty() || name == "a.lco") << name;
                }
            });
    }
}

}  // namespace
}  // namespace gls
