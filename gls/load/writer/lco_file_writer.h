// Writing whole locale object files: the three header lines and any
// further ones, the code-set name line, and each category's section after
// its marker line. The sections' texts come from the section writers; a
// file may hold any of them, in any order. For the locale compiler and for
// tests, which can also ask for a file broken in the ways a reader must
// survive.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace gls {

// The key of the header-count line (any key is read; this one is written).
inline constexpr const char *kLcoHeaderCountKey = "HEADER_LINES";

struct LcoSection {
    int category;      // kCatCtype to kCatMessages
    std::string text;  // the section's lines, each ending in a newline
};

struct LcoFile {
    std::string code_set;                   // at most 20 characters
    std::vector<std::string> extra_header;  // lines 4 to N of the header, without newlines
    std::vector<LcoSection> sections;       // in file order
};

// Damage for tests. Lines are given without their newline.
struct LcoDamage {
    std::optional<std::string> file_type_line;  // in place of line 1
    std::optional<std::string> version_line;    // in place of line 2
    std::optional<std::string> count_line;      // in place of line 3
    std::vector<int> unmarked;                  // sections written without their marker
    std::optional<size_t> cut_at;               // the file ends after this many bytes
};

// "### LC_TIME\n" and the like; empty for a number that is no category.
std::string lco_marker(int category);
// The header lines and the code-set name line.
std::string lco_header_text(const LcoFile &file, const LcoDamage &damage = {});
std::string lco_file_text(const LcoFile &file, const LcoDamage &damage = {});

// Writes text to path through a temporary file in the same directory that
// is renamed into place, so a failure never leaves half a file; false (with
// errno) when it could not be written.
[[nodiscard]] bool write_lco_file(const std::string &path, const std::string &text);

}  // namespace gls
