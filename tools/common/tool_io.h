// What every data tool shares: errors reported as "file:line: reason", and
// output files that appear whole or not at all.
#pragma once

#include <string>
#include <string_view>

namespace velmorad::tools {

// Prints "file:line: reason" (or "file: reason" for line 0) on standard error.
void report(std::string_view file, int line, std::string_view reason);

// Writes data to path through a temporary file in the same directory that
// is renamed into place, so a failure never leaves a partial file behind.
// Returns an empty string on success, else the reason it failed.
std::string write_file_atomically(const std::string &path, std::string_view data);

}  // namespace velmorad::tools
