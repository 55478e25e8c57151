// The keywords of the categories other than LC_CTYPE and LC_COLLATE: every
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
    // This compiler's own: the calendar the locale shows dates in.
    "calendar",
};

constexpr std::string_view kMessagesKeywords[] = {
    "yesexpr",
    "noexpr",
    "yesstr",
    "nostr",
};
// The categories the library's format has no place for: only their
// keywords are checked.
constexpr std::string_view kPaperKeywords[] = {
    "height",
    "width",
};

constexpr std::string_view kNameKeywords[] = {
    "name_fmt",
    "name_gen",
    "name_mr",
    "name_mrs",
    "name_miss",
    "name_ms",
};

constexpr std::string_view kAddressKeywords[] = {
    "postal_fmt",
    "country_name",
    "country_post",
    "country_ab2",
    "country_ab3",
    "country_num",
    "country_car",
    "country_isbn",
    "lang_name",
    "lang_ab",
    "lang_term",
    "lang_lib",
};

constexpr std::string_view kTelephoneKeywords[] = {
    "tel_int_fmt",
    "tel_dom_fmt",
    "int_select",
    "int_prefix",
};

constexpr std::string_view kMeasurementKeywords[] = {
    "measurement",
};

constexpr std::string_view kIdentificationKeywords[] = {
    "title",
    "source",
    "address",
    "contact",
    "email",
    "tel",
    "fax",
    "language",
    "territory",
    "audience",
    "application",
    "abbreviation",
    "revision",
    "date",
    "category",
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
    if (category == "LC_PAPER") return listed(kPaperKeywords, keyword);
    if (category == "LC_NAME") return listed(kNameKeywords, keyword);
    if (category == "LC_ADDRESS") return listed(kAddressKeywords, keyword);
    if (category == "LC_TELEPHONE") return listed(kTelephoneKeywords, keyword);
    if (category == "LC_MEASUREMENT") return listed(kMeasurementKeywords, keyword);
    if (category == "LC_IDENTIFICATION") return listed(kIdentificationKeywords, keyword);
    return false;
}

bool is_unread_category(std::string_view category) {
    return category == "LC_PAPER" || category == "LC_NAME" || category == "LC_ADDRESS" ||
           category == "LC_TELEPHONE" || category == "LC_MEASUREMENT" ||
           category == "LC_IDENTIFICATION";
}

}  // namespace velmorad::tools
