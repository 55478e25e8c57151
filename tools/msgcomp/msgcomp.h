// msgcomp: message source text to the binary message files.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace velmorad::tools {

struct SourceMessage {
    int number;
    std::string text;
    std::string file;
    int line;
};

// Reads one message source file and appends its messages. Every fault is
// reported as "file:line: reason"; returns false when there was any.
bool read_message_source(const std::string &path, std::vector<SourceMessage> *out);

// Checks the whole collection (duplicates, formats, sizes). Returns false
// after reporting every fault.
bool check_messages(const std::vector<SourceMessage> &messages);

// The message files' contents, keyed by leaf name, split by the catalogue's
// range table. Returns false after reporting a file that cannot be formed.
bool build_message_files(const std::vector<SourceMessage> &messages,
                         std::map<std::string, std::string> *files);

}  // namespace velmorad::tools
