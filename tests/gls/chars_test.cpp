// The table implementation of the character primitives, on locales whose
// classification sections the writer made: single-byte, one to three
// bytes, and two bytes for every character.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
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
using testing::wide;
using velmorad::testing::Bytes;
using velmorad::testing::exact;

constexpr uint32_t kUntouched = 99;
constexpr unsigned char kFill = 0xAA;
constexpr gl_wchar_t kWideFill = 0xAAAAAAAA;

class Chars : public ::testing::Test {
  protected:
    // The locale with its error number set to a value no call stores.
    Locale *fresh(const LocalePtr &loc) {
        loc->error = kUntouched;
        return loc.get();
    }
    LocalePtr single = testing::load_ctype(testing::single_byte_source());
    LocalePtr multi = testing::load_ctype(testing::multi_byte_source());
    LocalePtr two = testing::load_ctype(testing::two_byte_source());
    const std::string alpha = utf8(0x3B1);
    const std::string ideograph = utf8(testing::kFirstIdeograph);
    const std::string pua = utf8(testing::kPrivateUse);
};

TEST_F(Chars, EveryCharacterDecodesAndEncodesBack) {
    const std::pair<const LocalePtr *, CtypeSource> locales[] = {
        {&single, testing::single_byte_source()},
        {&multi, testing::multi_byte_source()},
        {&two, testing::two_byte_source()},
    };
    for (const auto &[loc_ptr, source] : locales) {
        Locale *loc = loc_ptr->get();
        for (const auto &[key, word] : source.classes) {
            SCOPED_TRACE(::testing::PrintToString(key));
            const Bytes s = exact(key);
            const int length = static_cast<int>(key.size());
            const gl_wchar_t expected = wide(key);
            const int result = expected == 0 ? 0 : length;
            gl_wchar_t wc = kWideFill;
            loc->error = kUntouched;
            EXPECT_EQ(gl_full_mbtowc(loc, &wc, s.data(), length), result);
            EXPECT_EQ(wc, expected);
            EXPECT_EQ(gl_full_mblen(loc, s.data(), length), result);
            EXPECT_EQ(_gl_im_ismctype(loc, s.data(), 0xFFFF), word);
            EXPECT_EQ(_gl_im_iswctype(loc, expected, 0xFFFF), word);
            unsigned char out[4] = {kFill, kFill, kFill, kFill};
            EXPECT_EQ(gl_full_wctomb(loc, out, expected), length);
            EXPECT_EQ(std::string(out, out + length), key);
            EXPECT_EQ(gl_wclen(loc, expected), length);
            EXPECT_EQ(loc->error, kUntouched);
        }
    }
}

TEST_F(Chars, InvalidAndIncompleteCharacters) {
    struct Row {
        const char *what;
        const LocalePtr *loc;
        std::string text;
        int n;
        int result;
        uint32_t error;
    };
    const Row rows[] = {
        {"lead byte alone", &multi, bytes({0xCE}), 1, -1, GL_EINVAL},
        {"lead byte and an invalid trail", &multi, bytes({0xCE, 0x41}), 2, -1, GL_EILSEQ},
        {"three-byte lead, one trail", &multi, bytes({0xE4, 0xB8}), 2, -1, GL_EINVAL},
        {"length ends inside", &multi, ideograph, 2, -1, GL_EINVAL},
        {"trail of no character", &multi, bytes({0xE4, 0xB8, 0x90}), 3, -1, GL_EILSEQ},
        {"byte of no character", &multi, bytes({0x80}), 1, -1, GL_EILSEQ},
        {"no bytes", &multi, "A", 0, -1, GL_EINVAL},
        {"negative length", &multi, "A", -1, -1, GL_EINVAL},
        {"single-byte hole", &single, bytes({0x85}), 1, -1, GL_EILSEQ},
        {"one byte of a two-byte character", &two, bytes({0x00}), 1, -1, GL_EINVAL},
        {"two-byte lead of nothing", &two, bytes({0x12, 0x34}), 2, -1, GL_EILSEQ},
        {"two-byte null", &two, bytes({0x00, 0x00}), 2, 0, kUntouched},
        {"more room than the character", &multi, alpha + "x", 3, 2, kUntouched},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Locale *loc = fresh(*row.loc);
        const Bytes s = exact(row.text);
        gl_wchar_t wc = 0;
        EXPECT_EQ(gl_full_mbtowc(loc, &wc, s.data(), row.n), row.result);
        EXPECT_EQ(loc->error, row.error);
        loc->error = kUntouched;
        EXPECT_EQ(gl_full_mblen(loc, s.data(), row.n), row.result);
        EXPECT_EQ(loc->error, row.error);
    }
    // A null string is an empty one: no character, no error.
    Locale *loc = fresh(multi);
    EXPECT_EQ(gl_full_mbtowc(loc, nullptr, nullptr, 4), 0);
    EXPECT_EQ(gl_full_mblen(loc, nullptr, 4), 0);
    EXPECT_EQ(_qmx_gl_full_mbtowc(loc, nullptr, nullptr, -1), 0);
    EXPECT_EQ(loc->error, kUntouched);
}

