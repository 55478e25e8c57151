// The shipped locales beside the C library's compilation of the same
// sources (localedef, loaded through LOCPATH):
//   load/L/gls          gl_setlocale_4 of every category, in this process
//   spawn/L/{gls,glibc} a fresh process that loads the locale and exits
//                       (gl_setlocale_4, newlocale); spawn/none is the bare
//                       process, to subtract: the C library keeps a locale
//                       it has loaded, so only a fresh process shows its cost
//   coll/L/{gls,glibc}  the locale's comparison primitive, strcoll_l
//   xfrm/L/{gls,glibc}  the locale's transformation primitive, strxfrm_l
//   sort/L/{gltool,sort} gltool sort and sort(1) on 100,000 words
//   {coll,xfrm}/L/icu   ICU's collator of the same locale: ucol_strcoll and
//                       ucol_getSortKey on the words in UTF-16
//   sort/L/icu          ICU's sort keys of the 100,000 words, then a sort of
//                       the keys, in this process (the words converted to
//                       UTF-16 beforehand)
// on words made of the letters of the locale's own scripts. A child process
// is timed by the processor time it used (the machine may be shared).
// bench/run_locales builds this and prints the table with the ratios.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <locale.h>
#include <spawn.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unicode/ucnv.h>
#include <unicode/ucol.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "gls/chars/chars.h"
#include "gls/names/names.h"
#include "gls/util/util.h"
#include "tools/common/charmap.h"

extern char **environ;

