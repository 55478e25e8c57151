// The order of LC_COLLATE: sections end to end, ranges expanded to the
// charmap's characters, reorders applied, every name numbered by its place,
// and each unit's weights written as the places of the names they list.
//
// The rules follow what sources expect of an order:
//   - a name placed twice in the sections keeps its first place;
//   - reorder-after T puts its entries right after T, one after the other,
//     taking an entry already placed from its old place; a later block
//     after the same T goes right after T again, before the earlier block;
//   - an entry without weights stands for itself at every level, and so do
//     the levels an entry leaves out;
//   - UNDEFINED places every character of the charmap no line names; when
//     it is the last place of the order and has no weights of its own, or
//     when the source has none, those characters stay out of the tree: the
//     library puts what its tree lacks after everything else, by bytes.
#include <algorithm>
#include <unordered_map>

#include "tools/lccomp/collate_compile.h"
#include "tools/lccomp/compile.h"
#include "tools/lccomp/source_lexer.h"

namespace velmorad::tools::collate {

namespace {

constexpr int32_t kNone = -1;
// Characters below this belong to every Latin-script locale's text.
constexpr int64_t kLatin1End = 0x100;

// Blocks whose characters turn up in text of any script: the combining
// accents of decomposed text, and general punctuation (dashes, typographic
// quotes, the ellipsis) with the currency signs.
struct CodeRange {
    int64_t first;
    int64_t last;
};
constexpr CodeRange kSharedBlocks[] = {{0x0300, 0x036F}, {0x2000, 0x20CF}};

bool in_own_tier_range(int64_t code) {
    if (code < 0) return false;
    if (code < kLatin1End) return true;
    for (const CodeRange &block : kSharedBlocks) {
        if (code >= block.first && code <= block.last) return true;
    }
    return false;
}

// Names of the three kinds live apart: the kind leads the key.
std::string key_of(CollNameKind kind, const std::string &name) {
    std::string key(1, static_cast<char>('0' + static_cast<int>(kind)));
    key += name;
    return key;
}

struct Node {
    int32_t name = kNone;  // kNone: the UNDEFINED place
    int32_t prev = kNone;
    int32_t next = kNone;
    const OrderEntry *entry = nullptr;  // the line whose weights the node takes
    int32_t section = 0;
    bool bulk = false;  // placed by a range
    bool reordered = false;
};

// A character of the charmap with the number its name spells.
struct Numbered {
    int64_t value;
    const CharmapEntry *entry;
};

struct NameInfo {
    CollNameKind kind;
    std::string name;
    int32_t node = kNone;
    Position position = -1;
};

class OrderBuilder {
  public:
    OrderBuilder(const CollateSource &source, const Charmap &charmap, Diagnostics *diagnostics)
        : source_(source),
          charmap_(charmap),
          diagnostics_(diagnostics),
          characters_(charmap_characters(charmap)) {}

    bool build(const std::vector<std::string> &own_letters, Order *out) {
        for (const SymbolEquivalence &e : source_.equivalences)
            equivalent_[e.symbol] = e.equivalent;
        for (size_t s = 0; s < source_.sections.size(); ++s) {
            if (!place_section(static_cast<int32_t>(s))) return false;
        }
        for (const Reorder &r : source_.reorders) {
            if (!apply_reorder(r)) return false;
        }
        choose_own_section(own_letters);
        if (!set_directions(out)) return false;
        number_places(out);
        return resolve_weights(out);
    }

  private:
    // ---- names and the list of places -------------------------------------

    int32_t id_of(const CollName &name) {
        auto [it, added] =
            ids_.emplace(key_of(name.kind, name.name), static_cast<int32_t>(names_.size()));
        if (added) names_.push_back({name.kind, name.name});
        return it->second;
    }

    int32_t new_node(int32_t name, const OrderEntry *entry, int32_t section) {
        Node node;
        node.name = name;
        node.entry = entry;
        node.section = section;
        nodes_.push_back(node);
        const auto index = static_cast<int32_t>(nodes_.size() - 1);
        if (name != kNone) names_[static_cast<size_t>(name)].node = index;
        return index;
    }

