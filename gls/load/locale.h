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

// Error numbers of locale loading and of the categories' readers.
inline constexpr uint32_t GL_EGROUPS = 4;       // more than 15 group sizes (as GL_ENEGLEN)
inline constexpr uint32_t GL_ESHORTFILE = 11;   // a file ends early or lacks a line or marker
inline constexpr uint32_t GL_EMIXEDCS = 12;     // the categories' code sets differ
inline constexpr uint32_t GL_EERA = 49;         // an era string that breaks the era syntax
inline constexpr uint32_t GL_ECALENDAR = 50;    // a calendar that is not one of the four
inline constexpr uint32_t GL_EVERSION = 51;     // the file's compiler version is not ours
inline constexpr uint32_t GL_ENOCTYPE = 57;     // the classification category is not loaded
inline constexpr uint32_t GL_ELOADFAIL = 55;    // a category failed without a finer reason
inline constexpr uint32_t GL_ECSCATEGORY = 58;  // a file's code set differs from the ctype's

inline constexpr int kCodeSetNameSize = 21;     // 20 characters and the terminator
inline constexpr int kLocaleFileNameSize = 33;  // 32 characters and the terminator
inline constexpr int kLocaleNameSize = 311;     // the name string of a whole locale
// The pieces a scan for a section marker reads lines in: 127 characters.
inline constexpr int kHeaderLineSize = 128;

// Per category number (entries 0 and 1 empty): the variable or specification
// key that names its file, and the line that starts its section in a file.
extern const char *const category_params[kLastCategory + 1];
extern const char *const category_markers[kLastCategory + 1];

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
[[nodiscard]] char *set_categories(Locale *loc, int category, const char *spec,
                                   const char *directory);
[[nodiscard]] int load_category(Locale *loc, int category, const char *spec, char *name,
                                const char *directory);
[[nodiscard]] int read_one_category(Locale *loc, int category, FILE *stream);
[[nodiscard]] int read_file_header(FILE *stream, char *codeset_name, uint32_t *error);
void query_locname(Locale *loc, int category, char *buf);
int update_locale(Locale *loc);
int init_locale_info(Locale *loc);
void gl_make_null_category(Locale *loc, int category);
void gl_free_category(Locale *loc, int category);
void gl_lc_unload(Locale *loc);

// Each category's own part of the above, kept beside its reader: a reset
// to the built-in empty state (allocation failures store GL_ENOMEM) and
// the release of what its reader allocated.
void _gl_null_ctype(Locale *loc);
void _gl_free_ctype(Locale *loc);
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

// Extension hooks: after a category is read from a named file, and when a
// category is nulled or released (its extension locale handle is dropped,
// and closed when no other category shares it). 0, or 1 when the extension
// should serve the category and cannot open it.
[[nodiscard]] int set_categories_glu(Locale *loc, int category, const char *file_name);
void set_categories_glu_null(Locale *loc, int category);

// The categories' readers and initialisers.
[[nodiscard]] int read_ctype(FILE *stream, Locale *loc);
// The single-byte flag the classification's character tree calls for.
int32_t _gl_ctype_single_byte(const Locale *loc);
[[nodiscard]] int set_function_pointers(Locale *loc);
// Reads the collation section into the empty state gl_make_null_category
// left; on failure the error number is in loc (none for unknown rules).
[[nodiscard]] int read_collate(FILE *stream, Locale *loc);
// The bytes of a character of the collation tree (at most 4) into out: their
// number, or -1 with GL_EILSEQ.
[[nodiscard]] int _gl_sl_wctomb(Locale *loc, unsigned char *out, gl_wchar_t wc);
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

}  // namespace gls
