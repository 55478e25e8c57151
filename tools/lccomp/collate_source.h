// The LC_COLLATE category of a locale source as read, before any order is
// computed: what the collation compiler starts from.
//
// Reading has already
//   - followed every "copy" in place (the copied category's statements come
//     where the copy stood, so a locale that copies a template and then
//     reorders finds the template's entries before its own);
//   - resolved "define", "ifdef", "else" and "endif": only the statements of
//     the branches taken are here;
//   - resolved every name to what it denotes: a character of the charmap's
//     repertoire (by its symbolic name, "U00E9" for a Unicode character
//     whatever way the source wrote it), a collating element, or a
//     collating symbol. Names of characters are kept even when the charmap
//     does not encode them: restricting the order to the charmap is the
//     compiler's job, and most templates name far more characters than any
//     one code set holds;
//   - expanded symbol ranges "<S0030>..<S0039>" into one symbol each.
//
// Nothing is checked for order or consistency here beyond names being
// declared: a weight may name a symbol that no order line places, an entry
// may repeat, a reorder target may be missing. The compiler decides.
//
// Example (abridged from a real source):
//
//     collating-symbol <a-ogonek>
//     collating-element <c-h> from "ch"
//     reorder-after <AFTER-A>
//     <a-ogonek>
//     <U0105> <a-ogonek>;<BASE>;<MIN>;IGNORE
//     reorder-end
//
// gives a symbol "a-ogonek", an element "c-h" of the characters U0063 U0068,
// and a Reorder after the symbol "AFTER-A" with two entries: the symbol
// (no weights: it stands for itself) and the character U0105 with four
// level weights, the last IGNORE.
#pragma once

#include <string>
#include <vector>

namespace velmorad::tools {

struct SourcePosition {
    std::string file;  // as it was opened (the sources directory and the name)
    int line = 0;
};

// What a name in LC_COLLATE denotes.
enum class CollNameKind {
    kCharacter,  // a character (symbolic name of the charmap's kind)
    kElement,    // a collating element (collating-element ... from ...)
    kSymbol,     // a collating symbol (collating-symbol)
};

struct CollName {
    CollNameKind kind = CollNameKind::kCharacter;
    std::string name;  // without angle brackets; "U00E9" for characters of Unicode

    bool operator==(const CollName &) const = default;
};

// Between two names on an order line or in a weight: "<U4E00>..<U9FA5>"
// counts Unicode values, "..." walks the charmap in byte order, and "...."
// counts the decimal digits at the end of two names.
enum class Ellipsis {
    kUnicode,  // ..
    kBytes,    // ...
    kDecimal,  // ....
};

// The weight of an order entry at one level.
struct LevelWeight {
    enum class Kind {
        kIgnore,    // IGNORE
        kSequence,  // one name, or the names of a string ("<BASE><BASE>")
        kEllipsis,  // an ellipsis in weight position: the character itself,
                    // for each character the entry's range stands for
    };
    Kind kind = Kind::kSequence;
    std::vector<CollName> names;             // kSequence: one or more
    Ellipsis ellipsis = Ellipsis::kUnicode;  // kEllipsis
};

// One line of an order section or reorder block.
//
//     <U0061> <S0061>;<BASE>;<MIN>;<U0061>   key, four level weights
//     <S0061>                                key, no weights
//     <U4E00> <U4E00>;IGNORE                 a range: this entry with kind
//     .. ..;IGNORE                           kRange spans from the previous
//     <U9FA5> <U9FA5>;IGNORE                 entry's key to the next one's
//     UNDEFINED IGNORE;IGNORE                every character not placed
//                                            elsewhere goes here
struct OrderEntry {
    enum class Kind {
        kKey,        // key names a character, element or symbol
        kRange,      // the characters strictly between the neighbouring keys
        kUndefined,  // UNDEFINED
    };
    Kind kind = Kind::kKey;
    CollName key;                            // kKey
    Ellipsis ellipsis = Ellipsis::kUnicode;  // kRange
    // Empty: the key stands for itself at every level (also for kRange and
    // kUndefined). Otherwise one weight per level written, at most as many
    // as the section's directions; fewer means the rest are not given.
    std::vector<LevelWeight> weights;
    SourcePosition position;
};

// How one level of an order section compares.
struct LevelDirection {
    bool backward = false;  // "backward"; otherwise "forward"
    bool position = false;  // ",position" was written with it
};

// order_start ... order_end, or entries written outside of any: those are
// collected in a section with no order_start of their own
// (has_order_start false, no script, no directions) until the next one.
struct OrderSection {
    bool has_order_start = false;
    std::string script;                      // order_start <LATIN>;...: "LATIN"; empty when none
    std::vector<LevelDirection> directions;  // one per level, as written
    std::vector<OrderEntry> entries;
    SourcePosition position;  // of order_start, or of the first entry
};

// reorder-after TARGET ... reorder-end (or up to the next reorder-after):
// the entries move to just after TARGET's place in the order, in this order.
// An entry whose key is already placed is taken from its old place.
struct Reorder {
    CollName after;
    std::vector<OrderEntry> entries;
    SourcePosition position;
};

struct CollatingElementSource {
    std::string name;
    std::vector<std::string> characters;  // what "from" spells, one name each
    SourcePosition position;
};

struct CollatingSymbolSource {
    std::string name;
    SourcePosition position;
};

// symbol-equivalence <A> <B>: A takes B's place wherever it is used.
struct SymbolEquivalence {
    std::string symbol;
    std::string equivalent;
    SourcePosition position;
};

// Everything LC_COLLATE said, in source order within each list.
struct CollateSource {
    bool defined = false;                          // the source had an LC_COLLATE
    bool codepoint_order = false;                  // codepoint_collation: no rules, code order
    std::vector<std::string> scripts;              // script <LATIN>
    std::vector<CollatingSymbolSource> symbols;    // collating-symbol
    std::vector<CollatingElementSource> elements;  // collating-element ... from
    std::vector<SymbolEquivalence> equivalences;
    // Sections in source order, copied ones where their copy stood.
    std::vector<OrderSection> sections;
    // Reorders in source order; each applies after all sections are in place.
    std::vector<Reorder> reorders;
};

}  // namespace velmorad::tools
