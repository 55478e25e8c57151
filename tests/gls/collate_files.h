// Collation sections written with the section writer, read back through a
// real file into a null locale, and the derived lists as plain strings.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gls/load/locale.h"
#include "gls/load/writer/collate_writer.h"
#include "tests/support/owners.h"

namespace gls::testing {

struct CollateRead {
    LocalePtr loc;       // null only when the locale could not be made
    int status = -2;     // of read_collate
    uint32_t error = 0;  // the locale's error number afterwards
    std::string rest;    // what the reader left in the stream
};

// The writer's text for a source; fails the test when the writer refuses.
std::string section_text(const CollationSource &source);

// Reads `text`, placed after the section marker in a file, with
// read_collate into a fresh null locale. The error number is set to
// `error_before` first, to see whether the reader touches it, and
// `before_read` runs just before the reader.
CollateRead read_section(const std::string &text, uint32_t error_before = 0,
                         const std::function<void()> &before_read = {});

using Strings = std::vector<std::string>;
using Pairs = std::vector<std::pair<std::string, std::string>>;

// The section's lists, each string read up to its zero bytes (which the
// test checks are there); empty when the list is absent.
Strings all_ones_of(const CollateSection &coll);
Pairs equivalences_of(const CollateSection &coll);

}  // namespace gls::testing
