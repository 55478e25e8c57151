// Writing conversion files: from the map of source characters to their
// records, the whole file text that gl_cv_load reads, with the lengths and
// the expansion factor worked out from the records unless given. For
// cvcomp and for tests; programs that only convert never link it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "gls/conv/conv.h"
#include "gls/tree/tree_writer.h"

namespace gls {

// One source character's conversion. The writer adds the byte count and
// the kCvConverts mark itself, and the terminator flag on the null
// character (a key of zero bytes only).
struct CvoRecord {
    std::string output;    // 0 to 4 bytes, as written for the character
    uint8_t flags = 0;     // kCvTerminator, kCvInexact, kCvShiftedOut, kCvSwitchInput
    bool converts = true;  // false: the record says that no conversion exists
};

// Source bytes (1 to 4, no key a prefix of another) to records.
using CvoMap = std::map<std::string, CvoRecord>;

struct CvoInput {
    CvoMap records;          // the first tree: the unshifted input
    CvoMap shifted_records;  // the second tree, written when source_shift is non-zero
    int32_t source_shift = 0;
    int32_t target_shift = 0;
    // Shift-out (enter the shifted set), shift-in (leave it), two kept and unused.
    std::array<std::string, kCvSpecialCount> special{};
    int32_t table_flag = 0;  // 0 asks for the byte table of single-byte pairs
    std::array<int32_t, 2> further{};
    // Lines after the first three of the header, e.g. what made the file;
    // at most 127 characters each, no line feed.
    std::vector<std::string> header_lines;

    // Worked out from the records unless given: the shortest and longest
    // keys, the shortest and longest outputs, and the most output bytes per
    // input byte (shift sequences included for a shift-state target).
    std::optional<int32_t> source_min_len;
    std::optional<int32_t> source_max_len;
    std::optional<int32_t> target_min_len;
    std::optional<int32_t> target_max_len;
    std::optional<double> expansion;
    // The smaller text of the two unless given.
    std::optional<TreeText> tree_text;
};

// The figures a file gets, after the overrides.
struct CvoFigures {
    int32_t source_min_len;
    int32_t source_max_len;
    int32_t target_min_len;
    int32_t target_max_len;
    float expansion;  // rounded up to a float no smaller than the exact ratio
};

enum class CvoStatus {
    kOk,
    kBadKey,         // not 1 to 4 bytes, or a prefix of another key
    kOutputTooLong,  // more bytes than the target's longest character
    kBadSpecial,     // a special sequence longer than 4 bytes
    kBadLength,      // a length outside 1 to 4, or a minimum above its maximum
    kBadExpansion,   // not above 0 and at most 16
    kBadHeaderLine,  // longer than 127 characters, or holding a line feed
};

struct CvoResult {
    CvoStatus status = CvoStatus::kOk;
    std::string key;  // the offending key, for kBadKey and kOutputTooLong
    bool second_tree = false;
};

const char *cvo_status_text(CvoStatus status);

// The figures of an input; meaningful when write_cvo would accept it.
CvoFigures cvo_figures(const CvoInput &input);

// Appends the whole file text to out, or leaves out as it was and says what
// is wrong.
[[nodiscard]] CvoResult write_cvo(const CvoInput &input, std::string &out);

}  // namespace gls
