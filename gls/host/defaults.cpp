// The C-library services used for every slot that no host has filled.
#include <cstdlib>
#include <ctime>

#include "gls/host/host.h"

namespace gls {

namespace {

constexpr int kTmYearBase = 1900;

bool local_now(struct tm *out) {
    std::time_t now = std::time(nullptr);
    return now != static_cast<std::time_t>(-1) && localtime_r(&now, out) != nullptr;
}

}  // namespace

const char *gl_ext_getenv(const char *name) {
    return std::getenv(name);
}

// Without a host every context is its own error cell.
uint32_t *gl_ext_errno(void *context) {
    return static_cast<uint32_t *>(context);
}

int gl_ext_fclose(FILE *stream) {
    return std::fclose(stream);
}

int gl_ext_feof(FILE *stream) {
    return std::feof(stream);
}

int gl_ext_ferror(FILE *stream) {
    return std::ferror(stream);
}

int gl_ext_fgetc(FILE *stream) {
    return std::fgetc(stream);
}

char *gl_ext_fgets(char *buf, int size, FILE *stream) {
    return std::fgets(buf, size, stream);
}

FILE *gl_ext_fopen(const char *path, const char *mode) {
    return std::fopen(path, mode);
}

void gl_ext_free(void *block) {
    std::free(block);
}

int gl_ext_fseek(FILE *stream, long offset, int origin) {
    return std::fseek(stream, offset, origin);
}

long gl_ext_ftell(FILE *stream) {
    return std::ftell(stream);
}

size_t gl_ext_fwrite(const void *buf, size_t size, size_t count, FILE *stream) {
    return std::fwrite(buf, size, count, stream);
}

int gl_ext_getc(FILE *stream) {
    return getc(stream);
}

void *gl_ext_malloc(size_t size) {
    return std::malloc(size);
}

int gl_ext_ungetc(int c, FILE *stream) {
    return std::ungetc(c, stream);
}

int gl_ext_putenv(char *text) {
    return putenv(text);
}

int gl_ext_currdate(int16_t *month, int16_t *day, int16_t *year) {
    struct tm now {};
    if (!local_now(&now)) return -1;
    *month = static_cast<int16_t>(now.tm_mon + 1);
    *day = static_cast<int16_t>(now.tm_mday);
    *year = static_cast<int16_t>(now.tm_year + kTmYearBase);
    return 0;
}

int gl_ext_currtime(GlTimeRecord *out) {
    struct tm now {};
    if (!local_now(&now)) return -1;
    *out = GlTimeRecord{};
    out->sec = now.tm_sec;
    out->min = now.tm_min;
    out->hour = now.tm_hour;
    out->mday = now.tm_mday;
    out->mon = now.tm_mon;
    out->year = now.tm_year;
    out->wday = now.tm_wday;
    out->yday = now.tm_yday;
    out->isdst = now.tm_isdst;
    return 0;
}

void *gl_ext_calloc(size_t count, size_t size) {
    return std::calloc(count, size);
}

void *gl_ext_realloc(void *block, size_t size) {
    return std::realloc(block, size);
}

}  // namespace gls
