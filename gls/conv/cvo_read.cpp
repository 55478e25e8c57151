// Reading a conversion file: the header lines, the five body lines, then
// one or two trees of conversion records. Every number is checked before
// the descriptor takes it, and the trees are checked once read, so that the
// converters can walk them without checks of their own.
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gls/conv/conv.h"
#include "gls/conv/conv_internal.h"
#include "gls/util/digits.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr const char *kFileTypeLine = "FILE_TYPE=codeset_conversion_object\n";
constexpr const char *kVersionLine = "COMPILER_VERSION=9\n";
constexpr const char *kMsgWrongType = "Invalid CVO file. Wrong FILE_TYPE.";
constexpr const char *kMsgWrongVersion = "Invalid CVO file. Wrong Version.";
constexpr const char *kMsgBadHeader = "Invalid CVO file. Bad header.";
constexpr const char *kMsgBadBody = "Invalid CVO file. Bad body line.";
constexpr const char *kMsgTargetLength = "cv->target_max_len should be in range 1..4";
constexpr const char *kMsgLoaded = "CVO file loaded successfully.";

constexpr int kBlank = ' ';
constexpr int kNewline = '\n';
constexpr int kMaxIntDigits = 10;
constexpr int kMaxRealChars = 40;
constexpr int kHexBase = 16;
// The most output any one input byte can ask for: a 4-byte character with
// shift sequences on both sides.
constexpr double kMaxExpansion = 16.0;

// What the five body lines hold, before any of it reaches the descriptor.
struct Body {
    int32_t source_shift = 0;
    int32_t target_shift = 0;
    int32_t special_lengths[kCvSpecialCount] = {};
    uint8_t special[kCvSpecialCount][kCvMaxCharLength] = {};
    int32_t lengths[6] = {};  // target min, max, two further, source min, max
    int32_t table_flag = 0;
    double expansion = 0;
};

// The header: the file type, the version, the count of header lines, and
// the lines that count says to skip.
bool read_header(FILE *stream) {
    switch (read_framed_header(stream, kFileTypeLine, kVersionLine)) {
        case FramedHeader::kOk:
            return true;
        case FramedHeader::kWrongFileType:
            gl_message(kMsgWrongType);
            return false;
        case FramedHeader::kNoVersion:
        case FramedHeader::kWrongVersion:
            gl_message(kMsgWrongVersion);
            return false;
        default:
            gl_message(kMsgBadHeader);
            return false;
    }
}

bool expect(FILE *stream, int wanted) {
    return _gl_ext_getc(stream) == wanted;
}

// An optional sign and 1 to 10 digits that fit 32 bits, after one blank when
// blank_first says so; the character after them is left in the stream.
bool read_int(FILE *stream, bool blank_first, int32_t *value) {
    int c = _gl_ext_getc(stream);
    if (blank_first && c == kBlank) c = _gl_ext_getc(stream);
    const bool negative = c == '-';
    if (c == '-' || c == '+') c = _gl_ext_getc(stream);
    int64_t result = 0;
    int digits = 0;
    for (; c >= '0' && c <= '9'; c = _gl_ext_getc(stream)) {
        if (++digits > kMaxIntDigits) return false;
        result = result * 10 + (c - '0');
    }
    (void)_gl_ext_ungetc(c, stream);
    if (negative) result = -result;
    if (digits == 0 || result < INT32_MIN || result > INT32_MAX) return false;
    *value = static_cast<int32_t>(result);
    return true;
}

// Integers separated by single blanks (the first may follow one), then the
// line feed.
bool read_int_line(FILE *stream, int32_t *values, int count) {
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !expect(stream, kBlank)) return false;
        if (!read_int(stream, i == 0, &values[i])) return false;
    }
    return expect(stream, kNewline);
}

int hex_digit(FILE *stream) {
    return digit_value(_gl_ext_getc(stream));
}

// Four sequences, each a length digit (0 to 4) and that many bytes.
bool read_specials(FILE *stream, Body &body) {
    for (int s = 0; s < kCvSpecialCount; ++s) {
        const int length = hex_digit(stream);
        if (length < 0 || length > static_cast<int>(kCvMaxCharLength)) return false;
        body.special_lengths[s] = length;
        for (int i = 0; i < length; ++i) {
            const int high = hex_digit(stream);
            const int low = high < 0 ? -1 : hex_digit(stream);
            if (low < 0) return false;
            body.special[s][i] = static_cast<uint8_t>(high * kHexBase + low);
        }
    }
    return expect(stream, kNewline);
}

