// The words for the library's error numbers, one table for the library and
// every tool. The numbers are declared where they arise (host, tree, names,
// load, format), so this folder sits above all of them.
#pragma once

#include <cstdint>

namespace gls {

// What an error number left in a locale object, a conversion descriptor or
// an error cell means, in a few words; null for a number the library does
// not use. Some numbers mean one thing to one reader and another to another
// (11 is a malformed registry to the registry and a short file to the
// locale loader); their words cover both.
const char *gl_strerror(uint32_t error);

}  // namespace gls
