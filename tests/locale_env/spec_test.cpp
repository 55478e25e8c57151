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

std::string composite(const std::vector<std::string> &values) {
    std::string text;
    for (size_t i = 0; i < values.size(); ++i)
        text += std::string(cat_names[i].name) + " = " + values[i] + " ; ";
    return text;
}

TEST_F(Spec, TogenspGivesTheGenericFormOrACutCopy) {
    const std::string long_unknown = "xx_YY." + std::string(40, 'q');
    const struct {
        std::string spec;
        std::string generic;
    } rows[] = {
        {"en_US.819", "en_US.819"},
        {"en_US.8859-1", "en_US.819"},
        {"en_us.8859-1", "en_US.819"},
        {"EN_us.ISO-8859-1", "en_US.819"},
        {"de_DE.utf8@euro", "de_DE.57372@euro"},
        {"ja_JP.SHIFT_JIS", "ja_JP.57350"},
        {"ast_ES.1252", "ast_ES.1252"},
        {"en_US.nosuch", "en_US.nosuch"},
        {"C", "C"},
        {long_unknown, long_unknown.substr(0, kMaxCategorySpec)},
        // Composites are normalised entry by entry; a value that names no
        // locale file stays as written, and every entry ends in " ; ".
        {"GL_CTYPE = en_US.819 ; ", "GL_CTYPE = en_US.819 ; "},
        {"GL_TIME = de_de.ISO-8859-1 ; GL_CTYPE = en_US.latin-1",
         "GL_TIME = de_DE.819 ; GL_CTYPE = en_US.819 ; "},
        {"GL_CTYPE = en_US.utf8 ; GL_COLLATE = C.utf8 ; ",
         "GL_CTYPE = en_US.57372 ; GL_COLLATE = C.utf8 ; "},
        {"GL_CTYPE  = en_US.819 ; ", "GL_CTYPE  = en_US.819 ; "},  // not a composite
    };
    for (const auto &row : rows) {
        char out[kGenSpecSize];
        std::memset(out, 'x', sizeof out);
        togensp(row.spec.c_str(), out);
        EXPECT_EQ(std::string(out), row.generic) << row.spec;
    }
}

TEST_F(Spec, ChglcfileSplitsFileNamesBackIntoSpecifications) {
    const std::string long_name = "os/" + std::string(400, 'n');
    const struct {
        std::string fname;
        std::string spec;
        int flag;
    } rows[] = {
        {"en_us/0333.lco", "en_US.819", 1},
        {"de_de/e01ceuro.lco", "de_DE.57372@euro", 1},
        {"ast_es/04e4.lco", "ast_ES.1252", 1},
        {"os/C.UTF-8", "C.UTF-8", 0},
        {"en_us", "en_us", 0},
        {long_name, std::string(kGenSpecSize - 1, 'n'), 0},
    };
    for (const auto &row : rows) {
        char out[kGenSpecSize];
        int flag = -1;
        chglcfile2sp(row.fname.c_str(), out, &flag);
        EXPECT_EQ(std::string(out), row.spec) << row.fname;
        EXPECT_EQ(flag, row.flag) << row.fname;
    }
}

TEST_F(Spec, Spec2piecesOfSimpleSpecificationsOnly) {
    const struct {
        const char *spec;
        int result;
        const char *lang_terr, *number, *modifier;
    } rows[] = {
        {"en_US.8859-1", 0, "en_US", "819", ""},
        {"de_de.UTF-8@euro", 0, "de_DE", "57372", "euro"},
        {"C", -1, "", "", ""},
        {"en_US.nosuch", -1, "", "", ""},
    };
    for (const auto &row : rows) {
        char lang_terr[gls::kLangTerrSize] = "";
        char number[gls::kCsNumTextSize] = "";
        char modifier[gls::kModifierSize] = "";
        ASSERT_EQ(spec2pieces(row.spec, lang_terr, number, modifier), row.result) << row.spec;
        if (row.result != 0) continue;
        EXPECT_STREQ(lang_terr, row.lang_terr);
        EXPECT_STREQ(number, row.number);
        EXPECT_STREQ(modifier, row.modifier);
    }
}

TEST_F(Spec, PrependosAddsTheDirectoryAndStaysInItsBuffer) {
    char out[kSpecBufferSize];
    EXPECT_EQ(prependos("C", out), out);
    EXPECT_STREQ(out, "os/C");
    const std::string huge(2 * kSpecBufferSize, 'z');
    (void)prependos(huge.c_str(), out);
    EXPECT_EQ(std::string(out), "os/" + huge.substr(0, kSpecBufferSize - 4));
}

TEST_F(Spec, ExtrspecReadsOneValueOfAComposite) {
    const std::string value40(40, 'v');
    const std::string text = composite({"en_US.819", "de_DE.8859-1", value40});
    const struct {
        const char *category;
        int wide;
        int result;
        std::string value;
    } rows[] = {
        {"GL_CTYPE", 0, 0, "en_US.819"},
        {"GL_COLLATE", 0, 0, "de_DE.8859-1"},
        {"GL_NUMERIC", 0, 0, value40.substr(0, 36)},
        {"GL_NUMERIC", 1, 0, value40.substr(0, 39)},
        {"GL_TIME", 0, -1, ""},
    };
    for (const auto &row : rows) {
        char out[kExtrSpecWideSize];
        std::strcpy(out, "stale");
        EXPECT_EQ(extrspec(text.c_str(), row.category, out, row.wide), row.result) << row.category;
        EXPECT_EQ(std::string(out), row.value) << row.category << " wide " << row.wide;
    }
    // Without blanks around "=" the name swallows the value: nothing is read.
    char out[kExtrSpecSize];
    EXPECT_EQ(extrspec("GL_CTYPE=en_US.819", "GL_CTYPE", out, 0), 0);
    EXPECT_STREQ(out, "");
}

