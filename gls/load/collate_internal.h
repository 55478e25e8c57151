// Pieces the collation category's files share; not part of the folder's
// interface.
#pragma once

#include <cstdint>
#include <cstring>

#include "gls/load/locale.h"

namespace gls {

// Rows whose weights are all this make the all-ones list.
inline constexpr uint16_t kWeightOne = 1;

// Rows are 16-bit tree elements, so no section has more than this.
inline constexpr long kMaxRowCount = 0x10000;
// Expansion references carry 14 bits of index.
inline constexpr long kMaxExpansions = kWeightIndexMask + 1;
// No sensible section has more collating elements than rows; the cap keeps
// a hostile count from costing more memory than the rows could.
inline constexpr long kMaxElements = kMaxRowCount;
// A character of the collation tree has at most this many bytes.
inline constexpr int kMaxCharBytes = 4;
// Element and expansion character counts are one hexadecimal digit.
inline constexpr int kMaxSequenceChars = 0xF;
// Filed strings are followed by this many zero bytes, enough to end a
// string in any code set.
inline constexpr int kFiledTerminator = 4;

// The row stored in a tree element.
inline uint16_t row_of(const uint8_t *element) {
    uint16_t row = 0;
    std::memcpy(&row, element, sizeof row);
    return row;
}

// Calls visit(bytes, length, row) for every character of the tree (every
// byte sequence ending on a flag kMultiEnds), in increasing byte order,
// until visit returns false. Returns false when it was stopped.
template <class Visit>
bool for_each_character(const multi_tree_t *tree, const multi_arr_t *node, unsigned char *key,
                        int depth, Visit &visit) {
    if (node->flags == nullptr || depth >= kMaxCharBytes) return true;
    for (int b = 0; b < kMultiFanout; ++b) {
        key[depth] = static_cast<unsigned char>(b);
        const uint8_t flag = node->flags[b];
        if (flag == kMultiEnds) {
            const uint8_t *element =
                node->data != nullptr
                    ? node->data + (size_t{static_cast<uint8_t>(b)} << tree->shift)
                    : tree->default_element;
            if (!visit(static_cast<const unsigned char *>(key), depth + 1, row_of(element)))
                return false;
        } else if (flag == kMultiContinues && node->next != nullptr && node->offsets != nullptr) {
            const multi_arr_t *child = &node->next[node->offsets[b]];
            if (!for_each_character(tree, child, key, depth + 1, visit)) return false;
        }
    }
    return true;
}

template <class Visit>
bool for_each_character(const multi_tree_t *tree, Visit &&visit) {
    unsigned char key[kMaxCharBytes] = {};
    return for_each_character(tree, &tree->root, key, 0, visit);
}

// The bytes of count wide characters of the collation tree into out (room
// for kMaxSequenceChars * kMaxCharBytes bytes); the length, or -1 with
// GL_EILSEQ in the locale when one of them is not a character of the tree.
int encode_sequence(Locale *loc, const gl_wchar_t *chars, int32_t count, unsigned char *out);

// The derived parts of a section whose rows and weights are read: the
// equal-weight lists (rules with derived weights only), then the
// single-byte expansion tables and the element-start table. 0, or the
// error number.
[[nodiscard]] uint32_t derive_equal_weights(Locale *loc);
[[nodiscard]] uint32_t make_single_byte_tables(Locale *loc);

}  // namespace gls
