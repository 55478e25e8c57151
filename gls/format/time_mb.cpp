// The time formatter for text in the locale's code set: the format is
// widened, formatted, and the result narrowed into the caller's bytes. The
// common case keeps everything on the stack.
#include <algorithm>
#include <climits>
#include <cstring>

#include "gls/chars/chars.h"
#include "gls/format/format_internal.h"
#include "gls/format/time_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

using format::kConversionFailed;

constexpr int kRoom = 256;         // wide characters kept without allocation
constexpr int kFirstGrowth = 512;  // then grown by doubling
constexpr int kMaxCharBytes = 4;

// The last format widened in a multi-byte code set, kept with the name of
// its code set: a format is used for many dates in turn, and widening one
// walks the code set's tree for every character. Process-wide, as the
// library is used from one thread.
struct LastFormat {
    char code_set[kCodeSetNameSize];
    char bytes[kRoom];
    gl_wchar_t wide[kRoom];
    bool bytes_usable;  // format_bytes_usable for the code set
};
LastFormat last_format;

const char (&code_set_of(const Locale *loc))[kCodeSetNameSize] {
    return loc->codeset_names[category_slot(kCatCtype)];
}

// The wide form of a format as it was last widened; null when it was not
// the last one.
const gl_wchar_t *widened_before(const Locale *loc, const char *format) {
    if (format::one_byte_tree(loc) == nullptr ||
        std::memcmp(last_format.code_set, code_set_of(loc), kCodeSetNameSize) != 0 ||
        std::strcmp(last_format.bytes, format) != 0) {
        return nullptr;
    }
    return last_format.wide;
}

bool keep_widened(const Locale *loc, const char *format, const gl_wchar_t *wide, int chars) {
    const size_t length = std::strlen(format);
    if (length >= kRoom || format::one_byte_tree(loc) == nullptr) return false;
    std::memcpy(last_format.bytes, format, length + 1);
    std::memcpy(last_format.wide, wide, sizeof(gl_wchar_t) * (static_cast<size_t>(chars) + 1));
    std::memcpy(last_format.code_set, code_set_of(loc), sizeof last_format.code_set);
    last_format.bytes_usable = format::format_bytes_usable(loc);
    return true;
}

// The format as wide characters: in the room when it fits, else in memory
// grown by doubling until the text ends inside it.
class WideFormat {
  public:
    // 0; -1 when the format is not text of the code set (the conversion's
    // error stored); GL_ENOMEM.
    int convert(Locale *loc, const char *format) {
        text_ = widened_before(loc, format);
        if (text_ != nullptr) {
            bytes_usable_ = last_format.bytes_usable;
            return 0;
        }
        int converted = format::widen_text(loc, room_, format, kRoom);
        if (converted < 0) return -1;
        text_ = room_;
        if (converted < kRoom) {
            bytes_usable_ = keep_widened(loc, format, room_, converted) && last_format.bytes_usable;
            return 0;
        }
        for (int64_t size = kFirstGrowth; size <= INT_MAX; size *= 2) {
            grown_ = host_alloc_unfilled<gl_wchar_t>(static_cast<size_t>(size));
            if (!grown_) return static_cast<int>(GL_ENOMEM);
            converted = format::widen_text(loc, grown_.get(), format, static_cast<int>(size));
            if (converted < 0) return -1;
            if (converted < size) {
                text_ = grown_.get();
                return 0;
            }
        }
        return static_cast<int>(GL_ENOMEM);
    }
    const gl_wchar_t *text() const { return text_; }
    // Whether the format may be written by format::format_bytes: the last
    // one widened in such a code set, which shows it to be text of it.
    bool bytes_usable() const { return bytes_usable_; }

  private:
    gl_wchar_t room_[kRoom];
    HostPtr<gl_wchar_t> grown_;
    const gl_wchar_t *text_ = nullptr;
    bool bytes_usable_ = false;
};

bool single_byte_tables(const Locale *loc) {
    return loc->ctype.single_byte != 0 && loc->ext_flags[category_slot(kCatCtype)] != 1;
}

