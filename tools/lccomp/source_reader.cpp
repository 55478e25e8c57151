// Reading a locale source: its categories, the sources they copy, the
// conditionals, and the keyword values of the four text categories.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tools/lccomp/reader_internal.h"

namespace velmorad::tools {

namespace {

// A source larger than this is not a locale source (the largest template
// is about 4 MB).
constexpr std::streamoff kMaxSourceSize = std::streamoff{64} << 20;

// The categories the product compiles; the others are skipped.
constexpr const char *kCtype = "LC_CTYPE";
constexpr const char *kCollate = "LC_COLLATE";
constexpr const char *kNumeric = "LC_NUMERIC";
constexpr const char *kMonetary = "LC_MONETARY";
constexpr const char *kTime = "LC_TIME";
constexpr const char *kMessages = "LC_MESSAGES";

bool is_category_name(const SourceLine &line) {
    return line.tokens.size() == 1 && line.tokens[0].kind == TokenKind::kWord &&
           line.tokens[0].text.rfind("LC_", 0) == 0;
}

bool is_end_of(const SourceLine &line, const std::string &category) {
    return line.tokens.size() == 2 && line.tokens[0].kind == TokenKind::kWord &&
           line.tokens[0].text == "END" && line.tokens[1].text == category;
}

void append_utf8(uint32_t code, std::string *out) {
    if (code < 0x80) {
        out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (code >> 6)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (code >> 12)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (code >> 18)));
        out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// The keyword values of LC_NUMERIC, LC_MONETARY, LC_TIME and LC_MESSAGES.
class TextSink : public CategorySink {
  public:
    TextSink(SourceReader *reader, std::string category, TextCategorySource *out)
        : reader_(reader), category_(std::move(category)), out_(out) {}

    bool line(const SourceLine &line, const SourcePosition &at, int depth) override {
        TokenCursor cursor(line.tokens);
        const Token &key = cursor.take();
        if (key.kind != TokenKind::kWord)
            return reader_->fail(at, "a line must begin with a keyword");
        if (!is_text_keyword(category_, key.text))
            return reader_->fail(at, "\"" + key.text + "\" is no keyword of " + category_);
        KeywordValue value;
        value.position = at;
        value.depth = depth;
        bool expect_item = true;
        while (!cursor.done()) {
            const Token &token = cursor.take();
            if (token.kind == TokenKind::kSemicolon) {
                if (expect_item) return reader_->fail(at, key.text + ": an empty value");
                expect_item = true;
                continue;
            }
            if (!expect_item)
                return reader_->fail(at, key.text + ": values must be separated by \";\"");
            expect_item = false;
            if (token.kind == TokenKind::kString) {
                CharString chars;
                if (!reader_->string_chars(token, at, &chars)) return false;
                value.strings.push_back(std::move(chars));
            } else if (token.kind == TokenKind::kName) {
                value.strings.push_back({token.text});
            } else if (token.kind == TokenKind::kWord) {
                char *end = nullptr;
                errno = 0;
                const long n = std::strtol(token.text.c_str(), &end, 10);
                if (errno == 0 && end != token.text.c_str() && *end == '\0') {
                    value.numbers.push_back(n);
                } else if (key.text == kCalendarKeyword) {
                    value.words.push_back(token.text);
                } else {
                    return reader_->fail(
                        at, key.text + ": \"" + token.text + "\" is neither a string nor a number");
                }
            } else {
                return reader_->fail(at, key.text + ": unexpected \"" + token.text + "\"");
            }
        }
        auto it = out_->values.find(key.text);
        // What a source says itself wins over what it copies.
        if (it != out_->values.end() && it->second.depth < depth) return true;
        out_->values[key.text] = std::move(value);
        return true;
    }

