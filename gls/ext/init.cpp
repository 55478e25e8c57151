// Starting the extension: whether it is wanted, loading its libraries,
// handing it the host's services, and loading its data files.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "gls/ext/ext.h"
#include "gls/util/util.h"

namespace gls {

int32_t glu_capable = 0;
int32_t glu_loaded = 0;
int32_t unicode_collate = 0;
GluDllRecord handleglu[kGluMaxLibraries] = {};
GluMap *pMap = nullptr;
GluData *glu_data = nullptr;

namespace {

constexpr const char *kReadMode = "r";
constexpr const char *kUseDefault = "0";
constexpr int kDecimal = 10;
constexpr long kUseWanted = 1;
constexpr long kUseOptional = 2;  // a library that exists but will not load is passed over
constexpr int32_t kCapable = 1;
constexpr int32_t kCapableOptional = 2;

// <install>/gls/etc/64-dllregistry.48
constexpr const char *kListFormat = "%s%c%s%c%s%c%s-%s.%d";
constexpr char kSeparator = '/';
constexpr const char *kLibraryDir = "gls";
constexpr const char *kListDir = "etc";
constexpr const char *kListWidth = "64";
constexpr const char *kListName = "dllregistry";
constexpr int kListVersion = 48;

// The probe of gl_init_glu_internal's on-init form.
constexpr const char *kProbeLocale = "en_us.utf8";
constexpr int32_t kProbeCategory = 1;    // all categories
constexpr uint32_t kProbeClass = 0x004;  // "alpha"
constexpr unsigned char kProbeText[] = "a";
// Host slots that the probe runs without: the stream services.
constexpr int kProbeClearedSlots[] = {kExtFclose, kExtFeof,  kExtFerror, kExtFgetc, kExtFgets,
                                      kExtFopen,  kExtFseek, kExtFtell,  kExtFwrite};

// The host's memory services in the extension's form.
void *host_alloc_for_glu(const void *, size_t size) {
    return _gl_ext_malloc(size);
}
void *host_realloc_for_glu(const void *, void *block, size_t size) {
    return _gl_ext_realloc(block, size);
}
void host_free_for_glu(const void *, void *block) {
    _gl_ext_free(block);
}
void *host_calloc_for_glu(const void *, size_t count, size_t size) {
    return _gl_ext_calloc(count, size);
}

struct StreamCloser {
    void operator()(FILE *stream) const noexcept { (void)_gl_ext_fclose(stream); }
};
using HostStream = std::unique_ptr<FILE, StreamCloser>;

// The path of the next library, released however the loading ends.
struct LibraryName {
    char *text = nullptr;
    size_t size = 0;
    ~LibraryName() { _gl_free_ptr(text); }
};

int fail(void *context, const char *message, uint32_t error) {
    if (message != nullptr) gl_message(message);
    gl_set_error(context, error);
    return kGluFailed;
}

// A failed search keeps its out-of-memory error; anything else is a
// missing file.
int search_failed(void *context, const char *message) {
    gl_message(message);
    const uint32_t *cell = _gl_ext_errno(context);
    if (cell == nullptr || *cell != GL_ENOMEM) gl_set_error(context, GL_EFILE);
    return kGluFailed;
}

// Unloads what an unfinished attempt loaded, so that a failed attempt
// leaves no library mapped and no entry point pointing into one.
void unload_libraries(int count) {
    for (int i = 0; i < count; ++i)
        (void)qrmx_dlclose(&handleglu[i]);
    _glu_clear_entry_points();
}

bool file_exists(const char *path) {
    FILE *stream = _gl_ext_fopen(path, kReadMode);
    if (stream == nullptr) return false;
    (void)_gl_ext_fclose(stream);
    return true;
}

HostPtr<char> library_list_path(const char *install) {
    const int length =
        std::snprintf(nullptr, 0, kListFormat, install, kSeparator, kLibraryDir, kSeparator,
                      kListDir, kSeparator, kListWidth, kListName, kListVersion);
    if (length < 0) return HostPtr<char>();
    const size_t size = static_cast<size_t>(length) + 1;
    HostPtr<char> path(static_cast<char *>(_gl_alloc_ptr(size)));
    if (path)
        std::snprintf(path.get(), size, kListFormat, install, kSeparator, kLibraryDir, kSeparator,
                      kListDir, kSeparator, kListWidth, kListName, kListVersion);
    return path;
}

void register_stream_services() {
    fn_glu_setFgetcFunc(_gl_ext_getc);
    fn_glu_setFseekFunc(_gl_ext_fseek);
    fn_glu_setFtellFunc(_gl_ext_ftell);
    fn_glu_setFerrorFunc(_gl_ext_ferror);
    fn_glu_setFeofFunc(_gl_ext_feof);
}

// Hands the extension the host's services, in the order it expects them.
int register_host_services(void *context) {
    const int32_t status = fn_glu_setMemoryFunctions(host_alloc_for_glu, host_realloc_for_glu,
                                                     host_free_for_glu, host_calloc_for_glu);
    if (status != 0)
        return fail(context, "gl_init_glu_dll: End callback functions",
                    static_cast<uint32_t>(status));
    register_stream_services();
    fn_glu_setUCAFunc(_gl_ext_UCA);
    fn_glu_setPrintMessageFunc(gl_message);
    fn_glu_setMessageLevel(kGluMessageLevel);
    fn_glu_setMessageSubLevel(kGluMessageSubLevel);
    return kGluOk;
}

// Loads the listed libraries (at most four) into the records; the count
// loaded, or -1 after a failure that the caller returns as it is, or -2
// when the extension was switched off instead.
constexpr int kSwitchedOff = -2;
int load_libraries(void *context, const char *install, long wanted) {
    HostPtr<char> list_path = library_list_path(install);
    if (!list_path) return fail(context, "gl_init_glu_dll: memory allocation fails", GL_ENOMEM);
    HostStream list(_gl_ext_fopen(list_path.get(), kReadMode));
    if (!list) return fail(context, "gl_init_glu_dll: cannot open dllregistry", GL_EFILE);

    LibraryName name;
    int loaded = 0;
    while (loaded < kGluMaxLibraries) {
        const GluDlName got = get_dl_name(list.get(), install, &name.text, &name.size);
        if (got == kDlNameEnd) break;
        if (got == kDlNameNoMemory) {
            unload_libraries(loaded);
            return fail(context, "gl_init_glu_dll: memory allocation fails", GL_ENOMEM);
        }
        gl_message("gl_init_glu_dll: Loading library:");
        gl_message(name.text);
        GluDllRecord &record = handleglu[loaded];
        if (qrmx_dlopen(&record, name.text, kGluDlOpenDefault) == kGluOk) {
            ++loaded;
            continue;
        }
        unload_libraries(loaded);
        if (record.status == kGluDlInternalError)
            return fail(context, "gl_init_glu_dll: memory allocation fails", GL_ENOMEM);
        gl_message("LoadLibraries: Error Loading SharedObject file");
        gl_message(name.text);
        gl_message(record.error_text);
        if (file_exists(name.text) && glu_capable == kCapableOptional && wanted == kUseOptional) {
            glu_capable = 0;
            unicode_collate = 0;
            gl_message("gl_init_glu_dll: Error Loading DLLs allowed");
            return kSwitchedOff;
        }
        return fail(context, nullptr, GL_EFILE);
    }
    return loaded;
}

// Loads the libraries, resolves the entry points and registers the host's
// services; 0, -1, or kSwitchedOff.
int start_extension(void *context, long wanted) {
    gl_message("gl_init_glu_dll: Initializing");
    const char *install_value = _gl_ext_getenv(kInstallDirVariable);
    if (install_value == nullptr || *install_value == '\0') return fail(context, nullptr, GL_EFILE);
    // A library's start-up code may change the environment under the value.
    HostPtr<char> install = host_strdup(install_value);
    if (!install) return fail(context, "gl_init_glu_dll: memory allocation fails", GL_ENOMEM);

    const int loaded = load_libraries(context, install.get(), wanted);
    if (loaded < 0) return loaded;
    gl_message("gl_init_glu_dll: Loading symbols:");
    // An empty list leaves no handle here, which resolution reports.
    GluDllRecord *last = &handleglu[loaded > 0 ? loaded - 1 : 0];
    if (_glu_resolve_entry_points(last) != kGluOk) {
        unload_libraries(loaded);
        return fail(context, "gl_init_glu_dll: End icudata qrmx_dlsym error", GL_EFILE);
    }
    if (register_host_services(context) != kGluOk) {
        unload_libraries(loaded);
        return kGluFailed;
    }
    return kGluOk;
}

// Loads the extension's Unicode data, unless it already is.
int load_unicode_data(void *context) {
    if (glu_data != nullptr) return kGluOk;
    char file_name[kGluDataFileNameSize] = {};
    if (fn_glu_getIcuDataFileName(file_name, kGluDataFileNameSize) != 0)
        return fail(context, "gl_init_glu: End icudata not loaded, could not get icudata file name",
                    GL_EFILE);
    // The extension may have filled the whole buffer.
    file_name[kGluDataFileNameSize - 1] = '\0';
    HostPtr<char> directory(
        gl_path_search_rpath(nullptr, context, file_name, kGluDataSubdir, nullptr));
    if (!directory)
        return search_failed(context,
                             "gl_init_glu: End icudata not loaded, icudata file not found");
    GluStatus status = 0;
    GluData *data = fn_glu_loadIcuData(directory.get(), file_name, &status);
    if (status > 0) {
        if (data != nullptr) fn_glu_unloadIcuData(data);
        return fail(context, "gl_init_glu: End icudata not loaded", static_cast<uint32_t>(status));
    }
    glu_data = data;
    return kGluOk;
}

int load_map_data(void *context) {
    HostPtr<char> directory(
        gl_path_search_rpath(nullptr, context, kGluMapFileName, kGluDataSubdir, nullptr));
    if (!directory)
        return search_failed(context, "gl_init_glu: End pMap not loaded locmap file not found");
    GluStatus status = 0;
    GluMap *map = fn_glu_loadMapData(directory.get(), &status);
    if (status > 0) {
        if (map != nullptr) fn_glu_unloadMapData(map);
        return fail(context, "gl_init_glu: End pMap not loaded", static_cast<uint32_t>(status));
    }
    pMap = map;
    return kGluOk;
}

int load_extension(void *context) {
    if (gl_init_glu_dll(context) != kGluOk) {
        gl_message("gl_init_glu: loading DLLs error");
        return kGluFailed;
    }
    if (unicode_collate == 1) {
        gl_message("gl_init_glu: Loading ICU data:");
        if (load_unicode_data(context) != kGluOk) return kGluFailed;
        gl_message("gl_init_glu: Loading Map data:");
        if (load_map_data(context) != kGluOk) return kGluFailed;
    }
    gl_message("gl_init_glu: End");
    return kGluOk;
}

// Runs the loading with the host's stream services back at their C-library
// defaults, and puts the host's own back afterwards.
class StreamServicesCleared {
  public:
    StreamServicesCleared() : flag_(_gl_ext_func) {
        for (size_t i = 0; i < std::size(kProbeClearedSlots); ++i) {
            saved_[i] = _gl_get_ext_funcptr(kProbeClearedSlots[i]);
            _gl_set_ext_funcptr(kProbeClearedSlots[i], nullptr);
        }
    }
    ~StreamServicesCleared() {
        for (size_t i = 0; i < std::size(kProbeClearedSlots); ++i)
            _gl_set_ext_funcptr(kProbeClearedSlots[i], saved_[i]);
        if (flag_ == 0) _gl_reset_ext_func();
    }
    StreamServicesCleared(const StreamServicesCleared &) = delete;
    StreamServicesCleared &operator=(const StreamServicesCleared &) = delete;