// The wide result as bytes with the terminator, only when all of it fits
// output_max bytes: the bytes before the terminator, or -1 (error stored).
int narrow(Locale *loc, char *output, int output_max, const gl_wchar_t *text, int length) {
    auto *out = reinterpret_cast<unsigned char *>(output);
    if (single_byte_tables(loc)) {
        if (length >= output_max) {
            gl_set_error(loc, GL_E2BIG);
            return -1;
        }
        return _gl_is_wcstombs(loc, out, text, output_max);
    }
    const int narrowed = format::narrow_text(loc, output, output_max, text, length);
    if (narrowed >= 0 || narrowed == -1) return narrowed;
    if (narrowed == -3) {
        gl_set_error(loc, GL_E2BIG);
        return -1;
    }
    // Other code sets (characters of two bytes or more, the extension's).
    const int64_t terminator = std::max(1, gl_mb_loc_min(loc));
    const int64_t per_char = std::clamp(gl_mb_loc_max(loc), 1, kMaxCharBytes);
    const int64_t bound = int64_t{length} * per_char + terminator;
    if (bound <= output_max) return gl_full_wcstombs(loc, out, text, output_max);
    // It may not fit: converted aside first, so that nothing partial is
    // handed over.
    unsigned char room[kRoom * kMaxCharBytes + kMaxCharBytes];
    HostPtr<unsigned char> grown;
    unsigned char *scratch = room;
    if (bound > static_cast<int64_t>(sizeof room)) {
        grown = host_alloc_unfilled<unsigned char>(static_cast<size_t>(bound));
        if (!grown) {
            gl_set_error(loc, GL_ENOMEM);
            return -1;
        }
        scratch = grown.get();
    }
    const int bytes = gl_full_wcstombs(loc, scratch, text, static_cast<int>(bound));
    if (bytes < 0) return -1;
    if (bytes + terminator > output_max) {
        gl_set_error(loc, GL_E2BIG);
        return -1;
    }
    std::memcpy(out, scratch, static_cast<size_t>(bytes + terminator));
    return bytes;
}

}  // namespace

int gl_mbsftime1(Locale *loc, char *output, int output_max, const char *format,
                 const CalendarTime *record, int *char_counter, int *byte_counter, int date_flag) {
    if (loc == nullptr) return 0;
    if (format == nullptr) {
        gl_set_error(loc, GL_ENOFORMAT);
        return 0;
    }
    WideFormat wide;
    const int converted = wide.convert(loc, format);
    if (converted == -1) return -1;
    if (converted != 0) {
        gl_set_error(loc, GL_ENOMEM);
        return 0;
    }
    if (char_counter != nullptr || byte_counter != nullptr) {
        return gl_wcsftime1(loc, nullptr, 0, wide.text(), record, char_counter, byte_counter,
                            date_flag);
    }
    if (output == nullptr) {
        gl_set_error(loc, GL_ENULLARG);
        return 0;
    }
    if (output_max < 1) {
        gl_set_error(loc, GL_E2BIG);
        return 0;
    }

    // The locale's texts are already in the output's code set: written as
    // they are, with no wide result to narrow, unless the call needs more.
    if (wide.bytes_usable()) {
        int written = 0;
        if (format::format_bytes(loc, output, output_max, format, record, date_flag, &written) == 0)
            return written;
        output[0] = '\0';
    }

    // Room for output_max + 1 wide characters; the first 256 on the stack,
    // and more only when a longer result needs them.
    const int64_t wanted = std::min<int64_t>(int64_t{output_max} + 1, INT_MAX);
    gl_wchar_t room[kRoom];
    HostPtr<gl_wchar_t> grown;
    const gl_wchar_t *text = room;
    int written = 0;
    uint32_t error =
        format::format_wide(loc, room, static_cast<int>(std::min<int64_t>(wanted, kRoom)),
                            wide.text(), record, date_flag, &written);
    if ((error == GL_E2BIG || error == GL_EYEAROUT) && wanted > kRoom) {
        grown = host_alloc_unfilled<gl_wchar_t>(static_cast<size_t>(wanted));
        if (!grown) {
            gl_set_error(loc, GL_ENOMEM);
            return 0;
        }
        text = grown.get();
        error = format::format_wide(loc, grown.get(), static_cast<int>(wanted), wide.text(), record,
                                    date_flag, &written);
    }
    if (error != 0) {
        if (error != kConversionFailed) gl_set_error(loc, error);
        return 0;
    }
    const int bytes = narrow(loc, output, output_max, text, written);
    return bytes < 0 ? 0 : bytes;
}

int gl_mbsfmtexpand(Locale *loc, int kind, const char *format) {
    if (loc == nullptr || kind != 1) return -1;
    if (format == nullptr) {
        gl_set_error(loc, GL_ENOFORMAT);
        return -1;
    }
    WideFormat wide;
    const int converted = wide.convert(loc, format);
    if (converted != 0) {
        if (converted != -1) gl_set_error(loc, GL_ENOMEM);
        return -1;
    }
    int64_t chars = 0;
    int64_t bytes = 0;
    if (const uint32_t error = format::measure_wide(loc, wide.text(), &chars, &bytes)) {
        gl_set_error(loc, error);
        return -1;
    }
    return static_cast<int>(std::min<int64_t>(bytes, INT_MAX));
}

}  // namespace gls
