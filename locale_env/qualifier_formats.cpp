// Formats by datetime qualifier: the date-and-time format with its composite
// directives expanded (expandformat), then cut down to the directives of
// the units a qualifier covers, each with the separator after it
// (qualtofmt); and the table of them that start-up fills when USE_DTENV is
// on.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "gls/chars/chars.h"
#include "gls/format/format.h"
#include "gls/host/host.h"
#include "locale_env/locale_env.h"

namespace velmorad {

namespace {

// The prefix letters and the conversions each may stand before.
struct Prefix {
    char letter;
    const char *conversions;
};
constexpr Prefix kPrefixes[] = {
    {'i', "FyY"},
    {'E', "cCgxXyY"},
    {'O', "eHImSuUVWy"},
};

// A directive of the library's notation, after its "%".
struct FormatDirective {
    std::string_view modifiers;  // digits, "." and "-"
    char prefix = '\0';          // 'i', 'E', 'O' or none
    char conversion = '\0';      // '\0': the format ends inside the directive
    size_t length = 0;           // characters after the "%"
};

bool is_modifier(char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-';
}

FormatDirective read_directive(const char *p) {
    FormatDirective d;
    const char *q = p;
    while (is_modifier(*q))
        ++q;
    d.modifiers = {p, static_cast<size_t>(q - p)};
    for (const Prefix &prefix : kPrefixes) {
        if (*q == prefix.letter && q[1] != '\0' && std::strchr(prefix.conversions, q[1])) {
            d.prefix = *q++;
            break;
        }
    }
    d.conversion = *q;
    if (*q != '\0') ++q;
    d.length = static_cast<size_t>(q - p);
    return d;
}

// Writes into a buffer of a given size, always terminated, and counts what
// the whole text needs.
class Bounded {
  public:
    Bounded(char *out, size_t size) : out_(out), size_(size) {}
    void put(std::string_view text) {
        if (size_ > 0 && n_ < size_ - 1) {
            const size_t room = size_ - 1 - n_;
            std::memcpy(out_ + n_, text.data(), std::min(room, text.size()));
        }
        n_ += text.size();
    }
    void put(char c) { put(std::string_view(&c, 1)); }
    size_t finish() {
        if (size_ > 0) out_[std::min(n_, size_ - 1)] = '\0';
        return n_;
    }

