// Character by character over each shipped locale's charmap (a UTF-8
// locale over its own scripts): the class bits, the locale's own classes,
// the case mappings and the widths of printable characters, as the library
// answers from the file lccomp wrote and as the C library answers from
// localedef's compilation of the same source. Where the library keeps a
// rule of its own the expectation applies it, and each test prints how
// often it did.
#include <gtest/gtest.h>
#include <wchar.h>
#include <wctype.h>

#include <cstdio>
#include <map>

#include "gls/chars/chars.h"
#include "tests/glibc/side_by_side.h"

namespace velmorad::testing {
namespace {

struct ClassBit {
    const char *name;
    uint32_t bit;
    int (*theirs)(wint_t, locale_t);
};

const ClassBit kClasses[] = {
    {"upper", gls::kClassUpper, iswupper_l}, {"lower", gls::kClassLower, iswlower_l},
    {"alpha", gls::kClassAlpha, iswalpha_l}, {"digit", gls::kClassDigit, iswdigit_l},
    {"space", gls::kClassSpace, iswspace_l}, {"cntrl", gls::kClassCntrl, iswcntrl_l},
    {"punct", gls::kClassPunct, iswpunct_l}, {"graph", gls::kClassGraph, iswgraph_l},
    {"print", gls::kClassPrint, iswprint_l}, {"xdigit", gls::kClassXdigit, iswxdigit_l},
    {"blank", gls::kClassBlank, iswblank_l},
};
constexpr uint32_t kStandardClasses = 0x7FF;
// The library's widths are 1 and 2: a character that takes no room of its
// own (a combining mark) counts as 1.
constexpr const char *kRuleWidthZero = "width 0 counted as 1";
// A case partner the code set cannot write leaves the character as it is.
constexpr const char *kRulePartnerMissing = "case partner outside the code set";

std::string class_names(uint32_t word) {
    std::string out;
    for (const ClassBit &c : kClasses) {
        if ((word & c.bit) == 0) continue;
        if (!out.empty()) out += ',';
        out += c.name;
    }
    return out.empty() ? "-" : out;
}

class CharactersBesideGlibc : public ::testing::TestWithParam<ShippedLocale> {
  protected:
    // The C library's case partner as the library's wide character.
    gls::gl_wchar_t expected_partner(const SideBySide &sides, const Character &c, wint_t partner) {
        if (partner == static_cast<wint_t>(c.code)) return c.wc;
        gls::gl_wchar_t wc = 0;
        if (sides.wide(static_cast<char32_t>(partner), &wc)) return wc;
        ++rules_[kRulePartnerMissing];
        return c.wc;
    }

