// Laying out message files: header, index sorted by number, then the texts.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "msg/msg.h"
#include "os_layer/os_layer.h"
#include "tools/common/tool_io.h"
#include "tools/msgcomp/msgcomp.h"

namespace velmorad::tools {

namespace {

void put16(std::string *out, int value) {
    auto v = static_cast<uint16_t>(value);
    out->push_back(static_cast<char>(v >> 8));
    out->push_back(static_cast<char>(v & 0xFF));
}

void put32(std::string *out, int32_t value) {
    unsigned char bytes[4];
    stlong(value, bytes);
    out->append(reinterpret_cast<const char *>(bytes), 4);
}

bool fits_short(const SourceMessage *m) {
    return m->number >= INT16_MIN && m->number <= INT16_MAX;
}

// One file's image; false after reporting why it cannot be formed.
bool lay_out(const std::string &leaf, std::vector<const SourceMessage *> &messages,
             std::string *image) {
    std::sort(messages.begin(), messages.end(),
              [](const SourceMessage *a, const SourceMessage *b) { return a->number < b->number; });
    if (messages.size() > static_cast<size_t>(INT16_MAX)) {
        report(leaf, 0, "more than 32767 messages in one file");
        return false;
    }
    bool is_short = std::all_of(messages.begin(), messages.end(), fits_short);
    int record_size = is_short ? kMsgShortRecord : kMsgLongRecord;
    int64_t offset = kMsgHeaderSize + static_cast<int64_t>(messages.size()) * record_size;
    put16(image, is_short ? kMsgMagicShort : kMsgMagicLong);
    put16(image, static_cast<int>(messages.size()));
    std::string texts;
    for (const SourceMessage *m : messages) {
        if (offset > INT32_MAX) {
            report(m->file, m->line, "message file " + leaf + " grows beyond 2 GiB");
            return false;
        }
        if (is_short) {
            put16(image, m->number);
        } else {
            put32(image, m->number);
        }
        put16(image, static_cast<int>(m->text.size()));
        put32(image, static_cast<int32_t>(offset));
        texts += m->text;
        offset += static_cast<int64_t>(m->text.size());
    }
    *image += texts;
    return true;
}

}  // namespace

bool build_message_files(const std::vector<SourceMessage> &messages,
                         std::map<std::string, std::string> *files) {
    std::map<std::string, std::vector<const SourceMessage *>> by_leaf;
    for (const SourceMessage &m : messages) {
        const char *leaf;
        rmkmsgleafname(msg_magnitude(m.number), &leaf);
        by_leaf[leaf].push_back(&m);
    }
    bool ok = true;
    for (auto &[leaf, list] : by_leaf) {
        std::string image;
        if (lay_out(leaf, list, &image)) {
            (*files)[leaf] = std::move(image);
        } else {
            ok = false;
        }
    }
    return ok;
}

}  // namespace velmorad::tools
