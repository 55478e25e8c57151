// Shared helpers of the test suite: temporary directories, files, whole
// installations, and running the built programs.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmorad::testing {

// A directory under $TMPDIR removed with everything in it at destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Writes a file, creating its parent directories.
void write_file(const std::string &path, const std::string &content);
std::string read_file(const std::string &path);
void make_dirs(const std::string &path);
// The names in a directory, sorted; none when it cannot be read.
std::vector<std::string> entries_of(const std::string &dir);

// The lines of a text (a diagnostic log, a program's output), all of them or
// those that contain a piece; the fields of a line split at a separator.
std::vector<std::string> lines_of(std::string_view text);
std::vector<std::string> lines_with(std::string_view text, std::string_view piece);
std::vector<std::string> fields_of(std::string_view line, char separator = '\t');

// A table of cases kept as a text file under tests/fixtures: one row a line,
// fields separated by " | " (no field holds a "|"), "#" lines and blank
// lines skipped. The escapes
// \n, \t, \\ and \xHH in a field stand for their bytes.
struct FixtureRow {
    std::string where;  // "tests/fixtures/NAME:LINE", for failure messages
    std::vector<std::string> fields;
};
std::vector<FixtureRow> fixture_rows(const std::string &name);
// A field with those escapes replaced by their bytes.
std::string unescaped(std::string_view field);

// The build tree's installation directory and source tree.
std::string build_installation();
std::string source_dir();

// The locales the build compiles, as data/locales.list names them: the
// locale source and the charmap, in the list's order.
struct ListedLocale {
    std::string source;   // "de_DE", "de_DE@euro"
    std::string charmap;  // "ISO-8859-1", which the registry also names
    // "de_DE.ISO-8859-15@euro": the specification that names the locale.
    std::string spec() const;
    // Whether the source is the project's own (data/locales), which the C
    // library has no compilation of.
    bool own_source() const;
    // "de_DE_ISO_8859_15_euro", for test names.
    std::string test_name() const;
};
std::vector<ListedLocale> listed_locales();

// Makes a complete installation directory at `dir` from the build tree's:
// data files are linked, not copied, so tests that need their own data can
// replace single files.
void make_installation(const std::string &dir);

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Environment for a child: starts from a minimal set (PATH, and under a
// sanitizer its options) plus what the test sets; nothing else leaks in.
using Environment = std::map<std::string, std::string>;

// Runs a program with arguments in a directory and returns what it did.
RunResult run_program(const std::string &program, const std::vector<std::string> &args,
                      const Environment &env, const std::string &cwd = {},
                      const std::string &input = {});

// An environment that makes `home` the home directory of the current user
// through a preloaded fake password database (an empty `home` leaves the
// user without an entry); nullopt when that library is not installed.
std::optional<Environment> fake_passwd_env(const std::string &dir, const std::string &home);

}  // namespace velmorad::testing
