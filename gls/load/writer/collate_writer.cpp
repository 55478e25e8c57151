// The collation section's text: rules line, tree of rows, direct-weights
// flag, counts, directions, elements, expansions and weights, each in the
// fixed-width hexadecimal fields the reader expects.
#include "gls/load/writer/collate_writer.h"

namespace gls {

namespace {

constexpr const char *kRulesAsSpecified = "as_specified\n";
constexpr const char *kRulesThai = "thai_smo\n";
constexpr int kCountDigits = 1;
constexpr int kRowDigits = 4;
constexpr int kCharDigits = 8;
constexpr int kWeightDigits = 4;
constexpr size_t kMaxSequenceChars = 0xF;
constexpr uint16_t kDefaultRow = 0;

void append_hex(std::string &out, uint32_t value, int digits) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += kDigits[(value >> shift) & 0xF];
}

bool sequence_fits(const std::vector<gl_wchar_t> &chars) {
    return !chars.empty() && chars.size() <= kMaxSequenceChars;
}

void append_sequence(std::string &out, const std::vector<gl_wchar_t> &chars) {
    append_hex(out, static_cast<uint32_t>(chars.size()), kCountDigits);
    for (gl_wchar_t wc : chars)
        append_hex(out, wc, kCharDigits);
}

}  // namespace

CollateWriteStatus write_collate_section(const CollationSource &source, std::string &out) {
    if (source.rules == CollationRules::kThaiSmo) {
        out += kRulesThai;
        return CollateWriteStatus::kOk;
    }
    TreeBuilder tree(ub2_form(), ub2_element(kDefaultRow));
    for (const auto &[bytes, row] : source.rows) {
        if (tree.add(bytes, ub2_element(row)) != TreeAddStatus::kOk)
            return CollateWriteStatus::kBadCharacter;
    }
    for (const auto &element : source.elements) {
        if (!sequence_fits(element.chars)) return CollateWriteStatus::kBadSequence;
    }
    for (const auto &expansion : source.expansions) {
        if (!sequence_fits(expansion)) return CollateWriteStatus::kBadSequence;
    }
    const size_t levels = source.directions.size();
    for (const auto &row : source.weights) {
        if (row.size() != levels) return CollateWriteStatus::kBadRowWidth;
    }

    std::string text = kRulesAsSpecified;
    tree.write(source.tree_text, text);
    text += source.direct_weights ? "1\n" : "0\n";
    const long max_row = static_cast<long>(source.weights.size()) - 1;
    text += std::to_string(max_row) + ' ' + std::to_string(levels) + ' ' +
            std::to_string(source.elements.size()) + ' ' +
            std::to_string(source.expansions.size()) + ' ' + std::to_string(source.weight_size) +
            '\n';
    if (levels > 0) {
        for (uint16_t direction : source.directions)
            append_hex(text, direction, kWeightDigits);
        text += '\n';
    }
    for (const auto &element : source.elements) {
        append_hex(text, static_cast<uint32_t>(element.chars.size()), kCountDigits);
        append_hex(text, element.row, kRowDigits);
        for (gl_wchar_t wc : element.chars)
            append_hex(text, wc, kCharDigits);
        text += '\n';
    }
    for (const auto &expansion : source.expansions) {
        append_sequence(text, expansion);
        text += '\n';
    }
    // Direct weights are one line of blank-separated fields; the reader
    // reads no line ends between them.
    for (const auto &row : source.weights) {
        for (uint16_t weight : row) {
            if (source.direct_weights) text += ' ';
            append_hex(text, weight, kWeightDigits);
        }
        if (!source.direct_weights) text += '\n';
    }
    if (source.direct_weights) text += '\n';
    out += text;
    return CollateWriteStatus::kOk;
}

}  // namespace gls
