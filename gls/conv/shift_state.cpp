// Shift-state conversion: the input is read through the first or second
// tree as the caller's state says, records switch the input between them,
// and the output enters and leaves its shifted set with the shift-out and
// shift-in sequences, closing it after the last character when asked.
#include "gls/conv/conv_internal.h"

namespace gls {

namespace {

constexpr size_t kMaxLookupLimit = 0x7FFFFFFF;

// The bytes a look-up may read. A terminated input is scanned no further
// than its first zero byte, which ends it.
template <bool kTerminated>
int lookup_limit(const CvCall &c) {
    size_t limit = c.in_left < kMaxLookupLimit ? c.in_left : kMaxLookupLimit;
    if constexpr (kTerminated) {
        size_t i = 0;
        while (i < kCvMaxCharLength && i < limit && c.in[i] != 0)
            ++i;
        limit = i < kCvMaxCharLength && i < limit ? i + 1 : i;
    }
    return static_cast<int>(limit);
}

template <bool kTerminated, bool kMeasure>
struct ShiftState {
    static int run(CvDesc *cd, CvState *state, CvCall &c) {
        if (state->reset != 0) {
            state->selector = 0;
            state->shifted = 0;
        }
        bool second = state->selector != 0;
        bool shifted = state->shifted != 0;
        const bool close = state->close != 0;
        const size_t shift_out = static_cast<size_t>(cd->special_lengths[kCvShiftOut]);
        const size_t shift_in = static_cast<size_t>(cd->special_lengths[kCvShiftIn]);
        int rc = 0;
        while (c.in_left > 0) {
            int used = 0;
            const uint8_t *record = _gl_retrieve_text_multi_limit(
                c.in, second ? cd->shift_tree : cd->tree, lookup_limit<kTerminated>(c), &used, cd);
            if (record == nullptr) {
                rc = fail_logged(cd);
                break;
            }
            if (!record_converts(record)) {
                rc = fail_illegal(cd);
                break;
            }
            const uint8_t flags = record[0];
            if ((flags & kCvInexact) != 0) c.inexact = 1;
            const auto length = static_cast<size_t>(used);
            const bool last =
                length == c.in_left ||
                (kTerminated && ((flags & kCvTerminator) != 0 || c.in[length - 1] == 0));
            const bool out_shifted = (flags & kCvShiftedOut) != 0;
            const size_t before = out_shifted == shifted ? 0 : out_shifted ? shift_out : shift_in;
            const bool closing = close && out_shifted && last;
            const size_t count = record_count(record);
            if (before + count + (closing ? shift_in : 0) > c.out_left) {
                rc = fail_too_big(cd);
                break;
            }
            if (before != 0)
                put_bytes<kMeasure>(c, cd->special[out_shifted ? kCvShiftOut : kCvShiftIn], before);
            put_bytes<kMeasure>(c, record + 1, count);
            if (closing) put_bytes<kMeasure>(c, cd->special[kCvShiftIn], shift_in);
            shifted = out_shifted && !closing;
            if ((flags & kCvSwitchInput) != 0) second = !second;
            c.in += length;
            c.in_left -= length;
            if (kTerminated && last) break;
        }
        state->selector = second ? 1 : 0;
        state->shifted = shifted ? 1 : 0;
        return rc;
    }
};

}  // namespace

int cv_shift_state(CvDesc *cd, CvState *state, const unsigned char **in, size_t *in_left,
                   unsigned char **out, size_t *out_left, int *inexact) {
    return run_converter<ShiftState>(cd, state, in, in_left, out, out_left, inexact);
}

}  // namespace gls
