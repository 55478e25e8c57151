// The single-byte fast paths of the collation in collate_table.cpp. In a
// single-byte code set every byte is a character, so rows come straight
// from the collation tree's root (a flag table and a row table) and a level
// read backward is read from the last byte without splitting the string
// first. Each variant handles only what its name says the section has, as
// set_function_pointers chooses them:
//   _back      no expansions, no elements; levels in either direction;
//   _exp       expansions; every level forward;
//   _elem      collating elements; every level forward;
//   _exp_elem  both; every level forward.
// What a variant does not handle it ignores (an expansion reads as
// ignorable, a backward level as forward); for sections that meet its
// condition each gives the order of _gl_im_mbscoll. Every variant marks the
// places of a position level.
#include "gls/chars/collate_order.h"

namespace gls {

using namespace chars;

namespace {

class ByteTables {
  public:
    explicit ByteTables(const Locale *loc)
        : coll_(loc->collate),
          tree_(coll_.tree != nullptr ? coll_.tree : &kNoCharacters),
          root_(&tree_->root),
          levels_(usable_levels(coll_)) {}

    const CollateSection &coll() const { return coll_; }
    int levels() const { return levels_; }
    bool backward(int level) const { return level_backward(coll_.directions[level]); }
    bool position(int level) const { return level_position(coll_.directions[level]); }

    bool is_char(uint8_t byte) const { return kind_of(root_, byte) == kMultiEnds; }
    bool row_of(uint32_t byte, uint16_t *row) const {
        if (byte >= kMultiFanout || !is_char(static_cast<uint8_t>(byte))) return false;
        *row = word_of(element_of(tree_, root_, static_cast<uint8_t>(byte)));
        return true;
    }

    // The longest collating element at s[0] (left bytes); its bytes, or 0.
    size_t match_element(const unsigned char *s, size_t left, uint16_t *row) const {
        if (coll_.element_start == nullptr || coll_.element_start[s[0]] != kStartsElement) return 0;
        const CollatingElement *best = nullptr;
        int best_count = 0;
        for (int32_t i = 0; i < coll_.element_count; ++i) {
            const CollatingElement &candidate = coll_.elements[i];
            const int count =
                candidate.count < kMaxSequenceChars ? candidate.count : kMaxSequenceChars;
            if (count <= best_count || static_cast<size_t>(count) > left ||
                candidate.chars[0] != s[0]) {
                continue;
            }
            int k = 1;
            while (k < count && candidate.chars[k] == s[k] && is_char(s[k]))
                ++k;
            if (k == count) {
                best = &candidate;
                best_count = count;
            }
        }
        if (best == nullptr) return 0;
        *row = best->row;
        return static_cast<size_t>(best_count);
    }

  private:
    const CollateSection &coll_;
    const multi_tree_t *tree_;
    const multi_arr_t *root_;
    int levels_;
};

// Place marks of a position level for streams that meet their units one
// weight at a time: the first weight of a unit that weighs something is
// held back behind the unit's mark.
class Places {
  public:
    explicit Places(bool position) : position_(position) {}

    // A new unit begins; the one before it weighed nothing unless announced.
    void begin_unit() {
        if (started_ && !weighed_) ++ignored_;
        started_ = true;
        weighed_ = false;
    }
    // What to return for a weight of the current unit.
    uint32_t announce(uint32_t weight) {
        if (!position_ || weighed_) {
            weighed_ = true;
            return weight;
        }
        weighed_ = true;
        held_ = weight;
        const uint32_t mark = place_mark(ignored_);
        ignored_ = 0;
        return mark;
    }
    // The weight held back behind a mark, or 0.
    uint32_t take_held() {
        const uint32_t weight = held_;
        held_ = 0;
        return weight;
    }

  private:
    bool position_;
    bool started_ = false;
    bool weighed_ = false;
    uint32_t ignored_ = 0;
    uint32_t held_ = 0;
};

// The weights of a string at one level, first to last; 0 after the last.
template <bool kExpansions, bool kElements>
class ForwardWeights {
  public:
    ForwardWeights(const ByteTables &tables, int level, CollText text)
        : tables_(tables),
          weights_(tables.coll().weights[level]),
          sb_expansions_(tables.coll().sb_expansions[level]),
          s_(text.s),
          n_(text.n),
          places_(tables.position(level)) {}

