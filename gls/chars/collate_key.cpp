// Sort keys: bytes whose comparison (memcmp, then a shorter key first)
// orders strings exactly as the collation of collate_table.cpp does.
//
// Key format, with w the section's weight size (1 to 4):
// - for each level, the level's weights (in reverse for a backward level),
//   each unit's preceded by its place mark on a position level, each as w
//   bytes, most significant first; a weight of 0xFF or more when
//   w is 1 is written 0xFF, then its two bytes; the weight of an unknown
//   byte b is 0xFF repeated w - 1 times (twice when w is 1), then b;
// - after each level, w zero bytes, which sort below every weight, so that
//   a sequence that is a prefix of another sorts first;
// - last, the string's own bytes, which break ties as the comparison does.
#include <climits>

#include "gls/chars/collate_order.h"

namespace gls {

using namespace chars;

namespace chars {

namespace {

constexpr uint8_t kEscape = 0xFF;
constexpr uint32_t kLargestOneByteWeight = 0xFE;

}  // namespace

void KeySink::put_weight(uint32_t weight, int size) {
    if (weight >= kUnknownWeight) {
        const int escapes = size == 1 ? 2 : size - 1;
        for (int i = 0; i < escapes; ++i)
            put(kEscape);
        put(static_cast<uint8_t>(weight & kByteMask));
        return;
    }
    if (size == 1) {
        if (weight > kLargestOneByteWeight) {
            put(kEscape);
            put(static_cast<uint8_t>(weight >> kBitsPerByte));
        }
        put(static_cast<uint8_t>(weight & kByteMask));
        return;
    }
    for (int i = size - 1; i >= 0; --i)
        put(static_cast<uint8_t>((weight >> (i * kBitsPerByte)) & kByteMask));
}

}  // namespace chars

namespace {

template <class Units>
void put_level(KeySink &sink, const CollationTables &tables, int level, bool backward,
               const unsigned char *s, Units units, int size) {
    WeightStream<Units> weights(tables, level, backward, s, units);
    for (uint32_t weight; (weight = weights.next()) != 0;)
        sink.put_weight(weight, size);
    sink.put_separator(size);
}

}  // namespace

int gl_full_mbsxfrm(Locale *loc, unsigned char *dst, const unsigned char *src, int n) {
    const CollationTables tables(loc);
    const CollText text = tables.text(loc, src, kToTerminator);
    const int32_t declared = loc->collate.weight_size;
    const int size = declared < 1 ? 1 : declared > kMaxCharBytes ? kMaxCharBytes : declared;
    KeySink sink(dst, n > 0 ? static_cast<size_t>(n) : 0);
    // Units are split once for all levels when a level reads backward, or
    // when the string is short enough for the buffer on the stack.
    if (tables.any_backward() || text.n <= kInlineUnits) {
        UnitBuffer units;
        if (!units.fill(tables, text)) {
            fail(loc, GL_ENOMEM);
            return -1;
        }
        for (int level = 0; level < tables.levels(); ++level) {
            const bool backward = tables.backward(level);
            put_level(sink, tables, level, backward, text.s, BufferedUnits(units, backward), size);
        }
    } else {
        for (int level = 0; level < tables.levels(); ++level)
            put_level(sink, tables, level, false, text.s, SplitUnits(tables, text), size);
    }
    sink.put_bytes(text.s, text.n);
    if (sink.length() > static_cast<size_t>(INT_MAX)) {
        fail(loc, GL_ERANGE);
        return -1;
    }
    return static_cast<int>(sink.length());
}

}  // namespace gls
