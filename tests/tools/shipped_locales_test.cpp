// Every shipped locale, loaded from the build tree's installation through
// gl_setlocale_4 under the name the library gives it, answers with the
// values of its source in its own code set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "gls/chars/chars.h"
#include "gls/format/format.h"
#include "gls/names/names.h"
#include "gls/util/util.h"
#include "tests/support/rest_locales.h"
#include "tests/support/test_support.h"

namespace velmorad::testing {
namespace {

using gls::testing::LocalePtr;

std::string lc_dir() {
    return build_installation() + "/gls/lc11";
}

LocalePtr load(const std::string &name) {
    LocalePtr loc = load_locale(name);
    EXPECT_EQ(loc->error, 0u) << name;
    return loc;
}

gls::gl_wchar_t wide(const std::string &bytes) {
    gls::gl_wchar_t wc = 0;
    for (unsigned char b : bytes)
        wc = (wc << 8) | b;
    return wc;
}

std::string item(gls::Locale *loc, int number) {
    const char *text = gls::gl_nl_langinfo(loc, number);
    return text == nullptr ? "(null)" : text;
}

// In a UTF-8 locale the scripts other than the locale's own have no rows:
// they follow every character that has one, by code point, while the
// locale's own letters and the shared accents and punctuation keep their
// places.
TEST(ShippedUnicode, OtherScriptsFollowTheLocalesOwnByCodePoint) {
    LocalePtr loc = load(locale_file_name("de_DE.utf8"));
    auto before = [&](const char *a, const char *b) {
        return gls::_gl_im_mbscoll(loc.get(), reinterpret_cast<const unsigned char *>(a),
                                   reinterpret_cast<const unsigned char *>(b)) < 0;
    };
    const char *ascending[] = {"apfel", "Apfel", "äpfel", "Äpfel", "zebra", "β", "γ", "я", "一"};
    for (size_t i = 0; i + 1 < std::size(ascending); ++i)
        EXPECT_TRUE(before(ascending[i], ascending[i + 1])) << ascending[i];
    // A decomposed accent and a typographic apostrophe sort as the source says.
    EXPECT_TRUE(before("Apfel", "A\u0301pfel"));
    EXPECT_TRUE(before("A\u0301pfel", "Bach"));
    EXPECT_TRUE(before("don", "don\u2019t"));
    EXPECT_TRUE(before("don\u2019t", "dopt"));
}

// What a loaded locale answers through the library's functions: its
// information items, the classes, case and width of the characters its
// texts hold and of every byte, what its collation makes of those texts,
// and what its name caches match in them.
std::vector<std::string> behaviour(gls::Locale *loc, const std::vector<std::string> &texts) {
    std::vector<std::string> seen;
    auto note = [&seen](const std::string &what, long long value) {
        seen.push_back(what + "=" + std::to_string(value));
    };
    for (int i = 0; i <= gls::kItemLast; ++i)
        seen.push_back(std::to_string(i) + ":" + item(loc, i));
    note("eras", gls::gl_get_era_count(loc));
    note("min", gls::gl_mb_loc_min(loc));
    note("max", gls::gl_mb_loc_max(loc));
    std::vector<std::string> characters;
    for (int b = 1; b < 256; ++b)
        characters.emplace_back(1, static_cast<char>(b));
    for (const std::string &text : texts) {
        auto p = reinterpret_cast<const unsigned char *>(text.c_str());
        for (const unsigned char *end = p + text.size(); p < end;) {
            const int n = gls::gl_full_mblen(loc, p, static_cast<int>(end - p));
            if (n <= 0) break;
            characters.emplace_back(reinterpret_cast<const char *>(p), static_cast<size_t>(n));
            p += n;
        }
    }
    for (const std::string &c : characters) {
        gls::gl_wchar_t wc = 0;
        auto bytes = reinterpret_cast<const unsigned char *>(c.c_str());
        const int n = gls::gl_full_mbtowc(loc, &wc, bytes, static_cast<int>(c.size()));
        note(c + " length", n);
        if (n <= 0) continue;
        note(c + " classes", gls::_gl_im_iswctype(loc, wc, ~0u));
        note(c + " upper", gls::_gl_im_towupper(loc, wc));
        note(c + " lower", gls::_gl_im_towlower(loc, wc));
        note(c + " width", gls::gl_wcwidth(loc, wc));
    }
    for (size_t i = 0; i < texts.size(); ++i) {
        auto text = reinterpret_cast<const unsigned char *>(texts[i].c_str());
        std::string key(4 * texts[i].size() + 64, '\0');
        const int n = loc->primitives.mbsxfrm(loc, reinterpret_cast<unsigned char *>(key.data()),
                                              text, static_cast<int>(key.size()));
        seen.push_back(texts[i] + " key:" + key.substr(0, n < 0 ? 0 : static_cast<size_t>(n)));
        if (i > 0) {
            auto before = reinterpret_cast<const unsigned char *>(texts[i - 1].c_str());
            const int order = loc->primitives.mbscoll(loc, before, text);
            note(texts[i] + " order", order < 0 ? -1 : order > 0 ? 1 : 0);
        }
        for (const gls::gl_wc_cache_t *cache : loc->time.caches) {
            gls::GlCacheMatch match{};
            const auto result = gls::_gl_match_wc_cache(loc, cache, text, -1, &match);
            const long long matched = (static_cast<long long>(match.value) << 32) +
                                      (static_cast<long long>(match.chars) << 16) + match.bytes;
            note(texts[i] + " cached", result == gls::kCacheMatched ? matched : result - 1);
        }
    }
    return seen;
}

// The file name of each locale the build compiles, by the number the
// registry gives its charmap; the spelling itself when it has none, which
// no load finds.
std::vector<std::string> listed_file_names() {
    std::vector<std::string> names;
    for (const ListedLocale &l : listed_locales()) {
        // A modifier goes after the code set, four characters of it as the
        // file names hold it: he_IL@hebrew is he_IL.UTF-8@hebr.
        const size_t at = l.source.find('@');
        const std::string spec = l.source.substr(0, at) + "." + l.charmap +
                                 (at == std::string::npos ? "" : l.source.substr(at, 5));
        const std::string name = locale_file_name(spec);
        names.push_back(name.empty() ? spec : name);
    }
    return names;
}

// Each listed locale's file records its source, and names a code set that
// the registry gives the charmap's number.
TEST(ShippedLocales, FilesNameTheirSourceAndCodeSet) {
    const std::vector<ListedLocale> listed = listed_locales();
    const std::vector<std::string> names = listed_file_names();
    ASSERT_EQ(names.size(), listed.size());
    uint32_t error = 0;
    for (size_t i = 0; i < listed.size(); ++i) {
        SCOPED_TRACE(listed[i].spec());
        LocalePtr loc = load(names[i]);
        EXPECT_EQ(
            gls::gl_cs_name2cs_num(&error, item(loc.get(), gls::kItemCodeSet).c_str(), nullptr),
            gls::gl_cs_name2cs_num(&error, listed[i].charmap.c_str(), nullptr));
        const std::string text = read_file(lc_dir() + "/" + names[i]);
        EXPECT_NE(text.find("\nSOURCE=" + listed[i].source + "\n"), std::string::npos);
        EXPECT_NE(text.find("\nCOLLATION_VERSION="), std::string::npos);
    }
}

// A locale loaded into an object that held another is the same locale as
// one loaded fresh, whichever locale came before it.
class ReloadedLocale : public ::testing::TestWithParam<std::string> {};

TEST_P(ReloadedLocale, IsTheSameAsAFreshLoad) {
    const std::string &name = GetParam();
    LocalePtr fresh = load(name);
    std::vector<std::string> texts;
    for (int i = 0; i <= gls::kItemLast; ++i) {
        if (const char *text = gls::gl_nl_langinfo(fresh.get(), i)) texts.emplace_back(text);
    }
    const std::vector<std::string> expected = behaviour(fresh.get(), texts);
    for (const std::string &before : listed_file_names()) {
        if (before == name) continue;
        LocalePtr reloaded = load(before);
        char *names = gls::gl_setlocale_4(reloaded.get(), gls::kCatAll, name.c_str());
        ASSERT_NE(names, nullptr) << "over " << before << ": error " << reloaded->error;
        gls::gl_destroystring(names);
        EXPECT_EQ(reloaded->error, 0u) << "over " << before;
        const std::vector<std::string> got = behaviour(reloaded.get(), texts);
        const auto differ = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
        if (differ.first != got.end() || differ.second != expected.end()) {
            ADD_FAILURE() << "over " << before << ": first difference "
                          << (differ.first != got.end() ? *differ.first : "(none)") << ", fresh "
                          << (differ.second != expected.end() ? *differ.second : "(none)");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Listed, ReloadedLocale, ::testing::ValuesIn(listed_file_names()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                             std::string name = info.param;
                             for (char &c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

// Text newer than the charmap: a scalar value the charmap does not list
// (U+0378, U+2FFFF) is a character to every primitive, one without class
// or width, sorting after every character the locale orders; a sequence
// that is no UTF-8 is none to any of them.
TEST(ShippedUnicode, EveryPrimitiveReadsCodePointsTheCharmapDoesNotList) {
    LocalePtr loc = load(locale_file_name("en_US.utf8"));
    gls::Locale *l = loc.get();
    auto bytes = [](const std::string &s) {
        return reinterpret_cast<const unsigned char *>(s.c_str());
    };
    for (const std::string unlisted : {"\xcd\xb8", "\xf0\xaf\xbf\xbf"}) {
        SCOPED_TRACE(unlisted);
        const std::string text = "a" + unlisted + "z";
        const int n = static_cast<int>(unlisted.size());
        gls::gl_wchar_t wc = 0;
        EXPECT_EQ(gls::gl_full_mbtowc(l, &wc, bytes(unlisted), n), n);
        EXPECT_EQ(wc, wide(unlisted));
        EXPECT_EQ(gls::gl_full_mblen(l, bytes(unlisted), n), n);
        EXPECT_EQ(gls::gl_mbsbytes(l, bytes(text)), n + 3);
        EXPECT_EQ(gls::gl_full_mbsnext(l, bytes(text) + 1), bytes(text) + 1 + n);
        unsigned char out[8] = {};
        EXPECT_EQ(gls::gl_full_wctomb(l, out, wc), n);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(out), static_cast<size_t>(n)), unlisted);
        gls::gl_wchar_t wide_text[8] = {};
        EXPECT_EQ(gls::_gl_im_mbstowcs(l, wide_text, bytes(text), 8), 3);
        EXPECT_EQ(gls::gl_full_wcstombs(l, out, wide_text, sizeof out), n + 2);
        EXPECT_EQ(gls::_gl_im_iswctype(l, wc, ~uint32_t{0}), 0u);
        l->error = 0;
        EXPECT_EQ(gls::gl_wcwidth(l, wc), -1);
        EXPECT_EQ(l->error, gls::GL_EINVAL);
        FILE *stream = fmemopen(const_cast<char *>(unlisted.data()), unlisted.size(), "r");
        ASSERT_NE(stream, nullptr);
        unsigned char read[4] = {};
        EXPECT_EQ(gls::gl_full_fgetmb(l, read, stream), n);
        std::fclose(stream);
        EXPECT_GT(gls::_gl_im_mbscoll(l, bytes(text), bytes("a\xc3\xbfz")), 0);
    }
    for (const std::string bad :
         {"\xf0\xab\xa0\xc0", "\xc0\x80", "\xed\xa0\x80", "\xf8\x88\x80\x80"}) {
        SCOPED_TRACE(bad);
        l->error = 0;
        EXPECT_EQ(gls::gl_full_mblen(l, bytes(bad), static_cast<int>(bad.size())), -1);
        EXPECT_EQ(l->error, gls::GL_EILSEQ);
        EXPECT_EQ(gls::gl_mbsbytes(l, bytes(bad)), 0);
        FILE *stream = fmemopen(const_cast<char *>(bad.data()), bad.size(), "r");
        ASSERT_NE(stream, nullptr);
        unsigned char read[4] = {};
        EXPECT_EQ(gls::gl_full_fgetmb(l, read, stream), -1);
        std::fclose(stream);
    }
}

// Every name under os/ (de_DE.iso88591, C.UTF-8, en_US, ja_JP.eucjp, ...)
// names the code set of the file it leads to: the one the file's header
// records. Otherwise a client in that locale gets no conversions.
TEST(ShippedOsNames, EveryNameResolvesToTheCodeSetOfItsFile) {
    const std::string os_dir = lc_dir() + "/os";
    uint32_t error = 0;
    gls::gl_cache_registry(&error, (build_installation() + "/gls/cm3/registry").c_str());
    size_t names = 0;
    for (const auto &entry : std::filesystem::directory_iterator(os_dir)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        // The code-set name follows the header lines that line 3 counts.
        std::istringstream file(read_file(entry.path().string()));
        std::string line;
        std::vector<std::string> lines;
        while (lines.size() < 64 && std::getline(file, line))
            lines.push_back(line);
        ASSERT_GE(lines.size(), 4u);
        const size_t header = std::stoul(lines[2].substr(lines[2].find('=') + 1));
        ASSERT_LT(header, lines.size());
        const uint16_t recorded = gls::gl_cs_name2cs_num(&error, lines[header].c_str(), nullptr);
        ASSERT_NE(recorded, gls::kNoCodeSet) << lines[header];
        EXPECT_EQ(gls::gl_lc_spec2cs_num(&error, name.c_str(), nullptr), recorded);
        ++names;
    }
    gls::gl_free_registry_cache();
    EXPECT_GT(names, 60u);
}

TEST(ShippedDefault, IsTheAmericanEnglishLocaleInLatin1) {
    EXPECT_EQ(read_file(lc_dir() + "/default.lco"), read_file(lc_dir() + "/en_us/0333.lco"));
    LocalePtr loc = load("default.lco");
    EXPECT_EQ(item(loc.get(), gls::kItemCodeSet), "8859-1");
}

}  // namespace
}  // namespace velmorad::testing
