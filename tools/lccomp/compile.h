// Compiling a read locale source into the sections of a locale object file.
// Every character leaves here as its bytes in the charmap's code set.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "gls/load/writer/collate_writer.h"
#include "gls/load/writer/ctype_writer.h"
#include "gls/load/writer/text_writer.h"
#include "tools/lccomp/lccomp.h"
#include "tools/lccomp/source_lexer.h"

namespace velmorad::tools {

// Strings in the charmap's bytes. A character the charmap lacks is replaced
// by the first alternative of the first transliteration rule for it whose
// characters the charmap all has, else by default_missing; a character
// with none of these cannot be written.
class Encoder {
  public:
    Encoder(const Charmap &charmap, const TranslitSource &translit);

    // The bytes of one character; false when the charmap lacks it.
    bool character(const std::string &name, std::string *bytes) const;
    // The bytes of a string; false with the first character that cannot be
    // written, which goes to *missing. When defaulted is given it receives
    // the first character written as the source's default_missing (empty
    // when none was).
    bool string(const CharString &text, std::string *bytes, std::string *missing,
                std::string *defaulted = nullptr) const;

  private:
    bool all_encodable(const CharString &text, std::string *bytes) const;

    const Charmap &charmap_;
    const TranslitSource &translit_;
    // First character of a rule's "from" to the rules, in the order tried.
    std::unordered_map<std::string, std::vector<const TranslitRule *>> rules_;
};

// A character's bytes as the library's wide character: the bytes packed,
// the first most significant.
uint32_t packed_wchar(const std::string &bytes);

// The characters of a charmap, each byte sequence once (its first entry in
// file order), in byte order.
std::vector<const CharmapEntry *> charmap_characters(const Charmap &charmap);

[[nodiscard]] bool compile_ctype(const LocaleSource &source, const Charmap &charmap,
                                 Diagnostics *diagnostics, gls::CtypeSource *out);

[[nodiscard]] bool compile_numeric(const LocaleSource &source, const Encoder &encoder,
                                   Diagnostics *diagnostics, gls::NumericSource *out);
[[nodiscard]] bool compile_monetary(const LocaleSource &source, const Encoder &encoder,
                                    Diagnostics *diagnostics, gls::MonetarySource *out);
[[nodiscard]] bool compile_messages(const LocaleSource &source, const Encoder &encoder,
                                    Diagnostics *diagnostics, gls::MessagesSource *out);
[[nodiscard]] bool compile_time(const LocaleSource &source, const Encoder &encoder,
                                Diagnostics *diagnostics, gls::TimeSource *out);

// A time format of the source in the directives the library's formatter
// knows, printing what the C library prints: %k becomes %2.1H, %l %2.1I, %P
// %p, %F %Y-%m-%d, %T %H:%M:%S, %R %H:%M; %u, %w and the O forms take a
// precision of 1 (unpadded), as do numbers with the "-" flag; "_" (blanks)
// a width; any directive the formatter lacks (%Z, %z, %s, %U, ...) is
// dropped with the blank before it, and its text added to *dropped.
CharString translate_time_format(const CharString &format, std::vector<std::string> *dropped);
// A source's era string in the library's era syntax; false when it has
// fewer than six fields or a date that is not year/month/day.
bool era_for_library(const CharString &era, CharString *out, std::vector<std::string> *dropped);

// The collation section. The order of the source's rules is computed here.
[[nodiscard]] bool compile_collation(const LocaleSource &source, const Charmap &charmap,
                                     Diagnostics *diagnostics, gls::CollationSource *out);

struct CompileOptions {
    std::string code_set;       // the code set's name, for the header
    std::string source_label;   // recorded in the header: the source's name
    std::string charmap_label;  // and the charmap's
};

// What a compilation made, beside the file.
struct CompileSummary {
    size_t characters = 0;
    size_t case_pairs = 0;
    std::vector<std::string> user_classes;
    std::string collation_version;
};

// The whole locale object file, its sections in the order a reader scans
// best: the small text sections, then LC_CTYPE, then LC_COLLATE.
[[nodiscard]] bool compile_locale(const LocaleSource &source, const Charmap &charmap,
                                  const CompileOptions &options, Diagnostics *diagnostics,
                                  std::string *file_text, CompileSummary *summary);

// The version of this compiler, recorded in every file it writes.
inline constexpr const char *kLccompVersion = "1.0";

}  // namespace velmorad::tools
