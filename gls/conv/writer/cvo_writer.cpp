// The conversion-file writer: checks the input, works out the figures,
// and spells the header, the five body lines and the trees.
#include "gls/conv/writer/cvo_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace gls {

namespace {

constexpr const char *kFixedHeader =
    "FILE_TYPE=codeset_conversion_object\n"
    "COMPILER_VERSION=9\n";
constexpr const char *kCountLinePrefix = "HEADER_LINES=";
constexpr size_t kFixedHeaderLines = 3;
constexpr size_t kMaxHeaderLine = 127;
constexpr int32_t kMaxLength = static_cast<int32_t>(kCvMaxCharLength);
constexpr double kMaxExpansion = 16.0;
constexpr uint8_t kCallerFlags = kCvTerminator | kCvInexact | kCvShiftedOut | kCvSwitchInput;

bool null_character(const std::string &key) {
    return std::all_of(key.begin(), key.end(), [](char c) { return c == '\0'; });
}

template <class Pick>
void over_records(const CvoInput &input, Pick pick) {
    for (const auto &[key, record] : input.records)
        pick(key, record);
    if (input.source_shift != 0) {
        for (const auto &[key, record] : input.shifted_records)
            pick(key, record);
    }
}

// The smallest float at or above value.
float float_at_least(double value) {
    auto rounded = static_cast<float>(value);
    if (static_cast<double>(rounded) < value)
        rounded = std::nextafter(rounded, static_cast<float>(kMaxExpansion * 2));
    return rounded;
}

bool length_ok(int32_t length) {
    return length >= 1 && length <= kMaxLength;
}

void append_hex_byte(std::string &out, uint8_t byte) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
}

CvoResult failure(CvoStatus status) {
    CvoResult result;
    result.status = status;
    return result;
}

CvoResult check(const CvoInput &input, const CvoFigures &figures) {
    CvoResult result;
    auto check_map = [&](const CvoMap &map, bool second) {
        for (const auto &[key, record] : map) {
            if (key.empty() || key.size() > kCvMaxCharLength) {
                result = {CvoStatus::kBadKey, key, second};
            } else if (record.output.size() > kCvMaxCharLength ||
                       record.output.size() > static_cast<size_t>(figures.target_max_len)) {
                result = {CvoStatus::kOutputTooLong, key, second};
            }
            if (result.status != CvoStatus::kOk) return;
        }
    };
    check_map(input.records, false);
    if (result.status == CvoStatus::kOk && input.source_shift != 0)
        check_map(input.shifted_records, true);
    if (result.status != CvoStatus::kOk) return result;
    if (!length_ok(figures.source_min_len) || !length_ok(figures.source_max_len) ||
        !length_ok(figures.target_min_len) || !length_ok(figures.target_max_len) ||
        figures.source_min_len > figures.source_max_len ||
        figures.target_min_len > figures.target_max_len) {
        return failure(CvoStatus::kBadLength);
    }
    const double expansion = input.expansion.value_or(figures.expansion);
    if (!(expansion > 0) || expansion > kMaxExpansion) return failure(CvoStatus::kBadExpansion);
    for (const std::string &special : input.special) {
        if (special.size() > kCvMaxCharLength) return failure(CvoStatus::kBadSpecial);
    }
    for (const std::string &line : input.header_lines) {
        if (line.size() > kMaxHeaderLine || line.find('\n') != std::string::npos)
            return failure(CvoStatus::kBadHeaderLine);
    }
    return result;
}

// The tree of one map; kBadKey for a key that is a prefix of another.
CvoResult build_tree(const CvoMap &map, uint32_t target_max, bool second, TreeBuilder &builder) {
    for (const auto &[key, record] : map) {
        uint8_t flags = record.flags & kCallerFlags;
        if (record.converts) {
            flags |= kCvConverts;
            if (null_character(key)) flags |= kCvTerminator;
        }
        if (builder.add(key, cv_record_element(target_max, record.output, flags)) !=
            TreeAddStatus::kOk) {
            return {CvoStatus::kBadKey, key, second};
        }
    }
    return {};
}

void write_tree(const TreeBuilder &builder, const std::optional<TreeText> &form, std::string &out) {
    if (form) {
        builder.write(*form, out);
        return;
    }
    std::string plain = builder.text(TreeText::kPlain);
    std::string compressed = builder.text(TreeText::kCompressed);
    out += compressed.size() < plain.size() ? compressed : plain;
}

}  // namespace

