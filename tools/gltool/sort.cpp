// gltool sort: sorts lines by a locale's collation. Each line's sort key is
// made once by the locale's transformation primitive; the keys are then
// compared as bytes, which orders as the collation compares.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gls/chars/chars.h"
#include "tools/common/cli.h"
#include "tools/common/tool_io.h"
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {

namespace {

constexpr const char *kName = "sort";
constexpr const char *kAbout =
    "Writes the lines of FILE (or of standard input, also for \"-\") to standard\n"
    "output in the order of LOCALE's collation, as sort does under LC_COLLATE.\n"
    "Lines that collate equal keep their input order. LOCALE is a locale the\n"
    "registry understands (de_DE.8859-1, ja_JP.utf8), a file name under the\n"
    "installation's locale directory (default.lco) or the path of a locale object\n"
    "file. A line is compared up to its first zero byte, if it has one.\n";

constexpr size_t kReadBlock = size_t{64} << 10;
// A first guess at a key's size per byte of its line; a longer key is
// made again in the room it asked for.
constexpr size_t kKeyBytesPerByte = 8;
constexpr size_t kKeyExtra = 16;

struct Line {
    size_t start;
    size_t length;
    size_t key_start;
    size_t key_length;
};

bool read_all(FILE *in, std::string *out) {
    std::vector<char> block(kReadBlock);
    size_t n;
    while ((n = std::fread(block.data(), 1, block.size(), in)) > 0)
        out->append(block.data(), n);
    return !std::ferror(in);
}

std::vector<Line> split_lines(const std::string &text) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        const size_t stop = end == std::string::npos ? text.size() : end;
        lines.push_back({start, stop - start, 0, 0});
        start = stop + 1;
    }
    return lines;
}

// Appends every line's key to keys; false after complaining.
bool make_keys(gls::Locale *loc, const std::string &text, std::vector<Line> *lines,
               std::vector<unsigned char> *keys) {
    const gls::GlMbsXfrmFn xfrm = loc->primitives.mbsxfrm;
    const size_t terminator = static_cast<size_t>(std::max(1, gls::gl_mb_loc_min(loc)));
    std::vector<unsigned char> line_text;
    size_t used = 0;
    for (size_t i = 0; i < lines->size(); ++i) {
        Line &line = (*lines)[i];
        line_text.assign(text.begin() + static_cast<std::ptrdiff_t>(line.start),
                         text.begin() + static_cast<std::ptrdiff_t>(line.start + line.length));
        line_text.insert(line_text.end(), terminator, 0);
        size_t room = line.length * kKeyBytesPerByte + kKeyExtra;
        for (;;) {
            if (room > static_cast<size_t>(INT32_MAX)) room = INT32_MAX;
            if (keys->size() < used + room) keys->resize(std::max(used + room, keys->size() * 2));
            const int n = xfrm(loc, keys->data() + used, line_text.data(), static_cast<int>(room));
            if (n < 0) {
                complain(kName, "line " + std::to_string(i + 1) +
                                    ": no sort key: " + tools::error_words(loc->error));
                return false;
            }
            if (static_cast<size_t>(n) <= room) {
                line.key_start = used;
                line.key_length = static_cast<size_t>(n);
                used += line.key_length;
                break;
            }
            room = static_cast<size_t>(n);
        }
    }
    return true;
}

}  // namespace

int sort_main(int argc, char **argv) {
    const cli::Command command{"gltool sort", "LOCALE [FILE]", kAbout, {}, 1, 2};
    std::vector<std::string> operands;
    if (const int status = cli::parse(command, argc, argv, &operands); status != cli::kProceed)
        return status;

    LocalePtr loc = load_locale(kName, operands[0]);
    if (!loc) return kExitFailed;

    const bool from_stdin = operands.size() == 1 || operands[1] == "-";
    FILE *in = from_stdin ? stdin : std::fopen(operands[1].c_str(), "rb");
    if (in == nullptr) {
        complain(kName, operands[1] + ": " + std::strerror(errno));
        return kExitFailed;
    }
    std::string text;
    const bool read = read_all(in, &text);
    const int read_errno = errno;
    if (!from_stdin) std::fclose(in);
    if (!read) {
        complain(kName, std::string("cannot read the input: ") + std::strerror(read_errno));
        return kExitFailed;
    }

    std::vector<Line> lines = split_lines(text);
    std::vector<unsigned char> keys;
    if (!make_keys(loc.get(), text, &lines, &keys)) return kExitFailed;

    std::vector<const Line *> order(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        order[i] = &lines[i];
    const unsigned char *key_base = keys.data();
    std::stable_sort(order.begin(), order.end(), [key_base](const Line *a, const Line *b) {
        const int c = std::memcmp(key_base + a->key_start, key_base + b->key_start,
                                  std::min(a->key_length, b->key_length));
        return c != 0 ? c < 0 : a->key_length < b->key_length;
    });

    for (const Line *line : order) {
        if (std::fwrite(text.data() + line->start, 1, line->length, stdout) != line->length ||
            std::fputc('\n', stdout) == EOF)
            return cli::output_error(errno);
    }
    if (std::fflush(stdout) != 0) return cli::output_error(errno);
    return kExitOk;
}

}  // namespace velmorad::gltool
