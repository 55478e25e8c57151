// The operating-system layer: descriptor and user-database wrappers, path
// building, the home directory, byte-order helpers, the process-wide control
// block, the character class tables, the trace file set-up and the strings
// that pass through the locale environment's conversion descriptors.
#pragma once

#include <pwd.h>
#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "os_layer/status.h"

namespace gls {
struct CvDesc;
}

namespace velmorad {

// Thin wrappers: each returns exactly what the POSIX call returns.
int qmx_open(const char *path, int flags, int mode);
int qmx_close(int fd);
ssize_t qmx_read(int fd, void *buf, size_t len);
off_t qmx_lseek(int fd, off_t offset, int whence);
ssize_t qmx_write(int fd, const void *buf, size_t len);
int qmx_creat(const char *path, mode_t mode);
char *qmx_getlogin();
struct passwd *qmx_getpwnam(const char *name, void *unused_buf, int unused_len);
struct passwd *qmx_getpwuid(uid_t uid, void *unused_buf, int unused_len);

// Paths and strings. gbldpath and ggethomepath return malloc'ed strings that
// the caller frees; both report failures through gerrno.
[[nodiscard]] char *gbldpath(const char *dir, const char *name, const char *suffix);
[[nodiscard]] char *ggethomepath();
int _ofreadable(const char *path);
int stcmpr(const char *a, const char *b);
const char *stchr(const char *s, int c);
int bycmpr(const void *a, const void *b, size_t len);
int32_t ldlong(const unsigned char *p);
unsigned char *stlong(int32_t value, unsigned char *p);

// The operating-system control block, one per process.
struct OsControlBlock {
    int status;
    int fd1;
    int fd2;
    int trace_fd;
    int trace_slot;
    unsigned char ctype[258];
    unsigned char lowmap[256];
    unsigned char upmap[256];
    int iface_version;
};
inline constexpr int kOsIfaceVersion = 1;
extern OsControlBlock *ostcb;
OsControlBlock *CheckOsInit();
int DBNLSset();

// Character class tables (position c + 1 holds the bits of byte c).
inline constexpr unsigned char kClassUpper = 1;
inline constexpr unsigned char kClassLower = 2;
inline constexpr unsigned char kClassDigit = 4;
inline constexpr unsigned char kClassSpace = 8;
inline constexpr unsigned char kClassPunct = 16;
inline constexpr unsigned char kClassControl = 32;
inline constexpr unsigned char kClassHex = 64;
inline constexpr unsigned char kClassBlankOrPrint = 128;
extern std::array<unsigned char, 258> _ixctype;
extern std::array<unsigned char, 256> _ix2lowmap;
extern std::array<unsigned char, 256> _ix2upmap;
int rldctype();
int ldctypearr();
void rld8bitarr();
inline bool is_space_byte(unsigned char c) {
    return (_ixctype[c + 1] & kClassSpace) != 0;
}

// Trace file set-up, run while the control block is made.
inline constexpr int16_t kTraceOff = 0;
inline constexpr int16_t kTraceText = 4;
inline constexpr int16_t kTraceBinary = 8;
struct TraceSlot {
    int32_t pid;
    OsControlBlock *block;
    int32_t fd;
};
struct TraceRecord {
    int32_t current_slot;
    int32_t slot_count;
    int16_t reserved;
    char file_name[268];
    char base[274];
    TraceSlot *slots;
};
extern int16_t _sqdbg;
extern int _sqdbgfile;
extern TraceRecord sqlidebug;
void _sqdbgsetup();
int open_sqdbgfile(int slot, int pid);
int fe_open_sqdbgfile(int slot, int pid);

// Code-set-converting strings, through the locale environment's descriptors.
int is8bitstr(const char *s);
int gcv_malloc(gls::CvDesc *cd, const char *in, const int *len, char **out);
int gcv_extbuf(gls::CvDesc *cd, const char *in, const int *len, char *out, int outsize,
               int *truncated);
int gcvaccess(const char *path, int mode);

}  // namespace velmorad
