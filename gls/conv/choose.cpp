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

const uint8_t *record_at(const multi_tree_t *tree, const multi_arr_t *node, int byte) {
    return node->data != nullptr
               ? node->data + (size_t{static_cast<uint8_t>(byte)} << kCvRecordShift)
               : tree->default_element;
}

// The records of a node by third byte serve the pair index when only the
// bytes that end a character have records that convert; anything else goes
// the full walk, which tells the other cases apart.
uintptr_t records_of(const multi_tree_t *tree, const multi_arr_t *node) {
    const auto address = reinterpret_cast<uintptr_t>(node->data);
    if (node->flags == nullptr || node->data == nullptr || (address & kCvPairMarks) != 0) return 0;
    for (int byte = 0; byte < kMultiFanout; ++byte) {
        if (node->flags[byte] != kMultiEnds && record_converts(record_at(tree, node, byte)))
            return 0;
    }
    return address | kCvPairRecords;
}

// What a byte leads to from a node, as a slot of the pair index: only
// records that convert are taken; the full walk reports the others.
uintptr_t slot_of(const multi_tree_t *tree, const multi_arr_t *node, int byte) {
    if (node->flags == nullptr) return 0;
    if (node->flags[byte] == kMultiContinues)
        return records_of(tree, &node->next[node->offsets[byte]]);
    const uint8_t *record = record_at(tree, node, byte);
    const auto address = reinterpret_cast<uintptr_t>(record);
    if (node->flags[byte] != kMultiEnds || !record_converts(record) ||
        (address & kCvPairMarks) != 0)
        return 0;
    return address | kCvPairRecord;
}

// Without memory the converter walks every character from the root.
void build_pair_index(CvDesc *cd) {
    const multi_tree_t *tree = cd->tree;
    if (tree->root.flags == nullptr) return;
    size_t rows = 0;
    for (int first = 0; first < kMultiFanout; ++first)
        rows += tree->root.flags[first] == kMultiContinues ? 1 : 0;
    if (rows == 0) return;
    auto slots = host_alloc<uintptr_t>(rows * kMultiFanout);
    if (!slots) return;
    uint16_t row = 0;
    const multi_arr_t &root = tree->root;
    for (int first = 0; first < kMultiFanout; ++first) {
        const bool continues = root.flags[first] == kMultiContinues;
        cd->pair_row[first] = continues ? ++row : 0;
        if (!continues) continue;
        const multi_arr_t *node = &root.next[root.offsets[first]];
        uintptr_t *out = slots.get() + size_t{row - 1U} * kMultiFanout;
        for (int second = 0; second < kMultiFanout; ++second)
            out[second] = slot_of(tree, node, second);
    }
    cd->pair_slots = slots.release();
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
        if (cd->tree->max_length >= 2) build_pair_index(cd);
    }
}

}  // namespace gls
