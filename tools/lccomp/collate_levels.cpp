// One level's weights: the places each unit's weight lists, ranked into the
// section's 16-bit weights.
//
// A unit weighing one name gets the rank of that name's place among all the
// names and lists the level uses. A unit weighing several names becomes an
// expansion when every name has a representative (a character weighing that
// name alone at the level): the library then reads the representatives'
// weights in turn, exactly the source's list. When a name has none, as the
// combining accents of a code set without combining characters, the list is
// ranked as a whole among the others, as it sorts (a proper prefix first):
// exact whenever the list is compared against whole lists, which is all that
// text without combining characters can produce.
//
// Ranks are dense. A level with more names than plain weights keeps the
// tiers of units in order: each name used by a unit of a kept tier keeps a
// weight of its own, and the runs of other names between two kept ones are
// cut into buckets of consecutive names that share one weight, as many
// buckets as the weights left allow.
#include <algorithm>
#include <unordered_map>

#include "tools/lccomp/collate_compile.h"
#include "tools/lccomp/compile.h"

namespace velmorad::tools::collate {

int32_t ExpansionTable::find_or_add(const std::vector<uint32_t> &chars) {
    auto it = index_.find(chars);
    if (it != index_.end()) return it->second;
    if (entries_.size() >= kCapacity) return -1;
    const auto index = static_cast<int32_t>(entries_.size());
    index_.emplace(chars, index);
    entries_.push_back(chars);
    return index;
}

namespace {

enum class UnitKind : uint8_t { kIgnorable, kPlain, kExpansion };

// The better of two representatives: the shorter character, then the lower
// bytes, so that the choice does not depend on the order of the source.
bool better_representative(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

// Ranks 1.. for keys in sorted order, sharing ranks as little as the budget
// forces: every key of a tier up to some T keeps its own rank, and the runs
// of other keys between them are cut into buckets of equal size.
std::vector<uint16_t> assign_ranks(const std::vector<uint8_t> &key_tier, LevelStats *stats) {
    const size_t count = key_tier.size();
    std::vector<uint16_t> rank(count);
    stats->keys = count;
    if (count <= kMaxPlainWeight) {
        for (size_t k = 0; k < count; ++k)
            rank[k] = static_cast<uint16_t>(k + 1);
        stats->exact_tiers = kTierCount;
        return rank;
    }
    // Find the most tiers that can stay exact, and the smallest bucket size
    // that fits the runs between their keys into the weights left.
    int kept_tiers = 0;
    size_t bucket = count;
    for (int tiers = kTierCount - 1; tiers >= 0; --tiers) {
        size_t kept = 0;
        std::vector<size_t> runs;
        size_t run = 0;
        for (size_t k = 0; k < count; ++k) {
            if (key_tier[k] < tiers) {
                ++kept;
                if (run > 0) runs.push_back(run);
                run = 0;
            } else {
                ++run;
            }
        }
        if (run > 0) runs.push_back(run);
        if (kept + runs.size() > kMaxPlainWeight) continue;
        auto weights_needed = [&](size_t size) {
            size_t total = kept;
            for (size_t r : runs)
                total += (r + size - 1) / size;
            return total;
        };
        size_t low = 1;
        size_t high = count;
        while (low < high) {
            const size_t mid = low + (high - low) / 2;
            if (weights_needed(mid) <= kMaxPlainWeight) {
                high = mid;
            } else {
                low = mid + 1;
            }
        }
        kept_tiers = tiers;
        bucket = low;
        break;
    }
    stats->exact_tiers = kept_tiers;
    uint16_t r = 0;
    size_t in_run = 0;
    for (size_t k = 0; k < count; ++k) {
        if (key_tier[k] < kept_tiers) {
            ++r;
            in_run = 0;
        } else {
            if (in_run % bucket == 0) ++r;
            ++in_run;
        }
        rank[k] = r;
    }
    for (size_t k = 0; k < count; ++k) {
        const bool shares =
            (k > 0 && rank[k - 1] == rank[k]) || (k + 1 < count && rank[k + 1] == rank[k]);
        if (shares) ++stats->merged;
    }
    return rank;
}

}  // namespace

std::vector<uint16_t> rank_level(const Order &order, size_t level, ExpansionTable *expansions,
                                 LevelStats *stats) {
    *stats = LevelStats();
    const LevelLists &lists = order.levels[level];
    const std::vector<Unit> &units = order.units;
    const size_t count = units.size();
    const bool backward = (order.directions[level] & ~kPosition) == kBackward;

    // Representatives: for each place, the character weighing it alone.
    std::unordered_map<Position, uint32_t> representative;
    for (size_t u = 0; u < count; ++u) {
        if (lists.size(u) != 1 || units[u].element >= 0) continue;
        auto [it, added] = representative.emplace(lists.list(u)[0], static_cast<uint32_t>(u));
        if (!added && better_representative(units[u].bytes, units[it->second].bytes))
            it->second = static_cast<uint32_t>(u);
    }

    // Expansions, the locale's own units first while the table has room.
    std::vector<UnitKind> kind(count, UnitKind::kPlain);
    std::vector<int32_t> expansion(count, -1);
    std::vector<uint32_t> by_tier(count);
    for (size_t u = 0; u < count; ++u)
        by_tier[u] = static_cast<uint32_t>(u);
    std::stable_sort(by_tier.begin(), by_tier.end(),
                     [&](uint32_t a, uint32_t b) { return units[a].tier < units[b].tier; });
    std::vector<uint32_t> chars;
    for (uint32_t u : by_tier) {
        const size_t size = lists.size(u);
        if (size == 0) {
            kind[u] = UnitKind::kIgnorable;
            continue;
        }
        if (size == 1) continue;
        chars.clear();
        if (size <= kMaxSequence) {
            for (size_t i = 0; i < size; ++i) {
                auto rep = representative.find(lists.list(u)[i]);
                if (rep == representative.end()) break;
                chars.push_back(packed_wchar(units[rep->second].bytes));
            }
        }
        if (chars.size() == size) {
            if (backward) std::reverse(chars.begin(), chars.end());
            expansion[u] = expansions->find_or_add(chars);
            if (expansion[u] >= 0) {
                kind[u] = UnitKind::kExpansion;
                continue;
            }
        }
        ++stats->compressed;
    }

    // Keys: the distinct lists of plain units, in the order they sort.
    std::vector<uint32_t> plain;
    for (size_t u = 0; u < count; ++u) {
        if (kind[u] == UnitKind::kPlain) plain.push_back(static_cast<uint32_t>(u));
    }
    auto list_less = [&](uint32_t a, uint32_t b) {
        return std::lexicographical_compare(lists.list(a), lists.list(a) + lists.size(a),
                                            lists.list(b), lists.list(b) + lists.size(b));
    };
    std::stable_sort(plain.begin(), plain.end(), list_less);
    std::vector<int32_t> key(count, -1);
    std::vector<uint8_t> key_tier;
    std::unordered_map<Position, int32_t> single_key;
    for (size_t i = 0; i < plain.size(); ++i) {
        const uint32_t u = plain[i];
        if (i == 0 || list_less(plain[i - 1], u)) {
            key_tier.push_back(static_cast<uint8_t>(kTierCount));
            if (lists.size(u) == 1) single_key.emplace(lists.list(u)[0], key_tier.size() - 1);
        }
        const auto k = static_cast<int32_t>(key_tier.size() - 1);
        key[u] = k;
        key_tier[static_cast<size_t>(k)] =
            std::min(key_tier[static_cast<size_t>(k)], static_cast<uint8_t>(units[u].tier));
    }
    // A name an expansion reads matters as much as the unit expanded.
    for (size_t u = 0; u < count; ++u) {
        if (kind[u] != UnitKind::kExpansion) continue;
        for (size_t i = 0; i < lists.size(u); ++i) {
            const auto k = static_cast<size_t>(single_key.at(lists.list(u)[i]));
            key_tier[k] = std::min(key_tier[k], static_cast<uint8_t>(units[u].tier));
        }
    }

    const std::vector<uint16_t> rank = assign_ranks(key_tier, stats);
    std::vector<uint16_t> weights(count, 0);
    for (size_t u = 0; u < count; ++u) {
        if (kind[u] == UnitKind::kPlain) {
            weights[u] = rank[static_cast<size_t>(key[u])];
        } else if (kind[u] == UnitKind::kExpansion) {
            weights[u] = static_cast<uint16_t>(kExpansionFlag | expansion[u]);
        }
    }
    return weights;
}

}  // namespace velmorad::tools::collate
