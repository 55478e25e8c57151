// DBDATE, the compact date notation ("MDY4/", "GY4MD/", "Y3MD/C1"), into the
// locale library's date format ("%m/%d/%iY", "%Eg%04.4Ey/%m/%d").
#include <cstring>
#include <string_view>

#include "locale_env/locale_env.h"

namespace velmorad {

namespace {

// How a year with an era is written: by the era's name (%EC) or by its
// second string (%Eg).
enum EraStyle : int { kStyleNone = 0, kStyleName = 1, kStyleSecond = 2 };

constexpr int kMinYearDigits = 2;
constexpr int kCenturyYearDigits = 3;

// The year directive by era style (rows) and digit count (columns 2 to 4);
// null where the notation has no such year.
constexpr const char *kYearFormats[3][3] = {
    {"%iy", nullptr, "%iY"},
    {"%EC%02.2Ey", "%EC%03.3Ey", "%EC%04.4Ey"},
    {"%Eg%02.2Ey", "%Eg%03.3Ey", "%Eg%04.4Ey"},
};
constexpr const char *kDayFormat = "%d";
constexpr const char *kMonthFormat = "%m";
constexpr char kNoSeparator = '0';

constexpr size_t longest_year() {
    size_t longest = 0;
    for (const auto &row : kYearFormats) {
        for (const char *f : row) {
            if (f != nullptr && std::string_view(f).size() > longest) {
                longest = std::string_view(f).size();
            }
        }
    }
    return longest;
}
// Three years, each with an era ("EYEYEY"), and two separators.
static_assert(kDbdateFormatSize == kDateComponents * longest_year() + (kDateComponents - 1) + 1);

// What a DBDATE value says, read whole before anything is written.
struct DbdateValue {
    int32_t order[kDateComponents] = {};
    int32_t kind = kEraNone;
    int era_style = kStyleNone;
    int digits = kMinYearDigits;
    char separator = '/';
};

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool is_separator(char c) {
    return c != '\0' && std::strchr(",-./0", c) != nullptr;
}

// Reads the components, the separator and the era suffix: 0 or -1212.
int read_dbdate(const char *p, DbdateValue *v) {
    if (*p == '\0') return kDateBadDbdate;
    int seen = 0;
    while (seen < kDateComponents && *p != '\0') {
        switch (upper(*p++)) {
            case 'D':
                v->order[seen++] = kCompDay;
                break;
            case 'M':
                v->order[seen++] = kCompMonth;
                break;
            case 'Y': {
                v->order[seen++] = kCompYear;
                const char digits = upper(*p);
                if (digits >= '2' && digits <= '4') {
                    v->digits = digits - '0';
                    ++p;
                } else if (digits == 'Y') {
                    v->digits = kMinYearDigits;
                    ++p;
                } else if (v->era_style != kStyleNone) {
                    v->digits = kMinYearDigits;  // left for the separator
                } else {
                    return kDateBadDbdate;
                }
                break;
            }
            case 'E':
                if (upper(*p) != 'Y') return kDateBadDbdate;
                v->kind = kEraLetter;
                v->era_style = kStyleName;
                break;
            case 'G':
                if (upper(*p) != 'Y') return kDateBadDbdate;
                v->kind = kEraLetter;
                v->era_style = kStyleSecond;
                break;
            case 'N':
                if (upper(*p) != 'Y') return kDateBadDbdate;
                v->kind = kEraJapanese;
                v->era_style = kStyleSecond;
                break;
            default:
                return kDateBadDbdate;
        }
    }
    // The character after the components is consumed, separator or not.
    if (*p != '\0') {
        const char c = *p++;
        if (is_separator(c)) v->separator = c;
    }
    const char suffix = upper(*p);
    if (suffix == 'J' || suffix == 'C') {
        ++p;
        if (suffix == 'J') {
            v->kind = kEraJapanese;
        } else {
            v->kind = kEraChinese;
            if (v->digits < kCenturyYearDigits) v->digits = kCenturyYearDigits;
        }
        if (*p == '1') {
            v->era_style = kStyleSecond;
        } else if (*p == '2') {
            v->era_style = kStyleName;
        } else {
            return kDateBadDbdate;
        }
        ++p;
    }
    if (*p != '\0') return kDateBadDbdate;
    if (v->digits == kCenturyYearDigits && v->kind != kEraChinese) return kDateBadDbdate;
    if (kYearFormats[v->era_style][v->digits - kMinYearDigits] == nullptr) return kDateBadDbdate;
    return 0;
}

// The format of a value read whole; the length written, at most
// kDbdateFormatSize - 1. out may be null to measure.
size_t write_format(const DbdateValue &v, char *out) {
    size_t n = 0;
    auto put = [&](std::string_view text) {
        if (out != nullptr) std::memcpy(out + n, text.data(), text.size());
        n += text.size();
    };
    for (int i = 0; i < kDateComponents; ++i) {
        switch (v.order[i]) {
            case kCompDay:
                put(kDayFormat);
                break;
            case kCompMonth:
                put(kMonthFormat);
                break;
            case kCompYear:
                put(kYearFormats[v.era_style][v.digits - kMinYearDigits]);
                break;
            default:
                break;
        }
        if (i + 1 < kDateComponents && v.separator != kNoSeparator) put({&v.separator, 1});
    }
    if (out != nullptr) out[n] = '\0';
    return n;
}

}  // namespace

int dbdate_to_gl_date(const char *value, char **out, int32_t *kind, int32_t order[kDateComponents],
                      char *buffer) {
    if (out == nullptr || kind == nullptr || order == nullptr) return kDateNoPlace;
    for (int i = 0; i < kDateComponents; ++i)
        order[i] = kCompNone;
    *kind = kEraNone;
    DbdateValue v;
    if (value == nullptr) return kDateBadDbdate;
    if (int status = read_dbdate(value, &v); status != 0) return status;
    char *format = buffer;
    if (format == nullptr) {
        format = static_cast<char *>(cl_ext_malloc(write_format(v, nullptr) + 1));
        if (format == nullptr) return kDateNoMemory;
    }
    (void)write_format(v, format);
    *out = format;
    *kind = v.kind;
    for (int i = 0; i < kDateComponents; ++i)
        order[i] = v.order[i];
    return 0;
}

}  // namespace velmorad
