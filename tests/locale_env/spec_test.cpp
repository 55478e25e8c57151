// Locale specifications resolved into the loader's text, normalised to
// their generic form, and gathered into the category specs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gls/names/names.h"
#include "locale_env/locale_env.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

class Spec : public ::testing::Test {
  protected:
    void SetUp() override {
        // The names resolve through the project's own registry; the locale
        // environment counts as set up, so look-ups never start it.
        gls::gl_cache_registry(nullptr, (testing::source_dir() + "/data/registry").c_str());
        ASSERT_NE(gls::gls_registry_list_cache, nullptr);
        new_gls_env.initialised_modes = kModeFrontEnd;
    }
    void TearDown() override { gls::gl_free_registry_cache(); }

    static std::string specs(int i) { return new_gls_env.category_specs[i]; }
};

// The rows of tests/fixtures/locale_env/specs.
TEST_F(Spec, SpellingsOfTheFixture) {
    for (const testing::FixtureRow &row : testing::fixture_rows("locale_env/specs")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string> &f = row.fields;
        if (f[0] == "togensp") {
            char out[kGenSpecSize];
            std::memset(out, 'x', sizeof out);
            togensp(f[1].c_str(), out);
            EXPECT_EQ(std::string(out), f[2]);
        } else if (f[0] == "chglcfile") {
            char out[kGenSpecSize];
            int flag = -1;
            chglcfile2sp(f[1].c_str(), out, &flag);
            EXPECT_EQ(std::string(out), f[2]);
            EXPECT_EQ(flag, std::stoi(f[3]));
        } else if (f[0] == "pieces") {
            char lang_terr[gls::kLangTerrSize] = "";
            char number[gls::kCsNumTextSize] = "";
            char modifier[gls::kModifierSize] = "";
            EXPECT_EQ(spec2pieces(f[1].c_str(), lang_terr, number, modifier), std::stoi(f[2]));
            EXPECT_EQ(std::string(lang_terr) + "|" + number + "|" + modifier,
                      f[3] + "|" + f[4] + "|" + f[5]);
        } else if (f[0] == "fname") {
            char names[kSpecBufferSize];
            int32_t flags[kCategoryCount] = {-1, -1, -1, -1, -1, -1};
            int os_names = std::stoi(f[2]);
            spec2fname(f[1].c_str(), names, flags, &os_names);
            EXPECT_EQ(std::string(names), f[3]);
            std::string got;
            for (int32_t flag : flags)
                got += (got.empty() ? "" : " ") + std::to_string(flag);
            EXPECT_EQ(got, f[4]);
            EXPECT_EQ(os_names, std::stoi(f[5]));
        } else if (f[0] == "extrspec") {
            char out[kExtrSpecWideSize];
            std::strcpy(out, "stale");
            EXPECT_EQ(extrspec(f[1].c_str(), f[2].c_str(), out, std::stoi(f[3])), std::stoi(f[4]));
            EXPECT_EQ(std::string(out), f[5]);
        } else {
            ADD_FAILURE() << "unknown function " << f[0];
        }
    }
}

TEST_F(Spec, NlsCategoriesFromTheVariablesWithMessagesFollowingCtype) {
    setenv("LC_CTYPE", "de_DE.UTF-8", 1);
    setenv("LC_COLLATE", "C", 1);
    setenv("LC_NUMERIC", ("fr_FR." + std::string(40, 'n')).c_str(), 1);
    unsetenv("LC_MONETARY");
    setenv("LC_TIME", "en_US.utf8", 1);
    std::strcpy(new_gls_env.category_specs[kFeMonetary], "kept");
    int missing = 0;
    get_nlslocsp(0, &missing);
    EXPECT_EQ(missing, 0);
    const std::vector<std::string> expected = {
        "de_DE.UTF-8", "C",          ("fr_FR." + std::string(40, 'n')).substr(0, 36),
        "kept",        "en_US.utf8", "de_DE.UTF-8"};
    for (int i = 0; i < kCategoryCount; ++i)
        EXPECT_EQ(specs(i), expected[i]) << i;

    // With marking, an unset variable is counted and marked; an unset
    // LC_CTYPE also marks messages.
    unsetenv("LC_CTYPE");
    missing = 0;
    get_nlslocsp(1, &missing);
    EXPECT_EQ(missing, 3);
    EXPECT_EQ(specs(kFeCtype)[0], kMissingMark);
    EXPECT_EQ(specs(kFeMonetary)[0], kMissingMark);
    EXPECT_EQ(specs(kFeMessages)[0], kMissingMark);
    EXPECT_EQ(specs(kFeCollate), "C");

    // A value that itself begins with the mark counts as missing too.
    setenv("LC_CTYPE", "0de_DE", 1);
    missing = 0;
    get_nlslocsp(0, &missing);
    EXPECT_EQ(missing, 1);
}

}  // namespace
}  // namespace velmorad