    void append(int32_t node) {
        nodes_[static_cast<size_t>(node)].prev = tail_;
        if (tail_ == kNone) {
            head_ = node;
        } else {
            nodes_[static_cast<size_t>(tail_)].next = node;
        }
        tail_ = node;
    }

    void unlink(int32_t node) {
        Node &n = nodes_[static_cast<size_t>(node)];
        if (n.prev == kNone) {
            head_ = n.next;
        } else {
            nodes_[static_cast<size_t>(n.prev)].next = n.next;
        }
        if (n.next == kNone) {
            tail_ = n.prev;
        } else {
            nodes_[static_cast<size_t>(n.next)].prev = n.prev;
        }
        n.prev = n.next = kNone;
    }

    void link_after(int32_t at, int32_t node) {
        Node &n = nodes_[static_cast<size_t>(node)];
        Node &a = nodes_[static_cast<size_t>(at)];
        n.prev = at;
        n.next = a.next;
        if (a.next == kNone) {
            tail_ = node;
        } else {
            nodes_[static_cast<size_t>(a.next)].prev = node;
        }
        a.next = node;
    }

    // ---- ranges -----------------------------------------------------------

    // The names of the characters strictly between the keys around a range,
    // restricted to the charmap (others could only ever stand for themselves).
    bool range_names(const std::vector<OrderEntry> &entries, size_t i,
                     std::vector<std::string> *names) {
        const OrderEntry &range = entries[i];
        if (i == 0 || i + 1 >= entries.size() || entries[i - 1].kind != OrderEntry::Kind::kKey ||
            entries[i + 1].kind != OrderEntry::Kind::kKey ||
            entries[i - 1].key.kind != CollNameKind::kCharacter ||
            entries[i + 1].key.kind != CollNameKind::kCharacter) {
            return diagnostics_->fail(range.position,
                                      "an ellipsis needs a character on the line before and after");
        }
        const std::string &first = entries[i - 1].key.name;
        const std::string &last = entries[i + 1].key.name;
        switch (range.ellipsis) {
            case Ellipsis::kUnicode: {
                const int64_t from = unicode_of(first);
                const int64_t to = unicode_of(last);
                if (from < 0 || to < 0 || from > to) {
                    return diagnostics_->fail(range.position,
                                              "\"..\" needs Unicode characters in rising order");
                }
                // Through the charmap's own characters: a range may span all
                // of Unicode and the charmap hold a hundred characters.
                const std::vector<Numbered> &numbered = unicode_characters();
                auto it =
                    std::upper_bound(numbered.begin(), numbered.end(), from,
                                     [](int64_t v, const Numbered &n) { return v < n.value; });
                for (; it != numbered.end() && it->value < to; ++it)
                    names->push_back(it->entry->name);
                return true;
            }
            case Ellipsis::kBytes: {
                const CharmapEntry *a = charmap_.find_name(first);
                const CharmapEntry *b = charmap_.find_name(last);
                if (a == nullptr || b == nullptr || b->bytes < a->bytes) {
                    return diagnostics_->fail(
                        range.position, "\"...\" needs characters of the charmap in byte order");
                }
                auto by_bytes = [](const CharmapEntry *e, const std::string &bytes) {
                    return e->bytes < bytes;
                };
                auto it =
                    std::lower_bound(characters_.begin(), characters_.end(), a->bytes, by_bytes);
                for (; it != characters_.end() && (*it)->bytes < b->bytes; ++it) {
                    if ((*it)->bytes != a->bytes) names->push_back((*it)->name);
                }
                return true;
            }
            case Ellipsis::kDecimal:
                return decimal_range(range, first, last, names);
        }
        return true;
    }

