// The collation section from a locale source's LC_COLLATE: the order laid
// out (collate_order.cpp), each level ranked (collate_levels.cpp), and the
// units given rows, one row for each distinct set of weights.
//
// The section gives its weights directly: the loader then derives no
// equal-weight lists, which would cost every process that loads the file
// a pass over all its characters.
#include <algorithm>
#include <unordered_map>

#include "tools/lccomp/collate_compile.h"
#include "tools/lccomp/compile.h"

namespace velmorad::tools {

namespace {

using collate::ExpansionTable;
using collate::LevelStats;
using collate::Order;

// Rows are the tree's 16-bit elements.
constexpr size_t kMaxRows = 0x10000;
constexpr uint16_t kLargestOneByteWeight = 0xFF;

// The characters the locale writes its month and day names with.
std::vector<std::string> own_letters(const LocaleSource &source) {
    std::vector<std::string> letters;
    for (const char *keyword : {"mon", "day", "abmon", "abday"}) {
        const KeywordValue *value = source.time.find(keyword);
        if (value == nullptr) continue;
        for (const CharString &text : value->strings)
            letters.insert(letters.end(), text.begin(), text.end());
    }
    return letters;
}

// The row of each unit: units whose weights agree at every level share one.
// Row 0 goes to the most common weights, since the tree stores the
// characters of its default row most compactly.
bool assign_rows(const std::vector<std::vector<uint16_t>> &level_weights, size_t units,
                 const SourcePosition &at, Diagnostics *diagnostics, std::vector<uint16_t> *row_of,
                 std::vector<std::vector<uint16_t>> *rows) {
    const size_t levels = level_weights.size();
    std::unordered_map<std::string, uint32_t> seen;
    std::vector<std::vector<uint16_t>> distinct;
    std::vector<size_t> uses;
    std::vector<uint32_t> first_row(units);
    std::string key;
    for (size_t u = 0; u < units; ++u) {
        key.clear();
        for (size_t l = 0; l < levels; ++l) {
            key += static_cast<char>(level_weights[l][u] >> 8);
            key += static_cast<char>(level_weights[l][u] & 0xFF);
        }
        auto [it, added] = seen.emplace(key, static_cast<uint32_t>(distinct.size()));
        if (added) {
            std::vector<uint16_t> row(levels);
            for (size_t l = 0; l < levels; ++l)
                row[l] = level_weights[l][u];
            distinct.push_back(std::move(row));
            uses.push_back(0);
        }
        ++uses[it->second];
        first_row[u] = it->second;
    }
    if (distinct.size() > kMaxRows) {
        return diagnostics->fail(at, "the order needs " + std::to_string(distinct.size()) +
                                         " distinct rows of weights; at most 65536 fit");
    }
    if (distinct.empty()) distinct.emplace_back(std::max<size_t>(levels, 1), uint16_t{0});
    const auto common =
        static_cast<uint32_t>(std::max_element(uses.begin(), uses.end()) - uses.begin());
    // Row numbers: the common row first, the others in order of first use.
    std::vector<uint16_t> number(distinct.size());
    uint32_t next = 1;
    for (uint32_t d = 0; d < distinct.size(); ++d)
        number[d] = d == common ? 0 : static_cast<uint16_t>(next++);
    rows->assign(distinct.size(), {});
    for (uint32_t d = 0; d < distinct.size(); ++d)
        (*rows)[number[d]] = std::move(distinct[d]);
    row_of->resize(units);
    for (size_t u = 0; u < units; ++u)
        (*row_of)[u] = number[first_row[u]];
    return true;
}

// Ranks every level of the order; false when some level had more names than
// weights and let names of lower tiers share them.
bool rank_levels(const Order &order, ExpansionTable *expansions,
                 std::vector<std::vector<uint16_t>> *level_weights) {
    const size_t levels = order.directions.size();
    level_weights->assign(levels, {});
    bool exact = true;
    for (size_t l = 0; l < levels; ++l) {
        LevelStats stats;
        (*level_weights)[l] = collate::rank_level(order, l, expansions, &stats);
        exact = exact && stats.exact_tiers == collate::kTierCount;
    }
    return exact;
}

}  // namespace

bool compile_collation(const LocaleSource &source, const Charmap &charmap, Diagnostics *diagnostics,
                       gls::CollationSource *out) {
    const SourcePosition whole{source.file, 0};
    out->rules = gls::CollationRules::kAsSpecified;
    out->direct_weights = true;

    Order order;
    if (!collate::build_order(source.collate, charmap, own_letters(source), diagnostics, &order))
        return false;

    ExpansionTable expansions;
    std::vector<std::vector<uint16_t>> level_weights;
    if (!rank_levels(order, &expansions, &level_weights)) {
        // More names than weights (a Unicode code set under the template):
        // rather than share weights among the characters of other scripts,
        // which would still cost every process that loads the file a row
        // and a tree entry for each, leave those characters to byte order.
        collate::keep_own_tier(&order);
        expansions = ExpansionTable();
        if (!rank_levels(order, &expansions, &level_weights)) {
            diagnostics->warn(whole,
                              "the locale's own characters have more distinct weights "
                              "than the 16383 the format holds; some share a weight");
        }
    }

    std::vector<uint16_t> row_of;
    if (!assign_rows(level_weights, order.units.size(), whole, diagnostics, &row_of,
                     &out->weights)) {
        return false;
    }

    uint16_t largest = 0;
    for (const std::vector<uint16_t> &row : out->weights) {
        for (uint16_t w : row) {
            if ((w & collate::kExpansionFlag) == 0) largest = std::max(largest, w);
        }
    }
    out->weight_size = largest > kLargestOneByteWeight ? 2 : 1;
    out->directions = order.directions;

    for (size_t u = 0; u < order.units.size(); ++u) {
        const collate::Unit &unit = order.units[u];
        if (unit.element < 0) {
            out->rows.emplace(unit.bytes, row_of[u]);
            continue;
        }
        gls::CollationElementSource element;
        for (const std::string &c : order.element_chars[static_cast<size_t>(unit.element)])
            element.chars.push_back(packed_wchar(c));
        element.row = row_of[u];
        out->elements.push_back(std::move(element));
    }
    for (const std::vector<uint32_t> &chars : expansions.entries())
        out->expansions.emplace_back(chars.begin(), chars.end());
    return true;
}

}  // namespace velmorad::tools
