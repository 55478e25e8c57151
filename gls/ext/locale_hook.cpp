// The extension's part in loading a locale: after a category is read from
// a named file, the extension may take the category over with a locale of
// its own, which the category then holds until it is nulled or released.
#include <cstring>

#include "gls/ext/ext.h"
#include "gls/load/locale.h"
#include "gls/util/util.h"

namespace gls {

namespace {

constexpr int32_t kServedByExtension = 1;

// Another category's handle for a locale of the same file name, if any.
void *shared_handle(const Locale *loc, int slot, const char *file_name) {
    for (int other = 0; other < kCategorySlots; ++other) {
        if (other != slot && loc->ext_handles[other] != nullptr &&
            std::strcmp(loc->file_names[other], file_name) == 0) {
            return loc->ext_handles[other];
        }
    }
    return nullptr;
}

bool held_elsewhere(const Locale *loc, int slot, const void *handle) {
    for (int other = 0; other < kCategorySlots; ++other) {
        if (other != slot && loc->ext_handles[other] == handle) return true;
    }
    return false;
}

// The extension serves collation with its own rules: the object's and the
// section's own weights no longer apply.
void hand_collation_over(Locale *loc) {
    loc->ctype.direct_weights = 0;
    loc->ctype.ext_collation = 1;
    loc->collate.direct_weights = 0;
    loc->collate.mode = kCollateExtension;
}

}  // namespace

int set_categories_glu(Locale *loc, int category, const char *file_name) {
    if (category < kFirstCategory || category > kLastCategory) return 0;
    const int slot = category_slot(category);
    set_categories_glu_null(loc, category);
    if (unicode_collate != 1 || pMap == nullptr || fn_glu_useIcuLocCall == nullptr ||
        fn_glu_lc_open == nullptr) {
        return 0;
    }
    gl_message("set_categories_glu: Begin");
    GluStatus status = 0;
    if (fn_glu_useIcuLocCall(pMap, file_name, category, &status) != kServedByExtension ||
        status > 0) {
        gl_message("set_categories_glu: End, category served by its file");
        return 0;
    }
    void *handle = shared_handle(loc, slot, file_name);
    if (handle == nullptr) {
        status = 0;
        GluLocale *opened = fn_glu_lc_open(pMap, file_name, category, &status);
        if (opened == nullptr || status > 0) {
            if (opened != nullptr && fn_glu_lc_close != nullptr) fn_glu_lc_close(opened);
            glu_store_status(loc, status);
            gl_message("set_categories_glu: End, glu_lc_open failed");
            return 1;
        }
        handle = opened;
    }
    loc->ext_handles[slot] = handle;
    loc->ext_flags[slot] = 1;
    if (loc->ext_flags[category_slot(kCatCollate)] == 1) hand_collation_over(loc);
    gl_message("set_categories_glu: End");
    return 0;
}

void set_categories_glu_null(Locale *loc, int category) {
    if (category < kFirstCategory || category > kLastCategory) return;
    const int slot = category_slot(category);
    void *handle = loc->ext_handles[slot];
    loc->ext_handles[slot] = nullptr;
    loc->ext_flags[slot] = 0;
    if (handle != nullptr && !held_elsewhere(loc, slot, handle) && fn_glu_lc_close != nullptr) {
        fn_glu_lc_close(static_cast<GluLocale *>(handle));
    }
}

}  // namespace gls
