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

int skip_blanks(FILE *stream) {
    int c;
    while (is_blank(c = _gl_ext_getc(stream))) {
    }
    return c;
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
    GlRegistryNode *head = nullptr;
    GlRegistryNode **tail = &head;
    uint32_t failure = 0;
    char name[kCsNameSize];
    while (_gl_next_cs_name_from_registry(stream, name, sizeof name) == 1) {
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
        if (!read_cs_number(stream, &node->number)) {
            failure = GL_EBADREG;
            break;
        }
        if (ignore_till_eol(stream) == 0) break;
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
    int c = skip_blanks(stream);
    if (!is_digit(c)) {
        if (c != EOF) (void)_gl_ext_ungetc(c, stream);
        return false;
    }
    uint32_t value = 0;
    for (; is_digit(c); c = _gl_ext_getc(stream))
        value = (value * kDecimal + static_cast<uint32_t>(c - '0')) % kNumberModulus;
    // A number must be followed by something: a file cut inside its last
    // number is taken for a damaged one.
    if (c == EOF) return false;
    (void)_gl_ext_ungetc(c, stream);
    if (value == kNoCodeSet) return false;
    *number = static_cast<uint16_t>(value);
    return true;
}

}  // namespace names_detail

int ignore_till_eol(FILE *stream) {
    int c;
    while ((c = _gl_ext_getc(stream)) != EOF) {
        if (c == kNewline) return 1;
    }
    return 0;
}

int _gl_next_cs_name_from_registry(FILE *stream, char *buffer, size_t size) {
    if (buffer == nullptr || size == 0) return 0;
    int c = skip_blanks(stream);
    while (c == kComment) {
        if (ignore_till_eol(stream) == 0) return 0;
        c = skip_blanks(stream);
    }
    size_t length = 0;
    for (; is_graph(c); c = _gl_ext_getc(stream)) {
        if (length + 1 >= size) return 0;
        buffer[length++] = to_lower(c);
    }
    // Also the end of the file where a name would begin.
    if (c == EOF) return 0;
    buffer[length] = '\0';
    (void)_gl_ext_ungetc(c, stream);
    return 1;
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
