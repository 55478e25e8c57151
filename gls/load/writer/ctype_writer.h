// Writing the classification section of a locale object file from what a
// locale source says about its characters, for the locale compiler and for
// tests that need such files. Only the section's text is written: it goes
// after the "### LC_CTYPE\n" marker line.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "gls/load/locale.h"
#include "gls/tree/tree_writer.h"

namespace gls {

struct UserClassSource {
    int32_t number;  // 0 to kMaxUserClassNumber: the class bit is 0x800 << number
    std::string name;
};

struct CtypeSource {
    // Every character of the code set (its bytes) and its class word.
    std::map<std::string, uint16_t> classes;
    // The word of characters that share a node without data of their own.
    uint16_t default_class = 0;
    // The code set is UTF-8: every well-formed sequence is a character, and
    // those classes does not list have default_class.
    bool utf8_keys = false;
    std::vector<UserClassSource> user_classes;
    // Characters with a case counterpart. Distinct pairs are numbered from 1
    // in the order of their first characters' bytes, and characters with
    // equal pairs share one. A 0 member maps to the character itself.
    std::map<std::string, CasePair> case_pairs;
    // Without a value the line is left empty, which reads as the default.
    std::optional<double> growth;
    TreeText tree_text = TreeText::kPlain;
};

enum class CtypeWriteStatus {
    kOk,
    kBadCharacter,    // not 1 to 4 bytes, or a prefix of another character
    kBadClassNumber,  // outside 0 to kMaxUserClassNumber
    kBadClassName,    // empty, too long, or with white space in it
    kTooManyClasses,  // more than kMaxUserClasses
    kTooManyPairs,    // more than kMaxCasePairs
    kBadGrowth,       // not a number from kMinCaseGrowth to kMaxCaseGrowth
};

// Appends the section to out; on failure out is left as it was.
[[nodiscard]] CtypeWriteStatus write_ctype_section(const CtypeSource &source, std::string &out);

}  // namespace gls
