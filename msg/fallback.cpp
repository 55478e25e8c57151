// The texts that stand in when a message file or a message is missing, and
// the cached text that start-up failures are printed with.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "msg/msg.h"

namespace velmorad {

namespace {

constexpr size_t kMaxIntText = 11;  // "-2147483648"

// Formats one service text with its single argument and copies the result
// back into buf, cut to the buffer and terminated.
template <typename Arg>
void format_into(char *buf, int16_t size, const char *format, Arg arg, size_t extra) {
    if (size < 1) return;
    size_t room = std::strlen(format) + extra + 1;
    auto *tmp = static_cast<char *>(std::malloc(room));
    if (tmp == nullptr) {
        buf[0] = '\0';
        return;
    }
    std::snprintf(tmp, room, format, arg);
    size_t n = std::strlen(tmp);
    if (n >= static_cast<size_t>(size)) n = static_cast<size_t>(size) - 1;
    std::memcpy(buf, tmp, n);
    buf[n] = '\0';
    std::free(tmp);
}

// Fetches a service message into buf and returns the format to use with it.
const char *service_format(int number, char *buf, int16_t size, MsgArgs args) {
    int len = 0;
    int status = rgetlmsg(number, buf, size, &len);
    if (status != 0) return msg_builtin_text(number);
    return msg_usable_format(number, buf, args);
}

}  // namespace

const char *msg_usable_format(int number, const char *text, MsgArgs args) {
    if (text != nullptr && msg_format_fits(text, args)) return text;
    const char *builtin = msg_builtin_text(number);
    return builtin != nullptr ? builtin : "";
}

// The service texts are fetched into the caller's buffer, so that one as
// long as the caller's messages may be is shown whole; format_into formats
// into a block of its own before it writes the buffer again.
void rnofile(int number, char *buf, int16_t size) {
    if (size < 1) return;
    const char *leaf;
    rmkmsgleafname(msg_magnitude(number), &leaf);
    const char *text = service_format(kMsgCannotOpenFile, buf, size, MsgArgs::kString);
    format_into(buf, size, text, leaf, std::strlen(leaf));
}

void rnomsg(int number, char *buf, int16_t size) {
    if (size < 1) return;
    const char *text = service_format(kMsgUnknownNumber, buf, size, MsgArgs::kInt);
    format_into(buf, size, text, number, kMaxIntText);
}

// The cache starts empty and is cleared before each fetch, so a failed
// fetch never shows stale bytes; numbers that start-up can fail with have
// built-in texts for when no message file can be read.
char *mmsgtext(int number) {
    GenControlBlock *block = CheckGenInit();
    if (block == nullptr) return nullptr;
    if (block->text_cache == nullptr) {
        block->text_cache = static_cast<char *>(std::calloc(1, kMsgTextCacheSize));
        if (block->text_cache == nullptr) return nullptr;
    }
    if (block->text_number != number || block->text_number == 0) {
        std::memset(block->text_cache, 0, kMsgTextCacheSize);
        int len = 0;
        int status = rget_lmsg(number, block->text_cache, kMsgTextCacheSize, &len);
        const char *builtin = msg_locale_error_text(number);
        if (status != 0 && status != kMsgTruncated && builtin != nullptr) {
            std::strncpy(block->text_cache, builtin, kMsgTextCacheSize - 1);
        }
        block->text_number = number;
    }
    return block->text_cache;
}

char *_nmsgtext(int number) {
    return mmsgtext(number);
}

}  // namespace velmorad
