// The message catalogue: binary message files found by number, with the
// English retry and built-in fallbacks, and the choice of file and directory.
#pragma once

#include <climits>
#include <cstdint>

namespace velmorad {

// Statuses of the catalogue.
inline constexpr int kMsgNoControlBlock = -406;
inline constexpr int kMsgCannotOpen = -1227;
inline constexpr int kMsgNotFound = -1228;
inline constexpr int kMsgBadMagic = -1229;
inline constexpr int kMsgNoPath = -1230;
inline constexpr int kMsgBadIndex = -1231;
inline constexpr int kMsgTruncated = -1232;

// Service messages of the catalogue itself.
inline constexpr int kMsgCannotOpenFile = 32765;
inline constexpr int kMsgUnknownNumber = 32766;

// File format.
inline constexpr uint16_t kMsgMagicShort = 0xFE68;
inline constexpr uint16_t kMsgMagicLong = 0xFE69;
inline constexpr int kMsgHeaderSize = 4;
inline constexpr int kMsgShortRecord = 8;
inline constexpr int kMsgLongRecord = 10;
inline constexpr int kMsgMaxRecordsPerBlock = 8;
inline constexpr int kMsgBlockBytes = kMsgMaxRecordsPerBlock * kMsgLongRecord;
inline constexpr int kMsgTextCacheSize = 160;
inline constexpr int kMsgPathSize = 260;
inline constexpr int kMsgLeafSize = 32;

inline constexpr const char *kEnglishLocale = "en_US.8859-1";

// The general control block, one per process.
struct GenControlBlock {
    int msg_fd;
    int aux_fd;
    int record_count;
    char leaf_name[kMsgLeafSize];
    int16_t long_format;
    int records_per_block;
    int block_records;  // records of the file's index now in block_buf
    int record_size;
    unsigned char *block_buf;
    char *text_cache;
    int text_number;
    int glserror;
    unsigned use_dtenv_bits;
    char *install_dir;
    char path_buf[kMsgPathSize];
};
extern GenControlBlock *gentcb;
GenControlBlock *CheckGenInit();

// Look-up.
int rgetlmsg(int number, char *buf, int16_t size, int *len);
int rget_lmsg(int number, char *buf, int16_t size, int *len);
int rgetlmsg_gls(int number, char *buf, int16_t size, int *len, const char *locale);
int lrseekmsg_gls(int number, int *len, const char *locale, int *fd);
int ropenmsg(const char *leaf, const char *locale);
int gfind_msg(int number, int *len, int *fd);
int gbuf_lookup(int number, int records, int *len, int *fd);
void rnofile(int number, char *buf, int16_t size);
void rnomsg(int number, char *buf, int16_t size);
char *mmsgtext(int number);
char *_nmsgtext(int number);

// Location.
struct MsgRange {
    int component;
    int low;
    int high;
    const char *leaf;
};
extern const MsgRange *_mfqmx;
extern const MsgRange kMsgRanges[];
extern const char *const kMsgDefaultLeaf;
extern char *msg_langdir;
int rmkmsgleafname(int number, const char **leaf);

// The non-negative number whose range decides a message's file.
inline int msg_magnitude(int number) {
    return number == INT_MIN ? INT_MAX : (number < 0 ? -number : number);
}
const char *rmsgfname_gls(const char *leaf, const char *locale);
const char *rmsgfname(const char *leaf);

// The conversions that a caller hands to a message text used as a format.
enum class MsgArgs { kNone, kString, kStringInt, kInt };

// The printf conversions that message texts may use.
enum class FormatArg { kNone, kString, kInt };
inline constexpr int kMaxFormatArgs = 8;
// Messages are fetched into buffers of this size; no conversion of a text
// may ask for a wider field (or a longer precision) than such a buffer holds.
inline constexpr int kMsgBufferSize = 512;
inline constexpr long kMsgMaxFieldSize = kMsgBufferSize - 1;

// Lists the arguments the text's conversions take, in order. Returns their
// count, or -1 when a conversion is malformed, is not %s, %d, %i or %%,
// has a width or precision above kMsgMaxFieldSize, or there are more than
// max_args.
int parse_format(const char *text, FormatArg *args, int max_args);

// True when every conversion of the text takes, in order, one of the
// caller's arguments; a text that uses fewer arguments than passed matches.
bool msg_format_fits(const char *text, MsgArgs args);

// Built-in English text for a number, or null when there is none.
const char *msg_builtin_text(int number);

// The text itself when it fits the caller's arguments, else the built-in
// text for the number, else the empty string.
const char *msg_usable_format(int number, const char *text, MsgArgs args);

// The built-in texts that stand in while the locale environment is unusable.
const char *msg_locale_error_text(int number);

}  // namespace velmorad
