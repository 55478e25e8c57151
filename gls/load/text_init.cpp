// Completing the numeric, monetary and messages sections after they are
// read: wide copies, and the converted values that hand them out in one
// piece.
#include <climits>
#include <cstring>

#include "gls/load/load_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr size_t kTerminatorBytes = 4;
constexpr int kMaxUnit = 4;
constexpr int8_t kNotGivenByte = 127;

// The first run of four zero bytes: every text of a section ends in one,
// so the scan never leaves the text's block.
size_t four_zero_offset(const char *text) {
    size_t zeros = 0;
    size_t i = 0;
    for (; zeros < kTerminatorBytes; ++i)
        zeros = text[i] == '\0' ? zeros + 1 : 0;
    return i - kTerminatorBytes;
}

bool all_zero(const char *bytes, int unit) {
    for (int i = 0; i < unit; ++i) {
        if (bytes[i] != '\0') return false;
    }
    return true;
}

// Replaces a text's wide copy by a fresh one.
bool rewiden(Locale *loc, LocaleText *text) {
    _gl_free_ptr(text->wc);
    text->wc = nullptr;
    return alloc_wc_from_mb(loc, &text->wc, text->mb) == 0;
}

// Byte and wide copies of one text for the converted values. A text too
// long to convert is left out, as mbscpy leaves it.
bool convert_text(Locale *loc, LocaleText *out, const char *text) {
    out->mb = mbscpy(text);
    if (out->mb == nullptr && text != nullptr && four_zero_offset(text) <= kMaxConvertedText) {
        gl_set_error(loc, GL_ENOMEM);
        return false;
    }
    return alloc_wc_from_mb(loc, &out->wc, out->mb) == 0;
}

bool convert_grouping(Locale *loc, char **out, const Grouping *group) {
    *out = grpcpy(group);
    if (*out == nullptr && group->count > 0) {
        gl_set_error(loc, GL_ENOMEM);
        return false;
    }
    return true;
}

}  // namespace

// The terminator is as many zero bytes as the shortest character, at a
// character boundary; the search stays within the four zero bytes that end
// every text, and falls back on them when no aligned terminator lies there.
size_t _gl_text_bytes(Locale *loc, const char *text) {
    size_t limit = four_zero_offset(text);
    int unit = 1;
    if (loc != nullptr && loc->ctype.char_tree != nullptr) {
        unit = _gl_multi_min_length(loc->ctype.char_tree);
        if (unit < 1 || unit > kMaxUnit) unit = 1;
    }
    const auto step = static_cast<size_t>(unit);
    for (size_t p = 0; p + step <= limit + kTerminatorBytes; p += step) {
        if (all_zero(text + p, unit)) return p;
    }
    return limit;
}

int alloc_wc_from_mb(Locale *loc, gl_wchar_t **out, const char *text) {
    *out = nullptr;
    if (text == nullptr) return 0;
    size_t length = _gl_text_bytes(loc, text);
    if (loc->primitives.mbstowcs == nullptr) return -1;
    if (length >= INT_MAX) {
        gl_set_error(loc, GL_ENOMEM);
        return -1;
    }
    HostPtr<gl_wchar_t> wide = host_alloc<gl_wchar_t>(length + 1);
    if (!wide) {
        gl_set_error(loc, GL_ENOMEM);
        return -1;
    }
    int converted =
        loc->primitives.mbstowcs(loc, wide.get(), reinterpret_cast<const unsigned char *>(text),
                                 static_cast<int>(length + 1));
    if (converted < 0) return -1;
    wide.get()[length] = 0;
    *out = wide.release();
    return 0;
}

char *mbscpy(const char *text) {
    if (text == nullptr) return nullptr;
    size_t length = four_zero_offset(text);
    if (length > kMaxConvertedText) return nullptr;
    HostPtr<char> copy = host_alloc<char>(length + kTerminatorBytes);
    if (copy) std::memcpy(copy.get(), text, length);
    return copy.release();
}

