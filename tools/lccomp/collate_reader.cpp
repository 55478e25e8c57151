// Reading LC_COLLATE into its parsed form (collate_source.h): declarations,
// order sections with their entries, and reorder blocks. No order is
// computed here.
#include <map>
#include <set>

#include "tools/lccomp/reader_internal.h"

namespace velmorad::tools {

namespace {

// Symbol ranges count a hexadecimal suffix; a hostile range must not take
// all memory (the largest real one has about 13,000 symbols).
constexpr uint64_t kMaxSymbolRange = uint64_t{1} << 20;
constexpr int kHexBase = 16;

bool is_hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

size_t hex_suffix_start(const std::string &name) {
    size_t i = name.size();
    while (i > 0 && is_hex(name[i - 1]))
        --i;
    return i;
}

class CollateSink : public CategorySink {
  public:
    CollateSink(SourceReader *reader, CollateSource *out) : reader_(reader), out_(out) {}

    bool line(const SourceLine &line, const SourcePosition &at, int) override {
        TokenCursor cursor(line.tokens);
        const Token &first = *cursor.peek();
        const std::string keyword = first.kind == TokenKind::kWord ? first.text : std::string();
        if (skipping_sections_) {
            if (keyword == "reorder-sections-end") skipping_sections_ = false;
            return true;
        }
        if (keyword == "codepoint_collation") {
            out_->codepoint_order = true;
            return true;
        }
        if (keyword == "script") return script(cursor, at);
        if (keyword == "collating-symbol") return symbol(cursor, at);
        if (keyword == "collating-element") return element(cursor, at);
        if (keyword == "symbol-equivalence") return equivalence(cursor, at);
        if (keyword == "order_start") return order_start(cursor, at);
        if (keyword == "order_end") {
            if (!in_order_) return reader_->fail(at, "order_end without order_start");
            in_order_ = false;
            section_ = kNone;
            reorder_ = kNone;
            return true;
        }
        if (keyword == "reorder-after") return reorder_after(cursor, at);
        if (keyword == "reorder-end") {
            if (reorder_ == kNone) return reader_->fail(at, "reorder-end without reorder-after");
            reorder_ = kNone;
            return true;
        }
        if (keyword == "reorder-sections-after") {
            reader_->diagnostics().warn(at, "reorder-sections-after is not supported; ignored");
            skipping_sections_ = true;
            return true;
        }
        return entry_line(cursor, at);
    }

    bool finish(const SourcePosition &at) override {
        if (in_order_) return reader_->fail(at, "order_start without order_end");
        return true;
    }

  private:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    bool one_name(TokenCursor &cursor, const SourcePosition &at, const std::string &what,
                  std::string *name) {
        if (!cursor.next_is(TokenKind::kName)) return reader_->fail(at, what + " needs a <name>");
        *name = cursor.take().text;
        return true;
    }

    // A second declaration (a source that copies one template twice) is
    // passed over; false when it is one.
    bool declare(const std::string &name, CollNameKind kind, const SourcePosition &at) {
        auto [it, added] = declared_.emplace(name, kind);
        if (!added && warned_files_.insert(at.file).second) {
            reader_->diagnostics().warn(at, "<" + name +
                                                "> is declared again; ignored, as are "
                                                "the other repeated declarations of this file");
        }
        return added;
    }

    bool script(TokenCursor &cursor, const SourcePosition &at) {
        cursor.take();
        std::string name;
        if (!one_name(cursor, at, "script", &name)) return false;
        out_->scripts.push_back(name);
        return true;
    }

    bool symbol(TokenCursor &cursor, const SourcePosition &at) {
        cursor.take();
        std::string first;
        if (!one_name(cursor, at, "collating-symbol", &first)) return false;
        if (!cursor.next_is(TokenKind::kEllipsis)) {
            if (declare(first, CollNameKind::kSymbol, at)) out_->symbols.push_back({first, at});
            return true;
        }
        if (cursor.take().text != "..")
            return reader_->fail(at, "a symbol range is written <S0030>..<S0039>");
        std::string last;
        if (!one_name(cursor, at, "a symbol range", &last)) return false;
        const size_t a = hex_suffix_start(first);
        const size_t b = hex_suffix_start(last);
        const size_t digits = first.size() - a;
        if (a != b || digits == 0 || digits > 8 || first.compare(0, a, last, 0, b) != 0 ||
            last.size() - b != digits) {
            return reader_->fail(at,
                                 "the ends of a symbol range must differ only in their "
                                 "hexadecimal digits");
        }
        const uint64_t from = std::stoull(first.substr(a), nullptr, kHexBase);
        const uint64_t to = std::stoull(last.substr(b), nullptr, kHexBase);
        if (from > to || to - from >= kMaxSymbolRange)
            return reader_->fail(at, "a symbol range that runs backward or is too long");
        const std::string prefix = first.substr(0, a);
        for (uint64_t v = from; v <= to; ++v) {
            char digits_text[17];
            std::snprintf(digits_text, sizeof digits_text, "%0*llX", static_cast<int>(digits),
                          static_cast<unsigned long long>(v));
            std::string name = prefix + digits_text;
            if (declare(name, CollNameKind::kSymbol, at)) out_->symbols.push_back({name, at});
        }
        return true;
    }

