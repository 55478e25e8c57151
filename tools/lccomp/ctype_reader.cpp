// Reading LC_CTYPE: class lists, case maps and transliteration rules.
//
//     charclass   jhira;jkata
//     upper       <U0041>..<U005A>;<U00C0>
//     jhira       <U3041>..<U3093>
//     class "combining"; <U0300>..<U036F>
//     toupper     (<U0061>,<U0041>);(<U0062>,<U0042>)
//     translit_start
//     include "translit_combining";""
//     <U00C4> "<U0041><U0308>";"<U0041><U0045>"
//     default_missing <U003F>
//     translit_end
#include <algorithm>
#include <cstdlib>
#include <set>

#include "tools/lccomp/reader_internal.h"

namespace velmorad::tools {

namespace {

constexpr const char *kStandardClasses[] = {"upper", "lower", "alpha", "digit",  "space", "cntrl",
                                            "punct", "graph", "print", "xdigit", "blank"};
constexpr uint32_t kMaxStep = 0xFFFF;

// Keywords of LC_CTYPE whose values the library's format has no place for.
constexpr const char *kIgnoredKeywords[] = {
    "alnum",     // the union of alpha and digit, which the classes give
    "outdigit",  // the digits of output, which no primitive writes
};

bool is_ignored_keyword(const std::string &name) {
    return std::find(std::begin(kIgnoredKeywords), std::end(kIgnoredKeywords), name) !=
           std::end(kIgnoredKeywords);
}

bool is_standard_class(const std::string &name) {
    return std::find(std::begin(kStandardClasses), std::end(kStandardClasses), name) !=
           std::end(kStandardClasses);
}

// The transliteration rules of one file: its own, and the names it includes.
struct TranslitPart {
    std::vector<TranslitRule> rules;
    std::vector<std::pair<std::string, SourcePosition>> includes;
    std::optional<CharString> default_missing;
    SourcePosition default_missing_position;
};

class TranslitParser {
  public:
    explicit TranslitParser(SourceReader *reader) : reader_(reader) {}

    // One line between translit_start and translit_end.
    bool line(const SourceLine &line, const SourcePosition &at, TranslitPart *part) {
        TokenCursor cursor(line.tokens);
        if (cursor.next_is_word("translit_ignore")) return true;
        if (cursor.next_is_word("include")) {
            cursor.take();
            if (!cursor.next_is(TokenKind::kString))
                return reader_->fail(at, "include needs the name of a source in quotes");
            part->includes.push_back({plain_text(cursor.take()), at});
            return true;
        }
        if (cursor.next_is_word("default_missing")) {
            cursor.take();
            CharString missing;
            if (!sequence(cursor, at, &missing)) return false;
            part->default_missing = std::move(missing);
            part->default_missing_position = at;
            return true;
        }
        TranslitRule rule;
        rule.position = at;
        if (!item(cursor.take(), at, &rule.from)) return false;
        if (rule.from.empty()) return reader_->fail(at, "a transliteration of nothing");
        while (!cursor.done()) {
            CharString alternative;
            if (!sequence(cursor, at, &alternative)) return false;
            rule.alternatives.push_back(std::move(alternative));
            if (!cursor.done() && !cursor.skip(TokenKind::kSemicolon))
                return reader_->fail(at, "transliterations must be separated by \";\"");
        }
        if (rule.alternatives.empty())
            return reader_->fail(at, "a character to transliterate without a transliteration");
        part->rules.push_back(std::move(rule));
        return true;
    }

    // The rules of an included source, flattened: its own, then its includes'.
    bool included(const std::string &name, const SourcePosition &at,
                  std::vector<TranslitRule> *out) {
        const std::string path = reader_->path_of(name);
        auto cached = cache_.find(path);
        if (cached != cache_.end()) {
            out->insert(out->end(), cached->second.begin(), cached->second.end());
            return true;
        }
        if (std::find(open_.begin(), open_.end(), path) != open_.end())
            return reader_->fail(at, "\"" + name + "\" includes itself");
        const LexedFile *file = reader_->load(path, at);
        if (file == nullptr) return false;
        CategorySpan span;
        if (!reader_->find_category(*file, "LC_CTYPE", &span)) {
            return reader_->diagnostics().failed
                       ? false
                       : reader_->fail(at, "\"" + name + "\" has no LC_CTYPE");
        }
        open_.push_back(path);
        TranslitPart part;
        bool inside = false;
        for (size_t i = span.begin; i < span.end; ++i) {
            const SourceLine &line = file->lines[i];
            const SourcePosition here{file->path, line.number};
            const Token &first = line.tokens[0];
            if (first.kind == TokenKind::kWord && first.text == "translit_start") {
                inside = true;
            } else if (first.kind == TokenKind::kWord && first.text == "translit_end") {
                inside = false;
            } else if (inside && !this->line(line, here, &part)) {
                return false;
            }
        }
        std::vector<TranslitRule> flat = std::move(part.rules);
        for (const auto &[nested, where] : part.includes) {
            if (!included(nested, where, &flat)) return false;
        }
        open_.pop_back();
        out->insert(out->end(), flat.begin(), flat.end());
        cache_[path] = std::move(flat);
        return true;
    }

