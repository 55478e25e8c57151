// The process's date and time formats: the cases of
// tests/fixtures/datetime/translations.txt through the real translators,
// the month and era caches, the qualifier table, and every out-of-memory
// path of initdatetime.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gls/load/locale.h"
#include "locale_env/locale_env.h"
#include "msg/msg.h"
#include "tests/support/oom_walk.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

using testing::TempDir;

std::string text(const char *s) {
    return s != nullptr ? s : "(null)";
}

std::vector<std::string> block_texts(StringBlock *block) {
    std::vector<std::string> out;
    for (intptr_t i = 0; i < block->count; ++i)
        out.push_back(text(block_strings(block)[i]));
    return out;
}

class DateTime : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::make_installation(inst);
        setenv("VELMORADDIR", inst.c_str(), 1);
        ASSERT_EQ(chdir(work.path().c_str()), 0);
        // Counted as started, so that the date functions never start the
        // whole locale environment themselves: each case names its locale.
        new_gls_env.initialised_modes = kModeFrontEnd;
    }
    void TearDown() override {
        free_datetime();
        gls_env.client_locale = nullptr;
        for (auto &[spec, loc] : loaded)
            gls::gl_lc_unload(loc);
    }
    // Makes spec the client locale ("-": none).
    void use_locale(const std::string &spec) {
        if (spec == "-") {
            gls_env.client_locale = nullptr;
            return;
        }
        gls::Locale *&loc = loaded[spec];
        int32_t flags[kCategoryCount];
        if (loc == nullptr) {
            ASSERT_EQ(get_locale(&loc, spec.c_str(), flags), 0) << spec;
        }
        gls_env.client_locale = loc;
    }
    static void use_dtenv(const char *value) {
        value != nullptr ? setenv("USE_DTENV", value, 1) : unsetenv("USE_DTENV");
        CheckGenInit()->use_dtenv_bits = 0;  // read again
    }

    TempDir root;
    TempDir work;
    std::string inst = root / "inst";
    std::map<std::string, gls::Locale *> loaded;
};

void dbdate_case(const std::vector<std::string> &f) {
    ASSERT_EQ(f.size(), 5u);
    const std::string &expected = f[2];
    char *format = nullptr;
    int32_t kind = -1;
    int32_t order[kDateComponents];
    const int status = dbdate_to_gl_date(f[1].c_str(), &format, &kind, order, nullptr);
    std::string got = status == 0 ? format : "!" + std::to_string(status);
    cl_ext_free(status == 0 ? format : nullptr);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(std::to_string(kind), f[3]);
    EXPECT_EQ(
        std::to_string(order[0]) + " " + std::to_string(order[1]) + " " + std::to_string(order[2]),
        f[4]);
    // The same into a caller's buffer of exactly the documented size.
    std::vector<char> buffer(kDbdateFormatSize);
    const int again = dbdate_to_gl_date(f[1].c_str(), &format, &kind, order, buffer.data());
    EXPECT_EQ(again, status);
    if (again == 0) {
        EXPECT_EQ(format, buffer.data());
        EXPECT_EQ(std::string(buffer.data()), expected);
    }
}

void dbtime_case(const std::vector<std::string> &f) {
    ASSERT_EQ(f.size(), 5u);
    char *format = nullptr;
    int32_t kind = -1;
    const int status = dbtime_to_gl_date(f[2].c_str(), std::stoi(f[1]), &format, &kind, 1);
    EXPECT_EQ(status == 0 ? text(format) : "!" + std::to_string(status), f[3]);
    EXPECT_EQ(std::to_string(kind), f[4]);
    cl_ext_free(format);
}

void setting_case(const std::vector<std::string> &f) {
    ASSERT_EQ(f.size(), 6u);
    const char *dbdate = f[2] == "-" ? nullptr : f[2].c_str();
    const char *gldate = f[3] == "-" ? nullptr : f[3].c_str();
    const int status = nogetenv_getglsfmt(dbdate, gldate, nullptr, 1);
    const GlsSettings &s = new_gls_env;
    EXPECT_EQ(status == 0 ? text(s.date_format) : "!" + std::to_string(status), f[4]);
    if (status == 0) {
        EXPECT_EQ(std::to_string(s.compact_origin), f[5]);
    }
    // The value used is the record's own copy.
    if (dbdate != nullptr) {
        EXPECT_EQ(text(s.strings[kStrDBDATE]), f[2]);
    } else if (gldate != nullptr) {
        EXPECT_EQ(text(s.strings[kStrGL_DATE]), f[3]);
    }
}

