// Look-ups: a walk down the flag arrays, one indexing per byte, ending on
// the element of the last byte.
#include "gls/tree/tree.h"

namespace gls {

namespace {

constexpr uint32_t kOneByteMax = 0xFF;
constexpr uint32_t kTwoBytesMax = 0xFFFF;
constexpr uint32_t kThreeBytesMax = 0xFFFFFF;
constexpr int kBitsPerByte = 8;

inline const uint8_t *element_of(const multi_tree_t *tree, const multi_arr_t *node, uint8_t last) {
    return node->data != nullptr ? node->data + (size_t{last} << tree->shift)
                                 : tree->default_element;
}

// A node that nothing passes through has no flag array.
inline uint8_t flag_of(const multi_arr_t *node, uint8_t byte) {
    return node->flags != nullptr ? node->flags[byte] : kMultiNoChar;
}

inline const multi_arr_t *child_of(const multi_arr_t *node, uint8_t byte) {
    return &node->next[node->offsets[byte]];
}

const uint8_t *fail(void *context, uint32_t error) {
    gl_set_error(context, error);
    return nullptr;
}

// After a walk that found no character: in a tree of UTF-8 keys the bytes
// are still one when they are well-formed UTF-8 (the default element);
// *examined becomes what that decision read.
const uint8_t *outside_tree(const unsigned char *bytes, const multi_tree_t *tree, int limit,
                            int *examined, uint32_t *error) {
    if ((tree->flags & kMultiUtf8Keys) == 0) return nullptr;
    const int length = _gl_utf8_length(bytes, limit);
    if (length == kUtf8Invalid) {
        *error = GL_EILSEQ;
        return nullptr;
    }
    if (length == kUtf8Incomplete) {
        *examined = limit;
        *error = GL_EINVAL;
        return nullptr;
    }
    *examined = length;
    return tree->default_element;
}

}  // namespace

const uint8_t *_gl_retrieve_text_multi_nl(const unsigned char *bytes, const multi_tree_t *tree,
                                          void *context) {
    const unsigned char *start = bytes;
    const multi_arr_t *node = &tree->root;
    uint8_t byte = *bytes;
    uint8_t flag = flag_of(node, byte);
    while (flag == kMultiContinues) {
        node = child_of(node, byte);
        byte = *++bytes;
        flag = flag_of(node, byte);
    }
    if (flag == kMultiEnds) return element_of(tree, node, byte);
    int examined = 0;
    uint32_t error = GL_EILSEQ;
    const uint8_t *element =
        outside_tree(start, tree, static_cast<int>(kMultiMaxLevels), &examined, &error);
    return element != nullptr ? element : fail(context, error);
}

const uint8_t *_gl_retrieve_text_multi_limit(const unsigned char *bytes, const multi_tree_t *tree,
                                             int limit, int *consumed, void *context) {
    int examined = 0;
    const uint8_t *element = nullptr;
    if (limit <= 0) {
        gl_set_error(context, GL_EINVAL);
    } else {
        const multi_arr_t *node = &tree->root;
        uint8_t byte = bytes[0];
        uint8_t flag = flag_of(node, byte);
        examined = 1;
        while (flag == kMultiContinues && examined < limit) {
            node = child_of(node, byte);
            byte = bytes[examined++];
            flag = flag_of(node, byte);
        }
        if (flag == kMultiEnds) {
            element = element_of(tree, node, byte);
        } else {
            uint32_t error = flag == kMultiContinues ? GL_EINVAL : GL_EILSEQ;
            element = outside_tree(bytes, tree, limit, &examined, &error);
            if (element == nullptr) gl_set_error(context, error);
        }
    }
    if (consumed != nullptr) *consumed = examined;
    return element;
}

const uint8_t *_gl_retrieve_wchar_multi_nl(void *context, uint32_t wc, const multi_tree_t *tree) {
    int32_t levels = tree->min_length;
    if (wc > kOneByteMax && levels < 2) levels = 2;
    if (wc > kTwoBytesMax && levels < 3) levels = 3;
    if (wc > kThreeBytesMax) levels = 4;
    if (levels < 1 || levels > static_cast<int32_t>(kMultiMaxLevels)) {
        return fail(context, GL_EILSEQ);
    }
    const multi_arr_t *node = &tree->root;
    for (int32_t level = levels - 1;; --level) {
        const auto byte = static_cast<uint8_t>(wc >> (level * kBitsPerByte));
        const uint8_t flag = flag_of(node, byte);
        if (level == 0 && flag == kMultiEnds) return element_of(tree, node, byte);
        if (level == 0 || flag != kMultiContinues) {
            if (_gl_multi_utf8_wchar(tree, wc, levels)) return tree->default_element;
            return fail(context, GL_EILSEQ);
        }
        node = child_of(node, byte);
    }
}

}  // namespace gls
