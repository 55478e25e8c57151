// Locales for the character tests: classification sections written by the
// section writer, read back with read_ctype from real files, and settled
// the way the loader settles a locale after reading it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gls/load/locale.h"
#include "gls/load/writer/ctype_writer.h"
#include "tests/gls/lco_fixture.h"
#include "tests/support/bytes.h"

namespace gls::testing {

// The section's text; fails the test when the writer refuses the source.
std::string ctype_text(const CtypeSource &source);

struct SectionRead {
    int status = -2;   // of read_ctype
    std::string rest;  // what it left unread
};
// Reads `text` with read_ctype from a file in which it follows the
// section's marker line and is followed by another section.
SectionRead read_section(Locale *loc, const std::string &text);
inline constexpr const char *kNextSection = "### LC_COLLATE\n";

// What the loader does once the section is in: the single-byte flag from
// the tree, then the primitives.
int settle(Locale *loc);

// A null locale with the source's section read and settled.
LocalePtr load_ctype(const CtypeSource &source);

// The C library's classes of an ASCII character as a class word.
uint16_t ascii_class(int c);
using velmorad::testing::bytes;
// The wide character of a byte string: its bytes, first most significant.
gl_wchar_t wide(const std::string &character);
// The UTF-8 bytes of a code point.
std::string utf8(uint32_t code_point);

// ASCII and Latin-1 letters; 0x80 to 0x9F are not characters. Classes
// "vowel" (number 3) and "latin" (number 1); ASCII and Latin-1 case pairs.
inline constexpr uint16_t kVowelBit = 0x800 << 3;
inline constexpr uint16_t kLatinBit = 0x800 << 1;
CtypeSource single_byte_source();

// UTF-8 subset of one to three bytes: ASCII, Greek capitals and small
// letters (with case pairs), sixteen CJK ideographs of class "full_width"
// (number 2), and two private-use characters that are not printable.
inline constexpr uint16_t kFullWidthBit = 0x800 << 2;
inline constexpr uint32_t kFirstIdeograph = 0x4E00;
inline constexpr uint32_t kPrivateUse = 0xE000;
CtypeSource multi_byte_source();

// Every character two bytes: the null character, ASCII as 00 xx, and
// full-width Latin letters FF21 to FF5A of class "full_width" (number 0),
// with case pairs.
inline constexpr uint16_t kWideLatinBit = 0x800;
CtypeSource two_byte_source();

}  // namespace gls::testing
