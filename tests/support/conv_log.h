// The library's diagnostic log as the tests read it: the messages written
// since the last reading, without the header each run of the log starts with.
#pragma once

#include <string>
#include <vector>

#include "gls/util/util.h"
#include "tests/support/test_support.h"

namespace gls::testing {

// Reads the log in dir (the process's current directory) and empties it.
inline std::vector<std::string> take_log(const std::string &dir) {
    const std::string path = dir + "/" + kLogFileName;
    std::vector<std::string> lines;
    for (std::string &line : velmorad::testing::lines_of(velmorad::testing::read_file(path))) {
        if (line != "----" && line.rfind("GLS log started", 0) != 0) lines.push_back(line);
    }
    velmorad::testing::write_file(path, "");
    return lines;
}

}  // namespace gls::testing
