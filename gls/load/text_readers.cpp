// Readers of the numeric, monetary and messages sections of a locale
// object file, and the counted-string and grouping lines they are made of.
#include "gls/load/load_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr size_t kTerminatorBytes = 4;

void store_first(uint32_t *error, uint32_t code) {
    if (*error == 0) *error = code;
}

// Reads one counted string into *slot; false when it failed (its code is
// in *error, replacing any earlier one).
bool read_text(FILE *stream, char **slot, uint32_t *error) {
    uint32_t code = 0;
    *slot = str_readallc(stream, &code);
    if (*slot != nullptr) return true;
    *error = code;
    return false;
}

}  // namespace

// The count is bounded before anything is allocated, and the end of the
// file or a damaged digit is noticed at the first bad byte rather than
// after n of them. Without memory the line is still read to its end, so
// that the fields after it are read from their own lines and the failure
// keeps its code.
char *str_readallc(FILE *stream, uint32_t *error) {
    int32_t count = 0;
    if (!_gl_read_int32(stream, &count) || count < 0 || count > kMaxCountedString) {
        *error = GL_EFILE;
        return nullptr;
    }
    _gl_skip_space_if_needed(stream);
    const auto bytes = static_cast<size_t>(count);
    HostPtr<char> text = host_alloc<char>(bytes + kTerminatorBytes);
    for (size_t i = 0; i < bytes; ++i) {
        uint8_t byte = 0;
        if (!_gl_read_hex_byte(stream, &byte)) {
            *error = GL_EFILE;
            return nullptr;
        }
        if (text) text.get()[i] = static_cast<char>(byte);
    }
    if (_gl_skip_nl(stream) != 1) {
        *error = GL_EFILE;
        return nullptr;
    }
    if (!text) *error = GL_ENOMEM;
    return text.release();
}

// Every size is a number of the 32-bit field it is kept in: anything else
// is a damaged line, not a size of 0.
int read_group(FILE *stream, Grouping *group, uint32_t *error) {
    int32_t count = 0;
    if (!_gl_read_int32(stream, &count)) {
        store_first(error, GL_ESHORTFILE);
        return -1;
    }
    if (count < 0 || count > kMaxGroups) {
        store_first(error, GL_EGROUPS);
        return -1;
    }
    _gl_skip_space_if_needed(stream);
    group->count = count;
    for (int32_t i = 0; i < count; ++i) {
        if (!_gl_read_int32(stream, &group->sizes[i])) {
            store_first(error, GL_ESHORTFILE);
            return -1;
        }
        _gl_skip_space_if_needed(stream);
    }
    if (_gl_skip_nl(stream) != 1) {
        store_first(error, GL_ESHORTFILE);
        return -1;
    }
    return 0;
}

int _gl_read_numeric(FILE *stream, TextSection *text, uint32_t *error) {
    if (!read_text(stream, &text->decimal_point.mb, error)) return -1;
    if (!read_text(stream, &text->thousands_sep.mb, error)) return -1;
    if (read_group(stream, &text->grouping, error) != 0) return -1;
    if (!read_text(stream, &text->positive_sign.mb, error)) return -1;
    if (!read_text(stream, &text->negative_sign.mb, error)) return -1;
    return 0;
}

// The seven fields are read even after one fails, so that the section
// reports the last counted-string failure; a damaged grouping line, or an
// error present at one of the three checks, ends the read.
int _gl_read_monetary(FILE *stream, TextSection *text, uint32_t *error) {
    (void)read_text(stream, &text->int_curr_symbol.mb, error);
    if (*error != 0) return -1;
    (void)read_text(stream, &text->currency_symbol.mb, error);
    (void)read_text(stream, &text->mon_decimal_point.mb, error);
    (void)read_text(stream, &text->mon_thousands_sep.mb, error);
    if (read_group(stream, &text->mon_grouping, error) != 0 && *error != 0) return -1;
    (void)read_text(stream, &text->mon_positive_sign.mb, error);
    (void)read_text(stream, &text->mon_negative_sign.mb, error);
    for (int i = 0; i < kMonetaryValueCount; ++i) {
        if (!_gl_read_int32(stream, &text->monetary[i]) || _gl_skip_nl(stream) != 1)
            store_first(error, GL_ESHORTFILE);
        if (i == kMonetaryValueCount - 2 && *error != 0) return -1;
    }
    return *error != 0 ? -1 : 0;
}

int _gl_read_messages(FILE *stream, TextSection *text, uint32_t *error) {
    if (!read_text(stream, &text->yesexpr.mb, error)) return -1;
    if (!read_text(stream, &text->noexpr.mb, error)) return -1;
    if (!read_text(stream, &text->yesstr.mb, error)) return -1;
    if (!read_text(stream, &text->nostr.mb, error)) return -1;
    return 0;
}

}  // namespace gls