    // "<j0101>....<j0120>": the names between, counting the decimal digits
    // the two ends close with.
    bool decimal_range(const OrderEntry &range, const std::string &first, const std::string &last,
                       std::vector<std::string> *names) {
        auto digits_start = [](const std::string &s) {
            size_t i = s.size();
            while (i > 0 && s[i - 1] >= '0' && s[i - 1] <= '9')
                --i;
            return i;
        };
        const size_t a = digits_start(first);
        const size_t b = digits_start(last);
        const size_t width = first.size() - a;
        constexpr size_t kMaxDigits = 9;
        if (a != b || width == 0 || width > kMaxDigits || last.size() - b != width ||
            first.compare(0, a, last, 0, b) != 0) {
            return diagnostics_->fail(range.position,
                                      "\"....\" needs names that differ only in their last digits");
        }
        const long from = std::stol(first.substr(a));
        const long to = std::stol(last.substr(b));
        std::vector<Numbered> between;
        for (const CharmapEntry &e : charmap_.entries()) {
            if (e.name.size() != first.size() || e.name.compare(0, a, first, 0, a) != 0 ||
                charmap_.find_name(e.name) != &e) {
                continue;
            }
            long v = 0;
            bool digits = true;
            for (size_t k = a; k < e.name.size(); ++k) {
                digits = digits && e.name[k] >= '0' && e.name[k] <= '9';
                v = v * 10 + (e.name[k] - '0');
            }
            if (digits && v > from && v < to) between.push_back({v, &e});
        }
        std::sort(between.begin(), between.end(),
                  [](const Numbered &x, const Numbered &y) { return x.value < y.value; });
        for (const Numbered &n : between)
            names->push_back(n.entry->name);
        return true;
    }

    // The charmap's characters with Unicode names, by their values.
    const std::vector<Numbered> &unicode_characters() {
        if (!numbered_built_) {
            for (const CharmapEntry &e : charmap_.entries()) {
                const int64_t value = unicode_of(e.name);
                if (value >= 0 && charmap_.find_name(e.name) == &e)
                    numbered_.push_back({value, &e});
            }
            std::sort(numbered_.begin(), numbered_.end(),
                      [](const Numbered &x, const Numbered &y) { return x.value < y.value; });
            numbered_built_ = true;
        }
        return numbered_;
    }

    // ---- sections and reorders --------------------------------------------

    bool place_section(int32_t s) {
        const std::vector<OrderEntry> &entries = source_.sections[static_cast<size_t>(s)].entries;
        for (size_t i = 0; i < entries.size(); ++i) {
            const OrderEntry &e = entries[i];
            if (e.kind == OrderEntry::Kind::kUndefined) {
                if (undefined_ != kNone) {
                    diagnostics_->warn(e.position, "UNDEFINED is placed twice; the first stands");
                    continue;
                }
                undefined_ = new_node(kNone, &e, s);
                append(undefined_);
            } else if (e.kind == OrderEntry::Kind::kRange) {
                std::vector<std::string> names;
                if (!range_names(entries, i, &names)) return false;
                for (const std::string &name : names) {
                    const int32_t id = id_of({CollNameKind::kCharacter, name});
                    if (names_[static_cast<size_t>(id)].node != kNone) continue;
                    const int32_t node = new_node(id, &e, s);
                    nodes_[static_cast<size_t>(node)].bulk = true;
                    append(node);
                }
            } else {
                const int32_t id = id_of(e.key);
                if (names_[static_cast<size_t>(id)].node != kNone) {
                    diagnostics_->warn(e.position,
                                       "<" + e.key.name + "> is already placed; the first stands");
                    continue;
                }
                append(new_node(id, &e, s));
            }
        }
        return true;
    }

    // Moves (or places) one name right after cursor; the name's node.
    int32_t move_after(int32_t cursor, int32_t id, const OrderEntry *entry, int32_t section) {
        int32_t node = id == kNone ? undefined_ : names_[static_cast<size_t>(id)].node;
        if (node == kNone) {
            node = new_node(id, entry, section);
            if (id == kNone) undefined_ = node;
        } else if (node != cursor) {
            unlink(node);
        }
        Node &n = nodes_[static_cast<size_t>(node)];
        n.entry = entry;
        n.section = section;
        n.reordered = true;
        if (node != cursor) link_after(cursor, node);
        return node;
    }

