// Reading the collation section: the rules line, the tree of rows, the
// counts, directions, collating elements, expansions and weights. Every
// count, row and expansion reference is checked against the counts before
// anything indexes with it, so the derived tables and the primitives can
// trust them.
#include <cstring>

#include "gls/load/collate_internal.h"
#include "gls/load/load_internal.h"
#include "gls/util/digits.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr char kRulesAsSpecified[] = "as_specified\n";
constexpr char kRulesThai[] = "thai_smo\n";
constexpr int kNewline = '\n';
constexpr int kBlank = ' ';
constexpr int kDirectionDigits = 4;
constexpr int kWeightDigits = 4;
constexpr int kRowDigits = 4;
constexpr int kCountDigits = 1;
constexpr int kCharDigits = 8;
constexpr long kMaxWeightSize = 4;
constexpr uint32_t kOk = 0;
// A failure that has no code of its own (unknown rules; a tree whose
// header line lacks its newline); the loader supplies a general one.
constexpr uint32_t kFailedWithoutCode = UINT32_MAX;

bool read_newline(FILE *stream) {
    return _gl_ext_getc(stream) == kNewline;
}

// The bytes of the section's tail (directions, lists and weights, up to a
// direct-weights line of half a megabyte) taken through the host's fgets a
// piece at a time, instead of one call per byte. A piece ends at a line
// end, so the stream stops at the end of the last line looked at; the
// section is the last thing read from its stream.
class Pieces {
  public:
    explicit Pieces(FILE *stream) : stream_(stream) {}

    // The next byte, or EOF. A zero byte of the file is returned as such
    // and nothing after it: no field holds one, so reading fails there as
    // it would byte by byte.
    int peek() {
        if (next_ == end_ && !fill()) return end_of_bytes_;
        return static_cast<unsigned char>(piece_[next_]);
    }
    void take() { ++next_; }
    bool take_if(int c) {
        if (peek() != c) return false;
        take();
        return true;
    }

    // A fixed-width hexadecimal field; a non-digit or the end of input
    // fails, so that a cut-off section cannot read as zeros. A field that
    // lies whole within the piece is read straight from it.
    template <int Digits>
    bool hex(uint32_t *value) {
        if (end_ - next_ >= size_t{Digits}) {
            if (!hex_at<Digits>(bytes() + next_, value)) return false;
            next_ += size_t{Digits};
            return true;
        }
        uint32_t result = 0;
        for (int i = 0; i < Digits; ++i) {
            const int digit = digit_value(peek());
            if (digit < 0) return false;
            take();
            result = (result << 4) | static_cast<uint32_t>(digit);
        }
        *value = result;
        return true;
    }

    // `count` fields of an optional blank and four digits, each handed to
    // store(value), which may refuse it. A hundred thousand of these make
    // a large locale's weights, so the fields whole within a piece are read
    // in a loop of their own.
    template <class Store>
    bool blank_separated_fields(size_t count, Store store) {
        constexpr size_t kFieldMax = 1 + kWeightDigits;
        while (count > 0) {
            const unsigned char *p = bytes() + next_;
            const unsigned char *end = bytes() + end_;
            for (; count > 0 && static_cast<size_t>(end - p) >= kFieldMax; --count) {
                p += *p == kBlank ? 1 : 0;
                uint32_t value = 0;
                if (!hex_at<kWeightDigits>(p, &value) || !store(value)) return false;
                p += kWeightDigits;
            }
            next_ = static_cast<size_t>(p - bytes());
            if (count == 0) break;
            // A field that may straddle the piece's end.
            (void)take_if(kBlank);
            uint32_t value = 0;
            if (!hex<kWeightDigits>(&value) || !store(value)) return false;
            --count;
        }
        return true;
    }

  private:
    const unsigned char *bytes() const { return reinterpret_cast<const unsigned char *>(piece_); }

    template <int Digits>
    static bool hex_at(const unsigned char *p, uint32_t *value) {
        bool bad = false;
        *value = hex_field::parse<Digits>(p, &bad);
        return !bad;
    }

