#include "tools/lccomp/source_lexer.h"

#include <cstdio>

#include "tools/common/source_chars.h"

namespace velmorad::tools {

namespace {

// Until a source declares its own, the characters POSIX gives.
constexpr char kDefaultComment = '#';
constexpr char kDefaultEscape = '\\';
constexpr uint32_t kMaxUnicode = 0x10FFFF;
constexpr size_t kMaxNameLength = 256;
constexpr int kHexBase = 16;
constexpr int kDecimalBase = 10;
constexpr int kOctalBase = 8;
constexpr unsigned kByteLimit = 256;

class Lexer {
  public:
    Lexer(std::string_view text, std::vector<SourceLine> *out) : text_(text), out_(out) {}

    bool run(LexError *error) {
        while (!at_end()) {
            if (!logical_line()) {
                *error = {error_line_, reason_};
                return false;
            }
        }
        return true;
    }

  private:
    bool at_end() const { return pos_ >= text_.size(); }
    char peek(size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }

    bool fail(std::string reason) {
        error_line_ = line_;
        reason_ = std::move(reason);
        return false;
    }

    void skip_blanks() {
        while (!at_end() && is_blank(peek()))
            ++pos_;
    }
    void skip_physical_line() {
        while (!at_end() && peek() != '\n')
            ++pos_;
    }
    void take_newline() {
        if (!at_end()) {
            ++pos_;
            ++line_;
        }
    }

    // At the escape character: a continuation when only blanks follow it on
    // its line (they are skipped with the newline).
    bool continuation() {
        size_t p = pos_ + 1;
        while (p < text_.size() && is_blank(text_[p]))
            ++p;
        if (p < text_.size() && text_[p] != '\n') return false;
        pos_ = p;
        take_newline();
        return true;
    }

    // At the escape character before x, d or o: a byte written in hexadecimal,
    // decimal or octal. Appends it and returns true; false when what follows
    // is no such escape (nothing consumed).
    bool byte_escape(std::string *bytes) {
        const char kind = peek(1);
        int base = 0;
        size_t max_digits = 0;
        if (kind == 'x' || kind == 'X') {
            base = kHexBase;
            max_digits = 2;
        } else if (kind == 'd' || kind == 'D') {
            base = kDecimalBase;
            max_digits = 3;
        } else if (kind == 'o' || kind == 'O') {
            base = kOctalBase;
            max_digits = 3;
        } else {
            return false;
        }
        size_t p = pos_ + 2;
        unsigned value = 0;
        size_t digits = 0;
        while (digits < max_digits && p < text_.size() && digit_value(text_[p], base) >= 0) {
            value = value * static_cast<unsigned>(base) +
                    static_cast<unsigned>(digit_value(text_[p], base));
            ++p;
            ++digits;
        }
        if (digits == 0 || value >= kByteLimit) return false;
        bytes->push_back(static_cast<char>(value));
        pos_ = p;
        return true;
    }

    // At "<": the name up to ">", the escape character taking the next
    // character as it is.
    bool name(std::string *out) {
        ++pos_;
        while (true) {
            if (at_end() || peek() == '\n') return fail("a name is not closed with \">\"");
            char c = peek();
            if (c == escape_) {
                if (pos_ + 1 >= text_.size() || peek(1) == '\n')
                    return fail("a name is not closed with \">\"");
                c = peek(1);
                pos_ += 2;
            } else if (c == '>') {
                ++pos_;
                break;
            } else {
                ++pos_;
            }
            out->push_back(c);
            if (out->size() > kMaxNameLength) return fail("a name is longer than 256 characters");
        }
        if (out->empty()) return fail("an empty name \"<>\"");
        return true;
    }

    // Whether a "<" inside a string opens a name: its ">" follows before the
    // string or the line ends.
    bool name_closes_ahead() const {
        for (size_t p = pos_ + 1; p < text_.size(); ++p) {
            const char c = text_[p];
            if (c == '>') return p > pos_ + 1;
            if (c == '"' || c == '\n') return false;
            if (c == escape_) ++p;
        }
        return false;
    }

    // One literal character at pos_ as the name of its Unicode value.
    bool literal(std::string *out) {
        uint32_t code = 0;
        const size_t length = decode_utf8(text_.substr(pos_), &code);
        if (length == 0) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(peek()));
            return fail(std::string("byte 0x") + hex + " is not UTF-8");
        }
        *out = unicode_name(code);
        pos_ += length;
        return true;
    }

    bool string(Token *token) {
        token->kind = TokenKind::kString;
        ++pos_;
        auto add = [token](StringItem::Kind kind, std::string text) {
            if (kind == StringItem::Kind::kBytes && !token->items.empty() &&
                token->items.back().kind == kind) {
                token->items.back().text += text;
                return;
            }
            token->items.push_back({kind, std::move(text)});
        };
        while (true) {
            if (at_end() || peek() == '\n') return fail("a string is not closed with '\"'");
            const char c = peek();
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (c == escape_) {
                if (continuation()) continue;
                std::string bytes;
                if (byte_escape(&bytes)) {
                    add(StringItem::Kind::kBytes, std::move(bytes));
                    continue;
                }
                ++pos_;
                if (at_end()) return fail("a string is not closed with '\"'");
                std::string item;
                if (!literal(&item)) return false;
                add(StringItem::Kind::kName, std::move(item));
                continue;
            }
            std::string item;
            if (c == '<' && name_closes_ahead()) {
                if (!name(&item)) return false;
                item = canonical_name(item);
            } else if (!literal(&item)) {
                return false;
            }
            add(StringItem::Kind::kName, std::move(item));
        }
    }

