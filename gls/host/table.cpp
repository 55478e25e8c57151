// The host callback table and the calls that fill it.
#include "gls/host/host.h"

namespace gls {

GlExtFunc funcptr_arr[kExtSlotCount] = {};
int32_t _gl_ext_func = 0;
uint32_t temperr = 0;

namespace {

bool valid_slot(int slot) {
    return slot >= 0 && slot < kExtSlotCount;
}

}  // namespace

int gl_setextfunc(void *context, int slot, GlExtFunc function) {
    if (!valid_slot(slot)) {
        gl_set_error(context, GL_EBADITEM);
        return -1;
    }
    _gl_set_ext_funcptr(slot, function);
    return 0;
}

// Callers have checked the slot; a bad one is ignored rather than written.
void _gl_set_ext_funcptr(int slot, GlExtFunc function) {
    if (!valid_slot(slot)) return;
    _gl_ext_func = 1;
    funcptr_arr[slot] = function;
}

GlExtFunc _gl_get_ext_funcptr(int slot) {
    return valid_slot(slot) ? funcptr_arr[slot] : nullptr;
}

void _gl_reset_ext_func() {
    _gl_ext_func = 0;
}

}  // namespace gls
