// Conversion throughput of the shipped conversion files (gl_miconv) beside
// glibc's iconv and ICU's ucnv_convertEx, on the same 64 MiB inputs. Every
// row converts one input in one call; the three must produce the same bytes.
// bench/run builds this and prints the table with the ratios.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unicode/ucnv.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "gls/conv/conv.h"
#include "gls/names/names.h"

namespace {

constexpr size_t kInputSize = size_t{64} << 20;
// Room for the largest growth of these conversions (one byte to three).
constexpr size_t kOutputFactor = 3;
constexpr size_t kPivotUnits = size_t{64} << 10;

struct CodeSet {
    const char *label;  // also iconv's name
    uint16_t number;
    const char *icu_name;
};
constexpr CodeSet kLatin1{"ISO-8859-1", 819, "ISO-8859-1"};
constexpr CodeSet kCp1252{"CP1252", 1252, "windows-1252"};
constexpr CodeSet kUtf8{"UTF-8", 57372, "UTF-8"};
constexpr CodeSet kEucJp{"EUC-JP", 57351, "EUC-JP"};
constexpr CodeSet kSjis{"SHIFT_JIS", 57350, "Shift_JIS"};

enum class Text { kLatin, kAscii, kJapanese };

const char *text_label(Text text) {
    switch (text) {
        case Text::kLatin:
            return "Latin";
        case Text::kAscii:
            return "ASCII";
        case Text::kJapanese:
            return "Japanese";
    }
    return "";
}

// One paragraph of each kind, in UTF-8; the inputs repeat it.
const char *paragraph(Text text) {
    switch (text) {
        case Text::kLatin:
            return "The caf\u00e9 on the corner serves cr\u00e8me br\u00fbl\u00e9e and a "
                   "na\u00efve little ros\u00e9, while the \u00fcber-busy Stra\u00dfe outside "
                   "stays loud. Most of this paragraph is plain English prose with only "
                   "an occasional accented letter, as Western text tends to be; se\u00f1or "
                   "Garc\u00eda agrees, and so does the gar\u00e7on.\n";
        case Text::kAscii:
            return "Plain ASCII text: the quick conversion of simple English prose, the "
                   "numbers 0123456789, and punctuation (like this; or that!) repeated "
                   "until the input is sixty-four mebibytes long.\n";
        case Text::kJapanese:
            return "\u65e5\u672c\u8a9e\u306e\u6587\u7ae0\u3092\u5909\u63db\u3059\u308b\u901f"
                   "\u3055\u3092\u6e2c\u308a\u307e\u3059\u3002\u6f22\u5b57\u3001\u3072\u3089"
                   "\u304c\u306a\u3001\u30ab\u30bf\u30ab\u30ca\u304c\u6df7\u3056\u3063\u305f"
                   "\u666e\u901a\u306e\u6587\u3067\u3059\u3002\u4eca\u65e5\u306f\u5929\u6c17"
                   "\u304c\u826f\u3044\u306e\u3067\u3001\u516c\u5712\u3078\u6563\u6b69\u306b"
                   "\u884c\u304d\u307e\u3057\u305f\u3002\n";
    }
    return "";
}

[[noreturn]] void die(const std::string &why) {
    std::fprintf(stderr, "conv_bench: %s\n", why.c_str());
    std::exit(1);
}

std::string iconv_all(const char *from, const char *to, const std::string &text) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) die(std::string("iconv cannot open ") + from);
    std::string out(text.size() * 4 + 16, '\0');
    char *in = const_cast<char *>(text.data());
    char *o = out.data();
    size_t in_left = text.size();
    size_t out_left = out.size();
    if (iconv(cd, &in, &in_left, &o, &out_left) == static_cast<size_t>(-1))
        die(std::string("the text does not convert to ") + to);
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return out;
}

// The input of a row: the paragraph in the source code set, repeated to
// 64 MiB. Rows run in registration order, so one input is kept at a time.
const std::string &input(Text text, const CodeSet &source) {
    static std::string cached;
    static std::string key;
    const std::string wanted = std::string(text_label(text)) + source.label;
    if (key != wanted) {
        const std::string unit = iconv_all("UTF-8", source.label, paragraph(text));
        cached.clear();
        cached.reserve(kInputSize);
        while (cached.size() + unit.size() <= kInputSize)
            cached += unit;
        key = wanted;
    }
    return cached;
}

struct Row {
    Text text;
    CodeSet from;
    CodeSet to;
};

// The outputs are compared with iconv's once, outside the timing.
bool same_as_iconv(const Row &row, const std::string &in, const void *out, size_t size) {
    const std::string expected = iconv_all(row.from.label, row.to.label, in);
    return expected.size() == size &&
           expected.compare(0, size, static_cast<const char *>(out), size) == 0;
}

struct Unload {
    void operator()(gls::CvDesc *cd) const { gls::gl_cv_unload(cd); }
};

