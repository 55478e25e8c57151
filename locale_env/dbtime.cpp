// DBTIME and GL_DATETIME values into the locale library's date-and-time
// format: "%Y-%m-%d %H:%M:%S.%F3" becomes "%04Y-%02m-%02d %02H:%02M:%02S%iF3".
// Each directive is read into its parts first; one walk then measures the
// result and a second writes it into a block of exactly that size.
#include <cstring>
#include <string_view>

#include "locale_env/locale_env.h"

namespace velmorad {

namespace {

enum EraStyle : int { kStyleNone = 0, kStyleName = 1, kStyleSecond = 2 };

// An era suffix that ends the value and is not copied.
struct EraSuffix {
    char letter;
    char digit;
    int32_t kind;
    int era_style;
};
constexpr EraSuffix kSuffixes[] = {
    {'C', '1', kEraChinese, kStyleSecond},
    {'J', '1', kEraJapanese, kStyleSecond},
    {'J', '2', kEraJapanese, kStyleName},
};

// The width a conversion gets when the value gives none (no era style).
struct DefaultWidth {
    char conversion;
    const char *width;
};
constexpr DefaultWidth kDefaultWidths[] = {
    {'H', "02"}, {'I', "02"}, {'M', "02"}, {'R', "02"}, {'S', "02"},
    {'T', "02"}, {'d', "02"}, {'m', "02"}, {'y', "02"}, {'Y', "04"},
};

// A year with an era, after the "%" and any width: by era style (rows) and
// precision mode (columns 0 and 1).
constexpr const char *kEraFourDigits[3][2] = {
    {nullptr, nullptr}, {"EC%Ey", "EC%04.4Ey"}, {"Eg%Ey", "Eg%04.4Ey"}};
constexpr const char *kEraTwoDigits[3][2] = {
    {nullptr, nullptr}, {"EC%Ey", "EC%02.2Ey"}, {"Eg%Ey", "Eg%02.2Ey"}};

constexpr const char *kFractionDigits = "2";  // an %F without a digit count

struct Directive {
    bool minus = false;
    std::string_view width;
    bool point = false;
    std::string_view precision;
    char conversion = '\0';
    bool fraction_digit_follows = false;  // a digit right after the conversion
    char before_conversion = '\0';
};

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string_view digits_at(const char *p, const char *end) {
    const char *q = p;
    while (q < end && is_digit(*q))
        ++q;
    return {p, static_cast<size_t>(q - p)};
}

// Reads the directive whose "%" is at p; *next is left after it. 0, -1275
// (flag, width or precision without a letter) or -1276 (the value ends).
int read_directive(const char *p, const char *end, Directive *d, const char **next) {
    ++p;
    if (p < end && *p == '-') {
        d->minus = true;
        ++p;
    }
    d->width = digits_at(p, end);
    p += d->width.size();
    if (p < end && *p == '.') {
        d->point = true;
        d->precision = digits_at(p + 1, end);
        p += 1 + d->precision.size();
    }
    if (p == end) return kTimeUnfinished;
    const bool modified = d->minus || !d->width.empty() || d->point;
    if (modified && !is_letter(*p)) return kTimeNoConversion;
    d->before_conversion = p[-1];
    d->conversion = *p++;
    d->fraction_digit_follows = p < end && is_digit(*p);
    *next = p;
    return 0;
}

// Appends text, or counts it when out is null.
class Output {
  public:
    explicit Output(char *out) : out_(out) {}
    void put(std::string_view text) {
        if (out_ != nullptr) std::memcpy(out_ + n_, text.data(), text.size());
        n_ += text.size();
        if (!text.empty()) last_ = text.back();
    }
    void put(char c) { put(std::string_view(&c, 1)); }
    size_t size() const { return n_; }
    // Takes back the last character put, when it is c.
    void take_back(char c) {
        if (n_ > 0 && last_ == c) --n_;
        last_ = '\0';
    }

  private:
    char *out_;
    size_t n_ = 0;
    char last_ = '\0';
};

struct Translation {
    int mode;
    int fraction;
    int era_style;
};

void write_directive(const Directive &d, const Translation &t, Output *out) {
    // %iF writes its own decimal point: a "." the value puts just before
    // it would show twice ("07..123").
    if (d.conversion == 'F' && t.fraction == 1) out->take_back('.');
    out->put('%');
    if (d.minus) out->put('-');
    if (!d.width.empty()) {
        out->put(d.width);
    } else if (t.mode == 0 && d.point && !d.precision.empty()) {
        out->put(d.precision);  // the precision serves as the width
    } else if (t.era_style == kStyleNone) {
        for (const DefaultWidth &w : kDefaultWidths) {
            if (w.conversion == d.conversion) out->put(w.width);
        }
    }
    if (t.mode == 1 && d.point) {
        out->put('.');
        out->put(d.precision);
    }
    const int mode = t.mode == 0 ? 0 : 1;
    if (t.era_style != kStyleNone && (d.conversion == 'Y' || d.conversion == 'y')) {
        out->put((d.conversion == 'Y' ? kEraFourDigits : kEraTwoDigits)[t.era_style][mode]);
        return;
    }
    if (d.conversion == 'F') {
        if (t.fraction == 1) out->put('i');
        out->put('F');
        if (!d.fraction_digit_follows && (d.before_conversion == '%' || d.before_conversion == '.'))
            out->put(kFractionDigits);
        return;
    }
    out->put(d.conversion);
}

// One walk over the value: checks it, and measures or writes the result.
int translate(const char *value, const char *end, const Translation &t, Output *out) {
    for (const char *p = value; p < end;) {
        if (*p != '%') {
            out->put(*p++);
            continue;
        }
        Directive d;
        if (int status = read_directive(p, end, &d, &p); status != 0) return status;
        write_directive(d, t, out);
    }
    return 0;
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

int dbtime_to_gl_date(const char *value, int mode, char **out, int32_t *kind, int fraction) {
    if (value == nullptr || out == nullptr || kind == nullptr) return kTimeNullArgument;
    const size_t length = std::strlen(value);
    const char *end = value + length;
    Translation t{mode, fraction, kStyleNone};
    *kind = kEraNone;
    if (length >= 2) {
        for (const EraSuffix &s : kSuffixes) {
            if (upper(end[-2]) == s.letter && end[-1] == s.digit) {
                *kind = s.kind;
                t.era_style = s.era_style;
                end -= 2;
                break;
            }
        }
    }
    Output measure(nullptr);
    if (int status = translate(value, end, t, &measure); status != 0) return status;
    cl_ext_free(*out);
    *out = static_cast<char *>(cl_ext_malloc(measure.size() + 1));
    if (*out == nullptr) return kDateNoMemory;
    Output write(*out);
    (void)translate(value, end, t, &write);
    (*out)[write.size()] = '\0';
    return 0;
}

}  // namespace velmorad
