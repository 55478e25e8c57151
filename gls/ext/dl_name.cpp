// The library list: one library file name a line, relative to the
// installation's library directory. The file is hostile input: a line may
// be of any length and hold any bytes, and the last may lack its newline.
#include <cstdint>
#include <cstring>

#include "gls/ext/ext.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr int kNewline = '\n';

GluDlName release_name(char **name, size_t *size, GluDlName result) {
    _gl_free_ptr(*name);
    *name = nullptr;
    *size = 0;
    return result;
}

}  // namespace

GluDlName get_dl_name(FILE *stream, const char *install_dir, char **name, size_t *size) {
    // Measure the line first, then read it straight into a block of the
    // right size: a long line costs one allocation, never a fixed buffer.
    const long start = _gl_ext_ftell(stream);
    int c = start >= 0 ? _gl_ext_fgetc(stream) : EOF;
    if (c == EOF) return release_name(name, size, kDlNameEnd);
    size_t length = 0;
    while (c != EOF && c != kNewline) {
        ++length;
        c = _gl_ext_fgetc(stream);
    }
    if (_gl_ext_fseek(stream, start, SEEK_SET) != 0) return release_name(name, size, kDlNameEnd);

    const size_t dir_length = std::strlen(install_dir);
    const size_t prefix_length = dir_length + std::strlen(kGluLibraryDir);
    if (prefix_length < dir_length || length > SIZE_MAX - prefix_length - 1)
        return release_name(name, size, kDlNameNoMemory);
    const size_t need = prefix_length + length + 1;
    if (*name == nullptr || *size < need) {
        release_name(name, size, kDlNameEnd);
        *name = static_cast<char *>(_gl_alloc_ptr(need));
        if (*name == nullptr) return release_name(name, size, kDlNameNoMemory);
        *size = need;
    }

    char *out = *name;
    std::memcpy(out, install_dir, dir_length);
    std::memcpy(out + dir_length, kGluLibraryDir, prefix_length - dir_length);
    out += prefix_length;
    // The file may have changed since it was measured: stop at its end.
    for (size_t i = 0; i < length && (c = _gl_ext_fgetc(stream)) != EOF; ++i)
        *out++ = static_cast<char>(c);
    *out = '\0';
    if (c != EOF) (void)_gl_ext_fgetc(stream);  // the newline
    return kDlNameRead;
}

}  // namespace gls
