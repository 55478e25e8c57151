// Collation over a locale's collation section, for every code set. The
// locale compiler writes its sections for exactly this order, and the
// single-byte fast paths (collate_single.cpp) and the sort keys
// (collate_key.cpp) must agree with it:
//
// Units. A string is split into collation units from left to right: at each
// position the longest collating element whose characters follow (ties go
// to the element listed first), else the single character. A character's
// row comes from the collation tree; an element carries its own.
//
// Weights. At level l a unit contributes weights[l][row]: nothing for 0
// (ignorable) or for a special weight (bit 15); the level-l weights of the
// rows of an expansion's characters, in order, for an expansion reference
// (an expansion character that is itself an expansion, or not in the tree,
// contributes nothing); else the plain weight itself (1 to 0x3FFF).
//
// Unknown characters. Bytes that are no character of the collation tree
// form a unit as long as the classification tree's character there, else
// one terminator's width (one byte in most code sets). At every level such
// a unit weighs 0x10000 + b for each of its bytes b: after every character
// the section knows, and among themselves by their bytes.
//
// Places. On a level whose direction has the position bit (4), the weights
// of each unit that weighs something there are preceded by its place mark:
// one more than the number of units right before it that weigh nothing at
// that level. So where ignorable characters stand counts: "a-b" and "ab-"
// differ, and a string without them comes before one with them earlier.
//
// Order. Level by level, the weight sequences are compared lexicographically
// (a proper prefix first); a level whose direction is 2 compares the
// sequences read from their ends. The first difference decides. When every
// level ties, the strings' bytes decide (memcmp, then a proper prefix
// first), so two strings are equal only when their bytes are.
//
// Lengths. -1 means up to the terminator, as many zero bytes as the code
// set's shortest character; a counted string is exactly its bytes, zero
// bytes included, and nothing beyond them is read. Where the terminator is
// wider than a byte, a -1 string must be whole characters (the walk to the
// terminator steps over them); only counted strings may be any bytes.
//
// Memory. Levels read backward need the string's units at hand: up to 256
// on the stack, beyond that one block from the host. When that fails the
// comparison stores GL_ENOMEM and answers by byte order.
#include <algorithm>

#include "gls/chars/collate_order.h"

