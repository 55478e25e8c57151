// Time and number formatting in a locale's conventions, and the locale
// information items that callers read from a loaded locale.
#pragma once

#include <cstdint>

#include "gls/load/locale.h"

namespace gls {

// Information item numbers of gl_nl_langinfo.
enum LangInfoItem : int {
    kItemDateTimeFormat = 0,
    kItemFirstDay = 1,       // 1 to 7: full weekday names, Sunday first
    kItemFirstAbDay = 8,     // 8 to 14: abbreviated weekday names
    kItemFirstMonth = 15,    // 15 to 34: full month names
    kItemFirstAbMonth = 35,  // 35 to 54: abbreviated month names
    kItemDecimalPoint = 55,
    kItemThousandsSep = 56,
    kItemYesString = 57,
    kItemNoString = 58,
    kItemCurrencySymbol = 59,
    kItemCodeSet = 60,
    kItemDateFormat = 61,
    kItemTimeFormat = 62,
    kItemTime12Format = 63,
    kItemAm = 64,
    kItemPm = 65,
    kItemEras = 66,  // the era strings, one per line
    kItemEraDateFormat = 67,
    kItemEraDateTimeFormat = 68,
    kItemEraTimeFormat = 69,
    kItemAltDigits = 70,  // the alternative digits, one per line
    kItemYesExpr = 71,
    kItemNoExpr = 72,
    kItemCalendar = 73,
    kItemLast = kItemCalendar,
};

// The locale's text for an item, owned by the locale (null where the
// locale has none). Null for a null locale or an item outside 0 to 73; a
// month item beyond the locale's month count stores GL_EBADITEM.
const char *gl_nl_langinfo(Locale *loc, int item);

// The time format of item 0, 61, 62, 63, 67, 68 or 69 (null when the
// locale has none); "" for any other item.
const char *gl_get_ltime_fmts(Locale *loc, int item);

// The number of eras of the locale; -1 for a null locale.
int gl_get_era_count(Locale *loc);

}  // namespace gls
