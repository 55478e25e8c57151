// The classification section in the order read_ctype takes it: class tree,
// class list, case tree, case pairs, growth factor.
#include "gls/load/writer/ctype_writer.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

namespace gls {

namespace {

constexpr int kWcharDigits = 8;

bool valid_name(const std::string &name) {
    if (name.empty() || name.size() >= static_cast<size_t>(kClassNameSize)) return false;
    for (char c : name) {
        if (std::isspace(static_cast<unsigned char>(c)) != 0) return false;
    }
    return true;
}

void append_wchar(gl_wchar_t wc, std::string &out) {
    char digits[kWcharDigits + 1];
    std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(wc));
    out += digits;
}

CtypeWriteStatus check(const CtypeSource &source) {
    if (source.user_classes.size() > static_cast<size_t>(kMaxUserClasses)) {
        return CtypeWriteStatus::kTooManyClasses;
    }
    for (const UserClassSource &entry : source.user_classes) {
        if (entry.number < 0 || entry.number > kMaxUserClassNumber) {
            return CtypeWriteStatus::kBadClassNumber;
        }
        if (!valid_name(entry.name)) return CtypeWriteStatus::kBadClassName;
    }
    if (source.case_pairs.size() > static_cast<size_t>(kMaxCasePairs)) {
        return CtypeWriteStatus::kTooManyPairs;
    }
    if (source.growth.has_value()) {
        const double factor = *source.growth;
        if (!std::isfinite(factor) || factor < kMinCaseGrowth || factor > kMaxCaseGrowth) {
            return CtypeWriteStatus::kBadGrowth;
        }
    }
    return CtypeWriteStatus::kOk;
}

}  // namespace

CtypeWriteStatus write_ctype_section(const CtypeSource &source, std::string &out) {
    if (CtypeWriteStatus status = check(source); status != CtypeWriteStatus::kOk) return status;

    TreeBuilder classes(ub2_form(), ub2_element(source.default_class));
    classes.set_utf8_keys(source.utf8_keys);
    for (const auto &[character, word] : source.classes) {
        if (classes.add(character, ub2_element(word)) != TreeAddStatus::kOk) {
            return CtypeWriteStatus::kBadCharacter;
        }
    }
    // Characters with the same pair share its entry: the table is read by
    // every process that loads the locale.
    TreeBuilder cases(ub2_form(), ub2_element(0));
    std::map<std::pair<gl_wchar_t, gl_wchar_t>, uint16_t> index_of;
    std::vector<CasePair> table;
    for (const auto &[character, pair] : source.case_pairs) {
        const auto [it, added] = index_of.try_emplace(std::make_pair(pair.upper, pair.lower),
                                                      static_cast<uint16_t>(table.size() + 1));
        if (added) table.push_back(pair);
        if (cases.add(character, ub2_element(it->second)) != TreeAddStatus::kOk) {
            return CtypeWriteStatus::kBadCharacter;
        }
    }

    std::string text;
    classes.write(source.tree_text, text);
    text += std::to_string(source.user_classes.size()) + "\n";
    for (const UserClassSource &entry : source.user_classes)
        text += std::to_string(entry.number) + " " + entry.name + "\n";
    cases.write(source.tree_text, text);
    text += std::to_string(table.size());
    for (const CasePair &pair : table) {
        text += "\n";
        append_wchar(pair.upper, text);
        append_wchar(pair.lower, text);
    }
    if (source.growth.has_value()) {
        char factor[32];
        std::snprintf(factor, sizeof factor, " %.17g", *source.growth);
        text += factor;
    }
    text += "\n";
    out += text;
    return CtypeWriteStatus::kOk;
}

}  // namespace gls
