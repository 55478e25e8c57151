// The tree builder and writer. Run lists are chosen for the least reading
// work: entries equal to the prefill are skipped, repeated values and short
// repeated patterns become one record with a repeat count, the rest literal
// records, and a record costs a reader far more than a few characters.
#include "gls/tree/tree_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>

namespace gls {

namespace {

constexpr size_t kFanout = kMultiFanout;
constexpr uint32_t kMaxKeyLength = kMultiMaxLevels;
constexpr int kStartDigits = 2;
constexpr int kLengthDigits = 3;
constexpr int kRepeatDigits = 3;
constexpr int kFlagDigits = 2;
constexpr int kUb2Digits = 4;
constexpr int kWcharDigits = 8;
constexpr int kByteDigits = 2;
constexpr uint32_t kMaxRunField = 0xFFF;  // three hexadecimal digits
// Start, length and repeat count, and the newline.
constexpr size_t kRecordOverhead = kStartDigits + kLengthDigits + kRepeatDigits + 1;
// Every record is a line: one more call into the host's line reader, here
// and wherever a loader skips the section on its way to another marker.
// Measured: a line costs about what thirty characters of values cost to read.
constexpr size_t kLineCost = 32;
constexpr size_t kRecordCost = kRecordOverhead + kLineCost;
// Patterns longer than this gain too little to be worth the search.
constexpr size_t kMaxPattern = 4;
constexpr const char *kListEnd = "0000000\n";

void append_hex(std::string &out, uint32_t value, int digits) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += kDigits[(value >> shift) & 0xF];
}

void write_ub2(const uint8_t *element, uint32_t /*data_size*/, std::string &out) {
    uint16_t value = 0;
    std::memcpy(&value, element, sizeof value);
    append_hex(out, value, kUb2Digits);
}

void write_wchar(const uint8_t *element, uint32_t /*data_size*/, std::string &out) {
    uint32_t value = 0;
    std::memcpy(&value, element, sizeof value);
    append_hex(out, value, kWcharDigits);
}

void write_cv_record(const uint8_t *element, uint32_t data_size, std::string &out) {
    const uint32_t count = std::min<uint32_t>(element[0] & kCvRecordCountMask, data_size - 1);
    append_hex(out, element[0], kByteDigits);
    for (uint32_t i = 1; i <= count; ++i)
        append_hex(out, element[i], kByteDigits);
}

// The 256 entries of a flag array (flag values) or of a data array (element
// numbers, 0 being the default element); 0 is what the reader prefills.
using Entries = std::array<uint32_t, kFanout>;

struct BuildNode {
    Entries flags{};
    Entries elements{};
    std::map<uint8_t, std::unique_ptr<BuildNode>> children;

    bool has_flags() const {
        return std::any_of(flags.begin(), flags.end(), [](uint32_t f) { return f != 0; });
    }
    bool has_data() const {
        return std::any_of(elements.begin(), elements.end(), [](uint32_t e) { return e != 0; });
    }
};

struct Record {
    uint32_t length = 0;  // 0: skip one prefilled entry
    uint32_t repeat = 0;
};

// Writes one tree: numbers its distinct elements, builds the trie, and
// spells run lists (remembering each, since identical arrays are common).
class TextWriter {
  public:
    TextWriter(const TreeBuilder &builder, std::string &out) : builder_(builder), out_(out) {
        spelled_.emplace_back();
        builder.form().write(builder.default_element().data(), builder.form().data_size,
                             spelled_.back());
        element_numbers_[builder.default_element()] = 0;
        for (const auto &[key, element] : builder.entries())
            add(key, element);
    }

    void write(TreeText text) {
        const bool compressed = text == TreeText::kCompressed;
        const uint32_t flags = kMultiLeavesMarked | (compressed ? kMultiCompressed : 0) |
                               (builder_.utf8_keys() ? kMultiUtf8Keys : 0);
        out_ += std::to_string(builder_.max_length()) + ' ' +
                std::to_string(builder_.min_length()) + ' ' + std::to_string(flags) + ' ' +
                spelled_[0] + '\n';
        if (compressed) {
            write_compressed();
        } else {
            write_plain(root_);
        }
    }

  private:
    uint32_t number_of(const TreeElement &element) {
        auto [it, added] = element_numbers_.try_emplace(element, spelled_.size());
        if (added) {
            spelled_.emplace_back();
            builder_.form().write(element.data(), builder_.form().data_size, spelled_.back());
        }
        return it->second;
    }

    void add(const std::string &key, const TreeElement &element) {
        BuildNode *node = &root_;
        for (size_t i = 0; i + 1 < key.size(); ++i) {
            const auto byte = static_cast<uint8_t>(key[i]);
            node->flags[byte] = kMultiContinues;
            auto &child = node->children[byte];
            if (!child) child = std::make_unique<BuildNode>();
            node = child.get();
        }
        const auto last = static_cast<uint8_t>(key.back());
        node->flags[last] = kMultiEnds;
        node->elements[last] = number_of(element);
    }

