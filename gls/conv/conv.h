// Code-set conversion: a descriptor loaded once per pair of code sets from a
// conversion file (or wrapping a converter of the Unicode extension), and
// the calls that convert text through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "gls/ext/ext.h"
#include "gls/host/host.h"
#include "gls/tree/tree.h"

namespace gls {

// Bits of a conversion record's flags byte. A record converts only when it
// carries kCvConverts; the byte count sits in the low three bits.
inline constexpr uint8_t kCvCountMask = 0x07;
inline constexpr uint8_t kCvTerminator = 0x08;   // ends a terminated input
inline constexpr uint8_t kCvConverts = 0x10;     // a conversion exists
inline constexpr uint8_t kCvInexact = 0x20;      // sets the caller's inexact flag
inline constexpr uint8_t kCvShiftedOut = 0x40;   // the output is in the shifted set
inline constexpr uint8_t kCvSwitchInput = 0x80;  // the next character uses the other tree

// Records are held in 8-byte elements whatever the target's length: the
// longest record (flags and 4 bytes) fits, and a converter copies the output
// bytes as one 4-byte block. The file's own limit is checked at load.
inline constexpr uint32_t kCvRecordSize = 8;
inline constexpr uint32_t kCvMaxCharLength = 4;
inline constexpr int kCvSpecialCount = 4;
inline constexpr int kCvShiftOut = 0;  // special sequence entering the shifted set
inline constexpr int kCvShiftIn = 1;   // special sequence leaving it
// Input of a terminated conversion is taken as at most this long.
inline constexpr size_t kCvTerminatedLimit = 0x7FFFFFFF;

// The caller's state of a multi-call conversion; only the shift-state
// converter and the extension read it. The converters never change reset
// or close: a caller that carries the state across calls clears reset after
// the first call, and sets close on the last.
struct CvState {
    uint32_t reset;     // non-zero: start unshifted, in the first tree
    uint32_t close;     // non-zero: leave the output unshifted after the last character
    uint32_t selector;  // input tree: 0 first, 1 second
    uint32_t shifted;   // output shift state: 0 unshifted, 1 shifted
};
static_assert(std::is_standard_layout_v<CvState> && sizeof(CvState) == 16);

// The single-byte converter's table: the output byte of every input byte,
// and a mark for the bytes that convert exactly to one byte with no flag to
// act on. Unmarked bytes go through their record.
struct CvByteTable {
    uint8_t output[256];
    uint8_t exact[256];
};

// A one-byte input character whose record converts exactly: its output in
// the order written, and its length (0: take the record path).
struct CvLeadEntry {
    uint8_t bytes[kCvMaxCharLength];
    uint8_t length;
    uint8_t unused[3];
};
static_assert(sizeof(CvLeadEntry) == 8);

// The marks of the pair index's slots (records are aligned, so the low
// bits are free).
inline constexpr uintptr_t kCvPairRecord = 1;
inline constexpr uintptr_t kCvPairRecords = 2;
inline constexpr uintptr_t kCvPairMarks = kCvPairRecord | kCvPairRecords;

// ASCII bytes that may map elsewhere (or nowhere) in a conversion whose
// plain ASCII still goes by words: SHIFT_JIS has the yen sign and the
// overline at 0x5C and 0x7E.
inline constexpr int kCvAsciiStops = 2;

struct CvDesc;
// Converts with local copies of the caller's pointers; see gl_cv_mconv.
using CvConverter = int (*)(CvDesc *cd, CvState *state, const unsigned char **in, size_t *in_left,
                            unsigned char **out, size_t *out_left, int *inexact);

// A loaded conversion. The error number comes first so that the host's error
// service can use the descriptor as its own error cell; the fields up to the
// extension flag keep the order of the product's descriptor.
struct CvDesc {
    uint32_t error;
    CvByteTable *byte_table;  // single-byte pairs with table flag 0, else null
    int32_t source_shift;     // non-zero: shift-state converter, two input trees
    int32_t target_shift;
    int32_t special_lengths[kCvSpecialCount];  // 0 to 4
    int32_t target_min_len;
    int32_t target_max_len;
    int32_t further[2];  // kept from the file, unused
    int32_t source_min_len;
    int32_t source_max_len;
    int32_t table_flag;
    float expansion;  // most output bytes per input byte
    uint8_t special[kCvSpecialCount][kCvMaxCharLength];
    multi_tree_t *tree;        // unshifted input
    multi_tree_t *shift_tree;  // shifted input, when source_shift is non-zero
    CvConverter converter;     // chosen at load
    GluConverter *ext_handle;
    int32_t ext_flag;  // 1: every call goes to the extension
    // Built at load beside the converter: the one-byte characters that
    // convert exactly, and whether 0x01 to 0x7F all map to themselves.
    int32_t ascii_identity;
    // Whether plain ASCII goes by words: all of 0x01 to 0x7F map to
    // themselves but for at most kCvAsciiStops bytes, which stop the words
    // and take the character path. Each such byte fills a word of its own
    // (0: no such byte).
    int32_t ascii_words;
    uint64_t ascii_stops[kCvAsciiStops];
    CvLeadEntry lead[256];
    // For trees of characters of two bytes and more: what two first bytes
    // lead to. pair_row numbers the rows of 256 slots (by second byte) in
    // pair_slots from 1, by first byte (0: none). A slot holds the record of
    // a two-byte character (marked kCvPairRecord), or the records by third
    // byte of the node that longer characters go on to (marked
    // kCvPairRecords), or 0 for the full walk. pair_slots is null when not built.
    uint16_t pair_row[256];
    uintptr_t *pair_slots;
};
static_assert(std::is_standard_layout_v<CvDesc>);
static_assert(offsetof(CvDesc, error) == 0);

// Stand-ins for a descriptor that could not be made, their error numbers
// preset. Never freed; calls on them fail without touching them.
extern CvDesc cd_enomem;
extern CvDesc cd_fileerr;
extern CvDesc cd_einval;

// gl_cv_load results.
inline constexpr int kCvSameCodeSet = 0;  // *cd is null: nothing to convert
inline constexpr int kCvLoaded = 1;
inline constexpr int kCvLoadFailed = -1;

// Loads the conversion from the source locale's code set to the target
// locale's: by the extension when it takes the pair, else from the file
// <ssss><tttt>.cvo in directory, or found by the library path search in
// "cv" version "9". On failure *cd is a static error descriptor, or a
// half-built descriptor (release it with gl_cv_unload) whose error number
// says why: GL_EFILE for a missing or malformed file, the tree reader's
// code for a malformed tree, GL_ENOMEM. flags is reserved (pass 0).
[[nodiscard]] int gl_cv_load(CvDesc **cd, const char *target_locale, const char *source_locale,
                             int flags, const char *directory);

// Reads a conversion file from an open stream into a descriptor whose
// error number is cleared; the stream is left open. 0, or -1 with the
// cause in cd->error and the trees released. Exposed for tools that load a
// file they have just written.
[[nodiscard]] int gl_cv_read(CvDesc *cd, FILE *stream);

// Frees a descriptor from gl_cv_load; null and the static ones are ignored.
void gl_cv_unload(CvDesc *cd);

// Conversion calls. Each returns 0, or -1 with GL_EILSEQ (no conversion for
// a character), GL_EINVAL (a character cut off by the end of the input) or
// GL_E2BIG (no room) in cd->error. Either way *in and *in_left have moved
// past the characters converted and *out and *out_left past the bytes
// produced, so after a failure *in points at the character that failed.
//
// A null in_left means the input is terminated: the call ends after the
// character whose record is the terminator (a zero byte always ends it).
// A null out, or a null *out, measures: nothing is written, *out_left still
// drops. *inexact (when given) becomes 1 when a character converted
// inexactly. Bytes past the produced output, within *out_left, may be
// overwritten.
[[nodiscard]] int gl_miconv(CvDesc *cd, const unsigned char **in, size_t *in_left,
                            unsigned char **out, size_t *out_left, int *inexact);
// The same with the caller's state (null: start unshifted and close).
[[nodiscard]] int gl_cv_mconv(CvDesc *cd, CvState *state, const unsigned char **in, size_t *in_left,
                              unsigned char **out, size_t *out_left, int *inexact);
// Measures: *out_left drops by the bytes the conversion would produce.
[[nodiscard]] int gl_mconvlen(CvDesc *cd, const unsigned char **in, size_t *in_left,
                              size_t *out_left, int *inexact);

// Most output bytes per input byte.
double gl_iconv_expansion(CvDesc *cd);
// Room for the conversion of n input bytes: n times the expansion factor,
// rounded up (SIZE_MAX when that does not fit).
size_t gl_cv_outbuflen(CvDesc *cd, size_t n);

}  // namespace gls