  private:
    int32_t flag_;
    GlExtFunc saved_[std::size(kProbeClearedSlots)] = {};
};

// Opens, classifies with and closes a known locale, with the extension
// reading no stream through the host.
void probe_extension() {
    fn_glu_setFgetcFunc(nullptr);
    fn_glu_setFseekFunc(nullptr);
    fn_glu_setFtellFunc(nullptr);
    fn_glu_setFerrorFunc(nullptr);
    fn_glu_setFeofFunc(nullptr);
    GluStatus status = 0;
    if (GluLocale *locale = fn_glu_lc_open(pMap, kProbeLocale, kProbeCategory, &status)) {
        (void)fn_glu_ismctype(locale, kProbeText, 1, kProbeClass, &status);
        fn_glu_lc_close(locale);
    }
    register_stream_services();
}

}  // namespace

void gl_useglu(int32_t capability) {
    gl_message("gl_useglu: Begin");
    glu_capable = capability;
    gl_message("gl_useglu: exit");
}

int gl_init_glu(void *context) {
    return gl_init_glu_internal(context, 0);
}

int gl_init_glu_internal(void *context, int on_init) {
    gl_message("gl_init_glu: Begin");
    if (pMap != nullptr) return kGluOk;
    if (on_init != 1) return load_extension(context);

    StreamServicesCleared cleared;
    const int result = load_extension(context);
    if (result == kGluOk && unicode_collate == 1 && pMap != nullptr) probe_extension();
    return result;
}

int gl_init_glu_dll(void *context) {
    if (glu_loaded == 1) {
        gl_message("gl_init_glu_dll: preloaded");
        return kGluOk;
    }
    gl_message("gl_init_glu_dll: Begin");
    if (glu_capable != kCapable && glu_capable != kCapableOptional) {
        unicode_collate = 0;
        gl_message("gl_init_glu_dll: No glu_capable");
        return kGluOk;
    }
    gl_message("gl_init_glu_dll: glu_capable");
    const char *use = _gl_ext_getenv(kGluUseVariable);
    const long wanted = std::strtol(use != nullptr ? use : kUseDefault, nullptr, kDecimal);
    unicode_collate = wanted == kUseWanted || wanted == kUseOptional ? 1 : 0;
    if (unicode_collate == 1) {
        const int started = start_extension(context, wanted);
        // Switched off: the next call asks again, and finds no capability.
        if (started == kSwitchedOff) return kGluOk;
        // The entry points are null again: nothing may call through them.
        if (started != kGluOk) {
            unicode_collate = 0;
            return kGluFailed;
        }
    }
    gl_message("gl_init_glu_dll: End");
    glu_loaded = 1;
    return kGluOk;
}

}  // namespace gls
