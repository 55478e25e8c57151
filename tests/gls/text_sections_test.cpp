// The numeric, monetary, time and messages sections: their field readers
// on real files, and what a loaded locale holds after the initialisers.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "gls/format/format.h"
#include "gls/load/locale.h"
#include "gls/util/util.h"
#include "tests/gls/lco_fixture.h"

namespace gls {
namespace {

using testing::LcoInstallation;
using testing::null_locale;
using testing::sample_file;
using testing::set_locale;
using testing::text_of;

// A stream over `text` in a temporary file.
class TextStream {
  public:
    explicit TextStream(const std::string &text) {
        velmorad::testing::write_file(dir_ / "f", text);
        stream_ = std::fopen((dir_ / "f").c_str(), "r");
        EXPECT_NE(stream_, nullptr);
    }
    ~TextStream() { std::fclose(stream_); }
    FILE *get() const { return stream_; }
    std::string rest() const {
        std::string out;
        for (int c; (c = std::fgetc(stream_)) != EOF;)
            out += static_cast<char>(c);
        return out;
    }

  private:
    velmorad::testing::TempDir dir_;
    FILE *stream_;
};

TEST(TextFields, CountedStrings) {
    struct Row {
        std::string text;
        const char *value;  // null: fails
        size_t bytes;
        uint32_t error;
        std::string rest;
    } rows[] = {
        {"3 616263\nx", "abc", 3, 0, "x"},
        {"0\nx", "", 0, 0, "x"},
        {"0 \n", "", 0, 0, ""},
        {" 2 4142\n", "AB", 2, 0, ""},  // one blank before the count
        {"2 00ff\n", "\0\xff", 2, 0, ""},
        {"3 6162\n", nullptr, 0, GL_EFILE, ""},  // a byte short: the newline is eaten
        {"3 616263", nullptr, 0, GL_EFILE, ""},  // no newline
        {"3 61626364\n", nullptr, 0, GL_EFILE, "64\n"},
        {"-1 61\n", nullptr, 0, GL_EFILE, " 61\n"},
        {"70000 61\n", nullptr, 0, GL_EFILE, " 61\n"},
        {"65535 6162\n", nullptr, 0, GL_EFILE, ""},  // the file ends long before
        // A damaged digit or count is an error, not a byte or a count of 0.
        {"2 41zz\n", nullptr, 0, GL_EFILE, "z\n"},
        {"2 4g42\n", nullptr, 0, GL_EFILE, "42\n"},
        {"x 41\n", nullptr, 0, GL_EFILE, "x 41\n"},
        {"4294967298 41\n", nullptr, 0, GL_EFILE, " 41\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        TextStream stream(row.text);
        uint32_t error = 0;
        char *text = str_readallc(stream.get(), &error);
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(text != nullptr, row.value != nullptr);
        if (text != nullptr) {
            EXPECT_EQ(std::string(text, row.bytes), std::string(row.value, row.bytes));
            EXPECT_EQ(std::string(text + row.bytes, 4), std::string(4, '\0'));
            _gl_free_ptr(text);
        }
        EXPECT_EQ(stream.rest(), row.rest);
    }
}

TEST(TextFields, GroupingLines) {
    struct Row {
        std::string text;
        int status;
        uint32_t error_before, error;
        std::vector<int32_t> sizes;
    } rows[] = {
        {"0\n", 0, 0, 0, {}},
        {"2 3 2\n", 0, 0, 0, {3, 2}},
        {"2 3 2 \n", 0, 0, 0, {3, 2}},
        {"15 1 1 1 1 1 1 1 1 1 1 1 1 1 1 9\n",
         0,
         0,
         0,
         {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 9}},
        {"16 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1\n", -1, 0, GL_EGROUPS, {}},
        {"-1\n", -1, 0, GL_EGROUPS, {}},
        {"2 3 2", -1, 0, GL_ESHORTFILE, {3, 2}},
        {"2 3 2x\n", -1, 0, GL_ESHORTFILE, {3, 2}},
        {"2 3 2", -1, GL_EFILE, GL_EFILE, {3, 2}},  // an earlier code is kept
        // Sizes and counts are numbers of their 32-bit fields, never a 0
        // read from a damaged field nor a value cut to 32 bits.
        {"1 -2147483648\n", 0, 0, 0, {INT32_MIN}},
        {"2 3 x\n", -1, 0, GL_ESHORTFILE, {}},
        {"1 4294967299\n", -1, 0, GL_ESHORTFILE, {}},
        {"x\n", -1, 0, GL_ESHORTFILE, {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        TextStream stream(row.text);
        uint32_t error = row.error_before;
        Grouping group{};
        EXPECT_EQ(read_group(stream.get(), &group, &error), row.status);
        EXPECT_EQ(error, row.error);
        if (row.status == 0 || !row.sizes.empty()) {
            ASSERT_EQ(group.count, static_cast<int32_t>(row.sizes.size()));
            EXPECT_EQ(std::vector<int32_t>(group.sizes, group.sizes + group.count), row.sizes);
        }
    }
}

TEST(TextSections, NumericMonetaryAndMessagesValues) {
    LcoInstallation inst;
    inst.write("a.lco", sample_file());
    auto loc = null_locale();
    ASSERT_TRUE(set_locale(loc.get(), kCatAll, "a.lco").loaded);
    const TextSection &t = loc->text;
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemDecimalPoint)), ",");
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemThousandsSep)), ".");
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemCurrencySymbol)), "E");
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemYesExpr)), "^[jJyY]");
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemNoExpr)), "^[nN]");
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemYesString)), "ja");
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemNoString)), "nein");
    EXPECT_EQ(t.grouping.count, 2);
    EXPECT_EQ(t.grouping.sizes[0], 3);
    for (const LocaleText *text :
         {&t.decimal_point, &t.thousands_sep, &t.positive_sign, &t.negative_sign,
          &t.int_curr_symbol, &t.currency_symbol, &t.mon_decimal_point, &t.mon_thousands_sep,
          &t.mon_positive_sign, &t.mon_negative_sign, &t.yesexpr, &t.noexpr, &t.yesstr, &t.nostr}) {
        EXPECT_EQ(text_of(text->wc), text_of(text->mb));
    }
    EXPECT_EQ(text_of(t.int_curr_symbol.wc), "EUR ");
    EXPECT_EQ(text_of(t.mon_positive_sign.wc), "");

    const int32_t values[] = {2, 2, 0, 1, 0, 1, -1, kValueNotGiven};
    const int8_t bytes[] = {2, 2, 0, 1, 0, 1, -1, 127};
    for (int i = 0; i < kMonetaryValueCount; ++i) {
        EXPECT_EQ(t.monetary[i], values[i]) << i;
        EXPECT_EQ(loc->converted.monetary[i], bytes[i]) << i;
    }
    const ConvertedValues &c = loc->converted;
    EXPECT_EQ(text_of(c.decimal_point.mb), ",");
    EXPECT_EQ(text_of(c.decimal_point.wc), ",");
    EXPECT_EQ(text_of(c.int_curr_symbol.wc), "EUR ");
    EXPECT_EQ(text_of(c.mon_negative_sign.mb), "-");
    ASSERT_NE(c.grouping, nullptr);
    EXPECT_EQ(std::string(c.grouping), "\x03\x02");
    ASSERT_NE(c.mon_grouping, nullptr);
    EXPECT_EQ(std::string(c.mon_grouping), "\x03");
}

