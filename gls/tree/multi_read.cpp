// Reading a tree from its text form: a header line, then either the nodes
// with their own run lists (plain) or the shared run lists followed by nodes
// that name them (compressed).
#include <algorithm>
#include <cstring>

#include "gls/tree/tree.h"
#include "gls/tree/tree_internal.h"
#include "gls/util/digits.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr int kStartDigits = 2;
constexpr int kLengthDigits = 3;
constexpr int kRepeatDigits = 3;
constexpr int kFlagDigits = 2;
constexpr int kNewline = '\n';
constexpr int kBlank = ' ';
// No tree of four levels has more nodes than this, so no honest file
// declares more distinct shared arrays.
constexpr long kMaxSharedArrays = 1L + 256 + 256L * 256 + 256L * 256 * 256;
// The shared tables grow as their arrays are read, so that a declared count
// costs memory only once the file backs it with arrays.
constexpr uint32_t kFirstTableSize = 64;

// The elements a run list's line can be parsed from in memory: those of the
// library's own element readers that hold one fixed-width number.
struct FieldForm {
    int digits;     // hexadecimal digits in the text
    uint32_t size;  // bytes stored in the entry
};

struct TreeReader {
    FILE *stream;
    multi_tree_t *tree;
    GlElementReader read_element;
    uint32_t stride;  // bytes per element in a data array
    uint32_t max_length;
    uint32_t min_length;
    bool compressed;
    // Whether the run lists are read a line at a time, in this form.
    bool lines;
    FieldForm element_form;
    // Set when a character ends at a level outside the declared lengths.
    bool *length_outside;
};

bool read_newline(FILE *stream) {
    return _gl_ext_getc(stream) == kNewline;
}

bool is_bit(long value) {
    return value == 0 || value == 1;
}

// Records of start, length L, repeat count R and L values, until one with
// L = 0. Values are read once and copied for the further repeats; a record
// with R = 0 is read into scratch and stores nothing.
template <class ReadValue>
bool read_run_list(FILE *stream, uint8_t *array, uint32_t stride, uint8_t *scratch,
                   ReadValue read_value) {
    for (;;) {
        uint32_t start = 0;
        uint32_t length = 0;
        uint32_t repeat = 0;
        if (!read_hex_field(stream, kStartDigits, &start) ||
            !read_hex_field(stream, kLengthDigits, &length)) {
            return false;
        }
        if (length == 0) {
            // The terminator's newline stands where the repeat count's last digit would.
            uint32_t ignored = 0;
            return read_hex_field(stream, kRepeatDigits - 1, &ignored) && read_newline(stream);
        }
        if (!read_hex_field(stream, kRepeatDigits, &repeat)) return false;
        // The field widths keep L * R below 2^24: no wrap-around.
        if (length > kMultiFanout || start + length * repeat > kMultiFanout) return false;
        uint8_t *first = array + size_t{start} * stride;
        for (uint32_t i = 0; i < length; ++i) {
            if (!read_value(repeat == 0 ? scratch : first + size_t{i} * stride)) return false;
        }
        const size_t run_bytes = size_t{length} * stride;
        for (uint32_t r = 1; r < repeat; ++r)
            std::memcpy(first + r * run_bytes, first, run_bytes);
        if (!read_newline(stream)) return false;
    }
}

constexpr FieldForm kFlagForm{kFlagDigits, 1};
constexpr int kUb2Digits = 4;
constexpr int kWcharDigits = 8;
// Start, length, repeat, 256 values of at most eight digits, the newline
// and the terminating zero of fgets.
constexpr size_t kRecordLineSize =
    kStartDigits + kLengthDigits + kRepeatDigits + size_t{kMultiFanout} * kWcharDigits + 2;