    std::map<std::string, size_t> rules_;
};

TEST_P(CharactersBesideGlibc, ClassesCaseAndWidthsAgree) {
    const SideBySide sides(GetParam());
    ASSERT_EQ(sides.failure(), "");
    gls::Locale *ours = sides.ours();
    locale_t theirs = sides.theirs();

    // The locale's own classes the C library also knows; full_width is
    // compared through the widths.
    struct OwnClass {
        std::string name;
        uint32_t bit;
        wctype_t theirs;
    };
    std::vector<OwnClass> own;
    for (int32_t i = 0; i < ours->ctype.class_count; ++i) {
        const gls::UserClass &c = ours->ctype.classes[i];
        if (std::string(c.name) == "full_width") continue;
        own.push_back({c.name, gls::kClassUserBase << c.number, wctype_l(c.name, theirs)});
        EXPECT_NE(own.back().theirs, wctype_t{0}) << c.name;
    }

    Tally classes("classes"), own_classes("own classes"), upper("upper"), lower("lower"),
        widths("widths");
    for (const Character &c : sides.characters()) {
        const std::string who = code_text(c.code) + " " + wide_text(c.wc);
        uint32_t their_word = 0;
        for (const ClassBit &bit : kClasses) {
            if (bit.theirs(c.code, theirs) != 0) their_word |= bit.bit;
        }
        ours->error = 0;
        const uint32_t word = gls::_gl_im_iswctype(ours, c.wc, ~uint32_t{0});
        classes.check(ours->error == 0 && (word & kStandardClasses) == their_word,
                      who + ": ours " + class_names(word) + ", theirs " + class_names(their_word));
        for (const OwnClass &k : own) {
            const bool theirs_has = iswctype_l(c.code, k.theirs, theirs) != 0;
            own_classes.check(((word & k.bit) != 0) == theirs_has,
                              who + " " + k.name + (theirs_has ? " only theirs" : " only ours"));
        }

        const gls::gl_wchar_t up = expected_partner(sides, c, towupper_l(c.code, theirs));
        const gls::gl_wchar_t our_up = gls::_gl_im_towupper(ours, c.wc);
        upper.check(our_up == up,
                    who + ": ours " + wide_text(our_up) + ", theirs " + wide_text(up));
        const gls::gl_wchar_t down = expected_partner(sides, c, towlower_l(c.code, theirs));
        const gls::gl_wchar_t our_down = gls::_gl_im_towlower(ours, c.wc);
        lower.check(our_down == down,
                    who + ": ours " + wide_text(our_down) + ", theirs " + wide_text(down));

        if (iswprint_l(c.code, theirs) != 0) {
            const locale_t previous = uselocale(theirs);
            int their_width = wcwidth(static_cast<wchar_t>(c.code));
            uselocale(previous);
            if (their_width == 0) {
                their_width = 1;
                ++rules_[kRuleWidthZero];
            }
            const int width = gls::gl_wcwidth(ours, c.wc);
            widths.check(width == their_width, who + ": ours " + std::to_string(width) +
                                                   ", theirs " + std::to_string(their_width));
        }
    }

    EXPECT_GT(sides.characters().size(), 100u);
    expect_agreement(
        GetParam().test_name() + " (" + std::to_string(sides.characters().size()) + " characters)",
        {&classes, &own_classes, &upper, &lower, &widths}, rules_);
}

// A UTF-8 locale's code set is every Unicode scalar value, listed in the
// charmap or not: every sequence the C library's decoder reads is one
// character of the same length, every one it refuses is refused, and a
// character the charmap does not list is unprintable with no width in both.
TEST_P(CharactersBesideGlibc, UTF8DecodesWhatTheCLibraryDecodes) {
    if (GetParam().charmap != "UTF-8") GTEST_SKIP() << "not a UTF-8 locale";
    const SideBySide sides(GetParam());
    ASSERT_EQ(sides.failure(), "");
    gls::Locale *ours = sides.ours();
    const locale_t previous = uselocale(sides.theirs());
    Tally lengths("lengths"), printable("printable"), widths("widths");
    auto compare = [&](const unsigned char *bytes, size_t n, const std::string &who) {
        mbstate_t state{};
        wchar_t theirs_wc = 0;
        const size_t theirs = mbrtowc(&theirs_wc, reinterpret_cast<const char *>(bytes), n, &state);
        gls::gl_wchar_t wc = 0;
        ours->error = 0;
        const int length = gls::gl_full_mbtowc(ours, &wc, bytes, static_cast<int>(n));
        const bool theirs_ok =
            theirs != static_cast<size_t>(-1) && theirs != static_cast<size_t>(-2);
        lengths.check(theirs_ok
                          ? static_cast<size_t>(length) == theirs || (theirs == 0 && length == 0)
                          : length < 0,
                      who + ": ours " + std::to_string(length) + ", theirs " +
                          std::to_string(static_cast<long>(theirs)));
        if (!theirs_ok || length <= 0) return;
        const bool their_print = iswprint(static_cast<wint_t>(theirs_wc)) != 0;
        const bool our_print = gls::_gl_im_iswctype(ours, wc, gls::kClassPrint) != 0;
        printable.check(our_print == their_print,
                        who + (our_print ? " only ours" : " only theirs"));
        if (!their_print) {
            widths.check(gls::gl_wcwidth(ours, wc) == wcwidth(theirs_wc),
                         who + ": an unprintable character with a width");
        }
    };
    // Every scalar value, and beside it the values around the surrogates and
    // past the last one.
    for (uint32_t code = 1; code <= 0x110001; ++code) {
        const size_t n = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        const unsigned char lead[] = {0, 0, 0xC0, 0xE0, 0xF0};
        unsigned char bytes[4];
        bytes[0] = static_cast<unsigned char>(lead[n] | (code >> (6 * (n - 1))));
        for (size_t i = 1; i < n; ++i)
            bytes[i] = static_cast<unsigned char>(0x80 | ((code >> (6 * (n - 1 - i))) & 0x3F));
        compare(bytes, n, code_text(code));
    }
    // Every lead byte before every kind of second byte, then trail bytes:
    // overlong forms, surrogates, values past U+10FFFF, stray trail bytes,
    // and sequences cut short.
    for (int lead = 0; lead < 0x100; ++lead) {
        for (int second : {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF}) {
            const unsigned char bytes[4] = {static_cast<unsigned char>(lead),
                                            static_cast<unsigned char>(second), 0x80, 0x80};
            char who[32];
            std::snprintf(who, sizeof who, "%02x %02x 80 80", lead, second);
            compare(bytes, sizeof bytes, who);
            compare(bytes, 2, std::string(who, 5));
        }
    }
    uselocale(previous);
    expect_agreement(GetParam().test_name(), {&lengths, &printable, &widths});
}

INSTANTIATE_TEST_SUITE_P(Shipped, CharactersBesideGlibc, ::testing::ValuesIn(shipped_locales()),
                         [](const auto &info) { return info.param.test_name(); });

}  // namespace
}  // namespace velmorad::testing
