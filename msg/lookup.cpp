// Looking a message number up in the binary message files: the control
// block, the block-wise binary search of a file's index, and the English
// retry when the normal locale's file fails.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "env/env.h"
#include "locale_env/locale_env.h"
#include "msg/msg.h"
#include "os_layer/os_layer.h"

namespace velmorad {

GenControlBlock *gentcb = nullptr;

namespace {

int16_t load_short(const unsigned char *p) {
    return static_cast<int16_t>(static_cast<uint16_t>((p[0] << 8) | p[1]));
}

// Copies text into buf of size bytes, cut to size - 1 and terminated.
void copy_cut(char *buf, int16_t size, const char *text) {
    if (size < 1) return;
    size_t n = std::strlen(text);
    if (n >= static_cast<size_t>(size)) n = static_cast<size_t>(size) - 1;
    std::memcpy(buf, text, n);
    buf[n] = '\0';
}

void close_message_file(GenControlBlock *block) {
    if (block->msg_fd >= 0) qmx_close(block->msg_fd);
    block->msg_fd = -1;
}

// Reads the text of a positioned message into buf; returns 0, -1232 when
// it had to be cut, or -1231 when the file ends before the text does.
int read_text(int fd, int len, char *buf, int16_t size) {
    int want = size > len ? len : size - 1;
    ssize_t got = want > 0 ? qmx_read(fd, buf, static_cast<size_t>(want)) : 0;
    if (got != want) {
        buf[0] = '\0';
        return kMsgBadIndex;
    }
    buf[want] = '\0';
    return size > len ? 0 : kMsgTruncated;
}

int seek_and_read_text(int number, char *buf, int16_t size, int *len, const char *locale) {
    int fd = -1;
    int status = lrseekmsg_gls(number, len, locale, &fd);
    if (status != 0) return status;
    status = read_text(fd, *len, buf, size);
    if (idx_ggetenv("QMX_FREE_FD", kEnvQMX_FREE_FD) != nullptr) close_message_file(gentcb);
    return status;
}

bool english_only() {
    const char *lang = idx_ggetenv("DBLANG", kEnvDBLANG);
    return lang != nullptr && std::strcmp(lang, kEnglishLocale) == 0;
}

}  // namespace

GenControlBlock *CheckGenInit() {
    if (gentcb != nullptr) return gentcb;
    auto *block = static_cast<GenControlBlock *>(std::calloc(1, sizeof(GenControlBlock)));
    if (block == nullptr) return nullptr;
    block->msg_fd = -1;
    block->aux_fd = -1;
    gentcb = block;
    return block;
}

int rgetlmsg_gls(int number, char *buf, int16_t size, int *len, const char *locale) {
    int init = chkglsinit();
    if (init < 0) {
        if (const char *text = msg_locale_error_text(init)) copy_cut(buf, size, text);
        return init;
    }
    GenControlBlock *block = CheckGenInit();
    if (block == nullptr) return kMsgNoControlBlock;

    int status = seek_and_read_text(number, buf, size, len, locale);
    bool retried = false;
    if (status != 0 && status != kMsgTruncated && !english_only()) {
        block->leaf_name[0] = '\0';
        retried = true;
        status = seek_and_read_text(number, buf, size, len, kEnglishLocale);
    }
    if (retried) {
        block->leaf_name[0] = '\0';
        block->text_number = 0;
    }
    if (status == 0 || status == kMsgTruncated) return status;
    if (status == kMsgCannotOpen) {
        if (number == kMsgCannotOpenFile) return -1;
        rnofile(number, buf, size);
    } else {
        if (number == kMsgUnknownNumber) return -1;
        rnomsg(number, buf, size);
    }
    return status;
}

int rgetlmsg(int number, char *buf, int16_t size, int *len) {
    return rgetlmsg_gls(number, buf, size, len, nullptr);
}

int rget_lmsg(int number, char *buf, int16_t size, int *len) {
    return rgetlmsg_gls(number, buf, size, len, nullptr);
}

int lrseekmsg_gls(int number, int *len, const char *locale, int *fd) {
    GenControlBlock *block = CheckGenInit();
    if (block == nullptr) return kMsgNoControlBlock;
    if (block->block_buf == nullptr) {
        block->block_buf = static_cast<unsigned char *>(std::calloc(1, kMsgBlockBytes));
        if (block->block_buf == nullptr) return kMsgNoControlBlock;
    }
    const char *leaf;
    rmkmsgleafname(msg_magnitude(number), &leaf);
    *fd = -1;
    if (block->msg_fd >= 0 && stcmpr(block->leaf_name, leaf) == 0) {
        int status = gbuf_lookup(number, block->block_records, len, fd);
        if (status != -1) return status;
    } else {
        std::memset(block->block_buf, 0, kMsgBlockBytes);
        block->block_records = 0;
        block->leaf_name[0] = '\0';
        int status = ropenmsg(leaf, locale);
        if (status != 0) return status;
        block->record_size = block->long_format != 0 ? kMsgLongRecord : kMsgShortRecord;
        std::strncpy(block->leaf_name, leaf, kMsgLeafSize - 1);
        block->leaf_name[kMsgLeafSize - 1] = '\0';
        block->records_per_block = block->record_count < kMsgMaxRecordsPerBlock
                                       ? block->record_count
                                       : kMsgMaxRecordsPerBlock;
    }
    return gfind_msg(number, len, fd);
}

int ropenmsg(const char *leaf, const char *locale) {
    GenControlBlock *block = CheckGenInit();
    if (block == nullptr) return kMsgNoControlBlock;
    const char *path = rmsgfname_gls(leaf, locale);
    if (path == nullptr) return kMsgNoPath;
    close_message_file(block);
    block->msg_fd = qmx_open(path, O_RDONLY | O_CLOEXEC, 0);
    if (block->msg_fd < 0) {
        block->msg_fd = -1;
        return kMsgCannotOpen;
    }
    unsigned char header[kMsgHeaderSize];
    bool whole = qmx_read(block->msg_fd, header, sizeof header) == sizeof header;
    auto magic = static_cast<uint16_t>(load_short(header));
    if (!whole || (magic != kMsgMagicShort && magic != kMsgMagicLong)) {
        close_message_file(block);
        return kMsgBadMagic;
    }
    block->record_count = load_short(header + 2);
    if (block->record_count < 0) {
        close_message_file(block);
        return kMsgBadIndex;
    }
    block->long_format = magic == kMsgMagicLong ? 1 : 0;
    return 0;
}

// Binary search over blocks of up to eight records. Only records inside the
// index are read, so text bytes after it are never taken for records.
int gfind_msg(int number, int *len, int *fd) {
    GenControlBlock *block = gentcb;
    int low = 0;
    int high = block->record_count - 1;
    int block_len = block->records_per_block;
    while (low <= high) {
        int mid = low + (high - low) / 2;
        int records = block->record_count - mid < block_len ? block->record_count - mid : block_len;
        off_t offset = kMsgHeaderSize + static_cast<off_t>(mid) * block->record_size;
        size_t bytes = static_cast<size_t>(records) * static_cast<size_t>(block->record_size);
        block->block_records = 0;
        if (qmx_lseek(block->msg_fd, offset, SEEK_SET) != offset ||
            qmx_read(block->msg_fd, block->block_buf, bytes) != static_cast<ssize_t>(bytes)) {
            return kMsgBadIndex;
        }
        block->block_records = records;
        const unsigned char *first = block->block_buf;
        int first_number = block->record_size == kMsgLongRecord ? ldlong(first) : load_short(first);
        if (number >= first_number) {
            int status = gbuf_lookup(number, records, len, fd);
            if (status != -1) return status;
            low = mid + block_len;
        } else {
            high = mid - 1;
        }
    }
    return kMsgNotFound;
}

int gbuf_lookup(int number, int records, int *len, int *fd) {
    GenControlBlock *block = gentcb;
    bool long_format = block->record_size == kMsgLongRecord;
    for (int i = 0; i < records; ++i) {
        const unsigned char *rec = block->block_buf + i * block->record_size;
        int rec_number = long_format ? ldlong(rec) : load_short(rec);
        if (rec_number != number) continue;
        int text_len = load_short(rec + (long_format ? 4 : 2));
        int32_t text_offset = ldlong(rec + (long_format ? 6 : 4));
        if (text_len < 0 || text_offset < 0) return kMsgBadIndex;
        if (qmx_lseek(block->msg_fd, text_offset, SEEK_SET) != text_offset) return kMsgBadIndex;
        *fd = block->msg_fd;
        *len = text_len;
        return 0;
    }
    return -1;
}

}  // namespace velmorad
