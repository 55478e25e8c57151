// The time section's string lists handed out to callers: copies of one
// list, and the longest entry of a list in characters or in bytes.
#include <cstring>

#include "gls/chars/chars.h"
#include "gls/format/format.h"
#include "gls/format/format_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace format {

int32_t usable_eras(const Locale *loc) {
    const TimeSection &t = loc->time;
    return t.era_entries != nullptr && t.era_count > 0 ? t.era_count : 0;
}

int32_t usable_alt_digits(const Locale *loc) {
    const TextList &digits = loc->time.alt_digits;
    return digits.mb != nullptr && digits.wc != nullptr && digits.count > 0 ? digits.count : 0;
}

int32_t time_list_count(const Locale *loc, int kind) {
    const TimeSection &t = loc->time;
    switch (kind) {
        case kInfoDays:
        case kInfoAbDays:
            return kDaysInWeek;
        case kInfoMonths:
            return t.mon.mb != nullptr && t.mon.count > 0 ? t.mon.count : 0;
        case kInfoAbMonths:
            return t.abmon.mb != nullptr && t.abmon.count > 0 ? t.abmon.count : 0;
        case kInfoEraNames:
        case kInfoEraSecond:
            return usable_eras(loc);
        case kInfoAltDigits:
            return loc->time.alt_digits.mb != nullptr && loc->time.alt_digits.count > 0
                       ? loc->time.alt_digits.count
                       : 0;
        case kInfoAmPm:
            return 2;
        default:
            return -1;
    }
}

const char *time_list_text(const Locale *loc, int kind, int32_t index) {
    if (index < 0 || index >= time_list_count(loc, kind)) return nullptr;
    const TimeSection &t = loc->time;
    switch (kind) {
        case kInfoDays:
            return t.day[index];
        case kInfoAbDays:
            return t.abday[index];
        case kInfoMonths:
            return t.mon.mb[index];
        case kInfoAbMonths:
            return t.abmon.mb[index];
        case kInfoEraNames:
            return t.era_entries[index].name;
        case kInfoEraSecond:
            return t.era_entries[index].format;
        case kInfoAltDigits:
            return t.alt_digits.mb[index];
        default:
            return index == 0 ? t.am.mb : t.pm.mb;
    }
}

}  // namespace format

using namespace format;

namespace {

// Frees what a failed hand-out made so far.
void release_copies(char **array, int32_t made, GlFreeFn release) {
    for (int32_t i = 0; i < made; ++i) {
        if (array[i] != nullptr) release(array[i]);
    }
    release(array);
}

int longest(Locale *loc, int kind, int (*length)(Locale *, const char *)) {
    const int32_t count = time_list_count(loc, kind);
    int best = 0;
    for (int32_t i = 0; i < count; ++i) {
        const char *text = time_list_text(loc, kind, i);
        if (text == nullptr) continue;
        const int n = length(loc, text);
        if (n > best) best = n;
    }
    return best;
}

}  // namespace

int gl_mbstimeinfo_ext(Locale *loc, int kind, char ***array_out, int *count_out,
                       GlMallocFn allocate, GlFreeFn release) {
    if (loc == nullptr || array_out == nullptr || count_out == nullptr) {
        if (loc != nullptr) gl_set_error(loc, GL_ENULLARG);
        return -1;
    }
    *array_out = nullptr;
    *count_out = 0;
    const int32_t count = time_list_count(loc, kind);
    if (count <= 0) return -1;
    if (allocate == nullptr) {
        allocate = _gl_alloc_ptr;
        release = _gl_free_ptr;
    }
    auto **array = static_cast<char **>(allocate(sizeof(char *) * static_cast<size_t>(count)));
    if (array == nullptr) {
        gl_set_error(loc, GL_ENOMEM);
        return -1;
    }
    for (int32_t i = 0; i < count; ++i) {
        array[i] = nullptr;
        const char *text = time_list_text(loc, kind, i);
        const int bytes =
            text != nullptr ? gl_mbsbytes(loc, reinterpret_cast<const unsigned char *>(text)) : 0;
        if (bytes <= 0) continue;  // null or not text of the code set
        auto *copy = static_cast<char *>(allocate(static_cast<size_t>(bytes)));
        if (copy == nullptr) {
            if (release != nullptr) release_copies(array, i, release);
            gl_set_error(loc, GL_ENOMEM);
            return -1;
        }
        std::memcpy(copy, text, static_cast<size_t>(bytes));
        array[i] = copy;
    }
    *array_out = array;
    *count_out = count;
    return 0;
}

int gl_mbstimeinfo_ext(Locale *loc, int kind, char ***array_out, int *count_out,
                       GlMallocFn allocate) {
    return gl_mbstimeinfo_ext(loc, kind, array_out, count_out, allocate,
                              allocate == nullptr ? _gl_free_ptr : _gl_ext_free);
}

int gl_mbstimeinfo(Locale *loc, int kind, char ***array_out, int *count_out) {
    return gl_mbstimeinfo_ext(loc, kind, array_out, count_out, nullptr, nullptr);
}

int max_loc_strlen(Locale *loc, int kind) {
    return loc != nullptr ? longest(loc, kind, text_chars) : 0;
}

int max_loc_bytelen(Locale *loc, int kind) {
    return loc != nullptr ? longest(loc, kind, text_bytes) : 0;
}

}  // namespace gls
