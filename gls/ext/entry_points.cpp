// The extension's entry points: one process-wide pointer each, resolved
// by name from the last library loaded, in the extension's fixed order
// (two names come twice; resolving them again is harmless).
#include <type_traits>

#include "gls/ext/ext.h"

namespace gls {

GluGetIcuDataFileNameFn fn_glu_getIcuDataFileName = nullptr;
GluUseIcuCvtCallFn fn_glu_useIcuCvtCall = nullptr;
GluUseIcuLocCallFn fn_glu_useIcuLocCall = nullptr;
GluIcuErrorNameFn fn_glu_icuErrorName = nullptr;
GluLoadIcuDataFn fn_glu_loadIcuData = nullptr;
GluUnloadIcuDataFn fn_glu_unloadIcuData = nullptr;
GluLoadMapDataFn fn_glu_loadMapData = nullptr;
GluUnloadMapDataFn fn_glu_unloadMapData = nullptr;
GluCvOpenFn fn_glu_cv_open = nullptr;
GluCvCloseFn fn_glu_cv_close = nullptr;
GluLcCloneFn fn_glu_lc_clone = nullptr;
GluCvConvFn fn_glu_cv_conv = nullptr;
GluIconvExpansionFn fn_glu_iconv_expansion = nullptr;
GluAssignGlobalStructFn fn_glu_assign_global_struct = nullptr;
GluLcOpenFn fn_glu_lc_open = nullptr;
GluLcCloseFn fn_glu_lc_close = nullptr;
GluMbLocLenFn fn_glu_mb_loc_max = nullptr;
GluGetICULocNameFn fn_glu_getICULocName = nullptr;
GluGetICUCvtNameFn fn_glu_getICUCvtName = nullptr;
GluMbLocLenFn fn_glu_mb_loc_min = nullptr;
GluCaseConvOutbuflenFn fn_glu_case_conv_outbuflen = nullptr;
GluIsmctypeFn fn_glu_ismctype = nullptr;
GluIsuc32typeFn fn_glu_isuc32type = nullptr;
GluMbtoucFn fn_glu_mbtouc = nullptr;
GluUctombFn fn_glu_uctomb = nullptr;
GluMbtouc32Fn fn_glu_mbtouc32 = nullptr;
GluUc32tombFn fn_glu_uc32tomb = nullptr;
GluMbCharFn fn_glu_mblen = nullptr;
GluMbCharFn fn_glu_mbwidth = nullptr;
GluUc32widthFn fn_glu_uc32width = nullptr;
GluMbCaseFn fn_glu_mbtoupper = nullptr;
GluMbCaseFn fn_glu_mbtolower = nullptr;
GluUc32CaseFn fn_glu_uc32toupper = nullptr;
GluUc32CaseFn fn_glu_uc32tolower = nullptr;
GluMbstoucsFn fn_glu_mbstoucs = nullptr;
GluUcstombsFn fn_glu_ucstombs = nullptr;
GluMbstoucs32Fn fn_glu_mbstoucs32 = nullptr;
GluUcs32tombsFn fn_glu_ucs32tombs = nullptr;
GluMbsprevFn fn_glu_mbsprev = nullptr;
GluMbsnextFn fn_glu_mbsnext = nullptr;
GluCharoffsetFn fn_glu_charoffset = nullptr;
GluMbsntsbytesFn fn_glu_mbsntsbytes = nullptr;
GluMbsCaseFn fn_glu_mbstoupper = nullptr;
GluMbsCaseLenFn fn_glu_mbstoupper_len = nullptr;
GluMbsCaseFn fn_glu_mbstolower = nullptr;
GluMbsCaseLenFn fn_glu_mbstolower_len = nullptr;
GluUcs32CaseFn fn_glu_ucs32toupper = nullptr;
GluUcs32CaseFn fn_glu_ucs32tolower = nullptr;
GluMbCharFn fn_glu_mbslen = nullptr;
GluMbsbytesFn fn_glu_mbsbytes = nullptr;
GluUcs32lenFn fn_glu_ucs32len = nullptr;
GluUcs32uc32Fn fn_glu_ucs32uc32 = nullptr;
GluMbschrFn fn_glu_mbschr = nullptr;
GluMbsWidthFn fn_glu_mbswidth = nullptr;
GluUcs32WidthFn fn_glu_ucs32width = nullptr;
GluMbsWidthFn fn_glu_mbspwidth = nullptr;
GluUcs32WidthFn fn_glu_ucs32pwidth = nullptr;
GluUcscollFn fn_glu_ucscoll = nullptr;
GluUcsxfrmFn fn_glu_ucsxfrm = nullptr;
GluUcs32collFn fn_glu_ucs32coll = nullptr;
GluUcs32xfrmFn fn_glu_ucs32xfrm = nullptr;
GluMbscollFn fn_glu_mbscoll = nullptr;
GluMbsxfrmFn fn_glu_mbsxfrm = nullptr;
GluMbsCollBoundFn fn_glu_mbsCollBound = nullptr;
GluMbsCollBoundFn fn_glu_mbsSortKeyCollBound = nullptr;
GluFgetuc32Fn fn_glu_fgetuc32 = nullptr;
GluGetmbFn fn_glu_getmb = nullptr;
GluGetmbsiFn fn_glu_getmbsi = nullptr;
GluPutmbsiFn fn_glu_putmbsi = nullptr;
GluSetMemoryFunctionsFn fn_glu_setMemoryFunctions = nullptr;
GluSetStreamFuncFn fn_glu_setFgetcFunc = nullptr;
GluSetFseekFuncFn fn_glu_setFseekFunc = nullptr;
GluSetFtellFuncFn fn_glu_setFtellFunc = nullptr;
GluSetStreamFuncFn fn_glu_setFerrorFunc = nullptr;
GluSetStreamFuncFn fn_glu_setFeofFunc = nullptr;
GluSetUCAFuncFn fn_glu_setUCAFunc = nullptr;
GluUcstoucs32Fn fn_glu_ucstoucs32 = nullptr;
GluUcs32toucsFn fn_glu_ucs32toucs = nullptr;
GluSetPrintMessageFuncFn fn_glu_setPrintMessageFunc = nullptr;
GluSetLevelFn fn_glu_setMessageLevel = nullptr;
GluSetLevelFn fn_glu_setMessageSubLevel = nullptr;

namespace {

// Visits every pointer with its C name, in the order of resolution. The
// macro keeps each pointer and its name from drifting apart.
template <class Visit>
void for_each_entry_point(Visit &&visit) {
#define GLU_ENTRY(name) visit(fn_##name, #name)
    GLU_ENTRY(glu_getIcuDataFileName);
    GLU_ENTRY(glu_useIcuCvtCall);
    GLU_ENTRY(glu_useIcuLocCall);
    GLU_ENTRY(glu_icuErrorName);
    GLU_ENTRY(glu_loadIcuData);
    GLU_ENTRY(glu_unloadIcuData);
    GLU_ENTRY(glu_loadMapData);
    GLU_ENTRY(glu_unloadMapData);
    GLU_ENTRY(glu_cv_open);
    GLU_ENTRY(glu_cv_close);
    GLU_ENTRY(glu_lc_clone);
    GLU_ENTRY(glu_cv_conv);
    GLU_ENTRY(glu_iconv_expansion);
    GLU_ENTRY(glu_assign_global_struct);
    GLU_ENTRY(glu_lc_open);
    GLU_ENTRY(glu_lc_close);
    GLU_ENTRY(glu_lc_clone);
    GLU_ENTRY(glu_mb_loc_max);
    GLU_ENTRY(glu_getICULocName);
    GLU_ENTRY(glu_getICUCvtName);
    GLU_ENTRY(glu_mb_loc_min);
    GLU_ENTRY(glu_case_conv_outbuflen);
    GLU_ENTRY(glu_ismctype);
    GLU_ENTRY(glu_isuc32type);
    GLU_ENTRY(glu_mbtouc);
    GLU_ENTRY(glu_uctomb);
    GLU_ENTRY(glu_mbtouc32);
    GLU_ENTRY(glu_uc32tomb);
    GLU_ENTRY(glu_mblen);
    GLU_ENTRY(glu_mbwidth);
    GLU_ENTRY(glu_uc32width);
    GLU_ENTRY(glu_mbtoupper);
    GLU_ENTRY(glu_mbtolower);
    GLU_ENTRY(glu_uc32toupper);
    GLU_ENTRY(glu_uc32tolower);
    GLU_ENTRY(glu_mbstoucs);
    GLU_ENTRY(glu_ucstombs);
    GLU_ENTRY(glu_mbstoucs32);
    GLU_ENTRY(glu_ucs32tombs);
    GLU_ENTRY(glu_mbsprev);
    GLU_ENTRY(glu_mbsnext);
    GLU_ENTRY(glu_charoffset);
    GLU_ENTRY(glu_mbsntsbytes);
    GLU_ENTRY(glu_mbstoupper);
    GLU_ENTRY(glu_mbstoupper_len);
    GLU_ENTRY(glu_mbstolower);
    GLU_ENTRY(glu_mbstolower_len);
    GLU_ENTRY(glu_ucs32toupper);
    GLU_ENTRY(glu_ucs32tolower);
    GLU_ENTRY(glu_mbslen);
    GLU_ENTRY(glu_mbsbytes);
    GLU_ENTRY(glu_ucs32len);
    GLU_ENTRY(glu_ucs32uc32);
    GLU_ENTRY(glu_mbschr);
    GLU_ENTRY(glu_mbswidth);
    GLU_ENTRY(glu_ucs32width);
    GLU_ENTRY(glu_mbspwidth);
    GLU_ENTRY(glu_ucs32pwidth);
    GLU_ENTRY(glu_ucscoll);
    GLU_ENTRY(glu_ucsxfrm);
    GLU_ENTRY(glu_ucs32coll);
    GLU_ENTRY(glu_ucs32xfrm);
    GLU_ENTRY(glu_mbscoll);
    GLU_ENTRY(glu_mbsxfrm);
    GLU_ENTRY(glu_mbsCollBound);
    GLU_ENTRY(glu_mbsSortKeyCollBound);
    GLU_ENTRY(glu_fgetuc32);
    GLU_ENTRY(glu_getmb);
    GLU_ENTRY(glu_getmbsi);
    GLU_ENTRY(glu_putmbsi);
    GLU_ENTRY(glu_setMemoryFunctions);
    GLU_ENTRY(glu_setFgetcFunc);
    GLU_ENTRY(glu_setFseekFunc);
    GLU_ENTRY(glu_setFtellFunc);
    GLU_ENTRY(glu_setFerrorFunc);
    GLU_ENTRY(glu_setFeofFunc);
    GLU_ENTRY(glu_setUCAFunc);
    GLU_ENTRY(glu_ucstombs);
    GLU_ENTRY(glu_ucstoucs32);
    GLU_ENTRY(glu_ucs32toucs);
    GLU_ENTRY(glu_setPrintMessageFunc);
    GLU_ENTRY(glu_setMessageLevel);
    GLU_ENTRY(glu_setMessageSubLevel);
#undef GLU_ENTRY
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