  private:
    SourceReader *reader_;
    std::string category_;
    TextCategorySource *out_;
};

// A category whose values the format has no place for: each line must
// still begin with one of its keywords.
class KeywordSink : public CategorySink {
  public:
    KeywordSink(SourceReader *reader, std::string category)
        : reader_(reader), category_(std::move(category)) {}

    bool line(const SourceLine &line, const SourcePosition &at, int) override {
        const Token &key = line.tokens[0];
        if (key.kind == TokenKind::kWord && is_text_keyword(category_, key.text)) return true;
        return reader_->fail(at, "\"" + key.text + "\" is no keyword of " + category_);
    }

  private:
    SourceReader *reader_;
    std::string category_;
};

}  // namespace

std::string plain_text(const Token &token) {
    std::string out;
    for (const StringItem &item : token.items) {
        const int64_t code = unicode_of(item.text);
        if (item.kind == StringItem::Kind::kBytes) {
            out += item.text;
        } else if (code >= 0) {
            append_utf8(static_cast<uint32_t>(code), &out);
        } else {
            out += "<" + item.text + ">";
        }
    }
    return out;
}

std::unique_ptr<CategorySink> make_text_sink(SourceReader *reader, std::string category,
                                             TextCategorySource *out) {
    return std::make_unique<TextSink>(reader, std::move(category), out);
}

std::string SourceReader::path_of(const std::string &name) const {
    if (!name.empty() && name[0] == '/') return name;
    return options_.sources_dir + "/" + name;
}

const LexedFile *SourceReader::adopt(std::string_view text, const std::string &file) {
    auto lexed = std::make_unique<LexedFile>();
    lexed->path = file;
    LexError error;
    if (!lex_source(text, &lexed->lines, &error)) {
        fail({file, error.line}, error.reason);
        return nullptr;
    }
    const LexedFile *result = lexed.get();
    files_[file] = std::move(lexed);
    return result;
}

const LexedFile *SourceReader::load(const std::string &path, const SourcePosition &from) {
    auto it = files_.find(path);
    if (it != files_.end()) return it->second.get();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fail(from, "cannot open " + path + ": " + std::strerror(errno));
        return nullptr;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxSourceSize) {
        fail(from, path + " is not a locale source (too large)");
        return nullptr;
    }
    in.seekg(0);
    std::string text(static_cast<size_t>(size), '\0');
    if (!in.read(text.data(), size)) {
        fail(from, "cannot read " + path);
        return nullptr;
    }
    return adopt(text, path);
}

bool SourceReader::find_category(const LexedFile &file, const std::string &category,
                                 CategorySpan *span) {
    for (size_t i = 0; i < file.lines.size(); ++i) {
        const SourceLine &line = file.lines[i];
        if (!is_category_name(line) || line.tokens[0].text != category) continue;
        for (size_t j = i + 1; j < file.lines.size(); ++j) {
            if (is_end_of(file.lines[j], category)) {
                *span = {&file, i + 1, j};
                return true;
            }
        }
        return fail({file.path, line.number}, category + " has no \"END " + category + "\"");
    }
    return false;
}

