// The extension's part in loading (categories taken over, shared handles,
// a locale it cannot open), with entry points stood in for by this test.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gls/chars/chars.h"
#include "gls/ext/ext.h"
#include "gls/load/locale.h"
#include "tests/gls/lco_fixture.h"

namespace gls {
namespace {

using testing::LcoInstallation;
using testing::null_locale;
using testing::sample_file;
using testing::set_locale;

// The extension serves collation and time, and opens one locale per call.
struct Extension {
    int opened = 0;
    int closed = 0;
    GluStatus open_status = 0;
    std::vector<std::string> names;
    GluLocale *handles[8] = {};
} extension;

constexpr int32_t kTakenOver[] = {kCatCollate, kCatTime};

int32_t use_loc_call(GluMap *, const char *, int32_t category, GluStatus *) {
    for (int32_t taken : kTakenOver) {
        if (category == taken) return 1;
    }
    return 0;
}

GluLocale *lc_open(GluMap *, const char *file_name, int32_t, GluStatus *status) {
    *status = extension.open_status;
    if (*status != 0) return nullptr;
    extension.names.push_back(file_name);
    // Any distinct address serves as a handle; it is never dereferenced.
    return reinterpret_cast<GluLocale *>(&extension.handles[extension.opened++]);
}

void lc_close(GluLocale *) {
    ++extension.closed;
}

class ExtensionLoad : public ::testing::Test {
  protected:
    void SetUp() override {
        extension = Extension{};
        // A map makes gl_init_glu return at once; the hook needs nothing else.
        static int map;
        pMap = reinterpret_cast<GluMap *>(&map);
        unicode_collate = 1;
        fn_glu_useIcuLocCall = use_loc_call;
        fn_glu_lc_open = lc_open;
        fn_glu_lc_close = lc_close;
        inst_.write("a.lco", sample_file());
        inst_.write("b.lco", sample_file());
    }
    LcoInstallation inst_;
};

TEST_F(ExtensionLoad, CategoriesOfOneFileShareTheirLocale) {
    auto loc = null_locale();
    ASSERT_TRUE(set_locale(loc.get(), kCatAll, "a.lco").loaded);
    EXPECT_EQ(extension.names, std::vector<std::string>{"a.lco"});
    for (int category = kFirstCategory; category <= kLastCategory; ++category) {
        const bool taken = category == kCatCollate || category == kCatTime;
        EXPECT_EQ(loc->ext_flags[category_slot(category)], taken ? 1 : 0) << category;
        EXPECT_EQ(loc->ext_handles[category_slot(category)] != nullptr, taken) << category;
    }
    EXPECT_EQ(loc->ext_handles[category_slot(kCatCollate)],
              loc->ext_handles[category_slot(kCatTime)]);
    // Collation is the extension's: its primitives, no weights of our own.
    EXPECT_EQ(loc->collate.mode, kCollateExtension);
    EXPECT_EQ(loc->collate.direct_weights, 0);
    EXPECT_EQ(loc->ctype.ext_collation, 1);
    EXPECT_EQ(loc->ctype.direct_weights, 0);
    EXPECT_EQ(loc->primitives.mbscoll, _glu_mbscoll);

    // Time from another file: a locale of its own; the shared one stays
    // open for collation.
    ASSERT_TRUE(set_locale(loc.get(), kCatTime, "b.lco").loaded);
    EXPECT_EQ(extension.opened, 2);
    EXPECT_EQ(extension.closed, 0);
    loc.reset();
    EXPECT_EQ(extension.closed, 2);

    // The native locale is never handed to the extension.
    inst_.write("default.lco", sample_file());
    loc = null_locale();
    ASSERT_TRUE(set_locale(loc.get(), kCatAll, "native").loaded);
    EXPECT_EQ(extension.opened, 2);
    EXPECT_EQ(loc->ext_flags[category_slot(kCatCollate)], 0);
}

TEST_F(ExtensionLoad, ALocaleTheExtensionCannotOpenFailsTheLoad) {
    extension.open_status = 42;
    auto loc = null_locale();
    auto result = set_locale(loc.get(), kCatAll, "a.lco");
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(result.error, 42U);
    EXPECT_EQ(loc->file_names[category_slot(kCatCtype)], std::string("a.lco"));
    EXPECT_EQ(loc->file_names[category_slot(kCatCollate)], std::string(""));
}

}  // namespace
}  // namespace gls