    bool fill() {
        if (end_of_bytes_ != kMore) return false;
        if (_gl_ext_fgets(piece_, sizeof piece_, stream_) == nullptr) {
            end_of_bytes_ = EOF;
            return false;
        }
        next_ = 0;
        end_ = std::strlen(piece_);
        // A piece that stops short of its room without a newline ended at
        // the end of the file or at a zero byte within it.
        if (end_ + 1 < sizeof piece_ && (end_ == 0 || piece_[end_ - 1] != kNewline))
            end_of_bytes_ = _gl_ext_feof(stream_) != 0 ? EOF : 0;
        return end_ > 0;
    }

    static constexpr int kMore = -2;
    static constexpr size_t kPieceSize = 4096;
    FILE *stream_;
    char piece_[kPieceSize];
    size_t next_ = 0;
    size_t end_ = 0;
    int end_of_bytes_ = kMore;
};

bool in_range(long value, long low, long high) {
    return value >= low && value <= high;
}

uint32_t read_rules_line(FILE *stream, CollateSection &coll) {
    char line[kHeaderLineSize];
    if (_gl_ext_fgets(line, sizeof line, stream) == nullptr || check_nl(line) != 0)
        return GL_ESHORTFILE;
    if (std::strcmp(line, kRulesAsSpecified) == 0) {
        coll.mode = kCollateRules;
        return kOk;
    }
    if (std::strcmp(line, kRulesThai) == 0) {
        coll.mode = kCollateThai;
        return kOk;
    }
    coll.mode = kCollateNone;
    return kFailedWithoutCode;
}

// C and E wait for their lists, which take them once made.
struct ListCounts {
    long elements = 0;
    long expansions = 0;
};

// The direct-weights line and the line of R, L, C, E and the weight size.
uint32_t read_counts(FILE *stream, CollateSection &coll, ListCounts *lists) {
    const long direct = _gl_get_int(stream);
    if (!read_newline(stream) || !in_range(direct, 0, 1)) return GL_ESHORTFILE;
    const long max_row = _gl_get_int(stream);
    const long levels = _gl_get_int(stream);
    const long elements = _gl_get_int(stream);
    const long expansions = _gl_get_int(stream);
    const long weight_size = _gl_get_int(stream);
    _gl_skip_space_if_needed(stream);
    if (!read_newline(stream)) return GL_ESHORTFILE;
    if (!in_range(max_row, 0, kMaxRowCount - 1) || !in_range(levels, 0, kMaxCollationLevels) ||
        !in_range(elements, 0, kMaxElements) || !in_range(expansions, 0, kMaxExpansions) ||
        !in_range(weight_size, 1, kMaxWeightSize)) {
        return GL_ESHORTFILE;
    }
    coll.direct_weights = static_cast<int32_t>(direct);
    coll.max_row = static_cast<int32_t>(max_row);
    coll.levels = static_cast<int32_t>(levels);
    coll.weight_size = static_cast<int32_t>(weight_size);
    lists->elements = elements;
    lists->expansions = expansions;
    return kOk;
}

// Every character of the tree must name a row that exists. The leaves of
// a large code set's compressed tree share a few hundred data arrays: an
// array whose every entry is a row that exists serves every leaf that uses
// it without a look at the leaf's flags. What is known of each array is
// kept on the stack, so the check allocates nothing and cannot fail for
// lack of memory; it finds the same files bad as a walk of every character.
class RowCheck {
  public:
    RowCheck(const multi_tree_t *tree, uint32_t max_row) : tree_(tree), max_row_(max_row) {}

    bool node_ok(const multi_arr_t &node, int depth) {
        if (node.flags == nullptr || depth >= kMaxCharBytes) return true;
        if (node.next == nullptr && all_rows_exist(node)) return true;
        for (int b = 0; b < kMultiFanout; ++b) {
            const uint8_t flag = node.flags[b];
            if (flag == kMultiEnds) {
                if (row_of(element(node.data, b)) > max_row_) return false;
            } else if (flag == kMultiContinues && node.next != nullptr && node.offsets != nullptr) {
                if (!node_ok(node.next[node.offsets[b]], depth + 1)) return false;
            }
        }
        return true;
    }

  private:
    static constexpr int32_t kKnownArrays = 4096;
    enum Known : uint8_t { kUnknown = 0, kAllExist, kSomeMissing };

    const uint8_t *element(const uint8_t *data, int b) const {
        return data != nullptr ? data + (size_t{static_cast<uint8_t>(b)} << tree_->shift)
                               : tree_->default_element;
    }