bool SourceReader::condition(const SourceLine &line, const SourcePosition &at, bool *consumed) {
    *consumed = false;
    const Token &first = line.tokens[0];
    if (first.kind != TokenKind::kWord) return true;
    const std::string &word = first.text;
    const bool active = branches_.empty() || branches_.back().active;
    auto symbol = [&](std::string *out) {
        if (line.tokens.size() != 2 || line.tokens[1].kind != TokenKind::kWord)
            return fail(at, word + " needs one symbol");
        *out = line.tokens[1].text;
        return true;
    };
    std::string name;
    if (word == "ifdef" || word == "ifndef") {
        *consumed = true;
        if (!symbol(&name)) return false;
        const bool holds = (defines_.count(name) != 0) == (word == "ifdef");
        branches_.push_back({active && holds, holds, active});
    } else if (word == "elifdef" || word == "elifndef") {
        *consumed = true;
        if (!symbol(&name)) return false;
        if (branches_.empty()) return fail(at, word + " without ifdef");
        Branch &b = branches_.back();
        const bool holds = (defines_.count(name) != 0) == (word == "elifdef");
        b.active = b.outer && !b.any_taken && holds;
        b.any_taken = b.any_taken || holds;
    } else if (word == "else") {
        *consumed = true;
        if (branches_.empty()) return fail(at, "else without ifdef");
        Branch &b = branches_.back();
        b.active = b.outer && !b.any_taken;
        b.any_taken = true;
    } else if (word == "endif") {
        *consumed = true;
        if (branches_.empty()) return fail(at, "endif without ifdef");
        branches_.pop_back();
    } else if (word == "define" || word == "undef") {
        *consumed = true;
        if (!symbol(&name)) return false;
        if (!active) return true;
        if (word == "define") {
            defines_.insert(name);
        } else {
            defines_.erase(name);
        }
    }
    return true;
}

bool SourceReader::feed(const CategorySpan &span, const std::string &category, CategorySink *sink,
                        int depth) {
    const LexedFile &file = *span.file;
    open_copies_.push_back(file.path + "|" + category);
    const size_t branch_depth = branches_.size();
    for (size_t i = span.begin; i < span.end; ++i) {
        const SourceLine &line = file.lines[i];
        const SourcePosition at{file.path, line.number};
        bool consumed = false;
        if (!condition(line, at, &consumed)) return false;
        if (consumed || (!branches_.empty() && !branches_.back().active)) continue;
        if (line.tokens[0].kind == TokenKind::kWord && line.tokens[0].text == "copy") {
            if (line.tokens.size() != 2 || line.tokens[1].kind != TokenKind::kString)
                return fail(at, "copy needs the name of a source in quotes");
            const std::string name = plain_text(line.tokens[1]);
            const std::string path = path_of(name);
            if (std::find(open_copies_.begin(), open_copies_.end(), path + "|" + category) !=
                open_copies_.end()) {
                return fail(at, "copy \"" + name + "\" makes a cycle");
            }
            const LexedFile *copied = load(path, at);
            if (copied == nullptr) return false;
            CategorySpan copied_span;
            if (!find_category(*copied, category, &copied_span)) {
                return diagnostics_->failed ? false
                                            : fail(at, "\"" + name + "\" has no " + category);
            }
            if (!feed(copied_span, category, sink, depth + 1)) return false;
            continue;
        }
        if (!sink->line(line, at, depth)) return false;
    }
    if (branches_.size() != branch_depth) {
        return fail({file.path, file.lines[span.end].number},
                    "ifdef without endif before the end of " + category);
    }
    open_copies_.pop_back();
    return true;
}

bool SourceReader::character(const Token &token, const SourcePosition &at, std::string *name) {
    if (token.kind == TokenKind::kName) {
        *name = token.text;
        return true;
    }
    if (token.kind == TokenKind::kWord) {
        uint32_t code = 0;
        const size_t length = decode_utf8(token.text, &code);
        if (length != 0 && length == token.text.size()) {
            *name = unicode_name(code);
            return true;
        }
        return fail(at, "\"" + token.text + "\" is not a character");
    }
    if (token.kind == TokenKind::kBytes) {
        CharString chars;
        Token as_string;
        as_string.items.push_back({StringItem::Kind::kBytes, token.text});
        if (!string_chars(as_string, at, &chars)) return false;
        if (chars.size() != 1) return fail(at, "escaped bytes that are not one character");
        *name = chars[0];
        return true;
    }
    return fail(at, "\"" + token.text + "\" is not a character");
}

