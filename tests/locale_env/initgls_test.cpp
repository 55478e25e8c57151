// initgls in the test's own process: the records it fills, its start
// through a first look-up, its failures and how they map to product errors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "env/env.h"
#include "gls/conv/conv.h"
#include "gls/load/locale.h"
#include "gls/util/util.h"
#include "locale_env/locale_env.h"
#include "tests/support/oom_walk.h"
#include "tests/support/owners.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

using testing::TempDir;

class InitGls : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::make_installation(inst);
        setenv("VELMORADDIR", inst.c_str(), 1);
        ASSERT_EQ(chdir(work.path().c_str()), 0);
    }
    static std::string field(int k) {
        const char *s = new_gls_env.strings[k];
        return s != nullptr ? s : "(null)";
    }
    static std::vector<std::string> specs() {
        std::vector<std::string> out;
        for (const auto &spec : new_gls_env.category_specs)
            out.emplace_back(spec);
        return out;
    }
    static std::vector<int32_t> file_flags() {
        const int32_t *f = new_gls_env.category_file_flags;
        return {f, f + kCategoryCount};
    }
    // Releases what a start loaded, so that the next one in the same test
    // starts from nothing and leaves nothing unreachable behind.
    static void drop_conversions() {
        GlsSettings &s = new_gls_env;
        for (gls::CvDesc **cd :
             {&s.cv_client_to_db, &s.cv_db_to_client, &s.cv_os_out, &s.cv_os_in}) {
            gls::gl_cv_unload(*cd);
            *cd = nullptr;
        }
    }
    static void reset_records() {
        drop_conversions();
        free_datetime();
        GlsSettings &s = new_gls_env;
        if (s.db_locale != gls_env.client_locale) gls::gl_lc_unload(s.db_locale);
        gls::gl_lc_unload(gls_env.client_locale);
        gls_env.client_locale = s.db_locale = s.os_locale = nullptr;
        for (int k = 0; k < kStrCount; ++k) {
            if ((s.alloc_flags & (1u << k)) != 0) gls::_gl_free_ptr(s.strings[k]);
            s.strings[k] = nullptr;
        }
        s.alloc_flags = 0;
        s.initialised_modes = 0;
    }

  protected:
    TempDir root;
    TempDir work;
    std::string inst = root / "inst";
};

TEST_F(InitGls, WithoutLocaleVariablesEverythingIsTheDefaultLocale) {
    ASSERT_EQ(initgls(kModeFrontEnd), 0);
    const GlsSettings &s = new_gls_env;
    ASSERT_NE(gls_env.client_locale, nullptr);
    EXPECT_EQ(s.db_locale, gls_env.client_locale);
    EXPECT_EQ(s.os_locale, gls_env.client_locale);
    EXPECT_EQ(s.cv_client_to_db, nullptr);
    EXPECT_EQ(specs(), std::vector<std::string>(kCategoryCount, "en_US.819"));
    EXPECT_EQ(file_flags(), std::vector<int32_t>(kCategoryCount, 1));
    EXPECT_EQ(field(kStrCLIENT_LOCALE), "en_US.8859-1");
    EXPECT_EQ(field(kStrDB_LOCALE), "(null)");
    // The sample configuration's DBDATE is kept as the value in effect.
    EXPECT_EQ(field(kStrDBDATE), "MDY4/");
    EXPECT_EQ(get_glserror(), 0);
    // The look-up answers from the record, below the process environment.
    EXPECT_STREQ(ggetenv("CLIENT_LOCALE"), "en_US.8859-1");
    setenv("CLIENT_LOCALE", "de_DE.819", 1);
    EXPECT_STREQ(ggetenv("CLIENT_LOCALE"), "de_DE.819");

    // A second start reads nothing and changes nothing.
    gls::Locale *client = gls_env.client_locale;
    EXPECT_EQ(initgls(kModeFrontEnd), 0);
    EXPECT_EQ(gls_env.client_locale, client);
    EXPECT_EQ(field(kStrCLIENT_LOCALE), "en_US.8859-1");
}