TEST_F(Spec, Spec2fnameNamesFilesAndFallsBackToOperatingSystemNames) {
    const struct {
        std::string spec;
        int os_names_in;
        std::string names;
        std::vector<int32_t> flags;
        int os_names_out;
    } rows[] = {
        {"en_US.8859-1", 0, "en_us/0333.lco", {1, 1, 1, 1, 1, 1}, 0},
        {"de_DE.utf8@euro", 0, "de_de/e01ceuro.lco", {1, 1, 1, 1, 1, 1}, 0},
        {"en_US.8859-1", 1, "os/en_US.8859-1", {0, 0, 0, 0, 0, 0}, 1},
        {"en_US.nosuch", 0, "os/en_US.nosuch", {0, 0, 0, 0, 0, 0}, 1},
        {"C", 0, "os/C", {0, 0, 0, 0, 0, 0}, 1},
        {composite({"en_US.819", "en_US.8859-1"}),
         0,
         "GL_CTYPE = en_us/0333.lco ; GL_COLLATE = en_us/0333.lco ; ",
         {1, 1, 1, 1, 1, 1},
         0},
        // CTYPE resolves, COLLATE does not; absent categories get "os/".
        {composite({"en_US.819", "C"}),
         0,
         composite({"en_us/0333.lco", "os/C", "os/", "os/", "os/", "os/"}),
         {1, 0, 0, 0, 0, 0},
         1},
        {composite({"en_US.819", "en_US.819", "en_US.819", "en_US.819", "en_US.819", "C.UTF-8"}),
         1,
         composite({"os/en_US.819", "os/en_US.819", "os/en_US.819", "os/en_US.819", "os/en_US.819",
                    "os/C.UTF-8"}),
         {0, 0, 0, 0, 0, 0},
         1},
    };
    for (const auto &row : rows) {
        char names[kSpecBufferSize];
        int32_t flags[kCategoryCount] = {-1, -1, -1, -1, -1, -1};
        int os_names = row.os_names_in;
        spec2fname(row.spec.c_str(), names, flags, &os_names);
        EXPECT_EQ(std::string(names), row.names) << row.spec;
        EXPECT_EQ(std::vector<int32_t>(flags, flags + kCategoryCount), row.flags) << row.spec;
        EXPECT_EQ(os_names, row.os_names_out) << row.spec;
    }
}

TEST_F(Spec, LongestCompositeStaysWithinItsBuffer) {
    // Six values of 36 characters under their operating-system names: the
    // largest text the front end can hand to the loader.
    const std::string value(kMaxCategorySpec, 'w');
    const std::string spec = composite(std::vector<std::string>(kCategoryCount, value));
    char names[kSpecBufferSize];
    int32_t flags[kCategoryCount];
    int os_names = 0;
    spec2fname(spec.c_str(), names, flags, &os_names);
    EXPECT_EQ(std::string(names),
              composite(std::vector<std::string>(kCategoryCount, "os/" + value)));
    EXPECT_GT(std::strlen(names), gls::kLcFnameSize);
}

TEST_F(Spec, Mk1loccatBuildsEntriesFromTheCategorySpecs) {
    const char *const values[kCategoryCount] = {"de_DE.819", "en_US.819", "fr_FR.819@euro",
                                                "es_ES.819", "C",         "de_DE.819"};
    for (int i = 0; i < kCategoryCount; ++i)
        std::strcpy(new_gls_env.category_specs[i], values[i]);
    char buffer[kSpecBufferSize] = "old text";
    for (int i = 0; i < kCategoryCount; ++i)
        mk1loccat(nullptr, i, buffer, 0, nullptr, 0);
    EXPECT_EQ(std::string(buffer),
              composite(std::vector<std::string>(values, values + kCategoryCount)));

    // Refreshing puts another code set into the specs that have pieces.
    buffer[0] = '\0';
    mk1loccat(nullptr, kFeCtype, buffer, 1, "57372", 0);
    mk1loccat(nullptr, kFeMonetary, buffer, 1, "57372", 0);
    mk1loccat(nullptr, kFeTime, buffer, 1, "57372", 0);
    EXPECT_EQ(std::string(buffer),
              "GL_CTYPE = de_DE.57372 ; GL_MONETARY = es_ES.57372 ; GL_TIME = C ; ");
    EXPECT_EQ(specs(kFeMonetary), "es_ES.57372");
    EXPECT_EQ(specs(kFeTime), "C");

    // A given name is appended, and stored only when asked.
    buffer[0] = '\0';
    mk1loccat("os/C", kFeCtype, buffer, 0, nullptr, 0);
    mk1loccat("ja_JP.ujis", kFeNumeric, buffer, 0, nullptr, 1);
    EXPECT_EQ(std::string(buffer), "GL_CTYPE = os/C ; GL_NUMERIC = ja_JP.ujis ; ");
    EXPECT_EQ(specs(kFeCtype), "de_DE.57372");
    EXPECT_EQ(specs(kFeNumeric), "ja_JP.ujis");
}

TEST_F(Spec, Lcspec2longspCutsInPlaceAndFillsEveryCategory) {
    std::string text(50, 'k');
    lcspec2longsp(text.data(), new_gls_env.category_specs);
    EXPECT_EQ(std::strlen(text.c_str()), kMaxCategorySpec);
    for (int i = 0; i < kCategoryCount; ++i)
        EXPECT_EQ(specs(i), std::string(kMaxCategorySpec, 'k')) << i;
    char exact[] = "en_US.819";
    lcspec2longsp(exact, new_gls_env.category_specs);
    for (int i = 0; i < kCategoryCount; ++i)
        EXPECT_EQ(specs(i), "en_US.819") << i;
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
