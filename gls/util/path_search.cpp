// Finding and opening a data file: an absolute name, a name carrying its
// directories, the GL_PATH list, or the installation directory.
#include <cstdlib>
#include <cstring>

#include "gls/util/util.h"

namespace gls {

const GlFileOps gl_ext_functions = {_gl_ext_malloc, _gl_ext_free, _gl_ext_fopen, _gl_ext_fclose};
const GlFileOps gl_reg_functions = {gl_ext_malloc, gl_ext_free, gl_ext_fopen, gl_ext_fclose};

namespace {

constexpr const char *kReadMode = "r";
constexpr const char *kLibraryDir = "gls";
constexpr char kSeparator = '/';
constexpr const char *kRootDir = "/";
constexpr unsigned char kEmbeddedSeparator = 0xFF;
constexpr char kListSeparator = ':';
// Room for the longer diagnostic prefix and the terminator.
constexpr size_t kMessageOverhead = 21;
constexpr const char *kInstallDirTooLong =
    "Environment variable VELMORADDIR cannot be greater than 256 characters";

// A working buffer: the 1024 bytes on the stack, or a larger block from the
// table when a path needs it. Contents are not kept across a reserve.
class PathBuffer {
  public:
    explicit PathBuffer(const GlFileOps *table) : table_(table) {}
    ~PathBuffer() {
        if (heap_ != nullptr) table_->release(heap_);
    }
    PathBuffer(const PathBuffer &) = delete;
    PathBuffer &operator=(const PathBuffer &) = delete;

    // False when the table has no memory for size bytes.
    [[nodiscard]] bool reserve(size_t size) {
        if (size <= capacity_) return true;
        auto *bigger = static_cast<char *>(table_->alloc(size));
        if (bigger == nullptr) return false;
        if (heap_ != nullptr) table_->release(heap_);
        heap_ = bigger;
        data_ = bigger;
        capacity_ = size;
        return true;
    }
    char *data() { return data_; }
    size_t capacity() const { return capacity_; }

  private:
    const GlFileOps *table_;
    char local_[kPathBufferSize];
    char *heap_ = nullptr;
    char *data_ = local_;
    size_t capacity_ = kPathBufferSize;
};

uint32_t current_error(void *context) {
    const uint32_t *cell = _gl_ext_errno(context);
    return cell != nullptr ? *cell : 0;
}

bool has_embedded_separator(const char *name) {
    for (const char *p = name; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) == kEmbeddedSeparator) return true;
    }
    return false;
}

// Tries each non-empty element of a ':'-separated list as the directory.
FILE *search_list(void *context, const char *list, const char *name, char **rpath,
                  const GlFileOps *table, uint32_t entry_error) {
    size_t list_len = std::strlen(list);
    PathBuffer copy(table);
    if (!copy.reserve(list_len + 1)) {
        gl_set_error(context, GL_ENOMEM);
        return nullptr;
    }
    std::memcpy(copy.data(), list, list_len + 1);

    size_t name_len = std::strlen(name);
    PathBuffer path(table);
    FILE *stream = nullptr;
    char *next = copy.data();
    while (stream == nullptr && next != nullptr) {
        char *element = next;
        char *end = std::strchr(element, kListSeparator);
        next = end != nullptr ? end + 1 : nullptr;
        if (end != nullptr) *end = '\0';
        size_t element_len = std::strlen(element);
        if (element_len == 0) continue;
        if (!path.reserve(element_len + 1 + name_len + 1)) {
            gl_set_error(context, GL_ENOMEM);
            return nullptr;
        }
        // An earlier element's failure must not outlive a later success.
        gl_set_error(context, entry_error);
        std::memcpy(path.data(), element, element_len + 1);
        if (gl_fix_rpath(context, rpath, path.data(), table) != 0) return nullptr;
        path.data()[element_len] = kSeparator;
        std::memcpy(path.data() + element_len + 1, name, name_len + 1);
        stream = open_file(context, path.data(), table);
    }
    return stream;
}

// Tries <install>/gls/<subdir><version>/<name>, the buffer having been sized
// for it. False when the directory could not be recorded in *rpath.
bool try_install_dir(void *context, PathBuffer &path, const char *install, const char *subdir,
                     const char *version, const char *name, char **rpath, const GlFileOps *table,
                     FILE **stream) {
    int dir_len = std::snprintf(path.data(), path.capacity(), "%s%c%s%c%s%s", install, kSeparator,
                                kLibraryDir, kSeparator, subdir, version);
    if (gl_fix_rpath(context, rpath, path.data(), table) != 0) return false;
    std::snprintf(path.data() + dir_len, path.capacity() - static_cast<size_t>(dir_len), "%c%s",
                  kSeparator, name);
    *stream = open_file(context, path.data(), table);
    return true;
}

