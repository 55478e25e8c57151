// The parts of lccomp's compilation that the loaded file shows only
// indirectly: time formats cut to the formatter's directives, strings
// transliterated into a charmap, and class words, widths and case growth.
#include <gtest/gtest.h>

#include "tools/lccomp/compile.h"

namespace velmorad::tools {
namespace {

CharString chars(std::string_view utf8) {
    CharString out;
    while (!utf8.empty()) {
        uint32_t code = 0;
        const size_t n = decode_utf8(utf8, &code);
        out.push_back(unicode_name(code));
        utf8.remove_prefix(n);
    }
    return out;
}

std::string text(const CharString &names) {
    std::string out;
    for (const std::string &n : names)
        out += static_cast<char>(unicode_of(n));
    return out;
}

TEST(TimeFormat, KeepsTheFormattersDirectivesAndDropsTheRestWithTheirBlank) {
    const struct {
        const char *in;
        const char *out;
        const char *dropped;  // joined with blanks
    } rows[] = {
        {"%a %d %b %Y %T %Z", "%a %d %b %Y %H:%M:%S", "%Z"},
        {"%R %u %w %-u", "%H:%M %.1u %.1w %.1u", ""},  // unpadded, as the C library writes them
        {"%Z %H", "%H", "%Z"},                         // at the start, the blank after it goes
        {"%Z %I:%M:%S %p", "%I:%M:%S %p", "%Z"},
        {"%Z%H %z", "%H", "%Z %z"},
        {"%k:%M", "%2.1H:%M", ""},
        {"%l:%M %P", "%2.1I:%M %p", ""},
        {"%-d.%-m.%Y", "%.1d.%.1m.%Y", ""},
        {"%_d %_j", "%2.1d %3.1j", ""},
        {"%-k", "%.1H", ""},
        {"%0e", "%0e", ""},
        {"%F", "%Y-%m-%d", ""},
        {"%^a %#b", "%a %b", ""},  // case flags have no counterpart
        {"%EC%Ey %EY %Ex %Eg", "%EC%Ey %EY %Ex", "%Eg"},
        {"%Od %OB %Oy %_OH", "%.1Od %.1Oy %2.1OH", "%OB"},
        {"%s %z %G %V %U %W %+", "", "%s %z %G %V %U %W %+"},
        {"100%%", "100%%", ""},
        {"%", "", "%"},
    };
    for (const auto &row : rows) {
        std::vector<std::string> dropped;
        EXPECT_EQ(text(translate_time_format(chars(row.in), &dropped)), row.out) << row.in;
        std::string joined;
        for (const std::string &d : dropped)
            joined += (joined.empty() ? "" : " ") + d;
        EXPECT_EQ(joined, row.dropped) << row.in;
    }
}

class Compiled : public ::testing::Test {
  protected:
    // A charmap where "a" is one byte and its capital two, "ë" three, and
    // the kana wide; and a source that uses them.
    void compile(const std::string &source_text) {
        const std::string charmap_text =
            "<code_set_name> TEST\n<escape_char> /\nCHARMAP\n"
            "<U0000>..<U0040> /x00\n<U0041> /xc1/x81\n<U0042>..<U007E> /x42\n"
            "<U00EB> /xe0/x80/x80\n"
            "<U00CB> /xc3/x8b\n<U3042> /xe3/x81/x82\nEND CHARMAP\n"
            "WIDTH\n<U3042> 2\nEND WIDTH\n";
        CharmapError error;
        ASSERT_TRUE(parse_charmap(charmap_text, "test.charmap", &charmap_, &error))
            << error.line << error.reason;
        ReadOptions options;
        options.charmap = &charmap_;
        Diagnostics d;
        ASSERT_TRUE(read_locale_text(source_text, "src", options, &source_, &d)) << d.error.reason;
        ASSERT_TRUE(compile_ctype(source_, charmap_, &diagnostics_, &ctype_))
            << diagnostics_.error.reason;
    }

    uint16_t word(const std::string &bytes) const { return ctype_.classes.at(bytes); }