    bool apply_reorder(const Reorder &r) {
        auto found = ids_.find(key_of(r.after.kind, r.after.name));
        const int32_t target =
            found == ids_.end() ? kNone : names_[static_cast<size_t>(found->second)].node;
        if (target == kNone) {
            diagnostics_->warn(r.position, "reorder-after <" + r.after.name +
                                               "> names nothing placed; its entries are left out");
            return true;
        }
        const int32_t section = nodes_[static_cast<size_t>(target)].section;
        int32_t cursor = target;
        for (size_t i = 0; i < r.entries.size(); ++i) {
            const OrderEntry &e = r.entries[i];
            if (e.kind == OrderEntry::Kind::kUndefined) {
                cursor = move_after(cursor, kNone, &e, section);
            } else if (e.kind == OrderEntry::Kind::kRange) {
                std::vector<std::string> names;
                if (!range_names(r.entries, i, &names)) return false;
                for (const std::string &name : names)
                    cursor =
                        move_after(cursor, id_of({CollNameKind::kCharacter, name}), &e, section);
            } else {
                cursor = move_after(cursor, id_of(e.key), &e, section);
            }
        }
        return true;
    }

    // The section that holds most of the locale's own letters; without any,
    // the one with the most characters of the charmap.
    void choose_own_section(const std::vector<std::string> &own_letters) {
        const size_t count = source_.sections.size();
        std::vector<size_t> votes(count, 0);
        for (const std::string &letter : own_letters) {
            auto it = ids_.find(key_of(CollNameKind::kCharacter, letter));
            if (it == ids_.end()) continue;
            const int32_t node = names_[static_cast<size_t>(it->second)].node;
            if (node != kNone)
                ++votes[static_cast<size_t>(nodes_[static_cast<size_t>(node)].section)];
        }
        if (std::all_of(votes.begin(), votes.end(), [](size_t v) { return v == 0; })) {
            for (const Node &n : nodes_) {
                if (n.name != kNone &&
                    names_[static_cast<size_t>(n.name)].kind == CollNameKind::kCharacter &&
                    charmap_.find_name(names_[static_cast<size_t>(n.name)].name) != nullptr) {
                    ++votes[static_cast<size_t>(n.section)];
                }
            }
        }
        own_section_ = kNone;
        for (size_t s = 0; s < count; ++s) {
            if (!source_.sections[s].has_order_start) continue;
            if (own_section_ == kNone || votes[s] > votes[static_cast<size_t>(own_section_)])
                own_section_ = static_cast<int32_t>(s);
        }
    }

    bool set_directions(Order *out) {
        size_t levels = 1;
        for (const OrderSection &s : source_.sections)
            levels = std::max(levels, s.directions.size());
        if (levels > kMaxLevels) {
            return diagnostics_->fail(source_.sections.front().position,
                                      "more than " + std::to_string(kMaxLevels) + " levels");
        }
        out->directions.assign(levels, kForward);
        if (own_section_ != kNone) {
            const OrderSection &own = source_.sections[static_cast<size_t>(own_section_)];
            for (size_t l = 0; l < own.directions.size(); ++l)
                out->directions[l] = own.directions[l].backward ? kBackward : kForward;
        }
        // ",position" holds for a level when any section asks for it, as the
        // C library takes it: its sections cannot disagree there.
        for (const OrderSection &s : source_.sections) {
            for (size_t l = 0; l < s.directions.size(); ++l) {
                if (s.directions[l].position) out->directions[l] |= kPosition;
            }
        }
        return true;
    }

    // ---- places and units -------------------------------------------------

    Tier tier_of(const Node &node, const std::string &name) const {
        if (node.reordered || node.section == own_section_) return Tier::kOwn;
        if (in_own_tier_range(unicode_of(name))) return Tier::kOwn;
        return node.bulk ? Tier::kBulk : Tier::kExplicit;
    }

