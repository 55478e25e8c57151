// The client locale's month and era names, lower-cased once at start-up and
// kept as chains of string blocks, so that date input can match them in any
// letter case.
#include <climits>
#include <cstring>

#include "gls/chars/chars.h"
#include "gls/format/format.h"
#include "gls/host/host.h"
#include "locale_env/locale_env.h"

namespace velmorad {

namespace {

constexpr int kMonths = 12;
// The English names a Gregorian locale also accepts.
constexpr const char *kEnglishAbMonths[kMonths] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr const char *kEnglishMonths[kMonths] = {"january",   "february", "march",    "april",
                                                 "may",       "june",     "july",     "august",
                                                 "september", "october",  "november", "december"};

// Wide characters kept on the stack; longer strings take a host block.
constexpr size_t kStackWide = 16;
// Room a lower-cased copy is given: a character may grow to four bytes.
constexpr size_t kCaseGrowth = 4;
constexpr gls::gl_wchar_t kByteMax = 0xFF;

void release_list(char **strings, int count) {
    for (int i = 0; i < count; ++i)
        cl_ext_free(strings[i]);
    cl_ext_free(strings);
}

// Rebuilds *list from one of the locale's string lists, lower-cased, with
// an extra block of English names in front when given (Gregorian only).
int cache_names(StringBlock **list, int kind, const char *const *extra) {
    free_locale_string(list);
    char **names = nullptr;
    int count = 0;
    if (gls::gl_mbstimeinfo_ext(gls_env.client_locale, kind, &names, &count, cl_ext_malloc,
                                cl_ext_free) != 0) {
        return -1;
    }
    for (int i = 0; i < count; ++i)
        downcase_gls_string(&names[i]);
    const int status = cache_locale_string(list, names, count);
    release_list(names, count);
    if (status != 0) return -1;
    if (extra != nullptr && new_gls_env.gregorian == 1) {
        if (cache_locale_string(list, extra, kMonths) != 0) return -1;
    }
    return 0;
}

bool is_upper(gls::Locale *loc, gls::gl_wchar_t wc) {
    const uint16_t *classes = loc->ctype.class_table;
    if (classes == nullptr) return gls::_gl_im_iswctype(loc, wc, gls::kClassUpper) != 0;
    if (wc > kByteMax) {
        gls::gl_set_error(loc, gls::GL_EILSEQ);
        return false;
    }
    return (classes[wc] & gls::kClassUpper) != 0;
}

gls::gl_wchar_t to_lower(gls::Locale *loc, gls::gl_wchar_t wc) {
    const uint8_t *lower = loc->ctype.lower_table;
    if (lower == nullptr) return gls::_gl_im_towlower(loc, wc);
    if (wc > kByteMax) {
        gls::gl_set_error(loc, gls::GL_EILSEQ);
        return wc;
    }
    return lower[wc];
}

// The bytes wide needs in loc's code set with its terminator; 0 when a
// character has no encoding there.
size_t encoded_size(gls::Locale *loc, const gls::gl_wchar_t *wide) {
    size_t bytes = 1;
    for (; *wide != 0; ++wide) {
        const int n = gls::gl_wclen(loc, *wide);
        if (n <= 0) return 0;
        bytes += static_cast<size_t>(n);
    }
    return bytes;
}

}  // namespace

int cache_locale_string(StringBlock **list, const char *const *strings, int count) {
    if (list == nullptr || strings == nullptr || count < 1 || strings[0] == nullptr) return -1;
    size_t total = 0;
    for (int i = 0; i < count; ++i) {
        if (strings[i] != nullptr) total += std::strlen(strings[i]) + 1;
    }
    const size_t header = sizeof(StringBlock) + static_cast<size_t>(count) * sizeof(char *);
    auto *block = static_cast<StringBlock *>(cl_ext_malloc(header + total));
    if (block == nullptr) return -1;
    block->count = count;
    block->next = *list;
    char **slots = block_strings(block);
    char *text = reinterpret_cast<char *>(slots + count);
    for (int i = 0; i < count; ++i) {
        // A name the locale could not give keeps its place, empty.
        slots[i] = nullptr;
        if (strings[i] == nullptr) continue;
        const size_t n = std::strlen(strings[i]) + 1;
        std::memcpy(text, strings[i], n);
        slots[i] = text;
        text += n;
    }
    *list = block;
    return 0;
}

void free_locale_string(StringBlock **list) {
    while (*list != nullptr) {
        StringBlock *next = (*list)->next;
        cl_ext_free(*list);
        *list = next;
    }
}

// Each list is rebuilt from its own item, so that one the locale cannot
// give never leaves the other holding an earlier locale's names.
int cache_month_strings() {
    GlsSettings &s = new_gls_env;
    const int abbreviated = cache_names(&s.month_list_a, gls::kInfoAbMonths, kEnglishAbMonths);
    const int full = cache_names(&s.month_list_b, gls::kInfoMonths, kEnglishMonths);
    return abbreviated == 0 && full == 0 ? 0 : -1;
}

int cache_era_strings() {
    GlsSettings &s = new_gls_env;
    const int second = cache_names(&s.era_list_a, gls::kInfoEraSecond, nullptr);
    const int names = cache_names(&s.era_list_b, gls::kInfoEraNames, nullptr);
    return second == 0 && names == 0 ? 0 : -1;
}

int tolower_string(char *s, size_t room) {
    gls::Locale *loc = gls_env.client_locale;
    if (s == nullptr || loc == nullptr || loc->primitives.mbstowcs == nullptr) return -1;
    const size_t n = std::strlen(s);
    if (n == 0) return 0;
    if (n >= INT_MAX || room > INT_MAX) return -1;
    gls::gl_wchar_t stack[kStackWide + 1];
    gls::gl_wchar_t *wide = stack;
    if (n > kStackWide) {
        wide = static_cast<gls::gl_wchar_t *>(cl_ext_malloc((n + 1) * sizeof(gls::gl_wchar_t)));
        if (wide == nullptr) return -1;
    }
    auto *bytes = reinterpret_cast<unsigned char *>(s);
    int result = -1;
    const int converted = loc->primitives.mbstowcs(loc, wide, bytes, static_cast<int>(n + 1));
    if (converted >= 0 && static_cast<size_t>(converted) <= n) {
        wide[converted] = 0;
        for (gls::gl_wchar_t *c = wide; *c != 0; ++c) {
            if (is_upper(loc, *c)) *c = to_lower(loc, *c);
        }
        // Measured first: a lower-case form that would not fit leaves the
        // string as it was rather than cut short or unterminated.
        const size_t needed = encoded_size(loc, wide);
        if (needed != 0 && needed <= room) {
            const int max = static_cast<int>(room);
            result = loc->ctype.single_byte != 0 ? gls::_gl_is_wcstombs(loc, bytes, wide, max)
                                                 : gls::gl_full_wcstombs(loc, bytes, wide, max);
        }
    }
    if (wide != stack) cl_ext_free(wide);
    return result;
}

void downcase_gls_string(char **slot) {
    if (slot == nullptr || *slot == nullptr) return;
    const size_t n = std::strlen(*slot);
    if (n > (SIZE_MAX - 1) / kCaseGrowth) return;
    const size_t room = kCaseGrowth * n + 1;
    char *copy = static_cast<char *>(cl_ext_malloc(room));
    if (copy == nullptr) return;
    std::memcpy(copy, *slot, n + 1);
    cl_ext_free(*slot);
    *slot = copy;
    (void)tolower_string(copy, room);
}

}  // namespace velmorad
