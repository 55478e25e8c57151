// The process-wide operating-system control block and the DBNLS mode.
#include <cstdlib>
#include <cstring>

#include "env/env.h"
#include "locale_env/locale_env.h"
#include "os_layer/os_layer.h"

namespace velmorad {

int gerrno = 0;
OsControlBlock *ostcb = nullptr;

namespace {

OsControlBlock *make_block() {
    auto *block = static_cast<OsControlBlock *>(std::calloc(1, sizeof(OsControlBlock)));
    if (block == nullptr) return nullptr;
    block->status = 0;
    block->fd1 = -1;
    block->fd2 = -1;
    block->trace_fd = -1;
    block->trace_slot = -1;
    std::memcpy(block->ctype, _ixctype.data(), sizeof block->ctype);
    std::memcpy(block->lowmap, _ix2lowmap.data(), sizeof block->lowmap);
    std::memcpy(block->upmap, _ix2upmap.data(), sizeof block->upmap);
    return block;
}

}  // namespace

OsControlBlock *CheckOsInit() {
    if (ostcb != nullptr) return ostcb;
    OsControlBlock *block = make_block();
    if (block == nullptr) return nullptr;
    // The trace set-up looks variables up, and the look-up asks for this
    // block again: it must already see the block being made.
    ostcb = block;
    _sqdbgsetup();
    ostcb = block;
    block->iface_version = kOsIfaceVersion;
    if (chkglsinit() != 0) return nullptr;
    return ostcb;
}

int DBNLSset() {
    const char *mode = idx_ggetenv("DBNLS", kEnvDBNLS);
    if (mode == nullptr) return 0;
    if (std::strcmp(mode, "1") == 0) return 1;
    if (std::strcmp(mode, "2") == 0) return 2;
    return 0;
}

}  // namespace velmorad
