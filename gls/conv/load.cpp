// Loading and releasing descriptors: the code sets of the two locales, the
// extension's converter when it takes the pair, else the conversion file.
#include <cmath>
#include <cstring>

#include "gls/conv/conv.h"
#include "gls/conv/conv_internal.h"
#include "gls/ext/ext.h"
#include "gls/names/names.h"
#include "gls/util/util.h"

namespace gls {

namespace {

CvDesc error_descriptor(uint32_t error) {
    CvDesc cd{};
    cd.error = error;
    return cd;
}

}  // namespace

CvDesc cd_enomem = error_descriptor(GL_ENOMEM);
CvDesc cd_fileerr = error_descriptor(GL_EFILE);
CvDesc cd_einval = error_descriptor(GL_EINVAL);

namespace {

constexpr const char *kSearchSubdir = "cv";
constexpr const char *kSearchVersion = "9";
constexpr int32_t kExtensionServes = 1;

bool is_static(const CvDesc *cd) {
    return cd == &cd_enomem || cd == &cd_fileerr || cd == &cd_einval;
}

int fail_with(CvDesc **out, CvDesc *cd) {
    *out = cd;
    return kCvLoadFailed;
}

// The extension's converter for the pair, when it wants the pair.
// kCvLoaded, kCvLoadFailed, or 0 when the file should be read instead.
int open_extension(CvDesc *cd, uint16_t target, uint16_t source) {
    if (unicode_collate != 1 || fn_glu_useIcuCvtCall == nullptr || fn_glu_cv_open == nullptr)
        return 0;
    GluStatus status = 0;
    if (fn_glu_useIcuCvtCall(pMap, target, source, 0, &status) != 1) return 0;
    status = 0;
    GluConverter *handle = fn_glu_cv_open(pMap, target, source, &status);
    if (status > 0 || handle == nullptr) {
        if (handle != nullptr && fn_glu_cv_close != nullptr) fn_glu_cv_close(handle);
        gl_set_error(cd, GL_EFILE);
        return kCvLoadFailed;
    }
    cd->ext_handle = handle;
    cd->ext_flag = kExtensionServes;
    return kCvLoaded;
}

// The file: exactly the named path with a directory, else the search.
FILE *open_conversion_file(CvDesc *cd, const char *name, const char *directory) {
    gl_set_error(cd, 0);
    FILE *stream = directory != nullptr && *directory != '\0'
                       ? gl_open_file(cd, name)
                       : gl_path_search(cd, name, kSearchSubdir, kSearchVersion);
    // gl_open_file says nothing when it could not copy the name.
    if (stream == nullptr && cd->error == 0) gl_set_error(cd, GL_ENOMEM);
    return stream;
}

}  // namespace

int gl_cv_load(CvDesc **out, const char *target_locale, const char *source_locale, int /*flags*/,
               const char *directory) {
    if (out == nullptr) return kCvLoadFailed;
    // The failures of these steps are told by the static descriptors, so
    // their own error numbers go to a scratch cell.
    uint32_t scratch = 0;
    if (gl_init_glu(&scratch) != kGluOk) return fail_with(out, &cd_fileerr);
    const uint16_t target = gl_lc_spec2cs_num(&scratch, target_locale, nullptr);
    const uint16_t source = gl_lc_spec2cs_num(&scratch, source_locale, nullptr);
    if (target == kNoCodeSet || source == kNoCodeSet) return fail_with(out, &cd_einval);
    if (target == source) {
        *out = nullptr;
        return kCvSameCodeSet;
    }

    const size_t directory_length = directory != nullptr ? std::strlen(directory) : 0;
    auto name = host_alloc<char>(directory_length + kCvFnameExtra);
    if (!name) return fail_with(out, &cd_enomem);
    gl_cs_nums2cv_fname(&scratch, source, target, name.get(), directory);

    auto owned = host_alloc<CvDesc>();
    if (!owned) return fail_with(out, &cd_enomem);
    CvDesc *cd = owned.release();
    *out = cd;
    if (const int extension = open_extension(cd, target, source); extension != 0) return extension;

    FILE *stream = open_conversion_file(cd, name.get(), directory);
    if (stream == nullptr) return kCvLoadFailed;
    const int read = gl_cv_read(cd, stream);
    (void)_gl_ext_fclose(stream);
    return read == 0 ? kCvLoaded : kCvLoadFailed;
}

void gl_cv_unload(CvDesc *cd) {
    if (cd == nullptr || is_static(cd)) return;
    if (cd->ext_flag == kExtensionServes) {
        if (cd->ext_handle != nullptr && fn_glu_cv_close != nullptr)
            fn_glu_cv_close(cd->ext_handle);
    } else {
        _gl_free_multi(cd->tree);
        _gl_free_multi(cd->shift_tree);
    }
    _gl_free_ptr(cd->byte_table);
    _gl_free_ptr(cd->pair_slots);
    _gl_free_ptr(cd);
}

double gl_iconv_expansion(CvDesc *cd) {
    if (cd->ext_flag == kExtensionServes && fn_glu_iconv_expansion != nullptr)
        return fn_glu_iconv_expansion(cd->ext_handle);
    return cd->expansion;
}

size_t gl_cv_outbuflen(CvDesc *cd, size_t n) {
    const double room = std::ceil(static_cast<double>(n) * gl_iconv_expansion(cd));
    if (!(room >= 0)) return 0;
    // Doubles at and above 2^64 do not convert to size_t.
    if (room >= 18446744073709551616.0) return SIZE_MAX;
    return static_cast<size_t>(room);
}

}  // namespace gls
