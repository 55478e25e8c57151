// The collation of each shipped locale, as the library installs it from
// the file lccomp wrote, beside strcoll_l on localedef's compilation of the
// same source: generated words in the locale's own alphabet are compared
// pair by pair. Each case prints its count of pairs the two order
// differently; the count must stay within what the case allows, and every
// allowance says why.
#include <gtest/gtest.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/glibc/side_by_side.h"
#include "tests/support/bytes.h"
#include "tools/lccomp/source_lexer.h"

namespace velmorad::testing {
namespace {

// Letters of a script, as Unicode values; only those the charmap encodes
// and the C library calls alphabetic are used.
const std::vector<Span> kEveryLetter = {{0x0, 0x10FFFF}};
const std::vector<Span> kLatin = {{0x41, 0x5A}, {0x61, 0x7A}, {0xC0, 0x17F}};
const std::vector<Span> kCyrillic = {{0x41, 0x5A}, {0x61, 0x7A}, {0x400, 0x45F}};
const std::vector<Span> kJapanese = {
    {0x41, 0x5A}, {0x61, 0x7A}, {0x3041, 0x30FF}, {0x4E00, 0x9FA5}};
const std::vector<Span> kHan = {{0x41, 0x5A}, {0x61, 0x7A}, {0x4E00, 0x9FA5}};
const std::vector<Span> kKorean = {{0x41, 0x5A}, {0x61, 0x7A}, {0x3131, 0x318E}, {0xAC00, 0xD7A3}};

struct Case {
    std::vector<Span> letters;
    size_t allowed = 0;  // pairs that may be ordered differently (see where it is set)
    // Only letters this charmap also has: the ones the source orders.
    std::string within;
};

// The single-byte locales over every letter, the others over their own
// scripts.
Case case_of(const ShippedLocale &l) {
    const std::string language = l.source.substr(0, 2);
    const bool unicode = l.charmap == "UTF-8";
    Case c{kEveryLetter, 0, ""};
    if (language == "ja") {
        c.letters = kJapanese;
        // The source orders the characters of JIS and puts the rest, by
        // UNDEFINED, last; the C library puts those first instead.
        if (unicode) c.within = "EUC-JP";
    } else if (language == "ko") {
        c.letters = kKorean;
    } else if (language == "zh") {
        // Han characters weigh nothing past the first level, where blanks,
        // hyphens and apostrophes weigh something: the fourth level's
        // ",position" decides where they stand.
        c.letters = kHan;
    } else if (unicode) {
        c.letters = language == "ru" ? kCyrillic : kLatin;
    }
    // The Arabic vowel marks sit in the template's section of symbols,
    // whose second level runs backward; the C library reverses each run
    // of such characters on that level. The section holds one direction
    // per level, the Arabic script's forward one, so words with two or
    // more marks in a row whose first levels tie may come out the other
    // way round.
    if (language == "ar") c.allowed = 17;
    return c;
}

// A small deterministic generator, the same on every platform.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        state_ += 0x9E3779B97F4A7C15ULL;
        uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    size_t below(size_t n) { return static_cast<size_t>(next() % n); }

  private:
    uint64_t state_;
};

using Letter = Character;

class CollationBesideLibc : public ::testing::TestWithParam<ShippedLocale> {
  protected:
    void SetUp() override {
        ASSERT_EQ(sides_.failure(), "");
        if (!case_.within.empty()) {
            tools::CharmapError error;
            const std::string path = "/usr/share/i18n/charmaps/" + case_.within + ".gz";
            ASSERT_TRUE(tools::read_charmap(path, &within_, &error)) << error.reason;
        }
    }

    std::string encode(char32_t code) const {
        const tools::CharmapEntry *e = sides_.charmap().find_name(tools::unicode_name(code));
        return e == nullptr ? std::string() : e->bytes;
    }

