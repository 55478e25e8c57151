// A locale compiled by the lccomp program into a temporary directory and
// loaded through the library, for the tests that look at its collation.
#pragma once

#include <string>

#include "gls/load/locale.h"
#include "tests/support/test_support.h"

namespace velmorad::testing {

class CompiledLocale {
  public:
    CompiledLocale() = default;
    ~CompiledLocale();
    CompiledLocale(const CompiledLocale &) = delete;
    CompiledLocale &operator=(const CompiledLocale &) = delete;

    // Compiles source (a path, or a name in the system's sources) with a
    // charmap of the system's; the empty string, or what went wrong.
    std::string compile(const std::string &source, const std::string &charmap);

    // The sign of the locale's string collation of a and b.
    int order(const std::string &a, const std::string &b) const;
    // The locale's sort key of s.
    std::string key(const std::string &s) const;
    gls::Locale *locale() const { return loc_; }

  private:
    TempDir dir_;
    gls::Locale *loc_ = nullptr;
};

}  // namespace velmorad::testing