    size_t width(bool flags, uint32_t value) const {
        return flags ? kFlagDigits : spelled_[value].size();
    }

    void spell(bool flags, uint32_t value) {
        if (flags) {
            append_hex(out_, value, kFlagDigits);
        } else {
            out_ += spelled_[value];
        }
    }

    // The cheapest cover of the entries by records, from the end backwards.
    std::array<Record, kFanout> plan(const Entries &entries, bool flags) const {
        std::array<size_t, kFanout + 1> widths{};
        for (size_t i = 0; i < kFanout; ++i)
            widths[i] = width(flags, entries[i]);
        std::array<size_t, kFanout + 1> best{};
        std::array<Record, kFanout> choice{};
        best[kFanout] = 0;
        for (size_t i = kFanout; i-- > 0;) {
            best[i] = std::numeric_limits<size_t>::max();
            auto consider = [&](size_t cost, Record record) {
                if (cost < best[i]) {
                    best[i] = cost;
                    choice[i] = record;
                }
            };
            if (entries[i] == 0) consider(best[i + 1], Record{});
            size_t literal = kRecordCost;
            for (size_t end = i + 1; end <= kFanout; ++end) {
                literal += widths[end - 1];
                consider(literal + best[end], Record{static_cast<uint32_t>(end - i), 1});
            }
            size_t pattern = kRecordCost;
            for (size_t length = 1; length <= kMaxPattern && i + 2 * length <= kFanout; ++length) {
                pattern += widths[i + length - 1];
                for (size_t repeat = 2; i + repeat * length <= kFanout; ++repeat) {
                    const size_t from = i + (repeat - 1) * length;
                    if (!std::equal(entries.begin() + i, entries.begin() + i + length,
                                    entries.begin() + from)) {
                        break;
                    }
                    consider(pattern + best[from + length],
                             Record{static_cast<uint32_t>(length), static_cast<uint32_t>(repeat)});
                }
            }
        }
        return choice;
    }

    void write_runs(const Entries &entries, bool flags) {
        auto &memo = flags ? flag_lists_ : data_lists_;
        auto known = memo.find(entries);
        if (known != memo.end()) {
            out_ += known->second;
            return;
        }
        const size_t begin = out_.size();
        const auto choice = plan(entries, flags);
        for (size_t i = 0; i < kFanout;) {
            const Record record = choice[i];
            if (record.length == 0) {
                ++i;
                continue;
            }
            static_assert(kFanout <= kMaxRunField);
            append_hex(out_, static_cast<uint32_t>(i), kStartDigits);
            append_hex(out_, record.length, kLengthDigits);
            append_hex(out_, record.repeat, kRepeatDigits);
            for (size_t k = i; k < i + record.length; ++k)
                spell(flags, entries[k]);
            out_ += '\n';
            i += size_t{record.length} * record.repeat;
        }
        out_ += kListEnd;
        memo.emplace(entries, out_.substr(begin));
    }

    void write_plain(const BuildNode &node) {
        const bool has_flags = node.has_flags();
        const bool has_data = node.has_data();
        out_ += has_flags ? "1 " : "0 ";
        out_ += has_data ? "1\n" : "0\n";
        if (has_flags) write_runs(node.flags, true);
        if (has_data) write_runs(node.elements, false);
        for (const auto &[byte, child] : node.children)
            write_plain(*child);
    }

    // Shared arrays are numbered by how many nodes use them, most used
    // first (then in the order nodes first use them): every node line names
    // its arrays, and short numbers are fewer characters to read.
    void count_arrays(const BuildNode &node) {
        if (node.has_flags()) count_use(flag_uses_, flag_order_, node.flags);
        if (node.has_data()) count_use(data_uses_, data_order_, node.elements);
        for (const auto &[byte, child] : node.children)
            count_arrays(*child);
    }

    static void count_use(std::map<Entries, size_t> &uses, std::vector<const Entries *> &order,
                          const Entries &entries) {
        if (uses[entries]++ == 0) order.push_back(&entries);
    }

    static void number_by_use(const std::map<Entries, size_t> &uses,
                              std::vector<const Entries *> &order,
                              std::map<Entries, size_t> &indexes) {
        std::stable_sort(order.begin(), order.end(), [&uses](const Entries *a, const Entries *b) {
            return uses.at(*a) > uses.at(*b);
        });
        for (size_t i = 0; i < order.size(); ++i)
            indexes.emplace(*order[i], i);
    }

    void number_arrays() {
        count_arrays(root_);
        number_by_use(flag_uses_, flag_order_, flag_indexes_);
        number_by_use(data_uses_, data_order_, data_indexes_);
    }

