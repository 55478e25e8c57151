// The numeric, monetary, time and messages sections: their field readers
// on real files, and what a loaded locale holds after the initialisers.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "gls/format/format.h"
#include "gls/load/load_internal.h"
#include "gls/util/util.h"
#include "tests/gls/lco_fixture.h"

namespace gls {
namespace {

using testing::LcoInstallation;
using testing::LocalePtr;
using testing::null_locale;
using testing::sample_file;
using testing::set_locale;
using testing::text_of;

// The counted-string and grouping readers, rows of
// tests/fixtures/gls/objects_text_fields.
TEST(TextFields, CountedStringsAndGroupingLines) {
    for (const auto &row : velmorad::testing::fixture_rows("gls/objects_text_fields")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string> &f = row.fields;
        testing::FileStream stream(f[1]);
        if (f[0] == "counted") {
            uint32_t error = 0;
            char *text = str_readallc(stream.get(), &error);
            EXPECT_EQ(text == nullptr, f[2] == "!");
            if (text != nullptr) {
                EXPECT_EQ(std::string(text, f[2].size() + 4), f[2] + std::string(4, '\0'));
                _gl_free_ptr(text);
            }
            EXPECT_EQ(error, std::stoul(f[3]));
            EXPECT_EQ(stream.rest(), f[4]);
            continue;
        }
        auto error = static_cast<uint32_t>(std::stoul(f[2]));
        Grouping group{};
        EXPECT_EQ(read_group(stream.get(), &group, &error), std::stoi(f[3]));
        EXPECT_EQ(error, std::stoul(f[4]));
        std::string sizes;
        for (int i = 0; i < group.count; ++i)
            sizes += (i == 0 ? "" : " ") + std::to_string(group.sizes[i]);
        if (f[3] == "0" || !f[5].empty()) {
            EXPECT_EQ(sizes, f[5]);
        }
    }
}

TEST(TextSections, NumericMonetaryAndMessagesValues) {
    LcoInstallation inst;
    LocalePtr loc = inst.load("a.lco");
    for (const auto &[item, text] :
         {std::pair{kItemDecimalPoint, ","}, std::pair{kItemThousandsSep, "."},
          std::pair{kItemCurrencySymbol, "E"}, std::pair{kItemYesExpr, "^[jJyY]"},
          std::pair{kItemNoExpr, "^[nN]"}, std::pair{kItemNoString, "nein"}})
        EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), item)), text) << item;
    const TextSection &t = loc->text;
    for (const LocaleText *text :
         {&t.decimal_point, &t.thousands_sep, &t.positive_sign, &t.negative_sign,
          &t.int_curr_symbol, &t.currency_symbol, &t.mon_decimal_point, &t.mon_thousands_sep,
          &t.mon_positive_sign, &t.mon_negative_sign, &t.yesexpr, &t.noexpr, &t.yesstr, &t.nostr}) {
        EXPECT_EQ(text_of(text->wc), text_of(text->mb));
    }
    // The values as the C library's lconv has them: not given is CHAR_MAX.
    const int8_t bytes[] = {2, 2, 0, 1, 0, 1, -1, CHAR_MAX};
    for (int i = 0; i < kMonetaryValueCount; ++i)
        EXPECT_EQ(loc->converted.monetary[i], bytes[i]) << i;
    const ConvertedValues &c = loc->converted;
    EXPECT_EQ(text_of(c.int_curr_symbol.wc), "EUR ");
    EXPECT_EQ(text_of(c.mon_negative_sign.mb), "-");
    EXPECT_EQ(text_of(c.grouping), "\x03\x02");
    EXPECT_EQ(text_of(c.mon_grouping), "\x03");
}