TEST_F(Chars, DecodingUpToTheTerminator) {
    Locale *loc = fresh(multi);
    gl_wchar_t wc = 0;
    const Bytes s = exact(alpha + "A" + bytes({0}));
    EXPECT_EQ(_qmx_gl_full_mbtowc(loc, &wc, s.data(), -1), 2);
    EXPECT_EQ(wc, 0xCEB1u);
    const Bytes cut = exact(bytes({0xE4, 0xB8, 0}));
    EXPECT_EQ(_qmx_gl_full_mbtowc(loc, &wc, cut.data(), -1), -1);
    EXPECT_EQ(loc->error, GL_EILSEQ);
    Locale *wide_loc = fresh(two);
    const Bytes pair = exact(bytes({0xFF, 0x21, 0, 0}));
    EXPECT_EQ(_qmx_gl_full_mbtowc(wide_loc, &wc, pair.data(), -1), 2);
    EXPECT_EQ(wc, 0xFF21u);
}

TEST_F(Chars, WideCharactersOutsideTheCodeSet) {
    struct Row {
        const char *what;
        const LocalePtr *loc;
        gl_wchar_t wc;
    };
    const Row rows[] = {
        {"a lead byte alone", &multi, 0xCE},
        {"a byte of no character", &multi, 0x80},
        {"longer than any character", &multi, 0x41424344},
        {"three bytes, trail of none", &multi, 0xE4B890},
        {"the largest value", &multi, 0xFFFFFFFF},
        {"beyond a byte, single-byte", &single, 0x141},
        {"single-byte hole", &single, 0x85},
        {"one byte in two bytes", &two, 0x80},
        {"two-byte lead of nothing", &two, 0x1234},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Locale *loc = fresh(*row.loc);
        EXPECT_EQ(_gl_im_towupper(loc, row.wc), row.wc);  // no pair: itself, no error
        EXPECT_EQ(_gl_im_towlower(loc, row.wc), row.wc);
        EXPECT_EQ(loc->error, kUntouched);
        unsigned char out[4] = {kFill, kFill, kFill, kFill};
        EXPECT_EQ(gl_full_wctomb(loc, out, row.wc), -1);
        EXPECT_EQ(loc->error, GL_EILSEQ);
        EXPECT_EQ(out[0], kFill);
        loc->error = kUntouched;
        EXPECT_EQ(_gl_im_iswctype(loc, row.wc, 0xFFFF), 0u);
        EXPECT_EQ(loc->error, GL_EILSEQ);
    }
    unsigned char out[3] = {kFill, kFill, kFill};
    EXPECT_EQ(gl_full_wctomb(two.get(), out, 0x41), 2);
    EXPECT_EQ(Bytes(out, out + 3), (Bytes{0x00, 0x41, kFill}));
    EXPECT_EQ(gl_wclen(single.get(), 0x141), 1);  // a single-byte code set never asks
    EXPECT_EQ(gl_wclen(multi.get(), 0x80), -1);
}