TEST_F(InitGls, CompositeClientLocaleGivesEachCategoryItsEntry) {
    const std::vector<std::string> same_code_set = {"en_US.819", "de_DE.819", "fr_FR.819",
                                                    "es_ES.819", "de_DE.819", "en_US.819"};
    const std::vector<std::string> with_os_name = {"en_US.57372", "C.utf8",      "de_DE.57372",
                                                   "de_DE.57372", "en_US.57372", "en_US.57372"};
    const struct {
        const char *client;
        std::vector<std::string> specs;
        std::vector<int32_t> flags;
        const char *collate_file;
    } rows[] = {
        {"GL_CTYPE = en_US.8859-1 ; GL_COLLATE = de_DE.819 ; GL_NUMERIC = fr_fr.latin-1 ; "
         "GL_MONETARY = es_ES.819 ; GL_TIME = de_DE.ISO-8859-1 ; GL_MESSAGES = en_US.819 ; ",
         same_code_set, std::vector<int32_t>(kCategoryCount, 1), "de_de/0333.lco"},
        {"GL_CTYPE = en_US.UTF-8 ; GL_COLLATE = C.utf8 ; GL_NUMERIC = de_DE.utf8 ; "
         "GL_MONETARY = de_DE.UTF-8 ; GL_TIME = en_US.utf8 ; GL_MESSAGES = en_US.utf8",
         with_os_name,
         {1, 0, 1, 1, 1, 1},
         "os/C.utf8"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.client);
        reset_records();
        setenv("CLIENT_LOCALE", row.client, 1);
        ASSERT_EQ(initgls(kModeFrontEnd), 0) << get_glserror();
        EXPECT_EQ(specs(), row.specs);
        EXPECT_EQ(file_flags(), row.flags);
        std::string normal;
        for (int i = 0; i < kCategoryCount; ++i)
            normal += std::string(cat_names[i].name) + " = " + row.specs[i] + " ; ";
        EXPECT_EQ(field(kStrCLIENT_LOCALE), normal);
        // The database follows the classification's locale.
        EXPECT_EQ(field(kStrDB_LOCALE), row.specs[0]);
        EXPECT_EQ(new_gls_env.db_locale, gls_env.client_locale);
        EXPECT_STREQ(gls_env.client_locale->file_names[1], row.collate_file);
    }
}

TEST_F(InitGls, FailedStartLeavesTheProcessFreeToTryAgain) {
    const std::string lco = inst + "/gls/lc11/en_us/0333.lco";
    ASSERT_EQ(unlink(lco.c_str()), 0);
    EXPECT_EQ(initgls(kModeFrontEnd), kGlsBadLocale);
    EXPECT_EQ(get_glserror(), kGlsBadLocale);
    EXPECT_EQ(new_gls_env.initialised_modes, 0);
    EXPECT_EQ(new_gls_env.initialising, 0);
    EXPECT_EQ(chkglsinit(), kGlsBadLocale);

    ASSERT_EQ(
        symlink((testing::build_installation() + "/gls/lc11/en_us/0333.lco").c_str(), lco.c_str()),
        0);
    EXPECT_EQ(chkglsinit(), 0);
    EXPECT_EQ(new_gls_env.initialised_modes, kModeFrontEnd);
    EXPECT_NE(gls_env.client_locale, nullptr);
    EXPECT_EQ(get_glserror(), 0);
}

TEST_F(InitGls, BadDbdateFailsTheStartAndReleasesItsDateSettings) {
    setenv("DBDATE", "Y3MD/", 1);
    setenv("USE_DTENV", "1", 1);
    setenv("GL_DATETIME", "%iY-%m-%d %H:%M", 1);
    EXPECT_EQ(initgls(kModeFrontEnd), -1212);
    const GlsSettings &s = new_gls_env;
    EXPECT_EQ(s.date_format, nullptr);
    EXPECT_EQ(field(kStrDBDATE), "(null)");
    EXPECT_EQ(s.month_list_b, nullptr);
    EXPECT_EQ(gls_env.client_locale, nullptr);
    EXPECT_EQ(s.initialised_modes, 0);

    setenv("DBDATE", "DMY4.", 1);
    ASSERT_EQ(chkglsinit(), 0);
    EXPECT_STREQ(s.date_format, "%d.%m.%iY");
    EXPECT_EQ(std::vector<int32_t>(s.component_order, s.component_order + 3),
              (std::vector<int32_t>{kCompDay, kCompMonth, kCompYear}));
    EXPECT_EQ(field(kStrDBDATE), "DMY4.");
    EXPECT_NE(s.month_list_b, nullptr);
    EXPECT_STREQ(gls_env.qualifier_formats[0][2], "%iY-%02m-%02d");
}

// A failed start leaves the string fields as the user gave them, whatever
// step failed, and leaves nothing behind that the records do not reach.
TEST_F(InitGls, FailedStartLeavesTheFieldsAsGiven) {
    char given[] = "de_DE.ISO-8859-1";
    new_gls_env.strings[kStrCLIENT_LOCALE] = given;
    setenv("DB_LOCALE", "de_DE.utf8", 1);
    ASSERT_EQ(unlink((inst + "/gls/cv9/e01c0333.cvo").c_str()), 0);
    EXPECT_EQ(initgls(kModeFrontEnd), kGlsNoConversion);
    EXPECT_EQ(new_gls_env.strings[kStrCLIENT_LOCALE], given);
    EXPECT_EQ(field(kStrDB_LOCALE), "(null)");
    EXPECT_EQ(new_gls_env.alloc_flags, 0u);
    new_gls_env.strings[kStrCLIENT_LOCALE] = nullptr;

    // Every allocation of a start fails in turn, the copies of the fields
    // among them; the default locale's path too.
    ASSERT_EQ(setup_glext_funcs(kModeFrontEnd), 0);
    setenv("DB_LOCALE", "en_US.cp1252", 1);
    for (const char *client : {"de_DE.8859-1", static_cast<const char *>(nullptr)}) {
        SCOPED_TRACE(client != nullptr ? client : "(default)");
        client != nullptr ? setenv("CLIENT_LOCALE", client, 1) : unsetenv("CLIENT_LOCALE");
        // The start's records are released with its result.
        struct Start {
            int status;
            ~Start() { reset_records(); }
        };
        int copy_failures = 0;
        gls::testing::walk_allocation_failures(
            [] {
                new_gls_env.initialising = 1;  // as initgls marks its work
                Start start{init_fe()};
                new_gls_env.initialising = 0;
                return start;
            },
            [&copy_failures](const Start &start, bool failed) {
                if (!failed) {
                    EXPECT_EQ(start.status, 0);
                }
                if (start.status == 0) return;
                copy_failures += start.status == kGlsCopyNoMemory ? 1 : 0;
                for (int k = 0; k < kStrCount; ++k)
                    EXPECT_EQ(field(k), "(null)");
                EXPECT_EQ(new_gls_env.alloc_flags, 0u);
            });
        EXPECT_GT(copy_failures, 0);
    }
}