  private:
    char *out_;
    size_t size_;
    size_t n_ = 0;
};

// Composite directives made of elementary ones: each "%" of the expansion
// carries the directive's modifiers.
struct Elementary {
    char conversion;
    const char *expansion;
};
constexpr Elementary kElementary[] = {
    {'D', "%m/%d/%y"},
    {'R', "%H:%M"},
    {'T', "%H:%M:%S"},
};

// Composite directives replaced by one of the locale's formats (the era
// format when the locale has eras and the directive has the E prefix).
struct LocaleFormat {
    char conversion;
    int item;
    int era_item;
};
constexpr LocaleFormat kLocaleFormats[] = {
    {'c', gls::kItemDateTimeFormat, gls::kItemEraDateTimeFormat},
    {'x', gls::kItemDateFormat, gls::kItemEraDateFormat},
    {'X', gls::kItemTimeFormat, gls::kItemEraTimeFormat},
    {'r', gls::kItemTime12Format, gls::kItemTime12Format},
};

// A locale format inserted as it stands (not expanded again). A locale
// without one stores GL_ENULLARG and inserts nothing.
void put_locale_format(gls::Locale *loc, int item, Bounded *out) {
    const char *format = loc != nullptr ? gls::gl_get_ltime_fmts(loc, item) : nullptr;
    if (format == nullptr) {
        if (loc != nullptr) gls::gl_set_error(loc, gls::GL_ENULLARG);
        return;
    }
    out->put(format);
}

void expand_directive(const FormatDirective &d, gls::Locale *loc, Bounded *out) {
    if (d.prefix == '\0' || d.prefix == 'E') {
        for (const LocaleFormat &f : kLocaleFormats) {
            if (f.conversion != d.conversion) continue;
            const bool era = d.prefix == 'E' && gls::gl_get_era_count(loc) >= 1;
            put_locale_format(loc, era ? f.era_item : f.item, out);
            return;
        }
    }
    if (d.prefix == '\0') {
        for (const Elementary &e : kElementary) {
            if (e.conversion != d.conversion) continue;
            for (const char *p = e.expansion; *p != '\0'; ++p) {
                out->put(*p);
                if (*p == '%') out->put(d.modifiers);
            }
            return;
        }
    }
    out->put('%');
    out->put(d.modifiers);
    if (d.prefix != '\0') out->put(d.prefix);
    if (d.conversion != '\0') out->put(d.conversion);
}

// ---- qualtofmt -------------------------------------------------------------

constexpr int kUnitCodeMask = 0xF;
constexpr int kStartShift = 4;
constexpr char kDefaultFractionDigit = '3';

// The unit a directive shows: it is kept when the qualifier covers that
// unit (weekday and day-of-year names only when it starts with the year),
// takes the separator after it when the qualifier ends after that unit,
// and counts toward the qualifier's units as given.
enum class Counts { kNever, kWhenKept, kAlways };
struct QualifierRule {
    const char *conversions;
    int unit;
    Counts counts;
    bool from_year;
};
constexpr QualifierRule kRules[] = {
    {"Aajuw", kUnitDay, Counts::kNever, true},    {"Bbhm", kUnitMonth, Counts::kWhenKept, false},
    {"CYy", kUnitYear, Counts::kAlways, false},   {"g", kUnitYear, Counts::kNever, false},
    {"de", kUnitDay, Counts::kWhenKept, false},   {"HI", kUnitHour, Counts::kAlways, false},
    {"p", kUnitHour, Counts::kNever, false},      {"M", kUnitMinute, Counts::kWhenKept, false},
    {"S", kUnitSecond, Counts::kWhenKept, false},
};

struct Qualifier {
    int start;
    int end;
    int limit;  // units the qualifier covers; all fractions count as one
};

bool kept(const QualifierRule &rule, const Qualifier &q) {
    if (rule.from_year && q.start != kUnitYear) return false;
    return q.start <= rule.unit && q.end >= rule.unit;
}

const QualifierRule *rule_of(char c) {
    for (const QualifierRule &r : kRules) {
        if (c != '\0' && std::strchr(r.conversions, c) != nullptr) return &r;
    }
    return nullptr;
}

// The bytes of the client locale's character at p (at least 1).
size_t char_length(gls::Locale *loc, const char *p) {
    if (loc == nullptr || loc->ctype.single_byte != 0) return 1;
    const auto *s = reinterpret_cast<const unsigned char *>(p);
    const int most = gls::gl_mb_loc_max(loc);
    if (most <= 1) return 1;
    const int n =
        gls::gl_full_mblen(loc, s, static_cast<int>(strnlen(p, static_cast<size_t>(most))));
    return n > 0 ? static_cast<size_t>(n) : 1;
}

// Walks the expanded format e and writes the qualifier's part of it into
// out; with out null, only measures it. Returns its length. The part can
// be longer than e: an %F not followed by its digit gains one.
size_t cut_format(const char *e, const Qualifier &q, gls::Locale *loc, char *out) {
    int count = 0;
    size_t n = 0;
    auto put = [&](std::string_view text) {
        if (out != nullptr) std::memcpy(out + n, text.data(), text.size());
        n += text.size();
    };
    for (const char *p = e; *p != '\0';) {
        if (*p != '%') {
            p += char_length(loc, p);
            continue;
        }
        const FormatDirective d = read_directive(p + 1);
        p += 1 + d.length;
        const char c = d.conversion;
        if (c == '\0') break;
        if (c == '%' || c == 'n' || c == 't') {
            put("%");
            put({&c, 1});
            continue;
        }
        if (c == 'F') {
            if (q.end < kUnitFraction1) continue;
            ++count;
            char digit = kDefaultFractionDigit;
            if (*p >= '0' && *p <= '9') digit = *p++;
            digit = std::min(digit, static_cast<char>('0' + (q.end - kUnitSecond)));
            put("%");
            put(d.modifiers);
            if (d.prefix != '\0') put({&d.prefix, 1});
            put("F");
            put({&digit, 1});
            continue;
        }
        const QualifierRule *rule = rule_of(c);
        if (rule == nullptr) continue;
        const bool keep = kept(*rule, q);
        if (rule->counts == Counts::kAlways || (keep && rule->counts == Counts::kWhenKept)) ++count;
        if (!keep) continue;
        put("%");
        put(d.modifiers);
        if (d.prefix != '\0') put({&d.prefix, 1});
        put({&c, 1});
        const bool separator = q.end > rule->unit || count < q.limit;
        if (separator && *p != '\0' && *p != '%') {
            const size_t length = char_length(loc, p);
            put({p, length});
            p += length;
        }
    }
    if (out != nullptr) out[n] = '\0';
    return n;
}

// On the stack when the expansion is this small; measured, then allocated,
// when it is not.
constexpr size_t kExpansionStack = 1024;

// Every unit code; the first six start qualifiers.
constexpr int kUnits[kQualifierUnits] = {kUnitYear,          kUnitMonth,         kUnitDay,
                                         kUnitHour,          kUnitMinute,        kUnitSecond,
                                         kUnitFraction1,     kUnitFraction1 + 1, kUnitFraction1 + 2,
                                         kUnitFraction1 + 3, kUnitFraction5};
constexpr int kStartUnits = 6;

// Year to second at indexes 0 to 5, fraction(1) to fraction(5) at 6 to 10.
int unit_index(int unit) {
    return unit <= kUnitSecond ? unit / 2 : unit - kUnitFraction1 + kStartUnits;
}

int qualifier_of(int start, int end) {
    const int digits = end - start + (start == kUnitYear ? 4 : 2);
    return static_cast<int>(static_cast<uint16_t>(digits * 256 + start * 16 + end));
}

}  // namespace

size_t expandformat(const char *format, char *out, size_t size) {
    Bounded b(out, size);
    gls::Locale *loc = gls_env.client_locale;
    for (const char *p = format != nullptr ? format : ""; *p != '\0';) {
        if (*p != '%') {
            b.put(*p++);
            continue;
        }
        const FormatDirective d = read_directive(p + 1);
        expand_directive(d, loc, &b);
        p += 1 + d.length;
    }
    return b.finish();
}

char *qualtofmt(int qualifier, const char *format) {
    Qualifier q;
    q.start = (qualifier >> kStartShift) & kUnitCodeMask;
    q.end = qualifier & kUnitCodeMask;
    q.limit = q.end <= kUnitSecond ? (q.end - q.start) / 2 + 1 : (kUnitSecond - q.start) / 2 + 2;
    char *obtained = nullptr;
    if (format == nullptr) {
        if (getdatetimefmt(&obtained) != 0 || obtained == nullptr) {
            cl_ext_free(obtained);
            return nullptr;
        }
        format = obtained;
    }
    char stack[kExpansionStack];
    char *expanded = stack;
    char *heap = nullptr;
    const size_t needed = expandformat(format, stack, sizeof stack);
    if (needed >= sizeof stack) {
        heap = static_cast<char *>(cl_ext_malloc(needed + 1));
        if (heap != nullptr) (void)expandformat(format, heap, needed + 1);
        expanded = heap;
    }
    char *result = nullptr;
    if (expanded != nullptr) {
        gls::Locale *loc = gls_env.client_locale;
        result = static_cast<char *>(cl_ext_malloc(cut_format(expanded, q, loc, nullptr) + 1));
        if (result != nullptr) (void)cut_format(expanded, q, loc, result);
    }
    cl_ext_free(heap);
    cl_ext_free(obtained);
    return result;
}

void init_dtimequals() {
    for (auto &row : gls_env.qualifier_formats) {
        for (char *&entry : row)
            entry = nullptr;
    }
}

void free_dtimequals() {
    for (auto &row : gls_env.qualifier_formats) {
        for (char *&entry : row) {
            cl_ext_free(entry);
            entry = nullptr;
        }
    }
}

void cache_dtimequals() {
    free_dtimequals();
    init_dtimequals();
    if (get_usedtenv() == 0) return;
    char *format = nullptr;
    (void)getdatetimefmt(&format);
    auto &table = gls_env.qualifier_formats;
    for (int i = 0; i < kStartUnits; ++i) {
        for (int e : kUnits)
            table[i][unit_index(e)] = qualtofmt(qualifier_of(kUnits[i], e), format);
    }
    // A fraction qualifier starts and ends with the same fraction.
    for (int f = kUnitFraction1; f <= kUnitFraction5; ++f)
        table[unit_index(f)][unit_index(f)] = qualtofmt(qualifier_of(f, f), format);
    cl_ext_free(format);
}

}  // namespace velmorad
