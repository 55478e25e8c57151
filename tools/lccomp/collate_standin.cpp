// STAND-IN for the collation compiler: orders characters by their bytes,
// ignoring the source's LC_COLLATE. It writes a section the loader accepts
// so that whole locale files can be built and loaded now; the real
// compiler replaces this file, working from LocaleSource::collate (see
// collate_source.h) and keeping this function's contract:
//
//   compile_collation fills *out with the section for the charmap's
//   characters, or returns false after diagnostics->fail.
//
// The stand-in's order: one level, weights given directly; each character
// of the charmap is its own row in byte order, up to the largest plain
// weight; characters beyond that share the last row and fall back to byte
// order, which the collation primitives use when all weights tie.
#include <algorithm>

#include "gls/load/locale.h"
#include "tools/lccomp/compile.h"

namespace velmorad::tools {

namespace {

// Plain weights stay below the expansion flag.
constexpr uint16_t kLastPlainWeight = gls::kWeightExpansion - 1;

}  // namespace

bool compile_collation(const LocaleSource &, const Charmap &charmap, Diagnostics *,
                       gls::CollationSource *out) {
    const std::vector<const CharmapEntry *> characters = charmap_characters(charmap);
    const size_t rows = std::min(characters.size(), static_cast<size_t>(kLastPlainWeight) + 1);
    out->rules = gls::CollationRules::kAsSpecified;
    out->direct_weights = true;
    out->directions = {0};
    out->weights.reserve(rows);
    for (size_t row = 0; row < rows; ++row)
        out->weights.push_back({static_cast<uint16_t>(row)});
    for (size_t i = 0; i < characters.size(); ++i) {
        const auto row = static_cast<uint16_t>(std::min(i, rows - 1));
        out->rows.emplace_hint(out->rows.end(), characters[i]->bytes, row);
    }
    return true;
}

}  // namespace velmorad::tools
