// lccomp's locale source reader, and compiling what it accepts against a
// small charmap (copies find no sources: the reader is fuzzed, not the
// system's files).
#include <string>

#include "fuzz/fuzz_file.h"
#include "tools/lccomp/compile.h"

namespace {

const velmorad::tools::Charmap &charmap() {
    static const velmorad::tools::Charmap map = [] {
        std::string text =
            "<code_set_name> FUZZ-1\n<escape_char> /\n<mb_cur_max> 2\nCHARMAP\n"
            "<U0000>..<U007F> /x00\n<U00E4> /xe4\n<U3041>..<U3044> /xa1/xa1\nEND CHARMAP\n"
            "WIDTH\n<U3041>...<U3044> 2\nEND WIDTH\n";
        velmorad::tools::Charmap m;
        velmorad::tools::CharmapError error;
        if (!velmorad::tools::parse_charmap(text, "fuzz.charmap", &m, &error)) abort();
        return m;
    }();
    return map;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace velmorad::tools;
    if (size > 1 << 16) return 0;
    ReadOptions options;
    options.sources_dir = velmorad::fuzz::scratch_dir();
    options.charmap = &charmap();
    LocaleSource source;
    Diagnostics diagnostics;
    const std::string text(reinterpret_cast<const char *>(data), size);
    if (!read_locale_text(text, "fuzz", options, &source, &diagnostics)) return 0;
    CompileOptions compile;
    compile.code_set = "fuzz";
    std::string file;
    CompileSummary summary;
    (void)compile_locale(source, charmap(), compile, &diagnostics, &file, &summary);
    return 0;
}
