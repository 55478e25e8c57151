// Trees whose keys are UTF-8. A UTF-8 locale's classification tree holds
// the characters its charmap lists; every other well-formed sequence (any
// Unicode scalar value, assigned later or never) is still a character,
// one without classes. The encoding is checked here, so the tree need not
// hold the million code points of the whole range.
#include <array>

#include "gls/tree/tree.h"

namespace gls {

namespace {

// What a lead byte says: the length of its sequence (0: no lead byte) and
// the range its second byte must lie in, which excludes overlong forms and
// surrogates. Four-byte forms run to U+1FFFFF (lead 0xF7), as the C
// library's decoder reads them, so that every text it reads reads here.
struct Utf8Lead {
    uint8_t length;
    uint8_t second_low;
    uint8_t second_high;
};

constexpr uint8_t kTrailLow = 0x80;
constexpr uint8_t kTrailHigh = 0xBF;

constexpr std::array<Utf8Lead, kMultiFanout> make_leads() {
    std::array<Utf8Lead, kMultiFanout> leads{};
    for (int b = 0; b < 0x80; ++b)
        leads[b] = {1, 0, 0};
    for (int b = 0xC2; b <= 0xDF; ++b)
        leads[b] = {2, kTrailLow, kTrailHigh};
    for (int b = 0xE0; b <= 0xEF; ++b)
        leads[b] = {3, kTrailLow, kTrailHigh};
    leads[0xE0].second_low = 0xA0;
    leads[0xED].second_high = 0x9F;
    for (int b = 0xF0; b <= 0xF7; ++b)
        leads[b] = {4, kTrailLow, kTrailHigh};
    leads[0xF0].second_low = 0x90;
    return leads;
}

constexpr std::array<Utf8Lead, kMultiFanout> kLeads = make_leads();

}  // namespace

int _gl_utf8_length(const unsigned char *s, int limit) {
    if (limit < 1) return kUtf8Incomplete;
    const Utf8Lead lead = kLeads[s[0]];
    if (lead.length == 0) return kUtf8Invalid;
    for (int i = 1; i < lead.length; ++i) {
        if (i >= limit) return kUtf8Incomplete;
        const uint8_t low = i == 1 ? lead.second_low : kTrailLow;
        const uint8_t high = i == 1 ? lead.second_high : kTrailHigh;
        if (s[i] < low || s[i] > high) return kUtf8Invalid;
    }
    return lead.length;
}

bool _gl_multi_utf8_wchar(const multi_tree_t *tree, uint32_t wc, int length) {
    if ((tree->flags & kMultiUtf8Keys) == 0 || length < 1 ||
        length > static_cast<int>(kMultiMaxLevels)) {
        return false;
    }
    unsigned char bytes[kMultiMaxLevels];
    for (int i = 0; i < length; ++i)
        bytes[i] = static_cast<unsigned char>(wc >> ((length - 1 - i) * 8));
    return _gl_utf8_length(bytes, length) == length;
}

}  // namespace gls
