// Message files built byte by byte, including broken ones, for the look-up
// tests and envcheck's.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace velmorad::testing {

struct MessageRecord {
    int number;
    std::string text;
};

// A well-formed message file: header, sorted index, then the texts.
std::string message_file(std::vector<MessageRecord> records, bool long_format = true);

// Overwrites the index record `index` of an image with raw field values.
void patch_record(std::string *image, int index, bool long_format, int number, int length,
                  int offset);

}  // namespace velmorad::testing
