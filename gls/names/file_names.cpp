// File names derived from locale names: message directories, conversion
// files, and a locale object file name taken back apart into its pieces.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "gls/names/detail.h"
#include "gls/names/names.h"

namespace gls {

using namespace names_detail;

namespace {

constexpr std::string_view kMessagesEntry = "GL_MESSAGES = ";
constexpr std::string_view kEntryEnd = " ; ";
constexpr std::string_view kConversionSuffix = ".cvo";
constexpr size_t kMaxLangTerrLetters = 6;
constexpr size_t kMaxLangTerrLength = 6;
constexpr size_t kMaxCsNumberDigits = 5;
constexpr size_t kMaxModifierLength = 4;
constexpr char kSpecDot = '.';
constexpr char kModifierSign = '@';

int invalid(void *context) {
    store_error(context, GL_EINVAL);
    return -1;
}

// The length of the language letters of "ll_TT" or "lll_TT" at text, or 0
// when it does not start that way.
size_t language_length(const char *text) {
    if (!is_letter(byte_at(text)) || !is_letter(byte_at(text + 1))) return 0;
    size_t length = is_letter(byte_at(text + 2)) ? 3 : 2;
    if (text[length] != '_' || !is_letter(byte_at(text + length + 1)) ||
        !is_letter(byte_at(text + length + 2)))
        return 0;
    return length;
}

// The file name of the messages entry of a composite name, after any
// directory and mark; null without one.
const char *messages_entry(const char *fname) {
    const char *entry = std::strstr(fname, kMessagesEntry.data());
    if (entry == nullptr) return nullptr;
    entry += kMessagesEntry.size();
    const char *end = std::strstr(entry, kEntryEnd.data());
    if (end == nullptr) end = entry + std::strlen(entry);
    for (const char *p = end; p > entry; --p) {
        if (p[-1] == kDirMark) return p;
    }
    return entry;
}

}  // namespace

int gl_lc_spec2msg_dname(void *context, const char *spec, char *out, const char *registry_path,
                         const char *directory) {
    char fname[kLcFnameSize];
    int status = gl_lc_spec2lc_fname(context, spec, fname, registry_path, directory);
    if (status != 0) return status;
    const char *start = fname;
    if (_gl_is_category(fname, nullptr) != 0) {
        start = messages_entry(fname);
        if (start == nullptr) return invalid(context);
    }
    // The directory is the language_territory, "/" and the 4 digits.
    const char *slash = std::strchr(start, '/');
    if (slash == nullptr || strnlen(slash + 1, kHexDigitsPerNumber) < kHexDigitsPerNumber ||
        out == nullptr)
        return invalid(context);
    size_t length = static_cast<size_t>(slash - start) + 1 + kHexDigitsPerNumber;
    if (length >= kMsgDnameSize) return invalid(context);
    std::memcpy(out, start, length);
    out[length] = '\0';
    return 0;
}

void gl_cs_nums2cv_fname(void *, uint16_t first, uint16_t second, char *out,
                         const char *directory) {
    if (out == nullptr) return;
    out[0] = '\0';
    pathcat_mark(out, directory);
    char *p = out + std::strlen(out);
    p = write_hex4(p, first);
    p = write_hex4(p, second);
    std::memcpy(p, kConversionSuffix.data(), kConversionSuffix.size());
    p[kConversionSuffix.size()] = '\0';
}

int gl_lc_fname2lc_pieces(void *context, const char *fname, char *lang_terr, char *cs_number,
                          char *modifier) {
    if (fname == nullptr || lang_terr == nullptr || cs_number == nullptr || modifier == nullptr)
        return invalid(context);
    const size_t language = language_length(fname);
    if (language == 0) return invalid(context);
    size_t length = 0;
    for (; length < language; ++length)
        lang_terr[length] = to_lower(byte_at(fname + length));
    lang_terr[length++] = '_';
    const char *p = fname + length;
    for (size_t letters = language; letters < kMaxLangTerrLetters && is_letter(byte_at(p));
         ++letters)
        lang_terr[length++] = to_upper(byte_at(p++));
    lang_terr[length] = '\0';

    // Something after the locale directory that is not its separator is
    // not a locale object file name at all, and no error.
    if (*p != '/' && *p != '\\') return -1;
    ++p;
    if (digit_value(byte_at(p)) < 0) return invalid(context);
    unsigned value = 0;
    for (int digits = 0; digits < kHexDigitsPerNumber && digit_value(byte_at(p)) >= 0; ++digits)
        value = value * 16 + static_cast<unsigned>(digit_value(byte_at(p++)));
    std::snprintf(cs_number, kCsNumTextSize, "%u", value);

    size_t kept = 0;
    for (; kept < kMaxModifierLength && *p != '\0' && *p != kSpecDot; ++kept)
        modifier[kept] = *p++;
    modifier[kept] = '\0';
    return 0;
}

int gl_lc_pieces2lc_spec(void *context, const char *lang_terr, const char *cs_number,
                         const char *modifier, char *out) {
    if (lang_terr == nullptr || cs_number == nullptr || out == nullptr ||
        language_length(lang_terr) == 0 || *cs_number == '\0')
        return invalid(context);
    for (const char *p = cs_number; *p != '\0'; ++p) {
        if (digit_value(byte_at(p)) < 0) return invalid(context);
    }
    size_t length = 0;
    for (;
         length < kMaxLangTerrLength && lang_terr[length] != '\0' && lang_terr[length] != kSpecDot;
         ++length)
        out[length] = lang_terr[length];
    out[length++] = kSpecDot;
    for (size_t i = 0; i < kMaxCsNumberDigits && cs_number[i] != '\0'; ++i)
        out[length++] = cs_number[i];
    if (modifier != nullptr && *modifier != '\0') {
        out[length++] = kModifierSign;
        for (size_t i = 0; i < kMaxModifierLength && modifier[i] != '\0'; ++i)
            out[length++] = modifier[i];
    }
    out[length] = '\0';
    return 0;
}

}  // namespace gls