namespace gls {

using namespace chars;

namespace chars {

namespace {

int decode_limit(size_t left) {
    return left < static_cast<size_t>(kMaxCharBytes) ? static_cast<int>(left) : kMaxCharBytes;
}

}  // namespace

CollationTables::CollationTables(Locale *loc)
    : coll_(loc->collate),
      tree_(loc->collate.tree != nullptr ? loc->collate.tree : &kNoCharacters),
      ctype_tree_(char_tree(loc)),
      levels_(usable_levels(loc->collate)),
      terminator_(terminator_length(loc)),
      any_backward_(false) {
    for (int level = 0; level < levels_; ++level)
        any_backward_ = any_backward_ || backward(level);
}

CollText CollationTables::text(Locale *loc, const unsigned char *s, int n) const {
    if (s == nullptr) return {s, 0};
    if (n >= 0) return {s, static_cast<size_t>(n)};
    if (n != kToTerminator) {
        fail(loc, GL_ENEGLEN);
        return {s, 0};
    }
    const size_t length = terminated_length(s, terminator_, [this](const unsigned char *p) {
        gl_wchar_t wc = 0;
        const int bytes = decode(tree_, p, kMaxCharBytes, &wc, nullptr);
        return bytes > 0 ? bytes : unknown_length(p, kMaxCharBytes);
    });
    return {s, length};
}

int CollationTables::unknown_length(const unsigned char *s, size_t left) const {
    gl_wchar_t wc = 0;
    const int bytes = decode(ctype_tree_, s, decode_limit(left), &wc, nullptr);
    if (bytes > 0) return bytes;
    return left < static_cast<size_t>(terminator_) ? static_cast<int>(left) : terminator_;
}

CollationTables::ElementRange CollationTables::elements_starting(gl_wchar_t first) const {
    const ElementByFirst *order = coll_.element_order;
    if (order == nullptr) return {};
    const auto [begin, end] = std::equal_range(
        order, order + coll_.element_count, ElementByFirst{first, 0},
        [](const ElementByFirst &a, const ElementByFirst &b) { return a.first < b.first; });
    return {begin, end};
}

bool CollationTables::match_element(const unsigned char *s, size_t left, gl_wchar_t first,
                                    int first_length, Unit *unit) const {
    // Characters after the first are decoded only as far as an element needs.
    gl_wchar_t chars[kMaxSequenceChars] = {first};
    size_t ends[kMaxSequenceChars] = {static_cast<size_t>(first_length)};
    int decoded = 1;
    bool exhausted = false;
    const CollatingElement *best = nullptr;
    const ElementRange range = elements_starting(first);
    for (const ElementByFirst *entry = range.begin; entry != range.end; ++entry) {
        const CollatingElement &candidate = coll_.elements[entry->index];
        const int count = candidate.count < kMaxSequenceChars ? candidate.count : kMaxSequenceChars;
        if (count < 1 || candidate.chars[0] != first || (best != nullptr && count <= best->count))
            continue;
        while (decoded < count && !exhausted) {
            const size_t at = ends[decoded - 1];
            const uint8_t *ignored = nullptr;
            const int bytes = at < left ? decode(tree_, s + at, decode_limit(left - at),
                                                 &chars[decoded], &ignored)
                                        : kDecodeIncomplete;
            if (bytes <= 0) {
                exhausted = true;
                break;
            }
            ends[decoded++] = at + static_cast<size_t>(bytes);
        }
        if (decoded < count) continue;
        if (std::memcmp(candidate.chars, chars, static_cast<size_t>(count) * sizeof *chars) == 0)
            best = &candidate;
    }
    if (best == nullptr) return false;
    unit->row = best->row;
    unit->length = static_cast<uint8_t>(ends[best->count - 1]);
    return true;
}

bool CollationTables::row_of_wchar(gl_wchar_t wc, uint16_t *row) const {
    const int length = encoded_length(static_cast<int32_t>(tree_->min_length), wc);
    const uint8_t *element = length > 0 ? find_wchar(tree_, length, wc) : nullptr;
    if (element == nullptr) return false;
    *row = word_of(element);
    return true;
}

int CollationTables::expansion_weights(int level, uint16_t reference, uint32_t *out) const {
    const uint16_t *weights = coll_.weights[level];
    const CollationExpansion &expansion = coll_.expansions[reference & kWeightIndexMask];
    const int count = expansion.count < kMaxSequenceChars ? expansion.count : kMaxSequenceChars;
    int produced = 0;
    for (int i = 0; i < count; ++i) {
        uint16_t row = 0;
        if (!row_of_wchar(expansion.chars[i], &row)) continue;
        if (is_plain_weight(weights[row])) out[produced++] = weights[row];
    }
    return produced;
}

bool UnitBuffer::fill(const CollationTables &tables, CollText text) {
    // A string has no more units than bytes: measured once, allocated once.
    Unit *units = inline_;
    if (text.n > kInlineUnits) {
        heap_ = host_alloc<Unit>(text.n);
        if (!heap_) return false;
        units = heap_.get();
    }
    SplitUnits split(tables, text);
    count_ = 0;
    while (split.next(&units[count_]))
        ++count_;
    return true;
}

}  // namespace chars

namespace {

int compare_texts(Locale *loc, const CollationTables &tables, CollText a, CollText b) {
    // Forward levels are read as the strings are split, so most comparisons
    // stop after a few units. A level read from the end needs every unit at
    // hand: from the first such level on, both strings are split once.
    UnitBuffer ua;
    UnitBuffer ub;
    bool split = false;
    for (int level = 0; level < tables.levels(); ++level) {
        const bool backward = tables.backward(level);
        if (backward && !split) {
            if (!ua.fill(tables, a) || !ub.fill(tables, b)) {
                fail(loc, GL_ENOMEM);
                return byte_order(a.s, a.n, b.s, b.n);
            }
            split = true;
        }
        int order = 0;
        if (split) {
            WeightStream<BufferedUnits> wa(tables, level, backward, a.s,
                                           BufferedUnits(ua, backward));
            WeightStream<BufferedUnits> wb(tables, level, backward, b.s,
                                           BufferedUnits(ub, backward));
            order = compare_streams(wa, wb);
        } else {
            WeightStream<SplitUnits> wa(tables, level, false, a.s, SplitUnits(tables, a));
            WeightStream<SplitUnits> wb(tables, level, false, b.s, SplitUnits(tables, b));
            order = compare_streams(wa, wb);
        }
        if (order != 0) return order;
    }
    return byte_order(a.s, a.n, b.s, b.n);
}

}  // namespace

int _gl_im_mbscoll(Locale *loc, const unsigned char *s1, const unsigned char *s2) {
    return _qmx_gl_im_mbfscoll(loc, s1, kToTerminator, s2, kToTerminator);
}

int _qmx_gl_im_mbfscoll(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                        int n2) {
    const CollationTables tables(loc);
    return compare_texts(loc, tables, tables.text(loc, s1, n1), tables.text(loc, s2, n2));
}

}  // namespace gls
