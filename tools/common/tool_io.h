// What every data tool shares: errors reported as "file:line: reason", and
// output files that appear whole or not at all.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace velmorad::tools {

// The library's words for one of its error numbers (gls::gl_strerror), or
// the number itself when the library does not name it.
std::string error_words(uint32_t error);

// Prints "file:line: reason" (or "file: reason" for line 0) on standard error.
void report(std::string_view file, int line, std::string_view reason);

// The directory part of a path ("." when it has none) and its last part.
std::string directory_of(const std::string &path);
std::string leaf_of(const std::string &path);

// Writes data to path through a temporary file in the same directory that
// is renamed into place, so a failure never leaves a partial file behind.
// Returns an empty string on success, else the reason it failed.
std::string write_file_atomically(const std::string &path, std::string_view data);

// A directory made beside a tool's output, where the new file is written
// and checked before it is moved into place; removed with what is left in
// it when the tool is done.
class Staging {
  public:
    // near: the directory to make it in; tool: the name it begins with.
    Staging(const std::string &near, std::string_view tool);
    ~Staging();
    Staging(const Staging &) = delete;
    Staging &operator=(const Staging &) = delete;

    // Empty when the directory could not be made.
    const std::string &dir() const { return dir_; }
    // Writes the file leaf in the directory; the reason on failure.
    std::string write(const std::string &leaf, std::string_view text);
    // Moves the file written last to path.
    bool move_to(const std::string &path);

  private:
    std::string dir_;
    std::string file_;
};

// A file written as a stream under a temporary name beside its path, and
// renamed into place only by commit(): a run that fails half-way leaves
// the old file as it was.
class AtomicFile {
  public:
    explicit AtomicFile(std::string path) : path_(std::move(path)) {}
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Makes the temporary file; the reason on failure.
    std::string open();
    FILE *stream() const { return stream_; }
    // Flushes, syncs and renames into place (with the mode of the file it
    // replaces, or the default mode); the reason on failure.
    std::string commit();

  private:
    std::string path_;
    std::string temporary_;
    FILE *stream_ = nullptr;
};

}  // namespace velmorad::tools
