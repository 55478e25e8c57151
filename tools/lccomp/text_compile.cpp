// LC_NUMERIC, LC_MONETARY, LC_MESSAGES and LC_TIME: keyword values in the
// charmap's bytes. A value the source does not give is written as not
// given: an empty string, or kValueNotGiven for the monetary numbers (as
// is -1, the sources' own way of saying so).
#include <cstring>
#include <iterator>
#include <string_view>

#include "tools/lccomp/compile.h"

namespace velmorad::tools {

namespace {

constexpr size_t kMaxMonths = 20;  // the information items serve 20 of each
constexpr size_t kEraFields = 6;   // direction to format
constexpr const char *kColon = "U003A";
// Group sizes are read back as 32-bit numbers.
constexpr long kMaxNumber = 0x7FFFFFFE;
constexpr const char *kBlank = "U0020";

class Values {
  public:
    Values(const TextCategorySource &category, const Encoder &encoder, Diagnostics *diagnostics)
        : category_(category), encoder_(encoder), diagnostics_(diagnostics) {}

    bool encode(const std::string &key, const KeywordValue &value, const CharString &text,
                std::string *out) {
        std::string missing;
        std::string defaulted;
        if (encoder_.string(text, out, &missing, &defaulted)) {
            // The value no longer says what the source says: worth a word.
            if (!defaulted.empty()) {
                diagnostics_->warn(value.position,
                                   key + ": <" + defaulted +
                                       "> is not in the charmap and no transliteration rule "
                                       "replaces it; written as default_missing");
            }
            return true;
        }
        return diagnostics_->fail(value.position,
                                  key + ": <" + missing +
                                      "> is not in the charmap and no transliteration "
                                      "rule replaces it");
    }

    // Not given: the empty string, or fallback when there is one.
    bool string(const std::string &key, std::string *out, const char *fallback = "") {
        const KeywordValue *value = category_.find(key);
        if (value == nullptr) {
            *out = fallback;
            return true;
        }
        if (value->strings.size() != 1 || !value->numbers.empty())
            return diagnostics_->fail(value->position, key + " takes one string");
        return encode(key, *value, value->strings[0], out);
    }

    // Exactly `count` strings (any number for 0); none when not given.
    bool strings(const std::string &key, size_t count, std::vector<std::string> *out,
                 size_t limit = SIZE_MAX) {
        const KeywordValue *value = category_.find(key);
        if (value == nullptr) return true;
        if (!value->numbers.empty() || (count != 0 && value->strings.size() != count))
            return diagnostics_->fail(
                value->position,
                key + " takes " + (count != 0 ? std::to_string(count) : "a list of") + " strings");
        if (value->strings.size() > limit)
            return diagnostics_->fail(value->position,
                                      key + " has more than " + std::to_string(limit) + " strings");
        for (const CharString &text : value->strings) {
            std::string bytes;
            if (!encode(key, *value, text, &bytes)) return false;
            out->push_back(std::move(bytes));
        }
        return true;
    }

    bool numbers(const std::string &key, std::vector<long> *out, size_t limit) {
        const KeywordValue *value = category_.find(key);
        if (value == nullptr) return true;
        if (!value->strings.empty())
            return diagnostics_->fail(value->position, key + " takes numbers");
        if (value->numbers.size() > limit)
            return diagnostics_->fail(value->position,
                                      key + " has more than " + std::to_string(limit) + " numbers");
        for (long n : value->numbers) {
            if (n < -1 || n > kMaxNumber)
                return diagnostics_->fail(value->position,
                                          key + ": " + std::to_string(n) + " is out of range");
        }
        *out = value->numbers;
        return true;
    }

    // One number from 0 to max, or -1 for "not given".
    bool number(const std::string &key, long max, long *out) {
        const KeywordValue *value = category_.find(key);
        *out = gls::kValueNotGiven;
        if (value == nullptr) return true;
        if (!value->strings.empty() || value->numbers.size() != 1)
            return diagnostics_->fail(value->position, key + " takes one number");
        const long n = value->numbers[0];
        if (n < -1 || n > max)
            return diagnostics_->fail(value->position, key + ": " + std::to_string(n) +
                                                           " is out of range (0 to " +
                                                           std::to_string(max) + ", or -1)");
        if (n != -1) *out = n;
        return true;
    }

    // A time format, in the formatter's directives.
    bool format(const std::string &key, std::string *out) {
        const KeywordValue *value = category_.find(key);
        if (value == nullptr) return true;
        if (value->strings.size() != 1 || !value->numbers.empty())
            return diagnostics_->fail(value->position, key + " takes one string");
        return translated(key, *value, value->strings[0], out);
    }

