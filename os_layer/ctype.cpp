// The single-byte character class table and case maps that the
// configuration readers use to find blanks.
#include <array>
#include <cctype>
#include <clocale>
#include <cstring>

#include "env/env.h"
#include "os_layer/os_layer.h"

namespace velmorad {

namespace {

constexpr unsigned char kCtrlSpace = kClassControl | kClassSpace;
constexpr unsigned char kSpaceBlank = kClassSpace | kClassBlankOrPrint;
constexpr unsigned char kUpperHex = kClassUpper | kClassHex;
constexpr unsigned char kLowerHex = kClassLower | kClassHex;

constexpr unsigned char builtin_class(int c) {
    if (c <= 0x08) return kClassControl;
    if (c <= 0x0D) return kCtrlSpace;
    if (c <= 0x1F) return kClassControl;
    if (c == 0x20) return kSpaceBlank;
    if (c <= 0x2F) return kClassPunct;
    if (c <= 0x39) return kClassDigit;
    if (c <= 0x40) return kClassPunct;
    if (c <= 0x46) return kUpperHex;
    if (c <= 0x5A) return kClassUpper;
    if (c <= 0x60) return kClassPunct;
    if (c <= 0x66) return kLowerHex;
    if (c <= 0x7A) return kClassLower;
    if (c <= 0x7E) return kClassPunct;
    if (c == 0x7F) return kClassControl;
    if (c <= 0xAD) return kClassLower;
    return kClassPunct;
}

struct Tables {
    std::array<unsigned char, 258> ctype;
    std::array<unsigned char, 256> low;
    std::array<unsigned char, 256> up;
};

constexpr Tables builtin_tables() {
    Tables t{};
    for (int c = 0; c < 256; ++c) {
        t.ctype[c + 1] = builtin_class(c);
        bool upper = c >= 'A' && c <= 'Z';
        bool lower = c >= 'a' && c <= 'z';
        t.low[c] = static_cast<unsigned char>(upper ? c + 32 : c);
        t.up[c] = static_cast<unsigned char>(lower ? c - 32 : c);
    }
    return t;
}

constexpr Tables kBuiltin = builtin_tables();

bool tables_settled = false;

}  // namespace

// Constant-initialised, so the built-in contents stand before any code runs.
std::array<unsigned char, 258> _ixctype = kBuiltin.ctype;
std::array<unsigned char, 256> _ix2lowmap = kBuiltin.low;
std::array<unsigned char, 256> _ix2upmap = kBuiltin.up;

int rldctype() {
    if (tables_settled) return 0;
    tables_settled = true;
    const char *mode = idx_ggetenv("DBNLS", kEnvDBNLS);
    if (mode != nullptr && (std::strcmp(mode, "1") == 0 || std::strcmp(mode, "2") == 0)) {
        bool locale_set = std::setlocale(LC_CTYPE, "") != nullptr;
        if (ldctypearr() == -1 || !locale_set) return -1;
        return 0;
    }
    rld8bitarr();
    return 0;
}

int ldctypearr() {
    if (CheckOsInit() == nullptr) return -1;
    _ixctype.fill(0);
    for (int c = 0; c < 256; ++c) {
        unsigned char bits = 0;
        if (std::isupper(c)) bits |= kClassUpper;
        if (std::islower(c)) bits |= kClassLower;
        if (std::isdigit(c)) bits |= kClassDigit;
        if (std::isspace(c)) bits |= kClassSpace;
        if (std::ispunct(c)) bits |= kClassPunct;
        if (std::iscntrl(c)) bits |= kClassControl;
        if (std::isxdigit(c)) bits |= kClassHex;
        if (std::isprint(c)) bits |= kClassBlankOrPrint;
        _ixctype[c + 1] = bits;
        _ix2lowmap[c] = static_cast<unsigned char>(std::tolower(c));
        _ix2upmap[c] = static_cast<unsigned char>(std::toupper(c));
    }
    return 0;
}

void rld8bitarr() {
    for (int c = 0x80; c <= 0xFF; ++c)
        _ixctype[c + 1] = kClassPunct;
    for (int c = 0x80; c <= 0xAD; ++c)
        _ixctype[c + 1] = kClassLower;
}

}  // namespace velmorad