void expand_case(const std::vector<std::string> &f) {
    ASSERT_EQ(f.size(), 4u);
    const std::string &expected = f[3];
    const size_t needed = expandformat(f[2].c_str(), nullptr, 0);
    EXPECT_EQ(needed, expected.size());
    std::vector<char> out(needed + 1);
    EXPECT_EQ(expandformat(f[2].c_str(), out.data(), out.size()), needed);
    EXPECT_EQ(std::string(out.data()), expected);
    // A buffer too small is filled as far as it goes and terminated.
    std::vector<char> small(needed / 2 + 1);
    EXPECT_EQ(expandformat(f[2].c_str(), small.data(), small.size()), needed);
    EXPECT_EQ(std::string(small.data()), expected.substr(0, small.size() - 1));
}

void qual_case(const std::vector<std::string> &f) {
    ASSERT_EQ(f.size(), 5u);
    char *cut = qualtofmt(std::stoi(f[2], nullptr, 16), f[3].c_str());
    EXPECT_EQ(text(cut), f[4]);
    cl_ext_free(cut);
}

TEST_F(DateTime, NotationsOfTheFixtureThroughTheRealFunctions) {
    std::ifstream in(testing::source_dir() + "/tests/fixtures/datetime/translations.txt");
    ASSERT_TRUE(in.good());
    size_t cases = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        SCOPED_TRACE(line);
        std::vector<std::string> f = testing::fields_of(line, '\t');
        for (std::string &field : f)
            field = field == "(empty)" ? "" : field;
        const std::string &kind = f[0];
        if (kind == "dbdate") {
            dbdate_case(f);
        } else if (kind == "dbtime") {
            dbtime_case(f);
        } else {
            ASSERT_GE(f.size(), 2u);
            use_locale(f[1]);
            if (kind == "setting") {
                setting_case(f);
            } else if (kind == "expand") {
                expand_case(f);
            } else if (kind == "qual") {
                qual_case(f);
            } else {
                ADD_FAILURE() << "unknown case kind " << kind;
            }
        }
        ++cases;
    }
    EXPECT_GE(cases, 80u);
}

TEST_F(DateTime, MonthAndEraNamesAreCachedLowerCasedWithEnglishForGregorianLocales) {
    const std::vector<std::string> english = {"january",   "february", "march",    "april",
                                              "may",       "june",     "july",     "august",
                                              "september", "october",  "november", "december"};
    const struct {
        const char *spec;
        int gregorian;
        const char *march;  // the locale's own full name, lower-cased
        int eras;
    } rows[] = {
        {"en_US.819", 1, "march", 0},
        {"de_DE.819", 1, "m\xe4rz", 0},  // "März" in ISO-8859-1
        {"ru_RU.utf8", 1, "марта", 0},   // genitive, as the locale writes it
        {"ja_JP.utf8", 1, "3月", 11},
        {"he_IL.utf8@hebrew", 0, "כסלו", 0},  // the third Hebrew month
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.spec);
        use_locale(row.spec);
        ASSERT_EQ(initdatetime(), 0);
        const GlsSettings &s = new_gls_env;
        EXPECT_EQ(s.gregorian, row.gregorian);
        StringBlock *full = s.month_list_b;
        ASSERT_NE(full, nullptr);
        if (row.gregorian == 1) {
            // The English block is added last, so it comes first.
            EXPECT_EQ(block_texts(full), english);
            EXPECT_EQ(block_strings(s.month_list_a)[11], std::string("dec"));
            full = full->next;
            ASSERT_NE(full, nullptr);
            EXPECT_NE(s.month_list_a->next, nullptr);
        }
        EXPECT_EQ(full->next, nullptr);
        EXPECT_EQ(text(block_strings(full)[2]), row.march);
        if (row.eras == 0) {
            EXPECT_EQ(s.era_list_a, nullptr);
            EXPECT_EQ(s.era_list_b, nullptr);
        } else {
            ASSERT_NE(s.era_list_b, nullptr);
            EXPECT_EQ(s.era_list_b->count, row.eras);
            EXPECT_EQ(s.era_list_a->count, row.eras);
        }
    }
}