bool form_of(GlElementReader reader, FieldForm *form) {
    if (reader == ub2_reader) {
        *form = {kUb2Digits, sizeof(uint16_t)};
        return true;
    }
    if (reader == _gl_read_gl_wchar) {
        *form = {kWcharDigits, sizeof(uint32_t)};
        return true;
    }
    return false;
}

// The values of one record, stored at dest (or only checked, when null).
template <int Digits, class Value>
bool parse_values_of(const unsigned char *text, uint32_t count, uint8_t *dest, uint32_t stride) {
    bool bad = false;
    for (uint32_t i = 0; i < count; ++i, text += Digits) {
        const auto value = static_cast<Value>(hex_field::parse<Digits>(text, &bad));
        if (dest != nullptr) std::memcpy(dest + size_t{i} * stride, &value, sizeof value);
    }
    return !bad;
}

bool parse_values(const unsigned char *text, uint32_t count, FieldForm form, uint8_t *dest,
                  uint32_t stride) {
    switch (form.digits) {
        case kFlagDigits:
            return parse_values_of<kFlagDigits, uint8_t>(text, count, dest, stride);
        case kUb2Digits:
            return parse_values_of<kUb2Digits, uint16_t>(text, count, dest, stride);
        default:
            return parse_values_of<kWcharDigits, uint32_t>(text, count, dest, stride);
    }
}

// The same records read a line at a time through the host's fgets and
// parsed in memory: one call per record instead of several per byte. A
// record's line is exactly as long as its fields say, so a line that is
// shorter (cut, or holding a zero byte or a newline early), longer or
// without its newline fails as it would field by field. Only whole lines
// are taken, so the stream stays at the start of the next one.
bool read_run_lines(FILE *stream, uint8_t *array, uint32_t stride, FieldForm form) {
    char buffer[kRecordLineSize];
    constexpr size_t kHead = kStartDigits + kLengthDigits + kRepeatDigits;
    const auto width = static_cast<size_t>(form.digits);
    for (;;) {
        if (_gl_ext_fgets(buffer, sizeof buffer, stream) == nullptr) return false;
        const size_t length_read = std::strlen(buffer);
        const auto *line = reinterpret_cast<const unsigned char *>(buffer);
        if (length_read < kHead || line[length_read - 1] != kNewline) return false;
        bool bad = false;
        const uint32_t start = hex_field::parse<kStartDigits>(line, &bad);
        const uint32_t length = hex_field::parse<kLengthDigits>(line + kStartDigits, &bad);
        if (length == 0) {
            // The terminator's newline stands where the repeat count's last digit would.
            (void)hex_field::parse<kRepeatDigits - 1>(line + kStartDigits + kLengthDigits, &bad);
            return !bad && length_read == kHead;
        }
        const uint32_t repeat =
            hex_field::parse<kRepeatDigits>(line + kStartDigits + kLengthDigits, &bad);
        // The field widths keep L * R below 2^24: no wrap-around.
        if (bad || length > kMultiFanout || start + length * repeat > kMultiFanout) return false;
        if (length_read != kHead + length * width + 1) return false;
        uint8_t *first = array + size_t{start} * stride;
        if (!parse_values(line + kHead, length, form, repeat == 0 ? nullptr : first, stride))
            return false;
        // The run, then the filled part copied onto the rest: a few copies
        // for a long repeat instead of one per repetition.
        const size_t total = size_t{length} * stride * repeat;
        for (size_t filled = size_t{length} * stride; filled < total; filled *= 2)
            std::memcpy(first + filled, first, std::min(filled, total - filled));
    }
}

bool read_flag_list(const TreeReader &r, uint8_t *flags) {
    if (r.lines) return read_run_lines(r.stream, flags, 1, kFlagForm);
    uint8_t scratch = 0;
    FILE *stream = r.stream;
    return read_run_list(stream, flags, 1, &scratch, [stream](uint8_t *dest) {
        uint32_t value = 0;
        if (!read_hex_field(stream, kFlagDigits, &value)) return false;
        *dest = static_cast<uint8_t>(value);
        return true;
    });
}