  private:
    // A name, a string, or characters written literally.
    bool item(const Token &token, const SourcePosition &at, CharString *out) {
        if (token.kind == TokenKind::kString) return reader_->string_chars(token, at, out);
        if (token.kind == TokenKind::kWord) {
            std::string_view text = token.text;
            while (!text.empty()) {
                uint32_t code = 0;
                const size_t length = decode_utf8(text, &code);
                if (length == 0) return reader_->fail(at, "\"" + token.text + "\" is not UTF-8");
                out->push_back(unicode_name(code));
                text.remove_prefix(length);
            }
            return true;
        }
        std::string name;
        if (!reader_->character(token, at, &name)) return false;
        out->push_back(std::move(name));
        return true;
    }

    // Items up to the next ";" or the end, joined.
    bool sequence(TokenCursor &cursor, const SourcePosition &at, CharString *out) {
        if (cursor.done() || cursor.next_is(TokenKind::kSemicolon))
            return reader_->fail(at, "a transliteration is missing");
        while (!cursor.done() && !cursor.next_is(TokenKind::kSemicolon)) {
            if (!item(cursor.take(), at, out)) return false;
        }
        return true;
    }

    SourceReader *reader_;
    std::map<std::string, std::vector<TranslitRule>> cache_;
    std::vector<std::string> open_;
};

class CtypeSink : public CategorySink {
  public:
    CtypeSink(SourceReader *reader, CtypeDefinition *out)
        : reader_(reader), out_(out), translit_(reader) {}

    bool line(const SourceLine &line, const SourcePosition &at, int depth) override {
        TokenCursor cursor(line.tokens);
        const Token &first = *cursor.peek();
        const std::string keyword = first.kind == TokenKind::kWord ? first.text : std::string();
        if (in_translit_) {
            if (keyword == "translit_end") {
                in_translit_ = false;
                return true;
            }
            return translit_.line(line, at, &part(depth));
        }
        cursor.take();
        if (keyword == "translit_start") {
            in_translit_ = true;
            return true;
        }
        if (keyword == "charclass") return declare_classes(cursor, at, depth);
        if (keyword == "class" && cursor.next_is(TokenKind::kString)) {
            const std::string name = plain_text(cursor.take());
            if (!cursor.skip(TokenKind::kSemicolon))
                return reader_->fail(at, "class \"" + name + "\" needs \";\" before its list");
            return class_list(name, cursor, at, depth);
        }
        if (keyword == "toupper" || keyword == "tolower") {
            return pairs(keyword == "toupper" ? out_->toupper : out_->tolower, cursor, at, depth);
        }
        // The map's name is quoted ("totitle") or a bare word (to_inpunct).
        if (keyword == "map" &&
            (cursor.next_is(TokenKind::kString) || cursor.next_is(TokenKind::kWord))) {
            const Token &token = cursor.take();
            const std::string name =
                token.kind == TokenKind::kString ? plain_text(token) : token.text;
            if (!cursor.skip(TokenKind::kSemicolon))
                return reader_->fail(at, "map \"" + name + "\" needs \";\" before its pairs");
            if (name == "toupper" || name == "tolower")
                return pairs(name == "toupper" ? out_->toupper : out_->tolower, cursor, at, depth);
            return true;  // other maps (totitle and the like) are not kept
        }
        if (is_standard_class(keyword) || declared_.count(keyword) != 0)
            return class_list(keyword, cursor, at, depth);
        // Maps a "charconv" line declares are kept as little as "map" ones.
        if (keyword == "charconv") return declare_maps(cursor, at);
        if (is_ignored_keyword(keyword) || declared_maps_.count(keyword) != 0) return true;
        return reader_->fail(at, "\"" + keyword + "\" is no keyword of LC_CTYPE");
    }

    bool finish(const SourcePosition &at) override {
        if (in_translit_) return reader_->fail(at, "translit_start without translit_end");
        TranslitSource &t = out_->translit;
        for (TranslitPart &p : parts_) {
            t.rules.insert(t.rules.end(), p.rules.begin(), p.rules.end());
            for (const auto &[name, where] : p.includes) {
                if (!translit_.included(name, where, &t.rules)) return false;
            }
            if (!t.default_missing && p.default_missing) {
                t.default_missing = p.default_missing;
                t.default_missing_position = p.default_missing_position;
            }
        }
        // The source's own classes first, then copied ones, each in the
        // order of declaration.
        std::stable_sort(
            out_->classes.begin(), out_->classes.end(),
            [](const CharClassSource &a, const CharClassSource &b) { return a.depth < b.depth; });
        return true;
    }

  private:
    TranslitPart &part(int depth) {
        if (parts_.size() <= static_cast<size_t>(depth))
            parts_.resize(static_cast<size_t>(depth) + 1);
        return parts_[static_cast<size_t>(depth)];
    }

