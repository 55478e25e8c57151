// LC_CTYPE: the class word of every character of the charmap, the
// locale-defined classes, and the case pairs.
//
// A UTF-8 charmap's code set is every Unicode scalar value: the tree is
// marked so, and a character the charmap does not list has no class (as in
// the C library, where it is not printable and has no width).
//
// Widths: the library knows widths 1 and 2 only, through the class
// "full_width". A character the charmap's WIDTH section gives width 2 (or
// more) joins that class; one of width 0 (combining marks and the like)
// counts as width 1, as every other printable character does.
#include <algorithm>
#include <set>
#include <utility>

#include "gls/load/locale.h"
#include "tools/common/range_step.h"
#include "tools/lccomp/compile.h"

namespace velmorad::tools {

namespace {

constexpr const char *kFullWidthClass = "full_width";
constexpr int kWide = 2;
constexpr uint16_t kFirstUserBit = 0x800;

struct StandardClass {
    const char *name;
    uint16_t bit;
};
constexpr StandardClass kStandardClasses[] = {
    {"upper", 0x1},   {"lower", 0x2},    {"alpha", 0x4},   {"digit", 0x8},
    {"space", 0x10},  {"cntrl", 0x20},   {"punct", 0x40},  {"graph", 0x80},
    {"print", 0x100}, {"xdigit", 0x200}, {"blank", 0x400},
};

// Who belongs to one class, in a form quick to ask for every character of
// a charmap of a million.
class Membership {
  public:
    Membership(const CharClassSource &cls, const Charmap &charmap) {
        for (const ClassMember &m : cls.members) {
            if (m.kind == ClassMember::Kind::kCharacter) {
                const int64_t code = unicode_of(m.first);
                if (code >= 0) {
                    ranges_.push_back({static_cast<uint32_t>(code), static_cast<uint32_t>(code)});
                } else {
                    names_.insert(m.first);
                }
            } else if (m.kind == ClassMember::Kind::kUnicodeRange) {
                const auto first = static_cast<uint32_t>(unicode_of(m.first));
                const auto last = static_cast<uint32_t>(unicode_of(m.last));
                if (m.step == 1) {
                    ranges_.push_back({first, last});
                } else {
                    for (uint64_t c = first; c <= last; c += m.step)
                        ranges_.push_back({static_cast<uint32_t>(c), static_cast<uint32_t>(c)});
                }
            } else {
                const CharmapEntry *a = charmap.find_name(m.first);
                const CharmapEntry *b = charmap.find_name(m.last);
                if (a != nullptr && b != nullptr) byte_ranges_.push_back({a->bytes, b->bytes});
            }
        }
        std::sort(ranges_.begin(), ranges_.end());
        std::vector<std::pair<uint32_t, uint32_t>> merged;
        for (const auto &r : ranges_) {
            if (!merged.empty() && r.first <= merged.back().second + 1) {
                merged.back().second = std::max(merged.back().second, r.second);
            } else {
                merged.push_back(r);
            }
        }
        ranges_ = std::move(merged);
    }

    bool contains(const CharmapEntry &entry, int64_t code) const {
        if (code >= 0) {
            const auto c = static_cast<uint32_t>(code);
            auto it = std::upper_bound(
                ranges_.begin(), ranges_.end(), c,
                [](uint32_t v, const std::pair<uint32_t, uint32_t> &r) { return v < r.first; });
            if (it != ranges_.begin() && c <= std::prev(it)->second) return true;
        } else if (names_.count(entry.name) != 0) {
            return true;
        }
        for (const auto &[first, last] : byte_ranges_) {
            if (entry.bytes.size() == first.size() && entry.bytes >= first && entry.bytes <= last)
                return true;
        }
        return false;
    }

