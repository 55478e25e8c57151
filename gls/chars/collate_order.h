// Pieces the table-driven collation primitives share: the weights a string
// yields at one level, the splitting of a string into collation units, and
// the encoding of weights in a sort key. The order itself is described at
// the top of collate_table.cpp. Not part of the folder's interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "gls/chars/chars_internal.h"
#include "gls/load/locale.h"
#include "gls/util/util.h"

namespace gls::chars {

// Weights of bytes that are no character of the collation tree: above every
// weight a section can hold, and ordered by the byte.
inline constexpr uint32_t kUnknownWeight = 0x10000;
inline constexpr uint32_t kByteMask = 0xFF;
// What one unit may weigh at one level: an expansion of up to 15
// characters, or the bytes of an unknown character.
inline constexpr int kMaxSequenceChars = 15;
inline constexpr int kMaxUnitWeights = 16;
// Units of a string kept without touching the heap.
inline constexpr size_t kInlineUnits = 256;
// An element-start table entry for a byte that begins an element.
inline constexpr int32_t kStartsElement = 1;

// What announces a unit on a position level: one more than the units
// before it that weigh nothing there, as a plain weight would be written
// (a run of more ignorable units than that counts as that many).
inline constexpr uint32_t kMaxPlace = 0x3FFF;
inline uint32_t place_mark(uint32_t ignored) {
    return ignored < kMaxPlace ? ignored + 1 : kMaxPlace;
}

inline bool is_plain_weight(uint16_t weight) {
    return weight != 0 && (weight & (kWeightSpecial | kWeightExpansion)) == 0;
}

// Levels that can be read: at most 8, and none past one without weights,
// which the reader never leaves.
inline int usable_levels(const CollateSection &coll) {
    const int32_t levels = coll.levels < kMaxCollationLevels ? coll.levels : kMaxCollationLevels;
    int level = 0;
    while (level < levels && coll.weights[level] != nullptr)
        ++level;
    return level;
}

// Order of two byte strings: memcmp, then a proper prefix first.
inline int byte_order(const unsigned char *a, size_t na, const unsigned char *b, size_t nb) {
    const size_t common = na < nb ? na : nb;
    const int order = common > 0 ? std::memcmp(a, b, common) : 0;
    if (order != 0) return order < 0 ? -1 : 1;
    return na < nb ? -1 : na > nb ? 1 : 0;
}

// A string as the primitives see it: its bytes before the terminator, or
// the counted bytes.
struct CollText {
    const unsigned char *s;
    size_t n;
};

// The terminator's length, kept within 1 to 4 whatever an extension says.
inline int terminator_length(Locale *loc) {
    const int length = use_ext(loc) ? gl_mb_loc_min(loc) : table_terminator(loc);
    return length < 1 ? 1 : length > kMaxCharBytes ? kMaxCharBytes : length;
}

// Strings of a single-byte code set: every zero byte ends one. A length
// below -1 is GL_ENEGLEN and reads as an empty string.
inline CollText single_byte_text(Locale *loc, const unsigned char *s, int n) {
    if (s == nullptr) return {s, 0};
    if (n == kToTerminator) return {s, std::strlen(reinterpret_cast<const char *>(s))};
    if (n < 0) {
        fail(loc, GL_ENEGLEN);
        return {s, 0};
    }
    return {s, static_cast<size_t>(n)};
}

// One collation unit: a character or collating element with its row, or
// the bytes of a character the collation tree does not have.
struct Unit {
    uint32_t offset;
    uint16_t row;
    uint8_t length;
    bool known;
};

// What every call reads of the locale, looked up once.
class CollationTables {
  public:
    explicit CollationTables(Locale *loc);

    const CollateSection &coll() const { return coll_; }
    int levels() const { return levels_; }
    bool any_backward() const { return any_backward_; }
    bool backward(int level) const { return level_backward(coll_.directions[level]); }
    bool position(int level) const { return level_position(coll_.directions[level]); }

