// Time formatting beside the C library and ICU, on the same locale, format
// and dates:
//   time/L/F/gls    gl_mbsftime1 with the locale's format as lccomp wrote it
//   time/L/F/glibc  strftime_l with the source's format (localedef's locale)
//   time/L/F/icu    udat_format with the same pattern in ICU's notation,
//                   and the UTF-16 result converted to UTF-8 as the others
//                   write UTF-8
// for 1024 moments from 1900 to 2100, in UTF-8. bench/run_time builds this
// and prints the table with the ratios.
#include <benchmark/benchmark.h>
#include <locale.h>
#include <time.h>
#include <unicode/udat.h>
#include <unicode/ustring.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "gls/format/format.h"
#include "gls/names/names.h"
#include "gls/util/util.h"

namespace {

constexpr const char *kInstallDir = VELMORAD_BUILD_INST_DIR;
constexpr const char *kGlibcLocales = GLIBC_LOCALES_DIR;
constexpr size_t kDates = 1024;
constexpr int64_t kFirst = -2208988800;  // 1900-01-01 UTC
constexpr int64_t kLast = 4133980799;    // 2100-12-31 23:59:59 UTC
constexpr size_t kRoom = 256;

struct Case {
    const char *label;    // the row's name
    const char *spec;     // the library's name of the locale
    const char *glibc;    // localedef's
    const char *icu;      // ICU's locale
    int item;             // the library's format: an information item
    const char *theirs;   // the C library's format of the same item (its %Z left out)
    const char *pattern;  // the same in ICU's notation
};

const Case kCases[] = {
    {"de_DE/d_t_fmt", "de_DE.utf8", "de_DE.UTF-8", "de_DE", gls::kItemDateTimeFormat,
     "%a %d %b %Y %T", "EEE dd MMM yyyy HH:mm:ss"},
    {"ja_JP/d_t_fmt", "ja_JP.utf8", "ja_JP.UTF-8", "ja_JP", gls::kItemDateTimeFormat,
     "%Y\xe5\xb9\xb4%m\xe6\x9c\x88%d\xe6\x97\xa5 %H\xe6\x99\x82%M\xe5\x88\x86%S\xe7\xa7\x92",
     "yyyy\xe5\xb9\xb4MM\xe6\x9c\x88"
     "dd\xe6\x97\xa5 HH\xe6\x99\x82mm\xe5\x88\x86ss\xe7\xa7\x92"},
    {"ja_JP/era_d_fmt", "ja_JP.utf8", "ja_JP.UTF-8", "ja_JP@calendar=japanese",
     gls::kItemEraDateFormat, "%EY%m\xe6\x9c\x88%d\xe6\x97\xa5",
     "GGGGy\xe5\xb9\xb4MM\xe6\x9c\x88"
     "dd\xe6\x97\xa5"},
};

struct Dates {
    std::vector<struct tm> tms;
    std::vector<gls::CalendarTime> records;
    std::vector<UDate> udates;
};

const Dates &dates() {
    static const Dates d = [] {
        Dates out;
        uint64_t state = 20261207;
        for (size_t i = 0; i < kDates; ++i) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            const auto when = static_cast<time_t>(
                kFirst + static_cast<int64_t>((state >> 11) % uint64_t(kLast - kFirst)));
            struct tm tm {};
            gmtime_r(&when, &tm);
            out.tms.push_back(tm);
            out.records.push_back({0, tm.tm_sec, tm.tm_min, tm.tm_hour, tm.tm_mday, tm.tm_mon,
                                   tm.tm_mon, tm.tm_year, tm.tm_wday, tm.tm_yday, 0, 0, 0});
            out.udates.push_back(static_cast<UDate>(when) * 1000.0);
        }
        return out;
    }();
    return d;
}

gls::Locale *ours(const char *spec) {
    static const bool registry = [] {
        setenv("GL_PATH", (std::string(kInstallDir) + "/gls/lc11").c_str(), 1);
        uint32_t error = 0;
        gls::gl_cache_registry(&error, (std::string(kInstallDir) + "/gls/cm3/registry").c_str());
        return true;
    }();
    (void)registry;
    uint32_t error = 0;
    char fname[gls::kLcFnameSize] = {};
    gls::Locale *loc = nullptr;
    if (gls::gl_lc_spec2lc_fname(&error, spec, fname, nullptr, nullptr) != 0 ||
        gls::gl_create_null_locale_4(&loc) != 0) {
        return nullptr;
    }
    char *names = gls::gl_setlocale_4(loc, gls::kCatAll, fname);
    gls::gl_destroystring(names);
    return names != nullptr ? loc : nullptr;
}

void format_ours(benchmark::State &state, const Case *c) {
    gls::Locale *loc = ours(c->spec);
    const char *format = loc != nullptr ? gls::gl_nl_langinfo(loc, c->item) : nullptr;
    if (format == nullptr) {
        state.SkipWithError("the library's locale did not load");
        return;
    }
    const Dates &d = dates();
    char out[kRoom];
    size_t i = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        const int n =
            gls::gl_mbsftime1(loc, out, sizeof out, format, &d.records[i], nullptr, nullptr, 1);
        benchmark::DoNotOptimize(out);
        bytes += static_cast<size_t>(n);
        i = (i + 1) % kDates;
    }
    if (bytes == 0) state.SkipWithError("nothing formatted");
    gls::gl_lc_unload(loc);
}

void format_theirs(benchmark::State &state, const Case *c) {
    setenv("LOCPATH", kGlibcLocales, 1);
    locale_t loc = newlocale(LC_ALL_MASK, c->glibc, nullptr);
    if (loc == nullptr) {
        state.SkipWithError("localedef's locale did not load");
        return;
    }
    const Dates &d = dates();
    char out[kRoom];
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(strftime_l(out, sizeof out, c->theirs, &d.tms[i], loc));
        benchmark::DoNotOptimize(out);
        i = (i + 1) % kDates;
    }
    freelocale(loc);
}

void format_icu(benchmark::State &state, const Case *c) {
    UErrorCode status = U_ZERO_ERROR;
    std::vector<UChar> pattern(kRoom);
    int32_t length = 0;
    u_strFromUTF8(pattern.data(), kRoom, &length, c->pattern, -1, &status);
    const UChar utc[] = {'U', 'T', 'C', 0};
    UDateFormat *fmt =
        udat_open(UDAT_PATTERN, UDAT_PATTERN, c->icu, utc, -1, pattern.data(), length, &status);
    if (U_FAILURE(status)) {
        state.SkipWithError(u_errorName(status));
        return;
    }
    const Dates &d = dates();
    UChar wide[kRoom];
    char out[kRoom];
    size_t i = 0;
    for (auto _ : state) {
        UErrorCode s = U_ZERO_ERROR;
        const int32_t n = udat_format(fmt, d.udates[i], wide, kRoom, nullptr, &s);
        int32_t bytes = 0;
        u_strToUTF8(out, kRoom, &bytes, wide, n, &s);
        benchmark::DoNotOptimize(out);
        i = (i + 1) % kDates;
    }
    udat_close(fmt);
}

const bool registered = [] {
    for (const Case &c : kCases) {
        const std::string name = std::string("time/") + c.label;
        benchmark::RegisterBenchmark((name + "/gls").c_str(), format_ours, &c);
        benchmark::RegisterBenchmark((name + "/glibc").c_str(), format_theirs, &c);
        benchmark::RegisterBenchmark((name + "/icu").c_str(), format_icu, &c);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
