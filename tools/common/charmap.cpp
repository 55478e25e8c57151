// The charmap reader. A charmap is a header of declarations, a CHARMAP
// section of characters and ranges, and optional WIDTH lines:
//
//     <code_set_name> EUC-JP
//     <escape_char> /
//     % alias EUCJP
//     CHARMAP
//     <U0041>            /x41           LATIN CAPITAL LETTER A
//     <U3400>..<U343F>   /xe3/x90/x80   <CJK Ideograph Extension A>
//     END CHARMAP
//     WIDTH
//     <U3000>...<U7199>  2
//     END WIDTH
//
// A range "<U3400>..<U343F>" counts its names in hexadecimal ("..." in
// decimal) and its bytes upward from the first character's (in UTF-8 when
// the names are Unicode values and the first bytes their UTF-8); a WIDTH range
// covers every byte sequence between its two ends.
#include "tools/common/charmap.h"
#include "tools/common/source_chars.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velmorad::tools {

namespace {

constexpr size_t kMaxNameLength = 256;
constexpr int kMaxDeclaredLength = 16;
constexpr int kMaxWidth = 1024;
// Decompressed size at which a file stops being a plausible charmap.
constexpr size_t kMaxTextSize = size_t{64} << 20;
constexpr size_t kReadChunk = size_t{256} << 10;
// Digits of a range's numeric suffix; more could not be counted in 64 bits.
constexpr size_t kMaxRangeDigits = 12;
constexpr uint64_t kLastUnicode = 0x10FFFF;

struct Cursor {
    std::string_view text;
    size_t pos = 0;

    bool at_end() const { return pos >= text.size(); }
    char peek() const { return at_end() ? '\0' : text[pos]; }
    bool skip_blanks() {
        const size_t start = pos;
        while (!at_end() && is_blank(text[pos]))
            ++pos;
        return pos > start;
    }
    bool take(std::string_view word) {
        if (text.substr(pos, word.size()) != word) return false;
        pos += word.size();
        return true;
    }
    bool rest_is_blank() {
        skip_blanks();
        return at_end();
    }
    std::string_view token() {
        const size_t start = pos;
        while (!at_end() && !is_blank(text[pos]))
            ++pos;
        return text.substr(start, pos - start);
    }
};

// Reads a small decimal number that is the whole of token.
bool parse_small(std::string_view token, int limit, int *value) {
    if (token.empty() || token.size() > 4) return false;
    int v = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > limit) return false;
    *value = v;
    return true;
}

// Adds one to a byte sequence read as a big-endian number; false when it
// would need a byte more.
bool increment(std::string *bytes) {
    for (size_t i = bytes->size(); i-- > 0;) {
        auto &b = reinterpret_cast<unsigned char &>((*bytes)[i]);
        if (++b != 0) return true;
    }
    return false;
}