namespace {

constexpr const char *kInstallDir = VELMORAD_BUILD_INST_DIR;
constexpr const char *kGlibcLocales = GLIBC_LOCALES_DIR;
constexpr const char *kCharmapDir = "/usr/share/i18n/charmaps";
constexpr const char *kSortProgram = "/usr/bin/sort";
constexpr size_t kCollationWords = 4096;
constexpr size_t kSortWords = 100000;
constexpr size_t kKeyRoom = 4096;
constexpr uint32_t kSeed = 20261206;

struct Span {
    char32_t first;
    char32_t last;
};
const std::vector<Span> kLatin = {{0x41, 0x24F}};
const std::vector<Span> kCyrillic = {{0x400, 0x45F}};
const std::vector<Span> kJapanese = {{0x3041, 0x30FF}, {0x4E00, 0x9FFF}};

struct Shipped {
    const char *source;
    const char *charmap;
    const char *code_set;       // the product's name
    std::vector<Span> scripts;  // empty: every letter of the charmap
};

const std::vector<Shipped> kShipped = {
    {"en_US", "ISO-8859-1", "8859-1", {}}, {"en_US", "UTF-8", "utf8", kLatin},
    {"en_US", "CP1252", "cp1252", {}},     {"de_DE", "ISO-8859-1", "8859-1", {}},
    {"de_DE", "UTF-8", "utf8", kLatin},    {"fr_FR", "ISO-8859-1", "8859-1", {}},
    {"fr_FR", "UTF-8", "utf8", kLatin},    {"es_ES", "ISO-8859-1", "8859-1", {}},
    {"es_ES", "UTF-8", "utf8", kLatin},    {"cs_CZ", "ISO-8859-2", "8859-2", {}},
    {"pl_PL", "ISO-8859-2", "8859-2", {}}, {"ru_RU", "ISO-8859-5", "8859-5", {}},
    {"ru_RU", "KOI8-R", "koi-8", {}},      {"ru_RU", "UTF-8", "utf8", kCyrillic},
    {"ja_JP", "EUC-JP", "ujis", {}},       {"ja_JP", "SHIFT_JIS", "sjis", {}},
    {"ja_JP", "UTF-8", "utf8", kJapanese}, {"ko_KR", "EUC-KR", "ksc", {}},
    {"zh_CN", "GB2312", "gb", {}},         {"zh_TW", "BIG5", "big5", {}},
    {"th_TH", "TIS-620", "thai620", {}},   {"he_IL", "ISO-8859-8", "8859-8", {}},
    {"ar_SA", "CP1256", "cp1256", {}},
};

struct Unload {
    void operator()(gls::Locale *loc) const { gls::gl_lc_unload(loc); }
};
using LocalePtr = std::unique_ptr<gls::Locale, Unload>;

// Every category of a locale file, by the name the library gives it.
LocalePtr load_ours(const std::string &fname) {
    gls::Locale *loc = nullptr;
    if (gls::gl_create_null_locale_4(&loc) != 0) return nullptr;
    LocalePtr owned(loc);
    char *names = gls::gl_setlocale_4(loc, gls::kCatAll, fname.c_str());
    gls::gl_destroystring(names);
    if (names == nullptr || loc->error != 0) return nullptr;
    return owned;
}

struct Prepared {
    std::string label;               // de_DE.ISO-8859-1, also the localedef output's name
    std::string spec;                // de_DE.8859-1
    std::string fname;               // de_de/0333.lco
    std::vector<std::string> words;  // each followed by four zero bytes
    std::string word_file;
    LocalePtr ours;
    locale_t theirs = nullptr;  // loaded on first use: see spawn_load
    std::string charmap;        // the name ICU knows the code set by
    std::string source;         // de_DE: the ICU collator's locale
    std::vector<std::u16string> icu_words;
    std::vector<std::u16string> icu_sort_words;
    UCollator *icu = nullptr;
};

// The text in UTF-16 through ICU's converter of the locale's code set.
bool to_utf16(UConverter *converter, const std::string &text, std::u16string *out) {
    UErrorCode status = U_ZERO_ERROR;
    out->assign(text.size() + 1, u'\0');
    const int32_t n = ucnv_toUChars(converter, out->data(), static_cast<int32_t>(out->size()),
                                    text.data(), static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) return false;
    out->resize(static_cast<size_t>(n));
    return true;
}

// ICU's collator of the locale and both word lists in UTF-16.
bool prepare_icu(Prepared *p, const std::vector<std::string> &sort_words, std::string *failure) {
    UErrorCode status = U_ZERO_ERROR;
    p->icu = ucol_open(p->source.c_str(), &status);
    UConverter *converter = ucnv_open(p->charmap.c_str(), &status);
    bool ok = U_SUCCESS(status);
    std::u16string u;
    for (size_t i = 0; ok && i < p->words.size(); ++i) {
        ok = to_utf16(converter, p->words[i].c_str(), &u);
        p->icu_words.push_back(u);
    }
    for (size_t i = 0; ok && i < sort_words.size(); ++i) {
        ok = to_utf16(converter, sort_words[i], &u);
        p->icu_sort_words.push_back(u);
    }
    ucnv_close(converter);
    if (!ok) *failure = "ICU cannot take the words of " + p->label;
    return ok;
}

// Words of 2 to 9 letters (1 to 4 where the letters are ideographs), from
// the letters of the locale's scripts that the locale calls alphabetic.
bool make_words(const Shipped &s, Prepared *p, std::string *failure) {
    velmorad::tools::Charmap charmap;
    velmorad::tools::CharmapError error;
    if (!velmorad::tools::read_charmap(std::string(kCharmapDir) + "/" + s.charmap + ".gz", &charmap,
                                       &error)) {
        *failure = "charmap " + std::string(s.charmap) + ": " + error.reason;
        return false;
    }
    std::vector<std::string> letters;
    const uint32_t alpha = gls::gl_ctype(p->ours.get(), "alpha");
    for (const velmorad::tools::CharmapEntry &e : charmap.entries()) {
        if (e.irreversible || e.name.size() < 5 || e.name[0] != 'U') continue;
        const auto code = static_cast<char32_t>(std::strtoul(e.name.c_str() + 1, nullptr, 16));
        bool in_script = s.scripts.empty();
        for (const Span &span : s.scripts)
            in_script = in_script || (code >= span.first && code <= span.last);
        gls::gl_wchar_t wc = 0;
        for (unsigned char b : e.bytes)
            wc = (wc << 8) | b;
        if (in_script && gls::_gl_im_iswctype(p->ours.get(), wc, alpha) != 0)
            letters.push_back(e.bytes);
    }
    if (letters.size() < 20) {
        *failure = "too few letters in " + p->label;
        return false;
    }
    std::mt19937 random(kSeed);
    const size_t longest = letters.size() > 1000 ? 4 : 9;
    std::uniform_int_distribution<size_t> length(longest == 4 ? 1 : 2, longest);
    std::uniform_int_distribution<size_t> letter(0, letters.size() - 1);
    auto word = [&] {
        std::string w;
        for (size_t n = length(random); n > 0; --n)
            w += letters[letter(random)];
        return w;
    };
    for (size_t i = 0; i < kCollationWords; ++i)
        p->words.push_back(word() + std::string(4, '\0'));
    std::ofstream out(p->word_file, std::ios::binary);
    std::vector<std::string> sort_words;
    for (size_t i = 0; i < kSortWords; ++i) {
        sort_words.push_back(word());
        out << sort_words.back() << '\n';
    }
    if (!prepare_icu(p, sort_words, failure)) return false;
    if (!out) {
        *failure = "cannot write " + p->word_file;
        return false;
    }
    return true;
}

std::vector<std::unique_ptr<Prepared>> prepared;
std::string work_dir;

locale_t theirs(Prepared &p) {
    if (p.theirs == nullptr) p.theirs = newlocale(LC_ALL_MASK, p.label.c_str(), nullptr);
    return p.theirs;
}

// The processor time a child used, once it has ended; negative when it did
// not end with status 0. The machine may be shared: the child's own time
// does not count the time it waited for a processor.
double child_seconds(pid_t child) {
    int status = 0;
    struct rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    auto seconds = [](const timeval &t) {
        return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// What a process that uses the locale pays to load it.
void spawn_load(benchmark::State &state, Prepared *p, int who) {
    enum { kNothing, kOurs, kTheirs };
    for (auto _ : state) {
        const pid_t child = fork();
        if (child == 0) {
            if (who == kOurs) _exit(load_ours(p->fname) ? 0 : 1);
            if (who == kTheirs) _exit(newlocale(LC_ALL_MASK, p->label.c_str(), nullptr) ? 0 : 1);
            _exit(0);
        }
        const double seconds = child_seconds(child);
        if (seconds < 0) {
            state.SkipWithError("the child could not load the locale");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

void load_in_process(benchmark::State &state, Prepared *p) {
    for (auto _ : state) {
        LocalePtr loc = load_ours(p->fname);
        if (!loc) {
            state.SkipWithError("gl_setlocale_4 failed");
            return;
        }
        benchmark::DoNotOptimize(loc.get());
    }
}

void collate(benchmark::State &state, Prepared *p, bool ours) {
    locale_t l = theirs(*p);
    gls::Locale *loc = p->ours.get();
    const gls::GlMbsCollFn coll = loc->primitives.mbscoll;
    const std::vector<std::string> &w = p->words;
    int sum = 0;
    for (auto _ : state) {
        for (size_t i = 0; i + 1 < w.size(); ++i) {
            const auto *a = reinterpret_cast<const unsigned char *>(w[i].data());
            const auto *b = reinterpret_cast<const unsigned char *>(w[i + 1].data());
            sum += ours ? coll(loc, a, b) : strcoll_l(w[i].c_str(), w[i + 1].c_str(), l);
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * (w.size() - 1)));
}

void transform(benchmark::State &state, Prepared *p, bool ours) {
    locale_t l = theirs(*p);
    gls::Locale *loc = p->ours.get();
    const gls::GlMbsXfrmFn xfrm = loc->primitives.mbsxfrm;
    std::vector<unsigned char> key(kKeyRoom);
    size_t total = 0;
    for (auto _ : state) {
        for (const std::string &word : p->words) {
            total +=
                ours ? static_cast<size_t>(xfrm(
                           loc, key.data(), reinterpret_cast<const unsigned char *>(word.data()),
                           static_cast<int>(key.size())))
                     : strxfrm_l(reinterpret_cast<char *>(key.data()), word.c_str(), key.size(), l);
        }
    }
    benchmark::DoNotOptimize(total);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * p->words.size()));
}

void icu_collate(benchmark::State &state, Prepared *p) {
    const std::vector<std::u16string> &w = p->icu_words;
    int sum = 0;
    for (auto _ : state) {
        for (size_t i = 0; i + 1 < w.size(); ++i) {
            sum += ucol_strcoll(p->icu, w[i].data(), static_cast<int32_t>(w[i].size()),
                                w[i + 1].data(), static_cast<int32_t>(w[i + 1].size()));
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * (w.size() - 1)));
}

void icu_transform(benchmark::State &state, Prepared *p) {
    std::vector<uint8_t> key(kKeyRoom);
    size_t total = 0;
    for (auto _ : state) {
        for (const std::u16string &word : p->icu_words) {
            total += static_cast<size_t>(
                ucol_getSortKey(p->icu, word.data(), static_cast<int32_t>(word.size()), key.data(),
                                static_cast<int32_t>(key.size())));
        }
    }
    benchmark::DoNotOptimize(total);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * p->icu_words.size()));
}

// Sorting by ICU's sort keys: a key for every word, then a sort of the keys.
void icu_sort(benchmark::State &state, Prepared *p) {
    std::vector<std::string> keys(p->icu_sort_words.size());
    std::vector<uint8_t> key(kKeyRoom);
    for (auto _ : state) {
        for (size_t i = 0; i < keys.size(); ++i) {
            const std::u16string &word = p->icu_sort_words[i];
            const int32_t n =
                ucol_getSortKey(p->icu, word.data(), static_cast<int32_t>(word.size()), key.data(),
                                static_cast<int32_t>(key.size()));
            keys[i].assign(reinterpret_cast<const char *>(key.data()), static_cast<size_t>(n));
        }
        std::sort(keys.begin(), keys.end());
        benchmark::DoNotOptimize(keys.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kSortWords));
}

// Runs a program with its output thrown away; the processor time it took,
// negative when it failed.
double run(const std::vector<std::string> &args, const std::vector<std::string> &env) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (const std::string &e : env)
        envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);
    pid_t child = -1;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? child_seconds(child) : -1;
}

