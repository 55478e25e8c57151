#include "tests/gls/lco_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "gls/load/writer/collate_writer.h"
#include "gls/load/writer/ctype_writer.h"
#include "gls/tree/tree_writer.h"
#include "gls/util/util.h"

namespace gls::testing {

namespace {

constexpr uint16_t kUpper = 0x001, kLower = 0x002, kAlpha = 0x004, kDigit = 0x008, kSpace = 0x010,
                   kCntrl = 0x020, kPunct = 0x040, kGraph = 0x080, kPrint = 0x100, kBlank = 0x400;
constexpr int kLetters = 26;

uint16_t class_of(int byte) {
    if (byte >= 'A' && byte <= 'Z') return kUpper | kAlpha | kGraph | kPrint;
    if (byte >= 'a' && byte <= 'z') return kLower | kAlpha | kGraph | kPrint;
    if (byte >= '0' && byte <= '9') return kDigit | kGraph | kPrint;
    if (byte == ' ') return kSpace | kBlank | kPrint;
    if (byte == '\t') return kSpace | kBlank | kCntrl;
    if (byte < 0x20 || byte == 0x7F) return kCntrl;
    if (byte < 0x7F) return kPunct | kGraph | kPrint;
    return kGraph | kPrint;
}

}  // namespace

OwnedLocale null_locale() {
    Locale *loc = nullptr;
    EXPECT_EQ(gl_create_null_locale_4(&loc), 0);
    return OwnedLocale(loc);
}

std::string ctype_section(bool no_characters) {
    CtypeSource source;
    for (int byte = 0; byte < 256 && !no_characters; ++byte)
        source.classes[std::string(1, char(byte))] = class_of(byte);
    for (int i = 0; i < kLetters; ++i) {
        const CasePair pair{gl_wchar_t('A' + i), gl_wchar_t('a' + i)};
        source.case_pairs[std::string(1, char('A' + i))] = pair;
        source.case_pairs[std::string(1, char('a' + i))] = pair;
    }
    std::string out;
    EXPECT_EQ(write_ctype_section(source, out), CtypeWriteStatus::kOk);
    return out;
}

std::string collate_section() {
    CollationSource source;
    source.directions = {0};
    for (int byte = 1; byte < 256; ++byte) {
        source.rows[std::string(1, char(byte))] = static_cast<uint16_t>(byte);
    }
    for (int row = 0; row < 256; ++row)
        source.weights.push_back({static_cast<uint16_t>(row + 1)});
    std::string out;
    EXPECT_EQ(write_collate_section(source, out), CollateWriteStatus::kOk);
    return out;
}

NumericSource sample_numeric() {
    NumericSource s;
    s.decimal_point = ",";
    s.thousands_sep = ".";
    s.grouping = {3, 2};
    s.positive_sign = "+";
    s.negative_sign = "-";
    return s;
}

MonetarySource sample_monetary() {
    MonetarySource s;
    s.int_curr_symbol = "EUR ";
    s.currency_symbol = "E";
    s.mon_decimal_point = ",";
    s.mon_thousands_sep = " ";
    s.mon_grouping = {3};
    s.positive_sign = "";
    s.negative_sign = "-";
    s.values = {2, 2, 0, 1, 0, 1, -1, kValueNotGiven};
    return s;
}

TimeSource sample_time() {
    TimeSource s;
    s.abday = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    s.day = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    s.abmon = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    s.mon = {"January", "February", "March",     "April",   "May",      "June",
             "July",    "August",   "September", "October", "November", "December"};
    s.date_time_format = "%a %d %b %Y %T";
    s.date_format = "%d/%m/%y";
    s.time_format = "%H:%M:%S";
    s.am = "am";
    s.pm = "pm";
    s.time12_format = "%I:%M:%S %p";
    s.eras = {"+:1:1989/01/08:2019/04/30:Heisei:%EC%Ey:H%Ey",
              "+:1:2019/05/01:+*:Reiwa:%EC%Ey:R%Ey"};
    s.era_date_format = "%EC%Ey.%m.%d";
    s.era_date_time_format = "%EC%Ey.%m.%d %X";
    s.era_time_format = "%H.%M.%S";
    s.alt_digits = {"o", "i", "ii", "iii"};
    return s;
}

MessagesSource sample_messages() {
    MessagesSource s;
    s.yesexpr = "^[jJyY]";
    s.noexpr = "^[nN]";
    s.yesstr = "ja";
    s.nostr = "nein";
    return s;
}

LcoFile sample_file(const std::string &code_set, const std::vector<int> &categories) {
    LcoFile file;
    file.code_set = code_set;
    for (int category : categories) {
        std::string text;
        switch (category) {
            case kCatCtype:
                text = ctype_section();
                break;
            case kCatCollate:
                text = collate_section();
                break;
            case kCatNumeric:
                text = numeric_section_text(sample_numeric());
                break;
            case kCatMonetary:
                text = monetary_section_text(sample_monetary());
                break;
            case kCatTime:
                text = time_section_text(sample_time());
                break;
            case kCatMessages:
                text = messages_section_text(sample_messages());
                break;
            default:
                ADD_FAILURE() << "no such category " << category;
        }
        file.sections.push_back({category, text});
    }
    return file;
}

void replace_section(LcoFile &file, int category, const std::string &text) {
    for (LcoSection &section : file.sections) {
        if (section.category == category) section.text = text;
    }
}

// The registry tells code sets apart; without it every name is unknown.
LcoInstallation::LcoInstallation() {
    velmorad::testing::make_dirs(dir_ / "gls/lc11");
    velmorad::testing::write_file(
        dir_ / "gls/cm3/registry",
        velmorad::testing::read_file(velmorad::testing::source_dir() + "/data/registry"));
    setenv("VELMORADDIR", dir_.path().c_str(), 1);
}

std::string LcoInstallation::path(const std::string &name) const {
    return dir_ / ("gls/lc11/" + name);
}

void LcoInstallation::write(const std::string &name, const LcoFile &file,
                            const LcoDamage &damage) const {
    write_text(name, lco_file_text(file, damage));
}

void LcoInstallation::write_text(const std::string &name, const std::string &text) const {
    ASSERT_TRUE(write_lco_file(path(name), text)) << path(name);
}

LoadResult set_locale(Locale *loc, int category, const char *spec) {
    LoadResult result;
    char *names = gl_setlocale_4(loc, category, spec);
    result.error = loc != nullptr ? loc->error : 0;
    if (names != nullptr) {
        result.loaded = true;
        result.names = names;
        gl_destroystring(names);
    }
    return result;
}

std::string text_of(const char *text) {
    return text != nullptr ? std::string(text) : std::string();
}

std::string text_of(const gl_wchar_t *text) {
    std::string out;
    for (; text != nullptr && *text != 0; ++text)
        out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}

}  // namespace gls::testing
