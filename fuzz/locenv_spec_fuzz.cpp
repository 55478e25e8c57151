// The front end's locale specifications: normalising, naming the loader's
// files (composites and operating-system names included) and reading a
// composite's values, into buffers of exactly their documented sizes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gls/names/names.h"
#include "locale_env/locale_env.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace velmorad;
    if (size > 1024) return 0;
    static const bool ready = [] {
        gls::gl_cache_registry(nullptr, "/nonexistent/registry");  // the built-in table
        // Counted as set up, so that nothing starts the locale environment.
        new_gls_env.initialised_modes = kModeFrontEnd;
        return true;
    }();
    (void)ready;
    std::string text(reinterpret_cast<const char *>(data), size);
    text.resize(std::strlen(text.c_str()));

    std::vector<char> generic(kGenSpecSize);
    togensp(text.c_str(), generic.data());
    // A generic form (not the cut copy a text that names nothing gets) is
    // its own generic form, composites included.
    if (text.substr(0, kMaxCategorySpec) != generic.data()) {
        std::vector<char> again(kGenSpecSize);
        togensp(generic.data(), again.data());
        if (std::strcmp(generic.data(), again.data()) != 0) abort();
    }
    if (is_composite_spec(generic.data()))
        lccompsp2longsp(generic.data(), new_gls_env.category_specs);
    int flag = 0;
    chglcfile2sp(text.c_str(), generic.data(), &flag);

    std::vector<char> names(kSpecBufferSize);
    int32_t flags[kCategoryCount];
    for (int os_names : {0, 1}) {
        spec2fname(text.c_str(), names.data(), flags, &os_names);
    }
    (void)prependos(text.c_str(), names.data());

    for (const CategoryName &category : cat_names) {
        std::vector<char> value(kExtrSpecSize), wide(kExtrSpecWideSize);
        (void)extrspec(text.c_str(), category.name, value.data(), 0);
        (void)extrspec(text.c_str(), category.name, wide.data(), 1);
    }

    std::vector<char> lang_terr(gls::kLangTerrSize), number(gls::kCsNumTextSize),
        modifier(gls::kModifierSize);
    (void)spec2pieces(text.c_str(), lang_terr.data(), number.data(), modifier.data());

    // The category specs as the variables or a specification fill them.
    for (int i = 0; i < kCategoryCount; ++i)
        std::snprintf(new_gls_env.category_specs[i], kCategorySpecSize, "%s", text.c_str());
    std::vector<char> composite(kSpecBufferSize);
    for (int i = 0; i < kCategoryCount; ++i)
        mk1loccat(nullptr, i, composite.data(), i % 2, "57372", 0);
    std::string copy = text;
    lcspec2longsp(copy.data(), new_gls_env.category_specs);
    return 0;
}
