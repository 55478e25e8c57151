// Completing the time section after it is read: era entries parsed from
// the era strings, the joined era and digit strings, the string caches of
// names, and wide copies.
#include <climits>
#include <cstring>

#include "gls/chars/chars.h"
#include "gls/load/load_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr size_t kTerminatorBytes = 4;
constexpr int kMaxCharBytes = 4;
constexpr gl_wchar_t kSingleByteLimit = 256;
constexpr gl_wchar_t kNewline = '\n';
constexpr gl_wchar_t kFieldSeparator = ':';
constexpr gl_wchar_t kDateSeparator = '/';
constexpr gl_wchar_t kPlus = '+';
constexpr gl_wchar_t kMinus = '-';
constexpr gl_wchar_t kOpenEnd = '*';
constexpr int32_t kDecimal = 10;
constexpr uint32_t kMorning = 0;
constexpr uint32_t kAfternoon = 1;

enum class Copy { kOk, kBad, kNoMemory };

// The bytes of one wide character; -1 when it has none in the code set.
int encode(Locale *loc, gl_wchar_t wc, unsigned char *out) {
    if (loc->ctype.single_byte != 0) {
        if (wc >= kSingleByteLimit) return -1;
        *out = static_cast<unsigned char>(wc);
        return 1;
    }
    return gl_full_wctomb(loc, out, wc);
}

Copy copy_until(Locale *loc, char **out, const gl_wchar_t **cursor, gl_wchar_t delimiter) {
    const gl_wchar_t *end = *cursor;
    while (*end != delimiter) {
        if (*end == 0) return Copy::kBad;
        ++end;
    }
    unsigned char scratch[kMaxCharBytes];
    size_t bytes = 0;
    for (const gl_wchar_t *p = *cursor; p != end; ++p) {
        int n = encode(loc, *p, scratch);
        if (n < 0) return Copy::kBad;
        bytes += static_cast<size_t>(n);
    }
    HostPtr<char> text = host_alloc<char>(bytes + kTerminatorBytes);
    if (!text) {
        gl_set_error(loc, GL_ENOMEM);
        return Copy::kNoMemory;
    }
    auto *write = reinterpret_cast<unsigned char *>(text.get());
    for (const gl_wchar_t *p = *cursor; p != end; ++p)
        write += encode(loc, *p, write);
    *out = text.release();
    *cursor = end;
    return Copy::kOk;
}

// The era string as wide characters; null (with GL_EERA or GL_ENOMEM stored)
// when it does not convert whole.
HostPtr<gl_wchar_t> widen_era(Locale *loc, const char *text) {
    const auto *bytes = reinterpret_cast<const unsigned char *>(text);
    int chars = _gl_im_mbslen(loc, bytes);
    if (chars < 0 || chars == INT_MAX) {
        gl_set_error(loc, GL_EERA);
        return nullptr;
    }
    HostPtr<gl_wchar_t> wide = host_alloc<gl_wchar_t>(static_cast<size_t>(chars) + 1);
    if (!wide) {
        gl_set_error(loc, GL_ENOMEM);
        return nullptr;
    }
    if (_gl_im_mbstowcs(loc, wide.get(), bytes, chars + 1) != chars) {
        gl_set_error(loc, GL_EERA);
        return nullptr;
    }
    wide.get()[chars] = 0;
    return wide;
}

bool expect(const gl_wchar_t **p, gl_wchar_t c) {
    if (**p != c) return false;
    ++*p;
    return true;
}

// year "/" month "/" day
bool read_date(const gl_wchar_t **p, int32_t *day, int32_t *month, int32_t *year) {
    *year = wstrtoi(*p, p);
    if (!expect(p, kDateSeparator)) return false;
    *month = wstrtoi(*p, p);
    if (!expect(p, kDateSeparator)) return false;
    *day = wstrtoi(*p, p);
    return true;
}

// The fields up to the era name: direction, offset, start and end.
bool read_era_dates(const gl_wchar_t **p, EraEntry *era) {
    if (**p == kPlus) {
        era->direction = 1;
    } else if (**p == kMinus) {
        era->direction = -1;
    } else {
        return false;
    }
    ++*p;
    if (!expect(p, kFieldSeparator)) return false;
    era->offset = wstrtoi(*p, p);
    if (!expect(p, kFieldSeparator)) return false;
    if (!read_date(p, &era->start_day, &era->start_month, &era->start_year)) return false;
    if (!expect(p, kFieldSeparator)) return false;
    if (((*p)[0] == kPlus || (*p)[0] == kMinus) && (*p)[1] == kOpenEnd) {
        era->end_kind = (*p)[0] == kPlus ? 1 : -1;
        *p += 2;
    } else if (!read_date(p, &era->end_day, &era->end_month, &era->end_year)) {
        return false;
    }
    return expect(p, kFieldSeparator);
}

