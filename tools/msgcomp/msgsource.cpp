// Reading message sources. One message per entry:
//
//     # a comment
//     -33523 "  %s, line %d: unknown environment variable\n"
//            "a further string on the next line continues the text"
//
// A number, then a text in double quotes with C escapes; a line that starts
// with a quoted string continues the previous message's text.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>

#include "gls/util/digits.h"
#include "msg/msg.h"
#include "tools/common/tool_io.h"
#include "tools/msgcomp/msgcomp.h"

namespace velmorad::tools {

namespace {

constexpr int kMaxTextLength = INT16_MAX;

struct Cursor {
    const std::string &line;
    size_t pos = 0;
    bool at_end() const { return pos >= line.size(); }
    char peek() const { return at_end() ? '\0' : line[pos]; }
    void skip_blanks() {
        while (!at_end() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\r'))
            ++pos;
    }
};

int hex_value(char c) {
    return gls::digit_value(static_cast<unsigned char>(c));
}

// Reads one escape after its backslash; returns the reason on failure.
std::string read_escape(Cursor &c, std::string *text) {
    static const std::map<char, char> kSimple = {
        {'n', '\n'}, {'t', '\t'},  {'r', '\r'}, {'a', '\a'},  {'b', '\b'}, {'f', '\f'},
        {'v', '\v'}, {'\\', '\\'}, {'"', '"'},  {'\'', '\''}, {'?', '?'}};
    char e = c.peek();
    if (c.at_end()) return "escape at end of line";
    ++c.pos;
    if (auto it = kSimple.find(e); it != kSimple.end()) {
        text->push_back(it->second);
        return {};
    }
    if (e >= '0' && e <= '7') {
        int value = e - '0';
        for (int i = 0; i < 2 && c.peek() >= '0' && c.peek() <= '7'; ++i)
            value = value * 8 + (c.line[c.pos++] - '0');
        if (value > 0xFF) return "octal escape out of range";
        text->push_back(static_cast<char>(value));
        return {};
    }
    if (e == 'x') {
        int value = 0;
        int digits = 0;
        while (digits < 2 && hex_value(c.peek()) >= 0)
            value = value * 16 + hex_value(c.line[c.pos++]), ++digits;
        if (digits == 0) return "\\x without hexadecimal digits";
        text->push_back(static_cast<char>(value));
        return {};
    }
    return std::string("unknown escape \\") + e;
}

std::string read_quoted(Cursor &c, std::string *text) {
    if (c.peek() != '"') return "expected a text in double quotes";
    ++c.pos;
    for (;;) {
        if (c.at_end()) return "text not closed by a double quote";
        char ch = c.line[c.pos++];
        if (ch == '"') break;
        if (ch != '\\') {
            text->push_back(ch);
            continue;
        }
        std::string reason = read_escape(c, text);
        if (!reason.empty()) return reason;
    }
    c.skip_blanks();
    if (!c.at_end() && c.peek() != '#') return "unexpected characters after the text";
    return {};
}

std::string read_number(Cursor &c, int *number) {
    size_t start = c.pos;
    if (c.peek() == '-' || c.peek() == '+') ++c.pos;
    while (c.peek() >= '0' && c.peek() <= '9')
        ++c.pos;
    std::string digits = c.line.substr(start, c.pos - start);
    if (digits.empty() || digits == "-" || digits == "+") return "expected a message number";
    errno = 0;
    long long value = std::strtoll(digits.c_str(), nullptr, 10);
    // 0 means "no message" to the catalogue, and INT_MIN has no magnitude.
    if (errno == ERANGE || value == 0 || value <= INT_MIN || value > INT_MAX) {
        return "message number " + digits + " out of range";
    }
    *number = static_cast<int>(value);
    return {};
}

}  // namespace

bool read_message_source(const std::string &path, std::vector<SourceMessage> *out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        report(path, 0, "cannot open");
        return false;
    }
    bool ok = true;
    bool have_previous = false;
    std::string line;
    for (int lineno = 1; std::getline(in, line); ++lineno) {
        Cursor c{line};
        c.skip_blanks();
        if (c.at_end() || c.peek() == '#') continue;
        std::string reason;
        if (c.peek() == '"') {
            if (!have_previous) {
                reason = "continued text without a message";
            } else {
                reason = read_quoted(c, &out->back().text);
            }
        } else {
            SourceMessage m{0, {}, path, lineno};
            reason = read_number(c, &m.number);
            if (reason.empty()) {
                c.skip_blanks();
                reason = read_quoted(c, &m.text);
            }
            if (reason.empty()) out->push_back(std::move(m));
            have_previous = reason.empty();
        }
        if (!reason.empty()) {
            report(path, lineno, reason);
            ok = false;
        }
    }
    return ok;
}

bool check_messages(const std::vector<SourceMessage> &messages) {
    bool ok = true;
    std::map<int, const SourceMessage *> seen;
    for (const SourceMessage &m : messages) {
        auto fail = [&](const std::string &reason) {
            report(m.file, m.line, reason);
            ok = false;
        };
        auto [it, fresh] = seen.emplace(m.number, &m);
        if (!fresh) {
            fail("duplicate message number " + std::to_string(m.number) + " (first at " +
                 it->second->file + ":" + std::to_string(it->second->line) + ")");
        }
        if (m.text.find('\0') != std::string::npos) fail("text contains a NUL byte");
        if (m.text.size() > static_cast<size_t>(kMaxTextLength)) {
            fail("text of " + std::to_string(m.text.size()) + " bytes is too long (at most " +
                 std::to_string(kMaxTextLength) + ")");
        }
        FormatArg args[kMaxFormatArgs];
        if (parse_format(m.text.c_str(), args, kMaxFormatArgs) < 0) {
            fail(
                "malformed printf conversion (only %s, %d, %i and %% with flags, width and "
                "precision)");
        }
    }
    return ok;
}

}  // namespace velmorad::tools
