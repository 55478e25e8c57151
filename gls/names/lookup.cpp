// Code-set name to number: the registry's caches, the registry file read
// directly when nothing is cached, and the built-in table behind them.
#include <cstring>

#include "gls/names/detail.h"
#include "gls/names/names.h"

namespace gls {

using namespace names_detail;

// The built-in registry, in the order the product has always listed it.
// The numbers are the product's own: code-page numbers where a code set has
// a well-known one, else numbers above 0xE000 that no other code set uses;
// aliases share their code set's number. "greek" stands twice, so only its
// first row is ever found.
constexpr GlRegistryRow gls_canned_registry[kCannedRegistryRows + 1] = {
    {"ascii", 364},
    {"c", 819},
    {"posix", 819},
    {"unitedstates", 437},
    {"cp437", 437},
    {"8859-1", 819},
    {"latin-1", 819},
    {"korhstextsbcs", 833},
    {"ccsid833", 833},
    {"korhstdbcs", 834},
    {"ccsid834", 834},
    {"tchhstdbcs", 835},
    {"ccsid835", 835},
    {"schhstextsbcs", 836},
    {"ccsid836", 836},
    {"schhstdbcs", 837},
    {"ccsid837", 837},
    {"pc-latin-1", 850},
    {"pc-latin-2", 852},
    {"pc-data-hebrew", 856},
    {"pc-hebrew-saa", 0xE100},
    {"pc-cyrillic", 855},
    {"cis-1", 0xE101},
    {"pc866", 866},
    {"8859-2", 912},
    {"latin-2", 912},
    {"cyrillic-8bit", 0xE102},
    {"ccsid932", 932},
    {"sjis-s", 932},
    {"pc-sjis", 932},
    {"korhstmxexsbcs", 933},
    {"csid933", 933},
    {"schmxexsbcs", 935},
    {"ccsid935", 935},
    {"tchhstmxexsbcs", 937},
    {"ccsid937", 937},
    {"tchhstexsbcs", 28709},
    {"ccsid28709", 28709},
    {"8859-3", 57346},
    {"latin-3", 57346},
    {"8859-4", 914},
    {"latin-4", 914},
    {"8859-5", 915},
    {"latin-cyrillic", 915},
    {"8859-6", 1089},
    {"latin-arabic", 1089},
    {"8859-7", 813},
    {"latin-greek", 813},
    {"8859-8", 916},
    {"latin-hebrew", 916},
    {"8859-9", 920},
    {"latin-5", 920},
    {"iso-7-german", 0xE103},
    {"646de", 0xE103},
    {"iso-7-danish", 0xE104},
    {"pc1046", 1046},
    {"arabic-pc", 1046},
    {"unicode", 57349},
    {"east-europe", 1250},
    {"cp1250", 1250},
    {"pc-slavic", 1251},
    {"cp1251", 1251},
    {"west-europe", 1252},
    {"cp1252", 1252},
    {"pc-greek", 1253},
    {"cp1253", 1253},
    {"pc-latin5", 1254},
    {"cp1254", 1254},
    {"pc-turkish", 857},
    {"pc-hebrew", 1255},
    {"cp1255", 1255},
    {"pc-arabic", 1256},
    {"cp1256", 1256},
    {"sjis", 57350},
    {"shift-jis", 57350},
    {"ujis", 57351},
    {"eucjp", 5050},
    {"big5", 57352},
    {"big-5", 57352},
    {"sbig5", 0xE105},
    {"shift-big-5", 0xE105},
    {"ccdc", 0xE106},
    {"cccii", 0xE107},
    {"greek", 0xE108},
    {"greek", 0xE108},
    {"ksc", 57356},
    {"ks5601", 57356},
    {"cp949", 57356},
    {"gb", 57357},
    {"gb2312-80", 57357},
    {"ebcdic", 37},
    {"ebcdic-us", 37},
    {"chngcase", 0xE109},
    {"banga", 0xE10A},
    {"shift1", 0xE10B},
    {"rot13", 0xE10C},
    {"swap0to9", 0xE10D},
    {"pcwin", 0xE10E},
    {"qacvtest", 0xE10F},
    {"swap09-nl", 0xE110},
    {"qa-unix-client", 0xE111},
    {"qa-unix-server", 0xE112},
    {"qa-win-client", 0xE113},
    {"guobiao2312", 57357},
    {"mik", 0xE114},
    {"utf8", 57372},
    {"thai", 874},
    {"thai620", 874},
    {"sopstw", 0xE115},
    {"euctw", 964},
    {"cns", 0xE116},
    {"cns-extended", 0xE117},
    {"eucxtw", 0xE118},
    {"tst", 0xE119},
    {"qa-win-950", 0xE11A},
    {"qa-win-932", 0xE11B},
    {"koi-8", 878},
    {"csk", 0xE11C},
    {"mazovia", 0xE11D},
    {"maz", 0xE11D},
    {"roman8", 1051},
    {"qa-win-unicode", 0xE11E},
    {"qa-unix-big5", 57387},
    {nullptr, 0},
};
static_assert(gls_canned_registry[kCannedRegistryRows - 1].name != nullptr &&
              gls_canned_registry[kCannedRegistryRows].name == nullptr);

namespace {

constexpr uint32_t kNumberLimit = 0x10000;
constexpr uint32_t kDecimal = 10;

enum class FileLookup { kFound, kFailed, kNotListed };

// The lower-case copy of a name that can be in the registry; false for a
// name too long for any registry record.
bool fold_name(const char *name, char (&folded)[kCsNameSize]) {
    if (name == nullptr) return false;
    size_t length = 0;
    for (; name[length] != '\0'; ++length) {
        if (length + 1 >= kCsNameSize) return false;
        folded[length] = to_lower(static_cast<unsigned char>(name[length]));
    }
    folded[length] = '\0';
    return true;
}

// A name that is a code-set number written in decimal.
bool decimal_number(const char *name, uint16_t *number) {
    if (*name == '\0') return false;
    uint32_t value = 0;
    for (const char *p = name; *p != '\0'; ++p) {
        if (!is_digit(static_cast<unsigned char>(*p))) return false;
        value = value * kDecimal + static_cast<uint32_t>(*p - '0');
        if (value >= kNumberLimit) return false;
    }
    if (value == kNoCodeSet) return false;
    *number = static_cast<uint16_t>(value);
    return true;
}

// Reads the registry file record by record until the name turns up. Each
// record is read whole, so a number on the line after its name is never
// taken for a name.
FileLookup look_up_in_file(void *context, const char *wanted, const char *path, uint16_t *number) {
    RegistryStream stream(context, path, gls_registry_ops);
    if (stream.get() == nullptr) {
        // A search that ran out of memory says so rather than "no file".
        if (current_error(context) != GL_ENOMEM) store_error(context, GL_ENOREG);
        return FileLookup::kFailed;
    }
    char name[kCsNameSize];
    while (_gl_next_cs_name_from_registry(stream.get(), name, sizeof name) == 1) {
        uint16_t value;
        if (!read_cs_number(stream.get(), &value)) {
            store_error(context, GL_EBADREG);
            return FileLookup::kFailed;
        }
        if (std::strcmp(name, wanted) == 0) {
            *number = value;
            return FileLookup::kFound;
        }
        if (ignore_till_eol(stream.get()) == 0) {
            store_error(context, GL_EBADREG);
            return FileLookup::kFailed;
        }
    }
    return FileLookup::kNotListed;
}

}  // namespace

uint16_t gl_cs_name2cs_num(void *context, const char *name, const char *registry_path) {
    char folded[kCsNameSize];
    if (!fold_name(name, folded)) {
        store_error(context, GL_EINVAL);
        return kNoCodeSet;
    }
    uint16_t decimal = kNoCodeSet;
    const bool is_decimal = decimal_number(folded, &decimal);
    if (gls_registry_list_cache != nullptr) {
        if (is_decimal && !cached_list_has_decimal_name()) return decimal;
        // The first byte settles most rows without a call.
        for (const GlRegistryNode *node = gls_registry_list_cache; node != nullptr;
             node = node->next) {
            if (node->name[0] == folded[0] && std::strcmp(node->name, folded) == 0)
                return node->number;
        }
    } else if (gls_registry_array_cache != nullptr) {
        for (const GlRegistryRow *row = gls_registry_array_cache; row->name != nullptr; ++row) {
            if (row->name[0] == folded[0] && std::strcmp(row->name, folded) == 0)
                return row->number;
        }
    } else {
        uint16_t number = kNoCodeSet;
        switch (look_up_in_file(context, folded, registry_path, &number)) {
            case FileLookup::kFound:
                return number;
            case FileLookup::kFailed:
                return kNoCodeSet;
            case FileLookup::kNotListed:
                break;
        }
    }
    if (is_decimal) return decimal;
    store_error(context, GL_EINVAL);
    return kNoCodeSet;
}

}  // namespace gls