    uint32_t next() {
        if (const uint32_t held = places_.take_held(); held != 0) return held;
        for (;;) {
            if (kExpansions && expanded_ < expansion_count_) {
                const gl_wchar_t wc = expansion_->chars[expanded_++];
                uint16_t row = 0;
                if (tables_.row_of(wc, &row) && is_plain_weight(weights_[row]))
                    return places_.announce(weights_[row]);
                continue;
            }
            if (pos_ >= n_) return 0;
            places_.begin_unit();
            const uint8_t byte = s_[pos_];
            uint16_t row = 0;
            if (!tables_.row_of(byte, &row)) {
                ++pos_;
                return places_.announce(kUnknownWeight | byte);
            }
            size_t length = 0;
            if (kElements) length = tables_.match_element(s_ + pos_, n_ - pos_, &row);
            const bool single = length == 0;
            pos_ += single ? 1 : length;
            const uint16_t weight = weights_[row];
            if (is_plain_weight(weight)) return places_.announce(weight);
            if (kExpansions && is_expansion_ref(weight)) {
                // A byte's expansion is in the byte table; an element's is
                // found through its weight.
                expansion_ = single && sb_expansions_ != nullptr
                                 ? sb_expansions_[byte]
                                 : &tables_.coll().expansions[weight & kWeightIndexMask];
                expanded_ = 0;
                expansion_count_ = expansion_ == nullptr                   ? 0
                                   : expansion_->count < kMaxSequenceChars ? expansion_->count
                                                                           : kMaxSequenceChars;
            }
        }
    }

  private:
    const ByteTables &tables_;
    const uint16_t *weights_;
    CollationExpansion *const *sb_expansions_;
    const unsigned char *s_;
    size_t n_;
    Places places_;
    size_t pos_ = 0;
    const CollationExpansion *expansion_ = nullptr;
    int expanded_ = 0;
    int expansion_count_ = 0;
};

// The weights of a string at one level, last to first, for sections with
// neither expansions nor elements.
class BackwardWeights {
  public:
    BackwardWeights(const ByteTables &tables, int level, CollText text)
        : tables_(tables),
          weights_(tables.coll().weights[level]),
          s_(text.s),
          pos_(text.n),
          places_(tables.position(level)) {}

    uint32_t next() {
        if (const uint32_t held = places_.take_held(); held != 0) return held;
        while (pos_ > 0) {
            const uint8_t byte = s_[--pos_];
            places_.begin_unit();
            uint16_t row = 0;
            if (!tables_.row_of(byte, &row)) return places_.announce(kUnknownWeight | byte);
            if (is_plain_weight(weights_[row])) return places_.announce(weights_[row]);
        }
        return 0;
    }

  private:
    const ByteTables &tables_;
    const uint16_t *weights_;
    const unsigned char *s_;
    size_t pos_;
    Places places_;
};

template <bool kExpansions, bool kElements, bool kBackward>
int compare_bytes(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2, int n2) {
    const CollText a = single_byte_text(loc, s1, n1);
    const CollText b = single_byte_text(loc, s2, n2);
    const ByteTables tables(loc);
    for (int level = 0; level < tables.levels(); ++level) {
        int order = 0;
        if (kBackward && tables.backward(level)) {
            BackwardWeights wa(tables, level, a);
            BackwardWeights wb(tables, level, b);
            order = compare_streams(wa, wb);
        } else {
            ForwardWeights<kExpansions, kElements> wa(tables, level, a);
            ForwardWeights<kExpansions, kElements> wb(tables, level, b);
            order = compare_streams(wa, wb);
        }
        if (order != 0) return order;
    }
    return byte_order(a.s, a.n, b.s, b.n);
}

}  // namespace

int _gl_is_mbscoll_back(Locale *loc, const unsigned char *s1, const unsigned char *s2) {
    return compare_bytes<false, false, true>(loc, s1, kToTerminator, s2, kToTerminator);
}
int _qmx_gl_is_mbfscoll_back(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                             int n2) {
    return compare_bytes<false, false, true>(loc, s1, n1, s2, n2);
}
int _gl_is_mbscoll_exp(Locale *loc, const unsigned char *s1, const unsigned char *s2) {
    return compare_bytes<true, false, false>(loc, s1, kToTerminator, s2, kToTerminator);
}
int _qmx_gl_is_mbfscoll_exp(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                            int n2) {
    return compare_bytes<true, false, false>(loc, s1, n1, s2, n2);
}
int _gl_is_mbscoll_elem(Locale *loc, const unsigned char *s1, const unsigned char *s2) {
    return compare_bytes<false, true, false>(loc, s1, kToTerminator, s2, kToTerminator);
}
int _qmx_gl_is_mbfscoll_elem(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                             int n2) {
    return compare_bytes<false, true, false>(loc, s1, n1, s2, n2);
}
int _gl_is_mbscoll_exp_elem(Locale *loc, const unsigned char *s1, const unsigned char *s2) {
    return compare_bytes<true, true, false>(loc, s1, kToTerminator, s2, kToTerminator);
}
int _qmx_gl_is_mbfscoll_exp_elem(Locale *loc, const unsigned char *s1, int n1,
                                 const unsigned char *s2, int n2) {
    return compare_bytes<true, true, false>(loc, s1, n1, s2, n2);
}

}  // namespace gls
