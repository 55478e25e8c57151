#include "tests/support/failing_host.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "gls/host/host.h"

namespace gls::testing {

namespace {

constexpr int kCountedSlots[] = {kExtMalloc, kExtCalloc, kExtRealloc,
                                 kExtFree,   kExtFopen,  kExtFclose};

struct State {
    bool installed = false;
    long fail_allocation_at = 0;
    long fail_open_at = 0;
    long allocations = 0;
    long opens = 0;
    long live_blocks = 0;
    long open_streams = 0;
    bool failed = false;
    int32_t previous_flag = 0;
    GlExtFunc previous[kExtSlotCount] = {};
};

State state;

// True when this allocation is the one chosen to fail.
bool allocation_fails() {
    ++state.allocations;
    if (state.allocations != state.fail_allocation_at) return false;
    state.failed = true;
    return true;
}

void *counting_malloc(size_t size) {
    if (allocation_fails()) return nullptr;
    void *block = std::malloc(size);
    if (block != nullptr) ++state.live_blocks;
    return block;
}

void *counting_calloc(size_t count, size_t size) {
    if (allocation_fails()) return nullptr;
    void *block = std::calloc(count, size);
    if (block != nullptr) ++state.live_blocks;
    return block;
}

void *counting_realloc(void *block, size_t size) {
    if (allocation_fails()) return nullptr;
    void *moved = std::realloc(block, size);
    if (block == nullptr && moved != nullptr) ++state.live_blocks;
    return moved;
}

void counting_free(void *block) {
    if (block != nullptr) --state.live_blocks;
    std::free(block);
}

FILE *counting_fopen(const char *path, const char *mode) {
    ++state.opens;
    if (state.opens == state.fail_open_at) {
        state.failed = true;
        return nullptr;
    }
    FILE *stream = std::fopen(path, mode);
    if (stream != nullptr) ++state.open_streams;
    return stream;
}

int counting_fclose(FILE *stream) {
    --state.open_streams;
    return std::fclose(stream);
}

}  // namespace

FailingHost::FailingHost() {
    if (state.installed) throw std::logic_error("one FailingHost at a time");
    state = State{};
    state.installed = true;
    state.previous_flag = _gl_ext_func;
    for (int slot : kCountedSlots)
        state.previous[slot] = _gl_get_ext_funcptr(slot);
    bool ok = gl_setextfunc_typed<kExtMalloc>(nullptr, counting_malloc) == 0 &&
              gl_setextfunc_typed<kExtCalloc>(nullptr, counting_calloc) == 0 &&
              gl_setextfunc_typed<kExtRealloc>(nullptr, counting_realloc) == 0 &&
              gl_setextfunc_typed<kExtFree>(nullptr, counting_free) == 0 &&
              gl_setextfunc_typed<kExtFopen>(nullptr, counting_fopen) == 0 &&
              gl_setextfunc_typed<kExtFclose>(nullptr, counting_fclose) == 0;
    if (!ok) throw std::logic_error("host callback table refused a slot");
}

FailingHost::~FailingHost() {
    for (int slot : kCountedSlots)
        _gl_set_ext_funcptr(slot, state.previous[slot]);
    if (state.previous_flag == 0) _gl_reset_ext_func();
    state.installed = false;
}

void FailingHost::fail_allocation(long n) {
    state.fail_allocation_at = n;
    state.allocations = 0;
    state.failed = false;
}

void FailingHost::fail_open(long n) {
    state.fail_open_at = n;
    state.opens = 0;
    state.failed = false;
}

bool FailingHost::failed() const {
    return state.failed;
}

long FailingHost::allocations() const {
    return state.allocations;
}

long FailingHost::opens() const {
    return state.opens;
}

long FailingHost::live_blocks() const {
    return state.live_blocks;
}

long FailingHost::open_streams() const {
    return state.open_streams;
}

}  // namespace gls::testing