TEST_F(DateTime, LowerCaseThatGrowsIsWrittenWholeIntoTheRoomOfItsCopy) {
    use_locale("en_US.utf8");
    // "Ⱥ" (2 bytes) lower-cases to "ⱥ" (3 bytes).
    char *slot = static_cast<char *>(cl_ext_malloc(5));
    std::memcpy(slot,
                "\xc8\xba"
                "BC",
                5);
    downcase_gls_string(&slot);
    EXPECT_EQ(std::string(slot),
              "\xe2\xb1\xa5"
              "bc");
    cl_ext_free(slot);

    // With only the original's room the lower case cannot fit: the string
    // stays as it was, never cut inside a character or left unterminated.
    std::vector<char> tight = {'\xc8', '\xba', 'B', 'C', '\0'};
    EXPECT_EQ(tolower_string(tight.data(), tight.size()), -1);
    EXPECT_EQ(std::string(tight.data()),
              "\xc8\xba"
              "BC");

    use_locale("de_DE.819");
    std::vector<char> latin = {'\xc4', 'R', 'G', 'E', 'R', '\0'};
    EXPECT_EQ(tolower_string(latin.data(), latin.size()), 5);
    EXPECT_EQ(std::string(latin.data()), "\xe4rger");
    EXPECT_EQ(tolower_string(latin.data() + 5, 1), 0);
}

TEST_F(DateTime, QualifierFormatsOnlyWhenUseDtenvIsExactlyOne) {
    use_locale("en_US.819");
    setenv("GL_DATETIME", "%iY-%m-%d %H:%M:%S.%F3", 1);
    unsetenv("DBTIME");
    const struct {
        const char *value;
        bool on;
    } rows[] = {{nullptr, false}, {"1", true}, {"1 ", false}, {"0", false}};
    for (const auto &row : rows) {
        SCOPED_TRACE(text(row.value));
        use_dtenv(row.value);
        ASSERT_EQ(initdatetime(), 0);
        EXPECT_EQ(get_usedtenv(), row.on ? 1 : 0);
        const auto &table = gls_env.qualifier_formats;
        size_t filled = 0;
        for (const auto &line : table) {
            for (const char *entry : line)
                filled += entry != nullptr ? 1 : 0;
        }
        // 6 starts by 11 ends, and each fraction by itself.
        EXPECT_EQ(filled, row.on ? 6u * 11u + 5u : 0u);
        // What each entry holds, the "qual" rows of the fixture check.
    }
    // A date-and-time format that cannot be translated leaves them all null.
    setenv("GL_DATETIME", "%H:%", 1);
    use_dtenv("1");
    ASSERT_EQ(initdatetime(), 0);
    for (const auto &line : gls_env.qualifier_formats) {
        for (const char *entry : line)
            EXPECT_EQ(entry, nullptr);
    }
}

// Every allocation of initdatetime fails in turn: the start either fails
// with -1211 (the date format itself) or goes on without a cache, and
// nothing is left behind either way.
TEST_F(DateTime, EveryOutOfMemoryPathOfInitdatetimeReleasesWhatItMade) {
    const struct {
        const char *spec;
        const char *dbdate;
        const char *gldate;
    } rows[] = {
        {"ja_JP.utf8", "GY4MD/", nullptr},
        {"de_DE.819", nullptr, "%d.%m.%iY"},
        {"he_IL.utf8@hebrew", nullptr, nullptr},
    };
    setenv("GL_DATETIME", "%iY-%m-%d %H:%M:%S.%F3", 1);
    use_dtenv("1");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.spec);
        use_locale(row.spec);
        row.dbdate != nullptr ? setenv("DBDATE", row.dbdate, 1) : unsetenv("DBDATE");
        row.gldate != nullptr ? setenv("GL_DATE", row.gldate, 1) : unsetenv("GL_DATE");
        struct Formats {
            int status;
            ~Formats() { free_datetime(); }
        };
        free_datetime();
        const long failures = gls::testing::walk_allocation_failures(
            [] { return Formats{initdatetime()}; },
            [](const Formats &formats, bool) {
                if (formats.status == 0) {
                    EXPECT_NE(new_gls_env.date_format, nullptr);
                    return;
                }
                EXPECT_EQ(formats.status, kDateNoMemory);
                EXPECT_EQ(get_glserror(), kDateNoMemory);
            });
        // Names, their lower-case copies, blocks and 71 qualifier formats.
        EXPECT_GT(failures, 100) << "allocations walked";
    }
}

}  // namespace
}  // namespace velmorad