TEST(TextSections, ConvertedValuesHaveLimits) {
    LcoInstallation inst;
    auto file = sample_file();
    auto numeric = testing::sample_numeric();
    numeric.grouping = {};
    numeric.thousands_sep = std::string(kMaxConvertedText + 1, 's');
    numeric.decimal_point = std::string(kMaxConvertedText, 'd');
    testing::replace_section(file, kCatNumeric, numeric_section_text(numeric));
    inst.write("a.lco", file);
    auto loc = null_locale();
    ASSERT_TRUE(set_locale(loc.get(), kCatAll, "a.lco").loaded);
    const ConvertedValues &c = loc->converted;
    EXPECT_EQ(c.grouping, nullptr);
    EXPECT_EQ(c.thousands_sep.mb, nullptr);
    EXPECT_EQ(c.thousands_sep.wc, nullptr);
    EXPECT_EQ(text_of(c.decimal_point.mb).size(), kMaxConvertedText);
    EXPECT_EQ(text_of(loc->text.thousands_sep.wc).size(), kMaxConvertedText + 1);
}

// A time section written by hand from the file format (not by the section
// writer, which shares the reader's idea of the field order), with the
// texts each item must give.
TEST(TextSections, AHandWrittenTimeSection) {
    const std::string fixtures = velmorad::testing::source_dir() + "/tests/fixtures/gls/";
    LcoInstallation inst;
    auto file = sample_file();
    testing::replace_section(file, kCatTime,
                             velmorad::testing::read_file(fixtures + "time_section"));
    inst.write("t.lco", file);
    auto loc = null_locale();
    ASSERT_TRUE(set_locale(loc.get(), kCatAll, "t.lco").loaded);
    std::istringstream rows(velmorad::testing::read_file(fixtures + "time_section.items"));
    int checked = 0;
    for (std::string line; std::getline(rows, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t tab = line.find('\t');
        std::string want = line.substr(tab + 1);
        for (size_t at; (at = want.find("\\n")) != std::string::npos;)
            want.replace(at, 2, "\n");
        EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), std::stoi(line))), want) << line;
        ++checked;
    }
    EXPECT_GT(checked, 20);
    ASSERT_EQ(gl_get_era_count(loc.get()), 2);
    const EraEntry &heisei = loc->time.era_entries[0];
    EXPECT_EQ(heisei.start_year * 10000 + heisei.start_month * 100 + heisei.start_day, 19890108);
    EXPECT_EQ(heisei.end_year * 10000 + heisei.end_month * 100 + heisei.end_day, 20190430);
    EXPECT_EQ(text_of(loc->time.era_entries[1].third), "R%Ey");
    EXPECT_EQ(loc->time.era_entries[1].end_kind, 1);
    // The wide copies the initialiser makes.
    const TimeSection &t = loc->time;
    for (int i = 0; i < kTimeFormatCount; ++i)
        EXPECT_EQ(text_of(t.wformats[i]), text_of(t.formats[i])) << i;
    EXPECT_EQ(text_of(t.joined_eras.wc), text_of(gl_nl_langinfo(loc.get(), kItemEras)));
    EXPECT_EQ(text_of(t.joined_alt_digits.wc), "zero\none\ntwo\nthree");
    EXPECT_EQ(text_of(t.wday[3]), "Wednesday");
    EXPECT_EQ(text_of(t.wabday[3]), "Wed");
    EXPECT_EQ(text_of(t.mon.wc[8]), "September");
    EXPECT_EQ(text_of(t.abmon.wc[0]), "Jan");
    EXPECT_EQ(text_of(t.pm.wc), "nachm");
    EXPECT_EQ(text_of(heisei.wthird), "H%Ey");
}

