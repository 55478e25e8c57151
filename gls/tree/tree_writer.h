// Building a multi-byte tree from a map of byte sequences to elements and
// writing its text form, plain or compressed, for the tools that compile
// locale and conversion files and for tests that need such files. The
// library itself only reads trees; this side is not linked into programs
// that just load them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "gls/tree/tree.h"

namespace gls {

// One element, in memory the way a look-up returns it.
using TreeElement = std::vector<uint8_t>;

// How the elements of a tree are spelled, and the reader that reads them back.
struct ElementForm {
    uint32_t data_size;
    GlElementReader reader;
    void (*write)(const uint8_t *element, uint32_t data_size, std::string &out);
};

// 16-bit elements as 4 hexadecimal digits (class words, case indexes, rows).
ElementForm ub2_form();
// 32-bit wide characters as 8 hexadecimal digits.
ElementForm wchar_form();
// Conversion records for a target code set whose characters have at most
// target_max_length (1 to 4) bytes: the flags byte, then as many output bytes
// as its low three bits say.
ElementForm cv_record_form(uint32_t target_max_length);

TreeElement ub2_element(uint16_t value);
TreeElement wchar_element(uint32_t value);
// A conversion record writing `output` (at most target_max_length bytes) with
// extra flag bits (terminator, inexact, shift bits) beside the byte count.
// An output too long gives an empty element, which TreeBuilder::add refuses.
TreeElement cv_record_element(uint32_t target_max_length, std::string_view output,
                              uint8_t extra_flags = 0);

// The bytes of a wide character as a key of `length` bytes, most
// significant first (the form of every multibyte character).
std::string wchar_key(uint32_t wc, uint32_t length);

enum class TreeText { kPlain, kCompressed };

enum class TreeAddStatus {
    kOk,
    kBadKeyLength,    // not 1 to 4 bytes
    kPrefixConflict,  // the key is a prefix of a stored key, or the reverse
    kDuplicateKey,    // stored already; the stored element is kept
    kBadElementSize,  // not the form's data size
};

class TreeBuilder {
  public:
    // Characters with no entry of their own get default_element (zeros when
    // empty or of the wrong size).
    explicit TreeBuilder(ElementForm form, TreeElement default_element = {});

    [[nodiscard]] TreeAddStatus add(std::string_view key, const TreeElement &element);

    // Marks the keys as UTF-8 (kMultiUtf8Keys): readers then take every
    // well-formed sequence the tree lacks as a character with the default
    // element.
    void set_utf8_keys(bool utf8_keys) { utf8_keys_ = utf8_keys; }
    bool utf8_keys() const { return utf8_keys_; }

    const ElementForm &form() const { return form_; }
    const TreeElement &default_element() const { return default_; }
    const std::map<std::string, TreeElement> &entries() const { return entries_; }
    // Longest and shortest key; 0 and 4 for an empty tree, as in a new one.
    uint32_t max_length() const;
    uint32_t min_length() const;

    // Appends the text form that _gl_fscanf_multi reads, so a tree can be
    // written in the middle of a larger file. It ends with a newline.
    void write(TreeText text, std::string &out) const;
    std::string text(TreeText text) const;

  private:
    ElementForm form_;
    TreeElement default_;
    std::map<std::string, TreeElement> entries_;
    bool utf8_keys_ = false;
};

}  // namespace gls
