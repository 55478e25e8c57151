// The collation compiler's two stages, shared by its files and its tests;
// not part of lccomp's interface.
//
// Ordering (collate_order.cpp) lays the source's sections end to end,
// applies the reorders, numbers every name of the order by its place, and
// gives each collation unit (a character of the charmap, or a collating
// element whose characters it all has) its weights at every level as the
// places of the names they list.
//
// Ranking (collate_levels.cpp) turns one level's lists of places into the
// section's 16-bit weights: a single name becomes a plain weight, the rank
// of its place among the names the level uses; several names become an
// expansion of characters that weigh one name each, or, when some name has
// no such character, one plain weight ranked among the others as its list
// sorts. When a level uses more names than plain weights exist, names of
// lower tiers share weights (see Tier).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/common/charmap.h"
#include "tools/lccomp/collate_source.h"
#include "tools/lccomp/lccomp.h"

namespace velmorad::tools::collate {

// A name's place in the order; weights compare by the places they list.
using Position = int32_t;

// How far a unit's order is kept exact when a level outgrows the format:
// every name of a tier is ranked apart before any name of the next shares
// a weight with its neighbours.
enum class Tier : uint8_t {
    kOwn = 0,       // the locale's own section, its reorders, Latin-1, shared blocks
    kExplicit = 1,  // any other unit an order line names
    kBulk = 2,      // units placed by a range or by UNDEFINED
};
inline constexpr int kTierCount = 3;

// At most this many levels fit the section's tables.
inline constexpr size_t kMaxLevels = 8;
// Element and expansion lengths are one hexadecimal digit.
inline constexpr size_t kMaxSequence = 15;
// Direction values of a level: compared from the end of the strings, and
// the bit that makes the place of ignorable units count (the library's
// kLevelBackward and kLevelPosition).
inline constexpr uint16_t kBackward = 2;
inline constexpr uint16_t kForward = 0;
inline constexpr uint16_t kPosition = 4;

struct Unit {
    std::string bytes;      // a character's bytes; empty for an element
    int32_t element = -1;   // index into Order::element_chars, or -1
    Position position = 0;  // the unit's own place
    Tier tier = Tier::kExplicit;
};

// Per level, the names each unit's weight lists, as places: unit u's are
// places[begin[u] .. begin[u + 1]). Empty: ignorable at the level.
struct LevelLists {
    std::vector<uint32_t> begin;
    std::vector<Position> places;

    size_t size(size_t u) const { return begin[u + 1] - begin[u]; }
    const Position *list(size_t u) const { return places.data() + begin[u]; }
};

struct Order {
    std::vector<Unit> units;  // in order of place
    // Characters of the charmap that no unit is: they are left out of the
    // collation tree, which orders them after every unit by their bytes.
    size_t unplaced = 0;
    std::vector<uint16_t> directions;  // one per level
    std::vector<LevelLists> levels;
    // Each element's characters, in the charmap's bytes (for elements that
    // are units).
    std::vector<std::vector<std::string>> element_chars;
};

// Builds the order of source for charmap. own_letters are characters the
// locale writes its own words with (its month and day names): the order
// section holding most of them gives the directions and the tier kOwn.
[[nodiscard]] bool build_order(const CollateSource &source, const Charmap &charmap,
                               const std::vector<std::string> &own_letters,
                               Diagnostics *diagnostics, Order *out);

// Leaves out of the order every unit below the tier kOwn: its characters
// join those no line places, which the library orders after every unit by
// their bytes.
void keep_own_tier(Order *order);

// Expansions the levels share: one entry per distinct list of characters.
class ExpansionTable {
  public:
    // Expansion references carry a 14-bit index.
    static constexpr size_t kCapacity = 0x4000;

    // The entry for chars, added when new; -1 when the table is full.
    int32_t find_or_add(const std::vector<uint32_t> &chars);
    const std::vector<std::vector<uint32_t>> &entries() const { return entries_; }

  private:
    std::map<std::vector<uint32_t>, int32_t> index_;
    std::vector<std::vector<uint32_t>> entries_;
};

// What ranking one level found.
struct LevelStats {
    size_t keys = 0;               // distinct names and lists ranked
    size_t merged = 0;             // of those, how many share a weight with another
    size_t compressed = 0;         // units whose list of several names is one weight
    int exact_tiers = kTierCount;  // tiers 0 .. exact_tiers - 1 kept their own weights
};

// The section's weights of every unit at one level (0, a plain weight, or
// an expansion reference). Expansion lists are written last to first for a
// backward level, since the library reads such a level from the end.
std::vector<uint16_t> rank_level(const Order &order, size_t level, ExpansionTable *expansions,
                                 LevelStats *stats);

// The largest plain weight.
inline constexpr uint16_t kMaxPlainWeight = 0x3FFF;
inline constexpr uint16_t kExpansionFlag = 0x4000;

}  // namespace velmorad::tools::collate