// Byte-order comparison of sequences of equal length.
int compare_bytes(std::string_view a, std::string_view b) {
    const int r = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (r != 0) return r;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace

class CharmapParser {
  public:
    CharmapParser(std::string_view text, const std::string &file, Charmap *map, CharmapError *error)
        : text_(text), file_(file), map_(*map), error_(*error) {}

    bool run() {
        std::string_view line;
        while (next_line(&line)) {
            bool ok = true;
            switch (section_) {
                case Section::kHeader:
                    ok = header_line(line);
                    break;
                case Section::kCharmap:
                    ok = charmap_line(line);
                    break;
                case Section::kAfter:
                    ok = after_line(line);
                    break;
                case Section::kWidth:
                    ok = width_line(line);
                    break;
            }
            if (!ok) return false;
        }
        switch (section_) {
            case Section::kHeader:
                return fail(0, "no CHARMAP section");
            case Section::kCharmap:
                return fail(section_line_, "CHARMAP not ended by END CHARMAP");
            case Section::kWidth:
                return fail(section_line_, "WIDTH not ended by END WIDTH");
            case Section::kAfter:
                break;
        }
        return true;
    }

  private:
    enum class Section { kHeader, kCharmap, kAfter, kWidth };

    bool fail(int line, std::string reason) {
        error_.file = file_;
        error_.line = line;
        error_.reason = std::move(reason);
        return false;
    }
    bool fail(std::string reason) { return fail(line_, std::move(reason)); }

    bool is_comment(std::string_view line) const {
        Cursor c{line};
        c.skip_blanks();
        return c.peek() == map_.comment_char_;
    }

    // The next logical line: in a section, a line that is not a comment and
    // ends with the escape character goes on with the next one. (Header lines
    // never do: "<escape_char> /" ends with the escape character it declares.)
    bool next_line(std::string_view *out) {
        if (pos_ >= text_.size()) return false;
        line_ = ++physical_line_;
        auto physical = [&] {
            const size_t end = std::min(text_.find('\n', pos_), text_.size());
            std::string_view line = text_.substr(pos_, end - pos_);
            pos_ = end + 1;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            return line;
        };
        std::string_view line = physical();
        const bool in_section = section_ == Section::kCharmap || section_ == Section::kWidth;
        if (!in_section || is_comment(line) || line.empty() || line.back() != map_.escape_char_) {
            *out = line;
            return true;
        }
        joined_.assign(line.substr(0, line.size() - 1));
        while (pos_ < text_.size()) {
            ++physical_line_;
            line = physical();
            const bool more = !line.empty() && line.back() == map_.escape_char_;
            if (more) line.remove_suffix(1);
            joined_.append(line);
            if (!more) break;
        }
        *out = joined_;
        return true;
    }

    bool header_line(std::string_view line) {
        Cursor c{line};
        c.skip_blanks();
        if (c.at_end()) return true;
        if (c.peek() == map_.comment_char_) {
            ++c.pos;
            c.skip_blanks();
            if (c.take("alias") && c.skip_blanks()) {
                std::string_view alias = c.token();
                if (!alias.empty()) map_.aliases_.emplace_back(alias);
            }
            return true;
        }
        if (c.take("CHARMAP")) {
            if (!c.rest_is_blank()) return fail("unexpected text after CHARMAP");
            if (map_.mb_cur_min_ > 0 && map_.mb_cur_max_ > 0 &&
                map_.mb_cur_min_ > map_.mb_cur_max_) {
                return fail("<mb_cur_min> is larger than <mb_cur_max>");
            }
            section_ = Section::kCharmap;
            section_line_ = line_;
            return true;
        }
        std::string_view keyword = c.token();
        c.skip_blanks();
        std::string_view value = c.token();
        if (!c.rest_is_blank()) return fail("unexpected text after " + std::string(keyword));
        if (value.empty()) return fail(std::string(keyword) + " without a value");
        if (keyword == "<code_set_name>") {
            map_.code_set_name_ = value;
        } else if (keyword == "<comment_char>" || keyword == "<escape_char>") {
            if (value.size() != 1) return fail(std::string(keyword) + " must be one character");
            (keyword == "<comment_char>" ? map_.comment_char_ : map_.escape_char_) = value[0];
            if (map_.comment_char_ == map_.escape_char_)
                return fail("the comment and escape characters are the same");
        } else if (keyword == "<mb_cur_max>" || keyword == "<mb_cur_min>") {
            int n = 0;
            if (!parse_small(value, kMaxDeclaredLength, &n) || n == 0) {
                return fail(std::string(keyword) + " must be a number from 1 to " +
                            std::to_string(kMaxDeclaredLength));
            }
            (keyword == "<mb_cur_max>" ? map_.mb_cur_max_ : map_.mb_cur_min_) = n;
        } else {
            return fail("unknown declaration " + std::string(keyword));
        }
        return true;
    }

    // A symbolic name, or several written together for a sequence of
    // characters ("<U0BB8><U0BCD>"), which is kept as "U0BB8><U0BCD".
    bool read_name(Cursor &c, std::string *name) {
        if (c.peek() != '<') return fail("expected a symbolic name in angle brackets");
        name->clear();
        while (c.peek() == '<') {
            if (!name->empty()) name->append("><");
            ++c.pos;
            const size_t start = name->size();
            for (;;) {
                if (c.at_end()) return fail("symbolic name not closed by >");
                char ch = c.text[c.pos++];
                if (ch == '>') break;
                if (ch == map_.escape_char_) {
                    if (c.at_end()) return fail("symbolic name not closed by >");
                    ch = c.text[c.pos++];
                }
                if (name->size() == kMaxNameLength) return fail("symbolic name too long");
                name->push_back(ch);
            }
            if (name->size() == start) return fail("empty symbolic name");
        }
        return true;
    }

    // One byte after the escape character: xHH, dDDD or octal digits.
    bool read_byte(Cursor &c, std::string *bytes) {
        int base = 8;
        size_t max_digits = 3;
        if (c.peek() == 'x') {
            base = 16;
            max_digits = 2;
            ++c.pos;
        } else if (c.peek() == 'd') {
            base = 10;
            ++c.pos;
        }
        int value = 0;
        size_t digits = 0;
        while (digits < max_digits && digit_value(c.peek(), base) >= 0) {
            value = value * base + digit_value(c.peek(), base);
            ++c.pos;
            ++digits;
        }
        if (digits == 0) return fail("malformed byte after the escape character");
        if (value > 0xFF) return fail("byte value " + std::to_string(value) + " above 255");
        bytes->push_back(static_cast<char>(value));
        return true;
    }

    bool read_bytes(Cursor &c, std::string *bytes) {
        bytes->clear();
        while (c.peek() == map_.escape_char_) {
            ++c.pos;
            if (bytes->size() == kMaxCharBytes) {
                return fail("character of more than " + std::to_string(kMaxCharBytes) + " bytes");
            }
            if (!read_byte(c, bytes)) return false;
        }
        if (bytes->empty()) return fail("expected the bytes of the character");
        if (!c.at_end() && !is_blank(c.peek())) return fail("unexpected text after the bytes");
        const int n = static_cast<int>(bytes->size());
        if ((map_.mb_cur_max_ > 0 && n > map_.mb_cur_max_) ||
            (map_.mb_cur_min_ > 0 && n < map_.mb_cur_min_)) {
            return fail("character of " + std::to_string(n) +
                        " bytes outside the declared <mb_cur_min> and <mb_cur_max>");
        }
        return true;
    }

    bool add_entry(std::string name, const std::string &bytes, bool irreversible) {
        if (map_.entries_.size() >= kMaxCharmapEntries) {
            return fail("more than " + std::to_string(kMaxCharmapEntries) + " characters");
        }
        map_.entries_.push_back(CharmapEntry{std::move(name), bytes, line_, irreversible});
        return true;
    }

    // "<U3400>..<U343F>": the names share a prefix and count their numeric
    // suffix upward in the given base, the bytes counting along.
    bool add_range(const std::string &first, const std::string &last, std::string bytes, int base,
                   bool irreversible) {
        if (first.size() != last.size()) return fail("the ends of the range differ in length");
        auto suffix_start = [base](const std::string &name) {
            size_t i = name.size();
            while (i > 0 && digit_value(name[i - 1], base) >= 0)
                --i;
            return i;
        };
        const size_t start = std::max(suffix_start(first), suffix_start(last));
        const size_t digits = first.size() - start;
        if (digits == 0 || first.compare(0, start, last, 0, start) != 0)
            return fail("the ends of the range are not one name with different numbers");
        if (digits > kMaxRangeDigits) return fail("the numbers of the range are too long");
        auto number = [&](const std::string &name) {
            uint64_t v = 0;
            for (size_t i = start; i < name.size(); ++i)
                v = v * static_cast<uint64_t>(base) +
                    static_cast<uint64_t>(digit_value(name[i], base));
            return v;
        };
        const uint64_t from = number(first);
        const uint64_t to = number(last);
        if (to < from) return fail("the range runs backwards");
        if (to - from >= kMaxCharmapEntries - map_.entries_.size())
            return fail("more than " + std::to_string(kMaxCharmapEntries) + " characters");
        const bool lower = std::any_of(first.begin() + static_cast<std::ptrdiff_t>(start),
                                       first.end(), [](char ch) { return ch >= 'a' && ch <= 'f'; });
        const char *digit_chars = lower ? "0123456789abcdef" : "0123456789ABCDEF";
        // A range of Unicode names written in UTF-8 counts in UTF-8: its
        // bytes carry from one trail byte to the next at 0xBF, not 0xFF.
        const bool utf8 = base == 16 && start == 1 && first[0] == 'U' && to <= kLastUnicode &&
                          bytes == utf8_of(static_cast<uint32_t>(from));
        std::string name = first;
        for (uint64_t n = from;; ++n) {
            uint64_t v = n;
            for (size_t i = first.size(); i-- > start;) {
                name[i] = digit_chars[v % static_cast<uint64_t>(base)];
                v /= static_cast<uint64_t>(base);
            }
            if (!add_entry(name, bytes, irreversible)) return false;
            if (n == to) break;
            if (utf8) {
                bytes = utf8_of(static_cast<uint32_t>(n + 1));
            } else if (!increment(&bytes)) {
                return fail("the bytes of the range run past /xff");
            }
        }
        return true;
    }

    bool charmap_line(std::string_view line) {
        Cursor c{line};
        c.skip_blanks();
        if (c.at_end()) return true;
        bool irreversible = false;
        if (c.peek() == map_.comment_char_) {
            // The one comment that carries a character: bytes read as it,
            // but it is not written with them.
            const std::string mark =
                std::string(1, map_.comment_char_) + "IRREVERSIBLE" + map_.comment_char_;
            if (!c.take(mark)) return true;
            irreversible = true;
        } else if (c.take("END")) {
            if (!c.skip_blanks() || !c.take("CHARMAP") || !c.rest_is_blank())
                return fail("expected END CHARMAP");
            if (map_.entries_.empty()) return fail("CHARMAP defines no character");
            map_.build_indexes();
            section_ = Section::kAfter;
            return true;
        }
        std::string first;
        if (!read_name(c, &first)) return false;
        std::string last;
        int base = 0;
        if (c.take("...")) {
            base = 10;
        } else if (c.take("..")) {
            base = 16;
        }
        if (base != 0 && !read_name(c, &last)) return false;
        c.skip_blanks();
        std::string bytes;
        if (!read_bytes(c, &bytes)) return false;
        if (base == 0) return add_entry(std::move(first), bytes, irreversible);
        return add_range(first, last, std::move(bytes), base, irreversible);
    }

    bool after_line(std::string_view line) {
        Cursor c{line};
        c.skip_blanks();
        if (c.at_end() || c.peek() == map_.comment_char_) return true;
        std::string_view keyword = c.token();
        if (keyword == "WIDTH") {
            if (!c.rest_is_blank()) return fail("unexpected text after WIDTH");
            section_ = Section::kWidth;
            section_line_ = line_;
            return true;
        }
        if (keyword == "WIDTH_DEFAULT") {
            c.skip_blanks();
            if (!parse_small(c.token(), kMaxWidth, &map_.width_default_) || !rest_is_comment(c))
                return fail("WIDTH_DEFAULT needs a width from 0 to " + std::to_string(kMaxWidth));
            return true;
        }
        return fail("unexpected line after END CHARMAP");
    }

    // Real charmaps give widths of characters they lack; such a line says
    // nothing about this code set and is passed over.
    static bool width_end(const Charmap &map, const std::string &name, std::string *bytes) {
        const CharmapEntry *entry = map.find_name(name);
        if (entry != nullptr) *bytes = entry->bytes;
        return entry != nullptr;
    }

    bool rest_is_comment(Cursor &c) const {
        return c.rest_is_blank() || c.peek() == map_.comment_char_;
    }

    bool width_line(std::string_view line) {
        Cursor c{line};
        c.skip_blanks();
        if (c.at_end() || c.peek() == map_.comment_char_) return true;
        if (c.take("END")) {
            if (!c.skip_blanks() || !c.take("WIDTH") || !c.rest_is_blank())
                return fail("expected END WIDTH");
            section_ = Section::kAfter;
            return true;
        }
        WidthRange range;
        range.line = line_;
        std::string first;
        std::string last;
        if (!read_name(c, &first)) return false;
        const bool is_range = c.take("...");
        if (is_range && !read_name(c, &last)) return false;
        if (!c.skip_blanks() || !parse_small(c.token(), kMaxWidth, &range.width) ||
            !rest_is_comment(c)) {
            return fail("expected a width from 0 to " + std::to_string(kMaxWidth));
        }
        if (!width_end(map_, first, &range.first)) return true;
        range.last = range.first;
        if (is_range) {
            if (!width_end(map_, last, &range.last)) return true;
            // A range whose first end comes after its last covers nothing.
            if (range.first.size() != range.last.size())
                return fail("the ends of the WIDTH range differ in length");
        }
        map_.widths_.push_back(std::move(range));
        return true;
    }

    std::string_view text_;
    const std::string &file_;
    Charmap &map_;
    CharmapError &error_;
    size_t pos_ = 0;
    int physical_line_ = 0;
    int line_ = 0;  // the first physical line of the current logical line
    int section_line_ = 0;
    Section section_ = Section::kHeader;
    std::string joined_;
};

namespace {

using EntryKey = std::string CharmapEntry::*;

size_t slot_of(std::string_view key, size_t mask) {
    return std::hash<std::string_view>{}(key)&mask;
}

// Adds entry `index` unless an entry with an equal key is there: the first
// in file order wins.
void index_entry(std::vector<uint32_t> &slots, const std::vector<CharmapEntry> &entries,
                 EntryKey key, uint32_t index) {
    const size_t mask = slots.size() - 1;
    const std::string &wanted = entries[index].*key;
    for (size_t s = slot_of(wanted, mask);; s = (s + 1) & mask) {
        if (slots[s] == 0) {
            slots[s] = index + 1;
            return;
        }
        if (entries[slots[s] - 1].*key == wanted) return;
    }
}

const CharmapEntry *find_entry(const std::vector<uint32_t> &slots,
                               const std::vector<CharmapEntry> &entries, EntryKey key,
                               std::string_view wanted) {
    if (slots.empty()) return nullptr;
    const size_t mask = slots.size() - 1;
    for (size_t s = slot_of(wanted, mask); slots[s] != 0; s = (s + 1) & mask) {
        const CharmapEntry &e = entries[slots[s] - 1];
        if (e.*key == wanted) return &e;
    }
    return nullptr;
}

}  // namespace

void Charmap::build_indexes() {
    // At most half full, so that a probe ends soon.
    size_t size = 16;
    while (size < 2 * entries_.size())
        size *= 2;
    name_slots_.assign(size, 0);
    bytes_slots_.assign(size, 0);
    min_length_ = kMaxCharBytes;
    max_length_ = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const CharmapEntry &e = entries_[i];
        const auto index = static_cast<uint32_t>(i);
        index_entry(bytes_slots_, entries_, &CharmapEntry::bytes, index);
        if (!e.irreversible) index_entry(name_slots_, entries_, &CharmapEntry::name, index);
        min_length_ = std::min(min_length_, e.bytes.size());
        max_length_ = std::max(max_length_, e.bytes.size());
    }
}

