// Pieces the character primitives share: the walk down the classification
// tree, the encoded length of a wide character, and the choice between the
// table and the extension implementation. Not part of the folder's interface.
#pragma once

#include <cstdint>
#include <cstring>

#include "gls/chars/chars.h"
#include "gls/ext/ext.h"
#include "gls/load/locale.h"
#include "gls/tree/tree.h"

namespace gls::chars {

inline constexpr int kCtypeSlot = category_slot(kCatCtype);
inline constexpr int kCollateSlot = category_slot(kCatCollate);
inline constexpr int kBitsPerByte = 8;
inline constexpr uint32_t kOneByteMax = 0xFF;
inline constexpr uint32_t kTwoBytesMax = 0xFFFF;
inline constexpr uint32_t kThreeBytesMax = 0xFFFFFF;
inline constexpr int kMaxCharBytes = static_cast<int>(kMultiMaxLevels);
// A length argument meaning "up to the terminator".
inline constexpr int kToTerminator = -1;

// Stands in for a classification tree that could not be made: it holds no
// character, so every primitive fails cleanly instead of following null.
extern const multi_tree_t kNoCharacters;

inline const multi_tree_t *char_tree(const Locale *loc) {
    const multi_tree_t *tree = loc->ctype.char_tree;
    return tree != nullptr ? tree : &kNoCharacters;
}
inline const multi_tree_t *case_tree(const Locale *loc) {
    const multi_tree_t *tree = loc->ctype.case_tree;
    return tree != nullptr ? tree : &kNoCharacters;
}

// The character category is served by the extension. Its flag is set only
// once the extension has taken the category, so its entry points are there.
inline bool use_ext(const Locale *loc) {
    return loc->ext_flags[kCtypeSlot] == 1;
}
inline GluLocale *ext_locale(const Locale *loc) {
    return static_cast<GluLocale *>(loc->ext_handles[kCtypeSlot]);
}

inline void fail(Locale *loc, uint32_t error) {
    gl_set_error(loc, error);
}

// Kind of a byte at a node: kMultiEnds, kMultiContinues or anything else
// (not a character). A node nothing passes through has no flag array.
inline uint8_t kind_of(const multi_arr_t *node, uint8_t byte) {
    return node->flags != nullptr ? node->flags[byte] : kMultiNoChar;
}
// Only called on kMultiContinues, for which the reader made a child.
inline const multi_arr_t *child_of(const multi_arr_t *node, uint8_t byte) {
    return &node->next[node->offsets[byte]];
}
inline const uint8_t *element_of(const multi_tree_t *tree, const multi_arr_t *node, uint8_t byte) {
    return node->data != nullptr ? node->data + (size_t{byte} << tree->shift)
                                 : tree->default_element;
}
// Elements of the classification and case trees are 16-bit words.
inline uint16_t word_of(const uint8_t *element) {
    uint16_t word = 0;
    std::memcpy(&word, element, sizeof word);
    return word;
}

// Outcome of decoding one character: its byte length (at least 1), or one
// of these.
inline constexpr int kDecodeInvalid = -1;     // GL_EILSEQ
inline constexpr int kDecodeIncomplete = -2;  // GL_EINVAL

inline uint32_t decode_error(int status) {
    return status == kDecodeIncomplete ? GL_EINVAL : GL_EILSEQ;
}

// A character the walk did not find: in a tree of UTF-8 keys, any
// well-formed sequence, with the default element (no class).
inline int decode_outside(const multi_tree_t *tree, const unsigned char *s, int n, gl_wchar_t *wc,
                          const uint8_t **element) {
    if ((tree->flags & kMultiUtf8Keys) == 0) return kDecodeInvalid;
    const int length = _gl_utf8_length(s, n);
    if (length == kUtf8Invalid) return kDecodeInvalid;
    if (length == kUtf8Incomplete) return kDecodeIncomplete;
    gl_wchar_t value = 0;
    for (int i = 0; i < length; ++i)
        value = (value << kBitsPerByte) | s[i];
    *wc = value;
    if (element != nullptr) *element = tree->default_element;
    return length;
}

// Decodes the character at s from at most n (>= 1) bytes. The walk is
// bounded by the tree's depth, at most four levels, whatever n says.
inline int decode(const multi_tree_t *tree, const unsigned char *s, int n, gl_wchar_t *wc,
                  const uint8_t **element) {
    const multi_arr_t *node = &tree->root;
    gl_wchar_t value = 0;
    for (int used = 0;;) {
        const uint8_t byte = s[used];
        value = (value << kBitsPerByte) | byte;
        ++used;
        const uint8_t kind = kind_of(node, byte);
        if (kind == kMultiEnds) {
            *wc = value;
            if (element != nullptr) *element = element_of(tree, node, byte);
            return used;
        }
        if (kind != kMultiContinues) return decode_outside(tree, s, n, wc, element);
        if (used >= n) return kDecodeIncomplete;
        node = child_of(node, byte);
    }
}

// Bytes a wide character is encoded in: the code set's minimum, raised by
// the value's significant bytes; 0 when that is not 1 to 4.
inline int encoded_length(int32_t min_length, gl_wchar_t wc) {
    int32_t length = min_length;
    if (wc > kOneByteMax && length < 2) length = 2;
    if (wc > kTwoBytesMax && length < 3) length = 3;
    if (wc > kThreeBytesMax) length = 4;
    return length >= 1 && length <= kMaxCharBytes ? length : 0;
}

// The element of wc walked as `length` bytes, most significant first; null
// when they are not a character of the tree.
inline const uint8_t *find_wchar(const multi_tree_t *tree, int length, gl_wchar_t wc) {
    const multi_arr_t *node = &tree->root;
    for (int level = length - 1;; --level) {
        const auto byte = static_cast<uint8_t>(wc >> (level * kBitsPerByte));
        const uint8_t kind = kind_of(node, byte);
        if (level == 0 && kind == kMultiEnds) return element_of(tree, node, byte);
        if (level == 0 || kind != kMultiContinues) {
            return _gl_multi_utf8_wchar(tree, wc, length) ? tree->default_element : nullptr;
        }
        node = child_of(node, byte);
    }
}

inline int min_length(const Locale *loc) {
    return char_tree(loc)->min_length;
}

// The table implementation's terminator length: the code set's minimum
// character length, which the tree reader keeps within 1 to 4. A category
// never read has the empty tree's 4.
inline int table_terminator(const Locale *loc) {
    return min_length(loc);
}

inline bool is_terminator(const unsigned char *s, int length) {
    for (int i = 0; i < length; ++i) {
        if (s[i] != 0) return false;
    }
    return true;
}

// Class word of a byte in a single-byte code set: the table once built,
// the tree before.
inline uint16_t single_byte_class(const Locale *loc, uint8_t byte) {
    if (loc->ctype.class_table != nullptr) return loc->ctype.class_table[byte];
    const multi_tree_t *tree = char_tree(loc);
    return word_of(element_of(tree, &tree->root, byte));
}

// Class word of a wide character; false when it is not one of the code set.
inline bool class_of_wchar(const Locale *loc, gl_wchar_t wc, uint16_t *word) {
    const multi_tree_t *tree = char_tree(loc);
    const int length = encoded_length(tree->min_length, wc);
    const uint8_t *element = length > 0 ? find_wchar(tree, length, wc) : nullptr;
    if (element == nullptr) return false;
    *word = word_of(element);
    return true;
}

// Class bit of the locale's "full_width" class, 0 when it has none.
uint32_t full_width_bit(Locale *loc);

}  // namespace gls::chars
