// lccomp: a POSIX locale definition source and a charmap make a locale
// object file. Reading gives a LocaleSource (the categories the product
// uses, every "copy" and "include" followed); compiling turns it into the
// six sections of the file, with every character in the charmap's bytes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/common/charmap.h"
#include "tools/lccomp/collate_source.h"

namespace velmorad::tools {

// A string as the source spells it: one symbolic name per character.
using CharString = std::vector<std::string>;

struct Diagnostic {
    SourcePosition position;  // line 0: about the file as a whole
    std::string reason;
};

// Warnings in the order they arose, and the fault that stopped the work.
struct Diagnostics {
    std::vector<Diagnostic> warnings;
    Diagnostic error;
    bool failed = false;

    bool fail(const SourcePosition &at, std::string reason) {
        if (!failed) error = {at, std::move(reason)};
        failed = true;
        return false;
    }
    void warn(const SourcePosition &at, std::string reason) {
        warnings.push_back({at, std::move(reason)});
    }
};

// ---- LC_CTYPE ------------------------------------------------------------

// One item of a class list: a character, or every character from first to
// last ("<U0041>..<U005A>", by Unicode value, every step-th with "..(2)..";
// "<a>...<z>" walks the charmap in byte order).
struct ClassMember {
    enum class Kind { kCharacter, kUnicodeRange, kByteRange };
    Kind kind = Kind::kCharacter;
    std::string first;
    std::string last;  // ranges only
    uint32_t step = 1;
};

struct CharClassSource {
    std::string name;  // "upper", ..., or a class the locale defines
    std::vector<ClassMember> members;
    // 0: declared by the source itself; 1 and more: by a copied source.
    int depth = 0;
    SourcePosition position;  // of its first declaration or list
};

struct TranslitRule {
    CharString from;                       // usually one character
    std::vector<CharString> alternatives;  // tried in order
    SourcePosition position;
};

// The transliteration rules, in the order they are tried: the source's own,
// then those of what it includes (in include order, each file's own before
// its includes), then those of copied sources.
struct TranslitSource {
    std::vector<TranslitRule> rules;
    // default_missing: what a character without a rule becomes.
    std::optional<CharString> default_missing;
    SourcePosition default_missing_position;
};

struct CtypeDefinition {
    bool defined = false;
    // The standard classes and the locale's own, in order of declaration
    // (copied ones come first when the copy stood first).
    std::vector<CharClassSource> classes;
    // toupper and tolower pairs; a pair the source itself gives wins over
    // a copied one.
    std::map<std::string, std::string> toupper;
    std::map<std::string, std::string> tolower;
    TranslitSource translit;
};

// ---- LC_NUMERIC, LC_MONETARY, LC_TIME, LC_MESSAGES -----------------------

// LC_TIME's "calendar gregorian|hebrew|islamic": this compiler's own
// keyword, and the only one whose value is a bare word.
inline constexpr const char *kCalendarKeyword = "calendar";

// The value of one keyword: strings ("a";"b"), numbers (3;3), or both in
// the order written; the bare word of kCalendarKeyword.
struct KeywordValue {
    std::vector<CharString> strings;
    std::vector<long> numbers;
    std::vector<std::string> words;
    SourcePosition position;
    int depth = 0;
};

struct TextCategorySource {
    bool defined = false;
    // Keyword to value; a keyword the source itself gives wins over a copy.
    std::map<std::string, KeywordValue> values;

    const KeywordValue *find(const std::string &keyword) const {
        auto it = values.find(keyword);
        return it == values.end() ? nullptr : &it->second;
    }
};

struct LocaleSource {
    std::string file;
    // Every source file read, copied and included ones too (for rebuilds).
    std::vector<std::string> files_read;
    CtypeDefinition ctype;
    CollateSource collate;
    TextCategorySource numeric;
    TextCategorySource monetary;
    TextCategorySource time;
    TextCategorySource messages;
};

struct ReadOptions {
    // Where "copy" and "include" look for sources by name.
    std::string sources_dir = "/usr/share/i18n/locales";
    // Names that are not Unicode values are looked up here; may be null,
    // and then only Unicode names are characters.
    const Charmap *charmap = nullptr;
};

// Reads a locale source file; false with diagnostics->error on the first fault.
[[nodiscard]] bool read_locale_source(const std::string &path, const ReadOptions &options,
                                      LocaleSource *out, Diagnostics *diagnostics);
// The same for source text already in memory; file names it in diagnostics.
[[nodiscard]] bool read_locale_text(std::string_view text, const std::string &file,
                                    const ReadOptions &options, LocaleSource *out,
                                    Diagnostics *diagnostics);

}  // namespace velmorad::tools
