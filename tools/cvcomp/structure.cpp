// The character structure of a source code set: which byte sequences are
// characters of it whether or not its charmap assigns them. A conversion
// file records the unassigned ones as characters without a conversion, so
// that a converter fails on the whole character and a caller can step over
// all of it, where it would otherwise take the first byte for the fault and
// pair the rest with the next character.
#include <algorithm>
#include <array>
#include <cstdint>

#include "tools/common/source_chars.h"
#include "tools/cvcomp/cvcomp.h"

namespace velmorad::tools {

namespace {

constexpr int kByteValues = 256;
// Well-formed sequences a structure may have, assigned or not: UTF-8's
// 1.1 million and then some.
constexpr uint64_t kMaxWellFormed = uint64_t{1} << 22;

using ByteSet = std::array<bool, kByteValues>;

// UTF-8's well-formed sequences, by the encoding form: a first byte range
// and the range of each further byte.
struct Utf8Row {
    uint8_t first_low, first_high;
    uint8_t second_low, second_high;
    int length;
};
constexpr uint8_t kTrailLow = 0x80;
constexpr uint8_t kTrailHigh = 0xBF;
constexpr Utf8Row kUtf8Rows[] = {
    {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3}, {0xE1, 0xEC, 0x80, 0xBF, 3},
    {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3}, {0xF0, 0xF0, 0x90, 0xBF, 4},
    {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4},
};

// Whether every character of the charmap is the UTF-8 form of the Unicode
// value its name gives ("U00E9" as /xc3/xa9): then the code set is UTF-8.
bool is_utf8(const Charmap &map) {
    constexpr uint32_t kLastCode = 0x10FFFF;
    if (map.entries().empty()) return false;
    for (const CharmapEntry &e : map.entries()) {
        const std::string &name = e.name;
        if ((name.size() != 5 && name.size() != 9) || name[0] != 'U') return false;
        uint32_t code = 0;
        for (size_t i = 1; i < name.size(); ++i) {
            const int digit = digit_value(name[i], 16);
            if (digit < 0) return false;
            code = code * 16 + static_cast<uint32_t>(digit);
        }
        if (code > kLastCode || utf8_of(code) != e.bytes) return false;
    }
    return true;
}

void add_utf8_unassigned(const Charmap &map, std::vector<std::string> *out) {
    for (const Utf8Row &row : kUtf8Rows) {
        for (int first = row.first_low; first <= row.first_high; ++first) {
            for (int second = row.second_low; second <= row.second_high; ++second) {
                std::string code{static_cast<char>(first), static_cast<char>(second)};
                // The further bytes, all trail bytes, counted as one number.
                const int rest = row.length - 2;
                const int combinations = 1 << (6 * rest);
                for (int n = 0; n < combinations; ++n) {
                    std::string full = code;
                    for (int i = rest - 1; i >= 0; --i)
                        full += static_cast<char>(kTrailLow | ((n >> (6 * i)) & 0x3F));
                    if (map.find_bytes(full) == nullptr) out->push_back(std::move(full));
                }
            }
        }
    }
    static_assert(kTrailHigh - kTrailLow + 1 == 64);
}

// One run of lead bytes of characters of one length, and at each further
// position the bytes that any character of the run has there.
struct Run {
    int length = 0;
    int first = 0;
    int last = 0;
    std::array<ByteSet, kMaxCharBytes> positions{};
};

bool add_runs_unassigned(const Charmap &map, std::vector<std::string> *out) {
    // What each byte begins: bit n-1 for characters of n bytes.
    std::array<unsigned, kByteValues> begins{};
    for (const CharmapEntry &e : map.entries())
        begins[static_cast<uint8_t>(e.bytes[0])] |= 1U << (e.bytes.size() - 1);

    std::vector<Run> runs;
    for (int length = 2; length <= static_cast<int>(kMaxCharBytes); ++length) {
        const unsigned bit = 1U << (length - 1);
        Run *run = nullptr;
        for (int byte = 0; byte < kByteValues; ++byte) {
            // A byte that begins characters of several lengths has no one
            // structure: it stays as the charmap has it.
            if (begins[byte] != bit) {
                if (begins[byte] != 0) run = nullptr;
                continue;
            }
            if (run == nullptr) {
                runs.push_back({length, byte, byte, {}});
                run = &runs.back();
            }
            run->last = byte;
        }
    }
    for (const CharmapEntry &e : map.entries()) {
        const auto lead = static_cast<uint8_t>(e.bytes[0]);
        for (Run &run : runs) {
            if (run.length != static_cast<int>(e.bytes.size()) || lead < run.first ||
                lead > run.last)
                continue;
            for (size_t i = 1; i < e.bytes.size(); ++i)
                run.positions[i][static_cast<uint8_t>(e.bytes[i])] = true;
        }
    }

    // A hostile charmap could make billions of combinations.
    uint64_t total = 0;
    for (const Run &run : runs) {
        uint64_t combinations = static_cast<uint64_t>(run.last - run.first + 1);
        for (int i = 1; i < run.length; ++i) {
            const auto &allowed = run.positions[static_cast<size_t>(i)];
            combinations *= static_cast<uint64_t>(std::count(allowed.begin(), allowed.end(), true));
        }
        total += combinations;
    }
    if (total > kMaxWellFormed) return false;

    for (const Run &run : runs) {
        // Every combination of the allowed bytes, position by position.
        std::vector<std::string> codes;
        for (int lead = run.first; lead <= run.last; ++lead)
            codes.emplace_back(1, static_cast<char>(lead));
        for (int i = 1; i < run.length; ++i) {
            std::vector<std::string> longer;
            for (const std::string &code : codes) {
                for (int byte = 0; byte < kByteValues; ++byte) {
                    if (run.positions[static_cast<size_t>(i)][static_cast<size_t>(byte)])
                        longer.push_back(code + static_cast<char>(byte));
                }
            }
            codes = std::move(longer);
        }
        for (std::string &code : codes) {
            if (map.find_bytes(code) == nullptr) out->push_back(std::move(code));
        }
    }
    return true;
}

}  // namespace

bool unassigned_characters(const Charmap &map, std::vector<std::string> *out) {
    out->clear();
    if (map.max_length() < 2) return true;
    if (is_utf8(map)) {
        add_utf8_unassigned(map, out);
        return true;
    }
    return add_runs_unassigned(map, out);
}

}  // namespace velmorad::tools