    // The bytes before the terminator (n == -1) or the counted bytes.
    CollText text(Locale *loc, const unsigned char *s, int n) const;
    // The unit at the start of s (left >= 1 bytes), but for its offset.
    void split(const unsigned char *s, size_t left, Unit *unit) const {
        gl_wchar_t wc = 0;
        const uint8_t *element = nullptr;
        const int limit =
            left < static_cast<size_t>(kMaxCharBytes) ? static_cast<int>(left) : kMaxCharBytes;
        const int bytes = decode(tree_, s, limit, &wc, &element);
        if (bytes <= 0) {
            unit->row = 0;
            unit->length = static_cast<uint8_t>(unknown_length(s, left));
            unit->known = false;
            return;
        }
        unit->row = word_of(element);
        unit->length = static_cast<uint8_t>(bytes);
        unit->known = true;
        if (may_start_element(wc)) (void)match_element(s, left, wc, bytes, unit);
    }
    // The weights of a unit at a level (whose weights are level_weights),
    // in string order; their number.
    int weights(int level, const uint16_t *level_weights, const Unit &unit, const unsigned char *s,
                uint32_t *out) const {
        if (!unit.known) {
            for (int i = 0; i < unit.length; ++i)
                out[i] = kUnknownWeight | s[unit.offset + static_cast<uint32_t>(i)];
            return unit.length;
        }
        const uint16_t weight = level_weights[unit.row];
        if (is_plain_weight(weight)) {
            out[0] = weight;
            return 1;
        }
        return is_expansion_ref(weight) ? expansion_weights(level, weight, out) : 0;
    }

  private:
    // The start table covers first characters below 256; longer ones are
    // looked for in the list.
    bool may_start_element(gl_wchar_t first) const {
        if (coll_.element_count <= 0) return false;
        if (first >= kMultiFanout) return true;
        return coll_.element_start != nullptr && coll_.element_start[first] == kStartsElement;
    }
    // Bytes of a character at s (left >= 1 bytes) that the collation tree
    // lacks: the classification tree's length when it knows the character,
    // else one terminator's width.
    int unknown_length(const unsigned char *s, size_t left) const;
    // The longest collating element starting with the character first
    // (first_length bytes at s); false when none matches.
    bool match_element(const unsigned char *s, size_t left, gl_wchar_t first, int first_length,
                       Unit *unit) const;
    // The elements that start with first, in the order they are listed.
    struct ElementRange {
        const ElementByFirst *begin = nullptr;
        const ElementByFirst *end = nullptr;
    };
    ElementRange elements_starting(gl_wchar_t first) const;
    bool row_of_wchar(gl_wchar_t wc, uint16_t *row) const;
    int expansion_weights(int level, uint16_t reference, uint32_t *out) const;

    const CollateSection &coll_;
    const multi_tree_t *tree_;
    const multi_tree_t *ctype_tree_;
    int levels_;
    int terminator_;
    bool any_backward_;
};

// Units of a string taken as they are needed, first to last.
class SplitUnits {
  public:
    SplitUnits(const CollationTables &tables, CollText text) : tables_(tables), text_(text) {}
    bool next(Unit *unit) {
        if (pos_ >= text_.n) return false;
        tables_.split(text_.s + pos_, text_.n - pos_, unit);
        unit->offset = static_cast<uint32_t>(pos_);
        pos_ += unit->length;
        return true;
    }

  private:
    const CollationTables &tables_;
    CollText text_;
    size_t pos_ = 0;
};

// All the units of a string, for levels read from the end: on the stack
// for short strings, from the host beyond.
class UnitBuffer {
  public:
    // False (nothing kept) when the host has no memory.
    [[nodiscard]] bool fill(const CollationTables &tables, CollText text);
    const Unit *units() const { return heap_ ? heap_.get() : inline_; }
    size_t count() const { return count_; }

