// The table implementation of the character primitives, on locales whose
// classification sections the writer made: single-byte, one to three
// bytes, and two bytes for every character. The single calls are rows of
// tests/fixtures/gls/objects_chars; walks, copies and streams are here.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "gls/chars/chars.h"
#include "gls/util/util.h"
#include "tests/gls/ctype_fixtures.h"
#include "tests/support/bytes.h"
#include "tests/support/failing_host.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using testing::bytes;
using testing::LocalePtr;
using testing::utf8;
using velmorad::testing::Bytes;
using velmorad::testing::exact;
using velmorad::testing::hex;

constexpr uint32_t kUntouched = 99;
constexpr unsigned char kFill = 0xAA;
constexpr gl_wchar_t kWideFill = 0xAAAAAAAA;
using Wide = std::vector<gl_wchar_t>;

// "41 ceb1 0": wide characters in hexadecimal.
Wide wides(const std::string &text) {
    Wide out;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        out.push_back(static_cast<gl_wchar_t>(std::stoul(w, nullptr, 16)));
    return out;
}

// "-1 e7": a result, and the error number unless the call left it alone.
std::string outcome(int result, Locale *loc) {
    std::string out = std::to_string(result);
    if (loc->error != kUntouched) out += " e" + std::to_string(loc->error);
    loc->error = kUntouched;
    return out;
}

// The wide characters before the first place left as it was.
std::string stored(const Wide &out) {
    std::ostringstream text;
    for (size_t i = 0; i < out.size() && out[i] != kWideFill; ++i)
        text << ' ' << std::hex << out[i];
    return text.str();
}

// The bytes before the first untouched one.
std::string written(const Bytes &out) {
    std::string text;
    for (size_t i = 0; i < out.size() && out[i] != kFill; ++i)
        text += static_cast<char>(out[i]);
    return text.empty() ? "" : " " + hex(text);
}

// One row of the table: its call on the locale, described as the table does.
std::string run(Locale *loc, const std::vector<std::string> &f) {
    const std::string &op = f[0];
    const Bytes s = exact(f[2]);
    const bool null = f[2] == "(null)";
    const unsigned char *text = null ? nullptr : s.data();
    const bool wide_input = op.rfind("wc", 0) == 0 || op == "is_wcstombs";
    const Wide w = wide_input && !null ? wides(f[2]) : Wide{};
    auto arg = [&f](size_t i) { return std::stoi(f[i]); };
    if (op == "mbtowc" || op == "mbtowc_term") {
        gl_wchar_t wc = 0;
        const bool term = op == "mbtowc_term";
        const int n = term ? -1 : arg(3);
        const int result =
            term ? _qmx_gl_full_mbtowc(loc, &wc, text, -1) : gl_full_mbtowc(loc, &wc, text, n);
        std::ostringstream out;
        out << outcome(result, loc);
        if (!term) {
            EXPECT_EQ(outcome(gl_full_mblen(loc, text, n), loc), out.str()) << "mblen";
        }
        if (result > 0) out << ' ' << std::hex << wc;
        return out.str();
    }
    if (op == "wctomb") {
        Bytes out(4, kFill);
        const int result = gl_full_wctomb(loc, out.data(), w[0]);
        std::string got = outcome(result, loc) + written(out);
        if (result > 0) return got;
        EXPECT_EQ(_gl_im_towupper(loc, w[0]), w[0]);  // no pair: itself, no error
        EXPECT_EQ(_gl_im_towlower(loc, w[0]), w[0]);
        return got + " / " + outcome(static_cast<int>(_gl_im_iswctype(loc, w[0], 0xFFFF)), loc);
    }
    if (op == "wclen") return std::to_string(gl_wclen(loc, w[0]));
    if (op == "mbsbytes") {
        std::string got = outcome(gl_mbsbytes(loc, text), loc);
        if (loc->ctype.single_byte == 0)
            got += " chars " + std::to_string(_gl_im_mbslen(loc, text));
        return got;
    }
    if (op == "mbstowcs") {
        Wide out(12, kWideFill);
        const int result = _qmx_gl_im_mbfstowcfs(loc, out.data(), text, arg(3), arg(4));
        return outcome(result, loc) + stored(out);
    }
    if (op == "wcstombs" || op == "is_wcstombs") {
        Bytes out(12, kFill);
        const auto convert = op == "wcstombs" ? _qmx_gl_full_wcstombs : _qmx_gl_is_wcstombs;
        const int result = convert(loc, out.data(), w.data(), arg(3), arg(4));
        return outcome(result, loc) + written(out);
    }
    if (op == "wcsncpy") {
        const gl_wchar_t src[] = {1, 2, 3, 0, 9};
        Wide out(6, kWideFill);
        const int result = _qmx_gl_wcsncpy(loc, out.data(), src, arg(3), arg(4));
        std::string got = outcome(result, loc);
        for (gl_wchar_t wc : out)
            got += wc == kWideFill ? " -" : " " + std::to_string(wc);
        return got;
    }
    if (op == "next" || op == "walk") {
        const unsigned char *p = op == "walk" ? gl_getmbsinull(loc, text, arg(3))
                                 : null       ? gl_full_mbsnext(loc, nullptr)
                                              : gl_full_mbsnext(loc, text + arg(3));
        return outcome(p == nullptr ? -1 : static_cast<int>(p - text), loc);
    }
    if (op == "copy") {
        // Into a buffer of exactly the room given; no room is a null destination.
        Bytes out(std::stoul(f[4]), kFill);
        unsigned char *to = out.empty() ? nullptr : out.data();
        const unsigned char *r =
            arg(3) < 0 ? gl_full_mbscpy(loc, to, text) : gl_mbsncpy(loc, to, text, arg(3));
        EXPECT_TRUE(r == nullptr || r == to);
        return r == nullptr ? outcome(-1, loc) : outcome(0, loc) + written(out);
    }
    if (op == "wcwidth") return outcome(gl_wcwidth(loc, w[0]), loc);
    if (op == "wcswidth") return outcome(gl_wcswidth(loc, null ? nullptr : w.data(), arg(3)), loc);
    if (op == "mbswidth") return outcome(gl_mbswidth(loc, text, arg(3)), loc);
    if (op == "getmb") {
        testing::FileStream stream(f[2]);
        unsigned char buf[4] = {kFill, kFill, kFill, kFill};
        int nbytes = kUntouched;
        const std::string got =
            outcome(gl_getmb(
                        loc, buf, [](FILE *in) { return std::fgetc(in); }, stream.get(), &nbytes),
                    loc);
        EXPECT_EQ(std::string(buf, buf + nbytes), f[2].substr(0, static_cast<size_t>(nbytes)));
        return got + " " + std::to_string(nbytes);
    }
    if (op == "ctype") {
        std::ostringstream out;
        out << std::hex << gl_ctype(loc, null ? nullptr : f[2].c_str());
        return out.str();
    }
    ADD_FAILURE() << "no operation " << op;
    return {};
}