    // The charmap's own entry for a character's bytes, or null.
    const CharmapEntry *character(const std::string &name) const {
        const CharmapEntry *entry = charmap_.find_name(name);
        return entry == nullptr ? nullptr : charmap_.find_bytes(entry->bytes);
    }

    size_t entry_index(const CharmapEntry *entry) const {
        return static_cast<size_t>(entry - charmap_.entries().data());
    }

    void add_unit(Order *out, const CharmapEntry *entry, int32_t element, Position position,
                  Tier tier, const OrderEntry *weights_from) {
        Unit unit;
        if (entry != nullptr) unit.bytes = entry->bytes;
        unit.element = element;
        unit.position = position;
        unit.tier = tier;
        out->units.push_back(std::move(unit));
        unit_weights_.push_back(weights_from);
    }

    void number_places(Order *out) {
        // Characters named anywhere in the order, so that UNDEFINED knows its share.
        std::vector<bool> named(charmap_.entries().size(), false);
        for (const Node &n : nodes_) {
            if (n.name == kNone) continue;
            const NameInfo &info = names_[static_cast<size_t>(n.name)];
            if (info.kind != CollNameKind::kCharacter) continue;
            if (const CharmapEntry *e = character(info.name)) named[entry_index(e)] = true;
        }
        std::vector<const CharmapEntry *> undefined;
        for (const CharmapEntry *e : characters_) {
            if (!named[entry_index(e)]) undefined.push_back(e);
        }
        const bool undefined_in_tree =
            undefined_ != kNone &&
            !(nodes_[static_cast<size_t>(undefined_)].next == kNone &&
              nodes_[static_cast<size_t>(undefined_)].entry->weights.empty());

        std::vector<bool> is_unit(charmap_.entries().size(), false);
        element_unit_.assign(source_.elements.size(), false);
        for (size_t i = 0; i < source_.elements.size(); ++i)
            element_index_.emplace(source_.elements[i].name, i);
        Position place = 0;
        for (int32_t at = head_; at != kNone; at = nodes_[static_cast<size_t>(at)].next) {
            const Node &n = nodes_[static_cast<size_t>(at)];
            if (n.name == kNone) {
                for (const CharmapEntry *e : undefined) {
                    if (undefined_in_tree) {
                        add_unit(out, e, -1, place, Tier::kBulk, n.entry);
                        is_unit[entry_index(e)] = true;
                    }
                    ++place;
                }
                continue;
            }
            NameInfo &info = names_[static_cast<size_t>(n.name)];
            info.position = place++;
            if (info.kind == CollNameKind::kCharacter) {
                const CharmapEntry *e = character(info.name);
                if (e == nullptr || is_unit[entry_index(e)]) continue;
                is_unit[entry_index(e)] = true;
                add_unit(out, e, -1, info.position, tier_of(n, info.name), n.entry);
            } else if (info.kind == CollNameKind::kElement) {
                add_element(out, n, info);
            }
        }
        for (const CharmapEntry *e : characters_) {
            if (!is_unit[entry_index(e)]) ++out->unplaced;
        }
    }

    void add_element(Order *out, const Node &n, const NameInfo &info) {
        auto found = element_index_.find(info.name);
        if (found == element_index_.end()) return;
        const size_t index = found->second;
        const CollatingElementSource &element = source_.elements[index];
        if (element_unit_[index]) return;
        std::vector<std::string> chars;
        for (const std::string &c : element.characters) {
            const CharmapEntry *e = character(c);
            if (e == nullptr) return;  // not in this code set
            chars.push_back(e->bytes);
        }
        if (chars.size() > kMaxSequence) {
            diagnostics_->warn(element.position, "collating-element <" + element.name +
                                                     "> has more than 15 characters; left out");
            return;
        }
        element_unit_[index] = true;
        out->element_chars.push_back(std::move(chars));
        add_unit(out, nullptr, static_cast<int32_t>(out->element_chars.size() - 1), info.position,
                 n.reordered || n.section == own_section_ ? Tier::kOwn : Tier::kExplicit, n.entry);
    }

    // ---- weights ----------------------------------------------------------

