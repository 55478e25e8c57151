// The collation primitives on locales loaded from files the section writers
// made: the rules of the order in single-byte and UTF-8 code sets, the
// single-byte fast paths and the sort keys against the general comparison
// (also in a code set of two-byte characters), counted strings, memory, and
// Thai.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "gls/chars/chars.h"
#include "gls/load/writer/collate_writer.h"
#include "gls/load/writer/ctype_writer.h"
#include "gls/tree/tree_writer.h"
#include "tests/gls/ctype_fixtures.h"
#include "tests/support/failing_host.h"

namespace gls {
namespace {

using testing::LcoInstallation;
using testing::LocalePtr;
using Bytes = std::vector<unsigned char>;

constexpr uint16_t kSpecial = 0x8000;
constexpr uint16_t kExpansion = 0x4000;
constexpr uint16_t kBackward = kLevelBackward;
constexpr uint16_t kPrintable = 0x100;

enum class CodeSet { kLatin1, kUtf8, kTwoByte };

// A Latin-1 (or, in UTF-8, any) code point spelt in the code set.
std::string spell(CodeSet cs, char32_t c) {
    if (cs == CodeSet::kLatin1) return std::string(1, static_cast<char>(c));
    return cs == CodeSet::kTwoByte ? wchar_key(c, 2) : testing::utf8(c);
}
std::string spell(CodeSet cs, std::u32string_view text) {
    std::string out;
    for (char32_t c : text)
        out += spell(cs, c);
    return out;
}

// The code points of UTF-8 text of one to three bytes a character.
std::u32string code_points(const std::string &text) {
    std::u32string out;
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : 3;
        char32_t c = n == 1 ? b : b & (n == 2 ? 0x1F : 0x0F);
        for (size_t k = 1; k < n; ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out += c;
        i += n;
    }
    return out;
}

int terminator_of(CodeSet cs) {
    return cs == CodeSet::kTwoByte ? 2 : 1;
}

struct Features {
    bool expansions = false;
    bool elements = false;
    bool backward = false;  // the second of three levels
    bool position = false;  // the second level, where '-' weighs nothing
    int32_t weight_size = 2;
};

uint16_t letter(int i) {
    return static_cast<uint16_t>(0x20 + 4 * i);  // room after c for "ch" and "chh"
}

// Digits, then letters with accents on the second level and case on the
// third; '-' weighs only on the third, 0x01 is special; à and á weigh the
// same; ý and ÿ are in no row. With expansions æ is "ae", and þ is t
// followed by æ (nested) and ÿ (unknown), which weigh nothing. With
// elements "ch" and "chh" sort between c and d, "áa" after z.
CollationSource alphabet(CodeSet cs, Features f) {
    CollationSource source;
    source.weight_size = f.weight_size;
    source.directions = {
        0, static_cast<uint16_t>((f.backward ? kBackward : 0) | (f.position ? kLevelPosition : 0)),
        0};
    auto add = [&](std::vector<uint32_t> chars, std::vector<uint16_t> weights) {
        const auto row = static_cast<uint16_t>(source.weights.size());
        for (uint32_t c : chars)
            source.rows[spell(cs, c)] = row;
        source.weights.push_back(weights);
        return row;
    };
    auto w = [&](uint32_t c) { return testing::wide(spell(cs, c)); };
    add({0x01}, {kSpecial, kSpecial, kSpecial});
    add({'-'}, {0, 0, 1});
    for (int i = 0; i < 10; ++i)
        add({static_cast<uint32_t>('0' + i)}, {static_cast<uint16_t>(0x10 + i), 2, 5});
    for (int i = 0; i < 26; ++i) {
        add({static_cast<uint32_t>('a' + i)}, {letter(i), 2, 5});
        add({static_cast<uint32_t>('A' + i)}, {letter(i), 2, 6});
    }
    add({0xE0, 0xE1}, {letter(0), 3, 5});
    add({0xE9}, {letter(4), 3, 5});
    if (f.expansions) {
        source.expansions = {{w('a'), w('e')}, {w('t'), w(0xE6), w(0xFF)}};
        add({0xE6}, {kExpansion | 0, kExpansion | 0, 7});
        add({0xFE}, {kExpansion | 1, kExpansion | 1, 8});
    } else {
        add({0xE6}, {static_cast<uint16_t>(letter(0) + 1), 2, 5});
    }
    if (f.elements) {
        source.elements = {
            {{w('c'), w('h')}, add({}, {static_cast<uint16_t>(letter(2) + 1), 2, 5})},
            {{w('c'), w('h'), w('h')}, add({}, {static_cast<uint16_t>(letter(2) + 2), 2, 5})},
            {{w(0xE1), w('a')}, add({}, {0x90, 2, 5})}};
    }
    if (cs == CodeSet::kUtf8) add({0x4E00}, {0x100, 2, 5});  // U+4E01 stays unknown
    return source;
}

std::string ctype_text(CodeSet cs) {
    if (cs == CodeSet::kLatin1) return testing::ctype_section();
    CtypeSource source;
    for (uint32_t c = 1; c < 0x100; ++c) {
        if (cs == CodeSet::kTwoByte || c < 0x80 || c >= 0xA0)
            source.classes[spell(cs, c)] = kPrintable;
    }
    for (uint32_t c = 0x4E00; cs == CodeSet::kUtf8 && c < 0x4E10; ++c)
        source.classes[spell(cs, c)] = kPrintable;
    // A character whose second byte is a character too, as in Shift-JIS.
    if (cs == CodeSet::kUtf8) source.classes["\x81-"] = kPrintable;
    std::string text;
    EXPECT_EQ(write_ctype_section(source, text), CtypeWriteStatus::kOk);
    return text;
}

std::string collate_text(const CollationSource &source) {
    std::string text;
    EXPECT_EQ(write_collate_section(source, text), CollateWriteStatus::kOk);
    return text;
}

// A locale whose classification and collation categories are loaded from
// one file through gl_setlocale_4.
LocalePtr load(const LcoInstallation &inst, CodeSet cs, const std::string &collation) {
    static const char *const kNames[] = {"8859-1", "utf8", "unicode"};
    LcoFile file;
    file.code_set = kNames[static_cast<int>(cs)];
    file.sections = {{kCatCtype, ctype_text(cs)}, {kCatCollate, collation}};
    inst.write("c.lco", file);
    LocalePtr loc = testing::null_locale();
    for (int category : {kCatCtype, kCatCollate})
        EXPECT_TRUE(testing::set_locale(loc.get(), category, "c.lco").loaded) << loc->error;
    loc->error = 0;
    return loc;
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

const unsigned char *u(const std::string &s) {
    return reinterpret_cast<const unsigned char *>(s.c_str());
}
std::string terminated(const std::string &s, CodeSet cs) {
    return s + std::string(static_cast<size_t>(terminator_of(cs)), '\0');
}

// The general comparison on exact-size buffers with their lengths, checked
// against its -1 form on terminated copies.
int compare(Locale *loc, CodeSet cs, const std::string &a, const std::string &b) {
    const Bytes ea(a.begin(), a.end()), eb(b.begin(), b.end());
    const int counted = sign(_qmx_gl_im_mbfscoll(loc, ea.data(), static_cast<int>(ea.size()),
                                                 eb.data(), static_cast<int>(eb.size())));
    const std::string ta = terminated(a, cs), tb = terminated(b, cs);
    EXPECT_EQ(sign(_gl_im_mbscoll(loc, u(ta), u(tb))), counted) << a << " / " << b;
    return counted;
}

using Transform = int (*)(Locale *, unsigned char *, const unsigned char *, int);

// The full key; a key cut at any length is the full key's beginning, and
// nothing after the cut is written.
std::string key_of(Locale *loc, CodeSet cs, const std::string &s,
                   Transform xfrm = gl_full_mbsxfrm) {
    const std::string t = terminated(s, cs);
    const int length = xfrm(loc, nullptr, u(t), 0);
    std::string key(static_cast<size_t>(std::max(length, 0)) + 1, '\x5A');
    EXPECT_EQ(xfrm(loc, reinterpret_cast<unsigned char *>(key.data()), u(t), length), length);
    EXPECT_EQ(key.back(), '\x5A');
    key.pop_back();
    for (size_t cut : {size_t{0}, key.size() / 2}) {
        std::string part(cut + 1, '\x5A');
        EXPECT_EQ(
            xfrm(loc, reinterpret_cast<unsigned char *>(part.data()), u(t), static_cast<int>(cut)),
            length);
        EXPECT_EQ(part, key.substr(0, cut) + '\x5A');
    }
    return key;
}

int key_order(const std::string &a, const std::string &b) {
    const int order = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    return order != 0 ? sign(order) : a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Every rule on sections with expansions and elements, levels forward and
// with the accent level backward, single-byte (where a fast path is
// installed when no level is backward) and UTF-8; and the position levels
// with and without expansions, the keys agreeing.
TEST(Collation, RulesOfTheOrder) {
    const auto rows = velmorad::testing::fixture_rows("gls/objects_collation");
    LcoInstallation inst;
    for (CodeSet cs : {CodeSet::kLatin1, CodeSet::kUtf8}) {
        for (const Features features :
             {Features{.expansions = true, .elements = true},
              Features{.expansions = true, .elements = true, .backward = true},
              Features{.position = true}, Features{.expansions = true, .position = true}}) {
            LocalePtr loc = load(inst, cs, collate_text(alphabet(cs, features)));
            for (const auto &row : rows) {
                const bool position = row.fields[0] == "position";
                if (position != features.position || (!position && row.fields[0] != "rule")) {
                    continue;
                }
                SCOPED_TRACE(row.where + (features.backward ? ", backward" : ""));
                const size_t a_at = position ? 1 : 2;
                const std::string a = spell(cs, code_points(row.fields[a_at]));
                const std::string b = spell(cs, code_points(row.fields[a_at + 1]));
                const int expected = std::stoi(row.fields[a_at + (features.backward ? 3 : 2)]);
                EXPECT_EQ(compare(loc.get(), cs, a, b), expected);
                EXPECT_EQ(compare(loc.get(), cs, b, a), -expected);
                EXPECT_EQ(sign(loc->primitives.mbfscoll(loc.get(), u(a), -1, u(b), -1)), expected);
                if (position) {
                    EXPECT_EQ(key_order(key_of(loc.get(), cs, a), key_of(loc.get(), cs, b)),
                              expected);
                }
            }
            // A zero byte is a character of a counted string.
            const Bytes zero{'a', 0};
            EXPECT_EQ(sign(_qmx_gl_im_mbfscoll(loc.get(), zero.data(), 2, u("a"), 1)), 1);
        }
    }
}

// The rows of one kind of tests/fixtures/gls/objects_collation that give
// pairs of strings in ascending order.
std::vector<std::pair<std::string, std::string>> ascending(const std::string &kind) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto &row : velmorad::testing::fixture_rows("gls/objects_collation")) {
        if (row.fields[0] == kind) out.emplace_back(row.fields[1], row.fields[2]);
    }
    EXPECT_FALSE(out.empty()) << kind;
    return out;
}

TEST(Collation, MultiByteCharactersAndBytes) {
    LcoInstallation inst;
    const CodeSet cs = CodeSet::kUtf8;
    LocalePtr loc = load(inst, cs, collate_text(alphabet(cs, {})));
    const std::string ideograph = spell(cs, U'\u4E00');
    for (const auto &[a, b] : ascending("utf8")) {
        EXPECT_EQ(compare(loc.get(), cs, a, b), -1) << a << " / " << b;
        EXPECT_EQ(compare(loc.get(), cs, b, a), 1) << a << " / " << b;
    }
    // A length that cuts a character leaves its first bytes unknown.
    const Bytes cut(ideograph.begin(), ideograph.begin() + 2);
    EXPECT_EQ(sign(_qmx_gl_im_mbfscoll(loc.get(), cut.data(), 2, u(ideograph), -1)), 1);
    EXPECT_EQ(sign(_qmx_gl_im_mbfscoll(loc.get(), cut.data(), 1, u("\xE4"), -1)), 0);
}

// Strings of the section's characters, and of bytes in no row or no
// character at all, with many ties and shared beginnings; each string at
// an odd index is the one before it with a small change.
std::vector<std::string> generated(CodeSet cs, size_t count, uint32_t seed) {
    // Pieces that make elements, and the letters expansions stand for.
    std::vector<std::string> pieces;
    for (std::u32string_view piece :
         {U"ch",     U"chh",    U"ae",     U"ta",     U"a",      U"c",     U"h",      U"e",
          U"t",      U"z",      U"A",      U"C",      U"H",      U"-",     U"\u0001", U"7",
          U"\u00E0", U"\u00E1", U"\u00E6", U"\u00E9", U"\u00FE", U"\u00FF"})
        pieces.push_back(spell(cs, piece));
    if (cs == CodeSet::kTwoByte) pieces.emplace_back("\x01\x00", 2);  // no character
    if (cs == CodeSet::kUtf8) {
        for (const char *raw : {"\xFF", "\xC3", "\xE4\xB8", "\xE4\xB8\x80", "\xE4\xB8\x81"})
            pieces.push_back(raw);
    }
    const size_t unit = static_cast<size_t>(terminator_of(cs));
    std::mt19937 random(seed);
    std::vector<std::string> out;
    while (out.size() < count) {
        std::string s =
            out.empty() || random() % 3 != 0 ? std::string() : out[random() % out.size()];
        for (size_t n = random() % 6; n > 0; --n)
            s += pieces[random() % pieces.size()];
        out.push_back(s);
        // Its neighbour: one piece put in, or one character's width taken out.
        const size_t at = random() % (s.size() / unit + 1) * unit;
        if (s.empty() || random() % 2 == 0) {
            s.insert(at, pieces[random() % pieces.size()]);
        } else {
            s.erase(std::min(at, s.size() - unit), unit);
        }
        out.push_back(s);
    }
    return out;
}

// Every kind of section a single-byte locale can have, each with the fast
// path that set_function_pointers installs for it, and sections of other
// code sets: the installed comparison, the general one and the keys give
// one total order.
TEST(Collation, FastPathsAndKeysAgreeWithTheComparison) {
    const std::map<std::string, GlMbfsCollFn> paths = {{"back", _qmx_gl_is_mbfscoll_back},
                                                       {"exp", _qmx_gl_is_mbfscoll_exp},
                                                       {"elem", _qmx_gl_is_mbfscoll_elem},
                                                       {"exp_elem", _qmx_gl_is_mbfscoll_exp_elem},
                                                       {"general", _qmx_gl_im_mbfscoll}};
    const std::map<std::string, CodeSet> code_sets = {
        {"latin1", CodeSet::kLatin1}, {"utf8", CodeSet::kUtf8}, {"twobyte", CodeSet::kTwoByte}};
    LcoInstallation inst;
    uint32_t seed = 0;
    for (const auto &row : velmorad::testing::fixture_rows("gls/objects_collation")) {
        if (row.fields[0] != "section") continue;
        SCOPED_TRACE(row.where);
        const CodeSet cs = code_sets.at(row.fields[1]);
        Features f;
        for (const std::string &flag : velmorad::testing::fields_of(row.fields[2], ' ')) {
            f.expansions |= flag == "x";
            f.elements |= flag == "e";
            f.backward |= flag == "b";
            f.position |= flag == "p";
            if (flag[0] == 'w') f.weight_size = std::stoi(flag.substr(1));
        }
        LocalePtr loc = load(inst, cs, collate_text(alphabet(cs, f)));
        Locale *l = loc.get();
        ASSERT_EQ(l->primitives.mbfscoll, paths.at(row.fields[3]));
        const std::vector<std::string> strings = generated(cs, 2000, seed++);
        const size_t count = strings.size();
        std::vector<std::string> keys;
        for (const std::string &s : strings)
            keys.push_back(key_of(l, cs, s));
        // Sorting by key and by comparison gives one order.
        std::vector<size_t> by_key(count), by_compare(count);
        for (size_t k = 0; k < count; ++k)
            by_key[k] = by_compare[k] = k;
        std::sort(by_key.begin(), by_key.end(), [&](size_t x, size_t y) {
            return key_order(keys[x], keys[y]) < 0 || (keys[x] == keys[y] && x < y);
        });
        std::stable_sort(by_compare.begin(), by_compare.end(), [&](size_t x, size_t y) {
            return l->primitives.mbscoll(l, u(terminated(strings[x], cs)),
                                         u(terminated(strings[y], cs))) < 0;
        });
        EXPECT_EQ(by_key, by_compare);
        // Neighbours in that order, and strings with a small change, differ
        // late, where the fast paths have the most to get wrong.
        for (size_t k = 0; k + 1 < count; ++k) {
            for (auto [x, y] : {std::pair(by_key[k], by_key[k + 1]), std::pair(k, k ^ 1)}) {
                const std::string &a = strings[x], &b = strings[y];
                const int order = compare(l, cs, a, b);
                const Bytes ea(a.begin(), a.end()), eb(b.begin(), b.end());
                EXPECT_EQ(sign(l->primitives.mbfscoll(l, ea.data(), static_cast<int>(ea.size()),
                                                      eb.data(), static_cast<int>(eb.size()))),
                          order)
                    << a << " / " << b;
                EXPECT_EQ(key_order(keys[x], keys[y]), order);
                EXPECT_EQ(order == 0, a == b);
            }
        }
    }
}

// Strings that tie until the backward level need their units at hand:
// short ones on the stack, long ones from the host; when memory runs out
// the comparison falls back to byte order, and the key fails.
TEST(Collation, MemoryForLevelsReadBackward) {
    LcoInstallation inst;
    LocalePtr loc =
        load(inst, CodeSet::kUtf8, collate_text(alphabet(CodeSet::kUtf8, {.backward = true})));
    // Accents read from the end put the first before the second; their
    // bytes (C3 against 'a') the other way round.
    auto strings = [](size_t n) {
        return std::pair(std::string(n, 'b') +
                             "\xC3\xA0"
                             "a",
                         std::string(n, 'b') + "a\xC3\xA0");
    };
    const auto [short_first, short_second] = strings(200);
    const auto [long_first, long_second] = strings(1000);
    testing::FailingHost host;
    host.fail_allocation(0);
    EXPECT_EQ(sign(_gl_im_mbscoll(loc.get(), u(short_first), u(short_second))), -1);
    EXPECT_GT(gl_full_mbsxfrm(loc.get(), nullptr, u(short_first), 0), 0);
    EXPECT_EQ(host.allocations(), 0);
    EXPECT_EQ(sign(_gl_im_mbscoll(loc.get(), u(long_first), u(long_second))), -1);
    EXPECT_GT(host.allocations(), 0);

    host.fail_allocation(1);
    EXPECT_EQ(sign(_gl_im_mbscoll(loc.get(), u(long_first), u(long_second))), 1) << "byte order";
    EXPECT_EQ(loc->error, GL_ENOMEM);
    loc->error = 0;
    host.fail_allocation(1);
    EXPECT_EQ(gl_full_mbsxfrm(loc.get(), nullptr, u(long_first), 0), -1);
    EXPECT_EQ(loc->error, GL_ENOMEM);
}

TEST(Collation, ThaiLeadingVowels) {
    LcoInstallation inst;
    LcoFile file{
        "tis620", {}, {{kCatCtype, testing::ctype_section()}, {kCatCollate, "thai_smo\n"}}};
    inst.write("th.lco", file);
    LocalePtr loc = testing::null_locale();
    for (int category : {kCatCtype, kCatCollate})
        ASSERT_TRUE(testing::set_locale(loc.get(), category, "th.lco").loaded);
    Locale *l = loc.get();
    ASSERT_EQ(l->primitives.mbfscoll, _qmx_gl_thaismoncoll);
    for (const auto &[a, b] : ascending("thai")) {
        EXPECT_EQ(sign(_gl_thaismocoll(l, u(a), u(b))), -1) << a;
        EXPECT_EQ(sign(_gl_thaismocoll(l, u(b), u(a))), 1) << a;
    }
    // A counted vowel whose consonant lies past the length stays in place.
    const Bytes vowel{0xE0};
    EXPECT_EQ(sign(_qmx_gl_thaismoncoll(l, vowel.data(), 1, u("\xE0"), -1)), 0);
    EXPECT_EQ(sign(_qmx_gl_thaismoncoll(l, vowel.data(), 1, u("\xA1"), -1)), 1);

    std::mt19937 random(5);
    const std::string pieces =
        "\xA1\xA2\xCE\xD2\xE0\xE1\xE4"
        "a1";
    std::string a;
    std::string key_a = key_of(l, CodeSet::kLatin1, a, _gl_thaismoxfrm);
    for (int i = 0; i < 500; ++i) {
        std::string b = i % 2 != 0 ? a : std::string();
        for (size_t n = random() % 5; n > 0; --n)
            b.insert(random() % (b.size() + 1), 1, pieces[random() % pieces.size()]);
        const std::string key_b = key_of(l, CodeSet::kLatin1, b, _gl_thaismoxfrm);
        const Bytes ea(a.begin(), a.end()), eb(b.begin(), b.end());
        const int order = sign(_qmx_gl_thaismoncoll(l, ea.data(), static_cast<int>(ea.size()),
                                                    eb.data(), static_cast<int>(eb.size())));
        EXPECT_EQ(sign(_gl_thaismocoll(l, u(a), u(b))), order);
        EXPECT_EQ(key_order(key_a, key_b), order) << a << " / " << b;
        EXPECT_EQ(order == 0, a == b);
        a = b;
        key_a = key_b;
    }
}

}  // namespace
}  // namespace gls
