// Naming and checking what lccomp writes.
#pragma once

#include <cstdint>
#include <string>

#include "tools/common/charmap.h"

namespace velmorad::tools {

struct CodeSet {
    std::string name;  // the product's name, for the file's code-set line
    uint16_t number = 0;
};

// The code set of a charmap: the registry's number of the given name, or
// of the charmap's own name or one of its aliases, with the product's name
// for that number. The registry must be cached (gl_cache_registry) first.
[[nodiscard]] bool code_set_of(const Charmap &charmap, const std::string &given, CodeSet *out,
                               std::string *reason);

// "de_de/0333.lco" for locale "de_DE" in code set 819; "de_DE@euro" keeps
// its modifier. False when the naming cannot hold the name.
[[nodiscard]] bool locale_file_name(const std::string &locale_name, const CodeSet &code_set,
                                    std::string *out, std::string *reason);

// Loads every category of the file `name` under `directory` as a program
// would; an empty string when that works, else why not.
std::string load_back(const std::string &directory, const std::string &name);

}  // namespace velmorad::tools
