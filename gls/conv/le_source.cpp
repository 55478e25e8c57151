// Little-endian Unicode source: the input is a run of 2- or 4-byte code
// units, least significant byte first, each looked up from its most
// significant byte. Output to a little-endian target is reversed too.
#include "gls/conv/conv_internal.h"

namespace gls {

namespace {

constexpr size_t kMaxLookupLimit = 0x7FFFFFFF;

// A unit is 4 bytes when both source lengths are 4, else 2.
int source_unit_width(const CvDesc *cd) {
    return le_unit_width(cd->source_min_len, cd->source_max_len) == 4 ? 4 : 2;
}

// One code unit, walked from its most significant (last) byte; the element
// is that of its first byte. Never reads outside the unit: a limit below
// the width is GL_EINVAL, a walk that does not end within it GL_EILSEQ,
// both stored in the descriptor's error cell.
const uint8_t *_gl_retrieve_little_endian_unicode_limit(const unsigned char *bytes,
                                                        const multi_tree_t *tree, int limit,
                                                        CvDesc *context) {
    const int width = source_unit_width(context);
    if (limit < width) {
        gl_set_error(context, GL_EINVAL);
        return nullptr;
    }
    const multi_arr_t *node = &tree->root;
    for (int i = width - 1; i >= 0; --i) {
        const uint8_t byte = bytes[i];
        const uint8_t flag = node->flags != nullptr ? node->flags[byte] : kMultiNoChar;
        if (flag == kMultiEnds) {
            const uint8_t first = bytes[0];
            return node->data != nullptr ? node->data + (size_t{first} << tree->shift)
                                         : tree->default_element;
        }
        if (flag != kMultiContinues || i == 0) break;
        node = &node->next[node->offsets[byte]];
    }
    gl_set_error(context, GL_EILSEQ);
    return nullptr;
}

bool zero_unit(const unsigned char *unit, int width) {
    for (int i = 0; i < width; ++i) {
        if (unit[i] != 0) return false;
    }
    return true;
}

template <bool kTerminated, bool kMeasure>
struct LeSource {
    static int run(CvDesc *cd, CvState * /*state*/, CvCall &c) {
        const multi_tree_t *tree = cd->tree;
        const int width = source_unit_width(cd);
        const bool reverse =
            cd->target_shift == 0 && le_unit_width(cd->target_min_len, cd->target_max_len) != 0;
        while (c.in_left > 0) {
            const int limit =
                static_cast<int>(c.in_left < kMaxLookupLimit ? c.in_left : kMaxLookupLimit);
            const uint8_t *record = _gl_retrieve_little_endian_unicode_limit(c.in, tree, limit, cd);
            // The look-up has stored its error number.
            if (record == nullptr) return fail_logged(cd);
            if (!record_converts(record)) return fail_illegal(cd);
            if ((record[0] & kCvInexact) != 0) c.inexact = 1;
            const size_t count = record_count(record);
            if (count > c.out_left) return fail_too_big(cd);
            if (reverse) {
                uint8_t bytes[kCvMaxCharLength] = {};
                for (size_t i = 0; i < count; ++i)
                    bytes[i] = record[count - i];
                put_bytes<kMeasure>(c, bytes, count);
            } else {
                put_bytes<kMeasure>(c, record + 1, count);
            }
            const bool last =
                kTerminated && ((record[0] & kCvTerminator) != 0 || zero_unit(c.in, width));
            c.in += width;
            c.in_left -= static_cast<size_t>(width);
            if (last) break;
        }
        return 0;
    }
};

}  // namespace

int cv_le_source(CvDesc *cd, CvState *state, const unsigned char **in, size_t *in_left,
                 unsigned char **out, size_t *out_left, int *inexact) {
    return run_converter<LeSource>(cd, state, in, in_left, out, out_left, inexact);
}

}  // namespace gls
