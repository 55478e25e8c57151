// Locale specifications to file names and code-set numbers, and back, with
// the built-in table or a registry file of the test's own as the registry.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gls/names/names.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using velmorad::testing::TempDir;
using velmorad::testing::write_file;

constexpr uint32_t kEntryError = 5;
constexpr int kFailed = -1;
const std::string kMark(1, kDirMark);

// A buffer of exactly the documented size on the heap, so that the
// sanitizer sees a write past its end.
class Exact {
  public:
    explicit Exact(size_t size) : data_(new char[size]), size_(size) {
        std::memset(data_.get(), 'Z', size);
    }
    char *get() { return data_.get(); }
    std::string text() const { return std::string(data_.get(), strnlen(data_.get(), size_)); }

  private:
    std::unique_ptr<char[]> data_;
    size_t size_;
};

class Names : public ::testing::Test {
  protected:
    // The built-in table unless a test caches a registry of its own.
    void SetUp() override { gl_cache_registry(nullptr, "/nonexistent/registry"); }
    void TearDown() override { gl_free_registry_cache(); }

    // Caches a registry that adds names of every length from 1 to 21
    // ("a" to "aaaaaaaaaaaaaaaaaaaaa") for 819 to a few of the table's own.
    void use_registry_with_long_names() {
        std::string content = "8859-1 819\nutf8 57372\ncp1252 1252\n";
        for (size_t length = 1; length < kCsNameSize; ++length)
            content += std::string(length, 'a') + " 819\n";
        write_file(dir / "registry", content);
        uint32_t error = kEntryError;
        gl_cache_registry(&error, (dir / "registry").c_str());
        ASSERT_EQ(error, kEntryError);
    }

    // The file name of spec, or "-1 error N" when it fails.
    std::string fname(const std::string &spec, const char *directory = nullptr) {
        Exact out(kLcFnameSize);
        uint32_t error = kEntryError;
        int status = gl_lc_spec2lc_fname(&error, spec.c_str(), out.get(), nullptr, directory);
        if (status != 0) return std::to_string(status) + " error " + std::to_string(error);
        EXPECT_EQ(error, kEntryError) << spec;
        return out.text();
    }

    TempDir dir;
};

std::string failure(uint32_t error) {
    return std::to_string(kFailed) + " error " + std::to_string(error);
}

