// Pieces the formatters share: bounded views of the time section's lists,
// texts and their columns, and the Gregorian calendar's rules.
// Not part of the folder's interface.
#pragma once

#include <cstdint>

#include "gls/format/format.h"

namespace gls::format {

// Counts a formatter may index with: each is 0 unless the locale holds the
// list whole (a damaged or partly loaded section has none).
int32_t usable_eras(const Locale *loc);
int32_t usable_alt_digits(const Locale *loc);  // both the byte and the wide list

// The entries of a list (a TimeInfoKind): its count (-1 for an unknown
// kind), and an entry, null past the end or where the locale has no text.
int32_t time_list_count(const Locale *loc, int kind);
const char *time_list_text(const Locale *loc, int kind, int32_t index);

// A locale text's characters, and its bytes without the terminator as the
// longest-entry queries count them; negative when it is not text of the
// code set.
int text_chars(Locale *loc, const char *text);
int text_bytes(Locale *loc, const char *text);
// A locale text as wide characters, at most room of them with the
// terminator, through the locale's conversion: the characters stored
// before the terminator, or -1 with the conversion's error.
int widen_text(Locale *loc, gl_wchar_t *out, const char *text, int room);
// Display columns the formatters lay a character out in: at least one,
// so that a character the locale cannot measure still takes its place.
int columns(Locale *loc, gl_wchar_t wc);
int64_t columns(Locale *loc, const gl_wchar_t *text, int64_t length);

// The proleptic Gregorian calendar: leap years, and whether a day of a
// month (0-based) of a year exists.
bool gregorian_leap(int64_t year);
bool gregorian_date(int64_t day, int64_t month, int64_t year);

}  // namespace gls::format
