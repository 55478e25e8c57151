// Building paths from pieces and finding the user's home directory.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "os_layer/os_layer.h"

namespace velmorad {

char *gbldpath(const char *dir, const char *name, const char *suffix) {
    gerrno = kStatusOk;
    size_t dir_len = dir != nullptr ? std::strlen(dir) + 1 : 0;
    size_t name_len = name != nullptr ? std::strlen(name) : 0;
    size_t suffix_len = suffix != nullptr ? std::strlen(suffix) : 0;
    size_t len = dir_len + name_len + suffix_len;
    if (len == 0) {
        gerrno = kStatusTooLong;
        return nullptr;
    }
    auto *path = static_cast<char *>(std::malloc(len + 1));
    if (path == nullptr) {
        gerrno = kStatusNoMemory;
        return nullptr;
    }
    char *p = path;
    if (dir != nullptr) {
        std::memcpy(p, dir, dir_len - 1);
        p += dir_len - 1;
        *p++ = '/';
    }
    if (name_len > 0) std::memcpy(p, name, name_len);
    p += name_len;
    if (suffix_len > 0) std::memcpy(p, suffix, suffix_len);
    p[suffix_len] = '\0';
    return path;
}

// The whole home directory is returned: a path cut at a fixed length would
// name a different file.
char *ggethomepath() {
    const char *login = qmx_getlogin();
    struct passwd *entry =
        login != nullptr ? qmx_getpwnam(login, nullptr, 0) : qmx_getpwuid(getuid(), nullptr, 0);
    if (entry == nullptr || entry->pw_dir == nullptr) {
        gerrno = kStatusNoPasswdEntry;
        return nullptr;
    }
    char *home = strdup(entry->pw_dir);
    if (home == nullptr) {
        gerrno = kStatusNoMemory;
        return nullptr;
    }
    gerrno = kStatusOk;
    return home;
}

int _ofreadable(const char *path) {
    return gcvaccess(path, R_OK) == 0 ? 1 : 0;
}

}  // namespace velmorad
