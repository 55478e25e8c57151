// Loading locale objects: the file chosen for each category, the framing
// of the file, the name string, and how a failure (out of memory too)
// leaves the object.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "gls/format/format.h"
#include "gls/load/locale.h"
#include "gls/util/util.h"
#include "tests/gls/lco_fixture.h"
#include "tests/support/oom_walk.h"

namespace gls {
namespace {

using testing::LcoInstallation;
using testing::LocalePtr;
using testing::null_locale;
using testing::sample_file;
using testing::set_locale;
using testing::text_of;

// The name string of category 1 when every category comes from `name`.
std::string all_from(const std::string &name) {
    std::string out;
    for (const char *key :
         {"GL_CTYPE", "GL_COLLATE", "GL_NUMERIC", "GL_MONETARY", "GL_TIME", "GL_MESSAGES"})
        out += std::string(key) + " = " + name + " ; ";
    return out;
}

std::string file_name(Locale *loc, int category) {
    return loc->file_names[category_slot(category)];
}

TEST(LocaleLoad, EverySectionOfOneFileLoads) {
    LcoInstallation inst;
    inst.write("xx_yy.lco", sample_file());
    auto loc = null_locale();
    auto result = set_locale(loc.get(), kCatAll, "xx_yy.lco");
    ASSERT_TRUE(result.loaded) << result.error;
    EXPECT_EQ(result.error, 0U);
    EXPECT_EQ(result.names, all_from("xx_yy.lco"));
    for (int category = kFirstCategory; category <= kLastCategory; ++category)
        EXPECT_EQ(set_locale(loc.get(), category, nullptr).names, "xx_yy.lco");
    EXPECT_EQ(loc->ctype.single_byte, 1);
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemCodeSet)), "8859-1");
    EXPECT_EQ(set_locale(loc.get(), kCatAll, nullptr).names, result.names);
}

TEST(LocaleLoad, NameStringSelectsTheSameFilesAgain) {
    LcoInstallation inst;
    inst.write("base.lco", sample_file());
    auto time = testing::sample_time();
    time.date_format = "%Y-%m-%d";
    inst.write("t.lco", testing::with_time(time));

    auto first = null_locale();
    auto composite =
        "GL_TIME = t.lco ; GL_CTYPE=base.lco ; GL_COLLATE =   base.lco ; "
        "GL_NUMERIC = base.lco ; GL_MONETARY = base.lco ; GL_MESSAGES = base.lco";
    auto loaded = set_locale(first.get(), kCatAll, composite);
    ASSERT_TRUE(loaded.loaded) << loaded.error;
    EXPECT_EQ(file_name(first.get(), kCatTime), "t.lco");

    auto second = null_locale();
    auto again = set_locale(second.get(), kCatAll, loaded.names.c_str());
    ASSERT_TRUE(again.loaded) << again.error;
    EXPECT_EQ(again.names, loaded.names);
    EXPECT_EQ(text_of(gl_nl_langinfo(second.get(), kItemDateFormat)), "%Y-%m-%d");
    EXPECT_EQ(text_of(gl_nl_langinfo(second.get(), kItemDecimalPoint)), ",");
}

TEST(LocaleLoad, SpecificationNamingSomeCategoriesStopsAtTheFirstUnnamed) {
    LcoInstallation inst;
    inst.write("a.lco", sample_file());
    auto loc = null_locale();
    auto result = set_locale(loc.get(), kCatAll, "GL_CTYPE = a.lco ; GL_COLLATE = a.lco");
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(result.error, GL_EFILE);
    EXPECT_EQ(file_name(loc.get(), kCatCtype), "a.lco");
    EXPECT_EQ(file_name(loc.get(), kCatCollate), "a.lco");
    EXPECT_EQ(file_name(loc.get(), kCatNumeric), "");
    EXPECT_EQ(gl_nl_langinfo(loc.get(), kItemDecimalPoint), nullptr);
}

// Rows of tests/fixtures/gls/objects_environment.
TEST(LocaleLoad, EnvironmentChoosesTheFiles) {
    LcoInstallation inst;
    for (const char *name : {"all.lco", "time.lco", "lang.lco", "default.lco"})
        inst.write(name, sample_file());
    for (const auto &row : velmorad::testing::fixture_rows("gls/objects_environment")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string> &f = row.fields;
        for (size_t i = 0; i < 3; ++i) {
            const char *name = i == 0 ? "GL_ALL" : i == 1 ? "GL_TIME" : "GL_LANG";
            if (f[i] == "-") {
                unsetenv(name);
            } else {
                setenv(name, f[i].c_str(), 1);
            }
        }
        auto loc = null_locale();
        auto result = set_locale(loc.get(), kCatAll, "");
        EXPECT_EQ(result.loaded, f[3] != "fails");
        EXPECT_EQ(result.error, f[3] != "fails" ? 0U : std::stoul(f[4]));
        if (!result.loaded) continue;
        EXPECT_EQ(file_name(loc.get(), kCatCtype), f[3]);
        EXPECT_EQ(file_name(loc.get(), kCatTime), f[4]);
    }
}