    bool element(TokenCursor &cursor, const SourcePosition &at) {
        cursor.take();
        CollatingElementSource e;
        e.position = at;
        if (!one_name(cursor, at, "collating-element", &e.name)) return false;
        if (!cursor.next_is_word("from"))
            return reader_->fail(at, "collating-element <" + e.name + "> needs \"from\"");
        cursor.take();
        if (!cursor.next_is(TokenKind::kString))
            return reader_->fail(at, "collating-element <" + e.name + "> needs a string");
        if (!reader_->string_chars(cursor.take(), at, &e.characters)) return false;
        if (e.characters.size() < 2) {
            return reader_->fail(
                at, "collating-element <" + e.name + "> must stand for two or more characters");
        }
        if (!cursor.done()) return reader_->fail(at, "unexpected text after the string");
        if (declare(e.name, CollNameKind::kElement, at)) out_->elements.push_back(std::move(e));
        return true;
    }

    bool equivalence(TokenCursor &cursor, const SourcePosition &at) {
        cursor.take();
        SymbolEquivalence e;
        e.position = at;
        if (!one_name(cursor, at, "symbol-equivalence", &e.symbol) ||
            !one_name(cursor, at, "symbol-equivalence", &e.equivalent)) {
            return false;
        }
        out_->equivalences.push_back(std::move(e));
        return true;
    }

    bool order_start(TokenCursor &cursor, const SourcePosition &at) {
        cursor.take();
        if (in_order_) return reader_->fail(at, "order_start before the order_end of the last");
        OrderSection section;
        section.has_order_start = true;
        section.position = at;
        if (cursor.next_is(TokenKind::kName)) {
            section.script = cursor.take().text;
            if (!cursor.done() && !cursor.skip(TokenKind::kSemicolon))
                return reader_->fail(at, "order_start <script> is followed by \";\"");
        }
        while (!cursor.done()) {
            LevelDirection level;
            bool any = false;
            while (cursor.next_is(TokenKind::kWord)) {
                const std::string word = cursor.take().text;
                if (word == "forward") {
                    level.backward = false;
                } else if (word == "backward") {
                    level.backward = true;
                } else if (word == "position") {
                    level.position = true;
                } else {
                    return reader_->fail(at, "\"" + word + "\" is no direction");
                }
                any = true;
                if (!cursor.skip(TokenKind::kComma)) break;
            }
            if (!any) return reader_->fail(at, "a level without a direction");
            section.directions.push_back(level);
            if (!cursor.done() && !cursor.skip(TokenKind::kSemicolon))
                return reader_->fail(at, "directions must be separated by \";\"");
        }
        if (section.directions.empty()) section.directions.push_back({});
        out_->sections.push_back(std::move(section));
        section_ = out_->sections.size() - 1;
        in_order_ = true;
        reorder_ = kNone;
        return true;
    }

    bool reorder_after(TokenCursor &cursor, const SourcePosition &at) {
        cursor.take();
        if (cursor.done()) return reader_->fail(at, "reorder-after needs a name");
        Reorder r;
        r.position = at;
        if (!name_of(cursor.take(), at, &r.after)) return false;
        if (!cursor.done()) return reader_->fail(at, "unexpected text after the name");
        out_->reorders.push_back(std::move(r));
        reorder_ = out_->reorders.size() - 1;
        return true;
    }

    CollName resolve(const std::string &name, const SourcePosition &at) {
        auto it = declared_.find(name);
        if (it != declared_.end()) return {it->second, name};
        const Charmap *charmap = reader_->options().charmap;
        if (unicode_of(name) < 0 && charmap != nullptr && charmap->find_name(name) == nullptr &&
            warned_.insert(name).second) {
            reader_->diagnostics().warn(at, "<" + name + "> is no symbol, element or character");
        }
        return {CollNameKind::kCharacter, name};
    }

    bool name_of(const Token &token, const SourcePosition &at, CollName *out) {
        if (token.kind == TokenKind::kName) {
            *out = resolve(token.text, at);
            return true;
        }
        std::string name;
        if (!reader_->character(token, at, &name)) return false;
        *out = {CollNameKind::kCharacter, name};
        return true;
    }