    // Whether every entry of the node's data array (or the default, for a
    // node without one) names a row that exists.
    bool all_rows_exist(const multi_arr_t &node) {
        if (node.data == nullptr) return row_of(tree_->default_element) <= max_row_;
        // A node's own array (a plain tree) serves that node only.
        if (node.data_index == kMultiOwnArray) return highest_row(node.data) <= max_row_;
        const int32_t index = node.data_index;
        if (index < 0 || index >= kKnownArrays || index >= tree_->data_count ||
            tree_->shared_data[index] != node.data) {
            return false;
        }
        if (known_[index] == kUnknown)
            known_[index] = highest_row(node.data) <= max_row_ ? kAllExist : kSomeMissing;
        return known_[index] == kAllExist;
    }

    // The highest row an array names: a loop without early exit over
    // packed rows, which the compiler turns into vector code.
    uint32_t highest_row(const uint8_t *data) const {
        const size_t stride = size_t{1} << tree_->shift;
        uint16_t highest = 0;
        if (stride == sizeof(uint16_t)) {
            for (size_t b = 0; b < kMultiFanout; ++b) {
                const uint16_t row = row_of(data + b * sizeof(uint16_t));
                highest = row > highest ? row : highest;
            }
            return highest;
        }
        for (size_t b = 0; b < kMultiFanout; ++b) {
            const uint16_t row = row_of(data + b * stride);
            highest = row > highest ? row : highest;
        }
        return highest;
    }

    const multi_tree_t *tree_;
    uint32_t max_row_;
    uint8_t known_[kKnownArrays] = {};
};

bool tree_rows_in_range(const CollateSection &coll) {
    RowCheck check(coll.tree, static_cast<uint32_t>(coll.max_row));
    return check.node_ok(coll.tree->root, 0);
}

uint32_t read_directions(Pieces &in, CollateSection &coll) {
    if (coll.levels == 0) return kOk;
    for (int level = 0; level < coll.levels; ++level) {
        uint32_t direction = 0;
        if (!in.hex<kDirectionDigits>(&direction)) return GL_ESHORTFILE;
        coll.directions[level] = static_cast<int32_t>(direction);
    }
    const size_t rows = static_cast<size_t>(coll.max_row) + 1;
    for (int level = 0; level < coll.levels; ++level) {
        auto weights = host_alloc<uint16_t>(rows);
        if (!weights) return GL_ENOMEM;
        coll.weights[level] = weights.release();
    }
    return in.take_if(kNewline) ? kOk : GL_ESHORTFILE;
}

// A character count, then (for elements) the row, then the characters.
uint32_t read_sequence(Pieces &in, Locale *loc, bool with_row, int32_t *count, uint16_t *row,
                       gl_wchar_t **chars) {
    uint32_t length = 0;
    if (!in.hex<kCountDigits>(&length) || length == 0) return GL_ESHORTFILE;
    if (with_row) {
        uint32_t value = 0;
        if (!in.hex<kRowDigits>(&value) || value > static_cast<uint32_t>(loc->collate.max_row)) {
            return GL_ESHORTFILE;
        }
        *row = static_cast<uint16_t>(value);
    }
    auto owned = host_alloc<gl_wchar_t>(length);
    if (!owned) return GL_ENOMEM;
    for (uint32_t i = 0; i < length; ++i) {
        if (!in.hex<kCharDigits>(&owned.get()[i])) return GL_ESHORTFILE;
    }
    if (!in.take_if(kNewline)) return GL_ESHORTFILE;
    *count = static_cast<int32_t>(length);
    *chars = owned.release();
    if (static_cast<double>(length) > loc->longest_element) loc->longest_element = length;
    return kOk;
}

// The lists are attached before they are filled, zeroed, so a failure
// part-way leaves entries the category's release handles.
uint32_t read_elements(Pieces &in, Locale *loc, long count) {
    CollateSection &coll = loc->collate;
    if (count == 0) return kOk;
    auto elements = host_alloc<CollatingElement>(static_cast<size_t>(count));
    if (!elements) return GL_ENOMEM;
    coll.elements = elements.release();
    coll.element_count = static_cast<int32_t>(count);
    for (long i = 0; i < count; ++i) {
        CollatingElement &element = coll.elements[i];
        const uint32_t status =
            read_sequence(in, loc, true, &element.count, &element.row, &element.chars);
        if (status != kOk) return status;
    }
    return kOk;
}

