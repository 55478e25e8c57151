// The locale source reader on the hand-written sources of
// tests/fixtures/lccomp, and on broken sources that must be refused at the
// right line.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/test_support.h"
#include "tools/lccomp/lccomp.h"

namespace velmorad::tools {
namespace {

using velmorad::testing::source_dir;
using velmorad::testing::TempDir;
using velmorad::testing::write_file;

std::string fixtures() {
    return source_dir() + "/tests/fixtures/lccomp";
}

class FixtureSource : public ::testing::Test {
  protected:
    void SetUp() override {
        CharmapError error;
        ASSERT_TRUE(read_charmap(fixtures() + "/mini.charmap", &charmap_, &error)) << error.reason;
        ReadOptions options;
        options.sources_dir = fixtures();
        options.charmap = &charmap_;
        ASSERT_TRUE(read_locale_source(fixtures() + "/xx_XX", options, &source_, &diagnostics_))
            << diagnostics_.error.position.file << ":" << diagnostics_.error.position.line << ": "
            << diagnostics_.error.reason;
    }

    const CharClassSource *cls(const std::string &name) const {
        for (const CharClassSource &c : source_.ctype.classes) {
            if (c.name == name) return &c;
        }
        return nullptr;
    }

    Charmap charmap_;
    LocaleSource source_;
    Diagnostics diagnostics_;
};

TEST_F(FixtureSource, ClassesKeepTheirRangesStepsAndWhoDeclaredThem) {
    // The source's own classes come before the copied ones.
    std::vector<std::string> user;
    for (const CharClassSource &c : source_.ctype.classes) {
        if (c.name == "vowel" || c.name == "wide_kana" || c.name.rfind("extra", 0) == 0 ||
            c.name == "copied_class") {
            user.push_back(c.name + "/" + std::to_string(c.depth));
        }
    }
    EXPECT_EQ(user, (std::vector<std::string>{"vowel/0", "wide_kana/0", "extra1/0", "extra2/0",
                                              "extra3/0", "copied_class/1"}));

    const struct {
        const char *cls;
        size_t member;
        ClassMember::Kind kind;
        const char *first;
        const char *last;
        uint32_t step;
    } rows[] = {
        {"upper", 0, ClassMember::Kind::kUnicodeRange, "U0041", "U005A", 1},
        {"alpha", 6, ClassMember::Kind::kUnicodeRange, "U3041", "U3044",
         1},  // after a "/" line end
        {"copied_class", 0, ClassMember::Kind::kUnicodeRange, "U0041", "U0045", 2},
        {"vowel", 5, ClassMember::Kind::kCharacter, "U00E4", "", 1},  // written as UTF-8
        {"vowel", 6, ClassMember::Kind::kCharacter, "U00E9", "", 1},
    };
    for (const auto &row : rows) {
        const CharClassSource *c = cls(row.cls);
        ASSERT_NE(c, nullptr) << row.cls;
        ASSERT_GT(c->members.size(), row.member) << row.cls;
        const ClassMember &m = c->members[row.member];
        EXPECT_EQ(m.kind, row.kind) << row.cls;
        EXPECT_EQ(m.first, row.first) << row.cls;
        EXPECT_EQ(m.last, row.last) << row.cls;
        EXPECT_EQ(m.step, row.step) << row.cls;
    }
    EXPECT_EQ(source_.ctype.toupper.at("U00E4"), "U00C4");
    EXPECT_EQ(source_.ctype.tolower.at("U0042"), "U0062");
}

TEST_F(FixtureSource, TransliterationTriesTheSourceBeforeWhatItCopiesAndIncludes) {
    const std::vector<TranslitRule> &rules = source_.ctype.translit.rules;
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(rules[0].from, CharString{"U00C0"});  // the source's own
    EXPECT_EQ(rules[1].from, CharString{"U20AC"});  // the copied base's include
    EXPECT_EQ(rules[1].alternatives, (std::vector<CharString>{{"U0045", "U0055", "U0052"}}));
    EXPECT_EQ(rules[2].alternatives, (std::vector<CharString>{{"U00E0"}, {"U0061"}}));
    ASSERT_TRUE(source_.ctype.translit.default_missing);
    EXPECT_EQ(*source_.ctype.translit.default_missing, CharString{"U003F"});
}

TEST_F(FixtureSource, TextValuesAreStringsAndNumbersWithEscapesAndContinuations) {
    const KeywordValue *d_fmt = source_.time.find("d_fmt");
    ASSERT_NE(d_fmt, nullptr);
    // "%d//%m//%Y": the escape character doubled is one "/".
    EXPECT_EQ(d_fmt->strings, (std::vector<CharString>{{"U0025", "U0064", "U002F", "U0025", "U006D",
                                                        "U002F", "U0025", "U0059"}}));
    EXPECT_EQ(source_.time.find("day")->strings.size(), 7u);  // across a continued line
    EXPECT_EQ(source_.time.find("mon")->strings[2],
              (CharString{"U004D", "U00E4", "U0072", "U007A"}));  // "März" in UTF-8
    EXPECT_EQ(source_.numeric.find("grouping")->numbers, (std::vector<long>{3, 3}));
    EXPECT_EQ(source_.monetary.find("n_cs_precedes")->numbers, (std::vector<long>{-1}));
    EXPECT_EQ(source_.numeric.find("decimal_point")->strings, (std::vector<CharString>{{"U002C"}}));
    EXPECT_EQ(source_.time.find("era_t_fmt"), nullptr);
    EXPECT_EQ(source_.time.find("d_fmt")->position.line, 63);
}

TEST_F(FixtureSource, CollationIsKeptAsWrittenWithConditionalsResolved) {
    const CollateSource &c = source_.collate;
    // <S0061>..<S0063> is three symbols; the copy's declarations come first.
    std::vector<std::string> symbols;
    for (const CollatingSymbolSource &s : c.symbols)
        symbols.push_back(s.name);
    EXPECT_EQ(symbols, (std::vector<std::string>{"RES", "S0061", "S0062", "S0063", "BASE", "CAP",
                                                 "a-umlaut"}));
    EXPECT_EQ(c.scripts, std::vector<std::string>{"LATIN"});
    ASSERT_EQ(c.elements.size(), 1u);
    EXPECT_EQ(c.elements[0].characters, (CharString{"U0063", "U0068"}));
    ASSERT_EQ(c.equivalences.size(), 1u);
    EXPECT_EQ(c.equivalences[0].equivalent, "CAP");

    // define before the copy selects the backward branch of the copied ifdef.
    ASSERT_EQ(c.sections.size(), 1u);
    const OrderSection &s = c.sections[0];
    EXPECT_EQ(s.script, "LATIN");
    ASSERT_EQ(s.directions.size(), 2u);
    EXPECT_FALSE(s.directions[0].backward);
    EXPECT_TRUE(s.directions[1].backward);
    EXPECT_TRUE(s.directions[1].position);

    ASSERT_EQ(s.entries.size(), 11u);
    const OrderEntry &a = s.entries[4];
    EXPECT_EQ(a.key, (CollName{CollNameKind::kCharacter, "U0061"}));
    ASSERT_EQ(a.weights.size(), 2u);
    EXPECT_EQ(a.weights[0].names, (std::vector<CollName>{{CollNameKind::kSymbol, "S0061"}}));
    const OrderEntry &ch = s.entries[6];
    EXPECT_EQ(ch.key.kind, CollNameKind::kElement);
    EXPECT_EQ(ch.weights[0].names.size(), 2u);  // a string of two symbols
    EXPECT_EQ(s.entries[8].kind, OrderEntry::Kind::kRange);
    EXPECT_EQ(s.entries[8].weights[0].kind, LevelWeight::Kind::kEllipsis);
    EXPECT_EQ(s.entries[8].weights[1].kind, LevelWeight::Kind::kIgnore);
    EXPECT_EQ(s.entries[10].kind, OrderEntry::Kind::kUndefined);
    EXPECT_EQ(s.entries[0].weights.size(), 0u);  // <RES> alone stands for itself

    ASSERT_EQ(c.reorders.size(), 1u);
    EXPECT_EQ(c.reorders[0].after, (CollName{CollNameKind::kSymbol, "S0061"}));
    ASSERT_EQ(c.reorders[0].entries.size(), 2u);
    EXPECT_EQ(c.reorders[0].entries[1].key.name, "U00E4");
    EXPECT_EQ(c.reorders[0].entries[1].position.file, fixtures() + "/xx_XX");
}

// Each broken source is refused with the file and line of its fault.
TEST(BrokenSource, IsRefusedAtTheLineOfTheFault) {
    const struct {
        const char *text;
        const char *file;  // where the fault is: the source, or a copied one
        int line;
        const char *reason;
    } rows[] = {
        {"LC_TIME\nd_fmt \"%d\n", "src", 2, "not closed"},
        {"LC_TIME\nd_fmt \"x\"\n", "src", 1, "has no \"END LC_TIME\""},
        {"\n\nLC_CTYPE\ncopy \"missing\"\nEND LC_CTYPE\n", "src", 4, "cannot open"},
        {"LC_CTYPE\ncopy \"loop_a\"\nEND LC_CTYPE\n", "loop_b", 2, "makes a cycle"},
        {"LC_CTYPE\nupper <U0041>..<a>\nEND LC_CTYPE\n", "src", 2, "<Uxxxx> names"},
        {"LC_CTYPE\nupper <U005A>..<U0041>\nEND LC_CTYPE\n", "src", 2, "backward"},
        {"LC_CTYPE\ntoupper (<U0061>;<U0041>)\nEND LC_CTYPE\n", "src", 2, "(<a>,<b>)"},
        {"LC_COLLATE\norder_end\nEND LC_COLLATE\n", "src", 2, "without order_start"},
        {"LC_COLLATE\nifdef X\n<U0041>\nEND LC_COLLATE\n", "src", 4, "ifdef without endif"},
        {"LC_COLLATE\ncollating-element <x> from \"x\"\nEND LC_COLLATE\n", "src", 2, "two or more"},
        {"LC_COLLATE\norder_start forward;sideways\norder_end\nEND LC_COLLATE\n", "src", 2,
         "no direction"},
        {"LC_COLLATE\ncollating-symbol <S10>..<T12>\nEND LC_COLLATE\n", "src", 2,
         "hexadecimal digits"},
        {"LC_TIME\nd_fmt \"\xff\"\nEND LC_TIME\n", "src", 2, "not UTF-8"},
        {"LC_MONETARY\nfrac_digits two\nEND LC_MONETARY\n", "src", 2, "neither a string"},
        {"LC_TIME\nEND LC_TIME\nLC_TIME\nEND LC_TIME\n", "src", 3, "defined twice"},
        // A misspelt keyword, in each category and in a copied source.
        {"LC_NUMERIC\ndecimal_pointx \",\"\nEND LC_NUMERIC\n", "src", 2,
         "\"decimal_pointx\" is no keyword of LC_NUMERIC"},
        {"LC_CTYPE\nuper <U0041>\nEND LC_CTYPE\n", "src", 2, "\"uper\" is no keyword of LC_CTYPE"},
        {"LC_CTYPE\ntojx (<U0041>,<U0061>)\nEND LC_CTYPE\n", "src", 2, "no keyword of LC_CTYPE"},
        {"LC_MONETARY\ncrncystr \"x\"\nEND LC_MONETARY\n", "src", 2, "no keyword of LC_MONETARY"},
        {"LC_MESSAGES\nyesexp \"y\"\nEND LC_MESSAGES\n", "src", 2, "no keyword of LC_MESSAGES"},
        {"LC_TIME\ncopy \"bad_time\"\nEND LC_TIME\n", "bad_time", 3, "\"d_fmtt\" is no keyword"},
        {"LC_COLLATE\norder_startx forward\nEND LC_COLLATE\n", "src", 2, "not a character"},
        {"LC_PAPER\nheightt 297\nEND LC_PAPER\n", "src", 2,
         "\"heightt\" is no keyword of LC_PAPER"},
        {"LC_FOO\nbar 1\nEND LC_FOO\n", "src", 1, "\"LC_FOO\" is no category"},
        // Nothing to compile.
        {"", "src", 0, "defines no category"},
        {"% a comment\n\n", "src", 0, "defines no category"},
    };
    for (const auto &row : rows) {
        TempDir dir;
        write_file(dir / "src", row.text);
        write_file(dir / "loop_a", "LC_CTYPE\ncopy \"loop_b\"\nEND LC_CTYPE\n");
        write_file(dir / "loop_b", "LC_CTYPE\ncopy \"loop_a\"\nEND LC_CTYPE\n");
        write_file(dir / "bad_time", "LC_TIME\nd_fmt \"%d\"\nd_fmtt \"%d\"\nEND LC_TIME\n");
        ReadOptions options;
        options.sources_dir = dir.path();
        LocaleSource source;
        Diagnostics d;
        EXPECT_FALSE(read_locale_source(dir / "src", options, &source, &d)) << row.text;
        EXPECT_EQ(d.error.position.file, dir / row.file) << row.text;
        EXPECT_EQ(d.error.position.line, row.line) << row.text;
        EXPECT_NE(d.error.reason.find(row.reason), std::string::npos)
            << row.text << " gave: " << d.error.reason;
    }
}

TEST(SourceLexing, CommentAndEscapeCharactersAreTheSourcesOwn) {
    // With "#" comments and "\" escapes (the defaults), "%" is text; after
    // the declarations, "%" comments and "/" escapes.
    TempDir dir;
    write_file(dir / "src",
               "LC_TIME\n"
               "d_fmt \"%d\\\\%m\" # a comment\n"
               "END LC_TIME\n"
               "comment_char %\n"
               "escape_char /\n"
               "LC_MESSAGES\n"
               "yesstr \"y/\"/x41/d066\" % a comment \"\n"
               "nostr  \"n\\\"\n"
               "% a comment line that ends in the escape character /\n"
               "noexpr \"^n\"; % a comment after text that does /\n"
               "       \"^N\"\n"
               "END LC_MESSAGES\n");
    Charmap charmap;
    CharmapError error;
    ASSERT_TRUE(read_charmap(fixtures() + "/mini.charmap", &charmap, &error));
    ReadOptions options;
    options.charmap = &charmap;
    LocaleSource source;
    Diagnostics d;
    ASSERT_TRUE(read_locale_source(dir / "src", options, &source, &d)) << d.error.reason;
    EXPECT_EQ(source.time.find("d_fmt")->strings[0],
              (CharString{"U0025", "U0064", "U005C", "U0025", "U006D"}));
    EXPECT_EQ(source.messages.find("yesstr")->strings[0],
              (CharString{"U0079", "U0022", "U0041", "U0042"}));
    EXPECT_EQ(source.messages.find("nostr")->strings[0], (CharString{"U006E", "U005C"}));
    EXPECT_EQ(source.messages.find("noexpr")->strings.size(), 2u);
}

}  // namespace
}  // namespace velmorad::tools
