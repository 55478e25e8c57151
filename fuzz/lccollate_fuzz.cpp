// lccomp's collation compiler on LC_COLLATE text: read, ordered, ranked and
// written. Whatever the compiler accepts must make a section the writer can
// spell. The charmap is fixed: ASCII and a few Latin-1 letters.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gls/load/writer/collate_writer.h"
#include "tools/lccomp/compile.h"

namespace {

const velmorad::tools::Charmap &charmap() {
    static const velmorad::tools::Charmap map = [] {
        std::string text = "<code_set_name> FUZZ\nCHARMAP\n";
        char line[64];
        for (unsigned code = 1; code < 0x80; ++code) {
            std::snprintf(line, sizeof line, "<U%04X> \\x%02x\n", code, code);
            text += line;
        }
        for (unsigned code : {0xC4u, 0xD6u, 0xDFu, 0xE4u, 0xE6u, 0xE9u, 0xF6u}) {
            std::snprintf(line, sizeof line, "<U%04X> \\x%02x\n", code, code);
            text += line;
        }
        text += "END CHARMAP\n";
        velmorad::tools::Charmap out;
        velmorad::tools::CharmapError error;
        if (!velmorad::tools::parse_charmap(text, "fuzz.charmap", &out, &error)) abort();
        return out;
    }();
    return map;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace velmorad::tools;
    if (size > 1 << 14) return 0;
    const std::string text = "comment_char %\nescape_char /\nLC_COLLATE\n" +
                             std::string(reinterpret_cast<const char *>(data), size) +
                             "\nEND LC_COLLATE\n";
    ReadOptions options;
    options.charmap = &charmap();
    options.sources_dir = "/nonexistent";
    LocaleSource source;
    Diagnostics diagnostics;
    if (!read_locale_text(text, "fuzz", options, &source, &diagnostics)) return 0;
    gls::CollationSource section;
    if (!compile_collation(source, charmap(), &diagnostics, &section)) return 0;
    std::string out;
    if (gls::write_collate_section(section, out) != gls::CollateWriteStatus::kOk) abort();
    return 0;
}
