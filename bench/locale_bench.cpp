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
#include <unistd.h>

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
};

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
    for (size_t i = 0; i < kSortWords; ++i)
        out << word() << '\n';
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
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (auto &p : prepared) {
        if (p->theirs != nullptr) freelocale(p->theirs);
        std::remove(p->word_file.c_str());
    }
    rmdir(work_dir.c_str());
    return 0;
}
