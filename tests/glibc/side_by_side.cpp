#include "tests/glibc/side_by_side.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "gls/names/names.h"
#include "gls/util/util.h"
#include "tests/support/rest_locales.h"
#include "tests/support/test_support.h"
#include "tools/lccomp/compile.h"

namespace velmorad::testing {

namespace {

constexpr const char *kCharmapDir = "/usr/share/i18n/charmaps";
constexpr const char *kLocaledef = "localedef";

// The locale's own scripts, with the ASCII and control characters every
// shipped code set shares.
const std::vector<Span> kLatin = {{0x1, 0x24F}, {0x1E00, 0x1EFF}, {0x20A0, 0x20CF}};
const std::vector<Span> kCyrillic = {{0x1, 0x7F}, {0x400, 0x52F}};
const std::vector<Span> kJapanese = {
    {0x1, 0x7F}, {0x3000, 0x30FF}, {0x31F0, 0x31FF}, {0x4E00, 0x9FFF}, {0xFF00, 0xFFEF}};

bool in_scripts(const std::vector<Span> &scripts, char32_t code) {
    if (scripts.empty()) return true;
    for (const Span &s : scripts) {
        if (code >= s.first && code <= s.last) return true;
    }
    return false;
}

// "U00E9" to 0xE9; -1 for a name that is not a Unicode value.
int64_t unicode_value(const std::string &name) {
    if (name.size() < 5 || name[0] != 'U') return -1;
    char *end = nullptr;
    const unsigned long value = std::strtoul(name.c_str() + 1, &end, 16);
    return *end == '\0' ? static_cast<int64_t>(value) : -1;
}

bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The localedef output the test run's fixture made; compiled here when the
// test runs on its own.
std::string glibc_locale(const ShippedLocale &locale, std::string *failure) {
    const std::string dir = GLIBC_LOCALES_DIR;
    const std::string name = locale.source + "." + locale.charmap;
    if (exists(dir + "/" + name + "/LC_CTYPE")) return name;
    make_dirs(dir);
    TempDir empty;
    const RunResult made = run_program("/usr/bin/env",
                                       {kLocaledef, "-c", "--no-warnings=ascii", "-f",
                                        locale.charmap, "-i", locale.source, dir + "/" + name},
                                       {}, empty.path());
    if (made.status != 0 && made.status != 1) *failure = "localedef " + name + ": " + made.err;
    return name;
}

}  // namespace

const std::vector<ShippedLocale> &shipped_locales() {
    static const std::vector<ShippedLocale> locales = [] {
        std::vector<ShippedLocale> out;
        for (const ListedLocale &l : listed_locales()) {
            if (l.own_source()) continue;
            const std::string language = l.source.substr(0, 2);
            std::vector<Span> scripts;
            if (l.charmap == "UTF-8") {
                scripts = language == "ru" ? kCyrillic : language == "ja" ? kJapanese : kLatin;
            }
            out.push_back({l, scripts});
        }
        return out;
    }();
    return locales;
}

void PrintTo(const ShippedLocale &locale, std::ostream *out) {
    *out << locale.source << " " << locale.charmap;
}

SideBySide::SideBySide(const ShippedLocale &locale) {
    tools::CharmapError error;
    if (!tools::read_charmap(std::string(kCharmapDir) + "/" + locale.charmap + ".gz", &charmap_,
                             &error)) {
        failure_ = "charmap " + locale.charmap + ": " + error.reason;
        return;
    }
    for (const tools::CharmapEntry &entry : charmap_.entries()) {
        const int64_t code = unicode_value(entry.name);
        if (code <= 0 || entry.irreversible || charmap_.find_bytes(entry.bytes) != &entry ||
            !in_scripts(locale.scripts, static_cast<char32_t>(code))) {
            continue;
        }
        gls::gl_wchar_t wc = 0;
        for (unsigned char b : entry.bytes)
            wc = (wc << 8) | b;
        characters_.push_back({static_cast<char32_t>(code), entry.bytes, wc});
    }

    // The library's file, by the name its registry gives the locale.
    const std::string fname = locale_file_name(locale.spec());
    gls::testing::LocalePtr loaded = load_locale(fname);
    if (fname.empty() || loaded == nullptr || loaded->error != 0) {
        failure_ = "cannot load " + locale.spec() + " from \"" + fname + "\": error " +
                   std::to_string(loaded != nullptr ? loaded->error : 0);
        return;
    }
    ours_ = loaded.release();

    const std::string name = glibc_locale(locale, &failure_);
    if (!failure_.empty()) return;
    setenv("LOCPATH", GLIBC_LOCALES_DIR, 1);
    theirs_ = newlocale(LC_ALL_MASK, name.c_str(), nullptr);
    if (theirs_ == nullptr) failure_ = "newlocale " + name + " under " + GLIBC_LOCALES_DIR;
}

SideBySide::~SideBySide() {
    if (theirs_ != nullptr) freelocale(theirs_);
    gls::gl_lc_unload(ours_);
}

bool SideBySide::wide(char32_t code, gls::gl_wchar_t *wc) const {
    const tools::CharmapEntry *entry = charmap_.find_name(tools::unicode_name(code));
    if (entry == nullptr) return false;
    *wc = 0;
    for (unsigned char b : entry->bytes)
        *wc = (*wc << 8) | b;
    return true;
}

void Tally::check(bool same, const std::string &what) {
    ++compared_;
    if (!same) differences_.push_back(aspect_ + ": " + what);
}

std::string Tally::summary() const {
    return aspect_ + " " + std::to_string(compared_ - differences_.size()) + "/" +
           std::to_string(compared_);
}

void expect_agreement(const std::string &name, const std::vector<const Tally *> &tallies,
                      const std::map<std::string, size_t> &rules) {
    std::string report = name + ": ";
    for (const Tally *t : tallies)
        report += t->summary() + "; ";
    for (const auto &[rule, count] : rules)
        report += rule + ": " + std::to_string(count) + "; ";
    std::printf("[ agreement] %s\n", report.c_str());
    for (const Tally *t : tallies) {
        const std::vector<std::string> &d = t->differences();
        EXPECT_TRUE(d.empty()) << d.size() << " differences, the first: " << d.front()
                               << (d.size() > 1 ? "; " + d[1] : "")
                               << (d.size() > 2 ? "; " + d.back() : "");
    }
}

std::string lccomp_time_format(const std::string &format) {
    tools::CharString chars;
    for (unsigned char c : format)
        chars.push_back(tools::unicode_name(c));
    std::vector<std::string> dropped;
    std::string out;
    for (const std::string &name : tools::translate_time_format(chars, &dropped))
        out += static_cast<char>(tools::unicode_of(name));
    return out;
}

std::string code_text(char32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
    return text;
}

std::string wide_text(gls::gl_wchar_t wc) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(wc));
    return text;
}

}  // namespace velmorad::testing
