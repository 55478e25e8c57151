// Stepping a charmap range's bytes within the code set's encoding. The
// UTF-8 charmap writes ranges of 64 characters from any trail byte
// (<U0002B820>..<U0002B85F> /xf0/xab/xa0/xa0), so counting the last byte
// past /xbf would give sequences that are no UTF-8 at all.
#include "tools/common/range_step.h"

#include <cstdint>

namespace velmorad::tools {

namespace {

constexpr uint32_t kMaxScalar = 0x10FFFF;
constexpr uint32_t kSurrogateFirst = 0xD800;
constexpr uint32_t kSurrogateLast = 0xDFFF;

uint8_t byte_at(std::string_view bytes, size_t i) {
    return static_cast<uint8_t>(bytes[i]);
}

// The scalar value of bytes when they are exactly one well-formed UTF-8
// sequence (shortest form, no surrogate); false otherwise.
bool decode_utf8(std::string_view bytes, uint32_t *value) {
    if (bytes.empty()) return false;
    const uint8_t lead = byte_at(bytes, 0);
    size_t length = 0;
    uint32_t v = 0;
    uint32_t least = 0;
    if (lead < 0x80) {
        length = 1;
        v = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        v = lead & 0x1Fu;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        v = lead & 0x0Fu;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        v = lead & 0x07u;
        least = 0x10000;
    } else {
        return false;
    }
    if (bytes.size() != length) return false;
    for (size_t i = 1; i < length; ++i) {
        const uint8_t trail = byte_at(bytes, i);
        if ((trail & 0xC0u) != 0x80u) return false;
        v = (v << 6) | (trail & 0x3Fu);
    }
    if (v < least || v > kMaxScalar || (v >= kSurrogateFirst && v <= kSurrogateLast)) return false;
    *value = v;
    return true;
}

std::string encode_utf8(uint32_t v) {
    std::string out;
    auto put = [&out](uint32_t b) { out.push_back(static_cast<char>(b)); };
    if (v < 0x80) {
        put(v);
    } else if (v < 0x800) {
        put(0xC0 | (v >> 6));
        put(0x80 | (v & 0x3F));
    } else if (v < 0x10000) {
        put(0xE0 | (v >> 12));
        put(0x80 | ((v >> 6) & 0x3F));
        put(0x80 | (v & 0x3F));
    } else {
        put(0xF0 | (v >> 18));
        put(0x80 | ((v >> 12) & 0x3F));
        put(0x80 | ((v >> 6) & 0x3F));
        put(0x80 | (v & 0x3F));
    }
    return out;
}

// GB18030's four-byte sequences: lead and third byte 0x81 to 0xFE, second
// and fourth 0x30 to 0x39. Its two-byte trail bytes skip 0x7F.
struct DigitRange {
    uint8_t low;
    uint8_t high;
};
constexpr DigitRange kGbFourByte[] = {{0x81, 0xFE}, {0x30, 0x39}, {0x81, 0xFE}, {0x30, 0x39}};
constexpr uint8_t kGbOneByteHigh = 0x7F;
constexpr uint8_t kGbTwoByteTrailLow = 0x40;
constexpr uint8_t kGbTwoByteTrailGap = 0x7F;
constexpr uint8_t kGbTwoByteTrailHigh = 0xFE;

bool in_gb_four_byte_form(std::string_view bytes) {
    if (bytes.size() != 4) return false;
    for (size_t i = 0; i < 4; ++i) {
        const uint8_t b = byte_at(bytes, i);
        if (b < kGbFourByte[i].low || b > kGbFourByte[i].high) return false;
    }
    return true;
}

bool step_gb18030(std::string *bytes) {
    auto &last = reinterpret_cast<unsigned char &>(bytes->back());
    switch (bytes->size()) {
        case 1:
            if (last >= kGbOneByteHigh) return false;
            ++last;
            return true;
        case 2:
            if (last < kGbTwoByteTrailLow || last >= kGbTwoByteTrailHigh) return false;
            ++last;
            if (last == kGbTwoByteTrailGap) ++last;
            return true;
        case 4:
            for (size_t i = 4; i-- > 0;) {
                auto &b = reinterpret_cast<unsigned char &>((*bytes)[i]);
                if (b < kGbFourByte[i].high) {
                    ++b;
                    return true;
                }
                b = kGbFourByte[i].low;
            }
            return false;
        default:
            return false;
    }
}

std::string folded(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) out.push_back(c);
    }
    return out;
}

}  // namespace

RangeEncoding range_encoding_of(std::string_view code_set_name) {
    const std::string name = folded(code_set_name);
    if (name == "utf8") return RangeEncoding::kUtf8;
    if (name == "gb18030") return RangeEncoding::kGb18030;
    return RangeEncoding::kLastByte;
}

std::string range_start_fault(RangeEncoding encoding, std::string_view bytes) {
    uint32_t ignored = 0;
    if (encoding == RangeEncoding::kUtf8 && !decode_utf8(bytes, &ignored))
        return "the first bytes of the range are not one UTF-8 character";
    if (encoding == RangeEncoding::kGb18030 && bytes.size() == 4 && !in_gb_four_byte_form(bytes))
        return "the first bytes of the range are not a four-byte GB18030 character";
    return {};
}

bool step_range_bytes(RangeEncoding encoding, std::string *bytes) {
    switch (encoding) {
        case RangeEncoding::kUtf8: {
            uint32_t v = 0;
            if (!decode_utf8(*bytes, &v) || v == kMaxScalar) return false;
            ++v;
            if (v == kSurrogateFirst) return false;
            *bytes = encode_utf8(v);
            return true;
        }
        case RangeEncoding::kGb18030:
            return step_gb18030(bytes);
        case RangeEncoding::kLastByte:
            break;
    }
    auto &last = reinterpret_cast<unsigned char &>(bytes->back());
    if (last == 0xFF) return false;
    ++last;
    return true;
}

}  // namespace velmorad::tools
