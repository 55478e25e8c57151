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
// get_past(keep) takes bytes while keep(byte) holds and hands out the first
// one for which it does not, or EOF.
struct StreamBytes {
    FILE *stream;
    int get() { return _gl_ext_getc(stream); }
    void unget(int c) { (void)_gl_ext_ungetc(c, stream); }
    template <class Keep>
    int get_past(Keep keep) {
        int c;
        while ((c = get()) != EOF && keep(c)) {
        }
        return c;
    }
};

struct LineBytes {
    LineReader reader;
    int get() { return reader.get(); }
    void unget(int) { reader.unget(); }
    template <class Keep>
    int get_past(Keep keep) {
        return reader.get_past(keep);
    }
};

template <class Bytes>
int skip_blanks(Bytes &bytes) {
    return bytes.get_past([](int c) { return is_blank(c); });
}

// The cache's reader passes the padding of the file's columns in strides.
int skip_blanks(LineBytes &bytes) {
    bytes.reader.skip_run(' ');
    return bytes.get_past([](int c) { return is_blank(c); });
}

template <class Bytes>
bool read_number(Bytes &bytes, uint16_t *number) {
    int c = skip_blanks(bytes);
    if (!is_digit(c)) {
        if (c != EOF) bytes.unget(c);
        return false;
    }
    uint32_t value = static_cast<uint32_t>(c - '0');
    c = bytes.get_past([&value](int digit) {
        if (!is_digit(digit)) return false;
        value = (value * kDecimal + static_cast<uint32_t>(digit - '0')) % kNumberModulus;
        return true;
    });
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
    return bytes.get_past([](int c) { return c != kNewline; }) == kNewline ? 1 : 0;
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
    bool too_long = false;
    // The first character is in hand; the rest are taken while they fit.
    auto keep = [&](int ch) {
        if (!is_graph(ch)) return false;
        if (length + 1 >= size) {
            too_long = true;
            return false;
        }
        buffer[length++] = to_lower(ch);
        return true;
    };
    if (keep(c)) c = bytes.get_past(keep);
    if (too_long) return 0;
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

// Records are allocated a chunk at a time: every client reads the couple
// of hundred records at start-up, and a few allocations serve them all.
// The nodes are linked across chunks; the chunks make a list of their own,
// which is what is released.
constexpr size_t kChunkRecords = 64;
struct RecordChunk {
    RecordChunk *next;
    size_t used;
    NodeBlock blocks[kChunkRecords];
};

// The chunks of gls_registry_list_cache.
RecordChunk *cached_chunks = nullptr;
// The list cached_list_has_decimal_name last looked at, and its answer.
const GlRegistryNode *decimal_scanned_list = nullptr;
bool decimal_name_found = true;

bool all_digits(const char *name) {
    if (*name == '\0') return false;
    for (; *name != '\0'; ++name) {
        if (!is_digit(byte_at(name))) return false;
    }
    return true;
}

void release_chunks(RecordChunk *chunk, const GlFileOps *ops) {
    while (chunk != nullptr) {
        RecordChunk *next = chunk->next;
        ops->release(chunk);
        chunk = next;
    }
}

// A fresh record from the newest chunk, or from a new one put in front.
NodeBlock *new_record(RecordChunk **chunks, const GlFileOps *ops) {
    RecordChunk *chunk = *chunks;
    if (chunk == nullptr || chunk->used == kChunkRecords) {
        chunk = static_cast<RecordChunk *>(ops->alloc(sizeof(RecordChunk)));
        if (chunk == nullptr) return nullptr;
        chunk->next = *chunks;
        chunk->used = 0;
        *chunks = chunk;
    }
    return &chunk->blocks[chunk->used++];
}

// Reads the records of an open registry into a list. Stops quietly at the
// end of the file or at a name that cannot be one; a failure releases what
// was read and gives GL_ENOMEM or GL_EBADREG.
uint32_t read_list(FILE *stream, const GlFileOps *ops, GlRegistryNode **list,
                   RecordChunk **chunks) {
    LineBytes bytes{LineReader(stream)};
    GlRegistryNode *head = nullptr;
    GlRegistryNode **tail = &head;
    RecordChunk *taken = nullptr;
    uint32_t failure = 0;
    char name[kCsNameSize];
    while (read_name(bytes, name, sizeof name) == 1) {
        NodeBlock *block = new_record(&taken, ops);
        if (block == nullptr) {
            failure = GL_ENOMEM;
            break;
        }
        GlRegistryNode *node = &block->node;
        *node = GlRegistryNode{block->name, 0, nullptr};
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
        release_chunks(taken, ops);
        head = nullptr;
        taken = nullptr;
    }
    *list = head;
    *chunks = taken;
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

bool cached_list_has_decimal_name() {
    const GlRegistryNode *list = gls_registry_list_cache;
    if (list != decimal_scanned_list || list == nullptr) {
        decimal_name_found = false;
        for (const GlRegistryNode *node = list; node != nullptr; node = node->next)
            decimal_name_found = decimal_name_found || all_digits(node->name);
        decimal_scanned_list = list;
    }
    return decimal_name_found;
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
    uint32_t failure = read_list(stream.get(), ops, &gls_registry_list_cache, &cached_chunks);
    if (failure != 0) {
        store_error(context, failure);
        gls_registry_array_cache = gls_canned_registry;
    }
}

void gl_free_registry_cache() {
    release_chunks(cached_chunks, gls_registry_ops);
    cached_chunks = nullptr;
    // A list made later may take the same address.
    decimal_scanned_list = nullptr;
    gls_registry_list_cache = nullptr;
    gls_registry_array_cache = nullptr;
}

}  // namespace gls
