// lccomp as a whole program: the hand-written sources and charmap of
// tests/fixtures/lccomp in, a locale object file out, loaded back here
// through gl_setlocale_4; broken inputs refused at their file and line.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "gls/chars/chars.h"
#include "gls/format/format.h"
#include "gls/util/util.h"
#include "tests/support/owners.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

using testing::entries_of;
using testing::read_file;
using testing::run_program;
using testing::RunResult;
using testing::source_dir;
using testing::TempDir;
using testing::write_file;

std::string fixtures() {
    return source_dir() + "/tests/fixtures/lccomp";
}

RunResult lccomp(const std::vector<std::string> &args) {
    return run_program(LCCOMP_BIN, args, {});
}

std::vector<std::string> fixture_args(const std::string &out_dir) {
    return {"--charmap",
            fixtures() + "/mini.charmap",
            "--code-set",
            "8859-1",
            "--sources",
            fixtures(),
            "-d",
            out_dir,
            fixtures() + "/xx_XX"};
}

gls::testing::LocalePtr load(const std::string &dir, const std::string &name) {
    setenv("GL_PATH", dir.c_str(), 1);
    gls::Locale *loc = nullptr;
    EXPECT_EQ(gls::gl_create_null_locale_4(&loc), 0);
    char *names = gls::gl_setlocale_4(loc, gls::kCatAll, name.c_str());
    EXPECT_NE(names, nullptr) << loc->error;
    gls::gl_destroystring(names);
    return gls::testing::LocalePtr(loc);
}

std::string item(gls::Locale *loc, int number) {
    const char *text = gls::gl_nl_langinfo(loc, number);
    return text == nullptr ? "(null)" : text;
}

TEST(Lccomp, CompilesTheFixtureLocaleUnderItsLibraryName) {
    TempDir dir;
    const RunResult r = lccomp(fixture_args(dir.path()));
    ASSERT_EQ(r.status, 0) << r.err;
    // One warning for each directive dropped, each class beyond five and
    // each string written with default_missing.
    const std::string xx = fixtures() + "/xx_XX";
    for (const std::string &warning :
         {xx + ":62: warning: d_t_fmt: %Z dropped", xx + ":65: warning: t_fmt_ampm: %z dropped",
          xx + ":65: warning: t_fmt_ampm: %Z dropped",
          xx + ":78: warning: nostr: <U0100> is not in the charmap and no transliteration rule "
               "replaces it; written as default_missing",
          xx + ":69: warning: era_d_fmt: %U dropped", xx + ":17: warning: class \"extra3\" dropped",
          fixtures() + "/xx_base:20: warning: class \"copied_class\" dropped"}) {
        EXPECT_NE(r.err.find(warning), std::string::npos) << warning << "\n" << r.err;
    }
    EXPECT_EQ(entries_of(dir.path()), std::vector<std::string>{"xx_xx"});
    EXPECT_EQ(entries_of(dir / "xx_xx"), std::vector<std::string>{"0333.lco"});

    auto loc = load(dir.path(), "xx_xx/0333.lco");
    gls::Locale *l = loc.get();
    const struct {
        int item;
        const char *value;
    } items[] = {
        {gls::kItemCodeSet, "8859-1"},
        {gls::kItemDecimalPoint, ","},
        {gls::kItemCurrencySymbol, "EUR"},  // from the copied source's included rules
        {gls::kItemDateTimeFormat, "%a %.1d %b %Y %2.1H:%M"},
        {gls::kItemTimeFormat, "%2.1I:%M %p"},
        {gls::kItemTime12Format, "%I:%M:%S %p"},  // "%Z " before it dropped whole
        {gls::kItemEraDateFormat, "%EC %Ey"},
        {gls::kItemEras,
         "+:1:2000/01/01:+*:Neu:Neu:%EC %Ey\n+:1:1900/01/01:1999/12/31:Alt:Alt:%EC %Ey:third"},
        {gls::kItemFirstAbMonth + 2, "M\xe4r"},
        {gls::kItemYesString, "ja"},
        {gls::kItemNoString, "n?"},
    };
    for (const auto &row : items)
        EXPECT_EQ(item(l, row.item), row.value) << row.item;
    EXPECT_EQ(l->text.monetary[gls::kPSepBySpace], 1);
    EXPECT_EQ(l->text.monetary[gls::kNCsPrecedes], gls::kValueNotGiven);  // written -1
    EXPECT_EQ(l->text.monetary[gls::kNSepBySpace], gls::kValueNotGiven);  // not written

    const uint32_t vowel = gls::gl_ctype(l, "vowel");
    EXPECT_NE(vowel, 0u);
    EXPECT_NE(gls::_gl_im_iswctype(l, 0xE4, vowel), 0u);  // "ä" listed as UTF-8
    EXPECT_EQ(gls::_gl_im_iswctype(l, 'b', vowel), 0u);
    EXPECT_EQ(gls::gl_ctype(l, "extra3"), 0u);
    EXPECT_EQ(gls::gl_wcwidth(l, 0xA1A1), 2);
    EXPECT_EQ(gls::gl_wcwidth(l, 'x'), 1);
    EXPECT_EQ(gls::_gl_im_towupper(l, 0xE4), 0xC4u);
    EXPECT_EQ(gls::_gl_im_towlower(l, 'B'), static_cast<gls::gl_wchar_t>('b'));
    EXPECT_EQ(gls::_gl_im_towupper(l, 'c'), static_cast<gls::gl_wchar_t>('c'));  // no pair
}

