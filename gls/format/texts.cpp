// Locale texts as the formatters handle them: characters, bytes, wide form
// and display columns.
#include <cstring>

#include "gls/chars/chars.h"
#include "gls/format/format_internal.h"
#include "gls/tree/tree.h"

namespace gls::format {

namespace {

constexpr gl_wchar_t kAsciiEnd = 0x80;
constexpr int kMaxCharBytes = 4;

bool single_byte_tables(const Locale *loc) {
    return loc->ctype.single_byte != 0 && loc->ext_flags[category_slot(kCatCtype)] != 1;
}

}  // namespace

int text_chars(Locale *loc, const char *text) {
    // Every non-zero byte of a single-byte code set is a character.
    if (single_byte_tables(loc)) return static_cast<int>(std::strlen(text));
    return _gl_im_mbslen(loc, reinterpret_cast<const unsigned char *>(text));
}

int text_bytes(Locale *loc, const char *text) {
    return gl_mbsbytes(loc, reinterpret_cast<const unsigned char *>(text)) - 1;
}

const multi_tree_t *one_byte_tree(const Locale *loc) {
    const multi_tree_t *tree = loc->ctype.char_tree;
    if (loc->ext_flags[category_slot(kCatCtype)] == 1 || tree == nullptr || tree->min_length != 1 ||
        tree->root.flags == nullptr) {
        return nullptr;
    }
    return tree;
}

int widen_text(Locale *loc, gl_wchar_t *out, const char *text, int room) {
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    const multi_tree_t *tree = loc->ctype.single_byte == 0 ? one_byte_tree(loc) : nullptr;
    if (tree == nullptr) {
        GlMbsToWcsFn convert = loc->primitives.mbstowcs;
        if (convert == nullptr)
            convert = loc->ctype.single_byte != 0 ? _gl_is_mbstowcs : _gl_im_mbstowcs;
        return convert(loc, out, p, room);
    }
    // A multi-byte code set, walked down its tree a byte at a time: one
    // step for the ASCII characters, a few for the others.
    const uint8_t *root_kinds = tree->root.flags;
    int count = 0;
    while (count < room) {
        const unsigned char byte = *p;
        if (byte == 0) {
            out[count] = 0;
            return count;
        }
        uint8_t kind = root_kinds[byte];
        if (kind == kMultiEnds) {
            out[count++] = byte;
            ++p;
            continue;
        }
        gl_wchar_t wc = byte;
        const multi_arr_t *node = &tree->root;
        ++p;
        for (int level = 1; kind == kMultiContinues; ++level) {
            node = &node->next[node->offsets[wc & 0xFF]];
            const unsigned char next = *p;
            if (level >= kMaxCharBytes || node->flags == nullptr || next == 0) {
                kind = kMultiNoChar;
                break;
            }
            kind = node->flags[next];
            wc = (wc << 8) | next;
            ++p;
        }
        if (kind != kMultiEnds) {
            gl_set_error(loc, GL_EILSEQ);
            return -1;
        }
        out[count++] = wc;
    }
    return count;
}

int narrow_text(Locale *loc, char *out, int room, const gl_wchar_t *text, int length) {
    const multi_tree_t *tree = one_byte_tree(loc);
    if (tree == nullptr) return -2;
    const uint8_t *root_kinds = tree->root.flags;
    auto *bytes = reinterpret_cast<unsigned char *>(out);
    int written = 0;
    // A text whose every character fits the room whatever its length is
    // written without counting the room.
    if (int64_t{length} * kMaxCharBytes < room) {
        unsigned char *at = bytes;
        for (int i = 0; i < length; ++i) {
            const gl_wchar_t wc = text[i];
            if (wc < kAsciiEnd) {
                if (root_kinds[wc] != kMultiEnds) {
                    gl_set_error(loc, GL_EILSEQ);
                    return -1;
                }
                *at++ = static_cast<unsigned char>(wc);
            } else if (wc <= 0xFFFF) {
                if (wc > 0xFF) *at++ = static_cast<unsigned char>(wc >> 8);
                *at++ = static_cast<unsigned char>(wc);
            } else {
                if (wc > 0xFFFFFF) *at++ = static_cast<unsigned char>(wc >> 24);
                *at++ = static_cast<unsigned char>(wc >> 16);
                *at++ = static_cast<unsigned char>(wc >> 8);
                *at++ = static_cast<unsigned char>(wc);
            }
        }
        *at = 0;
        return static_cast<int>(at - bytes);
    }
    for (const gl_wchar_t *p = text; *p != 0; ++p) {
        const gl_wchar_t wc = *p;
        if (wc < kAsciiEnd) {
            // The ASCII the formatter adds itself (digits, blanks, signs)
            // must be characters of the code set.
            if (root_kinds[wc] != kMultiEnds) {
                gl_set_error(loc, GL_EILSEQ);
                return -1;
            }
            if (written >= room) return -3;
            bytes[written++] = static_cast<unsigned char>(wc);
            continue;
        }
        // Every other character came from text of the locale's code set
        // (the format, the names), decoded through its tree: its bytes are
        // its value's, most significant first.
        const int length = wc > 0xFFFFFF ? 4 : wc > 0xFFFF ? 3 : wc > 0xFF ? 2 : 1;
        if (length > room - written) return -3;
        for (int i = length - 1; i >= 0; --i)
            bytes[written++] = static_cast<unsigned char>(wc >> (8 * i));
    }
    if (written >= room) return -3;
    bytes[written] = 0;
    return written;
}

int columns(Locale *loc, gl_wchar_t wc) {
    const int width = gl_wcwidth(loc, wc);
    return width >= 1 ? width : 1;
}

int64_t columns(Locale *loc, const gl_wchar_t *text, int64_t length) {
    int64_t total = 0;
    for (int64_t i = 0; i < length; ++i)
        total += columns(loc, text[i]);
    return total;
}

}  // namespace gls::format