uint32_t read_expansions(Pieces &in, Locale *loc, long count) {
    CollateSection &coll = loc->collate;
    if (count == 0) return kOk;
    auto expansions = host_alloc<CollationExpansion>(static_cast<size_t>(count));
    if (!expansions) return GL_ENOMEM;
    coll.expansions = expansions.release();
    coll.expansion_count = static_cast<int32_t>(count);
    uint16_t unused_row = 0;
    for (long i = 0; i < count; ++i) {
        CollationExpansion &expansion = coll.expansions[i];
        const uint32_t status =
            read_sequence(in, loc, false, &expansion.count, &unused_row, &expansion.chars);
        if (status != kOk) return status;
    }
    return kOk;
}

// Direct weights are one run of blank-separated fields, row by row and
// level by level within a row; derived weights are one line per row.
uint32_t read_weights(Pieces &in, CollateSection &coll) {
    const auto expansions = static_cast<uint32_t>(coll.expansion_count);
    auto valid = [expansions](uint16_t value) {
        return !is_expansion_ref(value) || (value & kWeightIndexMask) < expansions;
    };
    if (coll.direct_weights == 1) {
        if (coll.levels == 0) return kOk;
        int32_t row = 0;
        int level = 0;
        const size_t count =
            (static_cast<size_t>(coll.max_row) + 1) * static_cast<size_t>(coll.levels);
        const bool read = in.blank_separated_fields(count, [&](uint32_t weight) {
            const auto value = static_cast<uint16_t>(weight);
            if (!valid(value)) return false;
            coll.weights[level][row] = value;
            if (++level == coll.levels) {
                level = 0;
                ++row;
            }
            return true;
        });
        return read ? kOk : GL_ESHORTFILE;
    }
    for (int32_t row = 0; row <= coll.max_row; ++row) {
        for (int level = 0; level < coll.levels; ++level) {
            uint32_t weight = 0;
            if (!in.hex<kWeightDigits>(&weight)) return GL_ESHORTFILE;
            const auto value = static_cast<uint16_t>(weight);
            if (!valid(value)) return GL_ESHORTFILE;
            coll.weights[level][row] = value;
        }
        // A section without levels has empty rows; their line ends are optional.
        const bool ended = in.take_if(kNewline);
        if (!ended && coll.levels > 0) return GL_ESHORTFILE;
    }
    return kOk;
}

uint32_t read_rules(FILE *stream, Locale *loc) {
    CollateSection &coll = loc->collate;
    if (_gl_fscanf_multi(stream, coll.tree, kMultiLengthLimit, ub2_reader) != 0) {
        const uint32_t error = _gl_multi_err(coll.tree);
        return error != kOk ? error : kFailedWithoutCode;
    }
    ListCounts lists;
    uint32_t status = read_counts(stream, coll, &lists);
    if (status == kOk && !tree_rows_in_range(coll)) status = GL_ESHORTFILE;
    Pieces tail(stream);
    if (status == kOk) status = read_directions(tail, coll);
    if (status == kOk) status = read_elements(tail, loc, lists.elements);
    if (status == kOk) status = read_expansions(tail, loc, lists.expansions);
    if (status == kOk) status = read_weights(tail, coll);
    if (status == kOk && coll.direct_weights != 1) status = derive_equal_weights(loc);
    if (status == kOk) status = make_single_byte_tables(loc);
    return status;
}

}  // namespace

int read_collate(FILE *stream, Locale *loc) {
    CollateSection &coll = loc->collate;
    if (stream == nullptr || coll.tree == nullptr) {
        gl_set_error(loc, GL_ENOMEM);
        return -1;
    }
    uint32_t status = read_rules_line(stream, coll);
    if (status == kOk && coll.mode == kCollateRules) status = read_rules(stream, loc);
    if (status == kFailedWithoutCode) return -1;
    if (status != kOk) {
        gl_set_error(loc, status);
        return -1;
    }
    // Look-ups made while deriving the tables may have left a code.
    if (coll.mode == kCollateRules) gl_set_error(loc, kOk);
    return 0;
}

}  // namespace gls
