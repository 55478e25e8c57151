// gl_wcsftime1: a calendar time record formatted by a wide format in a
// locale's conventions, or the longest text the format can produce.
#include <climits>
#include <string_view>

#include "gls/format/format_internal.h"
#include "gls/format/time_internal.h"
#include "gls/tree/tree.h"

namespace gls {

namespace format {

namespace {

Prefixes prefixes_of(const Locale *loc) {
    return {usable_eras(loc) > 0, usable_alt_digits(loc) > 0};
}

int saturated(int64_t value) {
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace

uint32_t format_wide(Locale *loc, gl_wchar_t *output, int output_max, const gl_wchar_t *format,
                     const CalendarTime *record, int date_flag, int *written) {
    *written = 0;
    if (format == nullptr) return GL_ENOFORMAT;
    if (output == nullptr || record == nullptr) return GL_ENULLARG;
    if (output_max < 1) return GL_E2BIG;
    CalendarTime local;
    if (loc->time.calendar != kCalendarGregorian) {
        if (gl_cal_gregorian_to_local(loc, record, &local) != 0) return kConversionFailed;
        record = &local;
    }
    TimeWriter w{loc, record, prefixes_of(loc), date_flag, output, 0, output_max, 0,
                 0,   false,  nullptr};
    if (const uint32_t error = write_format(&w, format)) return error;
    // The terminator needs its place too.
    if (w.count >= output_max) return GL_E2BIG;
    output[w.count] = 0;
    *written = w.count;
    return 0;
}

uint32_t format_bytes(Locale *loc, char *output, int output_max, const char *format,
                      const CalendarTime *record, int date_flag, int *written) {
    *written = 0;
    if (format == nullptr || output == nullptr || record == nullptr || output_max < 1)
        return kNeedsWide;
    CalendarTime local;
    if (loc->time.calendar != kCalendarGregorian) {
        if (gl_cal_gregorian_to_local(loc, record, &local) != 0) return kNeedsWide;
        record = &local;
    }
    ByteTimeWriter w{loc, record, prefixes_of(loc), date_flag, output, 0, output_max, 0,
                     0,   false,  nullptr};
    if (const uint32_t error = write_format(&w, format)) return error;
    if (w.count >= output_max) return GL_E2BIG;
    output[w.count] = 0;
    *written = w.count;
    return 0;
}

bool format_bytes_usable(const Locale *loc) {
    // The characters the writer adds itself: digits, separators, blanks.
    static constexpr char kAdded[] = "0123456789 %\n\t/:.";
    const multi_tree_t *tree = loc->ctype.single_byte == 0 ? one_byte_tree(loc) : nullptr;
    if (tree == nullptr) return false;
    for (const char c : std::string_view(kAdded)) {
        if (tree->root.flags[static_cast<unsigned char>(c)] != kMultiEnds) return false;
    }
    return true;
}

uint32_t measure_wide(Locale *loc, const gl_wchar_t *format, int64_t *chars, int64_t *bytes) {
    if (format == nullptr) return GL_ENOFORMAT;
    TimeMeasurer m;
    start_measurer(&m, loc, prefixes_of(loc));
    if (const uint32_t error = measure_format(&m, format)) return error;
    *chars = m.chars;
    *bytes = m.bytes;
    return 0;
}

}  // namespace format

int gl_wcsftime1(Locale *loc, gl_wchar_t *output, int output_max, const gl_wchar_t *format,
                 const CalendarTime *record, int *char_counter, int *byte_counter, int date_flag) {
    using namespace format;
    if (loc == nullptr) return 0;
    if (char_counter != nullptr || byte_counter != nullptr) {
        int64_t chars = 0;
        int64_t bytes = 0;
        if (const uint32_t error = measure_wide(loc, format, &chars, &bytes)) {
            gl_set_error(loc, error);
            return 0;
        }
        if (char_counter != nullptr) *char_counter = saturated(*char_counter + chars);
        if (byte_counter != nullptr) *byte_counter = saturated(*byte_counter + bytes);
        return 0;
    }
    int written = 0;
    const uint32_t error =
        format_wide(loc, output, output_max, format, record, date_flag, &written);
    if (error != 0) {
        if (error != kConversionFailed) gl_set_error(loc, error);
        return 0;
    }
    return written;
}

}  // namespace gls