TEST(LocaleLoad, NativeReadsTheDefaultFileUnderItsOwnName) {
    LcoInstallation inst;
    inst.write("default.lco", sample_file());
    auto loc = null_locale();
    auto result = set_locale(loc.get(), kCatAll, "native");
    ASSERT_TRUE(result.loaded) << result.error;
    EXPECT_EQ(result.names, all_from("native"));
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemNoString)), "nein");
}

TEST(LocaleLoad, RefusesBadCategoriesLongSpecificationsAndLongNames) {
    LcoInstallation inst;
    inst.write("a.lco", sample_file());
    const std::string long_spec(kLocaleNameSize + 1, 'a');
    const std::string long_name(kLocaleFileNameSize, 'a');  // 33 characters
    const std::string long_keyed = "GL_CTYPE = " + long_name;
    struct Row {
        int category;
        const char *spec;
        uint32_t error;
    } rows[] = {
        {0, "a.lco", GL_EBADITEM},
        {kLastCategory + 1, "a.lco", GL_EBADITEM},
        {kCatAll, long_spec.c_str(), GL_EBADITEM},
        {kCatAll, long_name.c_str(), GL_EFILE},
        {kCatCtype, long_keyed.c_str(), GL_EFILE},
        {kCatCtype, "GL_CTYPE a.lco", GL_EFILE},  // a key without "="
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.spec);
        auto loc = null_locale();
        auto result = set_locale(loc.get(), row.category, row.spec);
        EXPECT_FALSE(result.loaded);
        EXPECT_EQ(result.error, row.error);
    }
}

// Rows of tests/fixtures/gls/objects_headers.
TEST(LocaleLoad, BrokenHeadersFailTheCategory) {
    LcoInstallation inst;
    for (const auto &row : velmorad::testing::fixture_rows("gls/objects_headers")) {
        SCOPED_TRACE(row.where);
        const std::string &damage = row.fields[1], &value = row.fields[2];
        auto file = sample_file(damage == "code_set" ? value : "8859-1");
        LcoDamage d;
        if (damage == "line1") d.file_type_line = value;
        if (damage == "line2") d.version_line = value;
        if (damage == "line3") d.count_line = value;
        if (damage == "extra") file.extra_header = velmorad::testing::lines_of(value);
        if (damage == "cut") d.cut_at = std::stoul(value);
        if (damage == "unmarked") d.unmarked = {std::stoi(value)};
        inst.write("h.lco", file, d);
        auto loc = null_locale();
        auto result = set_locale(loc.get(), kCatAll, "h.lco");
        const auto error = std::stoul(row.fields[3]);
        EXPECT_EQ(result.loaded, error == 0);
        EXPECT_EQ(result.error, error);
        if (error == 0) continue;
        // The first category failed: it is null, and nothing else loaded.
        EXPECT_STREQ(loc->codeset_names[0], "");
        EXPECT_EQ(file_name(loc.get(), kCatCtype), "");
        EXPECT_EQ(_gl_multi_max_length(loc->ctype.char_tree), 0U);
    }
}

TEST(LocaleLoad, MissingMarkerFailsOnlyItsCategory) {
    LcoInstallation inst;
    LcoDamage no_time_marker;
    no_time_marker.unmarked = {kCatTime};
    inst.write("nt.lco", sample_file(), no_time_marker);
    auto loc = null_locale();
    auto all = set_locale(loc.get(), kCatAll, "nt.lco");
    EXPECT_FALSE(all.loaded);
    EXPECT_EQ(all.error, GL_ESHORTFILE);
    EXPECT_EQ(file_name(loc.get(), kCatMonetary), "nt.lco");
    EXPECT_EQ(file_name(loc.get(), kCatTime), "");
    EXPECT_EQ(gl_nl_langinfo(loc.get(), kItemDateFormat), nullptr);
    // The same file still serves the category after the missing one.
    auto messages = set_locale(loc.get(), kCatMessages, "nt.lco");
    ASSERT_TRUE(messages.loaded) << messages.error;
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemYesString)), "ja");
}

TEST(LocaleLoad, CodeSetsMustAgree) {
    LcoInstallation inst;
    inst.write("l1.lco", sample_file("8859-1"));
    inst.write("alias.lco", sample_file("latin-1"));  // the same code set by another name
    inst.write("l2.lco", sample_file("8859-2"));

    // A category whose file is in another code set than the classification's.
    auto mixed = null_locale();
    auto result = set_locale(mixed.get(), kCatAll,
                             "GL_CTYPE = l1.lco ; GL_COLLATE = alias.lco ; "
                             "GL_NUMERIC = l2.lco ; GL_MONETARY = l1.lco");
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(result.error, GL_ECSCATEGORY);
    EXPECT_EQ(file_name(mixed.get(), kCatCollate), "alias.lco");
    EXPECT_EQ(file_name(mixed.get(), kCatNumeric), "");

    // A new classification leaves the other categories in the old code set:
    // the load succeeds and the mismatch is reported through the error.
    auto loc = null_locale();
    ASSERT_TRUE(set_locale(loc.get(), kCatAll, "l1.lco").loaded);
    auto ctype = set_locale(loc.get(), kCatCtype, "l2.lco");
    EXPECT_TRUE(ctype.loaded);
    EXPECT_EQ(ctype.names, "l2.lco");
    EXPECT_EQ(ctype.error, GL_EMIXEDCS);
    // Once the other categories follow, the mismatch is gone; the messages
    // category, still in the old code set, is not compared.
    for (int category : {kCatCollate, kCatNumeric, kCatMonetary})
        EXPECT_EQ(set_locale(loc.get(), category, "l2.lco").error, GL_EMIXEDCS) << category;
    auto last = set_locale(loc.get(), kCatTime, "l2.lco");
    EXPECT_TRUE(last.loaded);
    EXPECT_EQ(last.error, 0U);
    EXPECT_STREQ(loc->codeset_names[category_slot(kCatMessages)], "8859-1");
}