    // One level's weight: the tokens up to the next ";".
    bool weight(TokenCursor &cursor, const SourcePosition &at, LevelWeight *out) {
        if (cursor.done() || cursor.next_is(TokenKind::kSemicolon))
            return reader_->fail(at, "an empty weight");
        if (cursor.next_is_word("IGNORE")) {
            cursor.take();
            out->kind = LevelWeight::Kind::kIgnore;
        } else if (cursor.next_is(TokenKind::kEllipsis)) {
            out->kind = LevelWeight::Kind::kEllipsis;
            if (!ellipsis_kind(cursor.take().text, at, &out->ellipsis)) return false;
        } else {
            out->kind = LevelWeight::Kind::kSequence;
            while (!cursor.done() && !cursor.next_is(TokenKind::kSemicolon)) {
                const Token &token = cursor.take();
                if (token.kind == TokenKind::kString) {
                    CharString chars;
                    for (const StringItem &item : token.items) {
                        if (item.kind == StringItem::Kind::kName) {
                            out->names.push_back(resolve(item.text, at));
                            continue;
                        }
                        Token bytes;
                        bytes.kind = TokenKind::kString;
                        bytes.items.push_back(item);
                        chars.clear();
                        if (!reader_->string_chars(bytes, at, &chars)) return false;
                        for (std::string &c : chars)
                            out->names.push_back({CollNameKind::kCharacter, std::move(c)});
                    }
                } else {
                    CollName name;
                    if (!name_of(token, at, &name)) return false;
                    out->names.push_back(std::move(name));
                }
            }
            if (out->names.empty()) return reader_->fail(at, "an empty weight");
        }
        if (!cursor.done() && !cursor.next_is(TokenKind::kSemicolon))
            return reader_->fail(at, "unexpected text in a weight");
        return true;
    }

    bool ellipsis_kind(const std::string &dots, const SourcePosition &at, Ellipsis *out) {
        if (dots == "..") {
            *out = Ellipsis::kUnicode;
        } else if (dots == "...") {
            *out = Ellipsis::kBytes;
        } else if (dots == "....") {
            *out = Ellipsis::kDecimal;
        } else {
            return reader_->fail(at, "\"" + dots + "\" is no ellipsis");
        }
        return true;
    }

    std::vector<OrderEntry> &entries(const SourcePosition &at) {
        if (reorder_ != kNone) return out_->reorders[reorder_].entries;
        if (section_ == kNone) {
            // Entries outside order_start ... order_end form a section of their own.
            OrderSection implicit;
            implicit.position = at;
            out_->sections.push_back(std::move(implicit));
            section_ = out_->sections.size() - 1;
        }
        return out_->sections[section_].entries;
    }

    bool entry_line(TokenCursor &cursor, const SourcePosition &at) {
        std::vector<OrderEntry> keys(1);
        OrderEntry &key = keys[0];
        key.position = at;
        const Token &first = cursor.take();
        if (first.kind == TokenKind::kWord && first.text == "UNDEFINED") {
            key.kind = OrderEntry::Kind::kUndefined;
        } else if (first.kind == TokenKind::kEllipsis) {
            key.kind = OrderEntry::Kind::kRange;
            if (!ellipsis_kind(first.text, at, &key.ellipsis)) return false;
        } else if (first.kind == TokenKind::kString) {
            return reader_->fail(at, "an order entry begins with a name, not a string");
        } else {
            if (!name_of(first, at, &key.key)) return false;
            // "<A>..<B> weights" on one line: A, the range, and B, alike.
            if (cursor.next_is(TokenKind::kEllipsis)) {
                OrderEntry range;
                range.kind = OrderEntry::Kind::kRange;
                range.position = at;
                if (!ellipsis_kind(cursor.take().text, at, &range.ellipsis)) return false;
                if (cursor.done()) return reader_->fail(at, "a range without its end");
                OrderEntry last;
                last.position = at;
                if (!name_of(cursor.take(), at, &last.key)) return false;
                keys.push_back(std::move(range));
                keys.push_back(std::move(last));
            }
        }
        std::vector<LevelWeight> weights;
        while (!cursor.done()) {
            LevelWeight w;
            if (!weight(cursor, at, &w)) return false;
            weights.push_back(std::move(w));
            if (!cursor.done() && !cursor.skip(TokenKind::kSemicolon))
                return reader_->fail(at, "weights must be separated by \";\"");
        }
        std::vector<OrderEntry> &into = entries(at);
        for (OrderEntry &e : keys) {
            e.weights = weights;
            into.push_back(std::move(e));
        }
        return true;
    }

    SourceReader *reader_;
    CollateSource *out_;
    std::map<std::string, CollNameKind> declared_;
    std::set<std::string> warned_;
    std::set<std::string> warned_files_;
    size_t section_ = kNone;
    size_t reorder_ = kNone;
    bool in_order_ = false;
    bool skipping_sections_ = false;
};

}  // namespace

std::unique_ptr<CategorySink> make_collate_sink(SourceReader *reader, CollateSource *out) {
    return std::make_unique<CollateSink>(reader, out);
}

}  // namespace velmorad::tools