  private:
    Unit inline_[kInlineUnits];
    HostPtr<Unit> heap_;
    size_t count_ = 0;
};

// A buffer's units first to last, or last to first.
class BufferedUnits {
  public:
    BufferedUnits(const UnitBuffer &buffer, bool reverse)
        : units_(buffer.units()), count_(buffer.count()), reverse_(reverse) {}
    bool next(Unit *unit) {
        if (done_ >= count_) return false;
        const size_t i = reverse_ ? count_ - 1 - done_ : done_;
        ++done_;
        *unit = units_[i];
        return true;
    }

  private:
    const Unit *units_;
    size_t count_;
    bool reverse_;
    size_t done_ = 0;
};

// The weights of a string at one level, one at a time; 0 after the last.
// Read backward, each unit's own weights come last to first too. On a
// position level the weights of each unit follow its place mark.
template <class Units>
class WeightStream {
  public:
    WeightStream(const CollationTables &tables, int level, bool backward, const unsigned char *s,
                 Units units)
        : tables_(tables),
          level_(level),
          level_weights_(tables.coll().weights[level]),
          backward_(backward),
          position_(tables.position(level)),
          s_(s),
          units_(units) {}

    uint32_t next() {
        while (pos_ == count_) {
            Unit unit;
            if (!units_.next(&unit)) return 0;
            count_ = tables_.weights(level_, level_weights_, unit, s_, pending_);
            pos_ = 0;
            if (count_ == 0) {
                ++ignored_;
            } else if (position_) {
                const uint32_t mark = place_mark(ignored_);
                ignored_ = 0;
                return mark;
            }
        }
        const int i = backward_ ? count_ - 1 - pos_ : pos_;
        ++pos_;
        return pending_[i];
    }

  private:
    const CollationTables &tables_;
    int level_;
    const uint16_t *level_weights_;
    bool backward_;
    bool position_;
    const unsigned char *s_;
    Units units_;
    uint32_t pending_[kMaxUnitWeights];
    int count_ = 0;
    int pos_ = 0;
    uint32_t ignored_ = 0;  // units weighing nothing since the last that weighed
};

// Lexicographic order of two weight streams; the end (0) sorts first.
template <class A, class B>
int compare_streams(A &a, B &b) {
    for (;;) {
        const uint32_t x = a.next();
        const uint32_t y = b.next();
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

// A sort key written into at most `room` bytes while its full length is
// counted.
class KeySink {
  public:
    KeySink(unsigned char *dst, size_t room) : dst_(dst), room_(dst != nullptr ? room : 0) {}

    void put(uint8_t byte) {
        if (length_ < room_) dst_[length_] = byte;
        ++length_;
    }
    void put_bytes(const unsigned char *bytes, size_t n) {
        if (n > 0 && length_ < room_) {
            const size_t fits = room_ - length_ < n ? room_ - length_ : n;
            std::memcpy(dst_ + length_, bytes, fits);
        }
        length_ += n;
    }
    // A weight as `size` bytes, most significant first. Weights that do
    // not fit one byte, and unknown bytes, escape with 0xFF so that the
    // bytes still sort as the weights do.
    void put_weight(uint32_t weight, int size);
    // Sorts below every weight: `size` zero bytes.
    void put_separator(int size) {
        for (int i = 0; i < size; ++i)
            put(0);
    }
    size_t length() const { return length_; }

  private:
    unsigned char *dst_;
    size_t room_;
    size_t length_ = 0;
};

// The length of a terminated string of a code set whose terminator is
// `terminator` zero bytes, stepping over characters with step(s).
template <class Step>
size_t terminated_length(const unsigned char *s, int terminator, Step &&step) {
    if (terminator == 1) return std::strlen(reinterpret_cast<const char *>(s));
    size_t length = 0;
    while (!is_terminator(s + length, terminator))
        length += static_cast<size_t>(step(s + length));
    return length;
}

}  // namespace gls::chars
