// gltool run as a whole program on an installation (the build tree's by
// default), for the cli tests that compare it with other programs.
#pragma once

#include <csignal>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace velmorad::testing {

inline RunResult gltool(const std::vector<std::string> &args, const std::string &input = {},
                        const std::string &installation = build_installation()) {
    // gltool may finish (a usage error, a missing conversion) before it has
    // read the input offered; the write into the closed pipe must not end
    // the test.
    std::signal(SIGPIPE, SIG_IGN);
    return run_program(GLTOOL_BIN, args, {{"VELMORADDIR", installation}}, {}, input);
}

}  // namespace velmorad::testing