FILE *search_installation(void *context, const char *name, char **rpath, const char *subdir,
                          const char *version, const GlFileOps *table, uint32_t entry_error) {
    const char *install = _gl_get_env_var(kInstallDirVariable);
    if (install == nullptr) install = kDefaultInstallDirectory;
    if (subdir == nullptr) subdir = "";
    if (version == nullptr) version = "";
    constexpr size_t kSeparators = 3;
    size_t need = std::strlen(install) + kSeparators + std::strlen(kLibraryDir) +
                  std::strlen(subdir) + std::strlen(version) + std::strlen(name) + 1;
    PathBuffer path(table);
    if (!path.reserve(need)) {
        gl_set_error(context, GL_ENOMEM);
        return nullptr;
    }
    FILE *stream = nullptr;
    if (*version != '\0') {
        if (!try_install_dir(context, path, install, subdir, version, name, rpath, table, &stream))
            return nullptr;
        if (stream != nullptr) return stream;
    }
    gl_set_error(context, entry_error);
    if (!try_install_dir(context, path, install, subdir, "", name, rpath, table, &stream))
        return nullptr;
    return stream;
}

}  // namespace

FILE *open_file(void *context, const char *path, const GlFileOps *table) {
    size_t size = std::strlen(path) + kMessageOverhead;
    PathBuffer message(table);
    if (!message.reserve(size)) {
        gl_set_error(context, GL_ENOMEM);
        return nullptr;
    }
    FILE *stream = table->open(path, kReadMode);
    if (stream != nullptr) {
        std::snprintf(message.data(), size, "Opened: %s", path);
    } else {
        std::snprintf(message.data(), size, "Could not open: %s", path);
    }
    gl_message(message.data());
    if (stream == nullptr) gl_set_error(context, GL_EFILE);
    return stream;
}

FILE *gl_open_file(void *context, const char *name) {
    size_t len = std::strlen(name);
    auto *copy = static_cast<char *>(gl_ext_functions.alloc(len + 1));
    if (copy == nullptr) return nullptr;
    for (size_t i = 0; i <= len; ++i) {
        bool embedded = static_cast<unsigned char>(name[i]) == kEmbeddedSeparator;
        copy[i] = embedded ? kSeparator : name[i];
    }
    FILE *stream = open_file(context, copy, &gl_ext_functions);
    gl_ext_functions.release(copy);
    return stream;
}

int gl_fix_rpath(void *context, char **rpath, const char *directory, const GlFileOps *table) {
    if (*rpath != nullptr) {
        table->release(*rpath);
        *rpath = nullptr;
    }
    size_t len = std::strlen(directory);
    auto *copy = static_cast<char *>(table->alloc(len + 1));
    if (copy == nullptr) {
        gl_set_error(context, GL_ENOMEM);
        return 1;
    }
    std::memcpy(copy, directory, len + 1);
    *rpath = copy;
    return 0;
}

FILE *gl_path_search1(void *context, const char *name, char **rpath, const char *subdir,
                      const char *version, const GlFileOps *table) {
    if (name == nullptr) {
        gl_set_error(context, GL_ENULLARG);
        return nullptr;
    }
    const uint32_t entry_error = current_error(context);
    const char *install = _gl_ext_getenv(kInstallDirVariable);
    if (install != nullptr && std::strlen(install) > kMaxInstallDirLength) {
        // Stored after the report: the first report may run the host's
        // environment service, which must not leave its own error behind.
        gl_message(kInstallDirTooLong);
        gl_set_error(context, GL_EFILE);
        return nullptr;
    }
    if (has_embedded_separator(name)) return gl_open_file(context, name);
    if (name[0] == kSeparator) {
        if (gl_fix_rpath(context, rpath, kRootDir, table) != 0) return nullptr;
        return open_file(context, name, table);
    }
    // The search list is the process's own, not the host's view of it.
    const char *list = std::getenv(kSearchPathVariable);
    if (list != nullptr && *list != '\0')
        return search_list(context, list, name, rpath, table, entry_error);
    return search_installation(context, name, rpath, subdir, version, table, entry_error);
}

FILE *gl_path_search(void *context, const char *name, const char *subdir, const char *version) {
    char *rpath = nullptr;
    FILE *stream = gl_path_search1(context, name, &rpath, subdir, version, &gl_ext_functions);
    if (rpath != nullptr) gl_ext_functions.release(rpath);
    return stream;
}

FILE *gl_path_search_no_ext(void *context, const char *name, const char *subdir,
                            const char *version) {
    char *rpath = nullptr;
    FILE *stream = gl_path_search1(context, name, &rpath, subdir, version, &gl_reg_functions);
    if (rpath != nullptr) gl_reg_functions.release(rpath);
    return stream;
}

char *gl_path_search_rpath(char *initial_dir, void *context, const char *name, const char *subdir,
                           const char *version) {
    char *rpath = initial_dir;
    FILE *stream = gl_path_search1(context, name, &rpath, subdir, version, &gl_ext_functions);
    if (stream != nullptr) {
        (void)gl_ext_functions.close(stream);
        return rpath;
    }
    if (rpath != nullptr) gl_ext_functions.release(rpath);
    return nullptr;
}

}  // namespace gls