bool SourceReader::string_chars(const Token &token, const SourcePosition &at, CharString *out) {
    for (const StringItem &item : token.items) {
        if (item.kind == StringItem::Kind::kName) {
            out->push_back(item.text);
            continue;
        }
        const Charmap *charmap = options_.charmap;
        if (charmap == nullptr) return fail(at, "escaped bytes without a charmap to read them");
        std::string_view bytes = item.text;
        while (!bytes.empty()) {
            const CharmapEntry *entry = nullptr;
            size_t length = std::min(bytes.size(), charmap->max_length());
            for (; length > 0 && entry == nullptr; --length)
                entry = charmap->find_bytes(bytes.substr(0, length));
            if (entry == nullptr)
                return fail(at, "escaped bytes that are no character of the charmap");
            out->push_back(entry->name);
            bytes.remove_prefix(entry->bytes.size());
        }
    }
    return true;
}

bool SourceReader::read(const LexedFile &file, LocaleSource *out) {
    out->file = file.path;
    struct Target {
        const char *name;
        std::unique_ptr<CategorySink> sink;
        bool *defined;
    };
    Target targets[] = {
        {kCtype, make_ctype_sink(this, &out->ctype), &out->ctype.defined},
        {kCollate, make_collate_sink(this, &out->collate), &out->collate.defined},
        {kNumeric, make_text_sink(this, kNumeric, &out->numeric), &out->numeric.defined},
        {kMonetary, make_text_sink(this, kMonetary, &out->monetary), &out->monetary.defined},
        {kTime, make_text_sink(this, kTime, &out->time), &out->time.defined},
        {kMessages, make_text_sink(this, kMessages, &out->messages), &out->messages.defined},
    };
    bool any_category = false;
    for (size_t i = 0; i < file.lines.size(); ++i) {
        const SourceLine &line = file.lines[i];
        const SourcePosition at{file.path, line.number};
        const Token &first = line.tokens[0];
        if (first.kind == TokenKind::kWord &&
            (first.text == "comment_char" || first.text == "escape_char")) {
            continue;
        }
        if (!is_category_name(line)) {
            diagnostics_->warn(at, "\"" + first.text + "\" outside a category is ignored");
            continue;
        }
        const std::string category = first.text;
        any_category = true;
        size_t end = i + 1;
        while (end < file.lines.size() && !is_end_of(file.lines[end], category))
            ++end;
        if (end == file.lines.size())
            return fail(at, category + " has no \"END " + category + "\"");
        if (is_unread_category(category)) {
            KeywordSink keywords(this, category);
            if (!feed({&file, i + 1, end}, category, &keywords, 0)) return false;
        } else if (std::none_of(std::begin(targets), std::end(targets),
                                [&](const Target &t) { return category == t.name; })) {
            return fail(at, "\"" + category + "\" is no category");
        }
        for (Target &target : targets) {
            if (category != target.name) continue;
            if (*target.defined) return fail(at, category + " is defined twice");
            *target.defined = true;
            const CategorySpan span{&file, i + 1, end};
            if (!feed(span, category, target.sink.get(), 0) ||
                !target.sink->finish({file.path, file.lines[end].number})) {
                return false;
            }
        }
        i = end;
    }
    // An empty file (or one of comments alone) is no locale: compiling it
    // would write a locale of nothing but defaults.
    if (!any_category) return fail({file.path, 0}, "the source defines no category");
    for (const auto &[path, lexed] : files_)
        out->files_read.push_back(path);
    return true;
}

bool read_locale_source(const std::string &path, const ReadOptions &options, LocaleSource *out,
                        Diagnostics *diagnostics) {
    SourceReader reader(options, diagnostics);
    const LexedFile *file = reader.load(path, {path, 0});
    return file != nullptr && reader.read(*file, out);
}

bool read_locale_text(std::string_view text, const std::string &file, const ReadOptions &options,
                      LocaleSource *out, Diagnostics *diagnostics) {
    SourceReader reader(options, diagnostics);
    const LexedFile *lexed = reader.adopt(text, file);
    return lexed != nullptr && reader.read(*lexed, out);
}

}  // namespace velmorad::tools
