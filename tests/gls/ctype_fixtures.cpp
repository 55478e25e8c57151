#include "tests/gls/ctype_fixtures.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>

#include "gls/chars/chars.h"
#include "gls/util/util.h"
#include "tests/support/test_support.h"

namespace gls::testing {

namespace {

constexpr uint16_t kLetter = kClassAlpha | kClassGraph | kClassPrint;

void add_pair(CtypeSource &source, const std::string &upper, const std::string &lower) {
    const CasePair pair{wide(upper), wide(lower)};
    source.case_pairs[upper] = pair;
    source.case_pairs[lower] = pair;
}

void add_ascii(CtypeSource &source, int length) {
    for (int c = 0; c < 0x80; ++c) {
        const std::string key = wchar_key(static_cast<uint32_t>(c), static_cast<uint32_t>(length));
        source.classes[key] = ascii_class(c);
        if (c >= 'a' && c <= 'z') {
            add_pair(source, wchar_key(static_cast<uint32_t>(c - 0x20), length), key);
        }
    }
}

}  // namespace

LocalePtr null_locale() {
    Locale *loc = nullptr;
    EXPECT_EQ(gl_create_null_locale_4(&loc), 0);
    return LocalePtr(loc);
}

std::string ctype_text(const CtypeSource &source) {
    std::string text;
    EXPECT_EQ(write_ctype_section(source, text), CtypeWriteStatus::kOk);
    return text;
}

SectionRead read_section(Locale *loc, const std::string &text) {
    velmorad::testing::TempDir dir;
    velmorad::testing::write_file(dir / "section", "### LC_CTYPE\n" + text + kNextSection);
    SectionRead result;
    FILE *stream = std::fopen((dir / "section").c_str(), "r");
    EXPECT_NE(stream, nullptr);
    if (stream == nullptr) return result;
    char marker[kHeaderLineSize];
    EXPECT_NE(std::fgets(marker, sizeof marker, stream), nullptr);
    result.status = read_ctype(stream, loc);
    for (int c; (c = std::fgetc(stream)) != EOF;)
        result.rest += static_cast<char>(c);
    std::fclose(stream);
    return result;
}

int settle(Locale *loc) {
    loc->ctype.single_byte = _gl_multi_max_length(loc->ctype.char_tree) == 1 ? 1 : 0;
    return set_function_pointers(loc);
}

LocalePtr load_ctype(const CtypeSource &source) {
    LocalePtr loc = null_locale();
    const SectionRead read = read_section(loc.get(), ctype_text(source));
    EXPECT_EQ(read.status, 0) << "error " << loc->error;
    EXPECT_EQ(read.rest, kNextSection);
    EXPECT_EQ(settle(loc.get()), 0);
    return loc;
}

uint16_t ascii_class(int c) {
    struct Test {
        int (*is)(int);
        uint32_t bit;
    };
    static const Test kTests[] = {
        {isupper, kClassUpper},   {islower, kClassLower}, {isalpha, kClassAlpha},
        {isdigit, kClassDigit},   {isspace, kClassSpace}, {iscntrl, kClassCntrl},
        {ispunct, kClassPunct},   {isgraph, kClassGraph}, {isprint, kClassPrint},
        {isxdigit, kClassXdigit}, {isblank, kClassBlank},
    };
    uint16_t word = 0;
    for (const Test &test : kTests) {
        if (test.is(c) != 0) word = static_cast<uint16_t>(word | test.bit);
    }
    return word;
}

gl_wchar_t wide(const std::string &character) {
    gl_wchar_t wc = 0;
    for (char c : character)
        wc = (wc << 8) | static_cast<uint8_t>(c);
    return wc;
}

std::string utf8(uint32_t cp) {
    if (cp < 0x80) return bytes({static_cast<int>(cp)});
    if (cp < 0x800) {
        return bytes({static_cast<int>(0xC0 | (cp >> 6)), static_cast<int>(0x80 | (cp & 0x3F))});
    }
    return bytes({static_cast<int>(0xE0 | (cp >> 12)), static_cast<int>(0x80 | ((cp >> 6) & 0x3F)),
                  static_cast<int>(0x80 | (cp & 0x3F))});
}

CtypeSource single_byte_source() {
    CtypeSource source;
    add_ascii(source, 1);
    for (int c = 0xA0; c < 0xC0; ++c)
        source.classes[bytes({c})] = kClassPunct | kClassGraph | kClassPrint;
    for (int c = 0xC0; c <= 0xFF; ++c) {
        uint16_t word = kLetter | kLatinBit;
        if (c == 0xD7 || c == 0xF7) {
            word = kClassPunct | kClassGraph | kClassPrint;
        } else if (c < 0xDF) {
            word |= kClassUpper;
            add_pair(source, bytes({c}), bytes({c + 0x20}));
        } else {
            word |= kClassLower;
        }
        source.classes[bytes({c})] = word;
    }
    for (char vowel : std::string("aeiouAEIOU"))
        source.classes[std::string(1, vowel)] |= kVowelBit;
    source.user_classes = {{3, "vowel"}, {1, "latin"}};
    return source;
}

CtypeSource multi_byte_source() {
    CtypeSource source;
    add_ascii(source, 1);
    for (uint32_t cp = 0x391; cp <= 0x3A9; ++cp) {
        if (cp == 0x3A2) continue;
        source.classes[utf8(cp)] = kLetter | kClassUpper;
        source.classes[utf8(cp + 0x20)] = kLetter | kClassLower;
        add_pair(source, utf8(cp), utf8(cp + 0x20));
    }
    source.classes[utf8(0x3C2)] = kLetter | kClassLower;  // final sigma: no pair
    for (uint32_t cp = kFirstIdeograph; cp < kFirstIdeograph + 16; ++cp)
        source.classes[utf8(cp)] = kLetter | kFullWidthBit;
    source.classes[utf8(kPrivateUse)] = 0;
    source.classes[utf8(kPrivateUse + 1)] = 0;
    source.user_classes = {{2, "full_width"}};
    return source;
}

CtypeSource two_byte_source() {
    CtypeSource source;
    add_ascii(source, 2);
    for (uint32_t wc = 0xFF21; wc <= 0xFF3A; ++wc) {
        source.classes[wchar_key(wc, 2)] = kLetter | kClassUpper | kWideLatinBit;
        source.classes[wchar_key(wc + 0x20, 2)] = kLetter | kClassLower | kWideLatinBit;
        add_pair(source, wchar_key(wc, 2), wchar_key(wc + 0x20, 2));
    }
    source.user_classes = {{0, "full_width"}};
    return source;
}

}  // namespace gls::testing
