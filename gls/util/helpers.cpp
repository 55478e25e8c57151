// Small helpers: the environment and memory through the host, and digit
// counts for the time formatter.
#include "gls/util/util.h"

namespace gls {

const char *_gl_get_env_var(const char *name) {
    const char *value = _gl_ext_getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

void *_gl_alloc_ptr(size_t size) {
    return size != 0 ? _gl_ext_malloc(size) : nullptr;
}

void _gl_free_ptr(void *block) {
    if (block != nullptr) _gl_ext_free(block);
}

void gl_destroystring(char *string) {
    _gl_free_ptr(string);
}

// A base below 2 has no digits to count; it gives 1 rather than looping.
int _gl_digits(int64_t value, int base) {
    // The magnitude in unsigned arithmetic, so that INT64_MIN has one.
    uint64_t magnitude =
        value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    if (base < 2) return 1;
    auto radix = static_cast<uint64_t>(base);
    int digits = 1;
    while (magnitude >= radix) {
        magnitude /= radix;
        ++digits;
    }
    return digits;
}

HostPtr<char> host_strdup(const char *text) {
    size_t size = std::strlen(text) + 1;
    HostPtr<char> copy(static_cast<char *>(_gl_alloc_ptr(size)));
    if (copy) std::memcpy(copy.get(), text, size);
    return copy;
}

}  // namespace gls
