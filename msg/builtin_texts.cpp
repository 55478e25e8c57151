// English texts built into the program, for when no message file can be
// read or a message file's text cannot be used as its caller's format.
#include <cstddef>

#include "msg/msg.h"

namespace velmorad {

namespace {

struct BuiltinText {
    int number;
    const char *text;
};

// What the locale environment's failures read like while no message file
// can be consulted. The first nine are the long-standing wording.
constexpr BuiltinText kLocaleErrorTexts[] = {
    {-23101, "Unable to load locale categories."},
    {-23102, "Memory allocation failed during locale processing."},
    {-23104, "Error opening required code-set conversion object file."},
    {-23108, "An error occurred during locale structure creation."},
    {-23110, "An error occurred during environment variable processing."},
    {-23111, "Internal error.  Illegal argument for locale initialization."},
    {-23115, "Code sets of the locale categories are not the same."},
    {-1212, "Date conversion format must contain a month, day, and year component."},
    {-1211, "Out of memory."},
    {-23103, "Invalid or incomplete character in code-set conversion."},
    {-23105, "The locale specification is not valid."},
    {-23106, "The code set is not known to the code-set registry."},
    {-23107, "The locale category is not valid."},
    {-23109, "The operating-system locale variable LC_CTYPE has no value."},
    {-23112, "Invalid argument to code-set conversion."},
    {-23113, "Code-set conversion failed."},
    {-23114, "The locale environment is not initialized."},
    {-34394, "The client code set does not encode \"A\" and \"B\" as consecutive bytes."},
    {-406, "Memory allocation failed for the message catalogue."},
    {-1218, "Internal error: no place given for the date format."},
    {-1272, "Internal error: missing argument for the time format."},
    {-1275, "A time format directive has no conversion letter."},
    {-1276, "A time format ends inside a directive."},
};

// The formats of the messages that the program prints itself.
constexpr BuiltinText kFormatTexts[] = {
    {-33518, "Checking system-wide environment file %s\n"},
    {-33519, "Checking user environment file %s\n"},
    {-33520, "Checking environment file %s\n"},
    {-33521, "Usage: envcheck [file]\n"},
    {-33522, "  cannot open the file\n"},
    {-33523, "  %s, line %d: unknown environment variable\n"},
    {-1211, "Out of memory.\n"},
    {kMsgCannotOpenFile, "Cannot open file '%s'\n"},
    {kMsgUnknownNumber, "Unknown error message number '%d'\n"},
};

template <std::size_t N>
const char *find(const BuiltinText (&table)[N], int number) {
    for (const BuiltinText &row : table) {
        if (row.number == number) return row.text;
    }
    return nullptr;
}

}  // namespace

const char *msg_locale_error_text(int number) {
    return find(kLocaleErrorTexts, number);
}

const char *msg_builtin_text(int number) {
    return find(kFormatTexts, number);
}

}  // namespace velmorad
