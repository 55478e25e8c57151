// The one-way mappings file: characters that a target code set's charmap
// lacks but that are still written in it, one a line:
//
//     # Unicode  bytes      code sets
//     U+00A5     /x5c       EUC-JP
//     U+FFE0     /x81/x91   SHIFT_JIS,MS_KANJI
//
// Blanks separate the fields; "#" begins a comment line.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/common/source_chars.h"
#include "tools/common/tool_io.h"
#include "tools/cvcomp/cvcomp.h"

namespace velmorad::tools {

namespace {

constexpr uint32_t kLastCode = 0x10FFFF;
constexpr size_t kMinCodeDigits = 4;
constexpr size_t kMaxCodeDigits = 6;
constexpr size_t kMaxFileSize = size_t{1} << 20;

std::vector<std::string_view> fields_of(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_blank(line[i]))
            ++i;
        const size_t start = i;
        while (i < line.size() && !is_blank(line[i]))
            ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

// "U+00A5" as the charmaps name it: "U00A5", or "U0001F600" past U+FFFF.
bool parse_code(std::string_view text, std::string *name) {
    if (text.size() < 2 + kMinCodeDigits || text.size() > 2 + kMaxCodeDigits ||
        text.substr(0, 2) != "U+")
        return false;
    uint32_t code = 0;
    for (char c : text.substr(2)) {
        const int digit = digit_value(c, 16);
        if (digit < 0) return false;
        code = code * 16 + static_cast<uint32_t>(digit);
    }
    if (code > kLastCode) return false;
    char spelled[16];
    std::snprintf(spelled, sizeof spelled, code > 0xFFFF ? "U%08X" : "U%04X", code);
    *name = spelled;
    return true;
}

// "/x81/x91": 1 to 4 bytes.
bool parse_bytes(std::string_view text, std::string *bytes) {
    constexpr size_t kByteSpelling = 4;
    if (text.empty() || text.size() % kByteSpelling != 0 ||
        text.size() / kByteSpelling > kMaxCharBytes)
        return false;
    for (size_t i = 0; i < text.size(); i += kByteSpelling) {
        const int high = digit_value(text[i + 2], 16);
        const int low = digit_value(text[i + 3], 16);
        if (text[i] != '/' || text[i + 1] != 'x' || high < 0 || low < 0) return false;
        *bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}

}  // namespace

bool parse_one_way(std::string_view text, std::vector<OneWay> *out, int *bad_line) {
    int number = 0;
    while (!text.empty()) {
        ++number;
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::vector<std::string_view> fields = fields_of(line);
        if (fields.empty() || fields[0][0] == '#') continue;
        OneWay row;
        row.line = number;
        if (fields.size() != 3 || !parse_code(fields[0], &row.name) ||
            !parse_bytes(fields[1], &row.bytes)) {
            *bad_line = number;
            return false;
        }
        for (std::string_view rest = fields[2]; !rest.empty();) {
            const size_t comma = rest.find(',');
            row.code_sets.emplace_back(rest.substr(0, comma));
            rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
            if (row.code_sets.back().empty()) {
                *bad_line = number;
                return false;
            }
        }
        out->push_back(std::move(row));
    }
    return true;
}

bool read_one_way(const std::string &path, std::vector<OneWay> *out) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        report(path, 0, std::string("cannot open: ") + std::strerror(errno));
        return false;
    }
    std::string text;
    char block[4096];
    for (size_t n; text.size() <= kMaxFileSize && (n = std::fread(block, 1, sizeof block, f)) > 0;)
        text.append(block, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed || text.size() > kMaxFileSize) {
        report(path, 0, failed ? "cannot read" : "too large for a list of mappings");
        return false;
    }
    int bad_line = 0;
    if (!parse_one_way(text, out, &bad_line)) {
        report(path, bad_line,
               "expected a Unicode value (U+00A5), its bytes (/x5c) and code sets (EUC-JP,...)");
        return false;
    }
    return true;
}

}  // namespace velmorad::tools
