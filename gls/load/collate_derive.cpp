// The equal-weight lists of a section with derived weights: the strings of
// every all-ones row, and for every class of rows with equal weights the
// pairs (member, representative).
//
// Rows are sorted into classes with a hash table keyed on the weight tuple,
// which finds for each row the first earlier row with the same weights in
// constant expected time; a UTF-8 locale has tens of thousands of rows and
// every process pays for this at load time.
#include <cstring>

#include "gls/load/collate_internal.h"
#include "gls/load/load_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr uint32_t kOk = 0;
// What a row files its strings into, besides a class number.
constexpr int32_t kNoClass = -1;
constexpr int32_t kAllOnesRow = -2;
constexpr uint32_t kEmptySlot = 0;  // slots hold row + 1
constexpr size_t kMinSlots = 16;

// FNV-1a over the weights, then a final mix so that the low bits that pick
// a slot depend on every weight.
uint64_t tuple_hash(const CollateSection &coll, uint32_t row) {
    constexpr uint64_t kOffsetBasis = 0xCBF29CE484222325ULL;
    constexpr uint64_t kPrime = 0x100000001B3ULL;
    constexpr uint64_t kMix = 0xFF51AFD7ED558CCDULL;
    uint64_t hash = kOffsetBasis;
    for (int level = 0; level < coll.levels; ++level) {
        hash = (hash ^ coll.weights[level][row]) * kPrime;
    }
    hash ^= hash >> 33;
    hash *= kMix;
    hash ^= hash >> 33;
    return hash;
}

bool same_weights(const CollateSection &coll, uint32_t a, uint32_t b) {
    for (int level = 0; level < coll.levels; ++level) {
        if (coll.weights[level][a] != coll.weights[level][b]) return false;
    }
    return true;
}

// Open addressing with linear probing over at most R + 1 rows, kept at
// most half full.
class FirstRowTable {
  public:
    explicit FirstRowTable(const CollateSection &coll) : coll_(coll) {}

    [[nodiscard]] bool init(size_t rows) {
        size_t size = kMinSlots;
        while (size < 2 * rows)
            size *= 2;
        slots_ = host_alloc<uint32_t>(size);
        mask_ = size - 1;
        return static_cast<bool>(slots_);
    }

    // The first row recorded with the weights of row; when there is none,
    // row is recorded as the first and kNoClass returned.
    int32_t find_or_add(uint32_t row) {
        uint32_t *slots = slots_.get();
        for (size_t i = tuple_hash(coll_, row) & mask_;; i = (i + 1) & mask_) {
            if (slots[i] == kEmptySlot) {
                slots[i] = row + 1;
                return kNoClass;
            }
            const uint32_t other = slots[i] - 1;
            if (same_weights(coll_, other, row)) return static_cast<int32_t>(other);
        }
    }

  private:
    const CollateSection &coll_;
    HostPtr<uint32_t> slots_;
    size_t mask_ = 0;
};

struct ExpansionRow {
    uint32_t index;
    uint32_t row;
};

// Rows sorted into the all-ones rows and the classes, and the expansions
// whose rows expand to nothing but them, in row order.
struct RowClasses {
    HostPtr<int32_t> of_row;  // class number, kAllOnesRow or kNoClass
    int32_t count = 0;
    HostPtr<ExpansionRow> expansion_rows;
    size_t expansion_row_count = 0;
};

uint32_t classify_rows(const CollateSection &coll, RowClasses *classes) {
    const auto rows = static_cast<size_t>(coll.max_row) + 1;
    classes->of_row = host_alloc<int32_t>(rows);
    FirstRowTable first_rows(coll);
    if (!classes->of_row || !first_rows.init(rows)) return GL_ENOMEM;
    HostPtr<uint8_t> recorded;
    if (coll.expansion_count > 0) {
        const auto expansions = static_cast<size_t>(coll.expansion_count);
        recorded = host_alloc<uint8_t>(expansions);
        classes->expansion_rows = host_alloc<ExpansionRow>(expansions < rows ? expansions : rows);
        if (!recorded || !classes->expansion_rows) return GL_ENOMEM;
    }
    int32_t *of_row = classes->of_row.get();
    for (uint32_t row = 0; row < rows; ++row) {
        of_row[row] = kNoClass;
        bool all_ones = true;
        bool special = false;
        bool one_expansion = coll.levels > 0;
        const uint16_t first = coll.levels > 0 ? coll.weights[0][row] : 0;
        for (int level = 0; level < coll.levels; ++level) {
            const uint16_t weight = coll.weights[level][row];
            all_ones = all_ones && weight == kWeightOne;
            special = special || (weight & kWeightSpecial) != 0;
            one_expansion = one_expansion && is_expansion_ref(weight) && weight == first;
        }
        if (all_ones) {
            of_row[row] = kAllOnesRow;
            continue;
        }
        if (!special) {
            const int32_t earlier = first_rows.find_or_add(row);
            if (earlier != kNoClass) {
                if (of_row[earlier] == kNoClass) of_row[earlier] = classes->count++;
                of_row[row] = of_row[earlier];
            }
        }
        if (one_expansion) {
            const uint32_t index = first & kWeightIndexMask;
            if (recorded.get()[index] == 0) {
                recorded.get()[index] = 1;
                classes->expansion_rows.get()[classes->expansion_row_count++] = {index, row};
            }
            if (of_row[row] == kNoClass) of_row[row] = classes->count++;
        }
    }
    return kOk;
}