TEST_F(Chars, LengthsAndTerminators) {
    struct Row {
        const char *what;
        const LocalePtr *loc;
        std::string text;  // terminator included
        int bytes;         // 0: invalid
        int chars;
    };
    const Row rows[] = {
        {"empty, one-byte terminator", &multi, bytes({0}), 1, 0},
        {"one to three bytes", &multi, "A" + alpha + ideograph + bytes({0}), 7, 3},
        {"invalid", &multi, "A" + bytes({0xCE, 0x41, 0}), 0, -1},
        {"cut at the terminator", &multi, bytes({0xE4, 0xB8, 0}), 0, -1},
        {"empty, two-byte terminator", &two, bytes({0, 0}), 2, 0},
        {"two bytes each", &two, bytes({0, 0x41, 0xFF, 0x21, 0, 0}), 6, 2},
        {"single-byte", &single, "ab\xE9" + bytes({0}), 4, 3},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Locale *loc = fresh(*row.loc);
        const Bytes s = exact(row.text);
        EXPECT_EQ(gl_mbsbytes(loc, s.data()), row.bytes);
        EXPECT_EQ(loc->error, row.bytes == 0 ? GL_EILSEQ : kUntouched);
        if (row.loc != &single) {
            EXPECT_EQ(_gl_im_mbslen(loc, s.data()), row.chars);
        }
    }
    EXPECT_EQ(gl_mbsbytes(multi.get(), nullptr), 0);
    const gl_wchar_t ws[] = {0x41, 0xCEB1, 0};
    EXPECT_EQ(gl_wcslen(ws), 2);
    EXPECT_EQ(gl_wcslen(ws + 2), 0);

    struct Limits {
        const LocalePtr *loc;
        int min, max;
    };
    for (const Limits &row : {Limits{&single, 1, 1}, Limits{&multi, 1, 3}, Limits{&two, 2, 2}}) {
        Locale *loc = row.loc->get();
        EXPECT_EQ(gl_mb_loc_min(loc), row.min);
        EXPECT_EQ(gl_mb_loc_max(loc), row.max);
        unsigned char term[5] = {kFill, kFill, kFill, kFill, kFill};
        EXPECT_EQ(gl_mbsterm(loc, term), row.min);
        EXPECT_EQ(term[row.min - 1], 0);
        EXPECT_EQ(term[row.min], kFill);
        EXPECT_EQ(gl_ismbsterm(loc, term), row.min);
    }
    const Bytes not_term = exact(bytes({0x00, 0x41}));
    EXPECT_EQ(gl_ismbsterm(two.get(), not_term.data()), 0);
    EXPECT_EQ(gl_ismbsterm(multi.get(), not_term.data()), 1);
}