    std::vector<Letter> alphabet() const {
        std::vector<Letter> letters;
        for (const Character &c : sides_.characters()) {
            const std::string name = tools::unicode_name(c.code);
            const bool wanted =
                std::any_of(case_.letters.begin(), case_.letters.end(),
                            [&](const Span &s) { return c.code >= s.first && c.code <= s.last; });
            const bool ordered = case_.within.empty() || within_.find_name(name);
            if (wanted && ordered && iswalpha_l(static_cast<wint_t>(c.code), libc_))
                letters.push_back(c);
        }
        std::sort(letters.begin(), letters.end(),
                  [](const Letter &a, const Letter &b) { return a.code < b.code; });
        return letters;
    }

    int libc_order(const std::string &a, const std::string &b) const {
        const int r = strcoll_l(a.c_str(), b.c_str(), libc_);
        return (r > 0) - (r < 0);
    }
    int our_order(const std::string &a, const std::string &b) const {
        const int r = ours_->primitives.mbscoll(ours_, bytes(a), bytes(b));
        return (r > 0) - (r < 0);
    }
    std::string our_key(const std::string &s) const {
        std::string out(4 * s.size() + 64, '\0');
        const int n =
            ours_->primitives.mbsxfrm(ours_, reinterpret_cast<unsigned char *>(out.data()),
                                      bytes(s), static_cast<int>(out.size()));
        out.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return out;
    }
    static const unsigned char *bytes(const std::string &s) {
        return reinterpret_cast<const unsigned char *>(s.c_str());
    }

    // Letters that differ from one another only past the first level in
    // the C library's order (accents, case): x and y are such when xZ
    // follows yA and yZ follows xA, A and Z being the first and last letter.
    std::vector<std::vector<size_t>> variant_groups(const std::vector<Letter> &letters) const {
        constexpr size_t kMaxGrouped = 800;
        std::vector<std::vector<size_t>> groups;
        if (letters.size() > kMaxGrouped || letters.size() < 2) return groups;
        size_t lo = 0;
        size_t hi = 0;
        for (size_t i = 1; i < letters.size(); ++i) {
            if (libc_order(letters[i].bytes, letters[lo].bytes) < 0) lo = i;
            if (libc_order(letters[i].bytes, letters[hi].bytes) > 0) hi = i;
        }
        const std::string &a = letters[lo].bytes;
        const std::string &z = letters[hi].bytes;
        for (size_t i = 0; i < letters.size(); ++i) {
            bool placed = false;
            for (std::vector<size_t> &g : groups) {
                const std::string &x = letters[i].bytes;
                const std::string &y = letters[g.front()].bytes;
                if (libc_order(x + z, y + a) > 0 && libc_order(y + z, x + a) > 0) {
                    g.push_back(i);
                    placed = true;
                    break;
                }
            }
            if (!placed) groups.push_back({i});
        }
        return groups;
    }

