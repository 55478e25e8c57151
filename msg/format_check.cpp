// Checks a message text that will be used as a printf format against the
// arguments its caller passes, so a damaged or foreign message file cannot
// make printf read arguments that are not there.
#include <cstring>

#include "msg/msg.h"

namespace velmorad {

namespace {

// strchr would find the terminator itself, so the end of the text is no flag.
bool is_flag(char c) {
    return c != '\0' && std::strchr("-+ #0", c) != nullptr;
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// A field width or precision; null when it asks for more characters than
// a message may hold (the value is never accumulated past that).
const char *read_field_size(const char *p) {
    long size = 0;
    for (; is_digit(*p); ++p) {
        size = size * 10 + (*p - '0');
        if (size > kMsgMaxFieldSize) return nullptr;
    }
    return p;
}

// Reads one directive after its '%'; returns the position after it, or null
// when the directive is malformed.
const char *read_directive(const char *p, FormatArg *arg) {
    while (is_flag(*p))
        ++p;
    p = read_field_size(p);
    if (p == nullptr) return nullptr;
    if (*p == '.') {
        p = read_field_size(p + 1);
        if (p == nullptr) return nullptr;
    }
    switch (*p) {
        case '%':
            *arg = FormatArg::kNone;
            return p + 1;
        case 's':
            *arg = FormatArg::kString;
            return p + 1;
        case 'd':
        case 'i':
            *arg = FormatArg::kInt;
            return p + 1;
        default:
            return nullptr;  // '*', '$', length modifiers, other conversions
    }
}

}  // namespace

int parse_format(const char *text, FormatArg *args, int max_args) {
    int count = 0;
    for (const char *p = text; *p != '\0';) {
        if (*p++ != '%') continue;
        FormatArg arg;
        p = read_directive(p, &arg);
        if (p == nullptr) return -1;
        if (arg == FormatArg::kNone) continue;
        if (count == max_args) return -1;
        args[count++] = arg;
    }
    return count;
}

bool msg_format_fits(const char *text, MsgArgs args) {
    static constexpr FormatArg kNoArgs[] = {FormatArg::kNone};
    static constexpr FormatArg kString[] = {FormatArg::kString};
    static constexpr FormatArg kStringInt[] = {FormatArg::kString, FormatArg::kInt};
    static constexpr FormatArg kInt[] = {FormatArg::kInt};
    const FormatArg *expected = kNoArgs;
    int expected_count = 0;
    switch (args) {
        case MsgArgs::kNone:
            break;
        case MsgArgs::kString:
            expected = kString;
            expected_count = 1;
            break;
        case MsgArgs::kStringInt:
            expected = kStringInt;
            expected_count = 2;
            break;
        case MsgArgs::kInt:
            expected = kInt;
            expected_count = 1;
            break;
    }
    FormatArg found[kMaxFormatArgs];
    int count = parse_format(text, found, kMaxFormatArgs);
    if (count < 0 || count > expected_count) return false;
    for (int i = 0; i < count; ++i) {
        if (found[i] != expected[i]) return false;
    }
    return true;
}

}  // namespace velmorad