    Charmap charmap_;
    LocaleSource source_;
    Diagnostics diagnostics_;
    gls::CtypeSource ctype_;
};

TEST_F(Compiled, ClassWordsWidthsAndCaseGrowthFollowTheCharmap) {
    compile(
        "LC_CTYPE\n"
        "upper <U0041>;<U00CB>\nlower <U0061>;<U00EB>\nalpha <U0041>;<U0061>;<U3042>\n"
        "digit <U0030>..<U0039>\n"
        "class \"one\"; <U0061>\nclass \"two\"; <U0062>\nclass \"three\"; <U0063>\n"
        "class \"four\"; <U0064>\nclass \"five\"; <U0065>\n"
        "toupper (<U0061>,<U0041>);(<U00EB>,<U00CB>);(<U0062>,<U0100>)\n"
        "tolower (<U0041>,<U0061>)\n"
        "END LC_CTYPE\n");
    // full_width takes the first of the five places; "five" is dropped.
    ASSERT_EQ(ctype_.user_classes.size(), 5u);
    EXPECT_EQ(ctype_.user_classes[0].name, "full_width");
    EXPECT_EQ(ctype_.user_classes[4].name, "four");
    ASSERT_EQ(diagnostics_.warnings.size(), 1u);
    EXPECT_NE(diagnostics_.warnings[0].reason.find("\"five\" dropped"), std::string::npos);

    const uint16_t full_width = 0x800;
    EXPECT_EQ(word("\xe3\x81\x82"), 0x4 | full_width);  // the wide kana
    EXPECT_EQ(word("a"), 0x2 | 0x4 | (0x800 << 1));     // lower, alpha and "one"
    EXPECT_EQ(word("\xc1\x81"), 0x1 | 0x4);             // "A", two bytes
    EXPECT_EQ(word("7"), 0x8);
    EXPECT_EQ(word("z"), 0);

    // "a" (1 byte) grows to "A" (2 bytes); "ë" (3) shrinks to "Ë" (2).
    EXPECT_DOUBLE_EQ(*ctype_.growth, 2.0);
    EXPECT_EQ(ctype_.case_pairs.at("a").upper, 0xc181u);
    // A character's own value is spelled out, so "a" and "A" have one pair.
    EXPECT_EQ(ctype_.case_pairs.at("a").lower, static_cast<uint32_t>('a'));
    EXPECT_EQ(ctype_.case_pairs.at("\xc1\x81").lower, static_cast<uint32_t>('a'));
    EXPECT_EQ(ctype_.case_pairs.at("\xc1\x81").upper, 0xc181u);
    EXPECT_EQ(ctype_.case_pairs.at("\xe0\x80\x80").upper, 0xc38bu);
    EXPECT_EQ(ctype_.case_pairs.count("b"), 0u);  // its capital is not in the charmap
}

TEST_F(Compiled, StringsTakeTheFirstTransliterationTheCharmapCanWrite) {
    compile(
        "LC_CTYPE\ntranslit_start\n"
        "<U20AC> \"<U00A4>\";\"EUR\";\"E\"\n"  // the first alternative has no bytes here
        "\"<U0131><U0307>\" \"i\"\n"           // two characters to one
        "<U0131> \"<U0100>\"\n"                // an alternative the charmap lacks
        "default_missing <U003F>\n"
        "translit_end\nEND LC_CTYPE\n");
    Encoder encoder(charmap_, source_.ctype.translit);
    const struct {
        const char *in;
        const char *out;
    } rows[] = {
        {"5 €", "5 EUR"},
        {"ı̇x", "ix"},
        {"ı", "?"},  // no alternative it can write: default_missing
        {"ë", "\xe0\x80\x80"},
    };
    for (const auto &row : rows) {
        std::string bytes;
        std::string missing;
        EXPECT_TRUE(encoder.string(chars(row.in), &bytes, &missing)) << row.in;
        EXPECT_EQ(bytes, row.out) << row.in;
    }

    TranslitSource none;
    Encoder strict(charmap_, none);
    std::string bytes;
    std::string missing;
    EXPECT_FALSE(strict.string(chars("a€"), &bytes, &missing));
    EXPECT_EQ(missing, "U20AC");
}

}  // namespace
}  // namespace velmorad::tools
