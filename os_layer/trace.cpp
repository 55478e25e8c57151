// Set-up of the trace file named by SQLIDEBUG, run once while the
// operating-system control block is made. No records are written later.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "env/env.h"
#include "os_layer/os_layer.h"

namespace velmorad {

int16_t _sqdbg = kTraceOff;
int _sqdbgfile = 2;
TraceRecord sqlidebug = {};

namespace {

constexpr int kSlotTableGrowth = 1000;
constexpr unsigned char kBinaryHeader[8] = {'S', 'Q', 'L', 'I', 0, 0, 0, 1};

void say(const char *format, const char *arg) {
    std::fprintf(stderr, format, arg);
    std::fflush(stderr);
}

// A name that does not fit the record's fields turns tracing off rather
// than being cut into the name of some other file.
void refuse_long_name() {
    _sqdbg = kTraceOff;
    _sqdbgfile = 2;
    say("SQLIDEBUG: %s\n", "File name too long; tracing is off.");
}

bool store_base(const char *base) {
    size_t len = std::strlen(base);
    if (len >= sizeof sqlidebug.base) {
        refuse_long_name();
        return false;
    }
    std::memcpy(sqlidebug.base, base, len + 1);
    return true;
}

// Makes the file without following a symbolic link planted at its name.
int create_trace_file(const char *name) {
    return qmx_open(name, O_CREAT | O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0755);
}

void fail_open(int fd, const char *format) {
    if (fd > 2) qmx_close(fd);
    _sqdbgfile = 2;
    if (_sqdbg == kTraceBinary) {
        _sqdbg = kTraceOff;
        say(format, sqlidebug.file_name);
    }
}

bool ensure_slot_table() {
    if (sqlidebug.slots != nullptr) return true;
    int count = sqlidebug.slot_count + kSlotTableGrowth;
    auto *slots = static_cast<TraceSlot *>(std::calloc(count, sizeof(TraceSlot)));
    if (slots == nullptr) return false;
    sqlidebug.slots = slots;
    sqlidebug.slot_count = count;
    return true;
}

}  // namespace

int open_sqdbgfile(int slot, int pid) {
    char name[sizeof sqlidebug.file_name];
    auto address = static_cast<unsigned>(reinterpret_cast<uintptr_t>(ostcb));
    int n = std::snprintf(name, sizeof name, "%s_%d_%d_%x", sqlidebug.base, pid, 0, address);
    if (n < 0 || static_cast<size_t>(n) >= sizeof name) {
        refuse_long_name();
        return -1;
    }
    std::memcpy(sqlidebug.file_name, name, static_cast<size_t>(n) + 1);
    int fd = create_trace_file(name);
    if (fd < 0) {
        fail_open(fd, "SQLIDEBUG: Can't open file %s.\n");
        return -1;
    }
    if (fchown(fd, getuid(), getgid()) != 0) {
        fail_open(fd, "SQLIDEBUG: Can't change owner on %s.\n");
        return -1;
    }
    if (_sqdbg == kTraceBinary &&
        qmx_write(fd, kBinaryHeader, sizeof kBinaryHeader) != sizeof kBinaryHeader) {
        fail_open(fd, "SQLIDEBUG: Can't open file %s.\n");
        return -1;
    }
    if (!ensure_slot_table()) {
        std::fputs("Out of memory.", stdout);
        qmx_close(fd);
        _sqdbgfile = 2;
        return -1;
    }
    sqlidebug.slots[slot] = TraceSlot{pid, ostcb, fd};
    sqlidebug.current_slot = slot;
    _sqdbgfile = fd;
    if (ostcb != nullptr) {
        ostcb->trace_fd = fd;
        ostcb->trace_slot = slot;
    }
    return 0;
}

int fe_open_sqdbgfile(int slot, int pid) {
    return open_sqdbgfile(slot, pid);
}

void _sqdbgsetup() {
    _sqdbg = kTraceOff;
    const char *value = idx_ggetenv("SQLIDEBUG", kEnvSQLIDEBUG);
    if (value == nullptr) return;
    if (value[0] == '1') {
        _sqdbg = kTraceText;
        const char *base = value + 1;
        if (*base == ':') ++base;
        if (store_base(base)) (void)fe_open_sqdbgfile(0, getpid());
        return;
    }
    if (value[0] == '2') {
        if (value[1] != ':' || value[2] == '\0') {
            std::fputs("Invalid syntax for SQLIDEBUG environment variable.\n", stderr);
            std::fflush(stderr);
            return;
        }
        _sqdbg = kTraceBinary;
        if (store_base(value + 2)) (void)fe_open_sqdbgfile(0, getpid());
    }
}

}  // namespace velmorad
