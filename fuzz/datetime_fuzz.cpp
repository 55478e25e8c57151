// The date and time notations users write: DBDATE and DBTIME values
// translated, and a format expanded and cut down by datetime qualifier,
// every buffer of exactly the size the functions are given or ask for.
#include <cstring>
#include <vector>

#include "locale_env/locale_env.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace velmorad;
    if (size < 1 || size > 1024) return 0;
    // Counted as set up, so that nothing starts the locale environment.
    new_gls_env.initialised_modes = kModeFrontEnd;
    const uint8_t control = data[0];
    std::vector<char> value(data + 1, data + size);
    value.push_back('\0');

    char *date = nullptr;
    int32_t kind = 0;
    int32_t order[kDateComponents];
    if (dbdate_to_gl_date(value.data(), &date, &kind, order, nullptr) == 0) {
        if (std::strlen(date) >= kDbdateFormatSize) __builtin_trap();
        cl_ext_free(date);
    }
    std::vector<char> buffer(kDbdateFormatSize);
    (void)dbdate_to_gl_date(value.data(), &date, &kind, order, buffer.data());

    char *time = nullptr;
    const int mode = control & 1;
    const int fraction = (control >> 1) & 1;
    const bool translated = dbtime_to_gl_date(value.data(), mode, &time, &kind, fraction) == 0;
    const char *format = translated ? time : value.data();

    const size_t needed = expandformat(format, nullptr, 0);
    std::vector<char> expanded(needed + 1);
    if (expandformat(format, expanded.data(), expanded.size()) != needed) __builtin_trap();
    if (std::strlen(expanded.data()) != needed) __builtin_trap();

    // Start and end units from the control byte's upper bits and the size.
    const int start = (control >> 2) & 0xF;
    const int end = static_cast<int>(size) & 0xF;
    char *cut = qualtofmt(start * 16 + end, format);
    cl_ext_free(cut);
    cl_ext_free(time);
    return 0;
}