TEST_F(Chars, MultibyteToWideStrings) {
    const std::string text = "A" + alpha + ideograph + bytes({0});
    struct Row {
        const char *what;
        std::string text;
        int mblen;
        int wcmax;
        int result;
        std::vector<gl_wchar_t> stored;  // what lands in the output
    };
    const Row rows[] = {
        {"to the terminator", text, -1, 10, 3, {0x41, 0xCEB1, 0xE4B880, 0}},
        {"terminator does not fit", text, -1, 3, 3, {0x41, 0xCEB1, 0xE4B880}},
        {"cut by the room", text, -1, 2, 2, {0x41, 0xCEB1}},
        {"no room", text, -1, 0, 0, {}},
        {"counted", text, 3, 10, 2, {0x41, 0xCEB1}},
        {"counted null is a character", "A" + bytes({0}) + "B", 3, 10, 3, {0x41, 0, 0x42}},
        {"counted, ends inside a character", text, 2, 10, -1, {0x41}},
        {"invalid", "A" + bytes({0x80, 0}), -1, 10, -1, {0x41}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Locale *loc = fresh(multi);
        const Bytes s = exact(row.text);
        std::vector<gl_wchar_t> out(12, kWideFill);
        EXPECT_EQ(_qmx_gl_im_mbfstowcfs(loc, out.data(), s.data(), row.mblen, row.wcmax),
                  row.result);
        EXPECT_EQ(loc->error, row.result < 0 ? GL_EILSEQ : kUntouched);
        EXPECT_EQ(std::vector<gl_wchar_t>(out.begin(), out.begin() + row.stored.size()),
                  row.stored);
        EXPECT_EQ(out[row.stored.size()], kWideFill);
    }
    // The installed primitive of a single-byte locale takes every byte as one.
    Locale *loc = fresh(single);
    const Bytes s = exact("a\xE9\x85" + bytes({0}));
    std::vector<gl_wchar_t> out(6, kWideFill);
    EXPECT_EQ(loc->primitives.mbstowcs(loc, out.data(), s.data(), 6), 3);
    EXPECT_EQ(out, (std::vector<gl_wchar_t>{0x61, 0xE9, 0x85, 0, kWideFill, kWideFill}));
    EXPECT_EQ(loc->primitives.mbfstowcfs(loc, out.data(), s.data(), 2, 6), 2);
    EXPECT_EQ(_gl_is_mbstowcs(loc, out.data(), s.data(), 2), 2);
    EXPECT_EQ(_gl_im_mbstowcs(multi.get(), out.data(), s.data(), 2),
              -1);  // 0xE9 leads no character here
}

TEST_F(Chars, WideToMultibyteStrings) {
    const std::vector<gl_wchar_t> text = {0x41, 0xCEB1, 0xE4B880, 0};
    struct Row {
        const char *what;
        const LocalePtr *loc;
        std::vector<gl_wchar_t> wcs;
        int wclen;
        int mbmax;
        int result;
        std::string written;
    };
    const Row rows[] = {
        {"to the terminator", &multi, text, -1, 10, 6, "A" + alpha + ideograph + bytes({0})},
        {"terminator does not fit", &multi, text, -1, 6, 6, "A" + alpha + ideograph},
        {"character does not fit", &multi, text, -1, 5, 3, "A" + alpha},
        {"counted", &multi, text, 2, 10, 3, "A" + alpha},
        {"no encoding", &multi, {0x41, 0xCE, 0}, -1, 10, -1, "A"},
        {"two bytes each", &two, {0x41, 0xFF21, 0}, -1, 10, 4, bytes({0, 0x41, 0xFF, 0x21, 0, 0})},
        {"two bytes, odd room", &two, {0x41, 0xFF21, 0}, -1, 3, 2, bytes({0, 0x41})},
        {"single-byte", &single, {0x61, 0xE9, 0}, -1, 10, 2, "a\xE9" + bytes({0})},
        {"single-byte, beyond a byte", &single, {0x61, 0x141, 0}, -1, 10, -1, "a"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Locale *loc = fresh(*row.loc);
        Bytes out(12, kFill);
        EXPECT_EQ(_qmx_gl_full_wcstombs(loc, out.data(), row.wcs.data(), row.wclen, row.mbmax),
                  row.result);
        EXPECT_EQ(loc->error, row.result < 0 ? GL_EILSEQ : kUntouched);
        EXPECT_EQ(std::string(out.begin(), out.begin() + row.written.size()), row.written);
        EXPECT_EQ(out[row.written.size()], kFill);
    }
    // The single-byte form: a terminator only with -1 and only when it fits.
    struct Is {
        int wclen, mbmax, result;
        std::string written;
    };
    const gl_wchar_t latin[] = {0x61, 0xE9, 0};
    for (const Is &row : {Is{-1, 10, 2, "a\xE9" + bytes({0})}, Is{-1, 2, 2, "a\xE9"},
                          Is{1, 10, 1, "a"}, Is{3, 10, 3, "a\xE9" + bytes({0})}}) {
        Locale *loc = fresh(single);
        Bytes out(6, kFill);
        EXPECT_EQ(_qmx_gl_is_wcstombs(loc, out.data(), latin, row.wclen, row.mbmax), row.result);
        EXPECT_EQ(std::string(out.begin(), out.begin() + row.written.size()), row.written);
        EXPECT_EQ(out[row.written.size()], kFill);
    }
    Bytes out(4, kFill);
    EXPECT_EQ(gl_full_wcstombs(fresh(two), out.data(), text.data() + 3, 4), 0);
    EXPECT_EQ(out, (Bytes{0, 0, kFill, kFill}));
}

TEST_F(Chars, WalkingAndCopying) {
    Locale *loc = fresh(multi);
    const Bytes s = exact("A" + alpha + ideograph + bytes({0}));
    EXPECT_EQ(gl_full_mbsnext(loc, s.data() + 1), s.data() + 3);
    EXPECT_EQ(gl_full_mbsnext(loc, s.data() + 3), s.data() + 6);
    EXPECT_EQ(gl_getmbsinull(loc, s.data(), 2), s.data() + 3);
    EXPECT_EQ(gl_getmbsinull(loc, s.data(), 0), s.data());
    EXPECT_EQ(gl_getmbsinull(loc, s.data(), 9), s.data() + 6);
    EXPECT_EQ(loc->error, kUntouched);

    const Bytes bad = exact("A" + bytes({0xCE, 0x41, 0}));
    struct Failure {
        const char *what;
        std::function<bool()> call;
        uint32_t error;
    };
    const Failure failures[] = {
        {"next of an invalid character",
         [&] { return gl_full_mbsnext(loc, bad.data() + 1) == nullptr; }, GL_EILSEQ},
        {"next of null", [&] { return gl_full_mbsnext(loc, nullptr) == nullptr; }, GL_ENULLARG},
        {"walk over an invalid character",
         [&] { return gl_getmbsinull(loc, bad.data(), 3) == nullptr; }, GL_EILSEQ},
        {"walk a negative count", [&] { return gl_getmbsinull(loc, s.data(), -1) == nullptr; },
         GL_ENEGLEN},
        {"walk null", [&] { return gl_getmbsinull(loc, nullptr, 1) == nullptr; }, GL_ENULLARG},
        {"copy an invalid string",
         [&] {
             unsigned char d[8];
             return gl_full_mbscpy(loc, d, bad.data()) == nullptr;
         },
         GL_EILSEQ},
        {"copy into null", [&] { return gl_full_mbscpy(loc, nullptr, s.data()) == nullptr; },
         GL_ENULLARG},
        {"copy part of an invalid string",
         [&] {
             unsigned char d[8];
             return gl_mbsncpy(loc, d, bad.data(), 2) == nullptr;
         },
         GL_EILSEQ},
    };
    for (const Failure &row : failures) {
        SCOPED_TRACE(row.what);
        loc->error = kUntouched;
        EXPECT_TRUE(row.call());
        EXPECT_EQ(loc->error, row.error);
    }

    // Copies into buffers of exactly the size they need.
    Bytes whole(7, kFill);
    EXPECT_EQ(gl_full_mbscpy(loc, whole.data(), s.data()), whole.data());
    EXPECT_EQ(whole, s);
    Bytes part(4, kFill);
    EXPECT_EQ(gl_mbsncpy(loc, part.data(), s.data(), 2), part.data());
    EXPECT_EQ(part, exact("A" + alpha + bytes({0})));
    Locale *wide_loc = fresh(two);
    const Bytes ws = exact(bytes({0, 0x41, 0xFF, 0x21, 0, 0}));
    EXPECT_EQ(gl_getmbsinull(wide_loc, ws.data(), 1), ws.data() + 2);
    Bytes wpart(4, kFill);
    EXPECT_EQ(gl_mbsncpy(wide_loc, wpart.data(), ws.data(), 1), wpart.data());
    EXPECT_EQ(wpart, exact(bytes({0, 0x41, 0, 0})));
    Bytes wwhole(6, kFill);
    EXPECT_EQ(gl_full_mbscpy(wide_loc, wwhole.data(), ws.data()), wwhole.data());
    EXPECT_EQ(wwhole, ws);
}

TEST_F(Chars, WideCopies) {
    const gl_wchar_t src[] = {1, 2, 3, 0, 9};
    struct Row {
        const char *what;
        int srclen, n, result;
        std::vector<gl_wchar_t> out;  // 6 places
    };
    constexpr gl_wchar_t f = kWideFill;
    const Row rows[] = {
        {"to the terminator, filled", -1, 5, 3, {1, 2, 3, 0, 0, f}},
        {"cut before the terminator", -1, 2, 2, {1, 2, f, f, f, f}},
        {"counted, fewer than n", 2, 5, 2, {1, 2, f, f, f, f}},
        {"counted past the terminator", 5, 5, 5, {1, 2, 3, 0, 9, f}},
        {"counted, more than n", 5, 1, 1, {1, f, f, f, f, f}},
        {"bad source length", -2, 5, -1, {f, f, f, f, f, f}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Locale *loc = fresh(multi);
        std::vector<gl_wchar_t> out(6, kWideFill);
        EXPECT_EQ(_qmx_gl_wcsncpy(loc, out.data(), src, row.srclen, row.n), row.result);
        EXPECT_EQ(out, row.out);
        EXPECT_EQ(loc->error, row.result < 0 ? GL_EBADITEM : kUntouched);
    }
    Locale *loc = fresh(multi);
    EXPECT_EQ(_qmx_gl_wcsncpy(loc, nullptr, src, -1, 2), -1);
    EXPECT_EQ(loc->error, GL_ENULLARG);
    EXPECT_EQ(_qmx_gl_wcsncpy(nullptr, nullptr, src, -1, 2), -1);  // no locale, no error cell
    gl_wchar_t out[4] = {kWideFill, kWideFill, kWideFill, kWideFill};
    EXPECT_EQ(gl_wcsncpy(out, src, 4), out);
    EXPECT_EQ(out[3], 0u);
    EXPECT_EQ(gl_wcsncpy(out, nullptr, 4), nullptr);
}

TEST_F(Chars, ClassNames) {
    struct Row {
        const char *name;
        uint32_t bit;
    };
    const Row rows[] = {
        {"alnum", kClassAlpha | kClassDigit},
        {"xdigit", 0x200},
        {"full_width", testing::kFullWidthBit},
        {"fancy", 0},  // an "f" name is the locale's, and it has none of that name
        {"Upper", 0},
        {"", 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(gl_ctype(multi.get(), row.name), row.bit);
    }
    EXPECT_EQ(gl_ctype(multi.get(), nullptr), 0u);
    EXPECT_EQ(gl_ctype(single.get(), "full_width"), 0u);
    EXPECT_EQ(gl_ctype(two.get(), "full_width"), testing::kWideLatinBit);
    // Standard classes of real characters, through the class bits.
    EXPECT_NE(_gl_im_iswctype(multi.get(), 0xCE91, gl_ctype(multi.get(), "upper")), 0u);
    EXPECT_EQ(_gl_im_iswctype(multi.get(), 0xCEB1, gl_ctype(multi.get(), "upper")), 0u);
    EXPECT_NE(_gl_im_iswctype(two.get(), '7', gl_ctype(two.get(), "digit")), 0u);
}

TEST_F(Chars, Widths) {
    struct Row {
        const char *what;
        const LocalePtr *loc;
        gl_wchar_t wc;
        int width;
    };
    const Row rows[] = {
        {"null", &multi, 0, 0},
        {"ASCII", &multi, 'A', 1},
        {"Greek", &multi, 0xCEB1, 1},
        {"ideograph", &multi, wide(ideograph), 2},
        {"control", &multi, 0x07, -1},
        {"private use", &multi, wide(pua), -1},
        {"no character", &multi, 0xCE, -1},
        {"single-byte letter", &single, 0xE9, 1},
        {"single-byte control", &single, 0x07, -1},
        {"single-byte, beyond a byte", &single, 0x141, -1},
        {"two-byte full width", &two, 0xFF21, 2},
        {"two-byte ASCII", &two, 0x41, 1},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Locale *loc = fresh(*row.loc);
        EXPECT_EQ(gl_wcwidth(loc, row.wc), row.width);
        EXPECT_EQ(loc->error, row.width < 0 ? GL_EINVAL : kUntouched);
    }
}

TEST_F(Chars, StringWidths) {
    const gl_wchar_t ws[] = {'A', 0xE4B880, 0xCEB1, 0, 0x07};
    const gl_wchar_t bad[] = {'A', 0x07, 0};
    const Bytes s = exact("A" + ideograph + alpha + bytes({0}));
    const Bytes bad_s = exact("A" + bytes({0x07, 0}));
    const Bytes invalid_s = exact("A" + bytes({0xCE, 0x41, 0}));
    struct Row {
        const char *what;
        std::function<int(Locale *)> call;
        int result;
        uint32_t error;
    };
    const Row rows[] = {
        {"wide, to the terminator", [&](Locale *l) { return gl_wcswidth(l, ws, 10); }, 4,
         kUntouched},
        {"wide, counted", [&](Locale *l) { return gl_wcswidth(l, ws, 2); }, 3, kUntouched},
        {"wide, none", [&](Locale *l) { return gl_wcswidth(l, bad + 1, 0); }, 0, kUntouched},
        {"wide, not printable", [&](Locale *l) { return gl_wcswidth(l, bad, 3); }, -1, GL_EINVAL},
        {"wide, null", [&](Locale *l) { return gl_wcswidth(l, nullptr, 3); }, -1, GL_ENULLARG},
        {"wide, negative", [&](Locale *l) { return gl_wcswidth(l, ws, -1); }, -1, GL_ENEGLEN},
        {"bytes, to the terminator", [&](Locale *l) { return gl_mbswidth(l, s.data(), 10); }, 4,
         kUntouched},
        {"bytes, counted", [&](Locale *l) { return gl_mbswidth(l, s.data(), 2); }, 3, kUntouched},
        {"bytes, none", [&](Locale *l) { return gl_mbswidth(l, bad_s.data() + 1, 0); }, 0,
         kUntouched},
        {"bytes, not printable", [&](Locale *l) { return gl_mbswidth(l, bad_s.data(), 3); }, -1,
         GL_EINVAL},
        {"bytes, invalid", [&](Locale *l) { return gl_mbswidth(l, invalid_s.data(), 3); }, -1,
         GL_EILSEQ},
        {"bytes, null", [&](Locale *l) { return gl_mbswidth(l, nullptr, 3); }, -1, GL_ENULLARG},
        {"bytes, negative", [&](Locale *l) { return gl_mbswidth(l, s.data(), -2); }, -1,
         GL_ENEGLEN},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Locale *loc = fresh(multi);
        EXPECT_EQ(row.call(loc), row.result);
        EXPECT_EQ(loc->error, row.error);
    }
    // Without a "full_width" class every printable character is 1 wide.
    const Bytes latin = exact("a\xE9\xC9" + bytes({0}));
    EXPECT_EQ(gl_mbswidth(single.get(), latin.data(), 10), 3);
    const gl_wchar_t wlatin[] = {0x61, 0xE9, 0};
    EXPECT_EQ(gl_wcswidth(single.get(), wlatin, 10), 2);
    const Bytes wide_s = exact(bytes({0xFF, 0x21, 0, 0x41, 0, 0}));
    EXPECT_EQ(gl_mbswidth(two.get(), wide_s.data(), 10), 3);
}

// A file of the given bytes, opened for reading.
class StreamFile {
  public:
    explicit StreamFile(const std::string &content, const char *mode = "r") {
        velmorad::testing::write_file(dir_ / "input", content);
        stream_ = std::fopen((dir_ / "input").c_str(), mode);
        EXPECT_NE(stream_, nullptr);
    }
    ~StreamFile() {
        if (stream_ != nullptr) std::fclose(stream_);
    }
    FILE *get() const { return stream_; }

  private:
    velmorad::testing::TempDir dir_;
    FILE *stream_ = nullptr;
};

int plain_fgetc(FILE *stream) {
    return std::fgetc(stream);
}

TEST_F(Chars, OneCharacterFromAStream) {
    struct Row {
        const char *what;
        const LocalePtr *loc;
        std::string content;
        int result;
        int nbytes;
        uint32_t error;
    };
    const Row rows[] = {
        {"a whole character", &multi, ideograph + "A", 0, 3, kUntouched},
        {"end of input first", &multi, "", -1, 0, GL_EEOF},
        {"end of input inside", &multi, bytes({0xE4, 0xB8}), -1, 2, GL_EINVAL},
        {"invalid trail", &multi, bytes({0xCE, 0x41}), -1, 2, GL_EILSEQ},
        {"invalid first byte", &multi, bytes({0x80, 0x41}), -1, 1, GL_EILSEQ},
        {"two-byte character", &two, bytes({0x00, 0x41}), 0, 2, kUntouched},
        {"single-byte", &single, "\xE9", 0, 1, kUntouched},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Locale *loc = fresh(*row.loc);
        StreamFile file(row.content);
        unsigned char buf[4] = {kFill, kFill, kFill, kFill};
        int nbytes = kUntouched;
        EXPECT_EQ(gl_getmb(loc, buf, plain_fgetc, file.get(), &nbytes), row.result);
        EXPECT_EQ(nbytes, row.nbytes);
        EXPECT_EQ(loc->error, row.error);
        EXPECT_EQ(std::string(buf, buf + nbytes), row.content.substr(0, nbytes));
    }
}

TEST_F(Chars, CharactersFromAFileToItsEnd) {
    Locale *loc = fresh(multi);
    StreamFile file("A" + alpha + ideograph + bytes({0xE4}));
    unsigned char buf[4];
    EXPECT_EQ(gl_full_fgetmb(loc, buf, file.get()), 1);
    EXPECT_EQ(gl_full_fgetmb(loc, buf, file.get()), 2);
    EXPECT_EQ(gl_full_fgetmb(loc, buf, file.get()), 3);
    EXPECT_EQ(std::string(buf, buf + 3), ideograph);
    EXPECT_EQ(loc->error, kUntouched);
    // The stream's end decides the error, inside a character too.
    EXPECT_EQ(gl_full_fgetmb(loc, buf, file.get()), -1);
    EXPECT_EQ(loc->error, GL_EEOF);
    loc->error = kUntouched;
    EXPECT_EQ(gl_full_fgetmb(loc, buf, file.get()), -1);
    EXPECT_EQ(loc->error, GL_EEOF);

    StreamFile bad(bytes({0xCE, 0x41}));
    EXPECT_EQ(gl_full_fgetmb(loc, buf, bad.get()), -1);
    EXPECT_EQ(loc->error, GL_EILSEQ);
    StreamFile unreadable("", "w");  // reading a stream open for writing sets its error
    EXPECT_EQ(gl_full_fgetmb(loc, buf, unreadable.get()), -1);
    EXPECT_EQ(loc->error, GL_EIO);
}

class PuaWidth : public Chars {
  protected:
    void SetUp() override { setenv("VELMORADDIR", inst.path().c_str(), 1); }
    void write_map(const std::string &content) {
        velmorad::testing::write_file(inst / "gls/etc/pua.map", content);
    }
    int width(const std::string &character) {
        const Bytes s = exact(character + bytes({0}));
        gls::testing::FailingHost host;
        const int result = gl_mbwidth_PUA(multi.get(), s.data());
        EXPECT_EQ(host.open_streams(), 0);
        EXPECT_EQ(host.live_blocks(), 0);
        return result;
    }
    velmorad::testing::TempDir inst;
};

TEST_F(PuaWidth, FromTheMap) {
    const std::string other = utf8(testing::kPrivateUse + 1);
    write_map("A 2\n" + other + " 1\n" + pua + "  \t2\n");
    EXPECT_EQ(width(pua), 2);
    EXPECT_EQ(width(other), 1);
    EXPECT_EQ(width("A"), -1);  // printable: never an entry
    EXPECT_EQ(width(""), -1);
    write_map(pua + " x\n");
    EXPECT_EQ(width(pua), 1);
    write_map(pua + "  ");
    EXPECT_EQ(width(pua), 1);
    write_map(pua + " 0\n");
    EXPECT_EQ(width(pua), 0);
    std::remove((inst / "gls/etc/pua.map").c_str());
    EXPECT_EQ(width(pua), -1);
    write_map(pua + " 2\n");
    unsetenv("VELMORADDIR");
    EXPECT_EQ(width(pua), -1);
}

}  // namespace
}  // namespace gls