const CharmapEntry *Charmap::find_name(std::string_view name) const {
    return find_entry(name_slots_, entries_, &CharmapEntry::name, name);
}

const CharmapEntry *Charmap::find_bytes(std::string_view bytes) const {
    return find_entry(bytes_slots_, entries_, &CharmapEntry::bytes, bytes);
}

int Charmap::width_of(std::string_view bytes) const {
    for (auto it = widths_.rbegin(); it != widths_.rend(); ++it) {
        if (it->first.size() == bytes.size() && compare_bytes(it->first, bytes) <= 0 &&
            compare_bytes(bytes, it->last) <= 0) {
            return it->width;
        }
    }
    return width_default_;
}

bool parse_charmap(std::string_view text, const std::string &file, Charmap *out,
                   CharmapError *error) {
    Charmap map;
    if (!CharmapParser(text, file, &map, error).run()) return false;
    *out = std::move(map);
    return true;
}

bool read_charmap(const std::string &path, Charmap *out, CharmapError *error) {
    auto fail = [&](std::string reason) {
        *error = CharmapError{path, 0, std::move(reason)};
        return false;
    };
    // zlib reads a file that is not compressed as it stands.
    gzFile in = gzopen(path.c_str(), "rb");
    if (in == nullptr) return fail(std::string("cannot open: ") + std::strerror(errno));
    std::string text;
    std::string reason;
    for (;;) {
        const size_t had = text.size();
        text.resize(had + kReadChunk);
        const int n = gzread(in, text.data() + had, static_cast<unsigned>(kReadChunk));
        text.resize(had + static_cast<size_t>(std::max(n, 0)));
        int code = Z_OK;
        const char *message = gzerror(in, &code);
        if (n < 0 || (code != Z_OK && code != Z_STREAM_END)) {
            reason = std::string("cannot read: ") + message;
            break;
        }
        if (n == 0) break;
        if (text.size() > kMaxTextSize) {
            reason = "larger than " + std::to_string(kMaxTextSize >> 20) + " MiB";
            break;
        }
    }
    gzclose(in);
    if (!reason.empty()) return fail(reason);
    return parse_charmap(text, path, out, error);
}

}  // namespace velmorad::tools