// Which conversions a start loads, the whole program shows; here the
// file-name conversions and the out-of-memory paths.
TEST_F(InitGls, ConversionsBetweenCodeSets) {
    // The third and fourth specifications load the file-name conversions;
    // without a database their failure is no failure.
    drop_conversions();
    EXPECT_EQ(initcscdesc(nullptr, nullptr, "en_US.819", "de_DE.utf8"), 0);
    EXPECT_NE(new_gls_env.cv_os_out, nullptr);
    EXPECT_NE(new_gls_env.cv_os_in, nullptr);
    drop_conversions();
    EXPECT_EQ(initcscdesc(nullptr, nullptr, "ja_JP.sjis", "ko_KR.ksc"), 0);
    EXPECT_EQ(new_gls_env.cv_os_out, nullptr);
    EXPECT_EQ(initcscdesc("en_US.819", "en_US.819", "ja_JP.sjis", "ko_KR.ksc"), kGlsNoConversion);

    // Out of memory anywhere in a load is -23102, except for a converter's
    // look-up index, which only speeds it up: without it the load succeeds.
    struct Loaded {
        int status;
        bool both;
        ~Loaded() { drop_conversions(); }
    };
    gls::testing::walk_allocation_failures(
        [] {
            const int status = initcscdesc("de_DE.utf8", "en_US.819", "en_US.819", "en_US.819");
            return Loaded{status, new_gls_env.cv_client_to_db != nullptr &&
                                      new_gls_env.cv_db_to_client != nullptr};
        },
        [](const Loaded &loaded, bool) {
            EXPECT_EQ(loaded.both, loaded.status == 0);
            if (loaded.status != 0) {
                EXPECT_EQ(loaded.status, kGlsNoMemory);
            }
        });
}

// initgls cannot reach the back end (only mode 1 installs the services),
// so its start is driven directly, with the services of the front end.
TEST_F(InitGls, BackEndLoadsTheDefaultAndTheServerLocale) {
    ASSERT_EQ(setup_glext_funcs(kModeFrontEnd), 0);
    const GlsSettings &s = new_gls_env;
    ASSERT_EQ(init_be(), 0) << get_glserror();
    EXPECT_EQ(s.back_end & 1, 1);
    EXPECT_NE(gls_env.client_locale, nullptr);
    EXPECT_NE(s.os_locale, nullptr);
    EXPECT_EQ(specs(), std::vector<std::string>(kCategoryCount, "en_US.819"));
    // The default server locale is left where the process can see it.
    EXPECT_STREQ(ggetenv("SERVER_LOCALE"), "en_US.819");
    EXPECT_EQ(s.cv_os_out, nullptr);
    gls::gl_lc_unload(s.os_locale);
    new_gls_env.os_locale = nullptr;
    reset_records();

    // A server in another code set gets the file-name conversions; one
    // that names no locale fails the start.
    setenv("SERVER_LOCALE", "de_DE.utf8", 1);
    ASSERT_EQ(init_be(), 0) << get_glserror();
    EXPECT_NE(s.cv_os_out, nullptr);
    gls::gl_lc_unload(s.os_locale);
    new_gls_env.os_locale = nullptr;
    reset_records();
    setenv("SERVER_LOCALE", "xx_XX.nosuch", 1);
    EXPECT_EQ(init_be(), -1);
    reset_records();
}

TEST_F(InitGls, Gls8bitfsysTakesOnlyZeroAndOne) {
    const struct {
        const char *value;
        int32_t after;
    } rows[] = {{"0", 0}, {"2", 0}, {"", 0}, {"1", 1}, {"01", 1}, {"0", 0}, {nullptr, 0}};
    new_gls_env.initialised_modes = kModeFrontEnd;
    for (const auto &row : rows) {
        row.value != nullptr ? setenv("GLS8BITFSYS", row.value, 1) : unsetenv("GLS8BITFSYS");
        EXPECT_EQ(set8bitfsys(), 0);
        EXPECT_EQ(_8bitfsys, row.after) << (row.value != nullptr ? row.value : "(unset)");
    }
}

}  // namespace
}  // namespace velmorad