    bool translated(const std::string &key, const KeywordValue &value, const CharString &text,
                    std::string *out) {
        std::vector<std::string> dropped;
        const CharString format = translate_time_format(text, &dropped);
        for (const std::string &d : dropped) {
            diagnostics_->warn(value.position,
                               key + ": " + d + " dropped: the formatter has no such directive");
        }
        return encode(key, value, format, out);
    }

    // The calendar the locale's dates are shown in; Gregorian when not given.
    bool calendar(std::string *out) {
        const KeywordValue *value = category_.find(kCalendarKeyword);
        if (value == nullptr) return true;
        static constexpr const char *kCalendars[] = {"gregorian", "hebrew", "islamic"};
        if (value->words.size() == 1 && value->strings.empty() && value->numbers.empty()) {
            for (const char *name : kCalendars) {
                if (value->words[0] == name) {
                    *out = name;
                    return true;
                }
            }
        }
        return diagnostics_->fail(value->position,
                                  std::string(kCalendarKeyword) +
                                      " takes one of the words gregorian, hebrew and islamic");
    }

    // Era strings in the library's era syntax (see era_for_library).
    bool eras(std::vector<std::string> *out) {
        const KeywordValue *value = category_.find("era");
        if (value == nullptr) return true;
        if (!value->numbers.empty())
            return diagnostics_->fail(value->position, "era takes strings");
        for (const CharString &era : value->strings) {
            std::vector<std::string> dropped;
            CharString joined;
            if (!era_for_library(era, &joined, &dropped))
                return diagnostics_->fail(value->position,
                                          "era: a string with fewer than six fields or a date "
                                          "that is not year/month/day");
            for (const std::string &d : dropped)
                diagnostics_->warn(value->position, "era: " + d + " dropped from an era's format");
            std::string bytes;
            if (!encode("era", *value, joined, &bytes)) return false;
            out->push_back(std::move(bytes));
        }
        return true;
    }

