// The charmap reader, and its look-ups on every charmap it accepts: each
// entry must be found again by its bytes and (unless irreversible) its name;
// and the structure cvcomp derives from it: unassigned characters of more
// than one byte, none a prefix of an assigned one or of each other.
#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "tools/common/charmap.h"
#include "tools/cvcomp/cvcomp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace velmorad::tools;
    if (size > 1 << 16) return 0;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    Charmap map;
    CharmapError error;
    if (!parse_charmap(text, "fuzz", &map, &error)) {
        if (error.reason.empty()) abort();
        return 0;
    }
    for (const CharmapEntry &e : map.entries()) {
        if (e.bytes.empty() || e.bytes.size() > kMaxCharBytes) abort();
        if (e.bytes.size() < map.min_length() || e.bytes.size() > map.max_length()) abort();
        const CharmapEntry *by_bytes = map.find_bytes(e.bytes);
        if (by_bytes == nullptr || by_bytes->bytes != e.bytes) abort();
        const CharmapEntry *by_name = map.find_name(e.name);
        if (!e.irreversible && (by_name == nullptr || by_name->name != e.name)) abort();
        (void)map.width_of(e.bytes);
    }
    std::vector<std::string> unassigned;
    if (!unassigned_characters(map, &unassigned)) return 0;
    std::sort(unassigned.begin(), unassigned.end());
    for (size_t i = 0; i < unassigned.size(); ++i) {
        const std::string &code = unassigned[i];
        if (code.size() < 2 || code.size() > map.max_length()) abort();
        for (size_t n = 1; n <= code.size(); ++n) {
            if (map.find_bytes(code.substr(0, n)) != nullptr) abort();
        }
        if (i > 0 && code.compare(0, unassigned[i - 1].size(), unassigned[i - 1]) == 0) abort();
    }
    return 0;
}
