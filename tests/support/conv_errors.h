// The library's error numbers by their names, for fixture rows: "-" is a
// cell left as it was (kUntouched), "0" and "ok" none.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "gls/errors/errors.h"

namespace gls::testing {

inline constexpr uint32_t kUntouched = 99;

inline uint32_t error_named(const std::string &name) {
    static const std::map<std::string, uint32_t> kErrors = {{"-", kUntouched},
                                                            {"0", 0},
                                                            {"ok", 0},
                                                            {"EILSEQ", GL_EILSEQ},
                                                            {"ENOMEM", GL_ENOMEM},
                                                            {"EINVAL", GL_EINVAL},
                                                            {"EFILE", GL_EFILE},
                                                            {"EBADREG", GL_EBADREG},
                                                            {"E2BIG", GL_E2BIG},
                                                            {"ENOREG", GL_ENOREG},
                                                            {"ETREELEN", GL_ETREELEN}};
    return kErrors.at(name);
}

}  // namespace gls::testing