bool read_data_list(const TreeReader &r, uint8_t *data) {
    if (r.lines) return read_run_lines(r.stream, data, r.stride, r.element_form);
    uint8_t scratch[kMultiMaxDataSize] = {};
    return read_run_list(r.stream, data, r.stride, scratch, [&r](uint8_t *dest) {
        return r.read_element(r.stream, dest, r.tree->data_size) == 0;
    });
}

// Counted in byte-wide sums over halves (at most 128 each, so no sum
// overflows), which the compiler turns into vector code.
uint32_t count_continues(const uint8_t *flags) {
    constexpr int kHalf = kMultiFanout / 2;
    uint32_t count = 0;
    for (int half = 0; half < kMultiFanout; half += kHalf) {
        uint8_t sum = 0;
        for (int b = half; b < half + kHalf; ++b)
            sum = static_cast<uint8_t>(sum + (flags[b] == kMultiContinues ? 1 : 0));
        count += sum;
    }
    return count;
}

// A data array holding the default element in every entry.
HostPtr<uint8_t> new_data_array(const TreeReader &r) {
    const size_t total = size_t{kMultiFanout} * r.stride;
    auto data = host_alloc_unfilled<uint8_t>(total);
    if (data) {
        // One element, then the filled part copied onto the rest: a few
        // copies instead of one per entry.
        std::memcpy(data.get(), r.tree->default_element, r.stride);
        for (size_t filled = r.stride; filled < total; filled *= 2)
            std::memcpy(data.get() + filled, data.get(), std::min(filled, total - filled));
    }
    return data;
}

template <class T>
bool make_room(T *&table, uint32_t used, uint32_t &capacity, uint32_t total) {
    if (used < capacity) return true;
    uint32_t grown = capacity == 0 ? kFirstTableSize : capacity * 2;
    if (grown > total) grown = total;
    auto bigger = host_alloc<T>(grown);
    if (!bigger) return false;
    if (used > 0) std::memcpy(bigger.get(), table, used * sizeof(T));
    _gl_free_ptr(table);
    table = bigger.release();
    capacity = grown;
    return true;
}

bool read_node(const TreeReader &r, multi_arr_t &node, uint32_t level);

// Children are attached as empty nodes before any is read, so a read that
// stops inside one leaves a node that releases cleanly.
bool read_children(const TreeReader &r, multi_arr_t &node, uint32_t children, uint32_t level) {
    if (level >= r.max_length) return false;  // deeper than the longest character
    auto offsets = host_alloc<uint8_t>(kMultiFanout);
    if (!offsets) return false;
    node.offsets = offsets.release();
    ++r.tree->offset_count;
    auto next = host_alloc_unfilled<multi_arr_t>(children);
    if (!next) return false;
    for (uint32_t i = 0; i < children; ++i)
        next.get()[i] = empty_node();
    node.next = next.release();
    node.child_count = children;

    uint32_t index = 0;
    for (int b = 0; b < kMultiFanout; ++b) {
        if (node.flags[b] != kMultiContinues) continue;
        node.offsets[b] = static_cast<uint8_t>(index);
        if (!read_node(r, node.next[index], level + 1)) return false;
        ++index;
    }
    return true;
}

bool take_own_arrays(const TreeReader &r, multi_arr_t &node, bool has_flags, bool has_data,
                     uint32_t *children) {
    multi_tree_t *tree = r.tree;
    if (has_flags) {
        if (node.flags == nullptr) {
            auto flags = host_alloc<uint8_t>(kMultiFanout);
            if (!flags) return false;
            node.flags = flags.release();
            ++tree->flag_count;
        }
        if (!read_flag_list(r, node.flags)) return false;
        *children = count_continues(node.flags);
    }
    if (has_data) {
        if (node.data == nullptr) {
            auto data = new_data_array(r);
            if (!data) return false;
            node.data = data.release();
            ++tree->data_count;
        }
        if (!read_data_list(r, node.data)) return false;
    }
    return true;
}

