// Character-level readers of the library's text data files: decimal
// integers separated by single blanks, fixed-width hexadecimal fields,
// floating-point numbers and words.
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "gls/util/digits.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr int kBlank = ' ';
constexpr int kNewline = '\n';
constexpr int kMaxHexDigits = 8;
constexpr int kMaxDblChars = 80;

// The value of a hexadecimal digit; anything else counts as 0.
int hex_value(int c) {
    const int value = digit_value(c);
    return value < 0 ? 0 : value;
}

bool is_number_char(int c) {
    return is_digit(c) || c == 'e' || c == 'E' || c == '+' || c == '-' || c == '.';
}

}  // namespace

int _gl_skip_nl(FILE *stream) {
    int c = _gl_ext_getc(stream);
    if (c == kNewline) return 1;
    (void)_gl_ext_ungetc(c, stream);
    return 0;
}

void _gl_skip_space_if_needed(FILE *stream) {
    int c = _gl_ext_getc(stream);
    if (c != kBlank && c != EOF) (void)_gl_ext_ungetc(c, stream);
}

int _gl_get_hex_digit(FILE *stream) {
    return hex_value(_gl_ext_getc(stream));
}

int _gl_get_hex_byte(FILE *stream) {
    int high = _gl_get_hex_digit(stream);
    return (high << 4) | _gl_get_hex_digit(stream);
}

uint32_t _gl_get_hex(FILE *stream, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count && i < kMaxHexDigits; ++i) {
        value = (value << 4) | static_cast<uint32_t>(hex_value(_gl_ext_fgetc(stream)));
    }
    return value;
}

// A first character that is neither a digit nor a sign is consumed and the
// value is 0; the file formats never put one there.
long _gl_get_int(FILE *stream) {
    // The optional blank, skipped without pushing the first character back.
    int c = _gl_ext_getc(stream);
    if (c == kBlank || c == EOF) c = _gl_ext_getc(stream);
    if (!is_digit(c) && c != '+' && c != '-') return 0;
    // The number's first character in hand; the one after it goes back.
    int ahead = c;
    const long value = _gl_get_int_ahead(stream, &ahead);
    (void)_gl_ext_ungetc(ahead, stream);
    return value;
}

long _gl_get_int_ahead(FILE *stream, int *ahead) {
    return decimal_field::get_int_ahead(stream, ahead, [](FILE *s) { return _gl_ext_getc(s); });
}

bool _gl_read_hex_byte(FILE *stream, uint8_t *byte) {
    int value = 0;
    for (int i = 0; i < 2; ++i) {
        const int digit = digit_value(_gl_ext_getc(stream));
        if (digit < 0) return false;
        value = (value << 4) | digit;
    }
    *byte = static_cast<uint8_t>(value);
    return true;
}

bool _gl_read_int32(FILE *stream, int32_t *value) {
    int c = _gl_ext_getc(stream);
    if (c == kBlank) c = _gl_ext_getc(stream);
    const int sign = c;
    if (c == '+' || c == '-') c = _gl_ext_getc(stream);
    if (!is_digit(c)) {
        (void)_gl_ext_ungetc(c, stream);
        return false;
    }
    // The number as _gl_get_int reads it, from its sign or first digit.
    int ahead = c;
    long number = _gl_get_int_ahead(stream, &ahead);
    (void)_gl_ext_ungetc(ahead, stream);
    if (sign == '-') number = -number;
    if (number < INT32_MIN || number > INT32_MAX) return false;
    *value = static_cast<int32_t>(number);
    return true;
}

// Characters of a longer number than 80 are read and dropped, as for
// integers, so the next field starts where it should.
double _gl_get_dbl(FILE *stream) {
    char text[kMaxDblChars + 1];
    int len = 0;
    int c;
    while (is_number_char(c = _gl_ext_getc(stream))) {
        if (len < kMaxDblChars) text[len++] = static_cast<char>(c);
    }
    (void)_gl_ext_ungetc(c, stream);
    text[len] = '\0';
    return std::strtod(text, nullptr);
}

int _gl_get_str(char *buf, int size, FILE *stream) {
    if (size < 1) return -1;
    int len = 0;
    int status = -1;
    while (len < size - 1) {
        int c = _gl_ext_getc(stream);
        if (c == EOF) break;
        if (std::isspace(c)) {
            (void)_gl_ext_ungetc(c, stream);
            status = 0;
            break;
        }
        buf[len++] = static_cast<char>(c);
    }
    buf[len] = '\0';
    return status;
}

int check_nl(const char *line) {
    size_t len = line != nullptr ? std::strlen(line) : 0;
    return len == 0 || line[len - 1] != kNewline ? 1 : 0;
}

int replace_nl(char *line) {
    size_t len = line != nullptr ? std::strlen(line) : 0;
    if (len == 0 || line[len - 1] != kNewline) return 1;
    line[len - 1] = '\0';
    return 0;
}

}  // namespace gls