TEST(Lccomp, RefusesBrokenInputAtItsFileAndLineAndKeepsTheOldFile) {
    const std::string good_charmap = read_file(fixtures() + "/mini.charmap");
    std::string prefixed_charmap = good_charmap;
    prefixed_charmap.insert(prefixed_charmap.find("END CHARMAP"), "<U0100> /x41/x42\n");
    const struct {
        const char *name;
        std::string charmap;   // empty: the fixture's
        std::string source;    // empty: the fixture's
        std::string expected;  // in standard error, "@" standing for the directory
    } rows[] = {
        {"charmap", good_charmap + "<U0100> /x\n", "", "@/charmap:"},
        // A code set the character trees cannot hold: one character begins another.
        {"prefix", prefixed_charmap, "",
         "@/charmap:143: the bytes of <U0100> begin with those of <U0041> (line 75): a locale's "
         "character tree cannot hold"},
        {"source", "", "LC_TIME\nd_fmt \"%d\n", "@/src:2: a string is not closed"},
        {"unencodable", "", "LC_MONETARY\n\ncurrency_symbol \"<U0100>\"\nEND LC_MONETARY\n",
         "@/src:3: currency_symbol: <U0100> is not in the charmap"},
        {"month count", "", "LC_TIME\nabday \"a\";\"b\"\nEND LC_TIME\n",
         "@/src:2: abday takes 7 strings"},
        {"calendar", "", "LC_TIME\n\ncalendar julian\nEND LC_TIME\n",
         "@/src:3: calendar takes one of the words gregorian, hebrew and islamic"},
        // Monetary numbers outside their POSIX ranges; -1 is "not given".
        {"precedes", "", "LC_MONETARY\np_cs_precedes 2\nEND LC_MONETARY\n",
         "@/src:2: p_cs_precedes: 2 is out of range (0 to 1, or -1)"},
        {"sign position", "", "LC_MONETARY\nn_sign_posn -1\nint_p_sign_posn 5\nEND LC_MONETARY\n",
         "@/src:3: int_p_sign_posn: 5 is out of range (0 to 4, or -1)"},
        {"separation", "", "LC_MONETARY\nduo_n_sep_by_space -2\nEND LC_MONETARY\n",
         "@/src:2: duo_n_sep_by_space: -2 is out of range"},
        {"digits", "", "LC_MONETARY\nfrac_digits 127\nEND LC_MONETARY\n",
         "@/src:2: frac_digits: 127 is out of range (0 to 126, or -1)"},
    };
    for (const auto &row : rows) {
        TempDir dir;
        write_file(dir / "charmap", row.charmap.empty() ? good_charmap : row.charmap);
        write_file(dir / "src", row.source.empty() ? read_file(fixtures() + "/xx_XX") : row.source);
        write_file(dir / "out/old.lco", "the old file\n");
        const RunResult r =
            lccomp({"--charmap", dir / "charmap", "--code-set", "8859-1", "--sources", fixtures(),
                    "-o", dir / "out/old.lco", dir / "src"});
        std::string expected = row.expected;
        expected.replace(expected.find('@'), 1, dir.path());
        EXPECT_EQ(r.status, 1) << row.name;
        EXPECT_NE(r.err.find(expected), std::string::npos) << row.name << ": " << r.err;
        EXPECT_EQ(read_file(dir / "out/old.lco"), "the old file\n") << row.name;
        EXPECT_EQ(entries_of(dir / "out"), std::vector<std::string>{"old.lco"}) << row.name;
    }
}

