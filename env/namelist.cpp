// A growable list of owned names: the names that ENVIGNORE hides.
#include <cstdlib>
#include <cstring>

#include "env/env.h"
#include "os_layer/os_layer.h"

namespace velmorad {

namespace {
constexpr int kNameListStep = 16;
}

NameList *_ginitnamelist() {
    auto *list = static_cast<NameList *>(std::malloc(sizeof(NameList)));
    auto **names = static_cast<char **>(std::malloc(kNameListStep * sizeof(char *)));
    if (list == nullptr || names == nullptr) {
        std::free(list);
        std::free(names);
        return nullptr;
    }
    *list = NameList{0, kNameListStep, names};
    return list;
}

int _gaddnamelist(NameList *list, const char *name) {
    if (list->count == list->capacity) {
        int capacity = list->capacity + kNameListStep;
        auto **names = static_cast<char **>(
            std::realloc(list->names, static_cast<size_t>(capacity) * sizeof(char *)));
        if (names == nullptr) return -1;
        list->names = names;
        list->capacity = capacity;
    }
    char *copy = strdup(name);
    if (copy == nullptr) return -1;
    list->names[list->count] = copy;
    return list->count++;
}

int _gsrchnamelist(const NameList *list, const char *name) {
    for (int i = 0; i < list->count; ++i) {
        if (stcmpr(list->names[i], name) == 0) return i;
    }
    return -1;
}

void _gfreenamelist(NameList *list) {
    if (list == nullptr) return;
    for (int i = 0; i < list->count; ++i)
        std::free(list->names[i]);
    std::free(list->names);
    std::free(list);
}

}  // namespace velmorad
