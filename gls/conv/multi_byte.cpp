// Converters that walk the first tree with the input's bytes: the
// multi-byte converter, which writes each record's own bytes, and the
// little-endian target converter, which writes a 2- or 4-byte unit with the
// record's bytes reversed. One-byte characters that convert exactly come
// from the lead table, and plain ASCII that maps to itself goes by words
// (but for the few bytes that stop the words).
#include "gls/conv/conv_internal.h"

namespace gls {

namespace {

constexpr uint8_t kAsciiLimit = 0x80;
// The pair index looks at up to three bytes of a character.
constexpr size_t kPairBytes = 3;

// The record of a character of two or three bytes found through the pair
// index (at least three bytes of input are there) when it converts, or null
// for anything else, which the full walk then settles.
inline const uint8_t *pair_record(const CvDesc *cd, const unsigned char *in, size_t *used) {
    const unsigned row = cd->pair_row[in[0]];
    if (row == 0) return nullptr;
    const uintptr_t slot = cd->pair_slots[size_t{row - 1} * kMultiFanout + in[1]];
    const auto *records = reinterpret_cast<const uint8_t *>(slot & ~kCvPairMarks);
    if ((slot & kCvPairRecord) != 0) {
        *used = 2;
        return records;
    }
    if ((slot & kCvPairRecords) == 0) return nullptr;
    const uint8_t *record = records + (size_t{in[2]} << kCvRecordShift);
    if (!record_converts(record)) return nullptr;
    *used = kPairBytes;
    return record;
}

// Converts the characters at the input that the pair index finds, one
// after another, while the output has room. The characters converted.
template <bool kMeasure>
size_t pair_run(const CvDesc *cd, CvCall &c) {
    size_t converted = 0;
    while (c.in_left >= kPairBytes) {
        size_t used = 0;
        const uint8_t *record = pair_record(cd, c.in, &used);
        if (record == nullptr) break;
        const size_t count = record_count(record);
        if (count > c.out_left) break;
        if ((record[0] & kCvInexact) != 0) c.inexact = 1;
        put_bytes<kMeasure>(c, record + 1, count);
        c.in += used;
        c.in_left -= used;
        ++converted;
    }
    return converted;
}

// kUnit 0: the record's own byte count, in stored order; 2 or 4: that many
// bytes, last first.
template <int kUnit>
struct WalkTree {
    template <bool kTerminated, bool kMeasure>
    struct Body {
        static int run(CvDesc *cd, CvState * /*state*/, CvCall &c) {
            const multi_tree_t *tree = cd->tree;
            const CvLeadEntry *lead = cd->lead;
            // Terminated input may end inside the bytes the index looks at.
            const bool pairs = !kTerminated && cd->pair_slots != nullptr;
            // Terminated input is never read ahead of the character at hand.
            const bool words = !kTerminated && kUnit == 0 && cd->ascii_words != 0;
            while (c.in_left > 0) {
                if (words && *c.in < kAsciiLimit) {
                    copy_ascii_words<kMeasure>(c, cd);
                    if (c.in_left == 0) break;
                }
                const CvLeadEntry &entry = lead[*c.in];
                if (entry.length != 0 && entry.length <= c.out_left) {
                    put_bytes<kMeasure>(c, entry.bytes, entry.length);
                    ++c.in;
                    --c.in_left;
                    continue;
                }
                if constexpr (kUnit == 0) {
                    if (pairs && pair_run<kMeasure>(cd, c) > 0) continue;
                }
                size_t used = 0;
                uint32_t error = 0;
                const uint8_t *record =
                    walk_record<kTerminated>(tree, c.in, c.in_left, &used, &error);
                if (record == nullptr) return fail_lookup(cd, error);
                if (!record_converts(record)) return fail_illegal(cd);
                if ((record[0] & kCvInexact) != 0) c.inexact = 1;
                if constexpr (kUnit == 0) {
                    const size_t count = record_count(record);
                    if (count > c.out_left) return fail_too_big(cd);
                    put_bytes<kMeasure>(c, record + 1, count);
                } else {
                    if (c.out_left < kUnit) return fail_too_big(cd);
                    uint8_t unit[kCvMaxCharLength] = {};
                    for (int i = 0; i < kUnit; ++i)
                        unit[i] = record[kUnit - i];
                    put_bytes<kMeasure>(c, unit, kUnit);
                }
                c.in += used;
                c.in_left -= used;
                if (kTerminated && ((record[0] & kCvTerminator) != 0 || c.in[-1] == 0)) break;
            }
            return 0;
        }
    };
};

}  // namespace

int cv_multi_byte(CvDesc *cd, CvState *state, const unsigned char **in, size_t *in_left,
                  unsigned char **out, size_t *out_left, int *inexact) {
    return run_converter<WalkTree<0>::Body>(cd, state, in, in_left, out, out_left, inexact);
}

int cv_le_target(CvDesc *cd, CvState *state, const unsigned char **in, size_t *in_left,
                 unsigned char **out, size_t *out_left, int *inexact) {
    if (le_unit_width(cd->target_min_len, cd->target_max_len) == 4)
        return run_converter<WalkTree<4>::Body>(cd, state, in, in_left, out, out_left, inexact);
    return run_converter<WalkTree<2>::Body>(cd, state, in, in_left, out, out_left, inexact);
}

}  // namespace gls