// A client keeps sort keys made under one COLLATION_VERSION: it must stay
// put while the order does, and change when the order changes.
TEST(Lccomp, CollationVersionFollowsTheOrderOnly) {
    const std::string source = read_file(fixtures() + "/xx_XX");
    auto version = [](const std::string &text) {
        TempDir dir;
        write_file(dir / "src", text);
        const RunResult r =
            lccomp({"--charmap", fixtures() + "/mini.charmap", "--code-set", "8859-1", "--sources",
                    fixtures(), "-o", dir / "out.lco", dir / "src"});
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string file = read_file(dir / "out.lco");
        const size_t at = file.find("\nCOLLATION_VERSION=");
        EXPECT_NE(at, std::string::npos);
        return at == std::string::npos ? "" : file.substr(at, file.find('\n', at + 1) - at);
    };
    auto replaced = [&source](const std::string &from, const std::string &to) {
        std::string text = source;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const std::string original = version(source);
    EXPECT_NE(original, "");
    EXPECT_EQ(version(replaced("d_fmt   \"%d//%m//%Y\"", "d_fmt \"%Y-%m-%d\"")), original);
    EXPECT_EQ(version(replaced("currency_symbol   \"€\"", "currency_symbol \"E\"")), original);
    // A weight that orders nothing differently is no change: "ä" alone has
    // its first-level weight, so its second level never decides.
    EXPECT_EQ(version(replaced("<a-umlaut>;<BASE>", "<a-umlaut>;<CAP>")), original);
    // "ä" after "ch" rather than after "a".
    EXPECT_NE(version(replaced("reorder-after <S0061>", "reorder-after <S0063>")), original);
}

TEST(Lccomp, NamesItsFileOnlyWhereTheNamingCanHoldTheLocale) {
    const struct {
        const char *name;
        const char *file;  // empty: refused
    } rows[] = {
        {"xx_XX", "xx_xx/0333.lco"},
        {"xxx_XX@euro", "xxx_xx/0333euro.lco"},
        {"xx_XX@latin", ""},  // a modifier of five
        {"xxxx_XX", ""},
        {"xx_419", ""},
    };
    for (const auto &row : rows) {
        TempDir dir;
        std::vector<std::string> args = fixture_args(dir.path());
        args.insert(args.begin(), {"--name", row.name});
        const RunResult r = lccomp(args);
        if (*row.file == '\0') {
            EXPECT_EQ(r.status, 1) << row.name;
            EXPECT_NE(r.err.find("has no file name"), std::string::npos) << r.err;
            EXPECT_TRUE(entries_of(dir.path()).empty()) << row.name;
        } else {
            EXPECT_EQ(r.status, 0) << row.name << r.err;
            EXPECT_FALSE(read_file(dir / row.file).empty()) << row.name;
        }
    }
}

}  // namespace
}  // namespace velmorad
