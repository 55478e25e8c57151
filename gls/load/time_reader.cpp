// Reader of the time section of a locale object file: calendar, day and
// month names, formats, markers, eras and alternative digits.
#include <cstring>

#include "gls/load/load_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr gl_wchar_t kGregorianW[] = {'g', 'r', 'e', 'g', 'o', 'r', 'i', 'a', 'n', '\n', 0};
constexpr gl_wchar_t kHebrewW[] = {'h', 'e', 'b', 'r', 'e', 'w', '\n', 0};
constexpr gl_wchar_t kIslamicW[] = {'i', 's', 'l', 'a', 'm', 'i', 'c', '\n', 0};
constexpr gl_wchar_t kArabicW[] = {'a', 'r', 'a', 'b', 'i', 'c', '\n', 0};

constexpr int kCalendarLineSize = 32;  // 31 characters and the terminator
constexpr int32_t kFirstListRoom = 16;

// A counted string of the time section; any failure counts as GL_ENOMEM.
bool read_text(FILE *stream, char **slot, uint32_t *error) {
    uint32_t code = 0;
    *slot = str_readallc(stream, &code);
    if (*slot != nullptr) return true;
    *error = GL_ENOMEM;
    return false;
}

// A count line: a decimal number and a newline.
bool read_count(FILE *stream, int32_t *count, uint32_t *error) {
    int32_t value = 0;
    if (!_gl_read_int32(stream, &value) || _gl_skip_nl(stream) != 1 || value < 0) {
        *error = GL_ESHORTFILE;
        return false;
    }
    *count = value;
    return true;
}

// Room for one more entry in a list being read. The list grows with what
// is actually read, so a count line far beyond the file's contents fails
// at the end of the file, not at an allocation of the count's size.
bool make_room(char ***list, int32_t used, int32_t *room, uint32_t *error) {
    if (used < *room) return true;
    int32_t grown = *room == 0 ? kFirstListRoom : (*room > INT32_MAX / 2 ? INT32_MAX : *room * 2);
    if (grown <= used) {
        *error = GL_ENOMEM;
        return false;
    }
    HostPtr<char *> bigger = host_alloc<char *>(static_cast<size_t>(grown));
    if (!bigger) {
        *error = GL_ENOMEM;
        return false;
    }
    if (used > 0) std::memcpy(bigger.get(), *list, static_cast<size_t>(used) * sizeof(char *));
    _gl_free_ptr(*list);
    *list = bigger.release();
    *room = grown;
    return true;
}

// A count line and that many counted strings. Every string read is
// counted at once, so that the caller's release finds it.
bool read_list(FILE *stream, char ***list, int32_t *count, uint32_t *error) {
    int32_t wanted = 0;
    if (!read_count(stream, &wanted, error)) return false;
    int32_t room = 0;
    for (int32_t i = 0; i < wanted; ++i) {
        if (!make_room(list, *count, &room, error)) return false;
        if (!read_text(stream, &(*list)[*count], error)) return false;
        ++*count;
    }
    return true;
}

bool read_calendar(FILE *stream, int32_t *calendar, uint32_t *error) {
    char line[kCalendarLineSize];
    if (_gl_ext_fgets(line, sizeof line, stream) == nullptr || check_nl(line) != 0) {
        *error = GL_ESHORTFILE;
        return false;
    }
    for (const CalendarRow *row = gls_canned_calendars; row->name != nullptr; ++row) {
        if (std::strcmp(line, row->name) == 0) {
            *calendar = row->kind;
            return true;
        }
    }
    *error = GL_ECALENDAR;
    return false;
}

}  // namespace

const CalendarRow gls_canned_calendars[5] = {
    {"gregorian\n", kGregorianW, kCalendarGregorian},
    {"hebrew\n", kHebrewW, kCalendarHebrew},
    {"islamic\n", kIslamicW, kCalendarIslamic},
    {"arabic\n", kArabicW, kCalendarArabic},
    {nullptr, nullptr, 0},
};

// The six formats and markers come in the order date and time (item 0),
// date (61), time (62), morning, afternoon, 12-hour time (63); the era
// formats in the order era date (67), era time (69), era date and time (68).
int _gl_read_time(FILE *stream, TimeSection *time, uint32_t *error) {
    _gl_init_ltime(time);
    if (!read_calendar(stream, &time->calendar, error)) return -1;
    for (char *&name : time->abday) {
        if (!read_text(stream, &name, error)) return -1;
    }
    for (char *&name : time->day) {
        if (!read_text(stream, &name, error)) return -1;
    }
    if (!read_list(stream, &time->abmon.mb, &time->abmon.count, error)) return -1;
    if (!read_list(stream, &time->mon.mb, &time->mon.count, error)) return -1;
    char **const formats_and_markers[] = {&time->formats[kFmtDateTime],
                                          &time->formats[kFmtDate],
                                          &time->formats[kFmtTime],
                                          &time->am.mb,
                                          &time->pm.mb,
                                          &time->formats[kFmtTime12]};
    for (char **slot : formats_and_markers) {
        if (!read_text(stream, slot, error)) return -1;
    }
    if (!read_list(stream, &time->eras, &time->era_count, error)) return -1;
    char **const era_formats[] = {&time->formats[kFmtEraDate], &time->formats[kFmtEraTime],
                                  &time->formats[kFmtEraDateTime]};
    for (char **slot : era_formats) {
        if (!read_text(stream, slot, error)) return -1;
    }
    if (!read_list(stream, &time->alt_digits.mb, &time->alt_digits.count, error)) return -1;
    return 0;
}

}  // namespace gls
