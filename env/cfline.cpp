// The configuration-file line reader and the split of a setting line.
#include <cerrno>
#include <cstdlib>

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

}  // namespace

// One read per byte: the files are small, and the descriptor stays exactly
// after the last line returned.
int _ggetcfline(int fd, char **buf, int *size, int *lineno) {
    LineState state = LineState::kStart;
    int count = 0;
    for (;;) {
        unsigned char byte;
        ssize_t got;
        do {
            got = qmx_read(fd, &byte, 1);
        } while (got < 0 && errno == EINTR);
        if (got < 0) return kLineReadError;
        if (got == 0) return kLineEnd;
        switch (state) {
            case LineState::kStart:
                ++*lineno;
                if (byte == '#') {
                    state = LineState::kComment;
                } else if (byte != '\n') {
                    (*buf)[0] = static_cast<char>(byte);
                    count = 1;
                    state = LineState::kInLine;
                }
                break;
            case LineState::kComment:
                if (byte == '\n') state = LineState::kStart;
                break;
            case LineState::kInLine:
                if (byte == '\n' || byte == kEndOfData) {
                    (*buf)[count] = '\0';
                    return byte == '\n' ? kLineRead : kLineEnd;
                }
                if (*size - 1 <= count && !grow(buf, size)) return kLineNoMemory;
                (*buf)[count++] = static_cast<char>(byte);
                break;
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
