// A shipped locale twice: as the library loads it from the build tree's
// installation, and as the C library loads the same source and charmap
// compiled by localedef. The comparisons count what agrees and keep what
// does not, so that each test can say how far the two agree.
#pragma once

#include <locale.h>

#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "gls/load/locale.h"
#include "tests/support/test_support.h"
#include "tools/common/charmap.h"

namespace velmorad::testing {

struct Span {
    char32_t first;
    char32_t last;
};

// A locale of data/locales.list whose source the C library can compile.
struct ShippedLocale : ListedLocale {
    // The characters compared: every one of the charmap when empty, else
    // those of the locale's own scripts (a UTF-8 charmap holds all of
    // Unicode).
    std::vector<Span> scripts;
};

const std::vector<ShippedLocale> &shipped_locales();
// For failure messages: "de_DE ISO-8859-1".
void PrintTo(const ShippedLocale &locale, std::ostream *out);

// One character of the charmap, as both libraries name it.
struct Character {
    char32_t code;       // what the C library's wide functions take
    std::string bytes;   // in the code set
    gls::gl_wchar_t wc;  // what the library's take: the bytes packed
};

class SideBySide {
  public:
    explicit SideBySide(const ShippedLocale &locale);
    ~SideBySide();
    SideBySide(const SideBySide &) = delete;
    SideBySide &operator=(const SideBySide &) = delete;

    // Empty when both loaded; else why not.
    const std::string &failure() const { return failure_; }
    gls::Locale *ours() const { return ours_; }
    locale_t theirs() const { return theirs_; }
    const tools::Charmap &charmap() const { return charmap_; }

    // The characters compared, each byte sequence once, without the null
    // character.
    const std::vector<Character> &characters() const { return characters_; }
    // A Unicode character's bytes packed as the library's wide character;
    // false when the charmap lacks it.
    bool wide(char32_t code, gls::gl_wchar_t *wc) const;

  private:
    std::string failure_;
    tools::Charmap charmap_;
    std::vector<Character> characters_;
    gls::Locale *ours_ = nullptr;
    locale_t theirs_ = nullptr;
};

// How far two sides agree on one aspect: every comparison counts, and a
// difference keeps a line saying what differed.
class Tally {
  public:
    explicit Tally(std::string aspect) : aspect_(std::move(aspect)) {}
    void check(bool same, const std::string &what);
    size_t compared() const { return compared_; }
    const std::vector<std::string> &differences() const { return differences_; }
    // "classes 190/191"
    std::string summary() const;

  private:
    std::string aspect_;
    size_t compared_ = 0;
    std::vector<std::string> differences_;
};

// Prints how far the sides agree ("[ agreement] NAME: classes 190/191; ...",
// then how often each rule of the library's own was applied), and fails the
// test on every difference.
void expect_agreement(const std::string &name, const std::vector<const Tally *> &tallies,
                      const std::map<std::string, size_t> &rules = {});

// What lccomp writes for a time format of the C library's (ASCII directives).
std::string lccomp_time_format(const std::string &format);

// "U+00E9", "0xc3a9"
std::string code_text(char32_t code);
std::string wide_text(gls::gl_wchar_t wc);

}  // namespace velmorad::testing
