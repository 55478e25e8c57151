// The code-unit look-up of the little-endian Unicode converters: a 2- or
// 4-byte unit, least significant byte first in memory, walked from its most
// significant byte. The conversion descriptor gives the unit's width.
#include "gls/conv/conv.h"
#include "gls/tree/tree.h"

namespace gls {

namespace {

constexpr int kNarrowUnit = 2;
constexpr int kWideUnit = 4;

}  // namespace

const uint8_t *_gl_retrieve_little_endian_unicode_limit(const unsigned char *bytes,
                                                        const multi_tree_t *tree, int limit,
                                                        CvDesc *context) {
    const int width = context->source_min_len == kWideUnit && context->source_max_len == kWideUnit
                          ? kWideUnit
                          : kNarrowUnit;
    if (limit < width) {
        gl_set_error(context, GL_EINVAL);
        return nullptr;
    }
    const multi_arr_t *node = &tree->root;
    // A unit never reaches outside its own bytes, whatever the tree holds.
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

}  // namespace gls