bool take_shared_arrays(const TreeReader &r, multi_arr_t &node, bool has_flags, long flag_index,
                        bool has_data, long data_index, uint32_t *children) {
    const multi_tree_t *tree = r.tree;
    if (has_flags) {
        if (flag_index < 0 || flag_index >= tree->flag_count) return false;
        node.flags = tree->shared_flags[flag_index];
        node.flag_index = static_cast<int32_t>(flag_index);
        *children = tree->child_counts[flag_index];
    }
    if (has_data) {
        if (data_index < 0 || data_index >= tree->data_count) return false;
        node.data = tree->shared_data[data_index];
        node.data_index = static_cast<int32_t>(data_index);
    }
    return true;
}

// A node's line of numbers, read in one pass as _gl_get_int would read
// each: the newline that ends it is in hand when the last number is.
struct NodeLine {
    long has_flags = 0;
    long has_data = 0;
    long flag_index = kMultiOwnArray;
    long data_index = kMultiOwnArray;
    int ahead = EOF;
};

template <class GetByte>
NodeLine read_node_line(FILE *stream, bool compressed, GetByte get_byte) {
    NodeLine line;
    line.ahead = get_byte(stream);
    line.has_flags = decimal_field::get_int_ahead(stream, &line.ahead, get_byte);
    line.has_data = decimal_field::get_int_ahead(stream, &line.ahead, get_byte);
    if (compressed) {
        line.flag_index = decimal_field::get_int_ahead(stream, &line.ahead, get_byte);
        line.data_index = decimal_field::get_int_ahead(stream, &line.ahead, get_byte);
    }
    return line;
}

bool read_node(const TreeReader &r, multi_arr_t &node, uint32_t level) {
    // A large tree is thousands of these lines: the host's stream service
    // is asked about once per line, not once per byte.
    const NodeLine line =
        _gl_ext_getc_is_direct()
            ? read_node_line(r.stream, r.compressed, [](FILE *s) { return getc_unlocked(s); })
            : read_node_line(r.stream, r.compressed, [](FILE *s) { return _gl_ext_getc(s); });
    if (line.ahead != kNewline || !is_bit(line.has_flags) || !is_bit(line.has_data)) return false;
    const bool has_flags = line.has_flags == 1;
    const bool has_data = line.has_data == 1;
    uint32_t children = 0;
    const bool taken = r.compressed ? take_shared_arrays(r, node, has_flags, line.flag_index,
                                                         has_data, line.data_index, &children)
                                    : take_own_arrays(r, node, has_flags, has_data, &children);
    if (!taken) return false;
    // Only the levels outside the declared lengths are looked at: in an
    // honest tree there are none, so a large tree costs nothing here.
    if ((level < r.min_length || level > r.max_length) && node.flags != nullptr &&
        std::memchr(node.flags, kMultiEnds, kMultiFanout) != nullptr) {
        *r.length_outside = true;
    }
    return children == 0 || read_children(r, node, children, level);
}

