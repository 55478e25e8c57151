// The test programs' main: the process environment is cut down to what the
// test run itself needs, so that a developer's LANG, TERM or DBNLS cannot
// change what the library sees.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

// The tests that set beside the C library's locales call newlocale, which
// keeps the LOCPATH list it splits for good; under the leak checker that is
// the C library's, not ours.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:__argz_add_sep\n";
}

int main(int argc, char **argv) {
    static const char *const kKept[] = {
        "PATH",         "TMPDIR",      "LD_PRELOAD",         "ASAN_OPTIONS",      "UBSAN_OPTIONS",
        "LSAN_OPTIONS", "VELMORADDIR", "NSS_WRAPPER_PASSWD", "NSS_WRAPPER_GROUP", "GL_PATH"};
    std::map<std::string, std::string> kept;
    for (const char *name : kKept) {
        if (const char *value = std::getenv(name)) kept[name] = value;
    }
    clearenv();
    for (const auto &[name, value] : kept)
        setenv(name.c_str(), value.c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
