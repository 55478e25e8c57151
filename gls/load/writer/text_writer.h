// Writing the numeric, monetary, time and messages sections of a locale
// object file (the text after each marker) from their parts, for the
// locale compiler and for tests. Strings are byte strings in the locale's
// code set; the writer spells what it is given, and a test can give it
// parts a reader must refuse.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gls/load/locale.h"

namespace gls {

struct NumericSource {
    std::string decimal_point = ".";
    std::string thousands_sep;
    std::vector<long> grouping;
    std::string positive_sign;
    std::string negative_sign = "-";
};

struct MonetarySource {
    std::string int_curr_symbol;
    std::string currency_symbol;
    std::string mon_decimal_point;
    std::string mon_thousands_sep;
    std::vector<long> mon_grouping;
    std::string positive_sign;
    std::string negative_sign;
    // In the order of MonetaryValue; kValueNotGiven where the locale gives none.
    std::array<long, kMonetaryValueCount> values = {kValueNotGiven, kValueNotGiven, kValueNotGiven,
                                                    kValueNotGiven, kValueNotGiven, kValueNotGiven,
                                                    kValueNotGiven, kValueNotGiven};
};

struct TimeSource {
    std::string calendar = "gregorian";
    std::array<std::string, kDaysInWeek> abday;  // Sunday first
    std::array<std::string, kDaysInWeek> day;
    std::vector<std::string> abmon;
    std::vector<std::string> mon;
    std::string date_time_format;  // item 0 (%c)
    std::string date_format;       // item 61 (%x)
    std::string time_format;       // item 62 (%X)
    std::string am;
    std::string pm;
    std::string time12_format;  // item 63 (%r)
    // "direction:offset:start:end:name:format:third", e.g.
    // "+:1:1989/01/08:+*:Heisei:%EC%Ey:".
    std::vector<std::string> eras;
    std::string era_date_format;       // item 67 (%Ex)
    std::string era_date_time_format;  // item 68 (%Ec)
    std::string era_time_format;       // item 69 (%EX)
    std::vector<std::string> alt_digits;
    // A count to write for the full month names in place of their number.
    std::optional<long> written_month_count;
};

struct MessagesSource {
    std::string yesexpr = "^[yY]";
    std::string noexpr = "^[nN]";
    std::string yesstr = "yes";
    std::string nostr = "no";
};

// The lines the sections are made of.
// "n hexbytes\n" ("0\n" for the empty string).
std::string counted_string_line(std::string_view bytes);
// The count, then each size after a blank, then a newline.
std::string grouping_line(const std::vector<long> &sizes);
// A decimal number and a newline.
std::string number_line(long value);

std::string numeric_section_text(const NumericSource &source);
std::string monetary_section_text(const MonetarySource &source);
std::string time_section_text(const TimeSource &source);
std::string messages_section_text(const MessagesSource &source);

}  // namespace gls
