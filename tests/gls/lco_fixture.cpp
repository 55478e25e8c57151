#include "tests/gls/lco_fixture.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>

#include "gls/chars/chars.h"
#include "gls/host/host.h"
#include "gls/util/util.h"
#include "tests/gls/ctype_fixtures.h"

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

std::string ctype_text(const CtypeSource &source) {
    std::string text;
    EXPECT_EQ(write_ctype_section(source, text), CtypeWriteStatus::kOk);
    return text;
}

SectionRead read_section(Locale *loc, const std::string &text) {
    FileStream stream("### LC_CTYPE\n" + text + kNextSection);
    char marker[kHeaderLineSize];
    EXPECT_NE(_gl_ext_fgets(marker, sizeof marker, stream.get()), nullptr);
    const int status = read_ctype(stream.get(), loc);
    return {status, stream.rest()};
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

LocalePtr null_locale() {
    Locale *loc = nullptr;
    EXPECT_EQ(gl_create_null_locale_4(&loc), 0);
    return LocalePtr(loc);
}

std::string ctype_section(bool no_characters) {
    CtypeSource source = single_byte_source();
    if (no_characters) source.classes.clear();
    return ctype_text(source);
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

// The sections other than the classification and time are checked-in
// text, so the readers see them as another writer would have made them.
LcoFile sample_file(const std::string &code_set, const std::vector<int> &categories) {
    static const char *const kFixtures[] = {"collate", "numeric", "monetary", "", "messages"};
    LcoFile file;
    file.code_set = code_set;
    for (int category : categories) {
        std::string text;
        if (category == kCatCtype) {
            text = ctype_section();
        } else if (category == kCatTime) {
            text = time_section_text(sample_time());
        } else {
            text = velmorad::testing::read_file(velmorad::testing::source_dir() +
                                                "/tests/fixtures/gls/objects_sample_" +
                                                kFixtures[category - kCatCollate]);
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

LcoFile with_time(const TimeSource &time) {
    LcoFile file = sample_file();
    replace_section(file, kCatTime, time_section_text(time));
    return file;
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

LocalePtr LcoInstallation::load(const std::string &name, const LcoFile &file) const {
    write(name, file);
    LocalePtr loc = null_locale();
    const LoadResult result = set_locale(loc.get(), kCatAll, name.c_str());
    EXPECT_TRUE(result.loaded) << name << ": error " << result.error;
    return loc;
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

FileStream::FileStream(const std::string &text, const char *mode) {
    velmorad::testing::write_file(dir_ / "stream", text);
    stream_ = _gl_ext_fopen((dir_ / "stream").c_str(), mode);
    EXPECT_NE(stream_, nullptr);
}

FileStream::~FileStream() {
    if (stream_ != nullptr) (void)_gl_ext_fclose(stream_);
}

std::string FileStream::rest() const {
    std::string out;
    for (int c; (c = _gl_ext_getc(stream_)) != EOF;)
        out += static_cast<char>(c);
    return out;
}

}  // namespace gls::testing
