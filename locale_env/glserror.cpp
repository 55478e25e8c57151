// The locale-environment error number, kept in the general control block.
#include "locale_env/locale_env.h"
#include "msg/msg.h"

namespace velmorad {

int set_glserror(int number) {
    GenControlBlock *block = CheckGenInit();
    if (block == nullptr) return kMsgNoControlBlock;
    block->glserror = number;
    return number;
}

int get_glserror() {
    GenControlBlock *block = CheckGenInit();
    if (block == nullptr) return kMsgNoControlBlock;
    return block->glserror;
}

}  // namespace velmorad
