// Storing one variable's value in the working table.
#include <cstdlib>
#include <cstring>

#include "env/env.h"
#include "os_layer/os_layer.h"

namespace velmorad {

namespace {
char shared_empty[1] = "";
}

// Every empty value points here instead of owning a copy; never released.
char *const EnvEmptyVal = shared_empty;

int ginsenv(const char *name, const char *value, EnvVar *entry) {
    if (name == nullptr) return kStatusNullArgument;
    if (entry == nullptr) entry = search_evar(name, Inf_EVars, Num_EVars);
    if (entry == nullptr) return kStatusUnknownVariable;
    size_t new_len = value != nullptr ? std::strlen(value) : 0;
    if (entry->max_len > 0 && static_cast<size_t>(entry->max_len) < new_len) return kStatusTooLong;

    char *held = entry->value;
    if (held != nullptr && value != nullptr && std::strcmp(held, value) == 0) return kStatusOk;
    char *to_release = held != EnvEmptyVal ? held : nullptr;
    if (value == nullptr) {
        entry->value = nullptr;
        std::free(to_release);
        return kStatusOk;
    }
    if (new_len == 0) {
        entry->value = EnvEmptyVal;
    } else {
        auto *copy = static_cast<char *>(std::malloc(new_len + 1));
        if (copy == nullptr) return kStatusNoMemory;  // the entry keeps what it held
        std::memcpy(copy, value, new_len + 1);
        entry->value = copy;
    }
    std::free(to_release);
    return kStatusOk;
}

}  // namespace velmorad
