// Services every reader of the library's data files shares: the diagnostic
// log, the search for a data file, the token readers of the text formats,
// and allocation through the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>

#include "gls/host/host.h"

namespace gls {

// Diagnostics. The flags are set once, by the first message.
extern int gls_debug_initialized;
extern int gls_logging;  // append messages to "gls.log" in the current directory
extern int gls_popups;   // echo messages to standard output

inline constexpr const char *kLogFileName = "gls.log";

// Reports one diagnostic line. Failures to write the log are ignored.
void gl_message(const char *text);
// Reads GLSLOG and GLSDEBUG; a value starting with "on" in any case turns
// the log or the echo on.
void gl_init_debug();

// How a search allocates, releases, opens and closes.
struct GlFileOps {
    void *(*alloc)(size_t size);
    void (*release)(void *block);
    FILE *(*open)(const char *path, const char *mode);
    int (*close)(FILE *stream);
};
// Through the host callbacks: locale objects, conversion files, extension data.
extern const GlFileOps gl_ext_functions;
// Straight to the C library: the code-set registry, whose cache outlives any host.
extern const GlFileOps gl_reg_functions;

// Data-file search. Every attempt is reported through gl_message, and a
// failure leaves GL_ENOMEM or GL_EFILE in the context.
inline constexpr int kPathBufferSize = 1024;
inline constexpr size_t kMaxInstallDirLength = 256;
inline constexpr const char *kDefaultInstallDirectory = "/usr/velmorad/";
inline constexpr const char *kInstallDirVariable = "VELMORADDIR";
inline constexpr const char *kSearchPathVariable = "GL_PATH";

FILE *open_file(void *context, const char *path, const GlFileOps *table);
// Opens a name that carries its directories, with 0xFF standing for "/".
FILE *gl_open_file(void *context, const char *name);
// Replaces *rpath by a copy of directory; 0, or 1 when out of memory.
[[nodiscard]] int gl_fix_rpath(void *context, char **rpath, const char *directory,
                               const GlFileOps *table);
// Searches GL_PATH, else <installation>/gls/<subdir><version> and then
// <installation>/gls/<subdir>. *rpath (owned by the caller, released with
// the table) is left holding the directory of the last attempt.
FILE *gl_path_search1(void *context, const char *name, char **rpath, const char *subdir,
                      const char *version, const GlFileOps *table);
FILE *gl_path_search(void *context, const char *name, const char *subdir, const char *version);
FILE *gl_path_search_no_ext(void *context, const char *name, const char *subdir,
                            const char *version);
// Takes ownership of initial_dir (from _gl_alloc_ptr, or null) and returns
// the directory in which name was found (release with _gl_free_ptr), or null.
[[nodiscard]] char *gl_path_search_rpath(char *initial_dir, void *context, const char *name,
                                         const char *subdir, const char *version);

// Token readers of the text data formats. End of input is -1.
int _gl_skip_nl(FILE *stream);
void _gl_skip_space_if_needed(FILE *stream);
int _gl_get_hex_digit(FILE *stream);
int _gl_get_hex_byte(FILE *stream);
uint32_t _gl_get_hex(FILE *stream, int count);
long _gl_get_int(FILE *stream);
// _gl_get_int for a line of several numbers read in one pass: *ahead holds
// the character read before the number and receives the one after it,
// which _gl_get_int would push back into the stream.
long _gl_get_int_ahead(FILE *stream, int *ahead);
double _gl_get_dbl(FILE *stream);
// Strict forms of the two fields above, for readers that must tell a
// damaged field from a value: two hexadecimal digits; and a decimal integer
// after at most one blank (an optional sign, at least one digit) that fits
// 32 bits, the character after it pushed back. False otherwise.
[[nodiscard]] bool _gl_read_hex_byte(FILE *stream, uint8_t *byte);
[[nodiscard]] bool _gl_read_int32(FILE *stream, int32_t *value);
// 0 when the word ended at white space, -1 at end of input or at size - 1.
int _gl_get_str(char *buf, int size, FILE *stream);
// The number of bytes one call of the host's fgets stored in a buffer of
// size bytes that was all newlines before the call, zero bytes included.
size_t fgets_stored_length(const char *buffer, size_t size);

// A buffer for the host's fgets that tells how many bytes a call stored,
// even where a zero byte hides the rest from strlen: outside what the last
// call stored it is kept all newlines, so the line's own newline (followed
// by the terminating zero) is told from the first untouched byte (preceded
// by it). Restoring costs what was stored, not the buffer's size.
template <size_t Size>
class FgetsBuffer {
  public:
    static_assert(Size >= 2 && Size <= INT32_MAX);
    FgetsBuffer() { std::memset(bytes_, '\n', Size); }
    // The next piece of a line: false at the end of input.
    bool read(FILE *stream, size_t *length) {
        std::memset(bytes_, '\n', written_);
        // A failed call may have touched anything.
        written_ = Size;
        if (_gl_ext_fgets(bytes_, static_cast<int>(Size), stream) == nullptr) return false;
        *length = fgets_stored_length(bytes_, Size);
        written_ = *length + 1 < Size ? *length + 1 : Size;
        return true;
    }
    const char *bytes() const { return bytes_; }

