// Locale definition sources as logical lines of tokens. A source sets its own
// comment and escape characters ("comment_char %", "escape_char /"); a line
// ending in the escape character continues on the next; the comment
// character starts a comment outside strings and names.
//
//     LC_TIME
//     abmon   "Jan";"Feb";/         <- continued
//             "M<U00E4>r"           <- a string of a letter, a name, a letter
//     d_fmt   "%d//%m//%Y"          <- "//" is one "/"
//     END LC_TIME
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmorad::tools {

// A piece of a string: a symbolic name (a character written literally has
// been turned into the name of its Unicode value), or bytes written as
// escapes ("/xc3/xa9"), which only the charmap can name.
struct StringItem {
    enum class Kind { kName, kBytes };
    Kind kind = Kind::kName;
    std::string text;
};

enum class TokenKind {
    kWord,       // a keyword, a number, or characters written literally
    kName,       // <name>, without the brackets, escapes resolved
    kString,     // "...", in items
    kBytes,      // escaped bytes outside a string
    kSemicolon,  // ;
    kComma,      // ,
    kOpen,       // (
    kClose,      // )
    kEllipsis,   // .. ... or ....: text holds the dots
};

struct Token {
    TokenKind kind = TokenKind::kWord;
    std::string text;
    std::vector<StringItem> items;  // kString only
};

struct SourceLine {
    int number = 0;  // of the line it starts on
    std::vector<Token> tokens;
};

struct LexError {
    int line = 0;
    std::string reason;
};

// Splits a source's text into its non-empty logical lines, applying the
// comment_char and escape_char declarations where they appear. False with
// the first fault.
[[nodiscard]] bool lex_source(std::string_view text, std::vector<SourceLine> *out, LexError *error);

// "U00E9" for U+00E9 and "U0001F600" above U+FFFF: the charmaps' spelling.
std::string unicode_name(uint32_t code);
// The Unicode value a name stands for ("U00e9", "U000000E9"), or -1 when the
// name is not of that form.
int64_t unicode_of(std::string_view name);
// A name in the charmaps' spelling when it names a Unicode value, else as given.
std::string canonical_name(std::string_view name);

// Decodes one UTF-8 character at the front of text; its length, or 0 when
// the bytes are not UTF-8.
size_t decode_utf8(std::string_view text, uint32_t *code);

}  // namespace velmorad::tools
