// Tables derived from a read collation section for the single-byte
// primitives (expansions by byte and level, bytes that start a collating
// element), and the conversion of a wide character to its bytes through the
// collation tree alone.
#include <algorithm>

#include "gls/load/collate_internal.h"
#include "gls/load/load_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr uint32_t kOk = 0;
constexpr uint32_t kOneByteMax = 0xFF;
constexpr uint32_t kTwoBytesMax = 0xFFFF;
constexpr uint32_t kThreeBytesMax = 0xFFFFFF;
constexpr int kBitsPerByte = 8;
constexpr int32_t kStartsElement = 1;

// The bytes a wide character takes in the tree, as the wide look-up walks it.
int char_length(const multi_tree_t *tree, gl_wchar_t wc) {
    int32_t length = tree->min_length;
    if (wc > kOneByteMax && length < 2) length = 2;
    if (wc > kTwoBytesMax && length < 3) length = 3;
    if (wc > kThreeBytesMax) length = 4;
    return length;
}

}  // namespace

int _gl_sl_wctomb(Locale *loc, unsigned char *out, gl_wchar_t wc) {
    const multi_tree_t *tree = loc->collate.tree;
    if (tree == nullptr) {
        gl_set_error(loc, GL_EILSEQ);
        return -1;
    }
    // The look-up checks every byte's flag and stores the error.
    if (_gl_retrieve_wchar_multi_nl(loc, wc, tree) == nullptr) return -1;
    const int length = char_length(tree, wc);
    for (int i = 0; i < length; ++i) {
        out[i] = static_cast<unsigned char>(wc >> ((length - 1 - i) * kBitsPerByte));
    }
    return length;
}

int encode_sequence(Locale *loc, const gl_wchar_t *chars, int32_t count, unsigned char *out) {
    int length = 0;
    for (int32_t i = 0; i < count && i < kMaxSequenceChars; ++i) {
        const int bytes = _gl_sl_wctomb(loc, out + length, chars[i]);
        if (bytes < 0) return -1;
        length += bytes;
    }
    return length;
}

uint32_t make_single_byte_tables(Locale *loc) {
    CollateSection &coll = loc->collate;
    for (int level = 0; level < coll.levels; ++level) {
        auto table = host_alloc<CollationExpansion *>(kMultiFanout);
        if (!table) return GL_ENOMEM;
        coll.sb_expansions[level] = table.release();
    }
    for (uint32_t byte = 0; byte < kMultiFanout && coll.levels > 0; ++byte) {
        // A byte that is no character leaves GL_EILSEQ behind; the reader
        // clears it when the section is complete.
        const uint8_t *element = _gl_retrieve_wchar_multi_nl(loc, byte, coll.tree);
        if (element == nullptr) continue;
        const uint16_t row = row_of(element);
        if (row > coll.max_row) continue;  // refused when the section was read
        for (int level = 0; level < coll.levels; ++level) {
            const uint16_t weight = coll.weights[level][row];
            if (is_expansion_ref(weight)) {
                coll.sb_expansions[level][byte] = &coll.expansions[weight & kWeightIndexMask];
            }
        }
    }
    if (coll.element_count > 0) {
        auto starts = host_alloc<int32_t>(kMultiFanout);
        if (!starts) return GL_ENOMEM;
        for (int32_t i = 0; i < coll.element_count; ++i) {
            const CollatingElement &element = coll.elements[i];
            if (element.count > 0 && element.chars[0] < kMultiFanout) {
                starts.get()[element.chars[0]] = kStartsElement;
            }
        }
        coll.element_start = starts.release();
        auto order = host_alloc<ElementByFirst>(static_cast<size_t>(coll.element_count));
        if (!order) return GL_ENOMEM;
        for (int32_t i = 0; i < coll.element_count; ++i)
            order.get()[i] = {element_first_char(coll.elements[i]), i};
        std::sort(order.get(), order.get() + coll.element_count,
                  [](const ElementByFirst &a, const ElementByFirst &b) {
                      return a.first != b.first ? a.first < b.first : a.index < b.index;
                  });
        coll.element_order = order.release();
    }
    return kOk;
}

}  // namespace gls
