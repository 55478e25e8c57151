// Preloaded into a whole program: every malloc and realloc of the one size
// named by VELMORAD_FAIL_ALLOC_SIZE fails, so a test can reach the
// program's out-of-memory exit without exhausting the machine.
#include <cstddef>
#include <cstdlib>

extern "C" {

void *__libc_malloc(size_t size);
void *__libc_realloc(void *block, size_t size);

namespace {

// Read on first use; getenv does not allocate.
bool fails(size_t size) {
    static long failing = -1;
    if (failing < 0) {
        const char *value = std::getenv("VELMORAD_FAIL_ALLOC_SIZE");
        failing = value != nullptr ? std::strtol(value, nullptr, 10) : 0;
    }
    return failing > 0 && size == static_cast<size_t>(failing);
}

}  // namespace

void *malloc(size_t size) {
    return fails(size) ? nullptr : __libc_malloc(size);
}

void *realloc(void *block, size_t size) {
    return fails(size) ? nullptr : __libc_realloc(block, size);
}
}
