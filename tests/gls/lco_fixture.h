// Locale object files for the loader's tests, made with the section and
// file writers in a temporary installation directory (VELMORADDIR points
// at it while the fixture lives), and a few ways to look at what loaded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gls/load/locale.h"
#include "gls/load/writer/lco_file_writer.h"
#include "gls/load/writer/text_writer.h"
#include "tests/support/owners.h"
#include "tests/support/test_support.h"

namespace gls::testing {

// A fresh null locale; fails the test when none could be made.
LocalePtr null_locale();

// The classification section of a single-byte locale: ASCII letters with
// case pairs, digits, blanks and punctuation (no character at all with
// no_characters); the sample time section has two eras and four
// alternative digits.
std::string ctype_section(bool no_characters = false);
TimeSource sample_time();

// A file of the given code set holding the sample sections of the given
// categories, in category order (collation: one level in byte order); with_time puts another time
// section in.
LcoFile sample_file(const std::string &code_set = "8859-1",
                    const std::vector<int> &categories = {kCatCtype, kCatCollate, kCatNumeric,
                                                          kCatMonetary, kCatTime, kCatMessages});
// Puts a section of the file in place of the sample one.
void replace_section(LcoFile &file, int category, const std::string &text);
LcoFile with_time(const TimeSource &time);

class LcoInstallation {
  public:
    LcoInstallation();                                // and sets VELMORADDIR
    std::string path(const std::string &name) const;  // <dir>/gls/lc11/<name>
    void write(const std::string &name, const LcoFile &file, const LcoDamage &damage = {}) const;
    void write_text(const std::string &name, const std::string &text) const;

    // Writes the file and loads every category of a null locale from it.
    LocalePtr load(const std::string &name, const LcoFile &file = sample_file()) const;

  private:
    velmorad::testing::TempDir dir_;
};

// What a setlocale call gave: the name string (owned copy) or nullopt.
struct LoadResult {
    bool loaded = false;
    std::string names;
    uint32_t error = 0;
};
LoadResult set_locale(Locale *loc, int category, const char *spec);

// The text of a locale string up to its terminator ("" for null).
std::string text_of(const char *text);
std::string text_of(const gl_wchar_t *text);

// A stream, opened through the host, over a file holding `text`.
class FileStream {
  public:
    explicit FileStream(const std::string &text, const char *mode = "r");
    ~FileStream();
    FileStream(const FileStream &) = delete;
    FileStream &operator=(const FileStream &) = delete;
    FILE *get() const { return stream_; }
    std::string rest() const;  // what is left unread

  private:
    velmorad::testing::TempDir dir_;
    FILE *stream_ = nullptr;
};

}  // namespace gls::testing
