// The string cache: whole names of a locale (days, months, eras, markers)
// mapped to their index, stored and matched as lower-cased wide characters.
#include "gls/chars/chars.h"
#include "gls/load/load_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr int kMaxCharBytes = 4;
constexpr gl_wchar_t kSingleByteLimit = 256;
constexpr gl_wchar_t kEmptyString = 0;

gl_wchar_t lower_case(Locale *loc, gl_wchar_t wc) {
    const uint8_t *table = loc->ctype.lower_table;
    if (table == nullptr) return _gl_im_towlower(loc, wc);
    if (wc < kSingleByteLimit) return table[wc];
    gl_set_error(loc, GL_EILSEQ);
    return wc;
}

// Reads the character at text with at most avail bytes (-1: no limit):
// 1 with its value and length, 0 at the end of the string, -1 when it
// does not convert.
int next_mb_char(Locale *loc, const unsigned char *text, int avail, gl_wchar_t *wc, int *bytes) {
    if (avail == 0) return 0;
    if (loc->ctype.single_byte != 0) {
        *wc = *text;
        *bytes = 1;
        return *wc != 0 ? 1 : 0;
    }
    int limit = avail < 0 || avail > kMaxCharBytes ? kMaxCharBytes : avail;
    int n = gl_full_mbtowc(loc, wc, text, limit);
    if (n < 0) return -1;
    *bytes = n;
    return n > 0 ? 1 : 0;
}

// The node of character c in the chain at *link, appended when absent.
gl_wc_cache_t *find_or_add(Locale *loc, gl_wc_cache_t **link, gl_wchar_t c) {
    for (; *link != nullptr; link = &(*link)->sibling) {
        if ((*link)->character == c) return *link;
    }
    HostPtr<gl_wc_cache_t> node = host_alloc<gl_wc_cache_t>();
    if (!node) {
        gl_set_error(loc, GL_ENOMEM);
        return nullptr;
    }
    node->character = c;
    *link = node.release();
    return *link;
}

const gl_wc_cache_t *find(const gl_wc_cache_t *node, gl_wchar_t c) {
    while (node != nullptr && node->character != c)
        node = node->sibling;
    return node;
}

// Walks the chains with the characters that next() hands out (1 with a
// character and its byte length, 0 at the end, -1 for a bad character).
template <class Next>
GlCacheResult match(Locale *loc, const gl_wc_cache_t *root, Next next, GlCacheMatch *out) {
    const gl_wc_cache_t *chain = root;
    GlCacheMatch seen{0, 0, 0};
    for (;;) {
        gl_wchar_t wc = 0;
        int bytes = 0;
        int status = next(&wc, &bytes);
        if (status < 0) return kCacheBadChar;
        if (status == 0) break;
        const gl_wc_cache_t *node = find(chain, lower_case(loc, wc));
        if (node == nullptr) break;
        seen.chars += 1;
        seen.bytes += bytes;
        if (node->terminal != 0) {
            *out = GlCacheMatch{node->value, seen.chars, seen.bytes};
            return kCacheMatched;
        }
        chain = node->child;
    }
    const gl_wc_cache_t *empty = find(root, kEmptyString);
    if (empty == nullptr || empty->terminal == 0) return kCacheNoMatch;
    *out = GlCacheMatch{empty->value, 0, 0};
    return kCacheMatched;
}

}  // namespace

int _gl_cache_wc_string(Locale *loc, gl_wc_cache_t **root, const unsigned char *text,
                        uint32_t value) {
    if (text == nullptr || root == nullptr) return -1;
    gl_wc_cache_t **chain = root;
    gl_wc_cache_t *node = nullptr;
    for (;;) {
        gl_wchar_t wc = 0;
        int bytes = 0;
        int status = next_mb_char(loc, text, -1, &wc, &bytes);
        if (status < 0) return -1;
        if (status == 0) break;
        node = find_or_add(loc, chain, lower_case(loc, wc));
        if (node == nullptr) return -1;
        chain = &node->child;
        text += bytes;
    }
    if (node == nullptr) {
        node = find_or_add(loc, root, kEmptyString);
        if (node == nullptr) return -1;
    }
    node->terminal = 1;
    node->value = value;
    return 0;
}

// Iterative, so that a hostile name thousands of characters long cannot
// exhaust the stack: a node with a child is rotated below that child until
// the node at hand has none.
void _gl_free_wc_cache(Locale *, gl_wc_cache_t *node) {
    while (node != nullptr) {
        gl_wc_cache_t *child = node->child;
        if (child == nullptr) {
            gl_wc_cache_t *sibling = node->sibling;
            _gl_free_ptr(node);
            node = sibling;
            continue;
        }
        node->child = child->sibling;
        child->sibling = node;
        node = child;
    }
}

GlCacheResult _gl_match_wc_cache(Locale *loc, const gl_wc_cache_t *root, const unsigned char *text,
                                 int length, GlCacheMatch *out) {
    if (text == nullptr || out == nullptr) return kCacheNoMatch;
    int left = length;
    auto next = [&](gl_wchar_t *wc, int *bytes) {
        int status = next_mb_char(loc, text, left, wc, bytes);
        if (status > 0) {
            text += *bytes;
            if (left > 0) left -= *bytes;
        }
        return status;
    };
    return match(loc, root, next, out);
}

GlCacheResult _gl_match_wc_cache_wide(Locale *loc, const gl_wc_cache_t *root,
                                      const gl_wchar_t *text, int length, GlCacheMatch *out) {
    if (text == nullptr || out == nullptr) return kCacheNoMatch;
    int left = length;
    auto next = [&](gl_wchar_t *wc, int *bytes) {
        if (left == 0 || *text == 0) return 0;
        *wc = *text++;
        *bytes = 0;
        if (left > 0) --left;
        return 1;
    };
    return match(loc, root, next, out);
}

}  // namespace gls
