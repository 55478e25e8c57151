// Writing the collation section of a locale object file (the text after its
// "### LC_COLLATE\n" marker) from its parts, for the locale compiler and for
// tests that need such sections.
//
// The writer spells what it is given. Whether the parts agree (every row
// within the weights, every expansion reference within the expansions, at
// most 8 levels) is for the reader to check, so a compiler verifies its
// output by loading it back, and a test can write a damaged section.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "gls/host/host.h"
#include "gls/tree/tree_writer.h"

namespace gls {

enum class CollationRules { kAsSpecified, kThaiSmo };

struct CollationElementSource {
    std::vector<gl_wchar_t> chars;  // 1 to 15 characters
    uint16_t row = 0;
};

struct CollationSource {
    // Thai rules have no further parts: the section is the rules line.
    CollationRules rules = CollationRules::kAsSpecified;
    // Each character's bytes (1 to 4, none a prefix of another) and its row.
    std::map<std::string, uint16_t> rows;
    // Weights given directly: the loader derives no equal-weight lists.
    bool direct_weights = false;
    // One per level, 2 for a level compared backward; their number is the
    // level count.
    std::vector<uint16_t> directions;
    int32_t weight_size = 2;
    std::vector<CollationElementSource> elements;
    std::vector<std::vector<gl_wchar_t>> expansions;  // 1 to 15 characters each
    // Rows 0 to R, each with one weight per level. 0x4000 | i refers to
    // expansion i; weights with 0x8000 are special.
    std::vector<std::vector<uint16_t>> weights;
    TreeText tree_text = TreeText::kPlain;
};

enum class CollateWriteStatus {
    kOk,
    kBadCharacter,  // a character the tree cannot hold: 0 or more than 4 bytes, or a prefix
    kBadSequence,   // an element or expansion of 0 or more than 15 characters
    kBadRowWidth,   // a row whose number of weights is not the level count
};

// Appends the section's text to out; on failure out is left as it was.
[[nodiscard]] CollateWriteStatus write_collate_section(const CollationSource &source,
                                                       std::string &out);

}  // namespace gls
