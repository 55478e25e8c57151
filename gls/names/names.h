// Locale names, code-set numbers and the code-set registry: a locale
// specification ("en_US.8859-1") names a locale object file, a code-set name
// names a number, and a pair of numbers names a conversion file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "gls/util/util.h"

namespace gls {

// The number that stands for "no code set"; every look-up fails with it.
inline constexpr uint16_t kNoCodeSet = 0xE000;

// Limits of the names.
inline constexpr size_t kCsNameSize = 22;      // a code-set name and its terminator
inline constexpr size_t kMaxSpecLength = 285;  // a locale specification
inline constexpr size_t kLcFnameSize = 311;    // out of gl_lc_spec2lc_fname
inline constexpr size_t kMsgDnameSize = 260;   // out of gl_lc_spec2msg_dname
// Out of _gl_is_xopen_spec for one simple specification: "xxx_yy/hhhhmmmm.lco".
inline constexpr size_t kXopenFnameSize = 20;
// Outs of gl_lc_fname2lc_pieces ("xxx_YY", "65535", "mmmm") and of
// gl_lc_pieces2lc_spec ("xxx_YY.65535@mmmm").
inline constexpr size_t kLangTerrSize = 8;
inline constexpr size_t kCsNumTextSize = 6;
inline constexpr size_t kModifierSize = 5;
inline constexpr size_t kPiecesSpecSize = 18;
// Out of gl_cs_nums2cv_fname: this many bytes plus the directory's length.
inline constexpr size_t kCvFnameExtra = 14;

// Stands for "/" in a file name that carries its directory (see gl_open_file).
inline constexpr char kDirMark = '\xFF';

// Registry file search: <installation>/gls/cm3/registry, then .../cm/registry.
inline constexpr const char *kRegistryName = "registry";
inline constexpr const char *kRegistrySubdir = "cm";
inline constexpr const char *kRegistryVersion = "3";

// A record of the registry file, kept in file order.
struct GlRegistryNode {
    char *name;  // kCsNameSize bytes, lower case
    uint16_t number;
    GlRegistryNode *next;
};

// A row of the built-in table; the table ends with a null name.
struct GlRegistryRow {
    const char *name;
    uint16_t number;
};
inline constexpr size_t kCannedRegistryRows = 123;
extern const GlRegistryRow gls_canned_registry[kCannedRegistryRows + 1];

// The caches: the list read from the file, or the built-in table when the
// file could not be read. With neither, every look-up reads the file again.
extern GlRegistryNode *gls_registry_list_cache;
extern const GlRegistryRow *gls_registry_array_cache;
// The table through which the registry allocates and opens: the C library's
// (the cache outlives any host), unless a test routes it through the host.
extern const GlFileOps *gls_registry_ops;

// Reads the registry (the explicit path, or the search) into the list cache.
// A file that cannot be opened (GL_ENOREG), is malformed (GL_EBADREG) or
// runs the memory out (GL_ENOMEM) leaves the built-in table in its place.
void gl_cache_registry(void *context, const char *path);
void gl_free_registry_cache();

// The number of a code-set name (any case) or of a decimal number below
// 65536; kNoCodeSet with GL_EINVAL when it is neither.
[[nodiscard]] uint16_t gl_cs_name2cs_num(void *context, const char *name,
                                         const char *registry_path);

// Registry file tokens. The next name, lower case, into buffer (size bytes):
// 1, or 0 at the end of the file and on a name of size characters or more.
[[nodiscard]] int _gl_next_cs_name_from_registry(FILE *stream, char *buffer, size_t size);
// The next number, or kNoCodeSet with GL_EBADREG.
[[nodiscard]] uint16_t _gl_next_cs_number_from_registry(void *context, FILE *stream);
// Skips past the next newline: 1, or 0 at the end of the file.
int ignore_till_eol(FILE *stream);

// Parses one simple specification at *spec and writes its file name at *out
// (room for kXopenFnameSize bytes). On success returns 1, stores the code-set
// number and moves both cursors past what was read and written; the name is
// terminated unless a modifier followed. Otherwise 0, cursors unmoved.
[[nodiscard]] int _gl_is_xopen_spec(void *context, const char **spec, char **out, uint16_t *number,
                                    const char *registry_path);

// The code-set number of a simple or composite specification, or of a bare
// code-set name or number; kNoCodeSet on failure.
[[nodiscard]] uint16_t gl_lc_spec2cs_num(void *context, const char *spec,
                                         const char *registry_path);

// The locale object file name of a specification into out (kLcFnameSize
// bytes): "en_us/0333.lco", or for a composite the same text with every
// specification replaced by its file name, each after directory and mark.
// 0, or -1 with GL_EINVAL.
[[nodiscard]] int gl_lc_spec2lc_fname(void *context, const char *spec, char *out,
                                      const char *registry_path, const char *directory);

// The message directory name of a locale ("de_de/0333") into out
// (kMsgDnameSize bytes): 0, or non-zero when it cannot be translated.
[[nodiscard]] int gl_lc_spec2msg_dname(void *context, const char *spec, char *out,
                                       const char *registry_path, const char *directory);

// The conversion file name of two code-set numbers: "0333e01c.cvo", after
// the directory and mark when a directory is given.
void gl_cs_nums2cv_fname(void *context, uint16_t first, uint16_t second, char *out,
                         const char *directory);

// A locale object file name back to its pieces: "en_US", the number in
// decimal, the modifier. 0 or -1.
[[nodiscard]] int gl_lc_fname2lc_pieces(void *context, const char *fname, char *lang_terr,
                                        char *cs_number, char *modifier);
// Pieces to a specification: "en_US.819", "@" and the modifier when there
// is one. 0 or -1.
[[nodiscard]] int gl_lc_pieces2lc_spec(void *context, const char *lang_terr, const char *cs_number,
                                       const char *modifier, char *out);

// The library category named at the start of text (1 GL_CTYPE to
// 6 GL_MESSAGES), or 0; *length receives the name's length.
[[nodiscard]] int _gl_is_category(const char *text, size_t *length);

// Appends directory and kDirMark to the string in out; nothing for a null or
// empty directory.
void pathcat_mark(char *out, const char *directory);

}  // namespace gls
