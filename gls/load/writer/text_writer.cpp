// The numeric, monetary, time and messages sections from their parts.
#include "gls/load/writer/text_writer.h"

namespace gls {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

std::string list_text(const std::vector<std::string> &list, std::optional<long> written_count) {
    std::string out = number_line(written_count.value_or(static_cast<long>(list.size())));
    for (const std::string &text : list)
        out += counted_string_line(text);
    return out;
}

}  // namespace

std::string counted_string_line(std::string_view bytes) {
    std::string out = std::to_string(bytes.size());
    if (!bytes.empty()) out += ' ';
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += kHexDigits[byte >> 4];
        out += kHexDigits[byte & 0x0F];
    }
    return out + "\n";
}

std::string grouping_line(const std::vector<long> &sizes) {
    std::string out = std::to_string(sizes.size());
    for (long size : sizes)
        out += " " + std::to_string(size);
    return out + "\n";
}

std::string number_line(long value) {
    return std::to_string(value) + "\n";
}

std::string numeric_section_text(const NumericSource &source) {
    return counted_string_line(source.decimal_point) + counted_string_line(source.thousands_sep) +
           grouping_line(source.grouping) + counted_string_line(source.positive_sign) +
           counted_string_line(source.negative_sign);
}

std::string monetary_section_text(const MonetarySource &source) {
    std::string out =
        counted_string_line(source.int_curr_symbol) + counted_string_line(source.currency_symbol) +
        counted_string_line(source.mon_decimal_point) +
        counted_string_line(source.mon_thousands_sep) + grouping_line(source.mon_grouping) +
        counted_string_line(source.positive_sign) + counted_string_line(source.negative_sign);
    for (long value : source.values)
        out += number_line(value);
    return out;
}

// The formats and markers go in the order the reader takes them, which is
// not the order of their item numbers.
std::string time_section_text(const TimeSource &source) {
    std::string out = source.calendar + "\n";
    for (const std::string &name : source.abday)
        out += counted_string_line(name);
    for (const std::string &name : source.day)
        out += counted_string_line(name);
    out += list_text(source.abmon, std::nullopt);
    out += list_text(source.mon, source.written_month_count);
    for (const std::string *text :
         {&source.date_time_format, &source.date_format, &source.time_format, &source.am,
          &source.pm, &source.time12_format}) {
        out += counted_string_line(*text);
    }
    out += list_text(source.eras, std::nullopt);
    for (const std::string *text :
         {&source.era_date_format, &source.era_time_format, &source.era_date_time_format}) {
        out += counted_string_line(*text);
    }
    out += list_text(source.alt_digits, std::nullopt);
    return out;
}

std::string messages_section_text(const MessagesSource &source) {
    return counted_string_line(source.yesexpr) + counted_string_line(source.noexpr) +
           counted_string_line(source.yesstr) + counted_string_line(source.nostr);
}

}  // namespace gls