void sort_words(benchmark::State &state, Prepared *p, bool ours) {
    const std::vector<std::string> args =
        ours ? std::vector<std::string>{std::string(kInstallDir) + "/bin/gltool", "sort", p->spec,
                                        p->word_file}
             : std::vector<std::string>{kSortProgram, p->word_file};
    const std::vector<std::string> env =
        ours ? std::vector<std::string>{std::string("VELMORADDIR=") + kInstallDir}
             : std::vector<std::string>{"LC_ALL=" + p->label,
                                        std::string("LOCPATH=") + kGlibcLocales};
    for (auto _ : state) {
        const double seconds = run(args, env);
        if (seconds < 0) {
            state.SkipWithError("the sort failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kSortWords));
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    setenv("GL_PATH", (std::string(kInstallDir) + "/gls/lc11").c_str(), 1);
    setenv("LOCPATH", kGlibcLocales, 1);
    uint32_t error = 0;
    gls::gl_cache_registry(&error, (std::string(kInstallDir) + "/gls/cm3/registry").c_str());
    char dir_template[] = "/tmp/locale_bench.XXXXXX";
    if (mkdtemp(dir_template) == nullptr) return 1;
    work_dir = dir_template;

    for (const Shipped &s : kShipped) {
        auto p = std::make_unique<Prepared>();
        p->label = std::string(s.source) + "." + s.charmap;
        p->spec = std::string(s.source) + "." + s.code_set;
        p->word_file = work_dir + "/" + p->label + ".words";
        p->charmap = s.charmap;
        p->source = s.source;
        char fname[gls::kLcFnameSize] = {};
        std::string failure;
        if (gls::gl_lc_spec2lc_fname(&error, p->spec.c_str(), fname, nullptr, nullptr) != 0) {
            failure = "no file name";
        } else {
            p->fname = fname;
            p->ours = load_ours(p->fname);
            if (!p->ours) failure = "gl_setlocale_4 failed";
        }
        if (failure.empty()) make_words(s, p.get(), &failure);
        if (!failure.empty()) {
            std::fprintf(stderr, "%s: %s\n", p->label.c_str(), failure.c_str());
            return 1;
        }
        prepared.push_back(std::move(p));
    }

    benchmark::RegisterBenchmark("spawn/none", spawn_load, nullptr, 0)->UseManualTime();
    for (auto &p : prepared) {
        Prepared *q = p.get();
        benchmark::RegisterBenchmark(("load/" + q->label + "/gls").c_str(), load_in_process, q);
        benchmark::RegisterBenchmark(("spawn/" + q->label + "/gls").c_str(), spawn_load, q, 1)
            ->UseManualTime();
        benchmark::RegisterBenchmark(("spawn/" + q->label + "/glibc").c_str(), spawn_load, q, 2)
            ->UseManualTime();
    }
    for (auto &p : prepared) {
        Prepared *q = p.get();
        for (bool ours : {true, false}) {
            const std::string who = ours ? "/gls" : "/glibc";
            benchmark::RegisterBenchmark(("coll/" + q->label + who).c_str(), collate, q, ours);
            benchmark::RegisterBenchmark(("xfrm/" + q->label + who).c_str(), transform, q, ours);
        }
        benchmark::RegisterBenchmark(("coll/" + q->label + "/icu").c_str(), icu_collate, q);
        benchmark::RegisterBenchmark(("xfrm/" + q->label + "/icu").c_str(), icu_transform, q);
    }
    for (auto &p : prepared) {
        Prepared *q = p.get();
        for (bool ours : {true, false}) {
            benchmark::RegisterBenchmark(
                ("sort/" + q->label + (ours ? "/gltool" : "/sort")).c_str(), sort_words, q, ours)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3);
        }
        benchmark::RegisterBenchmark(("sort/" + q->label + "/icu").c_str(), icu_sort, q)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (auto &p : prepared) {
        if (p->theirs != nullptr) freelocale(p->theirs);
        if (p->icu != nullptr) ucol_close(p->icu);
        std::remove(p->word_file.c_str());
    }
    rmdir(work_dir.c_str());
    return 0;
}