// Digits, signs, points and exponent letters, all of which must make one
// finite number.
bool read_real_line(FILE *stream, double *value) {
    char text[kMaxRealChars + 1];
    int length = 0;
    int c = _gl_ext_getc(stream);
    for (; (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
         c = _gl_ext_getc(stream)) {
        if (length == kMaxRealChars) return false;
        text[length++] = static_cast<char>(c);
    }
    text[length] = '\0';
    if (c != kNewline || length == 0) return false;
    char *end = nullptr;
    const double parsed = std::strtod(text, &end);
    if (*end != '\0' || !std::isfinite(parsed)) return false;
    *value = parsed;
    return true;
}

bool read_body(FILE *stream, Body &body) {
    int32_t shifts[2] = {};
    if (!read_int_line(stream, shifts, 2)) return false;
    body.source_shift = shifts[0];
    body.target_shift = shifts[1];
    return read_specials(stream, body) && read_int_line(stream, body.lengths, 6) &&
           read_int_line(stream, &body.table_flag, 1) && read_real_line(stream, &body.expansion);
}

bool valid_length_pair(int32_t min_len, int32_t max_len) {
    return min_len >= 1 && min_len <= max_len && max_len <= static_cast<int32_t>(kCvMaxCharLength);
}

// A record may announce no more bytes than the target's longest character.
bool records_fit(const uint8_t *data, uint32_t max_count) {
    for (size_t i = 0; i < static_cast<size_t>(kMultiFanout); ++i) {
        if (record_count(data + (i << kCvRecordShift)) > max_count) return false;
    }
    return true;
}

// Every node below the root has a flag array (a byte continued into it),
// and every record of every node fits the target.
bool node_is_sound(const multi_arr_t &node, uint32_t max_count) {
    if (node.flags == nullptr && node.child_count > 0) return false;
    if (node.data != nullptr && !records_fit(node.data, max_count)) return false;
    for (uint32_t i = 0; i < node.child_count; ++i) {
        if (node.next[i].flags == nullptr || !node_is_sound(node.next[i], max_count)) return false;
    }
    return true;
}

bool holds_characters(const multi_arr_t &root) {
    if (root.flags == nullptr) return false;
    for (int byte = 0; byte < kMultiFanout; ++byte) {
        if (root.flags[byte] != kMultiNoChar) return true;
    }
    return false;
}

// Reads one tree into *slot. 0, or the error number of the failure.
uint32_t read_tree(FILE *stream, multi_tree_t **slot, uint32_t max_count, bool must_hold_chars) {
    multi_tree_t *tree = _gl_create_multi(kCvRecordSize, 0, nullptr);
    if (tree == nullptr) return GL_ENOMEM;
    *slot = tree;
    if (_gl_fscanf_multi(stream, tree, kMultiLengthLimit, cv_record_reader) != 0) {
        const uint32_t error = _gl_multi_err(tree);
        return error != 0 ? error : GL_EFILE;
    }
    if (must_hold_chars && !holds_characters(tree->root)) return GL_EFILE;
    if (record_count(tree->default_element) > max_count || !node_is_sound(tree->root, max_count))
        return GL_EFILE;
    return 0;
}

void take_body(CvDesc *cd, const Body &body) {
    cd->source_shift = body.source_shift;
    cd->target_shift = body.target_shift;
    std::memcpy(cd->special_lengths, body.special_lengths, sizeof cd->special_lengths);
    std::memcpy(cd->special, body.special, sizeof cd->special);
    cd->target_min_len = body.lengths[0];
    cd->target_max_len = body.lengths[1];
    cd->further[0] = body.lengths[2];
    cd->further[1] = body.lengths[3];
    cd->source_min_len = body.lengths[4];
    cd->source_max_len = body.lengths[5];
    cd->table_flag = body.table_flag;
    cd->expansion = static_cast<float>(body.expansion);
}

int fail_read(CvDesc *cd, uint32_t error) {
    _gl_free_multi(cd->tree);
    _gl_free_multi(cd->shift_tree);
    cd->tree = nullptr;
    cd->shift_tree = nullptr;
    gl_set_error(cd, error);
    return -1;
}

}  // namespace

int gl_cv_read(CvDesc *cd, FILE *stream) {
    if (cd == nullptr) return -1;
    if (stream == nullptr || !read_header(stream)) return fail_read(cd, GL_EFILE);
    Body body;
    if (!read_body(stream, body)) {
        gl_message(kMsgBadBody);
        return fail_read(cd, GL_EFILE);
    }
    const int32_t target_max = body.lengths[1];
    if (target_max < 1 || target_max > static_cast<int32_t>(kCvMaxCharLength)) {
        gl_message(kMsgTargetLength);
        return fail_read(cd, GL_EFILE);
    }
    if (!valid_length_pair(body.lengths[0], target_max) ||
        !valid_length_pair(body.lengths[4], body.lengths[5]) || !(body.expansion > 0) ||
        body.expansion > kMaxExpansion) {
        gl_message(kMsgBadBody);
        return fail_read(cd, GL_EFILE);
    }
    take_body(cd, body);
    const auto max_count = static_cast<uint32_t>(target_max);
    if (uint32_t error = read_tree(stream, &cd->tree, max_count, true)) return fail_read(cd, error);
    if (cd->source_shift != 0) {
        if (uint32_t error = read_tree(stream, &cd->shift_tree, max_count, false))
            return fail_read(cd, error);
    }
    cv_choose_converter(cd);
    gl_message(kMsgLoaded);
    return 0;
}

}  // namespace gls