TEST(LocaleLoad, FailuresWithoutAFinerReason) {
    LcoInstallation inst;
    // A classification without characters: the text categories need one.
    auto empty_ctype = sample_file();
    testing::replace_section(empty_ctype, kCatCtype, testing::ctype_section(true));
    inst.write("empty.lco", empty_ctype);
    // Collation rules the reader does not know carry no code of their own.
    auto odd_rules = sample_file();
    testing::replace_section(odd_rules, kCatCollate, "unknown_rules\n");
    inst.write("rules.lco", odd_rules);

    auto loc = null_locale();
    auto result = set_locale(loc.get(), kCatAll, "empty.lco");
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(result.error, GL_ENOCTYPE);
    EXPECT_EQ(file_name(loc.get(), kCatCollate), "empty.lco");
    EXPECT_EQ(file_name(loc.get(), kCatNumeric), "");

    auto other = null_locale();
    auto rules = set_locale(other.get(), kCatAll, "rules.lco");
    EXPECT_FALSE(rules.loaded);
    EXPECT_EQ(rules.error, GL_ELOADFAIL);
    EXPECT_EQ(file_name(other.get(), kCatCtype), "rules.lco");
    EXPECT_EQ(file_name(other.get(), kCatCollate), "");
}

TEST(LocaleLoad, AFailedReloadLeavesOnlyThatCategoryNull) {
    LcoInstallation inst;
    auto time = testing::sample_time();
    time.calendar = "julian";
    inst.write("julian.lco", testing::with_time(time));
    auto loc = inst.load("good.lco");
    auto result = set_locale(loc.get(), kCatTime, "julian.lco");
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(result.error, GL_ECALENDAR);
    EXPECT_EQ(file_name(loc.get(), kCatTime), "");
    EXPECT_EQ(gl_nl_langinfo(loc.get(), kItemDateFormat), nullptr);
    EXPECT_EQ(gl_get_era_count(loc.get()), 0);
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemDecimalPoint)), ",");
    // And the category loads again from a good file.
    ASSERT_TRUE(set_locale(loc.get(), kCatTime, "good.lco").loaded);
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemDateFormat)), "%d/%m/%y");
}

TEST(LocaleLoad, StandInObjectsAreNeverLoadedOrReleased) {
    LcoInstallation inst;
    inst.write("a.lco", sample_file());
    EXPECT_EQ(gl_setlocale_4(&loc_nomem, kCatAll, "a.lco"), nullptr);
    EXPECT_EQ(gl_setlocale_4(&loc_filer, 0, nullptr), nullptr);
    EXPECT_EQ(gl_setlocale_4(nullptr, kCatAll, "a.lco"), nullptr);
    gl_lc_unload(&loc_nomem);
    gl_lc_unload(&loc_filer);
    gl_lc_unload(nullptr);
    EXPECT_EQ(loc_nomem.error, GL_ENOMEM);
    EXPECT_EQ(loc_filer.error, GL_EFILE);
    EXPECT_EQ(loc_nomem.ctype.char_tree, nullptr);
}

// A locale and the name string a load gave, released together.
struct Loaded {
    LocalePtr loc;
    char *names = nullptr;
    ~Loaded() { gl_destroystring(names); }
};

// Every allocation of a load failed in turn: the load fails with
// GL_ENOMEM, and unloading leaves nothing behind (the walk counts).
TEST(LocaleLoadMemory, EveryAllocationOfAWholeLoad) {
    LcoInstallation inst;
    inst.write("a.lco", sample_file());
    const long failures = testing::walk_allocation_failures(
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
        testing::walk_allocation_failures(
            [category](const testing::Arm &arm) {
                auto loaded = std::make_unique<Loaded>();
                loaded->loc = null_locale();
                gl_destroystring(gl_setlocale_4(loaded->loc.get(), kCatAll, "a.lco"));
                arm();
                loaded->names = gl_setlocale_4(loaded->loc.get(), category, "b.lco");
                return loaded;
            },
            [category](const std::unique_ptr<Loaded> &loaded, bool failed) {
                EXPECT_TRUE(loaded->names != nullptr || failed);
                if (!failed) return;
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