Copy parse_era_fields(Locale *loc, const gl_wchar_t *p, EraEntry *era) {
    if (!read_era_dates(&p, era)) return Copy::kBad;
    Copy copied = copy_until(loc, &era->name, &p, kFieldSeparator);
    if (copied != Copy::kOk) return copied;
    if (!expect(&p, kFieldSeparator)) return Copy::kBad;
    copied = copy_until(loc, &era->format, &p, kFieldSeparator);
    if (copied != Copy::kOk) return copied;
    if (!expect(&p, kFieldSeparator)) return Copy::kBad;
    return copy_until(loc, &era->third, &p, 0);
}

// Joins texts with the code set's newline into *out (four zero bytes after).
bool join_texts(Locale *loc, char *const *texts, int32_t count, LocaleText *out) {
    unsigned char newline[kMaxCharBytes];
    int newline_bytes = encode(loc, kNewline, newline);
    if (newline_bytes < 0) return false;
    size_t total = kTerminatorBytes;
    for (int32_t i = 0; i < count; ++i) {
        if (texts[i] == nullptr) return false;
        total += _gl_text_bytes(loc, texts[i]) + (i > 0 ? static_cast<size_t>(newline_bytes) : 0);
    }
    HostPtr<char> joined = host_alloc<char>(total);
    if (!joined) {
        gl_set_error(loc, GL_ENOMEM);
        return false;
    }
    char *write = joined.get();
    for (int32_t i = 0; i < count; ++i) {
        if (i > 0) {
            std::memcpy(write, newline, static_cast<size_t>(newline_bytes));
            write += newline_bytes;
        }
        size_t bytes = _gl_text_bytes(loc, texts[i]);
        std::memcpy(write, texts[i], bytes);
        write += bytes;
    }
    _gl_free_ptr(out->mb);
    out->mb = joined.release();
    return true;
}

// Builds a cache of count strings, text_of(i) with value i, and puts it in
// place of the old one only when it is whole.
template <class TextOf>
bool rebuild_cache(Locale *loc, gl_wc_cache_t **slot, int32_t count, TextOf text_of) {
    gl_wc_cache_t *root = nullptr;
    for (int32_t i = 0; i < count; ++i) {
        const auto *text = reinterpret_cast<const unsigned char *>(text_of(i));
        if (_gl_cache_wc_string(loc, &root, text, static_cast<uint32_t>(i)) != 0) {
            _gl_free_wc_cache(loc, root);
            return false;
        }
    }
    _gl_free_wc_cache(loc, *slot);
    *slot = root;
    return true;
}

bool build_caches(Locale *loc) {
    TimeSection &t = loc->time;
    const int32_t eras = t.era_entries != nullptr ? t.era_count : 0;
    auto markers = [&](int32_t i) { return i == kMorning ? t.am.mb : t.pm.mb; };
    return rebuild_cache(loc, &t.caches[kCacheEraName], eras,
                         [&](int32_t i) { return t.era_entries[i].name; }) &&
           rebuild_cache(loc, &t.caches[kCacheEraFormat], eras,
                         [&](int32_t i) { return t.era_entries[i].format; }) &&
           rebuild_cache(loc, &t.caches[kCacheMonth], t.mon.count,
                         [&](int32_t i) { return t.mon.mb[i]; }) &&
           rebuild_cache(loc, &t.caches[kCacheAbMonth], t.abmon.count,
                         [&](int32_t i) { return t.abmon.mb[i]; }) &&
           rebuild_cache(loc, &t.caches[kCacheDay], kDaysInWeek,
                         [&](int32_t i) { return t.day[i]; }) &&
           rebuild_cache(loc, &t.caches[kCacheAbDay], kDaysInWeek,
                         [&](int32_t i) { return t.abday[i]; }) &&
           rebuild_cache(loc, &t.caches[kCacheAltDigits], t.alt_digits.count,
                         [&](int32_t i) { return t.alt_digits.mb[i]; }) &&
           rebuild_cache(loc, &t.caches[kCacheAmPm], kAfternoon + 1, markers);
}