class Chars : public ::testing::Test {
  protected:
    // The locale with its error number set to a value no call stores.
    Locale *fresh(const std::string &name) {
        Locale *loc = locales.at(name).get();
        loc->error = kUntouched;
        return loc;
    }
    std::map<std::string, LocalePtr> locales;
    Chars() {
        locales["single"] = testing::load_ctype(testing::single_byte_source());
        locales["multi"] = testing::load_ctype(testing::multi_byte_source());
        locales["two"] = testing::load_ctype(testing::two_byte_source());
    }
    const std::string alpha = utf8(0x3B1);
    const std::string ideograph = utf8(testing::kFirstIdeograph);
};

TEST_F(Chars, EveryRowOfTheTable) {
    for (const auto &row : velmorad::testing::fixture_rows("gls/objects_chars")) {
        SCOPED_TRACE(row.where);
        ASSERT_GE(row.fields.size(), 4u);
        EXPECT_EQ(run(fresh(row.fields[1]), row.fields), row.fields.back());
    }
}

TEST_F(Chars, EveryCharacterDecodesAndEncodesBack) {
    const std::pair<std::string, CtypeSource> sources[] = {
        {"single", testing::single_byte_source()},
        {"multi", testing::multi_byte_source()},
        {"two", testing::two_byte_source()},
    };
    for (const auto &[name, source] : sources) {
        Locale *loc = fresh(name);
        for (const auto &[key, word] : source.classes) {
            SCOPED_TRACE(::testing::PrintToString(key));
            const Bytes s = exact(key);
            const int length = static_cast<int>(key.size());
            const gl_wchar_t expected = testing::wide(key);
            const int result = expected == 0 ? 0 : length;
            gl_wchar_t wc = kWideFill;
            EXPECT_EQ(gl_full_mbtowc(loc, &wc, s.data(), length), result);
            EXPECT_EQ(wc, expected);
            EXPECT_EQ(_gl_im_ismctype(loc, s.data(), 0xFFFF), word);
            EXPECT_EQ(_gl_im_iswctype(loc, expected, 0xFFFF), word);
            unsigned char out[4] = {kFill, kFill, kFill, kFill};
            EXPECT_EQ(gl_full_wctomb(loc, out, expected), length);
            EXPECT_EQ(std::string(out, out + length), key);
            EXPECT_EQ(gl_wclen(loc, expected), length);
            EXPECT_EQ(loc->error, kUntouched);
        }
    }
    // A null string is an empty one: no character, no error.
    Locale *loc = fresh("multi");
    EXPECT_EQ(gl_full_mbtowc(loc, nullptr, nullptr, 4), 0);
    EXPECT_EQ(gl_mbsbytes(loc, nullptr), 0);
    EXPECT_EQ(loc->error, kUntouched);
    EXPECT_NE(_gl_im_iswctype(loc, 0xCE91, gl_ctype(loc, "upper")), 0u);
    EXPECT_EQ(_gl_im_iswctype(loc, 0xCEB1, gl_ctype(loc, "upper")), 0u);
}

