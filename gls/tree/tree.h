// The multi-byte lookup tree: a 256-way byte trie of at most four levels that
// maps a character (its bytes, or its wide-character value) to a fixed-size
// element, read from the line-oriented text form that locale objects and
// conversion files carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <type_traits>

#include "gls/host/host.h"

namespace gls {

// Bits of the tree header's flags.
inline constexpr uint32_t kMultiLeavesMarked = 1;  // always set
inline constexpr uint32_t kMultiCompressed = 2;    // nodes share flag and data arrays
// The keys are UTF-8: every well-formed UTF-8 sequence (every Unicode scalar
// value, and the four-byte forms up to U+1FFFFF that the C library also
// reads) is a character, and those the tree does not hold have the default
// element. Written for the classification tree of a UTF-8 locale.
inline constexpr uint32_t kMultiUtf8Keys = 4;

// Entries of a node's flag array.
inline constexpr uint8_t kMultiNoChar = 0;
inline constexpr uint8_t kMultiContinues = 1;  // the character goes on at the next level
inline constexpr uint8_t kMultiEnds = 4;       // a character ends with this byte

inline constexpr int kMultiFanout = 256;
inline constexpr uint32_t kMultiMaxLevels = 4;
// Every caller of the reader allows characters of up to four bytes.
inline constexpr int kMultiLengthLimit = 4;
// Elements are small records (a class word, a wide character, a conversion
// record); anything larger is refused by _gl_create_multi.
inline constexpr uint32_t kMultiMaxDataSize = 64;
// The index of an array a node owns itself.
inline constexpr int32_t kMultiOwnArray = -1;

// One node. In a compressed tree flags and data point into the header's
// shared tables (their indexes say which); offsets and next are always the
// node's own.
struct multi_arr_t {
    uint32_t reserved;
    uint32_t child_count;  // entries of flags equal to kMultiContinues
    int32_t flag_index;
    int32_t data_index;
    uint8_t *flags;     // 256 entries, or null when no character passes here
    uint8_t *offsets;   // 256 entries: index into next of the child of a byte
    uint8_t *data;      // 256 elements of 2^shift bytes, or null: the default
    multi_arr_t *next;  // child_count children, in increasing order of byte
};
static_assert(std::is_standard_layout_v<multi_arr_t>);

// The tree header.
struct multi_tree_t {
    uint32_t data_size;
    uint32_t max_length;
    int32_t min_length;
    uint32_t flags;
    int32_t data_count;
    int32_t flag_count;
    int32_t offset_count;
    uint32_t error;  // of the last read: 0, GL_ENOMEM, GL_ETREELEN or GL_EFILE
    multi_arr_t root;
    uint8_t *default_element;  // 2^shift bytes
    uint32_t shift;            // element i of a data array starts at byte i << shift
    uint8_t **shared_flags;
    uint8_t **shared_data;
    uint32_t *child_counts;  // per shared flag array
};
static_assert(std::is_standard_layout_v<multi_tree_t>);
static_assert(offsetof(multi_tree_t, data_size) == 0);

// Reads one element in the caller's fixed-width hexadecimal form into dest,
// which has room for size bytes; 0, or -1 when the text is not an element
// of that form or does not fit.
using GlElementReader = int (*)(FILE *stream, void *dest, uint32_t size);

// 16-bit elements (class words, case indexes, collation rows): 4 digits.
[[nodiscard]] int ub2_reader(FILE *stream, void *dest, uint32_t size);
// 32-bit wide characters: 8 digits.
[[nodiscard]] int _gl_read_gl_wchar(FILE *stream, void *dest, uint32_t size);
// A newline, then count wide characters of 8 digits each (a line of the
// case-pair table): 0, or -1 when the text is not that.
[[nodiscard]] int _gl_read_nl_gl_wchars(FILE *stream, gl_wchar_t *dest, int count);
// Conversion records: a flags byte (2 digits) whose low three bits count the
// output bytes that follow (2 digits each); the rest of the record is zeroed.
inline constexpr uint8_t kCvRecordCountMask = 0x07;
[[nodiscard]] int cv_record_reader(FILE *stream, void *dest, uint32_t size);

// An empty tree with elements of data_size bytes (at most kMultiMaxDataSize),
// whose default element is a copy of default_element (zeros when null).
// Null when out of memory.
[[nodiscard]] multi_tree_t *_gl_create_multi(uint32_t data_size, uint32_t flags,
                                             const void *default_element);

// Fills a tree made by _gl_create_multi from its text form at the stream's
// position, leaving the stream just after it. 0, or -1 with the cause in the
// tree's error; the caller then releases the tree with _gl_free_multi.
[[nodiscard]] int _gl_fscanf_multi(FILE *stream, multi_tree_t *tree, int limit,
                                   GlElementReader read_element);

uint32_t _gl_multi_max_length(const multi_tree_t *tree);
int32_t _gl_multi_min_length(const multi_tree_t *tree);
uint32_t _gl_multi_err(const multi_tree_t *tree);

// Releases a tree, whole or half read; null is ignored.
void _gl_free_multi(multi_tree_t *tree);

// Look-ups. Each returns the character's element (data_size bytes, valid as
// long as the tree), or null after storing GL_EILSEQ (not a character of
// the tree) or GL_EINVAL (the input ends inside a character) in the
// context's error cell.
//
// Bytes of a complete character; the caller guarantees one is there.
const uint8_t *_gl_retrieve_text_multi_nl(const unsigned char *bytes, const multi_tree_t *tree,
                                          void *context);
// Reads at most limit bytes; *consumed (when not null) gets the number of
// bytes examined.
const uint8_t *_gl_retrieve_text_multi_limit(const unsigned char *bytes, const multi_tree_t *tree,
                                             int limit, int *consumed, void *context);
// A wide character, walked as max(minimum length, its significant bytes)
// bytes, most significant first.
const uint8_t *_gl_retrieve_wchar_multi_nl(void *context, uint32_t wc, const multi_tree_t *tree);

// The UTF-8 sequence at s, reading at most limit bytes: its length (1 to
// 4), kUtf8Invalid when the bytes begin no well-formed sequence (overlong
// forms, surrogates and values above U+1FFFFF included), kUtf8Incomplete
// when they end inside one. Never reads past a byte that decides.
inline constexpr int kUtf8Invalid = 0;
inline constexpr int kUtf8Incomplete = -1;
int _gl_utf8_length(const unsigned char *s, int limit);
// A wide character that a tree of UTF-8 keys has although it does not hold
// it: its `length` bytes, most significant first, are one UTF-8 sequence.
// False for every other tree.
bool _gl_multi_utf8_wchar(const multi_tree_t *tree, uint32_t wc, int length);

}  // namespace gls