  private:
    std::vector<std::pair<uint32_t, uint32_t>> ranges_;
    std::set<std::string> names_;
    std::vector<std::pair<std::string, std::string>> byte_ranges_;
};

const StandardClass *standard(const std::string &name) {
    for (const StandardClass &c : kStandardClasses) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

// The counterpart's packed bytes, or 0 when there is none in the charmap
// or the character maps to itself.
uint32_t counterpart(const std::map<std::string, std::string> &map, const CharmapEntry &entry,
                     const Charmap &charmap, double *growth) {
    auto it = map.find(entry.name);
    if (it == map.end()) return 0;
    const CharmapEntry *other = charmap.find_name(it->second);
    if (other == nullptr || other->bytes == entry.bytes) return 0;
    *growth = std::max(*growth, static_cast<double>(other->bytes.size()) /
                                    static_cast<double>(entry.bytes.size()));
    return packed_wchar(other->bytes);
}

}  // namespace

bool compile_ctype(const LocaleSource &source, const Charmap &charmap, Diagnostics *diagnostics,
                   gls::CtypeSource *out) {
    const std::vector<const CharmapEntry *> characters = charmap_characters(charmap);
    const SourcePosition at{source.file, 0};

    bool any_wide = false;
    for (const CharmapEntry *e : characters)
        any_wide = any_wide || charmap.width_of(e->bytes) >= kWide;

    // The classes with their bits: the standard ones, then "full_width",
    // the source's own and the copied ones, as many as the format holds.
    std::vector<std::pair<Membership, uint16_t>> classes;
    std::vector<std::string> user_names;
    if (any_wide) user_names.push_back(kFullWidthClass);
    int32_t full_width_bit = any_wide ? kFirstUserBit : 0;
    for (const CharClassSource &cls : source.ctype.classes) {
        uint16_t bit = 0;
        if (const StandardClass *s = standard(cls.name)) {
            bit = s->bit;
        } else if (cls.name == kFullWidthClass) {
            diagnostics->warn(cls.position,
                              "class \"full_width\" comes from the charmap's "
                              "widths; the source's own is ignored");
            continue;
        } else if (user_names.size() >= static_cast<size_t>(gls::kMaxUserClasses)) {
            diagnostics->warn(cls.position, "class \"" + cls.name +
                                                "\" dropped: a locale holds at most five "
                                                "classes of its own");
            continue;
        } else {
            bit = static_cast<uint16_t>(kFirstUserBit << user_names.size());
            user_names.push_back(cls.name);
        }
        classes.emplace_back(Membership(cls, charmap), bit);
    }
    for (size_t i = 0; i < user_names.size(); ++i)
        out->user_classes.push_back({static_cast<int32_t>(i), user_names[i]});

    double growth = gls::kMinCaseGrowth;
    for (const CharmapEntry *e : characters) {
        const int64_t code = unicode_of(e->name);
        uint16_t word = 0;
        for (const auto &[membership, bit] : classes) {
            if ((word & bit) == 0 && membership.contains(*e, code)) word |= bit;
        }
        if (full_width_bit != 0 && charmap.width_of(e->bytes) >= kWide)
            word |= static_cast<uint16_t>(full_width_bit);
        out->classes.emplace_hint(out->classes.end(), e->bytes, word);
        const uint32_t upper = counterpart(source.ctype.toupper, *e, charmap, &growth);
        const uint32_t lower = counterpart(source.ctype.tolower, *e, charmap, &growth);
        if (upper != 0 || lower != 0) {
            // With its own value spelled out rather than left 0, a letter and
            // its counterpart have the same pair, which the file holds once.
            const uint32_t self = packed_wchar(e->bytes);
            out->case_pairs.emplace_hint(
                out->case_pairs.end(), e->bytes,
                gls::CasePair{upper != 0 ? upper : self, lower != 0 ? lower : self});
        }
    }
    if (out->case_pairs.size() > static_cast<size_t>(gls::kMaxCasePairs)) {
        return diagnostics->fail(
            at, "more case pairs than a locale holds (" + std::to_string(gls::kMaxCasePairs) + ")");
    }
    out->growth = std::min(growth, gls::kMaxCaseGrowth);
    // In UTF-8 the library decodes every scalar value; the tree classifies.
    out->utf8_keys = range_encoding_of(charmap.code_set_name()) == RangeEncoding::kUtf8;
    return true;
}

}  // namespace velmorad::tools
