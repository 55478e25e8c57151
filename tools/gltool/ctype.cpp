// gltool ctype: what a locale says about each character of a text: its
// bytes, its wide value, its case partners, its width and its classes.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gls/chars/chars.h"
#include "gls/host/host.h"
#include "gls/tree/tree.h"
#include "tools/common/cli.h"
#include "tools/gltool/gltool.h"

namespace velmorad::gltool {

namespace {

constexpr const char *kName = "ctype";
constexpr const char *kAbout =
    "Prints one line for each character of TEXT (or of standard input), as LOCALE\n"
    "sees it, in tab-separated fields:\n"
    "\n"
    "  the character (\"-\" when it is not printable)\n"
    "  bytes HEX     its bytes in the locale's code set\n"
    "  wide 0xHEX    its wide value (the bytes, the first most significant)\n"
    "  upper C 0xHEX its upper case, and lower C 0xHEX its lower case\n"
    "  width N       its display width, \"-\" when it has none\n"
    "  its classes   upper lower alpha digit space cntrl punct graph print xdigit\n"
    "                blank, then the locale's own (full_width, ...)\n"
    "\n"
    "Bytes that are not a character of the code set get a line \"bytes HEX\tnot a\n"
    "character\" and make the exit status 1. LOCALE is a locale the registry\n"
    "understands (de_DE.8859-1, ja_JP.utf8), a file name under the installation's\n"
    "locale directory (default.lco) or the path of a locale object file. Options\n"
    "end at LOCALE, so TEXT may begin with \"-\".\n";

constexpr size_t kReadBlock = size_t{64} << 10;
constexpr size_t kMaxCharBytes = gls::kMultiMaxLevels;

struct ClassName {
    const char *name;
    uint32_t bit;
};

constexpr ClassName kStandardClasses[] = {
    {"upper", gls::kClassUpper},   {"lower", gls::kClassLower}, {"alpha", gls::kClassAlpha},
    {"digit", gls::kClassDigit},   {"space", gls::kClassSpace}, {"cntrl", gls::kClassCntrl},
    {"punct", gls::kClassPunct},   {"graph", gls::kClassGraph}, {"print", gls::kClassPrint},
    {"xdigit", gls::kClassXdigit}, {"blank", gls::kClassBlank},
};
constexpr uint32_t kEveryClass = 0xFFFFFFFFu;

std::string hex_bytes(const unsigned char *bytes, size_t n) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0xF];
    }
    return out;
}

std::string hex_wide(gls::gl_wchar_t wc) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(wc));
    return text;
}

class Describer {
  public:
    explicit Describer(gls::Locale *loc) : loc_(loc) {
        for (const ClassName &c : kStandardClasses)
            classes_.push_back({c.name, c.bit});
        for (int32_t i = 0; i < loc->ctype.class_count; ++i) {
            const gls::UserClass &user = loc->ctype.classes[i];
            if (user.name != nullptr && user.number >= 0 &&
                user.number <= gls::kMaxUserClassNumber) {
                classes_.push_back({user.name, gls::kClassUserBase << user.number});
            }
        }
    }

    // One line per character; false when some bytes were not a character.
    bool describe(const unsigned char *text, size_t size) {
        const size_t zero_length = static_cast<size_t>(std::max(1, gls::gl_mb_loc_min(loc_)));
        bool all_characters = true;
        size_t at = 0;
        while (at < size) {
            const int limit = static_cast<int>(std::min<size_t>(size - at, kMaxCharBytes));
            gls::gl_wchar_t wc = 0;
            loc_->error = 0;
            int n = gls::gl_full_mbtowc(loc_, &wc, text + at, limit);
            if (n == 0) n = static_cast<int>(std::min(zero_length, size - at));
            if (n < 0) {
                // A character cut off by the end of the text spans the rest.
                const size_t bad = loc_->error == gls::GL_EINVAL ? size - at : 1;
                std::printf("-\tbytes %s\tnot a character\n", hex_bytes(text + at, bad).c_str());
                all_characters = false;
                at += bad;
                continue;
            }
            line(text + at, static_cast<size_t>(n), wc);
            at += static_cast<size_t>(n);
        }
        return all_characters;
    }

  private:
    // The character itself where a terminal can show it.
    std::string shown(gls::gl_wchar_t wc) {
        if (wc == 0 || (gls::_gl_im_iswctype(loc_, wc, gls::kClassPrint) == 0)) return "-";
        unsigned char bytes[kMaxCharBytes];
        const int n = gls::gl_full_wctomb(loc_, bytes, wc);
        return n > 0 ? std::string(reinterpret_cast<const char *>(bytes), static_cast<size_t>(n))
                     : "-";
    }

    void line(const unsigned char *bytes, size_t n, gls::gl_wchar_t wc) {
        const uint32_t word = gls::_gl_im_iswctype(loc_, wc, kEveryClass);
        const gls::gl_wchar_t upper = gls::_gl_im_towupper(loc_, wc);
        const gls::gl_wchar_t lower = gls::_gl_im_towlower(loc_, wc);
        const int width = gls::gl_wcwidth(loc_, wc);
        std::string out = shown(wc) + "\tbytes " + hex_bytes(bytes, n) + "\twide " + hex_wide(wc) +
                          "\tupper " + shown(upper) + " " + hex_wide(upper) + "\tlower " +
                          shown(lower) + " " + hex_wide(lower) + "\twidth " +
                          (width < 0 ? "-" : std::to_string(width)) + "\t";
        bool first = true;
        for (const ClassName &c : classes_) {
            if ((word & c.bit) == 0) continue;
            if (!first) out += ' ';
            out += c.name;
            first = false;
        }
        out += '\n';
        std::fwrite(out.data(), 1, out.size(), stdout);
    }

    gls::Locale *loc_;
    std::vector<ClassName> classes_;
};

}  // namespace

int ctype_main(int argc, char **argv) {
    cli::Command command{"gltool ctype", "LOCALE [TEXT]", kAbout, {}, 1, 2};
    command.options_first = true;
    std::vector<std::string> operands;
    if (const int status = cli::parse(command, argc, argv, &operands); status != cli::kProceed)
        return status;

    LocalePtr loc = load_locale(kName, operands[0]);
    if (!loc) return kExitFailed;

    std::string text;
    if (operands.size() == 2) {
        text = operands[1];
    } else {
        std::vector<char> block(kReadBlock);
        size_t n;
        while ((n = std::fread(block.data(), 1, block.size(), stdin)) > 0)
            text.append(block.data(), n);
        if (std::ferror(stdin)) {
            complain(kName, std::string("cannot read the input: ") + std::strerror(errno));
            return kExitFailed;
        }
    }
    const bool all = Describer(loc.get()).describe(
        reinterpret_cast<const unsigned char *>(text.data()), text.size());
    if (std::fflush(stdout) != 0) return cli::output_error(errno);
    if (!all) complain(kName, "the text holds bytes that are not characters of the code set");
    return all ? kExitOk : kExitFailed;
}

}  // namespace velmorad::gltool
