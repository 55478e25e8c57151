// The code-set registry file: its tokens, and the list cache read from it.
// One record a line: a name, blanks (a newline too), a decimal number, and
// anything up to the end of the line; "#" where a name would begin makes
// the line a comment.
#include <cstring>

#include "gls/names/detail.h"
#include "gls/names/names.h"

namespace gls {

GlRegistryNode *gls_registry_list_cache = nullptr;
const GlRegistryRow *gls_registry_array_cache = nullptr;
const GlFileOps *gls_registry_ops = &gl_reg_functions;

using namespace names_detail;

namespace {

constexpr int kNewline = '\n';
constexpr int kComment = '#';
constexpr uint32_t kNumberModulus = 0x10000;
constexpr int kDecimal = 10;

// The readers below take their bytes from either source: the stream itself
// through the host's getc (the public readers, which leave the stream where
// a record ends), or a whole file's worth of lines (the cache's reader).
struct StreamBytes {
    FILE *stream;
    int get() { return _gl_ext_getc(stream); }
    void unget(int c) { (void)_gl_ext_ungetc(c, stream); }
};

struct LineBytes {
    LineReader reader;
    int get() { return reader.get(); }
    void unget(int) { reader.unget(); }
};

template <class Bytes>
int skip_blanks(Bytes &bytes) {
    int c;
    while (is_blank(c = bytes.get())) {
    }
    return c;
}

template <class Bytes>
bool read_number(Bytes &bytes, uint16_t *number) {
    int c = skip_blanks(bytes);
    if (!is_digit(c)) {
        if (c != EOF) bytes.unget(c);
        return false;
    }
    uint32_t value = 0;
    for (; is_digit(c); c = bytes.get())
        value = (value * kDecimal + static_cast<uint32_t>(c - '0')) % kNumberModulus;
    // A number must be followed by something: a file cut inside its last
    // number is taken for a damaged one.
    if (c == EOF) return false;
    bytes.unget(c);
    if (value == kNoCodeSet) return false;
    *number = static_cast<uint16_t>(value);
    return true;
}

template <class Bytes>
int skip_line(Bytes &bytes) {
    int c;
    while ((c = bytes.get()) != EOF) {
        if (c == kNewline) return 1;
    }
    return 0;
}

template <class Bytes>
int read_name(Bytes &bytes, char *buffer, size_t size) {
    if (buffer == nullptr || size == 0) return 0;
    int c = skip_blanks(bytes);
    while (c == kComment) {
        if (skip_line(bytes) == 0) return 0;
        c = skip_blanks(bytes);
    }
    size_t length = 0;
    for (; is_graph(c); c = bytes.get()) {
        if (length + 1 >= size) return 0;
        buffer[length++] = to_lower(c);
    }
    // Also the end of the file where a name would begin.
    if (c == EOF) return 0;
    buffer[length] = '\0';
    bytes.unget(c);
    return 1;
}

// A node and its name are one block: the name follows the node.
struct NodeBlock {
    GlRegistryNode node;
    char name[kCsNameSize];
};

void release_list(GlRegistryNode *node, const GlFileOps *ops) {
    while (node != nullptr) {
        GlRegistryNode *next = node->next;
        ops->release(node);
        node = next;
    }
}

// Reads the records of an open registry into a list. Stops quietly at the
// end of the file or at a name that cannot be one; a failure releases what
// was read and gives GL_ENOMEM or GL_EBADREG.
uint32_t read_list(FILE *stream, const GlFileOps *ops, GlRegistryNode **list) {
    LineBytes bytes{LineReader(stream)};
    GlRegistryNode *head = nullptr;
    GlRegistryNode **tail = &head;
    uint32_t failure = 0;
    char name[kCsNameSize];
    while (read_name(bytes, name, sizeof name) == 1) {
        // One allocation a record: the registry is read by every client at
        // start-up.
        auto *block = static_cast<NodeBlock *>(ops->alloc(sizeof(NodeBlock)));
        if (block == nullptr) {
            failure = GL_ENOMEM;
            break;
        }
        GlRegistryNode *node = &block->node;
        *node = GlRegistryNode{block->name, 0, nullptr};
        // Linked before it is complete, so that a failure releases it too.
        *tail = node;
        tail = &node->next;
        std::memcpy(node->name, name, std::strlen(name) + 1);
        if (!read_number(bytes, &node->number)) {
            failure = GL_EBADREG;
            break;
        }
        if (skip_line(bytes) == 0) break;
    }
    if (failure != 0) {
        release_list(head, ops);
        head = nullptr;
    }
    *list = head;
    return failure;
}

}  // namespace

namespace names_detail {

FILE *open_registry(void *context, const char *path, const GlFileOps *ops) {
    // The search stores its errors through the host, which may redirect a
    // null context to a cell of its own; a caller without one wants none.
    uint32_t unwanted = 0;
    if (context == nullptr) context = &unwanted;
    if (path != nullptr && *path != '\0') return open_file(context, path, ops);
    char *rpath = nullptr;
    FILE *stream =
        gl_path_search1(context, kRegistryName, &rpath, kRegistrySubdir, kRegistryVersion, ops);
    if (rpath != nullptr) ops->release(rpath);
    return stream;
}

bool read_cs_number(FILE *stream, uint16_t *number) {
    StreamBytes bytes{stream};
    return read_number(bytes, number);
}

}  // namespace names_detail

int ignore_till_eol(FILE *stream) {
    StreamBytes bytes{stream};
    return skip_line(bytes);
}

int _gl_next_cs_name_from_registry(FILE *stream, char *buffer, size_t size) {
    StreamBytes bytes{stream};
    return read_name(bytes, buffer, size);
}

uint16_t _gl_next_cs_number_from_registry(void *context, FILE *stream) {
    uint16_t number;
    if (read_cs_number(stream, &number)) return number;
    store_error(context, GL_EBADREG);
    return kNoCodeSet;
}

void gl_cache_registry(void *context, const char *path) {
    gl_free_registry_cache();
    const GlFileOps *ops = gls_registry_ops;
    RegistryStream stream(context, path, ops);
    if (stream.get() == nullptr) {
        store_error(context, GL_ENOREG);
        gls_registry_array_cache = gls_canned_registry;
        return;
    }
    uint32_t failure = read_list(stream.get(), ops, &gls_registry_list_cache);
    if (failure != 0) {
        store_error(context, failure);
        gls_registry_array_cache = gls_canned_registry;
    }
}

void gl_free_registry_cache() {
    release_list(gls_registry_list_cache, gls_registry_ops);
    gls_registry_list_cache = nullptr;
    gls_registry_array_cache = nullptr;
}

}  // namespace gls