TEST(TextSections, EraStrings) {
    LcoInstallation inst;
    inst.write("a.lco", sample_file());
    auto loc = null_locale();
    ASSERT_TRUE(set_locale(loc.get(), kCatAll, "a.lco").loaded);
    struct Row {
        const char *text;
        uint32_t error;  // 0: parses
        int32_t direction, offset, start, end, end_kind;
        const char *name, *format, *third;
    } rows[] = {
        {"+:1:1989/01/08:+*:Heisei:%EC%Ey:", 0, 1, 1, 19890108, 0, 1, "Heisei", "%EC%Ey", ""},
        {"-:2:-0001/12/31:-*:BC:%EC %Ey:x", 0, -1, 2, -10000 + 1231, 0, -1, "BC", "%EC %Ey", "x"},
        {"+:0:1/2/3:4/5/6:n:f:t:u", 0, 1, 0, 10203, 40506, 0, "n", "f", "t:u"},
        {"+::1989/1/8:+*:::", 0, 1, 0, 19890108, 0, 1, "", "", ""},
        {"+:1:1989-01-08:+*:Heisei:%EC%Ey:", GL_EERA, 0, 0, 0, 0, 0, "", "", ""},
        {"+:1:1989/01/08:+*:Heisei:%EC%Ey", GL_EERA, 0, 0, 0, 0, 0, "", "", ""},  // no third field
        {"*:1:1989/01/08:+*:a:b:", GL_EERA, 0, 0, 0, 0, 0, "", "", ""},
        {"+1:1989/01/08:+*:a:b:", GL_EERA, 0, 0, 0, 0, 0, "", "", ""},
        {"+:1:1989/01/08:+:a:b:", GL_EERA, 0, 0, 0, 0, 0, "", "", ""},
        {"+:1:1989/01/08", GL_EERA, 0, 0, 0, 0, 0, "", "", ""},
        {"", GL_EERA, 0, 0, 0, 0, 0, "", "", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        std::string text = std::string(row.text) + std::string(4, '\0');
        EraEntry era{};
        loc->error = 0;
        int status = _gl_parse_era(loc.get(), text.c_str(), &era);
        EXPECT_EQ(status, row.error == 0 ? 0 : -1);
        EXPECT_EQ(loc->error, row.error);
        if (row.error == 0) {
            EXPECT_EQ(era.direction, row.direction);
            EXPECT_EQ(era.offset, row.offset);
            EXPECT_EQ(era.start_year * 10000 + era.start_month * 100 + era.start_day, row.start);
            EXPECT_EQ(era.end_year * 10000 + era.end_month * 100 + era.end_day, row.end);
            EXPECT_EQ(era.end_kind, row.end_kind);
            EXPECT_EQ(text_of(era.name), row.name);
            EXPECT_EQ(text_of(era.format), row.format);
            EXPECT_EQ(text_of(era.third), row.third);
        }
        _gl_free_ptr(era.name);
        _gl_free_ptr(era.format);
        _gl_free_ptr(era.third);
    }
}

TEST(TextSections, BrokenTimeSections) {
    LcoInstallation inst;
    struct Row {
        const char *what;
        void (*change)(TimeSource &);
        uint32_t error;
    } rows[] = {
        {"julian", [](TimeSource &s) { s.calendar = "julian"; }, GL_ECALENDAR},
        {"calendar line too long", [](TimeSource &s) { s.calendar = std::string(40, 'g'); },
         GL_ESHORTFILE},
        {"a bad era", [](TimeSource &s) { s.eras[1] = "+:1:2019.05.01:+*:Reiwa:%EC%Ey:"; },
         GL_EERA},
        {"months far beyond the file", [](TimeSource &s) { s.written_month_count = 2147483647; },
         GL_ENOMEM},
        {"a month count too large", [](TimeSource &s) { s.written_month_count = 2147483648; },
         GL_ESHORTFILE},
        {"a negative month count", [](TimeSource &s) { s.written_month_count = -1; },
         GL_ESHORTFILE},
        {"hebrew", [](TimeSource &s) { s.calendar = "hebrew"; }, 0},
        {"no eras", [](TimeSource &s) { s.eras.clear(); }, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        auto source = testing::sample_time();
        row.change(source);
        auto file = sample_file();
        testing::replace_section(file, kCatTime, time_section_text(source));
        inst.write("t.lco", file);
        auto loc = null_locale();
        auto result = set_locale(loc.get(), kCatAll, "t.lco");
        EXPECT_EQ(result.loaded, row.error == 0);
        EXPECT_EQ(result.error, row.error);
        EXPECT_EQ(loc->time.era_entries == nullptr, row.error != 0 || source.eras.empty());
    }
}

TEST(TextSections, JoinedStringsNeedEras) {
    LcoInstallation inst;
    auto file = sample_file();
    auto source = testing::sample_time();
    source.eras.clear();
    source.alt_digits = {"z", "o"};
    testing::replace_section(file, kCatTime, time_section_text(source));
    inst.write("noera.lco", file);
    auto digits_only = sample_file();
    source = testing::sample_time();
    source.alt_digits.clear();
    testing::replace_section(digits_only, kCatTime, time_section_text(source));
    inst.write("nodigits.lco", digits_only);

    auto loc = null_locale();
    ASSERT_TRUE(set_locale(loc.get(), kCatAll, "noera.lco").loaded);
    EXPECT_EQ(gl_get_era_count(loc.get()), 0);
    EXPECT_EQ(gl_nl_langinfo(loc.get(), kItemEras), nullptr);
    EXPECT_EQ(gl_nl_langinfo(loc.get(), kItemAltDigits), nullptr);
    EXPECT_EQ(text_of(loc->time.alt_digits.wc[1]), "o");

    ASSERT_TRUE(set_locale(loc.get(), kCatTime, "nodigits.lco").loaded);
    ASSERT_NE(gl_nl_langinfo(loc.get(), kItemAltDigits), nullptr);
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemAltDigits)), "");
}

