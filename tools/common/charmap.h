// Charmaps: the byte sequence of every character of a code set under a
// symbolic name ("<U00E9> /xc3/xa9"), in the text form the system's charmap
// directory holds, plain or gzip-compressed. Tools join two charmaps on their
// symbolic names (conversions) or take a locale source's names to bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmorad::tools {

// The longest character the library's trees can hold.
inline constexpr size_t kMaxCharBytes = 4;
// Ranges expand to one entry per character; a hostile range must not take
// all memory. The largest real charmap has about 1.1 million characters.
inline constexpr size_t kMaxCharmapEntries = size_t{1} << 21;

struct CharmapEntry {
    std::string name;   // the symbolic name, without its angle brackets
    std::string bytes;  // 1 to kMaxCharBytes bytes
    int line = 0;       // the line that defined it (for a range, the range's line)
    // Written as a comment marked "IRREVERSIBLE": these bytes read as this
    // character, but the character is not written with them.
    bool irreversible = false;
};

// A WIDTH line: every character whose bytes lie between first and last (of
// equal length) in byte order has this width.
struct WidthRange {
    std::string first;
    std::string last;
    int width = 0;
    int line = 0;
};

struct CharmapError {
    std::string file;
    int line = 0;  // 0 when the fault is not on one line (cannot open, and the like)
    std::string reason;
};

class Charmap {
  public:
    // Empty when the charmap does not declare one.
    const std::string &code_set_name() const { return code_set_name_; }
    // Further names, from comment lines of the form "% alias NAME" before CHARMAP.
    const std::vector<std::string> &aliases() const { return aliases_; }
    char comment_char() const { return comment_char_; }
    char escape_char() const { return escape_char_; }
    // As declared; 0 when not declared. Never used as a character length:
    // min_length() and max_length() say what the charmap really holds.
    int mb_cur_min() const { return mb_cur_min_; }
    int mb_cur_max() const { return mb_cur_max_; }

    // Every character in file order, ranges expanded, duplicates kept.
    const std::vector<CharmapEntry> &entries() const { return entries_; }
    // Shortest and longest byte sequence among the entries.
    size_t min_length() const { return min_length_; }
    size_t max_length() const { return max_length_; }

    // The entry that writes a character: the first entry of that name in file
    // order that is not irreversible. Null when there is none.
    const CharmapEntry *find_name(std::string_view name) const;
    // The entry that reads a byte sequence: the first entry with those bytes
    // in file order. Null when there is none.
    const CharmapEntry *find_bytes(std::string_view bytes) const;

    const std::vector<WidthRange> &widths() const { return widths_; }
    // The width of a character's bytes: the last WIDTH line that covers it,
    // else WIDTH_DEFAULT, else 1.
    int width_of(std::string_view bytes) const;

  private:
    friend class CharmapParser;
    void build_indexes();

    std::string code_set_name_;
    std::vector<std::string> aliases_;
    char comment_char_ = '#';
    char escape_char_ = '\\';
    int mb_cur_min_ = 0;
    int mb_cur_max_ = 0;
    std::vector<CharmapEntry> entries_;
    size_t min_length_ = 0;
    size_t max_length_ = 0;
    std::vector<WidthRange> widths_;
    int width_default_ = 1;
    // Open-addressed hash tables of entry numbers plus one (0: empty slot).
    // A charmap of Unicode has a quarter of a million names; one flat array
    // per index keeps reading it quick.
    std::vector<uint32_t> name_slots_;
    std::vector<uint32_t> bytes_slots_;
};

// The library's character trees cannot hold a code set in which the bytes
// of one character begin those of another. The first such pair in byte
// order (each byte sequence taken with the entry that reads it); false when
// there is none.
[[nodiscard]] bool find_prefix_pair(const Charmap &map, const CharmapEntry **shorter,
                                    const CharmapEntry **longer);

// Reads a charmap file, gzip-compressed or plain. On failure returns false
// with the first fault in error; *out is then unspecified.
[[nodiscard]] bool read_charmap(const std::string &path, Charmap *out, CharmapError *error);

// Parses charmap text already in memory; file names it in errors.
[[nodiscard]] bool parse_charmap(std::string_view text, const std::string &file, Charmap *out,
                                 CharmapError *error);

}  // namespace velmorad::tools