    void write_compressed_node(const BuildNode &node) {
        const bool has_flags = node.has_flags();
        const bool has_data = node.has_data();
        const long flag_index = has_flags ? static_cast<long>(flag_indexes_.at(node.flags)) : -1;
        const long data_index = has_data ? static_cast<long>(data_indexes_.at(node.elements)) : -1;
        out_ += std::string(has_flags ? "1 " : "0 ") + (has_data ? "1 " : "0 ") +
                std::to_string(flag_index) + ' ' + std::to_string(data_index) + '\n';
        for (const auto &[byte, child] : node.children)
            write_compressed_node(*child);
    }

    void write_compressed() {
        number_arrays();
        out_ +=
            std::to_string(flag_order_.size()) + ' ' + std::to_string(data_order_.size()) + '\n';
        for (const Entries *flags : flag_order_)
            write_runs(*flags, true);
        for (const Entries *data : data_order_)
            write_runs(*data, false);
        write_compressed_node(root_);
    }

    const TreeBuilder &builder_;
    std::string &out_;
    BuildNode root_;
    std::map<TreeElement, uint32_t> element_numbers_;
    std::vector<std::string> spelled_;  // by element number
    std::map<Entries, std::string> flag_lists_;
    std::map<Entries, std::string> data_lists_;
    std::map<Entries, size_t> flag_uses_;
    std::map<Entries, size_t> data_uses_;
    std::map<Entries, size_t> flag_indexes_;
    std::map<Entries, size_t> data_indexes_;
    std::vector<const Entries *> flag_order_;
    std::vector<const Entries *> data_order_;
};

}  // namespace

ElementForm ub2_form() {
    return {sizeof(uint16_t), ub2_reader, write_ub2};
}

ElementForm wchar_form() {
    return {sizeof(uint32_t), _gl_read_gl_wchar, write_wchar};
}

ElementForm cv_record_form(uint32_t target_max_length) {
    return {target_max_length + 1, cv_record_reader, write_cv_record};
}

TreeElement ub2_element(uint16_t value) {
    TreeElement element(sizeof value);
    std::memcpy(element.data(), &value, sizeof value);
    return element;
}

TreeElement wchar_element(uint32_t value) {
    TreeElement element(sizeof value);
    std::memcpy(element.data(), &value, sizeof value);
    return element;
}

TreeElement cv_record_element(uint32_t target_max_length, std::string_view output,
                              uint8_t extra_flags) {
    if (output.size() > target_max_length || output.size() > kCvRecordCountMask) return {};
    TreeElement record(target_max_length + 1, 0);
    record[0] = static_cast<uint8_t>((extra_flags & ~kCvRecordCountMask) | output.size());
    std::memcpy(record.data() + 1, output.data(), output.size());
    return record;
}

std::string wchar_key(uint32_t wc, uint32_t length) {
    std::string key;
    for (uint32_t i = length; i-- > 0;)
        key += static_cast<char>((wc >> (8 * i)) & 0xFF);
    return key;
}

TreeBuilder::TreeBuilder(ElementForm form, TreeElement default_element)
    : form_(form), default_(std::move(default_element)) {
    if (default_.size() != form_.data_size) default_.assign(form_.data_size, 0);
}

TreeAddStatus TreeBuilder::add(std::string_view key, const TreeElement &element) {
    if (key.empty() || key.size() > kMaxKeyLength) return TreeAddStatus::kBadKeyLength;
    if (element.size() != form_.data_size) return TreeAddStatus::kBadElementSize;
    std::string owned(key);
    if (entries_.count(owned) != 0) return TreeAddStatus::kDuplicateKey;
    // A longer key starting with this one sorts right after it.
    auto after = entries_.lower_bound(owned);
    if (after != entries_.end() && after->first.compare(0, owned.size(), owned) == 0)
        return TreeAddStatus::kPrefixConflict;
    for (size_t length = 1; length < owned.size(); ++length) {
        if (entries_.count(owned.substr(0, length)) != 0) return TreeAddStatus::kPrefixConflict;
    }
    entries_.emplace(std::move(owned), element);
    return TreeAddStatus::kOk;
}

uint32_t TreeBuilder::max_length() const {
    size_t longest = 0;
    for (const auto &[key, element] : entries_)
        longest = std::max(longest, key.size());
    return static_cast<uint32_t>(longest);
}

uint32_t TreeBuilder::min_length() const {
    size_t shortest = kMaxKeyLength;
    for (const auto &[key, element] : entries_)
        shortest = std::min(shortest, key.size());
    return static_cast<uint32_t>(shortest);
}

void TreeBuilder::write(TreeText text, std::string &out) const {
    TextWriter(*this, out).write(text);
}

std::string TreeBuilder::text(TreeText text) const {
    std::string out;
    write(text, out);
    return out;
}

}  // namespace gls
