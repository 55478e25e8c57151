// The keywords of LC_NUMERIC, LC_MONETARY, LC_TIME and LC_MESSAGES: every
// one a locale source may give, whether or not the library's format keeps
// its value. Any other word at the start of a line is a fault of the source
// (a misspelt keyword would otherwise vanish without a word). One keyword a
// line, so that a keyword is added or removed with one line.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "tools/lccomp/reader_internal.h"

namespace velmorad::tools {

namespace {

// clang-format off
constexpr std::string_view kNumericKeywords[] = {
    "decimal_point",
    "thousands_sep",
    "grouping",
};

constexpr std::string_view kMonetaryKeywords[] = {
    "int_curr_symbol",
    "currency_symbol",
    "mon_decimal_point",
    "mon_thousands_sep",
    "mon_grouping",
    "positive_sign",
    "negative_sign",
    "int_frac_digits",
    "frac_digits",
    "p_cs_precedes",
    "p_sep_by_space",
    "n_cs_precedes",
    "n_sep_by_space",
    "p_sign_posn",
    "n_sign_posn",
    "int_p_cs_precedes",
    "int_p_sep_by_space",
    "int_n_cs_precedes",
    "int_n_sep_by_space",
    "int_p_sign_posn",
    "int_n_sign_posn",
    "duo_int_curr_symbol",
    "duo_currency_symbol",
    "duo_int_frac_digits",
    "duo_frac_digits",
    "duo_p_cs_precedes",
    "duo_p_sep_by_space",
    "duo_n_cs_precedes",
    "duo_n_sep_by_space",
    "duo_int_p_cs_precedes",
    "duo_int_p_sep_by_space",
    "duo_int_n_cs_precedes",
    "duo_int_n_sep_by_space",
    "duo_p_sign_posn",
    "duo_n_sign_posn",
    "duo_int_p_sign_posn",
    "duo_int_n_sign_posn",
    "uno_valid_from",
    "uno_valid_to",
    "duo_valid_from",
    "duo_valid_to",
    "conversion_rate",
};

constexpr std::string_view kTimeKeywords[] = {
    "abday",
    "day",
    "abmon",
    "mon",
    "d_t_fmt",
    "d_fmt",
    "t_fmt",
    "am_pm",
    "t_fmt_ampm",
    "era",
    "era_year",
    "era_d_fmt",
    "era_d_t_fmt",
    "era_t_fmt",
    "alt_digits",
    "week",
    "first_weekday",
    "first_workday",
    "cal_direction",
    "timezone",
    "date_fmt",
    "alt_mon",
    "ab_alt_mon",
};

constexpr std::string_view kMessagesKeywords[] = {
    "yesexpr",
    "noexpr",
    "yesstr",
    "nostr",
};
// clang-format on

template <size_t N>
bool listed(const std::string_view (&keywords)[N], std::string_view keyword) {
    return std::find(std::begin(keywords), std::end(keywords), keyword) != std::end(keywords);
}

}  // namespace

bool is_text_keyword(std::string_view category, std::string_view keyword) {
    if (category == "LC_NUMERIC") return listed(kNumericKeywords, keyword);
    if (category == "LC_MONETARY") return listed(kMonetaryKeywords, keyword);
    if (category == "LC_TIME") return listed(kTimeKeywords, keyword);
    if (category == "LC_MESSAGES") return listed(kMessagesKeywords, keyword);
    return false;
}

}  // namespace velmorad::tools
