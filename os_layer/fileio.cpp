// Descriptor and user-database wrappers. Each returns exactly what the
// underlying call returns, so callers see errno untouched.
#include <fcntl.h>
#include <unistd.h>

#include "os_layer/os_layer.h"

namespace velmorad {

int qmx_open(const char *path, int flags, int mode) {
    return open(path, flags, mode);
}

int qmx_close(int fd) {
    return close(fd);
}

ssize_t qmx_read(int fd, void *buf, size_t len) {
    return read(fd, buf, len);
}

off_t qmx_lseek(int fd, off_t offset, int whence) {
    return lseek(fd, offset, whence);
}

ssize_t qmx_write(int fd, const void *buf, size_t len) {
    return write(fd, buf, len);
}

int qmx_creat(const char *path, mode_t mode) {
    return creat(path, mode);
}

char *qmx_getlogin() {
    return getlogin();
}

struct passwd *qmx_getpwnam(const char *name, void *, int) {
    return getpwnam(name);
}

struct passwd *qmx_getpwuid(uid_t uid, void *, int) {
    return getpwuid(uid);
}

}  // namespace velmorad
