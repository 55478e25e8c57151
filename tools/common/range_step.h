// How the bytes of a charmap range count upward: within the code set's
// encoding, never as a plain big-endian number, so that a range never
// gives a byte sequence the code set cannot have.
#pragma once

#include <string>
#include <string_view>

namespace velmorad::tools {

enum class RangeEncoding {
    kLastByte,  // any other code set: only the last byte counts, up to /xff
    kUtf8,      // the code point counts; the bytes are its UTF-8 form
    kGb18030,   // four-byte sequences count in their mixed radix
};

// The encoding of a code set named as a charmap names it ("UTF-8",
// "GB18030"; case and punctuation do not matter).
RangeEncoding range_encoding_of(std::string_view code_set_name);

// Why the first bytes of a range cannot start one in this encoding, or
// an empty string when they can.
std::string range_start_fault(RangeEncoding encoding, std::string_view bytes);

// The bytes of the character after *bytes; false when the encoding has
// none (the range runs past what the code set can write).
[[nodiscard]] bool step_range_bytes(RangeEncoding encoding, std::string *bytes);

}  // namespace velmorad::tools
