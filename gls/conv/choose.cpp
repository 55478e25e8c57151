// The converter of a descriptor just read, and the tables that let its hot
// loop skip the tree: the lead table of one-byte characters and, for
// single-byte pairs, the byte table.
#include <cstring>

#include "gls/conv/conv_internal.h"

namespace gls {

namespace {

constexpr uint8_t kActingFlags = kCvTerminator | kCvInexact | kCvShiftedOut | kCvSwitchInput;
constexpr int kAsciiFirst = 0x01;
constexpr int kAsciiLast = 0x7F;
constexpr uint64_t kByteInEveryLane = 0x0101010101010101ULL;

// The record of a one-byte character, or null when the byte is none.
const uint8_t *one_byte_record(const multi_tree_t *tree, uint8_t byte) {
    const multi_arr_t &root = tree->root;
    if (root.flags == nullptr || root.flags[byte] != kMultiEnds) return nullptr;
    return root.data != nullptr ? root.data + (size_t{byte} << kCvRecordShift)
                                : tree->default_element;
}

// A record that writes its bytes and nothing else happens. The zero byte
// always takes the record path, since it ends a terminated input.
bool plain_record(const uint8_t *record, int byte) {
    return byte != 0 && record != nullptr && record_converts(record) &&
           (record[0] & kActingFlags) == 0;
}

// unit 0: the record's bytes as stored; 2 or 4: that many, reversed.
void build_lead_table(CvDesc *cd, int unit) {
    std::memset(cd->lead, 0, sizeof cd->lead);
    for (int byte = 0; byte < kMultiFanout; ++byte) {
        const uint8_t *record = one_byte_record(cd->tree, static_cast<uint8_t>(byte));
        if (!plain_record(record, byte)) continue;
        CvLeadEntry &entry = cd->lead[byte];
        if (unit == 0) {
            entry.length = record_count(record);
            std::memcpy(entry.bytes, record + 1, kCvMaxCharLength);
        } else {
            entry.length = static_cast<uint8_t>(unit);
            for (int i = 0; i < unit; ++i)
                entry.bytes[i] = record[unit - i];
        }
    }
    int stops = 0;
    std::memset(cd->ascii_stops, 0, sizeof cd->ascii_stops);
    for (int byte = kAsciiFirst; byte <= kAsciiLast; ++byte) {
        const CvLeadEntry &entry = cd->lead[byte];
        if (entry.length == 1 && entry.bytes[0] == byte) continue;
        if (stops < kCvAsciiStops) cd->ascii_stops[stops] = kByteInEveryLane * byte;
        ++stops;
    }
    cd->ascii_identity = stops == 0 ? 1 : 0;
    cd->ascii_words = stops <= kCvAsciiStops ? 1 : 0;
}

// Without memory the converter works from the records alone.
void build_byte_table(CvDesc *cd) {
    auto table = host_alloc<CvByteTable>();
    if (!table) return;
    for (int byte = 0; byte < kMultiFanout; ++byte) {
        const CvLeadEntry &entry = cd->lead[byte];
        if (entry.length != 1) continue;
        table->exact[byte] = 1;
        table->output[byte] = entry.bytes[0];
    }
    cd->byte_table = table.release();
}

}  // namespace

void cv_choose_converter(CvDesc *cd) {
    const int source_unit = le_unit_width(cd->source_min_len, cd->source_max_len);
    const int target_unit = le_unit_width(cd->target_min_len, cd->target_max_len);
    if (cd->source_shift != 0) {
        cd->converter = cv_shift_state;
    } else if (source_unit != 0) {
        cd->converter = cv_le_source;
    } else if (cd->target_shift == 0 && target_unit != 0) {
        cd->converter = cv_le_target;
        build_lead_table(cd, target_unit);
    } else if (cd->target_shift == 0 && cd->source_max_len == 1 && cd->target_max_len == 1) {
        cd->converter = cv_single_byte;
        build_lead_table(cd, 0);
        if (cd->table_flag == 0) build_byte_table(cd);
    } else {
        cd->converter = cv_multi_byte;
        build_lead_table(cd, 0);
    }
}

}  // namespace gls