const char *cvo_status_text(CvoStatus status) {
    switch (status) {
        case CvoStatus::kOk:
            return "written";
        case CvoStatus::kBadKey:
            return "a source character is not 1 to 4 bytes, or is a prefix of another";
        case CvoStatus::kOutputTooLong:
            return "an output is longer than the target's longest character";
        case CvoStatus::kBadSpecial:
            return "a special sequence is longer than 4 bytes";
        case CvoStatus::kBadLength:
            return "a character length is outside 1 to 4, or a minimum exceeds its maximum";
        case CvoStatus::kBadExpansion:
            return "the expansion factor is not above 0 and at most 16";
        case CvoStatus::kBadHeaderLine:
            return "a header line is longer than 127 characters or holds a line feed";
    }
    return "unknown status";
}

CvoFigures cvo_figures(const CvoInput &input) {
    size_t key_min = SIZE_MAX;
    size_t key_max = 0;
    size_t out_min = SIZE_MAX;
    size_t out_max = 0;
    double ratio = 0;
    const size_t shifts = input.target_shift != 0
                              ? input.special[kCvShiftOut].size() + input.special[kCvShiftIn].size()
                              : 0;
    over_records(input, [&](const std::string &key, const CvoRecord &record) {
        key_min = std::min(key_min, key.size());
        key_max = std::max(key_max, key.size());
        if (!record.converts) return;
        if (!record.output.empty()) {
            out_min = std::min(out_min, record.output.size());
            out_max = std::max(out_max, record.output.size());
        }
        if (!key.empty()) {
            ratio = std::max(ratio, static_cast<double>(record.output.size() + shifts) /
                                        static_cast<double>(key.size()));
        }
    });
    // With no characters to go by, lengths of 1.
    auto shortest = [](size_t min_len, size_t max_len) {
        return static_cast<int32_t>(max_len == 0 ? 1 : min_len);
    };
    auto longest = [](size_t max_len) { return static_cast<int32_t>(max_len == 0 ? 1 : max_len); };
    CvoFigures figures{};
    figures.source_min_len = input.source_min_len.value_or(shortest(key_min, key_max));
    figures.source_max_len = input.source_max_len.value_or(longest(key_max));
    figures.target_min_len = input.target_min_len.value_or(shortest(out_min, out_max));
    figures.target_max_len = input.target_max_len.value_or(longest(out_max));
    figures.expansion = float_at_least(input.expansion.value_or(ratio > 0 ? ratio : 1.0));
    return figures;
}

CvoResult write_cvo(const CvoInput &input, std::string &out) {
    const CvoFigures figures = cvo_figures(input);
    if (CvoResult result = check(input, figures); result.status != CvoStatus::kOk) return result;
    const auto target_max = static_cast<uint32_t>(figures.target_max_len);
    TreeBuilder first(cv_record_form(target_max));
    TreeBuilder second(cv_record_form(target_max));
    if (CvoResult result = build_tree(input.records, target_max, false, first);
        result.status != CvoStatus::kOk) {
        return result;
    }
    if (input.source_shift != 0) {
        if (CvoResult result = build_tree(input.shifted_records, target_max, true, second);
            result.status != CvoStatus::kOk) {
            return result;
        }
    }

    std::string text = kFixedHeader;
    text += kCountLinePrefix + std::to_string(kFixedHeaderLines + input.header_lines.size()) + '\n';
    for (const std::string &line : input.header_lines)
        text += line + '\n';
    text += std::to_string(input.source_shift) + ' ' + std::to_string(input.target_shift) + '\n';
    for (const std::string &special : input.special) {
        text += static_cast<char>('0' + special.size());
        for (char byte : special)
            append_hex_byte(text, static_cast<uint8_t>(byte));
    }
    text += '\n';
    for (int32_t value : {figures.target_min_len, figures.target_max_len, input.further[0],
                          input.further[1], figures.source_min_len}) {
        text += std::to_string(value) + ' ';
    }
    text += std::to_string(figures.source_max_len) + '\n';
    text += std::to_string(input.table_flag) + '\n';
    char expansion[32];
    std::snprintf(expansion, sizeof expansion, "%.9g\n", static_cast<double>(figures.expansion));
    text += expansion;
    write_tree(first, input.tree_text, text);
    if (input.source_shift != 0) write_tree(second, input.tree_text, text);
    out += text;
    return {};
}

}  // namespace gls
