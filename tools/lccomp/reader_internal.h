// The parts of the source reader that the category readers share: a cursor
// over a line's tokens, the reader that loads files and follows "copy",
// and the interface each category's reader implements.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tools/lccomp/lccomp.h"
#include "tools/lccomp/source_lexer.h"

namespace velmorad::tools {

class TokenCursor {
  public:
    explicit TokenCursor(const std::vector<Token> &tokens, size_t start = 0)
        : tokens_(tokens), pos_(start) {}

    bool done() const { return pos_ >= tokens_.size(); }
    const Token *peek() const { return done() ? nullptr : &tokens_[pos_]; }
    bool next_is(TokenKind kind) const { return !done() && tokens_[pos_].kind == kind; }
    bool next_is_word(std::string_view word) const {
        return next_is(TokenKind::kWord) && tokens_[pos_].text == word;
    }
    const Token &take() { return tokens_[pos_++]; }
    bool skip(TokenKind kind) {
        if (!next_is(kind)) return false;
        ++pos_;
        return true;
    }

  private:
    const std::vector<Token> &tokens_;
    size_t pos_;
};

struct LexedFile {
    std::string path;
    std::vector<SourceLine> lines;
};

// The lines of one category in one file: [begin, end) of its lines.
struct CategorySpan {
    const LexedFile *file = nullptr;
    size_t begin = 0;
    size_t end = 0;
};

class SourceReader;

// What a category's reader is given: one line at a time, already past the
// conditionals and with "copy" followed.
class CategorySink {
  public:
    virtual ~CategorySink() = default;
    // depth is 0 for the source itself, n for a source copied n times over.
    [[nodiscard]] virtual bool line(const SourceLine &line, const SourcePosition &at,
                                    int depth) = 0;
    // After the whole category, copies included.
    [[nodiscard]] virtual bool finish(const SourcePosition &) { return true; }
};

class SourceReader {
  public:
    SourceReader(const ReadOptions &options, Diagnostics *diagnostics)
        : options_(options), diagnostics_(diagnostics) {}

    [[nodiscard]] bool read(const LexedFile &file, LocaleSource *out);

    // Lexes a file (once; later calls return the same). Null after reporting
    // the fault at `from`.
    const LexedFile *load(const std::string &path, const SourcePosition &from);
    // Where "copy" and "include" find a source by its name.
    std::string path_of(const std::string &name) const;
    const LexedFile *adopt(std::string_view text, const std::string &file);

    // The span of "LC_X" ... "END LC_X" in a file; false when it has none.
    [[nodiscard]] bool find_category(const LexedFile &file, const std::string &category,
                                     CategorySpan *span);

    // Feeds a category's lines to the sink, following copies and
    // conditionals. The (file, category) pairs on the way guard against cycles.
    [[nodiscard]] bool feed(const CategorySpan &span, const std::string &category,
                            CategorySink *sink, int depth);

    // The character a token stands for: a name, a literal character, or
    // bytes the charmap names. False after reporting at `at`.
    [[nodiscard]] bool character(const Token &token, const SourcePosition &at, std::string *name);
    // The characters of a string token.
    [[nodiscard]] bool string_chars(const Token &token, const SourcePosition &at, CharString *out);

    Diagnostics &diagnostics() { return *diagnostics_; }
    const ReadOptions &options() const { return options_; }
    bool fail(const SourcePosition &at, std::string reason) {
        return diagnostics_->fail(at, std::move(reason));
    }

  private:
    [[nodiscard]] bool condition(const SourceLine &line, const SourcePosition &at, bool *consumed);

    const ReadOptions &options_;
    Diagnostics *diagnostics_;
    std::map<std::string, std::unique_ptr<LexedFile>> files_;
    std::vector<std::string> open_copies_;  // "path|category" being fed
    // define / ifdef state: defines carry into copied sources.
    std::set<std::string> defines_;
    struct Branch {
        bool active;     // lines in it are read
        bool any_taken;  // some branch of this ifdef was taken
        bool outer;      // whether the enclosing level is active
    };
    std::vector<Branch> branches_;
};

// A string token as plain text (for the names of copied and included sources).
std::string plain_text(const Token &token);

// The category readers.
std::unique_ptr<CategorySink> make_ctype_sink(SourceReader *reader, CtypeDefinition *out);
std::unique_ptr<CategorySink> make_collate_sink(SourceReader *reader, CollateSource *out);
std::unique_ptr<CategorySink> make_text_sink(SourceReader *reader, std::string category,
                                             TextCategorySource *out);
// Whether a category other than LC_CTYPE and LC_COLLATE has this keyword.
bool is_text_keyword(std::string_view category, std::string_view keyword);
// The categories a source may hold that the library's format has no place
// for (LC_PAPER, LC_ADDRESS, ...): read for their keywords only.
bool is_unread_category(std::string_view category);

}  // namespace velmorad::tools