TEST_F(Chars, TerminatorsAndLimits) {
    for (const auto &[name, min, max] :
         {std::tuple{"single", 1, 1}, std::tuple{"multi", 1, 3}, std::tuple{"two", 2, 2}}) {
        Locale *loc = fresh(name);
        EXPECT_EQ(gl_mb_loc_min(loc), min);
        EXPECT_EQ(gl_mb_loc_max(loc), max);
        unsigned char term[5] = {kFill, kFill, kFill, kFill, kFill};
        EXPECT_EQ(gl_mbsterm(loc, term), min);
        EXPECT_EQ(term[min - 1], 0);
        EXPECT_EQ(term[min], kFill);
        EXPECT_EQ(gl_ismbsterm(loc, term), min);
    }
    const Bytes not_term = exact(bytes({0x00, 0x41}));
    EXPECT_EQ(gl_ismbsterm(fresh("two"), not_term.data()), 0);
    EXPECT_EQ(gl_ismbsterm(fresh("multi"), not_term.data()), 1);
    const gl_wchar_t ws[] = {0x41, 0xCEB1, 0};
    EXPECT_EQ(gl_wcslen(ws), 2);
    // The installed primitive of a single-byte locale takes every byte as one.
    Locale *loc = fresh("single");
    const Bytes s = exact("a\xE9\x85" + bytes({0}));
    Wide out(6, kWideFill);
    EXPECT_EQ(loc->primitives.mbstowcs(loc, out.data(), s.data(), 6), 3);
    EXPECT_EQ(out, (Wide{0x61, 0xE9, 0x85, 0, kWideFill, kWideFill}));
    EXPECT_EQ(loc->primitives.mbfstowcfs(loc, out.data(), s.data(), 2, 6), 2);
    EXPECT_EQ(_gl_im_mbstowcs(fresh("multi"), out.data(), s.data(), 2), -1);
}

TEST_F(Chars, WideCopiesWithoutALocale) {
    gl_wchar_t out[4] = {kWideFill, kWideFill, kWideFill, kWideFill};
    const gl_wchar_t src[] = {1, 2, 3, 0};
    EXPECT_EQ(gl_wcsncpy(out, src, 4), out);
    EXPECT_EQ(out[3], 0u);
    EXPECT_EQ(_qmx_gl_wcsncpy(nullptr, nullptr, src, -1, 2), -1);  // no locale, no error cell
}

TEST_F(Chars, CharactersFromAFileToItsEnd) {
    Locale *loc = fresh("multi");
    testing::FileStream file("A" + alpha + ideograph + bytes({0xE4}));
    unsigned char buf[4];
    EXPECT_EQ(gl_full_fgetmb(loc, buf, file.get()), 1);
    EXPECT_EQ(gl_full_fgetmb(loc, buf, file.get()), 2);
    EXPECT_EQ(gl_full_fgetmb(loc, buf, file.get()), 3);
    EXPECT_EQ(std::string(buf, buf + 3), ideograph);
    EXPECT_EQ(loc->error, kUntouched);
    // The stream's end decides the error, inside a character too.
    EXPECT_EQ(gl_full_fgetmb(loc, buf, file.get()), -1);
    EXPECT_EQ(outcome(0, loc), "0 e16");
    testing::FileStream bad(bytes({0xCE, 0x41}));
    EXPECT_EQ(gl_full_fgetmb(loc, buf, bad.get()), -1);
    EXPECT_EQ(outcome(0, loc), "0 e1");
    testing::FileStream unreadable("", "w");  // reading a stream open for writing sets its error
    EXPECT_EQ(gl_full_fgetmb(loc, buf, unreadable.get()), -1);
    EXPECT_EQ(outcome(0, loc), "0 e13");
}

TEST_F(Chars, PrivateUseWidthsFromTheMap) {
    velmorad::testing::TempDir inst;
    setenv("VELMORADDIR", inst.path().c_str(), 1);
    const std::string pua = utf8(testing::kPrivateUse), other = utf8(testing::kPrivateUse + 1);
    auto width = [&](const std::string &map, const std::string &character) {
        velmorad::testing::write_file(inst / "gls/etc/pua.map", map);
        const Bytes s = exact(character + bytes({0}));
        testing::FailingHost host;
        const int result = gl_mbwidth_PUA(fresh("multi"), s.data());
        EXPECT_EQ(host.open_streams(), 0);
        EXPECT_EQ(host.live_blocks(), 0);
        return result;
    };
    const std::string map = "A 2\n" + other + " 1\n" + pua + "  \t2\n";
    EXPECT_EQ(width(map, pua), 2);
    EXPECT_EQ(width(map, other), 1);
    EXPECT_EQ(width(map, "A"), -1);  // printable: never an entry
    EXPECT_EQ(width(map, ""), -1);
    EXPECT_EQ(width(pua + " x\n", pua), 1);
    EXPECT_EQ(width(pua + "  ", pua), 1);
    EXPECT_EQ(width(pua + " 0\n", pua), 0);
    unsetenv("VELMORADDIR");
    EXPECT_EQ(width(pua + " 2\n", pua), -1);
}

}  // namespace
}  // namespace gls
