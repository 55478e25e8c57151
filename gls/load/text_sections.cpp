// The numeric, monetary, messages and time categories' built-in empty
// states and their release.
#include <cstring>

#include "gls/load/load_internal.h"
#include "gls/util/util.h"

namespace gls {

namespace {

void free_text(LocaleText *text) {
    _gl_free_ptr(text->mb);
    _gl_free_ptr(text->wc);
    *text = LocaleText{};
}

void free_list(TextList *list) {
    for (int i = 0; i < list->count; ++i) {
        if (list->mb != nullptr) _gl_free_ptr(list->mb[i]);
        if (list->wc != nullptr) _gl_free_ptr(list->wc[i]);
    }
    _gl_free_ptr(list->mb);
    _gl_free_ptr(list->wc);
    *list = TextList{};
}

}  // namespace

void _gl_init_numeric(TextSection *text) {
    text->decimal_point = {};
    text->thousands_sep = {};
    text->grouping = {};
    text->positive_sign = {};
    text->negative_sign = {};
}

void _gl_init_monetary(TextSection *text) {
    text->int_curr_symbol = {};
    text->currency_symbol = {};
    text->mon_decimal_point = {};
    text->mon_thousands_sep = {};
    text->mon_grouping = {};
    text->mon_positive_sign = {};
    text->mon_negative_sign = {};
    for (int32_t &value : text->monetary)
        value = kValueNotGiven;
}

void _gl_init_messages(TextSection *text) {
    text->yesexpr = {};
    text->noexpr = {};
    text->yesstr = {};
    text->nostr = {};
}

void _gl_init_ltime(TimeSection *time) {
    std::memset(time, 0, sizeof *time);
}

void _gl_free_numeric(Locale *loc) {
    TextSection &t = loc->text;
    for (LocaleText *text :
         {&t.decimal_point, &t.thousands_sep, &t.positive_sign, &t.negative_sign}) {
        free_text(text);
    }
    free_glconv_numeric(loc);
}

void _gl_free_monetary(Locale *loc) {
    TextSection &t = loc->text;
    for (LocaleText *text : {&t.int_curr_symbol, &t.currency_symbol, &t.mon_decimal_point,
                             &t.mon_thousands_sep, &t.mon_positive_sign, &t.mon_negative_sign}) {
        free_text(text);
    }
    free_glconv_monetary(loc);
}

void _gl_free_messages(Locale *loc) {
    TextSection &t = loc->text;
    for (LocaleText *text : {&t.yesexpr, &t.noexpr, &t.yesstr, &t.nostr})
        free_text(text);
}

void _gl_free_ltime(Locale *loc) {
    TimeSection &t = loc->time;
    for (int i = 0; i < kDaysInWeek; ++i) {
        _gl_free_ptr(t.abday[i]);
        _gl_free_ptr(t.wabday[i]);
        _gl_free_ptr(t.day[i]);
        _gl_free_ptr(t.wday[i]);
    }
    free_list(&t.abmon);
    free_list(&t.mon);
    free_list(&t.alt_digits);
    free_text(&t.am);
    free_text(&t.pm);
    for (gl_wc_cache_t *cache : t.caches)
        _gl_free_wc_cache(loc, cache);
    for (int i = 0; i < kTimeFormatCount; ++i) {
        _gl_free_ptr(t.formats[i]);
        _gl_free_ptr(t.wformats[i]);
    }
    for (int i = 0; i < t.era_count && t.eras != nullptr; ++i)
        _gl_free_ptr(t.eras[i]);
    _gl_free_ptr(t.eras);
    era_cleanup(t.era_entries, t.era_count);
    free_text(&t.joined_eras);
    free_text(&t.joined_alt_digits);
    std::memset(&t, 0, sizeof t);
}

void free_glconv_numeric(Locale *loc) {
    ConvertedValues &c = loc->converted;
    free_text(&c.decimal_point);
    free_text(&c.thousands_sep);
    free_text(&c.positive_sign);
    free_text(&c.negative_sign);
    _gl_free_ptr(c.grouping);
    c.grouping = nullptr;
}

void free_glconv_monetary(Locale *loc) {
    ConvertedValues &c = loc->converted;
    for (LocaleText *text : {&c.int_curr_symbol, &c.currency_symbol, &c.mon_decimal_point,
                             &c.mon_thousands_sep, &c.mon_positive_sign, &c.mon_negative_sign}) {
        free_text(text);
    }
    _gl_free_ptr(c.mon_grouping);
    c.mon_grouping = nullptr;
}

void era_cleanup(EraEntry *eras, int32_t count) {
    if (eras == nullptr) return;
    for (int32_t i = 0; i < count; ++i) {
        _gl_free_ptr(eras[i].name);
        _gl_free_ptr(eras[i].format);
        _gl_free_ptr(eras[i].third);
        _gl_free_ptr(eras[i].wthird);
    }
    _gl_free_ptr(eras);
}

}  // namespace gls