bool rewiden(Locale *loc, gl_wchar_t **wide, const char *text) {
    _gl_free_ptr(*wide);
    *wide = nullptr;
    return alloc_wc_from_mb(loc, wide, text) == 0;
}

bool rewiden_list(Locale *loc, TextList *list) {
    if (list->wc != nullptr) {
        for (int32_t i = 0; i < list->count; ++i)
            _gl_free_ptr(list->wc[i]);
        _gl_free_ptr(list->wc);
        list->wc = nullptr;
    }
    if (list->count == 0) return true;
    HostPtr<gl_wchar_t *> wide = host_alloc<gl_wchar_t *>(static_cast<size_t>(list->count));
    if (!wide) {
        gl_set_error(loc, GL_ENOMEM);
        return false;
    }
    list->wc = wide.release();
    for (int32_t i = 0; i < list->count; ++i) {
        if (alloc_wc_from_mb(loc, &list->wc[i], list->mb[i]) != 0) return false;
    }
    return true;
}

bool widen_all(Locale *loc) {
    TimeSection &t = loc->time;
    for (int i = 0; i < kTimeFormatCount; ++i) {
        if (!rewiden(loc, &t.wformats[i], t.formats[i])) return false;
    }
    for (int32_t i = 0; t.era_entries != nullptr && i < t.era_count; ++i) {
        if (!rewiden(loc, &t.era_entries[i].wthird, t.era_entries[i].third)) return false;
    }
    if (!rewiden_list(loc, &t.alt_digits) || !rewiden_list(loc, &t.mon) ||
        !rewiden_list(loc, &t.abmon)) {
        return false;
    }
    for (int i = 0; i < kDaysInWeek; ++i) {
        if (!rewiden(loc, &t.wabday[i], t.abday[i]) || !rewiden(loc, &t.wday[i], t.day[i]))
            return false;
    }
    return _gl_rewiden_all(loc, {&t.am, &t.pm, &t.joined_eras, &t.joined_alt_digits});
}

bool parse_eras(Locale *loc) {
    TimeSection &t = loc->time;
    era_cleanup(t.era_entries, t.era_count);
    t.era_entries = nullptr;
    HostPtr<EraEntry> entries = host_alloc<EraEntry>(static_cast<size_t>(t.era_count));
    if (!entries) {
        gl_set_error(loc, GL_ENOMEM);
        return false;
    }
    for (int32_t i = 0; i < t.era_count; ++i) {
        if (_gl_parse_era(loc, t.eras[i], &entries.get()[i]) != 0) {
            era_cleanup(entries.release(), t.era_count);
            return false;
        }
    }
    t.era_entries = entries.release();
    return true;
}

}  // namespace

// Saturates rather than overflowing on a hostile run of digits.
int32_t wstrtoi(const gl_wchar_t *text, const gl_wchar_t **end) {
    bool negative = *text == kMinus;
    if (negative) ++text;
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * kDecimal + static_cast<int64_t>(*text - '0');
        if (value > INT32_MAX) value = INT32_MAX;
    }
    if (end != nullptr) *end = text;
    return static_cast<int32_t>(negative ? -value : value);
}

int alloc_mbs_copy(Locale *loc, char **out, const gl_wchar_t **cursor, gl_wchar_t delimiter) {
    return copy_until(loc, out, cursor, delimiter) == Copy::kOk ? 0 : -1;
}

// "+:1:1989/01/08:+*:Heisei:%EC%Ey:" - direction, offset, start date, end
// date (or an open end), name, format and a third text.
int _gl_parse_era(Locale *loc, const char *text, EraEntry *era) {
    HostPtr<gl_wchar_t> wide = widen_era(loc, text);
    if (!wide) return -1;
    Copy parsed = parse_era_fields(loc, wide.get(), era);
    if (parsed == Copy::kOk) return 0;
    if (parsed == Copy::kBad) gl_set_error(loc, GL_EERA);
    return -1;
}

int init_time_info(Locale *loc) {
    int status = _gl_require_ctype(loc);
    if (status < 1) return status;
    TimeSection &t = loc->time;
    if (t.era_count > 0) {
        if (!parse_eras(loc)) return -1;
        if (!join_texts(loc, t.eras, t.era_count, &t.joined_eras) ||
            !join_texts(loc, t.alt_digits.mb, t.alt_digits.count, &t.joined_alt_digits)) {
            return -1;
        }
    }
    if (!build_caches(loc) || !widen_all(loc)) return -1;
    return 1;
}

}  // namespace gls