    bool ends_word(char c) const {
        return is_blank(c) || c == '\n' || c == ';' || c == ',' || c == '(' || c == ')' ||
               c == '"' || c == '<' || c == comment_;
    }

    bool word(Token *token) {
        token->kind = TokenKind::kWord;
        while (!at_end()) {
            const char c = peek();
            if (ends_word(c)) break;
            if (c == '.' && peek(1) == '.') break;
            if (c == escape_) {
                size_t p = pos_ + 1;
                while (p < text_.size() && is_blank(text_[p]))
                    ++p;
                if (p >= text_.size() || text_[p] == '\n') break;  // a continuation
                std::string bytes;
                if (byte_escape(&bytes)) {
                    if (!token->text.empty()) return fail("escaped bytes inside a word");
                    token->kind = TokenKind::kBytes;
                    token->text = bytes;
                    while (peek() == escape_ && byte_escape(&token->text)) {
                    }
                    return true;
                }
                token->text.push_back(peek(1));
                pos_ += 2;
                continue;
            }
            token->text.push_back(c);
            ++pos_;
        }
        return true;
    }

    // "comment_char %" and "escape_char /" change how the rest is read.
    bool declaration(SourceLine &line) {
        if (line.tokens.size() != 1 || line.tokens[0].kind != TokenKind::kWord) return false;
        const std::string &key = line.tokens[0].text;
        if (key != "comment_char" && key != "escape_char") return false;
        skip_blanks();
        if (at_end() || peek() == '\n') return false;
        const char c = peek();
        ++pos_;
        (key == "comment_char" ? comment_ : escape_) = c;
        line.tokens.push_back({TokenKind::kWord, std::string(1, c), {}});
        return true;
    }

    bool logical_line() {
        SourceLine line;
        skip_blanks();
        if (peek() == comment_) {
            skip_physical_line();
            take_newline();
            return true;
        }
        line.number = line_;
        while (true) {
            skip_blanks();
            if (at_end()) break;
            const char c = peek();
            if (c == '\n') {
                take_newline();
                break;
            }
            if (c == comment_) {
                // A comment after text ends the line, unless the line ends
                // in the escape character: then the value goes on.
                skip_physical_line();
                size_t last = pos_;
                while (last > 0 && is_blank(text_[last - 1]))
                    --last;
                if (last > 0 && text_[last - 1] == escape_ && !at_end()) {
                    take_newline();
                    continue;
                }
                continue;
            }
            if (c == escape_ && continuation()) continue;
            if (line.tokens.size() == 1 && declaration(line)) continue;
            Token token;
            if (c == '<') {
                token.kind = TokenKind::kName;
                if (!name(&token.text)) return false;
                token.text = canonical_name(token.text);
            } else if (c == '"') {
                if (!string(&token)) return false;
            } else if (c == ';' || c == ',' || c == '(' || c == ')') {
                token.kind = c == ';'   ? TokenKind::kSemicolon
                             : c == ',' ? TokenKind::kComma
                             : c == '(' ? TokenKind::kOpen
                                        : TokenKind::kClose;
                token.text = std::string(1, c);
                ++pos_;
            } else if (c == '.' && peek(1) == '.') {
                token.kind = TokenKind::kEllipsis;
                while (peek() == '.') {
                    token.text.push_back('.');
                    ++pos_;
                }
                if (token.text.size() > 4) return fail("\"" + token.text + "\" is no ellipsis");
            } else {
                if (!word(&token)) return false;
                if (token.text.empty() && token.kind == TokenKind::kWord) {
                    // A lone escape character before a blank.
                    ++pos_;
                    continue;
                }
            }
            line.tokens.push_back(std::move(token));
        }
        if (!line.tokens.empty()) out_->push_back(std::move(line));
        return true;
    }

    std::string_view text_;
    std::vector<SourceLine> *out_;
    size_t pos_ = 0;
    int line_ = 1;
    char comment_ = kDefaultComment;
    char escape_ = kDefaultEscape;
    int error_line_ = 0;
    std::string reason_;
};

}  // namespace

bool lex_source(std::string_view text, std::vector<SourceLine> *out, LexError *error) {
    return Lexer(text, out).run(error);
}

std::string unicode_name(uint32_t code) {
    char buf[16];
    std::snprintf(buf, sizeof buf, code > 0xFFFF ? "U%08X" : "U%04X", static_cast<unsigned>(code));
    return buf;
}

int64_t unicode_of(std::string_view name) {
    constexpr size_t kMinDigits = 4;
    constexpr size_t kMaxDigits = 8;
    if (name.size() < 1 + kMinDigits || name.size() > 1 + kMaxDigits || name[0] != 'U') return -1;
    int64_t value = 0;
    for (size_t i = 1; i < name.size(); ++i) {
        const int d = digit_value(name[i], kHexBase);
        if (d < 0) return -1;
        value = value * kHexBase + d;
    }
    return value <= kMaxUnicode ? value : -1;
}

std::string canonical_name(std::string_view name) {
    const int64_t code = unicode_of(name);
    return code < 0 ? std::string(name) : unicode_name(static_cast<uint32_t>(code));
}

size_t decode_utf8(std::string_view text, uint32_t *code) {
    if (text.empty()) return 0;
    const auto b0 = static_cast<unsigned char>(text[0]);
    size_t length = 0;
    uint32_t value = 0;
    uint32_t min = 0;
    if (b0 < 0x80) {
        *code = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        length = 2;
        value = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3;
        value = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4;
        value = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if ((b & 0xC0) != 0x80) return 0;
        value = (value << 6) | (b & 0x3F);
    }
    if (value < min || value > kMaxUnicode || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *code = value;
    return length;
}

}  // namespace velmorad::tools