  private:
    const TextCategorySource &category_;
    const Encoder &encoder_;
    Diagnostics *diagnostics_;
};

char ascii(const std::string &name) {
    const int64_t code = unicode_of(name);
    return code > 0 && code < 0x80 ? static_cast<char>(code) : '\0';
}

void push_text(std::string_view text, CharString *out) {
    for (char c : text)
        out->push_back(unicode_name(static_cast<unsigned char>(c)));
}

// Letters the formatter knows plain, and after E and O.
constexpr const char *kPlain = "aAbhBcCdDeHIjmMnprRStTuwxXyY%";
constexpr const char *kAfterE = "cxXCyY";
constexpr const char *kAfterO = "CDHIMSRTdejmuwy";
// Those written as numbers, which take a width and a precision.
constexpr const char *kNumeric = "CdeHIjmMSuwy";

bool has(const char *set, char c) {
    return c != '\0' && std::strchr(set, c) != nullptr;
}

// A date of an era: year/month/day, the year with an optional "-".
struct EraDate {
    int64_t year = 0;
    std::string month, day;
};

bool era_date(const CharString &field, EraDate *out) {
    std::string text;
    for (const std::string &c : field) {
        const char a = ascii(c);
        if (a == '\0') return false;
        text += a;
    }
    const size_t first = text.find('/');
    const size_t second = first == std::string::npos ? first : text.find('/', first + 1);
    if (second == std::string::npos) return false;
    const std::string year = text.substr(0, first);
    const size_t digits = year.size() > 0 && year[0] == '-' ? 1 : 0;
    if (year.size() == digits || year.size() > digits + 9 ||
        year.find_first_not_of("0123456789", digits) != std::string::npos) {
        return false;
    }
    out->year = std::stoll(year);
    out->month = text.substr(first + 1, second - first - 1);
    out->day = text.substr(second + 1);
    return true;
}

}  // namespace

// The source's "direction:offset:start:end:name:format" becomes the
// library's "direction:offset:start:end:name:second:year format":
// - the C library counts era years backwards whenever the era ends before
//   it starts (an end of "-*"), whatever the direction says, and the
//   library's direction is the one the years count in;
// - a year before 1 is a year before Christ (-1 is 1 BC), where the
//   library counts astronomically (1 BC is 0);
// - the format is the era's year format (%EY), in the formatter's
//   directives; the second string (%Eg) is the era's name again.
bool era_for_library(const CharString &era, CharString *out, std::vector<std::string> *dropped) {
    std::vector<CharString> fields(1);
    for (const std::string &c : era) {
        if (c == kColon && fields.size() < kEraFields) {
            fields.emplace_back();
        } else {
            fields.back().push_back(c);
        }
    }
    if (fields.size() < kEraFields) return false;
    EraDate start;
    if (!era_date(fields[2], &start)) return false;
    auto astronomical = [](int64_t year) { return year < 0 ? year + 1 : year; };
    std::string end;
    for (const std::string &c : fields[3])
        end += ascii(c);
    bool backwards = end == "-*";
    if (end != "-*" && end != "+*") {
        EraDate stop;
        if (!era_date(fields[3], &stop)) return false;
        backwards = stop.year < start.year;
        end = std::to_string(astronomical(stop.year)) + "/" + stop.month + "/" + stop.day;
    }
    const std::string start_text =
        std::to_string(astronomical(start.year)) + "/" + start.month + "/" + start.day;
    const CharString format = translate_time_format(fields[5], dropped);
    const CharString *parts[] = {&fields[1], nullptr, nullptr, &fields[4], &fields[4], &format};
    const std::string texts[] = {"", start_text, end, "", "", ""};
    out->clear();
    push_text(backwards ? "-" : "+", out);
    for (size_t i = 0; i < std::size(parts); ++i) {
        out->push_back(kColon);
        if (parts[i] != nullptr) {
            out->insert(out->end(), parts[i]->begin(), parts[i]->end());
        } else {
            push_text(texts[i], out);
        }
    }
    return true;
}

CharString translate_time_format(const CharString &format, std::vector<std::string> *dropped) {
    CharString out;
    size_t i = 0;
    while (i < format.size()) {
        if (ascii(format[i]) != '%') {
            out.push_back(format[i++]);
            continue;
        }
        size_t j = i + 1;
        std::string flags;
        std::string width;
        char modifier = '\0';
        while (j < format.size() && has("_-0^#", ascii(format[j])))
            flags += ascii(format[j++]);
        while (j < format.size() && ascii(format[j]) >= '0' && ascii(format[j]) <= '9')
            width += ascii(format[j++]);
        if (j < format.size() && (ascii(format[j]) == 'E' || ascii(format[j]) == 'O'))
            modifier = ascii(format[j++]);
        const char letter = j < format.size() ? ascii(format[j++]) : '\0';
        std::string written = "%" + flags + width + (modifier ? std::string(1, modifier) : "") +
                              (letter ? std::string(1, letter) : "");

        char target = letter;
        std::string precision;
        if (modifier == '\0' && (letter == 'k' || letter == 'l')) {
            // Hours without a leading zero, padded with a blank.
            target = letter == 'k' ? 'H' : 'I';
            precision = "1";
            if (width.empty() && flags.find('-') == std::string::npos) width = "2";
        } else if (modifier == '\0' && letter == 'P') {
            target = 'p';
        } else if (modifier == '\0' && letter == 'F' && flags.empty() && width.empty()) {
            push_text("%Y-%m-%d", &out);
            i = j;
            continue;
        } else if (modifier == '\0' && (letter == 'T' || letter == 'R')) {
            // The formatter's %T and %R write their numbers unpadded.
            push_text(letter == 'T' ? "%H:%M:%S" : "%H:%M", &out);
            i = j;
            continue;
        }
        const bool known = modifier == 'E'   ? has(kAfterE, target)
                           : modifier == 'O' ? has(kAfterO, target)
                                             : has(kPlain, target);
        if (!known) {
            dropped->push_back(written);
            // The blank that set it off goes with it: the one before, or at
            // the start of the format the one after.
            if (!out.empty() && out.back() == kBlank) {
                out.pop_back();
            } else if (out.empty() && j < format.size() && format[j] == kBlank) {
                ++j;
            }
            i = j;
            continue;
        }
        std::string zero;
        if (has(kNumeric, target)) {
            if (flags.find('-') != std::string::npos) {
                precision = "1";  // no padding
            } else if (flags.find('_') != std::string::npos) {
                precision = "1";  // padded with blanks
                if (width.empty()) width = target == 'j' ? "3" : "2";
            } else if (flags.find('0') != std::string::npos) {
                zero = "0";
            }
            // The C library writes weekday numbers and alternative digits
            // unpadded; the formatter pads them to two digits.
            if (precision.empty() && (modifier == 'O' || target == 'u' || target == 'w'))
                precision = "1";
        }
        std::string spelled = "%" + zero + width;
        if (!precision.empty()) spelled += "." + precision;
        if (modifier != '\0') spelled += modifier;
        spelled += target;
        push_text(spelled, &out);
        i = j;
    }
    return out;
}

bool compile_numeric(const LocaleSource &source, const Encoder &encoder, Diagnostics *diagnostics,
                     gls::NumericSource *out) {
    Values v(source.numeric, encoder, diagnostics);
    if (!v.string("decimal_point", &out->decimal_point) ||
        !v.string("thousands_sep", &out->thousands_sep) ||
        !v.numbers("grouping", &out->grouping, gls::kMaxGroups)) {
        return false;
    }
    std::string missing;
    return encoder.string({"U002B"}, &out->positive_sign, &missing) &&
                   encoder.string({"U002D"}, &out->negative_sign, &missing)
               ? true
               : diagnostics->fail({source.file, 0}, "the charmap has no \"+\" or \"-\"");
}

namespace {

// The largest value of a monetary number, by the end of its keyword (the
// international, the "duo" and the plain forms alike): the POSIX ranges,
// and for the digits what the library's one-byte field holds beside its
// 127 for "not given". 0 for a keyword that holds no such number.
long monetary_number_limit(const std::string &key) {
    struct Limit {
        std::string_view suffix;
        long max;
    };
    static constexpr Limit kLimits[] = {
        {"frac_digits", 126}, {"cs_precedes", 1}, {"sep_by_space", 2}, {"sign_posn", 4}};
    for (const Limit &limit : kLimits) {
        if (key.size() >= limit.suffix.size() &&
            key.compare(key.size() - limit.suffix.size(), std::string::npos, limit.suffix) == 0)
            return limit.max;
    }
    return 0;
}

}  // namespace

bool compile_monetary(const LocaleSource &source, const Encoder &encoder, Diagnostics *diagnostics,
                      gls::MonetarySource *out) {
    Values v(source.monetary, encoder, diagnostics);
    static constexpr const char *kValueKeys[gls::kMonetaryValueCount] = {
        "int_frac_digits", "frac_digits",    "p_cs_precedes", "p_sep_by_space",
        "n_cs_precedes",   "n_sep_by_space", "p_sign_posn",   "n_sign_posn"};
    // The numbers the format has no place for are checked all the same.
    for (const auto &[key, value] : source.monetary.values) {
        long ignored = 0;
        const long max = monetary_number_limit(key);
        if (max != 0 && !v.number(key, max, &ignored)) return false;
    }
    if (!v.string("int_curr_symbol", &out->int_curr_symbol) ||
        !v.string("currency_symbol", &out->currency_symbol) ||
        !v.string("mon_decimal_point", &out->mon_decimal_point) ||
        !v.string("mon_thousands_sep", &out->mon_thousands_sep) ||
        !v.numbers("mon_grouping", &out->mon_grouping, gls::kMaxGroups) ||
        !v.string("positive_sign", &out->positive_sign) ||
        !v.string("negative_sign", &out->negative_sign)) {
        return false;
    }
    for (int i = 0; i < gls::kMonetaryValueCount; ++i) {
        const std::string key = kValueKeys[i];
        if (!v.number(key, monetary_number_limit(key), &out->values[static_cast<size_t>(i)]))
            return false;
    }
    return true;
}

bool compile_messages(const LocaleSource &source, const Encoder &encoder, Diagnostics *diagnostics,
                      gls::MessagesSource *out) {
    Values v(source.messages, encoder, diagnostics);
    return v.string("yesexpr", &out->yesexpr) && v.string("noexpr", &out->noexpr) &&
           v.string("yesstr", &out->yesstr) && v.string("nostr", &out->nostr);
}

bool compile_time(const LocaleSource &source, const Encoder &encoder, Diagnostics *diagnostics,
                  gls::TimeSource *out) {
    Values v(source.time, encoder, diagnostics);
    std::vector<std::string> abday;
    std::vector<std::string> day;
    std::vector<std::string> am_pm;
    if (!v.strings("abday", gls::kDaysInWeek, &abday) ||
        !v.strings("day", gls::kDaysInWeek, &day) ||
        !v.strings("abmon", 0, &out->abmon, kMaxMonths) ||
        !v.strings("mon", 0, &out->mon, kMaxMonths) || !v.strings("am_pm", 2, &am_pm) ||
        !v.format("d_t_fmt", &out->date_time_format) || !v.format("d_fmt", &out->date_format) ||
        !v.format("t_fmt", &out->time_format) || !v.format("t_fmt_ampm", &out->time12_format) ||
        !v.eras(&out->eras) || !v.format("era_d_fmt", &out->era_date_format) ||
        !v.format("era_d_t_fmt", &out->era_date_time_format) ||
        !v.format("era_t_fmt", &out->era_time_format) ||
        !v.strings("alt_digits", 0, &out->alt_digits) || !v.calendar(&out->calendar)) {
        return false;
    }
    for (size_t i = 0; i < abday.size(); ++i)
        out->abday[i] = abday[i];
    for (size_t i = 0; i < day.size(); ++i)
        out->day[i] = day[i];
    if (am_pm.size() == 2) {
        out->am = am_pm[0];
        out->pm = am_pm[1];
    }
    return true;
}

}  // namespace velmorad::tools
