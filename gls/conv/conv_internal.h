// Pieces the converters share: the call's working copy of the caller's
// pointers, the direct tree walk, and the failure reports. Not part of the
// folder's interface.
#pragma once

#include <bit>
#include <cstring>

#include "gls/conv/conv.h"
#include "gls/util/util.h"

namespace gls {

inline constexpr uint32_t kCvRecordShift = 3;
static_assert((1U << kCvRecordShift) == kCvRecordSize);

inline constexpr const char *kMsgTranslation = "Error in Translation.";
inline constexpr const char *kMsgIllegal = "Error in Translation (GL_EILSEQ)";
inline constexpr const char *kMsgTooBig = "Error in Translation (GL_E2BIG)";

// The caller's pointers, worked on locally and handed back once.
struct CvCall {
    const unsigned char *in;
    size_t in_left;
    unsigned char *out;
    size_t out_left;
    int inexact;
};

inline uint8_t record_count(const uint8_t *record) {
    return record[0] & kCvCountMask;
}

// A record a converter may act on: it converts.
inline bool record_converts(const uint8_t *record) {
    return (record[0] & kCvConverts) != 0;
}

// Failures: the log line, the error number in the descriptor's cell, -1.
int fail_lookup(CvDesc *cd, uint32_t error);
int fail_illegal(CvDesc *cd);
int fail_too_big(CvDesc *cd);
// A look-up of the tree's own has stored its error number already.
int fail_logged(CvDesc *cd);

// Walks the bytes of one character down the first tree of a validated
// descriptor (every node reached has a flag array; no node deeper than the
// tree's longest character continues). Null with *error when the bytes are
// no character (GL_EILSEQ) or run past the input (GL_EINVAL); *used gets
// the bytes the character takes. In a terminated input a zero byte is the
// end, so no character continues past one.
template <bool kTerminated>
inline const uint8_t *walk_record(const multi_tree_t *tree, const unsigned char *in, size_t left,
                                  size_t *used, uint32_t *error) {
    const multi_arr_t *node = &tree->root;
    size_t i = 0;
    for (;;) {
        const uint8_t byte = in[i++];
        const uint8_t flag = node->flags[byte];
        if (flag == kMultiEnds) {
            *used = i;
            return node->data != nullptr ? node->data + (size_t{byte} << kCvRecordShift)
                                         : tree->default_element;
        }
        if (flag != kMultiContinues) {
            *error = GL_EILSEQ;
            return nullptr;
        }
        if (i >= left || (kTerminated && byte == 0)) {
            *error = GL_EINVAL;
            return nullptr;
        }
        node = &node->next[node->offsets[byte]];
    }
}

// The bytes of a word that are not in 0x01 to 0x7F, as their high bits.
// The lowest marked byte is exact: a borrow starts only at a zero byte.
inline uint64_t non_ascii_bytes(uint64_t word) {
    constexpr uint64_t kHigh = 0x8080808080808080ULL;
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    return (word | ((word - kOnes) & ~word)) & kHigh;
}

// How many bytes of a word, in memory order, come before its first marked one.
inline size_t plain_prefix(uint64_t marks) {
    constexpr int kBitsPerByte = 8;
    if constexpr (std::endian::native == std::endian::little) {
        return static_cast<size_t>(std::countr_zero(marks) / kBitsPerByte);
    } else {
        return static_cast<size_t>(std::countl_zero(marks) / kBitsPerByte);
    }
}

// The bytes of a word equal to the byte that fills `stop`, as their high
// bits; exact up to the lowest marked byte, as above.
inline uint64_t stop_bytes(uint64_t word, uint64_t stop) {
    constexpr uint64_t kHigh = 0x8080808080808080ULL;
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    const uint64_t same = word ^ stop;
    return (same - kOnes) & ~same & kHigh;
}

// Copies runs of plain ASCII 8 bytes at a time, for conversions that map
// those bytes to themselves (but for the stop bytes, with kStops), and the
// plain start of the word that ends a run, so that the caller goes on at
// the first byte needing more.
template <bool kMeasure, bool kStops = false>
inline void copy_ascii_words(CvCall &c, const uint64_t *stops = nullptr) {
    constexpr size_t kWord = 8;
    while (c.in_left >= kWord && c.out_left >= kWord) {
        uint64_t word = 0;
        std::memcpy(&word, c.in, kWord);
        uint64_t marks = non_ascii_bytes(word);
        if constexpr (kStops) {
            for (int i = 0; i < kCvAsciiStops; ++i)
                marks |= stop_bytes(word, stops[i]);
        }
        const size_t plain = marks == 0 ? kWord : plain_prefix(marks);
        if constexpr (!kMeasure) {
            std::memcpy(c.out, &word, kWord);
            c.out += plain;
        }
        c.in += plain;
        c.in_left -= plain;
        c.out_left -= plain;
        if (plain != kWord) return;
    }
}

// The word copy of a descriptor whose ascii_words is set.
template <bool kMeasure>
inline void copy_ascii_words(CvCall &c, const CvDesc *cd) {
    if (cd->ascii_identity != 0) {
        copy_ascii_words<kMeasure>(c);
    } else {
        copy_ascii_words<kMeasure, true>(c, cd->ascii_stops);
    }
}

// Writes n bytes (at most 4) of a record's output block.
template <bool kMeasure>
inline void put_bytes(CvCall &c, const uint8_t *bytes, size_t n) {
    if constexpr (!kMeasure) {
        if (c.out_left >= kCvMaxCharLength) {
            std::memcpy(c.out, bytes, kCvMaxCharLength);
        } else {
            std::memcpy(c.out, bytes, n);
        }
        c.out += n;
    }
    c.out_left -= n;
}

// Runs one converter body, instantiated for terminated or counted input and
// for writing or measuring, and hands the pointers back. Body is a class
// template with a static run(CvDesc *, CvState *, CvCall &).
template <template <bool, bool> class Body>
int run_converter(CvDesc *cd, CvState *state, const unsigned char **in, size_t *in_left,
                  unsigned char **out, size_t *out_left, int *inexact) {
    const bool terminated = in_left == nullptr;
    const bool measure = out == nullptr || *out == nullptr;
    CvCall c{*in, terminated ? kCvTerminatedLimit : *in_left, measure ? nullptr : *out, *out_left,
             0};
    if (inexact != nullptr) *inexact = 0;
    if (c.in_left == 0) return 0;
    int rc = 0;
    if (terminated) {
        rc = measure ? Body<true, true>::run(cd, state, c) : Body<true, false>::run(cd, state, c);
    } else {
        rc = measure ? Body<false, true>::run(cd, state, c) : Body<false, false>::run(cd, state, c);
    }
    *in = c.in;
    if (!terminated) *in_left = c.in_left;
    if (!measure) *out = c.out;
    *out_left = c.out_left;
    if (inexact != nullptr && c.inexact != 0) *inexact = 1;
    return rc;
}

// The five converters.
int cv_single_byte(CvDesc *, CvState *, const unsigned char **, size_t *, unsigned char **,
                   size_t *, int *);
int cv_multi_byte(CvDesc *, CvState *, const unsigned char **, size_t *, unsigned char **, size_t *,
                  int *);
int cv_le_source(CvDesc *, CvState *, const unsigned char **, size_t *, unsigned char **, size_t *,
                 int *);
int cv_le_target(CvDesc *, CvState *, const unsigned char **, size_t *, unsigned char **, size_t *,
                 int *);
int cv_shift_state(CvDesc *, CvState *, const unsigned char **, size_t *, unsigned char **,
                   size_t *, int *);

// The unit width of a little-endian side: 4 for lengths (4, 4), 2 for
// (2, 2), 0 when the side is not one.
inline int le_unit_width(int32_t min_len, int32_t max_len) {
    if (min_len != max_len) return 0;
    return min_len == 2 || min_len == 4 ? min_len : 0;
}

// Picks the converter for a descriptor just read and builds its tables.
void cv_choose_converter(CvDesc *cd);

}  // namespace gls
