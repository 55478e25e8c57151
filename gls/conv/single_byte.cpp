// Single-byte to single-byte: every byte is a character of the first
// level. Bytes the table marks exact are looked up there; the others take
// their record, which carries the terminator, inexact and missing cases.
#include "gls/conv/conv_internal.h"

namespace gls {

namespace {

constexpr uint8_t kAsciiLimit = 0x80;

// Converts the run of table-exact bytes at the input, as far as the output
// has room; with words, stops at the start of an ASCII run so that the run
// goes by whole words. The bytes converted.
template <bool kMeasure>
size_t exact_run(const CvByteTable *table, CvCall &c, bool words) {
    const size_t n = c.in_left < c.out_left ? c.in_left : c.out_left;
    size_t i = 0;
    for (; i < n; ++i) {
        const uint8_t byte = c.in[i];
        if (table->exact[byte] == 0 || (words && byte < kAsciiLimit && i > 0)) break;
        if constexpr (!kMeasure) c.out[i] = table->output[byte];
    }
    c.in += i;
    c.in_left -= i;
    if constexpr (!kMeasure) c.out += i;
    c.out_left -= i;
    return i;
}

template <bool kTerminated, bool kMeasure>
struct SingleByte {
    static int run(CvDesc *cd, CvState * /*state*/, CvCall &c) {
        const multi_tree_t *tree = cd->tree;
        const multi_arr_t &root = tree->root;
        const CvByteTable *table = cd->byte_table;
        // Terminated input is never read ahead of the character at hand.
        const bool words = !kTerminated && cd->ascii_words != 0;
        while (c.in_left > 0) {
            if (table != nullptr) {
                if (words) copy_ascii_words<kMeasure>(c, cd);
                if (c.in_left == 0) break;
                if (exact_run<kMeasure>(table, c, words) > 0) continue;
            }
            const uint8_t byte = *c.in;
            if (root.flags[byte] != kMultiEnds) return fail_lookup(cd, GL_EILSEQ);
            const uint8_t *record = root.data != nullptr
                                        ? root.data + (size_t{byte} << kCvRecordShift)
                                        : tree->default_element;
            if (!record_converts(record)) return fail_illegal(cd);
            if ((record[0] & kCvInexact) != 0) c.inexact = 1;
            if (c.out_left < 1) return fail_too_big(cd);
            if constexpr (!kMeasure) *c.out++ = record[1];
            --c.out_left;
            ++c.in;
            --c.in_left;
            if (kTerminated && ((record[0] & kCvTerminator) != 0 || byte == 0)) break;
        }
        return 0;
    }
};

}  // namespace

int cv_single_byte(CvDesc *cd, CvState *state, const unsigned char **in, size_t *in_left,
                   unsigned char **out, size_t *out_left, int *inexact) {
    return run_converter<SingleByte>(cd, state, in, in_left, out, out_left, inexact);
}

}  // namespace gls
