// The one-way mappings file of cvcomp: every row it accepts names a Unicode
// value as the charmaps do, 1 to 4 bytes and at least one code set.
#include <cstdlib>
#include <string_view>

#include "tools/cvcomp/cvcomp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace velmorad::tools;
    if (size > 1 << 16) return 0;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    std::vector<OneWay> rows;
    int bad_line = 0;
    if (!parse_one_way(text, &rows, &bad_line)) {
        if (bad_line < 1) abort();
        return 0;
    }
    for (const OneWay &row : rows) {
        if ((row.name.size() != 5 && row.name.size() != 9) || row.name[0] != 'U') abort();
        if (row.bytes.empty() || row.bytes.size() > kMaxCharBytes) abort();
        if (row.code_sets.empty() || row.line < 1) abort();
        for (const std::string &code_set : row.code_sets) {
            if (code_set.empty()) abort();
        }
    }
    return 0;
}
