// cvcomp: a source and a target charmap, joined on their symbolic character
// names, make the conversion file from the source code set to the target's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gls/conv/writer/cvo_writer.h"
#include "tools/common/charmap.h"

namespace velmorad::tools {

struct CharmapFile {
    std::string path;
    Charmap map;
};

struct JoinOptions {
    // A symbolic name of the target ("U003F" or "<U003F>") that the source
    // characters the target lacks convert to, inexactly; empty for none.
    std::string substitute;
};

// What converting one source character must give.
struct Expectation {
    enum class Kind { kExact, kSubstitute, kNone };
    std::string input;   // the source character's bytes
    std::string output;  // the bytes written for it (empty for kNone)
    Kind kind = Kind::kNone;
    int line = 0;  // of its definition in the source charmap
};

struct Conversion {
    gls::CvoInput file;
    // Every source character, in source file order.
    std::vector<Expectation> expected;
    size_t exact = 0;
    size_t substituted = 0;
    size_t unconverted = 0;
};

// Joins the charmaps: each byte sequence of the source (its first entry in
// file order) converts to the target's bytes of the same name (the target's
// first definition of it that is not irreversible). A source character the
// target lacks converts to the substitute, or stays in the tree with a record
// saying that no conversion exists, so that converters know its length. Every
// fault is reported as "file:line: reason"; returns false when there was one.
[[nodiscard]] bool join_charmaps(const CharmapFile &source, const CharmapFile &target,
                                 const JoinOptions &options, Conversion *out);

// Loads the conversion from source_number to target_number out of directory
// with gl_cv_load, and converts the whole source repertoire through it, one
// character at a time and all at once. Returns an empty string when every
// character converts as expected, else what went wrong.
std::string self_check(const std::string &directory, uint16_t source_number, uint16_t target_number,
                       const Conversion &conversion);

}  // namespace velmorad::tools