    // Families of words: a random word of letters, then variants of it with
    // a letter swapped for one of its variants, a letter's case changed, one
    // to three blanks, hyphens or apostrophes put in anywhere (where they
    // stand counts on the last level), or a letter added.
    std::vector<std::string> words(size_t families, uint64_t seed) const {
        const std::vector<Letter> letters = alphabet();
        if (letters.empty()) return {};
        const std::vector<std::vector<size_t>> groups = variant_groups(letters);
        std::vector<size_t> group_of(letters.size(), 0);
        for (size_t g = 0; g < groups.size(); ++g) {
            for (size_t i : groups[g])
                group_of[i] = g;
        }
        const std::string marks[] = {encode(0x20), encode(0x2D), encode(0x27)};
        Random random(seed);
        std::vector<std::string> out;
        constexpr size_t kVariants = 4;
        constexpr size_t kMaxLength = 7;
        for (size_t f = 0; f < families; ++f) {
            std::vector<size_t> base(1 + random.below(kMaxLength));
            for (size_t &i : base)
                i = random.below(letters.size());
            auto spell = [&](const std::vector<size_t> &w) {
                std::string s;
                for (size_t i : w)
                    s += letters[i].bytes;
                return s;
            };
            out.push_back(spell(base));
            for (size_t v = 0; v < kVariants; ++v) {
                std::vector<size_t> w = base;
                const size_t at = random.below(w.size());
                std::vector<std::pair<size_t, std::string>> extra;  // (before letter, mark)
                switch (random.below(4)) {
                    case 0:
                        if (!groups.empty()) {
                            const std::vector<size_t> &g = groups[group_of[w[at]]];
                            w[at] = g[random.below(g.size())];
                        }
                        break;
                    case 1: {
                        const char32_t c = letters[w[at]].code;
                        const char32_t other = iswupper_l(static_cast<wint_t>(c), libc_)
                                                   ? towlower_l(static_cast<wint_t>(c), libc_)
                                                   : towupper_l(static_cast<wint_t>(c), libc_);
                        auto it = std::find_if(letters.begin(), letters.end(),
                                               [&](const Letter &l) { return l.code == other; });
                        if (it != letters.end()) w[at] = static_cast<size_t>(it - letters.begin());
                        break;
                    }
                    case 2:
                        for (size_t n = 1 + random.below(3); n > 0; --n)
                            extra.emplace_back(random.below(w.size() + 1), marks[random.below(3)]);
                        break;
                    default:
                        w.push_back(random.below(letters.size()));
                        break;
                }
                std::string s;
                for (size_t i = 0; i <= w.size(); ++i) {
                    for (const auto &[before, mark] : extra)
                        s += before == i ? mark : "";
                    if (i < w.size()) s += letters[w[i]].bytes;
                }
                out.push_back(std::move(s));
            }
        }
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }

    const SideBySide sides_{GetParam()};
    const Case case_ = case_of(GetParam());
    tools::Charmap within_;
    locale_t libc_ = sides_.theirs();
    gls::Locale *ours_ = sides_.ours();
};

TEST_P(CollationBesideLibc, OrdersWordsOfTheAlphabetAlike) {
    constexpr size_t kFamilies = 500;
    constexpr uint64_t kSeed = 20240611;
    constexpr size_t kShown = 10;
    const std::vector<std::string> w = words(kFamilies, kSeed);
    ASSERT_GT(w.size(), kFamilies);
    // Sort keys carry the weights in the section's weight size.
    std::vector<std::string> keys;
    for (const std::string &word : w)
        keys.push_back(our_key(word));
    size_t pairs = 0;
    size_t differ = 0;
    size_t keys_differ = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        for (size_t j = i + 1; j < w.size(); ++j) {
            const int libc = libc_order(w[i], w[j]);
            if (libc == 0) continue;  // the C library leaves the order open
            ++pairs;
            const int by_key = keys[i].compare(keys[j]);
            keys_differ += ((by_key > 0) - (by_key < 0)) != libc ? 1 : 0;
            if (our_order(w[i], w[j]) == libc) continue;
            if (++differ <= kShown)
                std::printf("  %s %s: libc %d\n", hex(w[i]).c_str(), hex(w[j]).c_str(), libc);
        }
    }
    std::printf("%s %s: %zu words, %zu pairs, %zu ordered differently\n", GetParam().source.c_str(),
                GetParam().charmap.c_str(), w.size(), pairs, differ);
    RecordProperty("pairs", static_cast<int>(pairs));
    RecordProperty("differ", static_cast<int>(differ));
    EXPECT_LE(differ, case_.allowed);
    EXPECT_LE(keys_differ, case_.allowed);
}

INSTANTIATE_TEST_SUITE_P(Shipped, CollationBesideLibc, ::testing::ValuesIn(shipped_locales()),
                         [](const auto &info) { return info.param.test_name(); });

}  // namespace
}  // namespace velmorad::testing