char *grpcpy(const Grouping *group) {
    if (group->count < 1 || group->count > kMaxGroups) return nullptr;
    const auto count = static_cast<size_t>(group->count);
    HostPtr<char> bytes = host_alloc<char>(count + 1);
    if (!bytes) return nullptr;
    for (size_t i = 0; i < count; ++i)
        bytes.get()[i] = static_cast<char>(group->sizes[i]);
    return bytes.release();
}

int load_glconv_numeric(Locale *loc) {
    ConvertedValues &c = loc->converted;
    const TextSection &t = loc->text;
    bool ok = convert_text(loc, &c.decimal_point, t.decimal_point.mb) &&
              convert_text(loc, &c.thousands_sep, t.thousands_sep.mb) &&
              convert_grouping(loc, &c.grouping, &t.grouping) &&
              convert_text(loc, &c.positive_sign, t.positive_sign.mb) &&
              convert_text(loc, &c.negative_sign, t.negative_sign.mb);
    return ok ? 0 : -1;
}

int load_glconv_monetary(Locale *loc) {
    ConvertedValues &c = loc->converted;
    const TextSection &t = loc->text;
    bool ok = convert_text(loc, &c.int_curr_symbol, t.int_curr_symbol.mb) &&
              convert_text(loc, &c.currency_symbol, t.currency_symbol.mb) &&
              convert_text(loc, &c.mon_decimal_point, t.mon_decimal_point.mb) &&
              convert_text(loc, &c.mon_thousands_sep, t.mon_thousands_sep.mb) &&
              convert_grouping(loc, &c.mon_grouping, &t.mon_grouping) &&
              convert_text(loc, &c.mon_positive_sign, t.mon_positive_sign.mb) &&
              convert_text(loc, &c.mon_negative_sign, t.mon_negative_sign.mb);
    for (int i = 0; i < kMonetaryValueCount; ++i) {
        c.monetary[i] =
            t.monetary[i] == kValueNotGiven ? kNotGivenByte : static_cast<int8_t>(t.monetary[i]);
    }
    return ok ? 0 : -1;
}

int _gl_require_ctype(Locale *loc) {
    if (loc->ctype.char_tree == nullptr) return -1;
    if (set_function_pointers(loc) != 0) return -1;
    if (_gl_multi_max_length(loc->ctype.char_tree) == 0) {
        gl_set_error(loc, GL_ENOCTYPE);
        return 0;
    }
    return 1;
}

bool _gl_rewiden_all(Locale *loc, std::initializer_list<LocaleText *> texts) {
    for (LocaleText *text : texts) {
        if (!rewiden(loc, text)) return false;
    }
    return true;
}

int init_numeric_info(Locale *loc) {
    int status = _gl_require_ctype(loc);
    if (status < 1) return status;
    TextSection &t = loc->text;
    if (!_gl_rewiden_all(
            loc, {&t.decimal_point, &t.thousands_sep, &t.positive_sign, &t.negative_sign})) {
        return -1;
    }
    free_glconv_numeric(loc);
    return load_glconv_numeric(loc) == 0 ? 1 : -1;
}

int init_monetary_info(Locale *loc) {
    int status = _gl_require_ctype(loc);
    if (status < 1) return status;
    TextSection &t = loc->text;
    if (!_gl_rewiden_all(loc, {&t.int_curr_symbol, &t.currency_symbol, &t.mon_decimal_point,
                               &t.mon_thousands_sep, &t.mon_positive_sign, &t.mon_negative_sign})) {
        return -1;
    }
    free_glconv_monetary(loc);
    return load_glconv_monetary(loc) == 0 ? 1 : -1;
}

int init_message_info(Locale *loc) {
    int status = _gl_require_ctype(loc);
    if (status < 1) return status;
    TextSection &t = loc->text;
    return _gl_rewiden_all(loc, {&t.yesexpr, &t.noexpr, &t.yesstr, &t.nostr}) ? 1 : -1;
}

}  // namespace gls
