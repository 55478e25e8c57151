// Where the message file for a leaf name is: the first readable copy among
// the language directories, the client locale and the English fallbacks.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "env/env.h"
#include "gls/names/names.h"
#include "msg/msg.h"
#include "os_layer/os_layer.h"

namespace velmorad {

char *msg_langdir = nullptr;

namespace {

constexpr size_t kMaxLanguageValue = 259;
constexpr size_t kMaxDirPlusLeaf = 234;

const char *usable_value(const char *value) {
    if (value == nullptr || std::strlen(value) > kMaxLanguageValue) return nullptr;
    return value;
}

// The language directory is copied: the variable's value may be replaced
// by a later insertion while this pointer still refers to it.
void settle_langdir() {
    if (msg_langdir != nullptr) return;
    const char *value = usable_value(idx_ggetenv("DBLANG", kEnvDBLANG));
    if (value == nullptr) {
        int mode = DBNLSset();
        if (mode == 1 || mode == 2) value = usable_value(idx_ggetenv("LANG", kEnvLANG));
    }
    if (value != nullptr) msg_langdir = strdup(value);
}

void clear_langdir() {
    std::free(msg_langdir);
    msg_langdir = nullptr;
}

const char *install_dir(GenControlBlock *block) {
    if (block->install_dir == nullptr) {
        const char *dir = idx_ggetenv("VELMORADDIR", kEnvVELMORADDIR);
        block->install_dir = strdup(dir != nullptr ? dir : kDefaultInstallDir);
    }
    return block->install_dir;
}

// Builds a candidate path in the block's buffer; false when it would not fit.
class PathBuilder {
  public:
    PathBuilder(char *buf, const char *base) : buf_(buf) {
        append(base);
        if (len_ > 0 && buf_[len_ - 1] != '/') append("/");
    }
    void dir(const char *component) {
        append(component);
        append("/");
    }
    bool finish(const char *leaf) {
        append(leaf);
        if (!fits_) return false;
        buf_[len_] = '\0';
        return true;
    }

  private:
    void append(const char *s) {
        size_t n = std::strlen(s);
        if (!fits_ || n >= kMsgPathSize - len_) {
            fits_ = false;
            return;
        }
        std::memcpy(buf_ + len_, s, n);
        len_ += n;
    }
    char *buf_;
    size_t len_ = 0;
    bool fits_ = true;
};

struct Candidate {
    const char *first;  // directory components, null when absent
    const char *second;
    const char *third;
};

bool try_candidate(GenControlBlock *block, const char *base, const Candidate &c, const char *leaf) {
    PathBuilder path(block->path_buf, base);
    for (const char *component : {c.first, c.second, c.third}) {
        if (component != nullptr) path.dir(component);
    }
    return path.finish(leaf) && _ofreadable(block->path_buf) == 1;
}

bool message_dir_name(const char *spec, char *out) {
    return spec != nullptr && gls::gl_lc_spec2msg_dname(nullptr, spec, out, nullptr, nullptr) == 0;
}

constexpr int kCandidateCount = 9;

// The directories of candidate `order`, tried in this order; false when a
// value it needs is absent or its locale name cannot be translated.
bool candidate_dirs(int order, const char *lang, const char *client, char *dname, Candidate *dirs) {
    switch (order) {
        case 1:
            *dirs = {"msg", lang, nullptr};
            return lang != nullptr;
        case 2:
            *dirs = {lang, nullptr, nullptr};
            return lang != nullptr;
        case 3:
            *dirs = {"msg", dname, nullptr};
            return message_dir_name(lang, dname);
        case 4:
            *dirs = {"msg", dname, nullptr};
            return message_dir_name(client, dname);
        case 5:
            *dirs = {"msg", client, nullptr};
            return client != nullptr;
        case 6:
            *dirs = {"msg", "en_us", "0333"};
            return true;
        case 7:
            *dirs = {"msg", kEnglishLocale, nullptr};
            return true;
        case 8:
            *dirs = {"msg", nullptr, nullptr};
            return true;
        default:
            *dirs = {"msg", "english", nullptr};
            return true;
    }
}

}  // namespace

const char *rmsgfname_gls(const char *leaf, const char *locale) {
    GenControlBlock *block = CheckGenInit();
    if (block == nullptr) return nullptr;
    block->path_buf[0] = '\0';
    if (leaf == nullptr) return nullptr;
    const char *base = install_dir(block);
    if (base == nullptr || std::strlen(base) + std::strlen(leaf) >= kMaxDirPlusLeaf) return nullptr;

    settle_langdir();
    const char *client =
        usable_value(locale != nullptr ? locale : idx_ggetenv("CLIENT_LOCALE", kEnvCLIENT_LOCALE));
    if (locale != nullptr) clear_langdir();
    const char *lang = msg_langdir;

    char dname[kMsgPathSize];
    for (int order = 1; order <= kCandidateCount; ++order) {
        Candidate dirs;
        if (candidate_dirs(order, lang, client, dname, &dirs) &&
            try_candidate(block, base, dirs, leaf)) {
            errno = 0;
            return block->path_buf;
        }
    }
    block->path_buf[0] = '\0';
    return block->path_buf;
}

const char *rmsgfname(const char *leaf) {
    return rmsgfname_gls(leaf, nullptr);
}

}  // namespace velmorad
