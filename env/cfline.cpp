// The configuration-file line reader and the split of a setting line.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "env/env.h"
#include "os_layer/os_layer.h"

namespace velmorad {

namespace {

enum class LineState { kStart, kComment, kInLine };

constexpr int kLineGrowth = 128;
constexpr unsigned char kEndOfData = 0xFF;

// Grows the caller's buffer by one step; on failure the caller's pointer is
// null and its size 0.
bool grow(char **buf, int *size) {
    int new_size = *size + kLineGrowth;
    auto *grown = static_cast<char *>(std::realloc(*buf, static_cast<size_t>(new_size)));
    if (grown == nullptr) {
        std::free(*buf);
        *buf = nullptr;
        *size = 0;
        return false;
    }
    *buf = grown;
    *size = new_size;
    return true;
}

// 0xFF never counts as a blank, whatever the class table says of it.
bool is_blank(char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte != kEndOfData && is_space_byte(byte);
}

// The descriptor's bytes read a block at a time. What was read past the
// last byte taken is given back with a seek when the reader goes, so the
// descriptor stays exactly after it; one that cannot seek (a pipe) is read
// a byte at a time instead.
class FdBytes {
  public:
    explicit FdBytes(int fd) : fd_(fd), block_size_(qmx_lseek(fd, 0, SEEK_CUR) < 0 ? 1 : kBlock) {}
    ~FdBytes() {
        if (end_ > next_) (void)qmx_lseek(fd_, -static_cast<off_t>(end_ - next_), SEEK_CUR);
    }
    FdBytes(const FdBytes &) = delete;
    FdBytes &operator=(const FdBytes &) = delete;

    // The bytes in hand (at least one), or null at the end of input.
    const unsigned char *peek(size_t *available) {
        if (next_ == end_) {
            const ssize_t got = qmx_read(fd_, block_, block_size_);
            if (got < 1) return nullptr;
            next_ = 0;
            end_ = static_cast<size_t>(got);
        }
        *available = end_ - next_;
        return block_ + next_;
    }
    void skip(size_t count) { next_ += count; }

  private:
    static constexpr size_t kBlock = 256;
    int fd_;
    size_t block_size_;
    size_t next_ = 0;
    size_t end_ = 0;
    unsigned char block_[kBlock];
};

}  // namespace

namespace {

// Where a line's text ends among n bytes: its newline or the end-of-data
// byte; n when neither is there.
size_t text_end(const unsigned char *bytes, size_t n) {
    size_t at = 0;
    while (at < n && bytes[at] != '\n' && bytes[at] != kEndOfData)
        ++at;
    return at;
}

}  // namespace

// A line's bytes are taken a run at a time from the block in hand: a
// comment up to its newline, a setting up to its newline or the end-of-data
// byte. The buffer grows in the same steps, at the same byte, as it would
// for one byte at a time.
int _ggetcfline(int fd, char **buf, int *size, int *lineno) {
    LineState state = LineState::kStart;
    int count = 0;
    FdBytes bytes(fd);
    for (;;) {
        size_t n = 0;
        const unsigned char *p = bytes.peek(&n);
        if (p == nullptr) return kLineEnd;
        switch (state) {
            case LineState::kStart:
                bytes.skip(1);
                ++*lineno;
                if (p[0] == '#') {
                    state = LineState::kComment;
                } else if (p[0] != '\n') {
                    (*buf)[0] = static_cast<char>(p[0]);
                    count = 1;
                    state = LineState::kInLine;
                }
                break;
            case LineState::kComment: {
                const auto *newline = static_cast<const unsigned char *>(std::memchr(p, '\n', n));
                if (newline == nullptr) {
                    bytes.skip(n);
                } else {
                    bytes.skip(static_cast<size_t>(newline - p) + 1);
                    state = LineState::kStart;
                }
                break;
            }
            case LineState::kInLine: {
                const size_t run = text_end(p, n);
                size_t stored = 0;
                while (stored < run) {
                    if (*size - 1 <= count && !grow(buf, size)) {
                        bytes.skip(stored + 1);  // the byte that did not fit was taken
                        return kLineNoMemory;
                    }
                    const size_t fits =
                        std::min(run - stored, static_cast<size_t>(*size - 1 - count));
                    std::memcpy(*buf + count, p + stored, fits);
                    stored += fits;
                    count += static_cast<int>(fits);
                }
                if (run == n) {
                    bytes.skip(n);
                    break;
                }
                bytes.skip(run + 1);
                (*buf)[count] = '\0';
                return p[run] == '\n' ? kLineRead : kLineEnd;
            }
        }
    }
}

void split_setting(char *line, char **name, char **value) {
    *name = line;
    char *p = line;
    while (*p != '\0' && !is_blank(*p))
        ++p;
    if (*p != '\0') {
        *p++ = '\0';
        while (*p != '\0' && is_blank(*p))
            ++p;
    }
    *value = p;
}

}  // namespace velmorad
