#include "tests/gls/collate_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "gls/util/util.h"
#include "tests/gls/lco_fixture.h"

namespace gls::testing {

namespace {

constexpr const char *kMarker = "### LC_COLLATE\n";
constexpr uint16_t kOne = 1;
constexpr uint16_t kSpecialBit = 0x8000;
constexpr uint16_t kKindBits = 0xC000;
constexpr uint16_t kExpansionBit = 0x4000;

// A filed string ends in four zero bytes.
std::string filed_string(const unsigned char *bytes) {
    const std::string text(reinterpret_cast<const char *>(bytes));
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(bytes[text.size() + i], 0) << "terminator byte " << i << " of " << text;
    return text;
}

}  // namespace

std::string section_text(const CollationSource &source) {
    std::string text;
    EXPECT_EQ(write_collate_section(source, text), CollateWriteStatus::kOk);
    return text;
}

CollateRead read_section(const std::string &text, uint32_t error_before,
                         const std::function<void()> &before_read) {
    CollateRead result;
    result.loc = null_locale();
    if (result.loc == nullptr) return result;
    FileStream stream(kMarker + text);
    char marker[kHeaderLineSize];
    EXPECT_NE(_gl_ext_fgets(marker, sizeof marker, stream.get()), nullptr);
    result.loc->error = error_before;
    if (before_read) before_read();
    result.status = read_collate(stream.get(), result.loc.get());
    result.error = result.loc->error;
    result.rest = stream.rest();
    return result;
}

Strings all_ones_of(const CollateSection &coll) {
    Strings out;
    for (unsigned char **p = coll.all_ones; p != nullptr && *p != nullptr; ++p)
        out.push_back(filed_string(*p));
    return out;
}

Pairs equivalences_of(const CollateSection &coll) {
    Pairs out;
    for (unsigned char **p = coll.equivalences; p != nullptr && p[0] != nullptr; p += 2) {
        EXPECT_NE(p[1], nullptr);
        if (p[1] == nullptr) break;
        out.emplace_back(filed_string(p[0]), filed_string(p[1]));
    }
    return out;
}

std::string key_of(uint32_t wc, uint32_t min_length) {
    uint32_t length = min_length;
    if (wc > 0xFF) length = std::max(length, 2U);
    if (wc > 0xFFFF) length = std::max(length, 3U);
    if (wc > 0xFFFFFF) length = 4;
    return wchar_key(wc, length);
}

ReferenceLists reference_lists(const CollationSource &source) {
    const auto &weights = source.weights;
    const size_t rows = weights.size();
    uint32_t min_length = 4;
    for (const auto &[key, row] : source.rows)
        min_length = std::min<uint32_t>(min_length, static_cast<uint32_t>(key.size()));

    // Each row's class (-1: none), -2 for an all-ones row; classes in the
    // order they are made.
    std::vector<int> class_of(rows, -1);
    int classes = 0;
    std::vector<std::pair<size_t, size_t>> expansion_rows;  // (index, row)
    for (size_t r = 0; r < rows; ++r) {
        const auto &w = weights[r];
        if (std::all_of(w.begin(), w.end(), [](uint16_t x) { return x == kOne; })) {
            class_of[r] = -2;
            continue;
        }
        const bool special =
            std::any_of(w.begin(), w.end(), [](uint16_t x) { return (x & kSpecialBit) != 0; });
        if (!special && r > 0) {
            for (size_t k = 0; k < r; ++k) {
                if (weights[k] != w) continue;
                if (class_of[k] == -1) class_of[k] = classes++;
                class_of[r] = class_of[k];
                break;
            }
        }
        const bool one_expansion = !w.empty() && std::all_of(w.begin(), w.end(), [&](uint16_t x) {
            return (x & kKindBits) == kExpansionBit && x == w[0];
        });
        if (one_expansion) {
            const size_t index = w[0] & 0x3FFF;
            const bool seen = std::any_of(expansion_rows.begin(), expansion_rows.end(),
                                          [&](const auto &e) { return e.first == index; });
            if (!seen) expansion_rows.emplace_back(index, r);
            if (class_of[r] == -1) class_of[r] = classes++;
        }
    }

    ReferenceLists lists;
    std::vector<Strings> class_strings(static_cast<size_t>(classes));
    auto file = [&](const std::string &bytes, size_t row) {
        if (class_of[row] == -2) lists.all_ones.push_back(bytes);
        if (class_of[row] >= 0) class_strings[static_cast<size_t>(class_of[row])].push_back(bytes);
    };
    auto encode = [&](const std::vector<gl_wchar_t> &chars) {
        std::string bytes;
        for (gl_wchar_t wc : chars)
            bytes += key_of(wc, min_length);
        return bytes;
    };
    for (const auto &element : source.elements)
        file(encode(element.chars), element.row);
    for (const auto &[index, row] : expansion_rows)
        file(encode(source.expansions[index]), row);
    for (const auto &[key, row] : source.rows)  // std::map: increasing byte order
        file(key, row);
    for (const auto &strings : class_strings) {
        for (size_t i = 0; i + 1 < strings.size(); ++i)
            lists.equivalences.emplace_back(strings[i], strings.back());
    }
    return lists;
}

}  // namespace gls::testing