TEST(TextSections, BrokenTextSectionsKeepTheirCodes) {
    LcoInstallation inst;
    auto monetary = testing::sample_monetary();
    std::string text = monetary_section_text(monetary);
    struct Row {
        const char *what;
        int category;
        std::string section;
        uint32_t error;
    } rows[] = {
        {"a value without its newline", kCatMonetary, text.substr(0, text.size() - 1),
         GL_ESHORTFILE},
        {"too many monetary groups", kCatMonetary,
         [] {
             auto m = testing::sample_monetary();
             m.mon_grouping.assign(16, 3);
             return monetary_section_text(m);
         }(),
         GL_EGROUPS},
        {"a symbol cut short", kCatMonetary, "3 4555\n" + text.substr(text.find('\n') + 1),
         GL_EFILE},
        {"a symbol with a damaged digit", kCatMonetary,
         "3 45zz55\n" + text.substr(text.find('\n') + 1), GL_EFILE},
        {"a monetary value past 32 bits", kCatMonetary,
         [] {
             auto m = testing::sample_monetary();
             m.values[1] = 4294967298;
             return monetary_section_text(m);
         }(),
         GL_ESHORTFILE},
        {"a monetary value that is no number", kCatMonetary,
         text.substr(0, text.rfind('\n', text.size() - 2) + 1) + "x\n", GL_ESHORTFILE},
        {"a group size past 32 bits", kCatNumeric,
         [] {
             auto n = testing::sample_numeric();
             n.grouping = {3, 4294967299};
             return numeric_section_text(n);
         }(),
         GL_ESHORTFILE},
        {"a decimal point cut short", kCatNumeric, "1 2\n", GL_EFILE},
        {"messages cut short", kCatMessages, "1 79\n", GL_EFILE},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        auto file = sample_file();
        testing::replace_section(file, row.category, row.section);
        inst.write("m.lco", file);
        auto loc = null_locale();
        auto result = set_locale(loc.get(), kCatAll, "m.lco");
        EXPECT_FALSE(result.loaded);
        EXPECT_EQ(result.error, row.error);
        EXPECT_EQ(loc->file_names[category_slot(row.category)][0], '\0');
    }
}

TEST(TextSections, AFileWithSomeSectionsServesThose) {
    LcoInstallation inst;
    inst.write("full.lco", sample_file());
    inst.write("some.lco", sample_file("8859-1", {kCatMessages, kCatTime}));
    auto loc = null_locale();
    ASSERT_TRUE(set_locale(loc.get(), kCatAll, "full.lco").loaded);
    EXPECT_TRUE(set_locale(loc.get(), kCatTime, "some.lco").loaded);
    EXPECT_TRUE(set_locale(loc.get(), kCatMessages, "some.lco").loaded);
    auto numeric = set_locale(loc.get(), kCatNumeric, "some.lco");
    EXPECT_FALSE(numeric.loaded);
    EXPECT_EQ(numeric.error, GL_ESHORTFILE);
    EXPECT_EQ(set_locale(loc.get(), kCatAll, nullptr).names,
              "GL_CTYPE = full.lco ; GL_COLLATE = full.lco ; GL_NUMERIC =  ; "
              "GL_MONETARY = full.lco ; GL_TIME = some.lco ; GL_MESSAGES = some.lco ; ");
}

}  // namespace
}  // namespace gls