// Calls file(bytes, length, row) for every string filed, in filing order:
// collating elements, recorded expansions, then the tree's characters.
// GL_EILSEQ when an element or expansion has a character the tree cannot
// encode.
template <class File>
uint32_t for_each_filing(Locale *loc, const RowClasses &classes, File &&file) {
    const CollateSection &coll = loc->collate;
    unsigned char bytes[kMaxSequenceChars * kMaxCharBytes];
    for (int32_t i = 0; i < coll.element_count; ++i) {
        const CollatingElement &element = coll.elements[i];
        const int length = encode_sequence(loc, element.chars, element.count, bytes);
        if (length < 0) return GL_EILSEQ;
        if (!file(bytes, length, element.row)) return GL_ENOMEM;
    }
    for (size_t i = 0; i < classes.expansion_row_count; ++i) {
        const ExpansionRow &recorded = classes.expansion_rows.get()[i];
        const CollationExpansion &expansion = coll.expansions[recorded.index];
        const int length = encode_sequence(loc, expansion.chars, expansion.count, bytes);
        if (length < 0) return GL_EILSEQ;
        if (!file(bytes, length, recorded.row)) return GL_ENOMEM;
    }
    return for_each_character(coll.tree, file) ? kOk : GL_ENOMEM;
}

// A string list under construction. Entries are filled out of order, so
// until it is handed over every non-null entry is released.
class StringList {
  public:
    [[nodiscard]] bool init(size_t entries) {
        list_ = host_alloc<unsigned char *>(entries);
        size_ = entries;
        return static_cast<bool>(list_);
    }
    ~StringList() {
        for (size_t i = 0; list_ && i < size_; ++i)
            _gl_free_ptr(list_.get()[i]);
    }
    unsigned char *&operator[](size_t i) { return list_.get()[i]; }
    unsigned char **release() { return list_.release(); }

  private:
    HostPtr<unsigned char *> list_;
    size_t size_ = 0;
};

// A filed string: its bytes and the zero bytes that end it.
unsigned char *filed_copy(const unsigned char *bytes, int length) {
    auto copy = host_alloc<unsigned char>(static_cast<size_t>(length) + kFiledTerminator);
    if (copy) std::memcpy(copy.get(), bytes, static_cast<size_t>(length));
    return copy.release();
}

struct ClassStrings {
    size_t count;   // strings filed under the class's rows
    size_t first;   // its first pair in the equivalence list
    size_t filled;  // strings placed so far
};

// Filing runs twice: once to count the strings of each list, once to place
// them, so every list is allocated once at its final size.
uint32_t build_lists(Locale *loc, const RowClasses &classes) {
    CollateSection &coll = loc->collate;
    const int32_t *of_row = classes.of_row.get();
    auto per_class = host_alloc<ClassStrings>(static_cast<size_t>(classes.count));
    if (classes.count > 0 && !per_class) return GL_ENOMEM;
    ClassStrings *strings = per_class.get();

    size_t ones = 0;
    uint32_t status = for_each_filing(loc, classes, [&](const unsigned char *, int, uint16_t row) {
        if (of_row[row] == kAllOnesRow) ++ones;
        if (of_row[row] >= 0) ++strings[of_row[row]].count;
        return true;
    });
    if (status != kOk) return status;
    size_t pairs = 0;
    for (int32_t c = 0; c < classes.count; ++c) {
        strings[c].first = pairs;
        if (strings[c].count > 1) pairs += strings[c].count - 1;
    }

    StringList all_ones;
    StringList equivalences;
    if ((ones > 0 && !all_ones.init(ones + 1)) ||
        (pairs > 0 && !equivalences.init(2 * (pairs + 1)))) {
        return GL_ENOMEM;
    }
    size_t ones_placed = 0;
    status =
        for_each_filing(loc, classes, [&](const unsigned char *bytes, int length, uint16_t row) {
            if (of_row[row] == kAllOnesRow) {
                all_ones[ones_placed] = filed_copy(bytes, length);
                return all_ones[ones_placed++] != nullptr;
            }
            if (of_row[row] < 0) return true;
            ClassStrings &cls = strings[of_row[row]];
            if (cls.count < 2) return true;  // a class of one string pairs with nothing
            const size_t i = cls.filled++;
            if (i + 1 < cls.count) {
                unsigned char *&member = equivalences[2 * (cls.first + i)];
                member = filed_copy(bytes, length);
                return member != nullptr;
            }
            // The last string filed represents the class, once in every pair.
            for (size_t pair = cls.first; pair < cls.first + cls.count - 1; ++pair) {
                unsigned char *&representative = equivalences[2 * pair + 1];
                representative = filed_copy(bytes, length);
                if (representative == nullptr) return false;
            }
            return true;
        });
    if (status != kOk) return status;
    if (ones > 0) coll.all_ones = all_ones.release();
    if (pairs > 0) coll.equivalences = equivalences.release();
    return kOk;
}

}  // namespace

uint32_t derive_equal_weights(Locale *loc) {
    RowClasses classes;
    const uint32_t status = classify_rows(loc->collate, &classes);
    return status != kOk ? status : build_lists(loc, classes);
}

}  // namespace gls