void with_gls(benchmark::State &state, const Row &row) {
    const std::string &in = input(row.text, row.from);
    static const bool cached = [] {
        uint32_t error = 0;
        gls::gl_cache_registry(&error, VELMORAD_BUILD_INST_DIR "/gls/cm3/registry");
        return true;
    }();
    (void)cached;
    gls::CvDesc *loaded = nullptr;
    if (gls::gl_cv_load(&loaded, std::to_string(row.to.number).c_str(),
                        std::to_string(row.from.number).c_str(), 0,
                        VELMORAD_BUILD_INST_DIR "/gls/cv9") != gls::kCvLoaded) {
        gls::gl_cv_unload(loaded);
        state.SkipWithError("no conversion file (build the installation first)");
        return;
    }
    std::unique_ptr<gls::CvDesc, Unload> cd(loaded);
    std::vector<unsigned char> out(in.size() * kOutputFactor);
    size_t produced = 0;
    for (auto _ : state) {
        const auto *ip = reinterpret_cast<const unsigned char *>(in.data());
        size_t in_left = in.size();
        unsigned char *op = out.data();
        size_t out_left = out.size();
        int inexact = 0;
        if (gls::gl_miconv(cd.get(), &ip, &in_left, &op, &out_left, &inexact) != 0) {
            state.SkipWithError("gl_miconv failed");
            return;
        }
        produced = out.size() - out_left;
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
    if (!same_as_iconv(row, in, out.data(), produced))
        state.SkipWithError("gl_miconv and iconv produce different bytes");
}

void with_iconv(benchmark::State &state, const Row &row) {
    const std::string &in = input(row.text, row.from);
    iconv_t cd = iconv_open(row.to.label, row.from.label);
    std::vector<char> out(in.size() * kOutputFactor);
    for (auto _ : state) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char *ip = const_cast<char *>(in.data());
        size_t in_left = in.size();
        char *op = out.data();
        size_t out_left = out.size();
        if (iconv(cd, &ip, &in_left, &op, &out_left) == static_cast<size_t>(-1)) {
            state.SkipWithError("iconv failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}

void with_icu(benchmark::State &state, const Row &row) {
    const std::string &in = input(row.text, row.from);
    UErrorCode error = U_ZERO_ERROR;
    UConverter *from = ucnv_open(row.from.icu_name, &error);
    UConverter *to = ucnv_open(row.to.icu_name, &error);
    ucnv_setToUCallBack(from, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
    ucnv_setFromUCallBack(to, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
    if (U_FAILURE(error)) {
        state.SkipWithError("ICU cannot open the converters");
        return;
    }
    std::vector<char> out(in.size() * kOutputFactor);
    std::vector<UChar> pivot(kPivotUnits);
    size_t produced = 0;
    for (auto _ : state) {
        char *target = out.data();
        const char *source = in.data();
        UChar *pivot_source = pivot.data();
        UChar *pivot_target = pivot.data();
        error = U_ZERO_ERROR;
        ucnv_convertEx(to, from, &target, out.data() + out.size(), &source, in.data() + in.size(),
                       pivot.data(), &pivot_source, &pivot_target, pivot.data() + pivot.size(),
                       true, true, &error);
        if (U_FAILURE(error)) {
            state.SkipWithError(u_errorName(error));
            break;
        }
        produced = static_cast<size_t>(target - out.data());
        benchmark::DoNotOptimize(out.data());
    }
    ucnv_close(from);
    ucnv_close(to);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
    if (!U_FAILURE(error) && !same_as_iconv(row, in, out.data(), produced))
        state.SkipWithError("ICU and iconv produce different bytes");
}

const Row kRows[] = {
    {Text::kLatin, kLatin1, kUtf8},   {Text::kAscii, kLatin1, kUtf8},
    {Text::kLatin, kUtf8, kLatin1},   {Text::kAscii, kUtf8, kLatin1},
    {Text::kLatin, kEucJp, kUtf8},    {Text::kAscii, kEucJp, kUtf8},
    {Text::kJapanese, kEucJp, kUtf8}, {Text::kLatin, kUtf8, kEucJp},
    {Text::kAscii, kUtf8, kEucJp},    {Text::kJapanese, kUtf8, kEucJp},
    {Text::kAscii, kSjis, kUtf8},     {Text::kJapanese, kSjis, kUtf8},
    {Text::kAscii, kUtf8, kSjis},     {Text::kJapanese, kUtf8, kSjis},
    {Text::kLatin, kCp1252, kLatin1}, {Text::kAscii, kCp1252, kLatin1},
};

}  // namespace

int main(int argc, char **argv) {
    for (const Row &row : kRows) {
        const std::string name =
            std::string(text_label(row.text)) + "/" + row.from.label + ">" + row.to.label + "/";
        benchmark::RegisterBenchmark((name + "gls").c_str(), with_gls, row)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((name + "glibc").c_str(), with_iconv, row)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((name + "icu").c_str(), with_icu, row)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
