#include "tests/support/rest_message_files.h"

#include <algorithm>
#include <cstdint>

namespace velmorad::testing {

namespace {

void put(std::string *out, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        (*out)[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * (bytes - 1 - i)));
    }
}

}  // namespace

void patch_record(std::string *image, int index, bool long_format, int number, int length,
                  int offset) {
    size_t size = long_format ? 10 : 8;
    size_t at = 4 + static_cast<size_t>(index) * size;
    int number_bytes = long_format ? 4 : 2;
    put(image, at, static_cast<uint32_t>(number), number_bytes);
    put(image, at + static_cast<size_t>(number_bytes), static_cast<uint32_t>(length), 2);
    put(image, at + static_cast<size_t>(number_bytes) + 2, static_cast<uint32_t>(offset), 4);
}

std::string message_file(std::vector<MessageRecord> records, bool long_format) {
    std::sort(records.begin(), records.end(),
              [](const MessageRecord &a, const MessageRecord &b) { return a.number < b.number; });
    size_t size = long_format ? 10 : 8;
    std::string image(4 + records.size() * size, '\0');
    put(&image, 0, long_format ? 0xFE69 : 0xFE68, 2);
    put(&image, 2, static_cast<uint32_t>(records.size()), 2);
    for (size_t i = 0; i < records.size(); ++i) {
        patch_record(&image, static_cast<int>(i), long_format, records[i].number,
                     static_cast<int>(records[i].text.size()), static_cast<int>(image.size()));
        image += records[i].text;
    }
    return image;
}

}  // namespace velmorad::testing