    Position place_of(const CollName &name, const SourcePosition &at) {
        const CollName *use = &name;
        CollName substitute;
        if (name.kind == CollNameKind::kSymbol) {
            auto eq = equivalent_.find(name.name);
            if (eq != equivalent_.end()) {
                substitute = {CollNameKind::kSymbol, eq->second};
                use = &substitute;
            }
        }
        auto it = ids_.find(key_of(use->kind, use->name));
        const Position p = it == ids_.end() ? -1 : names_[static_cast<size_t>(it->second)].position;
        if (p < 0 && unplaced_warned_.emplace(use->name, true).second) {
            diagnostics_->warn(at,
                               "weight <" + use->name + "> has no place in the order; left out");
        }
        return p;
    }

    bool resolve_weights(Order *out) {
        const size_t levels = out->directions.size();
        const size_t units = out->units.size();
        out->levels.assign(levels, {});
        for (size_t l = 0; l < levels; ++l) {
            LevelLists &lists = out->levels[l];
            lists.begin.reserve(units + 1);
            lists.places.reserve(units);
            for (size_t u = 0; u < units; ++u) {
                lists.begin.push_back(static_cast<uint32_t>(lists.places.size()));
                const OrderEntry *entry = unit_weights_[u];
                const Position self = out->units[u].position;
                if (entry == nullptr || l >= entry->weights.size()) {
                    lists.places.push_back(self);
                    continue;
                }
                const LevelWeight &w = entry->weights[l];
                if (w.kind == LevelWeight::Kind::kIgnore) continue;
                if (w.kind == LevelWeight::Kind::kEllipsis) {
                    lists.places.push_back(self);
                    continue;
                }
                for (const CollName &name : w.names) {
                    const Position p = place_of(name, entry->position);
                    if (p >= 0) lists.places.push_back(p);
                }
            }
            lists.begin.push_back(static_cast<uint32_t>(lists.places.size()));
        }
        return true;
    }

    const CollateSource &source_;
    const Charmap &charmap_;
    Diagnostics *diagnostics_;
    const std::vector<const CharmapEntry *> characters_;  // in byte order

    std::vector<Numbered> numbered_;
    bool numbered_built_ = false;
    std::unordered_map<std::string, int32_t> ids_;
    std::vector<NameInfo> names_;
    std::vector<Node> nodes_;
    int32_t head_ = kNone;
    int32_t tail_ = kNone;
    int32_t undefined_ = kNone;
    int32_t own_section_ = kNone;
    std::map<std::string, std::string> equivalent_;
    std::map<std::string, bool> unplaced_warned_;
    std::vector<const OrderEntry *> unit_weights_;  // per unit: the line its weights come from
    std::unordered_map<std::string, size_t> element_index_;
    std::vector<bool> element_unit_;
};

}  // namespace

void keep_own_tier(Order *order) {
    std::vector<Unit> kept;
    std::vector<LevelLists> levels(order->levels.size());
    for (size_t u = 0; u < order->units.size(); ++u) {
        Unit &unit = order->units[u];
        if (unit.tier != Tier::kOwn) {
            if (unit.element < 0) ++order->unplaced;
            continue;
        }
        for (size_t l = 0; l < levels.size(); ++l) {
            const LevelLists &from = order->levels[l];
            LevelLists &to = levels[l];
            to.begin.push_back(static_cast<uint32_t>(to.places.size()));
            to.places.insert(to.places.end(), from.list(u), from.list(u) + from.size(u));
        }
        kept.push_back(std::move(unit));
    }
    for (LevelLists &to : levels)
        to.begin.push_back(static_cast<uint32_t>(to.places.size()));
    order->units = std::move(kept);
    order->levels = std::move(levels);
}

bool build_order(const CollateSource &source, const Charmap &charmap,
                 const std::vector<std::string> &own_letters, Diagnostics *diagnostics,
                 Order *out) {
    *out = Order();
    OrderBuilder builder(source, charmap, diagnostics);
    return builder.build(own_letters, out);
}

}  // namespace velmorad::tools::collate
