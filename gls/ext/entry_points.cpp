// The extension's entry points: one process-wide pointer each, resolved
// by name from the last library loaded, in the extension's fixed order
// (two names come twice; resolving them again is harmless).
#include <type_traits>

#include "gls/ext/ext.h"

namespace gls {

#define GLU_ENTRY(name, Type) Type fn_##name = nullptr;
#define GLU_ENTRY_AGAIN(name)
#include "gls/ext/ext_entries.def"

namespace {

// Visits every pointer with its C name, in the order of resolution; one
// list makes the pointer and its name, so they cannot drift apart.
template <class Visit>
void for_each_entry_point(Visit &&visit) {
#define GLU_ENTRY(name, Type) visit(fn_##name, #name);
#define GLU_ENTRY_AGAIN(name) visit(fn_##name, #name);
#include "gls/ext/ext_entries.def"
}

}  // namespace

int _glu_resolve_entry_points(GluDllRecord *record) {
    bool resolved = true;
    // Every name is tried, so that no pointer is left from an earlier library.
    for_each_entry_point([&](auto &pointer, const char *name) {
        void *address = nullptr;
        if (qrmx_dlsym(record, &address, name) != kGluOk) resolved = false;
        pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(address);
    });
    if (!resolved) _glu_clear_entry_points();
    return resolved ? kGluOk : kGluFailed;
}

void _glu_clear_entry_points() {
    for_each_entry_point([](auto &pointer, const char *) { pointer = nullptr; });
}

}  // namespace gls