// The spellings in tests/fixtures/gls/specifications, each a row.
TEST_F(Names, SpellingsOfSpecifications) {
    std::istringstream rows(velmorad::testing::read_file(velmorad::testing::source_dir() +
                                                         "/tests/fixtures/gls/specifications"));
    int checked = 0;
    for (std::string line; std::getline(rows, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t first = line.find('\t');
        const size_t second = line.find('\t', first + 1);
        ASSERT_NE(second, std::string::npos) << line;
        const std::string kind = line.substr(0, first);
        const std::string spec = line.substr(first + 1, second - first - 1);
        const std::string want = line.substr(second + 1);
        SCOPED_TRACE(line);
        ++checked;
        if (kind == "file") {
            EXPECT_EQ(fname(spec), want == "fail" ? failure(GL_EINVAL) : want);
            continue;
        }
        ASSERT_EQ(kind, "codeset");
        uint32_t error = kEntryError;
        const uint16_t number = gl_lc_spec2cs_num(&error, spec.c_str(), nullptr);
        EXPECT_EQ(number, want == "none" ? kNoCodeSet : std::stoi(want));
        EXPECT_EQ(error, number == kNoCodeSet ? GL_EINVAL : kEntryError);
    }
    EXPECT_GT(checked, 50);
    EXPECT_EQ(gl_lc_spec2cs_num(nullptr, nullptr, nullptr), kNoCodeSet);
}

TEST_F(Names, CodeSetNamesOf21CharactersAreTheLongestAccepted) {
    use_registry_with_long_names();
    const std::string name21(21, 'a');
    EXPECT_EQ(fname("en_US." + name21), "en_us/0333.lco");
    EXPECT_EQ(fname("en_US." + name21 + "@euro"), "en_us/0333euro.lco");
    EXPECT_EQ(fname("en_US." + name21 + "a"), failure(GL_EINVAL));
    EXPECT_EQ(gl_cs_name2cs_num(nullptr, name21.c_str(), nullptr), 819);
    uint32_t error = kEntryError;
    EXPECT_EQ(gl_cs_name2cs_num(&error, (name21 + "a").c_str(), nullptr), kNoCodeSet);
    EXPECT_EQ(error, GL_EINVAL);
}

TEST_F(Names, CompositeSpecificationsPutTheDirectoryBeforeEveryFile) {
    const std::string d = "/lc" + kMark;
    EXPECT_EQ(fname("GL_TIME = de_DE.819@euro ; GL_MESSAGES = fr_FR.latin-1 ; ", "/lc"),
              "GL_TIME = " + d + "de_de/0333euro.lco ; GL_MESSAGES = " + d + "fr_fr/0333.lco ; ");
    EXPECT_EQ(fname("GL_NUMERIC = en_US.utf8 ; GL_MONETARY = ja_JP.UTF8 ; ", ""),
              "GL_NUMERIC = en_us/e01c.lco ; GL_MONETARY = ja_jp/e01c.lco ; ");
}

TEST_F(Names, SpecificationsAndResultsStayWithinTheirLimits) {
    use_registry_with_long_names();
    // Six entries with 21-character names and 4-character modifiers make
    // exactly 285 characters; a 3-letter language in each makes 291.
    auto composite = [](const std::string &language) {
        std::string spec;
        for (const char *category :
             {"GL_CTYPE", "GL_COLLATE", "GL_TIME", "GL_MONETARY", "GL_NUMERIC", "GL_MESSAGES"})
            spec += std::string(category) + " = " + language + "_US." + std::string(21, 'a') +
                    "@abcd ; ";
        return spec;
    };
    const std::string longest = composite("en");
    ASSERT_EQ(longest.size(), kMaxSpecLength);
    EXPECT_EQ(fname(longest).substr(0, 30), "GL_CTYPE = en_us/0333abcd.lco ");
    EXPECT_EQ(gl_lc_spec2cs_num(nullptr, longest.c_str(), nullptr), 819);
    const std::string too_long = composite("eng");
    EXPECT_EQ(fname(too_long), failure(GL_EINVAL));
    uint32_t error = kEntryError;
    EXPECT_EQ(gl_lc_spec2cs_num(&error, too_long.c_str(), nullptr), kNoCodeSet);
    EXPECT_EQ(error, GL_EINVAL);

    // The file names of the longest specification fill 201 bytes; each
    // entry's directory and mark add to that, up to the 311 of the result.
    const std::string fits(109 / 6 - 1, 'd');
    const std::string overflows(109 / 6, 'd');
    EXPECT_EQ(fname(longest, fits.c_str()).size(), 201 + 6 * (fits.size() + 1));
    EXPECT_EQ(fname(longest, overflows.c_str()), failure(GL_EINVAL));
    EXPECT_EQ(fname(longest, std::string(5000, 'd').c_str()), failure(GL_EINVAL));
}

TEST_F(Names, SimpleParserMovesItsCursorsOnlyOnSuccess) {
    const struct {
        const char *spec;
        int result;
        size_t consumed;
        std::string written;
        bool terminated;
    } rows[] = {
        {"en_US.819 ; GL_TIME", 1, 9, "en_us/0333.lco", true},
        {"de_DE.819@euro ; ", 1, 14, "de_de/0333euro.lco", false},
        {"de_DE.819@eu ro", 1, 12, "de_de/0333eu.lco", false},
        {"de_DE.nosuch ; ", 0, 0, "", false},
    };
    for (const auto &row : rows) {
        Exact out(kXopenFnameSize);
        const char *spec = row.spec;
        char *cursor = out.get();
        uint16_t number = 1;
        EXPECT_EQ(_gl_is_xopen_spec(nullptr, &spec, &cursor, &number, nullptr), row.result);
        EXPECT_EQ(static_cast<size_t>(spec - row.spec), row.consumed) << row.spec;
        EXPECT_EQ(std::string(out.get(), cursor), row.written) << row.spec;
        EXPECT_EQ(number, row.result == 1 ? 819 : 1) << row.spec;
        if (row.result == 1) {
            EXPECT_EQ(*cursor, row.terminated ? '\0' : 'Z') << row.spec;
        }
    }
}

TEST_F(Names, MessageDirectoriesOfLocales) {
    const struct {
        const char *spec;
        const char *directory;
        std::string expected;
    } rows[] = {
        {"en_US.819", nullptr, "en_us/0333"},
        {"de_DE.8859-1", nullptr, "de_de/0333"},
        {"de_DE.8859-1@euro", nullptr, "de_de/0333"},
        {"ja_JP.UTF8", "/ignored", "ja_jp/e01c"},
        {"GL_CTYPE = en_US.819 ; GL_MESSAGES = de_DE.819@euro ; ", nullptr, "de_de/0333"},
        {"GL_MESSAGES = fr_FR.819 ; GL_CTYPE = en_US.819 ; ", "/a/b", "fr_fr/0333"},
        {"GL_CTYPE = en_US.819 ; ", nullptr, failure(GL_EINVAL)},
        {"en_US.nosuch", nullptr, failure(GL_EINVAL)},
    };
    for (const auto &row : rows) {
        Exact out(kMsgDnameSize);
        uint32_t error = kEntryError;
        int status = gl_lc_spec2msg_dname(&error, row.spec, out.get(), nullptr, row.directory);
        std::string got =
            status == 0 ? out.text() : std::to_string(status) + " error " + std::to_string(error);
        EXPECT_EQ(got, row.expected) << row.spec;
    }
}

TEST_F(Names, ConversionFileNamesOfCodeSetPairs) {
    const struct {
        uint16_t first, second;
        const char *directory;
        std::string expected;
    } rows[] = {
        {819, 57372, nullptr, "0333e01c.cvo"},
        {57372, 819, "", "e01c0333.cvo"},
        {0, 65535, "/inst/gls/cv9", "/inst/gls/cv9" + kMark + "0000ffff.cvo"},
    };
    for (const auto &row : rows) {
        size_t dir_length = row.directory != nullptr ? std::strlen(row.directory) : 0;
        Exact out(dir_length + kCvFnameExtra);
        gl_cs_nums2cv_fname(nullptr, row.first, row.second, out.get(), row.directory);
        EXPECT_EQ(out.text(), row.expected);
    }
}

TEST_F(Names, LocaleFileNamesBackToPieces) {
    const struct {
        const char *fname;
        int status;
        uint32_t error;
        const char *lang_terr, *number, *modifier;
    } rows[] = {
        {"en_us/0333.lco", 0, kEntryError, "en_US", "819", ""},
        {"de_DE/0333euro.lco", 0, kEntryError, "de_DE", "819", "euro"},
        {"fra_fr\\E01c.lco", 0, kEntryError, "fra_FR", "57372", ""},
        {"en_us/0333abcdef.lco", 0, kEntryError, "en_US", "819", "abcd"},
        {"en_usa/ffff", 0, kEntryError, "en_USA", "65535", ""},
        {"en_us/3", 0, kEntryError, "en_US", "3", ""},
        {"en_us.0333", -1, kEntryError, nullptr, nullptr, nullptr},
        {"eng_usab/0333", -1, kEntryError, nullptr, nullptr, nullptr},
        {"en_us/x333", -1, GL_EINVAL, nullptr, nullptr, nullptr},
        {"e_us/0333", -1, GL_EINVAL, nullptr, nullptr, nullptr},
        {"en_u/0333", -1, GL_EINVAL, nullptr, nullptr, nullptr},
        {"", -1, GL_EINVAL, nullptr, nullptr, nullptr},
    };
    for (const auto &row : rows) {
        Exact lang_terr(kLangTerrSize), number(kCsNumTextSize), modifier(kModifierSize);
        uint32_t error = kEntryError;
        EXPECT_EQ(
            gl_lc_fname2lc_pieces(&error, row.fname, lang_terr.get(), number.get(), modifier.get()),
            row.status)
            << row.fname;
        EXPECT_EQ(error, row.error) << row.fname;
        if (row.status != 0) continue;
        EXPECT_EQ(lang_terr.text(), row.lang_terr);
        EXPECT_EQ(number.text(), row.number);
        EXPECT_EQ(modifier.text(), row.modifier);
    }
}

TEST_F(Names, PiecesBackToAGenericSpecification) {
    const struct {
        const char *lang_terr, *number, *modifier;
        std::string expected;
    } rows[] = {
        {"en_US", "819", "", "en_US.819"},
        {"de_DE", "819", nullptr, "de_DE.819"},
        {"de_DE.8859-1", "819", "eurolong", "de_DE.819@euro"},
        {"fra_FRANCE", "123456", "e", "fra_FR.12345@e"},
        {"en_US", "", "", failure(GL_EINVAL)},
        {"en_US", "81x", "", failure(GL_EINVAL)},
        {"e_US", "819", "", failure(GL_EINVAL)},
    };
    for (const auto &row : rows) {
        Exact out(kPiecesSpecSize);
        uint32_t error = kEntryError;
        int status =
            gl_lc_pieces2lc_spec(&error, row.lang_terr, row.number, row.modifier, out.get());
        std::string got =
            status == 0 ? out.text() : std::to_string(status) + " error " + std::to_string(error);
        EXPECT_EQ(got, row.expected) << row.lang_terr;
    }
}

TEST_F(Names, CategoryNamesAreMatchedAsPrefixes) {
    const struct {
        const char *text;
        int category;
        size_t length;
    } rows[] = {
        {"GL_CTYPE", 1, 8},     {"GL_COLLATE = x", 2, 10}, {"GL_TIME", 3, 7},
        {"GL_MONETARY", 4, 11}, {"GL_NUMERIC", 5, 10},     {"GL_MESSAGES ; ", 6, 11},
        {"GL_CTYPEX", 1, 8},    {"GL_CTYP", 0, 0},         {"gl_ctype", 0, 0},
        {"LC_CTYPE", 0, 0},     {" GL_CTYPE", 0, 0},       {"", 0, 0},
    };
    for (const auto &row : rows) {
        size_t length = 99;
        EXPECT_EQ(_gl_is_category(row.text, &length), row.category) << row.text;
        EXPECT_EQ(length, row.length) << row.text;
    }
}

}  // namespace
}  // namespace gls