  private:
    char bytes_[Size];
    size_t written_ = 0;
};

// Bytes of a stream handed out one at a time, but taken from the host a
// line at a time through its fgets: a character reader without a host call
// per byte. A line is taken only when its first byte is wanted, so once the
// newline has been handed out the stream stands at the next line, as it
// would after getc. Zero bytes inside a line are handed out like others.
class LineReader {
  public:
    explicit LineReader(FILE *stream) : stream_(stream) {}
    int get() {
        if (next_ == end_ && !take_line()) return EOF;
        return static_cast<unsigned char>(line_.bytes()[next_++]);
    }
    // Gives back the byte just taken (never EOF), as ungetc would.
    void unget() {
        if (next_ > 0) --next_;
    }
    // get() until a byte for which keep(byte) is false, which it hands out
    // (or EOF), with one check for the line's end per line, not per byte.
    // The position is kept in locals: keep() may store bytes, which the
    // compiler must otherwise assume change the members.
    template <class Keep>
    int get_past(Keep keep) {
        for (;;) {
            size_t at = next_;
            const size_t end = end_;
            const char *line = line_.bytes();
            while (at != end) {
                const int c = static_cast<unsigned char>(line[at++]);
                if (!keep(c)) {
                    next_ = at;
                    return c;
                }
            }
            next_ = at;
            if (!take_line()) return EOF;
        }
    }

    // Steps over a run of the byte b in the line at hand, eight bytes at a
    // time where it can: the registry's columns are padded with blanks, and
    // every client reads the registry at start-up.
    void skip_run(char b) {
        const char *line = line_.bytes();
        size_t at = next_;
        const uint64_t eight = 0x0101010101010101ULL * static_cast<unsigned char>(b);
        for (uint64_t word = 0; end_ - at >= sizeof word; at += sizeof word) {
            std::memcpy(&word, line + at, sizeof word);
            if (word != eight) break;
        }
        while (at != end_ && line[at] == b)
            ++at;
        next_ = at;
    }

  private:
    bool take_line();
    FILE *stream_;
    size_t next_ = 0;
    size_t end_ = 0;
    FgetsBuffer<128> line_;
};

// Nonzero when the line does not end in a newline (it was cut short).
int check_nl(const char *line);
// Drops the line's final newline: 0, or 1 when there was none.
int replace_nl(char *line);

// The framed header of the library's text data files (locale objects and
// conversions): the file-type line, the version line, a "key=N" line
// counting the header's lines, and N - 3 lines more. Every header line
// holds at most 127 characters before its newline, as the writers write.
inline constexpr int kFramedLineSize = 129;  // 127 characters, the newline, the terminator
enum class FramedHeader {
    kOk,
    kWrongFileType,  // line 1 missing or not the file type
    kNoVersion,      // line 2 missing, too long or without its newline
    kWrongVersion,   // line 2 not the version
    kBadCount,       // line 3 missing, without "=" and digits, or below 3
    kShortHeader,    // a counted line missing, too long or without its newline
};
// One header line into line: false at the end of the file, for a line of
// more than 127 characters and for one without its newline.
[[nodiscard]] bool read_framed_line(FILE *stream, char (&line)[kFramedLineSize]);
// Reads the header up to the line after it; the lines must equal
// file_type_line and version_line, newlines included.
[[nodiscard]] FramedHeader read_framed_header(FILE *stream, const char *file_type_line,
                                              const char *version_line);

// Helpers.
// The host's value of a variable; empty counts as unset.
const char *_gl_get_env_var(const char *name);
// The host's allocator; a size of 0 gives null.
void *_gl_alloc_ptr(size_t size);
void _gl_free_ptr(void *block);
void gl_destroystring(char *string);
// Digits of |value| in base; at least 1.
int _gl_digits(int64_t value, int base);

// Ownership of blocks from _gl_alloc_ptr.
struct HostFree {
    void operator()(void *block) const noexcept { _gl_free_ptr(block); }
};
template <class T>
using HostPtr = std::unique_ptr<T, HostFree>;

// Room for count objects of T, left as the host gives it, for arrays the
// caller fills whole before anything reads them; null when count is 0, the
// size overflows or the host has no memory. T must be a plain record.
template <class T>
[[nodiscard]] HostPtr<T> host_alloc_unfilled(size_t count) {
    static_assert(std::is_trivially_default_constructible_v<T> &&
                  std::is_trivially_destructible_v<T>);
    if (count == 0 || count > SIZE_MAX / sizeof(T)) return HostPtr<T>();
    return HostPtr<T>(static_cast<T *>(_gl_alloc_ptr(count * sizeof(T))));
}

// The same, zero-filled.
template <class T>
[[nodiscard]] HostPtr<T> host_alloc(size_t count = 1) {
    HostPtr<T> block = host_alloc_unfilled<T>(count);
    if (block) std::memset(static_cast<void *>(block.get()), 0, count * sizeof(T));
    return block;
}

// A host-allocated copy of a string; null when out of memory.
[[nodiscard]] HostPtr<char> host_strdup(const char *text);

}  // namespace gls
