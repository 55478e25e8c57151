// Printing the checker's messages. Every text comes from the catalogue and
// is used as a printf format only when its conversions fit the arguments.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "checker/checker.h"
#include "msg/msg.h"

namespace velmorad {

int found_error = 0;

namespace {

constexpr int16_t kMessageBufferSize = kMsgBufferSize;

void print_with(int number, MsgArgs args, ...) {
    char buf[kMessageBufferSize] = {};
    int len = 0;
    (void)rgetlmsg(number, buf, kMessageBufferSize, &len);
    const char *format = msg_usable_format(number, buf, args);
    va_list ap;
    va_start(ap, args);
    std::vfprintf(stderr, format, ap);
    va_end(ap);
}

}  // namespace

void print_message(int number, const char *arg) {
    if (arg != nullptr) {
        print_with(number, MsgArgs::kString, arg);
    } else {
        print_with(number, MsgArgs::kNone);
    }
}

void report_error(int number, const char *path, int line) {
    print_with(number, MsgArgs::kStringInt, path, line);
    std::fflush(stderr);
    found_error = 1;
}

void fatal_error(int number, const char *) {
    print_with(number, MsgArgs::kNone);
    std::fflush(stderr);
    std::exit(1);
}

}  // namespace velmorad
