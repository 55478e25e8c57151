// Reading one character from a stream, byte by byte down the tree.
#include "gls/chars/chars_internal.h"

namespace gls {

using namespace chars;

namespace {

constexpr int kMaxByte = 0xFF;

int local_fgetc(FILE *stream) {
    return _gl_ext_fgetc(stream);
}

// A getc of the caller's choosing may hand back anything; only 0 to 255
// is a byte.
inline bool is_byte(int c) {
    return c >= 0 && c <= kMaxByte;
}

int stop(Locale *loc, uint32_t error, int *nbytes, int count) {
    if (nbytes != nullptr) *nbytes = count;
    fail(loc, error);
    return -1;
}

// The rest of a character the tree does not hold, in a locale whose
// characters are every UTF-8 sequence: the count bytes in buf so far must
// begin one, and it is read to its end.
int getmb_utf8(Locale *loc, unsigned char *buf, int count, GlGetcFn getc_function, FILE *stream,
               int *nbytes) {
    for (;;) {
        const int length = _gl_utf8_length(buf, count);
        if (length == count) break;
        if (length != kUtf8Incomplete) return stop(loc, GL_EILSEQ, nbytes, count);
        const int c = getc_function(stream);
        if (!is_byte(c)) return stop(loc, GL_EINVAL, nbytes, count);
        buf[count++] = static_cast<unsigned char>(c);
    }
    if (nbytes != nullptr) *nbytes = count;
    return 0;
}

}  // namespace

int gl_getmb(Locale *loc, unsigned char *buf, GlGetcFn getc_function, FILE *stream, int *nbytes) {
    if (buf == nullptr || getc_function == nullptr) return stop(loc, GL_ENULLARG, nbytes, 0);
    if (use_ext(loc)) {
        GluStatus st = 0;
        int32_t count = 0;
        const int32_t result =
            fn_glu_getmb(ext_locale(loc), buf, getc_function, stream, &count, &st);
        glu_store_status(loc, st);
        if (nbytes != nullptr) *nbytes = count;
        return result;
    }
    int c = getc_function(stream);
    if (!is_byte(c)) return stop(loc, GL_EEOF, nbytes, 0);
    // The tree is at most four levels deep, so buf never takes more than four bytes.
    const multi_tree_t *tree = char_tree(loc);
    const multi_arr_t *node = &tree->root;
    int count = 0;
    for (;;) {
        const auto byte = static_cast<uint8_t>(c);
        buf[count++] = byte;
        const uint8_t kind = kind_of(node, byte);
        if (kind == kMultiEnds) break;
        if (kind != kMultiContinues) {
            if ((tree->flags & kMultiUtf8Keys) == 0) return stop(loc, GL_EILSEQ, nbytes, count);
            return getmb_utf8(loc, buf, count, getc_function, stream, nbytes);
        }
        node = child_of(node, byte);
        c = getc_function(stream);
        if (!is_byte(c)) return stop(loc, GL_EINVAL, nbytes, count);
    }
    if (nbytes != nullptr) *nbytes = count;
    return 0;
}

int gl_full_fgetmb(Locale *loc, unsigned char *buf, FILE *file) {
    if (file == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    int count = 0;
    if (gl_getmb(loc, buf, local_fgetc, file, &count) == 0) return count;
    // The stream knows best why the character stopped short.
    if (_gl_ext_feof(file) != 0) {
        fail(loc, GL_EEOF);
    } else if (_gl_ext_ferror(file) != 0) {
        fail(loc, GL_EIO);
    }
    return -1;
}

}  // namespace gls
