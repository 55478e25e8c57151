// What the name parsers and the registry readers share: character classes,
// error storing and the registry file. The classes are those of the C locale
// whatever locale the host has set, so a name parses the same everywhere.
#pragma once

#include <cstdint>
#include <cstdio>

#include "gls/host/host.h"
#include "gls/util/digits.h"
#include "gls/util/util.h"

namespace gls::names_detail {

using gls::is_digit;

inline bool is_blank(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
// Printable and not blank.
inline bool is_graph(int c) {
    return c > ' ' && c < 0x7F;
}
inline bool is_letter(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline char to_lower(int c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}
inline char to_upper(int c) {
    return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
}
inline unsigned char byte_at(const char *p) {
    return static_cast<unsigned char>(*p);
}

inline constexpr int kHexDigitsPerNumber = 4;
// Writes a code-set number as 4 lower-case hexadecimal digits; returns the
// position after them.
inline char *write_hex4(char *out, uint16_t number) {
    constexpr const char *kDigits = "0123456789abcdef";
    for (int shift = 12; shift >= 0; shift -= 4)
        *out++ = kDigits[(number >> shift) & 0xF];
    return out;
}

// A null context stores nothing, even where the host would redirect it.
inline void store_error(void *context, uint32_t number) {
    if (context != nullptr) gl_set_error(context, number);
}

inline uint32_t current_error(void *context) {
    const uint32_t *cell = context != nullptr ? _gl_ext_errno(context) : nullptr;
    return cell != nullptr ? *cell : 0;
}

// Opens the registry: the explicit path when one is given and not empty,
// else the search. Null when it cannot be opened.
FILE *open_registry(void *context, const char *path, const GlFileOps *ops);

// An open registry file, closed with the table that opened it.
class RegistryStream {
  public:
    RegistryStream(void *context, const char *path, const GlFileOps *ops)
        : ops_(ops), stream_(open_registry(context, path, ops)) {}
    ~RegistryStream() {
        if (stream_ != nullptr) (void)ops_->close(stream_);
    }
    RegistryStream(const RegistryStream &) = delete;
    RegistryStream &operator=(const RegistryStream &) = delete;
    FILE *get() const { return stream_; }

  private:
    const GlFileOps *ops_;
    FILE *stream_;
};

// Reads one record's number: false when the field is missing, is not
// followed by another character, or is the no-code-set number.
[[nodiscard]] bool read_cs_number(FILE *stream, uint16_t *number);
// Whether the cached list holds a name made of digits only. A decimal name
// can match nothing else, so without one its look-up skips the walk. Worked
// out once per list.
bool cached_list_has_decimal_name();

}  // namespace gls::names_detail