TEST(TextSections, ConvertedValuesHaveLimits) {
    LcoInstallation inst;
    auto file = sample_file();
    NumericSource numeric;
    numeric.thousands_sep = std::string(kMaxConvertedText + 1, 's');
    numeric.decimal_point = std::string(kMaxConvertedText, 'd');
    testing::replace_section(file, kCatNumeric, numeric_section_text(numeric));
    LocalePtr loc = inst.load("a.lco", file);
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
    namespace vt = velmorad::testing;
    const std::string fixtures = vt::source_dir() + "/tests/fixtures/gls/";
    LcoInstallation inst;
    auto file = sample_file();
    testing::replace_section(file, kCatTime, vt::read_file(fixtures + "time_section"));
    LocalePtr loc = inst.load("t.lco", file);
    int checked = 0;
    for (const std::string &line : vt::lines_of(vt::read_file(fixtures + "time_section.items"))) {
        if (line.empty() || line[0] == '#') continue;
        std::string want = vt::fields_of(line).at(1);
        for (size_t at; (at = want.find("\\n")) != std::string::npos;)
            want.replace(at, 2, "\n");
        EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), std::stoi(line))), want) << line;
        ++checked;
    }
    EXPECT_GT(checked, 20);
    ASSERT_EQ(gl_get_era_count(loc.get()), 2);
    const EraEntry &heisei = loc->time.era_entries[0];
    EXPECT_EQ(heisei.end_year * 10000 + heisei.end_month * 100 + heisei.end_day, 20190430);
    EXPECT_EQ(loc->time.era_entries[1].end_kind, 1);
    // The wide copies the initialiser makes.
    const TimeSection &t = loc->time;
    for (int i = 0; i < kTimeFormatCount; ++i)
        EXPECT_EQ(text_of(t.wformats[i]), text_of(t.formats[i])) << i;
    EXPECT_EQ(text_of(t.joined_eras.wc), text_of(gl_nl_langinfo(loc.get(), kItemEras)));
    EXPECT_EQ(text_of(t.joined_alt_digits.wc), "zero\none\ntwo\nthree");
    EXPECT_EQ(text_of(t.wday[3]), "Wednesday");
    EXPECT_EQ(text_of(t.mon.wc[8]), "September");
    EXPECT_EQ(text_of(t.pm.wc), "nachm");
    EXPECT_EQ(text_of(heisei.wthird), "H%Ey");
}

TEST(TextSections, EraStrings) {
    LcoInstallation inst;
    LocalePtr loc = inst.load("a.lco");
    for (const auto &row : velmorad::testing::fixture_rows("gls/objects_eras")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string> &f = row.fields;
        std::string text = f[0] + std::string(4, '\0');
        EraEntry era{};
        loc->error = 0;
        const int status = _gl_parse_era(loc.get(), text.c_str(), &era);
        EXPECT_EQ(loc->error, std::stoul(f[1]));
        EXPECT_EQ(status, f[1] == "0" ? 0 : -1);
        if (status == 0) {
            EXPECT_EQ(
                std::to_string(era.direction) + " " + std::to_string(era.offset) + " " +
                    std::to_string(era.start_year * 10000 + era.start_month * 100 + era.start_day) +
                    " " + std::to_string(era.end_year * 10000 + era.end_month * 100 + era.end_day) +
                    " " + std::to_string(era.end_kind),
                f[2]);
            EXPECT_EQ(text_of(era.name) + "|" + text_of(era.format) + "|" + text_of(era.third),
                      f[3] + "|" + f[4] + "|" + f[5]);
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
        inst.write("t.lco", testing::with_time(source));
        auto loc = null_locale();
        auto result = set_locale(loc.get(), kCatAll, "t.lco");
        EXPECT_EQ(result.loaded, row.error == 0);
        EXPECT_EQ(result.error, row.error);
        EXPECT_EQ(loc->time.era_entries == nullptr, row.error != 0 || source.eras.empty());
    }
}

TEST(TextSections, JoinedStringsNeedEras) {
    LcoInstallation inst;
    auto source = testing::sample_time();
    source.eras.clear();
    source.alt_digits = {"z", "o"};
    LocalePtr loc = inst.load("noera.lco", testing::with_time(source));
    EXPECT_EQ(gl_get_era_count(loc.get()), 0);
    EXPECT_EQ(gl_nl_langinfo(loc.get(), kItemEras), nullptr);
    EXPECT_EQ(gl_nl_langinfo(loc.get(), kItemAltDigits), nullptr);
    EXPECT_EQ(text_of(loc->time.alt_digits.wc[1]), "o");

    source = testing::sample_time();
    source.alt_digits.clear();
    inst.write("nodigits.lco", testing::with_time(source));
    ASSERT_TRUE(set_locale(loc.get(), kCatTime, "nodigits.lco").loaded);
    ASSERT_NE(gl_nl_langinfo(loc.get(), kItemAltDigits), nullptr);
    EXPECT_EQ(text_of(gl_nl_langinfo(loc.get(), kItemAltDigits)), "");
}

// Rows of tests/fixtures/gls/objects_text_damage.
TEST(TextSections, BrokenTextSectionsKeepTheirCodes) {
    const std::map<std::string, int> categories = {
        {"monetary", kCatMonetary}, {"numeric", kCatNumeric}, {"messages", kCatMessages}};
    LcoInstallation inst;
    for (const auto &row : velmorad::testing::fixture_rows("gls/objects_text_damage")) {
        SCOPED_TRACE(row.where);
        const int category = categories.at(row.fields[0]);
        auto file = sample_file();
        testing::replace_section(file, category, row.fields[1]);
        inst.write("m.lco", file);
        auto loc = null_locale();
        auto result = set_locale(loc.get(), kCatAll, "m.lco");
        EXPECT_FALSE(result.loaded);
        EXPECT_EQ(result.error, std::stoul(row.fields[2]));
        EXPECT_EQ(loc->file_names[category_slot(category)][0], '\0');
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
