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
#include "tests/support/rest_locales.h"
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

    auto loc = testing::load_locale("xx_xx/0333.lco", dir.path());
    ASSERT_EQ(loc->error, 0u);
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

}  // namespace
}  // namespace velmorad