    CharClassSource &class_named(const std::string &name, const SourcePosition &at, int depth) {
        for (CharClassSource &c : out_->classes) {
            if (c.name == name) {
                c.depth = std::min(c.depth, depth);
                return c;
            }
        }
        CharClassSource c;
        c.name = name;
        c.depth = depth;
        c.position = at;
        out_->classes.push_back(std::move(c));
        return out_->classes.back();
    }

    bool declare_maps(TokenCursor &cursor, const SourcePosition &at) {
        while (!cursor.done()) {
            const Token &token = cursor.take();
            if (token.kind == TokenKind::kSemicolon) continue;
            if (token.kind != TokenKind::kWord)
                return reader_->fail(at, "charconv needs map names");
            declared_maps_.insert(token.text);
        }
        return true;
    }

    bool declare_classes(TokenCursor &cursor, const SourcePosition &at, int depth) {
        while (!cursor.done()) {
            const Token &token = cursor.take();
            if (token.kind == TokenKind::kSemicolon) continue;
            const std::string name =
                token.kind == TokenKind::kString ? plain_text(token) : token.text;
            if (token.kind != TokenKind::kWord && token.kind != TokenKind::kString)
                return reader_->fail(at, "charclass needs class names");
            declared_.insert(name);
            class_named(name, at, depth);
        }
        return true;
    }

    bool class_list(const std::string &name, TokenCursor &cursor, const SourcePosition &at,
                    int depth) {
        declared_.insert(name);
        CharClassSource &cls = class_named(name, at, depth);
        while (!cursor.done()) {
            ClassMember member;
            if (!reader_->character(cursor.take(), at, &member.first)) return false;
            if (cursor.next_is(TokenKind::kEllipsis)) {
                const std::string dots = cursor.take().text;
                if (dots == "...") {
                    member.kind = ClassMember::Kind::kByteRange;
                } else if (dots == "..") {
                    member.kind = ClassMember::Kind::kUnicodeRange;
                    if (cursor.skip(TokenKind::kOpen)) {
                        if (!cursor.next_is(TokenKind::kWord))
                            return reader_->fail(at, "a range step must be a number");
                        const std::string step = cursor.take().text;
                        char *end = nullptr;
                        const unsigned long n = std::strtoul(step.c_str(), &end, 10);
                        if (*end != '\0' || n == 0 || n > kMaxStep)
                            return reader_->fail(
                                at, "range step \"" + step + "\" is not from 1 to 65535");
                        member.step = static_cast<uint32_t>(n);
                        if (!cursor.skip(TokenKind::kClose) ||
                            !cursor.next_is(TokenKind::kEllipsis) || cursor.take().text != "..") {
                            return reader_->fail(at, "a stepped range is written <A>..(n)..<B>");
                        }
                    }
                } else {
                    return reader_->fail(at, "\"" + dots + "\" is no range in a class");
                }
                if (cursor.done()) return reader_->fail(at, "a range without its end");
                if (!reader_->character(cursor.take(), at, &member.last)) return false;
                if (member.kind == ClassMember::Kind::kUnicodeRange) {
                    const int64_t first = unicode_of(member.first);
                    const int64_t last = unicode_of(member.last);
                    if (first < 0 || last < 0)
                        return reader_->fail(at, "a range \"..\" needs <Uxxxx> names at both ends");
                    if (first > last) return reader_->fail(at, "a range that runs backward");
                }
            }
            cls.members.push_back(std::move(member));
            if (!cursor.done() && !cursor.skip(TokenKind::kSemicolon))
                return reader_->fail(at, "class members must be separated by \";\"");
        }
        return true;
    }

    bool pairs(std::map<std::string, std::string> &map, TokenCursor &cursor,
               const SourcePosition &at, int depth) {
        std::map<std::string, int> &depths = &map == &out_->toupper ? upper_depth_ : lower_depth_;
        while (!cursor.done()) {
            std::string from;
            std::string to;
            if (!cursor.skip(TokenKind::kOpen) || cursor.done() ||
                !reader_->character(cursor.take(), at, &from) || !cursor.skip(TokenKind::kComma) ||
                cursor.done() || !reader_->character(cursor.take(), at, &to) ||
                !cursor.skip(TokenKind::kClose)) {
                return reader_->diagnostics().failed
                           ? false
                           : reader_->fail(at, "a case pair is written (<a>,<b>)");
            }
            auto it = depths.find(from);
            if (it == depths.end() || it->second >= depth) {
                map[from] = to;
                depths[from] = depth;
            }
            if (!cursor.done() && !cursor.skip(TokenKind::kSemicolon))
                return reader_->fail(at, "case pairs must be separated by \";\"");
        }
        return true;
    }

    SourceReader *reader_;
    CtypeDefinition *out_;
    TranslitParser translit_;
    bool in_translit_ = false;
    std::set<std::string> declared_;
    std::set<std::string> declared_maps_;
    std::vector<TranslitPart> parts_;  // by depth
    std::map<std::string, int> upper_depth_;
    std::map<std::string, int> lower_depth_;
};

}  // namespace

std::unique_ptr<CategorySink> make_ctype_sink(SourceReader *reader, CtypeDefinition *out) {
    return std::make_unique<CtypeSink>(reader, out);
}

}  // namespace velmorad::tools
