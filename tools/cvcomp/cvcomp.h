// cvcomp: a source and a target charmap, joined on their symbolic character
// names, make the conversion file from the source code set to the target's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gls/conv/writer/cvo_writer.h"
#include "tools/common/charmap.h"

namespace velmorad::tools {

struct CharmapFile {
    std::string path;
    Charmap map;
};

// A character written in a code set whose charmap lacks it (U+00A5 as 0x5C
// in EUC-JP): in the conversion to that code set only, so that converting
// back gives the charmap's own character.
struct OneWay {
    std::string name;  // as the charmaps name it: "U00A5"
    std::string bytes;
    std::vector<std::string> code_sets;  // compared without regard to case
    int line = 0;
};

// The rows of a one-way mappings file (see one_way.cpp); false with the
// first bad line in *bad_line.
[[nodiscard]] bool parse_one_way(std::string_view text, std::vector<OneWay> *out, int *bad_line);
// The same from a file, faults reported as "file:line: reason".
[[nodiscard]] bool read_one_way(const std::string &path, std::vector<OneWay> *out);

// The byte sequences that are characters of the code set although its
// charmap does not assign them: for UTF-8 (a charmap whose characters are
// the UTF-8 forms of their names) those of the encoding form; otherwise,
// for the lead bytes of each character length (taken in runs over the
// bytes that begin nothing), every sequence whose further bytes are bytes
// some character of the run has at that position. In the charmap's order
// of bytes. False when the structure holds more than four million
// sequences (no real code set does).
[[nodiscard]] bool unassigned_characters(const Charmap &map, std::vector<std::string> *out);

struct JoinOptions {
    // A symbolic name of the target ("U003F" or "<U003F>") that the source
    // characters the target lacks convert to, inexactly; empty for none.
    std::string substitute;
    // Rows whose code sets name the target apply before the substitute.
    std::vector<OneWay> one_way;
    std::string one_way_file;  // where they came from, for the file's header
};

// What converting one source character must give.
struct Expectation {
    enum class Kind { kExact, kOneWay, kSubstitute, kNone };
    std::string input;   // the source character's bytes
    std::string output;  // the bytes written for it (empty for kNone)
    Kind kind = Kind::kNone;
    int line = 0;  // of its definition in the source charmap
};

struct Conversion {
    gls::CvoInput file;
    // Every source character, in source file order.
    std::vector<Expectation> expected;
    // The source's unassigned characters, which convert to nothing either.
    std::vector<std::string> unassigned;
    size_t exact = 0;
    size_t one_way = 0;
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
