// The locale object: one loaded locale with its six categories, read from
// locale object files, and the calls that create, load, query and release it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <type_traits>

#include "gls/host/host.h"
#include "gls/tree/tree.h"

namespace gls {

struct Locale;

// Category numbers.
enum LocaleCategory : int {
    kCatAll = 1,
    kCatCtype = 2,
    kCatCollate = 3,
    kCatNumeric = 4,
    kCatMonetary = 5,
    kCatTime = 6,
    kCatMessages = 7,
};
inline constexpr int kFirstCategory = kCatCtype;
inline constexpr int kLastCategory = kCatMessages;
inline constexpr int kCategorySlots = 6;

// The per-category arrays of the object are indexed from the classification
// category.
inline constexpr int category_slot(int category) {
    return category - kFirstCategory;
}

inline constexpr int kCodeSetNameSize = 21;     // 20 characters and the terminator
inline constexpr int kLocaleFileNameSize = 33;  // 32 characters and the terminator
inline constexpr int kLocaleNameSize = 311;     // the name string of a whole locale
// The pieces a scan for a section marker reads lines in: 127 characters.
inline constexpr int kHeaderLineSize = 128;

// The character primitives installed for a locale's code set and rules.
using GlMbsCollFn = int (*)(Locale *loc, const unsigned char *s1, const unsigned char *s2);
using GlMbfsCollFn = int (*)(Locale *loc, const unsigned char *s1, int n1, const unsigned char *s2,
                             int n2);
using GlMbsXfrmFn = int (*)(Locale *loc, unsigned char *dst, const unsigned char *src, int n);
using GlMbsToWcsFn = int (*)(Locale *loc, gl_wchar_t *wcs, const unsigned char *mbs, int wcmax);
using GlMbfsToWcfsFn = int (*)(Locale *loc, gl_wchar_t *wcs, const unsigned char *mbs, int mblen,
                               int wcmax);

struct LocalePrimitives {
    GlMbsCollFn mbscoll;
    GlMbfsCollFn mbfscoll;
    GlMbsXfrmFn mbsxfrm;
    GlMbsToWcsFn mbstowcs;
    GlMbfsToWcfsFn mbfstowcfs;
};

// ---- Classification ----------------------------------------------------

struct UserClass {
    int32_t number;
    char *name;
};

struct CasePair {
    gl_wchar_t upper;  // 0: the character maps to itself
    gl_wchar_t lower;
};

// Locale-defined classes take the class-word bits above "blank", so their
// numbers run from 0 to 4.
inline constexpr int32_t kMaxUserClassNumber = 4;
inline constexpr int32_t kMaxUserClasses = kMaxUserClassNumber + 1;
inline constexpr int kClassNameSize = 128;  // 127 characters and the terminator
// Case indexes are the 16-bit elements of the case tree.
inline constexpr int32_t kMaxCasePairs = 0xFFFF;
// Case conversion of n bytes needs at most ceil(factor) * n bytes; a
// character grows at most from one byte to four.
inline constexpr double kDefaultCaseGrowth = 4.0;
inline constexpr double kMinCaseGrowth = 1.0;
inline constexpr double kMaxCaseGrowth = 4.0;

struct CtypeSection {
    uint8_t *upper_table;     // 256 bytes, single-byte code sets only
    uint8_t *lower_table;     // 256 bytes, single-byte code sets only
    uint16_t *class_table;    // 256 class words, single-byte code sets only
    int32_t single_byte;      // every character is one byte
    int32_t direct_weights;   // from the collation section
    int32_t ext_collation;    // collation served by the extension
    multi_tree_t *char_tree;  // character -> class word
    int32_t class_count;
    UserClass *classes;
    multi_tree_t *case_tree;  // character -> case-pair index (0: none)
    int32_t case_pair_count;
    CasePair *case_pairs;  // entries 1 to case_pair_count
};

// ---- Collation ---------------------------------------------------------

inline constexpr int kMaxCollationLevels = 8;

// Kinds of weight. Bit 15 marks a special weight, stored as read for the
// primitives to interpret; otherwise bit 14 marks a reference to expansion
// (weight & kWeightIndexMask).
inline constexpr uint16_t kWeightSpecial = 0x8000;
inline constexpr uint16_t kWeightExpansion = 0x4000;
inline constexpr uint16_t kWeightIndexMask = 0x3FFF;
inline constexpr bool is_expansion_ref(uint16_t weight) {
    return (weight & (kWeightSpecial | kWeightExpansion)) == kWeightExpansion;
}

struct CollationExpansion {
    int32_t count;  // 1 to 15
    gl_wchar_t *chars;
};

struct CollatingElement {
    int32_t count;  // 1 to 15
    gl_wchar_t *chars;
    uint16_t row;
};

// An entry of the index of collating elements by their first character.
struct ElementByFirst {
    gl_wchar_t first;
    int32_t index;  // in the section's list of elements
};

// The character an element starts with; past every character when empty.
inline gl_wchar_t element_first_char(const CollatingElement &element) {
    return element.count > 0 ? element.chars[0] : ~gl_wchar_t{0};
}

enum CollationMode : int32_t {
    kCollateNone = 0,
    kCollateRules = 1,
    kCollateThai = 2,
    kCollateExtension = 3,
};

// After read_collate succeeds with rules as specified, every row the tree
// gives and every element's row is at most max_row, every expansion
// reference in the weights is below expansion_count, levels is at most 8
// with weights and sb_expansions present for each level below it, and
// element_start and element_order are present exactly when element_count > 0.
// A level's direction: 2 reads the level from the end of the string. The
// bit 4 beside it marks a level on which the place of ignorable units
// counts (the order is described in gls/chars/collate_table.cpp).
inline constexpr int32_t kLevelBackward = 2;
inline constexpr int32_t kLevelPosition = 4;
inline bool level_backward(int32_t direction) {
    return (direction & ~kLevelPosition) == kLevelBackward;
}
inline bool level_position(int32_t direction) {
    return (direction & kLevelPosition) != 0;
}

struct CollateSection {
    multi_tree_t *tree;  // character -> row
    int32_t levels;
    int32_t max_row;  // at most 0xFFFF
    int32_t expansion_count;
    int32_t element_count;
    int32_t weight_size;                      // 1 to 4
    int32_t directions[kMaxCollationLevels];  // kLevelBackward, kLevelPosition
    uint16_t *weights[kMaxCollationLevels];   // max_row + 1 weights per level
    CollationExpansion *expansions;
    CollatingElement *elements;
    int32_t direct_weights;
    CollationExpansion **sb_expansions[kMaxCollationLevels];  // 256 entries per level
    int32_t *element_start;                                   // 256 flags, or null
    int32_t mode;
    // Byte strings, each followed by four zero bytes; null when empty.
    unsigned char **all_ones;      // null-terminated
    unsigned char **equivalences;  // (member, representative) pairs, ended by a null pair
    // Derived when the section is read: the elements by first character,
    // then as listed, so that the elements a character may start are found
    // without a walk of the whole list; null when there are no elements.
    ElementByFirst *element_order;
};

// ---- Numeric, monetary, messages, time ----------------------------------

// A text of the locale: a byte string followed by four zero bytes, and its
// wide copy ending in 0.
struct LocaleText {
    char *mb;
    gl_wchar_t *wc;
};

inline constexpr int kMaxGroups = 15;
struct Grouping {
    int32_t count;
    int32_t sizes[kMaxGroups];
};

inline constexpr int32_t kValueNotGiven = 0x7FFFFFFF;
enum MonetaryValue : int {
    kIntFracDigits = 0,
    kFracDigits,
    kPCsPrecedes,
    kPSepBySpace,
    kNCsPrecedes,
    kNSepBySpace,
    kPSignPosn,
    kNSignPosn,
    kMonetaryValueCount
};

struct TextSection {
    LocaleText decimal_point;
    LocaleText thousands_sep;
    Grouping grouping;
    LocaleText int_curr_symbol;
    LocaleText currency_symbol;
    LocaleText mon_decimal_point;
    LocaleText mon_thousands_sep;
    Grouping mon_grouping;
    LocaleText mon_positive_sign;
    LocaleText mon_negative_sign;
    LocaleText positive_sign;
    LocaleText negative_sign;
    int32_t monetary[kMonetaryValueCount];
    LocaleText yesexpr;
    LocaleText noexpr;
    LocaleText yesstr;
    LocaleText nostr;
};

struct TextList {
    char **mb;
    gl_wchar_t **wc;
    int32_t count;
};

struct EraEntry {
    int32_t direction;  // +1 or -1
    int32_t offset;
    int32_t start_day, start_month, start_year;
    int32_t end_day, end_month, end_year;
    int32_t end_kind;  // 0 a date, 1 no end in the future, -1 none in the past
    char *name;
    char *format;
    char *third;
    gl_wchar_t *wthird;
};

enum TimeCache : int {
    kCacheAbDay = 0,
    kCacheDay,
    kCacheAbMonth,
    kCacheMonth,
    kCacheEraFormat,
    kCacheEraName,
    kCacheAltDigits,
    kCacheAmPm,
    kTimeCacheCount
};

// The seven formats, by their position in the time section, named by the
// information item that returns each (gl_nl_langinfo). The file holds them
// in another order (see _gl_read_time).
enum TimeFormat : int {
    kFmtDate = 0,     // item 61: the date (%x)
    kFmtDateTime,     // item 0: date and time (%c)
    kFmtTime,         // item 62: the time (%X)
    kFmtTime12,       // item 63: 12-hour time (%r)
    kFmtEraDate,      // item 67: era date (%Ex)
    kFmtEraDateTime,  // item 68: era date and time (%Ec)
    kFmtEraTime,      // item 69: era time (%EX)
    kTimeFormatCount
};

// Calendars a time section may name, with the line that names each.
enum CalendarKind : int32_t {
    kCalendarGregorian = 1,
    kCalendarHebrew = 2,
    kCalendarIslamic = 3,
    kCalendarArabic = 4,
};
struct CalendarRow {
    const char *name;  // with its newline, as in the file
    const gl_wchar_t *wname;
    int32_t kind;
};
// Ends with a row of null names.
extern const CalendarRow gls_canned_calendars[5];

inline constexpr int kDaysInWeek = 7;

// String cache: names matched without regard to case (month and day names
// and the like), a trie of lower-cased wide characters in first-child,
// next-sibling form. Filling and matching need a locale's characters and
// case mapping, so these take the locale object as their context.
struct gl_wc_cache_t {
    uint32_t character;  // lower-cased
    uint32_t value;
    uint32_t terminal;  // 1 when a string ends here
    gl_wc_cache_t *child;
    gl_wc_cache_t *sibling;
};
static_assert(std::is_standard_layout_v<gl_wc_cache_t>);

// Adds a string of the locale (ended by its terminator) with its value; a
// string added again takes the new value. The empty string is a terminal
// node of character 0 in the root chain. 0, or -1 (a null string, a
// character that does not convert, or GL_ENOMEM; nodes added so far stay).
[[nodiscard]] int _gl_cache_wc_string(Locale *loc, gl_wc_cache_t **root, const unsigned char *text,
                                      uint32_t value);
// Releases a cache: the node, its children and its siblings.
void _gl_free_wc_cache(Locale *loc, gl_wc_cache_t *node);

// What matched: the value of the string and its length in the input.
struct GlCacheMatch {
    uint32_t value;
    int chars;
    int bytes;  // 0 for the wide form
};
enum GlCacheResult : int {
    kCacheBadChar = -1,  // the input holds a character that does not convert
    kCacheNoMatch = 0,
    kCacheMatched = 1,
};
// Finds the shortest stored string that begins the input, without regard
// to case (the empty string, when stored, matches with 0 characters when
// nothing longer does). The input ends at its terminator or after length
// bytes (or wide characters), whichever comes first; -1 for no limit.
[[nodiscard]] GlCacheResult _gl_match_wc_cache(Locale *loc, const gl_wc_cache_t *root,
                                               const unsigned char *text, int length,
                                               GlCacheMatch *match);
[[nodiscard]] GlCacheResult _gl_match_wc_cache_wide(Locale *loc, const gl_wc_cache_t *root,
                                                    const gl_wchar_t *text, int length,
                                                    GlCacheMatch *match);

struct TimeSection {
    int32_t calendar;  // a CalendarKind
    char *abday[kDaysInWeek];
    gl_wchar_t *wabday[kDaysInWeek];
    char *day[kDaysInWeek];
    gl_wchar_t *wday[kDaysInWeek];
    TextList abmon;
    TextList mon;
    LocaleText am;
    LocaleText pm;
    TextList alt_digits;
    gl_wc_cache_t *caches[kTimeCacheCount];
    char *formats[kTimeFormatCount];
    gl_wchar_t *wformats[kTimeFormatCount];
    char **eras;
    int32_t era_count;
    EraEntry *era_entries;
    LocaleText joined_eras;
    LocaleText joined_alt_digits;
};

// Numeric and monetary values converted for callers that want them in one
// piece, as byte and wide copies.
struct ConvertedValues {
    LocaleText decimal_point;
    LocaleText thousands_sep;
    char *grouping;
    LocaleText int_curr_symbol;
    LocaleText currency_symbol;
    LocaleText mon_decimal_point;
    LocaleText mon_thousands_sep;
    char *mon_grouping;
    LocaleText mon_positive_sign;
    LocaleText mon_negative_sign;
    LocaleText positive_sign;
    LocaleText negative_sign;
    int8_t monetary[kMonetaryValueCount];  // 127 for a value not given
};

// ---- The locale object ---------------------------------------------------

// The error number comes first, so that the host's error service can treat
// the object as its own error cell.
struct Locale {
    uint32_t error;
    LocalePrimitives primitives;
    double case_growth;      // case conversion may grow text by this factor
    double longest_element;  // characters of the longest expansion or element
    CtypeSection ctype;
    CollateSection collate;
    TextSection text;
    TimeSection time;
    ConvertedValues converted;
    char codeset_names[kCategorySlots][kCodeSetNameSize];
    gl_wchar_t wcodeset_names[kCategorySlots][kCodeSetNameSize];
    char file_names[kCategorySlots][kLocaleFileNameSize];
    gl_wchar_t wfile_names[kCategorySlots][kLocaleFileNameSize];
    void *ext_handles[kCategorySlots];
    int32_t ext_flags[kCategorySlots];
    uint32_t reserved;
};
static_assert(std::is_standard_layout_v<Locale>);
static_assert(offsetof(Locale, error) == 0);

// Stand-ins handed out for objects that could not be made; never released.
extern Locale loc_nomem;  // error GL_ENOMEM
extern Locale loc_filer;  // error GL_EFILE

// Creation, loading, query and release.
[[nodiscard]] int gl_create_null_locale_4(Locale **slot);
[[nodiscard]] char *gl_setlocale_4(Locale *loc, int category, const char *spec);
void query_locname(Locale *loc, int category, char *buf);
void gl_lc_unload(Locale *loc);

// The section readers, driven on their own by the fuzz targets, and the
// installer of the character primitives.
[[nodiscard]] int read_ctype(FILE *stream, Locale *loc);
// Releases what read_ctype allocated.
void _gl_free_ctype(Locale *loc);
[[nodiscard]] int set_function_pointers(Locale *loc);
// Reads the collation section into the empty state gl_make_null_category
// left; on failure the error number is in loc (none for unknown rules).
[[nodiscard]] int read_collate(FILE *stream, Locale *loc);
// The bytes of a character of the collation tree (at most 4) into out: their
// number, or -1 with GL_EILSEQ.
[[nodiscard]] int _gl_sl_wctomb(Locale *loc, unsigned char *out, gl_wchar_t wc);

}  // namespace gls
