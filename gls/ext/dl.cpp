// The dynamic loader behind the extension. Each wrapper keeps the loader's
// complaint in the library's record, as an owned copy, because the loader's
// own text is overwritten by its next call.
#include <dlfcn.h>

#include <cerrno>

#include "gls/ext/ext.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr const char *kInternalError = "Internal Error";

// Replaces an owned string of a record by a copy of text; null when there
// is no text or no memory for it.
void replace_text(char **slot, const char *text) {
    _gl_free_ptr(*slot);
    *slot = text != nullptr ? host_strdup(text).release() : nullptr;
}

int internal_error(GluDllRecord *record) {
    record->status = kGluDlInternalError;
    replace_text(&record->error_text, kInternalError);
    return kGluFailed;
}

}  // namespace

int qrmx_dlerror(GluDllRecord *record) {
    const int number = errno;
    replace_text(&record->error_text, dlerror());
    record->status = kGluDlLoaderError;
    return number;
}

int qrmx_dlopen(GluDllRecord *record, const char *path, int flags) {
    if (record == nullptr) return kGluFailed;
    // A record is reused on a later attempt; never drop a live handle.
    if (record->handle != nullptr) (void)qrmx_dlclose(record);
    if (path == nullptr) return internal_error(record);
    HostPtr<char> copy = host_strdup(path);
    if (!copy) return internal_error(record);
    _gl_free_ptr(record->path);
    record->path = copy.release();

    const int mode = flags == kGluDlOpenDefault ? (RTLD_NOW | RTLD_GLOBAL) : flags;
    record->handle = dlopen(path, mode);
    if (record->handle == nullptr) {
        (void)qrmx_dlerror(record);
        return kGluFailed;
    }
    record->status = 0;
    replace_text(&record->error_text, nullptr);
    return kGluOk;
}

int qrmx_dlsym(GluDllRecord *record, void **address, const char *name) {
    if (record == nullptr) return kGluFailed;
    if (address != nullptr) *address = nullptr;
    if (record->handle == nullptr || name == nullptr || address == nullptr)
        return internal_error(record);
    (void)dlerror();  // so that a stale message is not taken for this one
    void *found = dlsym(record->handle, name);
    if (found == nullptr) {
        (void)qrmx_dlerror(record);
        return kGluFailed;
    }
    *address = found;
    return kGluOk;
}

int qrmx_dlclose(GluDllRecord *record) {
    if (record == nullptr) return kGluFailed;
    int result = kGluOk;
    if (record->handle != nullptr) {
        if (dlclose(record->handle) != 0) {
            (void)qrmx_dlerror(record);
            result = kGluFailed;
        }
        record->handle = nullptr;
    }
    _gl_free_ptr(record->path);
    record->path = nullptr;
    return result;
}

}  // namespace gls
