// Item by item, the texts of each shipped locale as the library answers
// them and as the C library answers them for localedef's compilation of the
// same source: names, eras and alternative digits, the numeric and
// monetary strings, signs, groupings and numbers, and the yes and no texts.
#include <gtest/gtest.h>
#include <langinfo.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "gls/format/format.h"
#include "tests/glibc/side_by_side.h"
#include "tests/support/test_support.h"

namespace velmorad::testing {
namespace {

// The formats are compared by what they print (strftime_compare_test).
struct ItemPair {
    int ours;  // gl_nl_langinfo's number
    nl_item theirs;
};

std::vector<ItemPair> item_pairs() {
    std::vector<ItemPair> pairs = {
        {gls::kItemDecimalPoint, RADIXCHAR},
        {gls::kItemThousandsSep, THOUSEP},
        {gls::kItemYesString, YESSTR},
        {gls::kItemNoString, NOSTR},
        {gls::kItemCurrencySymbol, CURRENCY_SYMBOL},
        {gls::kItemAm, AM_STR},
        {gls::kItemPm, PM_STR},
        {gls::kItemYesExpr, YESEXPR},
        {gls::kItemNoExpr, NOEXPR},
    };
    for (int i = 0; i < 7; ++i) {
        pairs.push_back({gls::kItemFirstDay + i, static_cast<nl_item>(DAY_1 + i)});
        pairs.push_back({gls::kItemFirstAbDay + i, static_cast<nl_item>(ABDAY_1 + i)});
    }
    for (int i = 0; i < 12; ++i) {
        pairs.push_back({gls::kItemFirstMonth + i, static_cast<nl_item>(MON_1 + i)});
        pairs.push_back({gls::kItemFirstAbMonth + i, static_cast<nl_item>(ABMON_1 + i)});
    }
    return pairs;
}

// An era of the C library as lccomp writes it: counting backwards when it
// ends before it starts, years before 1 counted astronomically, the name
// again as the second string and the format translated as the year format.
using Rules = std::map<std::string, size_t>;
std::string translated_era(const std::string &era, Rules *rules) {
    std::vector<std::string> fields(1);
    for (char c : era) {
        if (c == ':' && fields.size() < 6) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (fields.size() < 6) return era;
    auto astronomical = [&](const std::string &date) {
        if (date.empty() || date[0] != '-' || date.size() < 2 || date[1] == '*') return date;
        ++(*rules)["era year before 1"];
        const size_t slash = date.find('/');
        return std::to_string(std::stol(date.substr(0, slash)) + 1) + date.substr(slash);
    };
    auto year_of = [](const std::string &date) {
        return std::stol(date.substr(0, date.find('/')));
    };
    const bool backwards =
        fields[3] == "-*" || (fields[3] != "+*" && year_of(fields[3]) < year_of(fields[2]));
    auto plain_year = [](const std::string &date) {
        const size_t slash = date.find('/');
        return std::to_string(std::stol(date.substr(0, slash))) + date.substr(slash);
    };
    std::string out = backwards ? "-" : "+";
    out += ":" + fields[1] + ":" + plain_year(astronomical(fields[2])) + ":" +
           (fields[3].size() > 1 && fields[3][1] == '*' ? fields[3]
                                                        : plain_year(astronomical(fields[3]))) +
           ":" + fields[4] + ":" + fields[4] + ":" + lccomp_time_format(fields[5]);
    ++(*rules)[backwards ? "era counting backwards" : "era counting forwards"];
    return out;
}

// The C library's list items: strings one after the other, each ended by a
// zero byte.
std::vector<std::string> zero_separated(const char *text, size_t count) {
    std::vector<std::string> out;
    for (size_t i = 0; i < count; ++i) {
        out.emplace_back(text);
        text += out.back().size() + 1;
    }
    return out;
}

std::string text_or_empty(const char *text) {
    return text == nullptr ? "" : text;
}

// A first size of -1 stops grouping before it starts: the file keeps the
// source's -1, the C library writes no sizes; both mean no grouping.
std::string groups_of(const gls::Grouping &g) {
    std::string out;
    if (g.count > 0 && g.sizes[0] == -1) return "none";
    for (int32_t i = 0; i < g.count; ++i)
        out += (i > 0 ? ";" : "") + std::to_string(g.sizes[i]);
    return out;
}

// The C library ends a grouping at the first zero byte; CHAR_MAX (the
// sources' -1) means no further grouping.
std::string groups_of(const char *bytes) {
    if (*bytes == '\0') return "none";
    std::string out;
    for (const char *p = bytes; *p != '\0'; ++p)
        out += (p > bytes ? ";" : "") + std::to_string(*p == CHAR_MAX ? -1 : *p);
    return out;
}

class TextsBesideGlibc : public ::testing::TestWithParam<ShippedLocale> {};

TEST_P(TextsBesideGlibc, InformationItemsAgree) {
    const SideBySide sides(GetParam());
    ASSERT_EQ(sides.failure(), "");
    gls::Locale *ours = sides.ours();
    locale_t theirs = sides.theirs();
    Tally items("items"), eras("eras"), digits("alt digits"), monetary("monetary");
    Rules rules;

    for (const ItemPair &p : item_pairs()) {
        const std::string mine = text_or_empty(gls::gl_nl_langinfo(ours, p.ours));
        const std::string expected = nl_langinfo_l(p.theirs, theirs);
        items.check(mine == expected, "item " + std::to_string(p.ours) + ": ours \"" + mine +
                                          "\", theirs \"" + expected + "\"");
    }

    // A number item: the pointer's low 32 bits hold the value.
    const auto era_count = static_cast<uint32_t>(
        reinterpret_cast<uintptr_t>(nl_langinfo_l(_NL_TIME_ERA_NUM_ENTRIES, theirs)));
    const std::vector<std::string> our_eras =
        lines_of(text_or_empty(gls::gl_nl_langinfo(ours, gls::kItemEras)));
    const std::vector<std::string> their_eras =
        zero_separated(nl_langinfo_l(ERA, theirs), era_count);
    eras.check(our_eras.size() == their_eras.size(),
               "count: ours " + std::to_string(our_eras.size()) + ", theirs " +
                   std::to_string(their_eras.size()));
    for (size_t i = 0; i < std::min(our_eras.size(), their_eras.size()); ++i) {
        const std::string expected = translated_era(their_eras[i], &rules);
        eras.check(our_eras[i] == expected,
                   "ours \"" + our_eras[i] + "\", theirs \"" + expected + "\"");
    }

    // The C library does not say how many alternative digits there are: its
    // list ends where the next item begins, after ours, or at once.
    const std::vector<std::string> our_digits =
        lines_of(text_or_empty(gls::gl_nl_langinfo(ours, gls::kItemAltDigits)));
    const std::vector<std::string> their_digits =
        zero_separated(nl_langinfo_l(ALT_DIGITS, theirs), std::max<size_t>(our_digits.size(), 1));
    if (our_digits.empty()) {
        digits.check(their_digits[0].empty(), "theirs has \"" + their_digits[0] + "\"");
    }
    for (size_t i = 0; i < our_digits.size(); ++i)
        digits.check(our_digits[i] == their_digits[i],
                     "ours \"" + our_digits[i] + "\", theirs \"" + their_digits[i] + "\"");

    const gls::TextSection &text = ours->text;
    const struct {
        const char *name;
        const char *mine;
        nl_item theirs;
    } strings[] = {
        {"int_curr_symbol", text.int_curr_symbol.mb, INT_CURR_SYMBOL},
        {"mon_decimal_point", text.mon_decimal_point.mb, MON_DECIMAL_POINT},
        {"mon_thousands_sep", text.mon_thousands_sep.mb, MON_THOUSANDS_SEP},
        {"positive_sign", text.mon_positive_sign.mb, POSITIVE_SIGN},
        {"negative_sign", text.mon_negative_sign.mb, NEGATIVE_SIGN},
    };
    for (const auto &s : strings) {
        const std::string mine = text_or_empty(s.mine);
        const std::string expected = nl_langinfo_l(s.theirs, theirs);
        monetary.check(mine == expected, std::string(s.name) + ": ours \"" + mine +
                                             "\", theirs \"" + expected + "\"");
    }
    for (const auto &[name, mine, their_item] :
         {std::tuple{"grouping", &text.grouping, GROUPING},
          std::tuple{"mon_grouping", &text.mon_grouping, MON_GROUPING}}) {
        const std::string expected = groups_of(nl_langinfo_l(their_item, theirs));
        monetary.check(
            groups_of(*mine) == expected,
            std::string(name) + ": ours \"" + groups_of(*mine) + "\", theirs \"" + expected + "\"");
    }
    constexpr nl_item kNumbers[gls::kMonetaryValueCount] = {
        INT_FRAC_DIGITS, FRAC_DIGITS,    P_CS_PRECEDES, P_SEP_BY_SPACE,
        N_CS_PRECEDES,   N_SEP_BY_SPACE, P_SIGN_POSN,   N_SIGN_POSN};
    for (int i = 0; i < gls::kMonetaryValueCount; ++i) {
        // CHAR_MAX: the value is not given, as the library's kValueNotGiven.
        const int their_value = *nl_langinfo_l(kNumbers[i], theirs);
        const int32_t expected = their_value == CHAR_MAX ? gls::kValueNotGiven : their_value;
        monetary.check(text.monetary[i] == expected, "value " + std::to_string(i) + ": ours " +
                                                         std::to_string(text.monetary[i]) +
                                                         ", theirs " + std::to_string(expected));
    }

    expect_agreement(GetParam().test_name(), {&items, &eras, &digits, &monetary}, rules);
}

INSTANTIATE_TEST_SUITE_P(Shipped, TextsBesideGlibc, ::testing::ValuesIn(shipped_locales()),
                         [](const auto &info) { return info.param.test_name(); });

}  // namespace
}  // namespace velmorad::testing
