// What the loader's own files share: the steps of loading a locale, each
// category's reset, release, reader and initialiser, and their helpers.
// Other folders use the locale object through locale.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "gls/load/locale.h"

namespace gls {

// Per category number (entries 0 and 1 empty): the variable or specification
// key that names its file, and the line that starts its section in a file.
extern const char *const category_params[kLastCategory + 1];
extern const char *const category_markers[kLastCategory + 1];

// The steps of gl_setlocale_4.
[[nodiscard]] char *set_categories(Locale *loc, int category, const char *spec,
                                   const char *directory);
[[nodiscard]] int load_category(Locale *loc, int category, const char *spec, char *name,
                                const char *directory);
[[nodiscard]] int read_one_category(Locale *loc, int category, FILE *stream);
[[nodiscard]] int read_file_header(FILE *stream, char *codeset_name, uint32_t *error);
int update_locale(Locale *loc);
int init_locale_info(Locale *loc);
void gl_make_null_category(Locale *loc, int category);
void gl_free_category(Locale *loc, int category);

// Each category's own part of the above, kept beside its reader: a reset
// to the built-in empty state (allocation failures store GL_ENOMEM) and
// the release of what its reader allocated.
void _gl_null_ctype(Locale *loc);
void _gl_null_collate(Locale *loc);
void _gl_free_collate(Locale *loc);
void _gl_init_numeric(TextSection *text);
void _gl_init_monetary(TextSection *text);
void _gl_init_messages(TextSection *text);
void _gl_init_ltime(TimeSection *time);
void _gl_free_numeric(Locale *loc);
void _gl_free_monetary(Locale *loc);
void _gl_free_messages(Locale *loc);
void _gl_free_ltime(Locale *loc);
void free_glconv_numeric(Locale *loc);
void free_glconv_monetary(Locale *loc);

// The single-byte flag the classification's character tree calls for.
int32_t _gl_ctype_single_byte(const Locale *loc);
[[nodiscard]] int _gl_read_numeric(FILE *stream, TextSection *text, uint32_t *error);
[[nodiscard]] int _gl_read_monetary(FILE *stream, TextSection *text, uint32_t *error);
[[nodiscard]] int _gl_read_time(FILE *stream, TimeSection *time, uint32_t *error);
[[nodiscard]] int _gl_read_messages(FILE *stream, TextSection *text, uint32_t *error);
int init_numeric_info(Locale *loc);
int init_monetary_info(Locale *loc);
int init_time_info(Locale *loc);
int init_message_info(Locale *loc);

// Field readers of the text sections. A counted string is "n hexbytes":
// n bytes and four zero bytes, or null with GL_ENOMEM or GL_EFILE stored.
inline constexpr long kMaxCountedString = 0xFFFF;
[[nodiscard]] char *str_readallc(FILE *stream, uint32_t *error);
[[nodiscard]] int read_group(FILE *stream, Grouping *group, uint32_t *error);

// Helpers of the initialisers.
// The bytes of a locale text before its terminator.
size_t _gl_text_bytes(Locale *loc, const char *text);
// A wide copy of a locale text (null for null); 0, or -1 (GL_ENOMEM, or the
// conversion's error).
[[nodiscard]] int alloc_wc_from_mb(Locale *loc, gl_wchar_t **out, const char *text);
// A copy of a text of at most 255 bytes, else null.
inline constexpr size_t kMaxConvertedText = 255;
[[nodiscard]] char *mbscpy(const char *text);
// The group sizes as bytes ending in a zero byte; null for no groups.
[[nodiscard]] char *grpcpy(const Grouping *group);
// The bytes of the wide characters from *cursor up to delimiter (0: the
// end), advancing *cursor to the delimiter; 0, or -1.
[[nodiscard]] int alloc_mbs_copy(Locale *loc, char **out, const gl_wchar_t **cursor,
                                 gl_wchar_t delimiter);
// An optional "-" and decimal digits; *end is left after them.
int32_t wstrtoi(const gl_wchar_t *text, const gl_wchar_t **end);
[[nodiscard]] int load_glconv_numeric(Locale *loc);
[[nodiscard]] int load_glconv_monetary(Locale *loc);
void era_cleanup(EraEntry *eras, int32_t count);
// Parses one era string into an entry; 0, or -1 with GL_EERA or GL_ENOMEM.
[[nodiscard]] int _gl_parse_era(Locale *loc, const char *text, EraEntry *era);

// Every initialiser starts here: -1 without a character tree or when the
// primitives cannot be installed, 0 with GL_ENOCTYPE when the tree holds no
// character, 1 to go on.
int _gl_require_ctype(Locale *loc);

// Replaces the wide copy of each text; false at the first failure.
bool _gl_rewiden_all(Locale *loc, std::initializer_list<LocaleText *> texts);

}  // namespace gls