// The compressed form's counts line and its shared arrays. The root gives
// up its own flag array first: in this form it takes one of the shared ones.
bool read_shared_arrays(const TreeReader &r) {
    multi_tree_t *tree = r.tree;
    const long flag_total = _gl_get_int(r.stream);
    const long data_total = _gl_get_int(r.stream);
    if (!read_newline(r.stream)) return false;
    if (flag_total < 0 || flag_total > kMaxSharedArrays || data_total < 0 ||
        data_total > kMaxSharedArrays) {
        return false;
    }
    if (tree->root.flag_index == kMultiOwnArray) _gl_free_ptr(tree->root.flags);
    tree->root.flags = nullptr;
    tree->flag_count = 0;

    uint32_t flag_capacity = 0;
    uint32_t count_capacity = 0;
    for (auto i = 0U; i < static_cast<uint32_t>(flag_total); ++i) {
        auto flags = host_alloc<uint8_t>(kMultiFanout);
        if (!flags || !read_flag_list(r, flags.get())) return false;
        const auto total = static_cast<uint32_t>(flag_total);
        if (!make_room(tree->shared_flags, i, flag_capacity, total) ||
            !make_room(tree->child_counts, i, count_capacity, total)) {
            return false;
        }
        tree->child_counts[i] = count_continues(flags.get());
        tree->shared_flags[i] = flags.release();
        tree->flag_count = static_cast<int32_t>(i + 1);
    }
    uint32_t data_capacity = 0;
    for (auto i = 0U; i < static_cast<uint32_t>(data_total); ++i) {
        auto data = new_data_array(r);
        if (!data || !read_data_list(r, data.get())) return false;
        if (!make_room(tree->shared_data, i, data_capacity, static_cast<uint32_t>(data_total)))
            return false;
        tree->shared_data[i] = data.release();
        tree->data_count = static_cast<int32_t>(i + 1);
    }
    return true;
}

}  // namespace

int _gl_fscanf_multi(FILE *stream, multi_tree_t *tree, int limit, GlElementReader read_element) {
    if (tree == nullptr) return -1;
    if (stream == nullptr) {
        tree->error = GL_ENOMEM;
        return -1;
    }
    tree->error = 0;
    const long max_length = _gl_get_int(stream);
    const long min_length = _gl_get_int(stream);
    const long flags = _gl_get_int(stream);
    if (max_length < 0 || max_length > limit || max_length > long{kMultiMaxLevels}) {
        tree->error = GL_ETREELEN;
        return -1;
    }
    tree->error = GL_ENOMEM;  // the code of every failure from here but one
    if (min_length < 1 || min_length > long{kMultiMaxLevels} || read_element == nullptr) return -1;
    if (_gl_ext_getc(stream) != kBlank) return -1;
    if (read_element(stream, tree->default_element, tree->data_size) != 0) return -1;
    if (!read_newline(stream)) {
        tree->error = 0;  // the format leaves this one without a code
        return -1;
    }
    tree->max_length = static_cast<uint32_t>(max_length);
    tree->min_length = static_cast<int32_t>(min_length);
    tree->flags = static_cast<uint32_t>(flags) | kMultiLeavesMarked;

    FieldForm element_form{};
    bool length_outside = false;
    // An element reader of the host's own reads field by field; so does a
    // tree whose elements are narrower than its reader's values, which
    // that reader refuses.
    const bool lines = form_of(read_element, &element_form) && element_form.size <= tree->data_size;
    const TreeReader reader{stream,
                            tree,
                            read_element,
                            uint32_t{1} << tree->shift,
                            tree->max_length,
                            static_cast<uint32_t>(tree->min_length),
                            (tree->flags & kMultiCompressed) != 0,
                            lines,
                            element_form,
                            &length_outside};
    if (reader.compressed && !read_shared_arrays(reader)) return -1;
    if (!read_node(reader, tree->root, 1)) return -1;
    // The declared lengths must bound the characters the tree holds: the
    // look-ups walk the minimum length for small values, and the string
    // functions write and scan terminators of that many bytes in buffers
    // sized by the maximum. An empty tree keeps the writer's 0 and 4.
    if (length_outside || (tree->max_length > 0 && reader.min_length > tree->max_length)) {
        tree->error = GL_EFILE;
        return -1;
    }
    // UTF-8 keys make every well-formed sequence of one to four bytes a
    // character, held or not: the declared lengths must cover them all.
    if ((tree->flags & kMultiUtf8Keys) != 0 &&
        (tree->min_length != 1 || tree->max_length < kMultiMaxLevels)) {
        tree->error = GL_EFILE;
        return -1;
    }
    tree->error = 0;
    return 0;
}

}  // namespace gls
