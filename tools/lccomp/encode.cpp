// Characters and strings of a source in the bytes of the charmap's code set.
#include <algorithm>

#include "tools/lccomp/compile.h"

namespace velmorad::tools {

Encoder::Encoder(const Charmap &charmap, const TranslitSource &translit)
    : charmap_(charmap), translit_(translit) {
    for (const TranslitRule &rule : translit_.rules)
        rules_[rule.from.front()].push_back(&rule);
}

bool Encoder::character(const std::string &name, std::string *bytes) const {
    const CharmapEntry *entry = charmap_.find_name(name);
    if (entry == nullptr) return false;
    *bytes = entry->bytes;
    return true;
}

bool Encoder::all_encodable(const CharString &text, std::string *bytes) const {
    std::string out;
    for (const std::string &name : text) {
        std::string one;
        if (!character(name, &one)) return false;
        out += one;
    }
    *bytes += out;
    return true;
}

bool Encoder::string(const CharString &text, std::string *bytes, std::string *missing,
                     std::string *defaulted) const {
    std::string out;
    if (defaulted != nullptr) defaulted->clear();
    size_t i = 0;
    while (i < text.size()) {
        std::string one;
        if (character(text[i], &one)) {
            out += one;
            ++i;
            continue;
        }
        bool replaced = false;
        auto found = rules_.find(text[i]);
        if (found != rules_.end()) {
            for (const TranslitRule *rule : found->second) {
                const size_t n = rule->from.size();
                if (n > text.size() - i || !std::equal(rule->from.begin(), rule->from.end(),
                                                       text.begin() + static_cast<long>(i))) {
                    continue;
                }
                for (const CharString &alternative : rule->alternatives) {
                    if (all_encodable(alternative, &out)) {
                        replaced = true;
                        i += n;
                        break;
                    }
                }
                if (replaced) break;
            }
        }
        if (!replaced && translit_.default_missing &&
            all_encodable(*translit_.default_missing, &out)) {
            if (defaulted != nullptr && defaulted->empty()) *defaulted = text[i];
            replaced = true;
            ++i;
        }
        if (!replaced) {
            *missing = text[i];
            return false;
        }
    }
    *bytes = std::move(out);
    return true;
}

uint32_t packed_wchar(const std::string &bytes) {
    uint32_t wc = 0;
    for (unsigned char b : bytes)
        wc = (wc << 8) | b;
    return wc;
}

std::vector<const CharmapEntry *> charmap_characters(const Charmap &charmap) {
    std::vector<const CharmapEntry *> out;
    out.reserve(charmap.entries().size());
    for (const CharmapEntry &entry : charmap.entries()) {
        if (charmap.find_bytes(entry.bytes) == &entry) out.push_back(&entry);
    }
    std::sort(out.begin(), out.end(),
              [](const CharmapEntry *a, const CharmapEntry *b) { return a->bytes < b->bytes; });
    return out;
}

}  // namespace velmorad::tools
