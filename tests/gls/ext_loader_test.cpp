// The extension loader against the stand-in extension: a temporary
// installation lists it (or broken and partial libraries), and the test
// reads what the loader did from its state, its diagnostics and the
// stand-in's own record of what it was handed.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gls/ext/ext.h"
#include "gls/util/util.h"
#include "tests/gls/ext_standin/standin.h"
#include "tests/support/conv_log.h"
#include "tests/support/failing_host.h"
#include "tests/support/oom_walk.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using velmorad::testing::TempDir;
using velmorad::testing::write_file;
using Lines = std::vector<std::string>;

constexpr const char *kLibrary = "libglu.so";
constexpr const char *kPartial = "libglu-partial.so";
constexpr const char *kBroken = "libbroken.so";
constexpr const char *kAbsent = "libabsent.so";
constexpr uint32_t kUntouched = 99;

// What the stand-in loaded as record i was handed.
const standin::State *standin_state(int record = 0) {
    using StateFn = const standin::State *(*)();
    void *address = dlsym(handleglu[record].handle, kStandinStateSymbol);
    return address != nullptr ? reinterpret_cast<StateFn>(address)() : nullptr;
}

// Puts the process back where no extension was ever loaded.
void reset_extension() {
    if (pMap != nullptr && fn_glu_unloadMapData != nullptr) fn_glu_unloadMapData(pMap);
    if (glu_data != nullptr && fn_glu_unloadIcuData != nullptr) fn_glu_unloadIcuData(glu_data);
    pMap = nullptr;
    glu_data = nullptr;
    for (GluDllRecord &record : handleglu) {
        (void)qrmx_dlclose(&record);
        _gl_free_ptr(record.error_text);
        record = GluDllRecord{};
    }
    _glu_clear_entry_points();
    glu_loaded = 0;
    unicode_collate = 0;
}

bool no_library_loaded() {
    for (const GluDllRecord &record : handleglu) {
        if (record.handle != nullptr) return false;
    }
    return fn_glu_lc_open == nullptr && fn_glu_setMemoryFunctions == nullptr;
}

size_t count(const Lines &lines, const std::string &line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

class Loader : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(chdir(work.path().c_str()), 0);
        setenv("GLSLOG", "on", 1);
        unsetenv("GL_PATH");
        setenv("VELMORADDIR", inst.path().c_str(), 1);
        setenv("GL_USEGLU", "1", 1);
        for (const char *steering : {standin::kDataFileVariable, standin::kNameResultVariable,
                                     standin::kMemoryResultVariable, standin::kDataStatusVariable,
                                     standin::kMapStatusVariable})
            unsetenv(steering);
        gls_logging = 1;
        velmorad::testing::make_dirs(inst / "gls/dll");
        ASSERT_EQ(symlink(GLU_STANDIN_PATH, library(kLibrary).c_str()), 0);
        ASSERT_EQ(symlink(GLU_STANDIN_PARTIAL_PATH, library(kPartial).c_str()), 0);
        write_file(library(kBroken), "not a shared object\n");
        write_list({kLibrary});
        write_file(inst / "gls/etc/standin.dat", "data\n");
        write_file(inst / "gls/etc/locmap", "map\n");
        gl_useglu(2);
        (void)log();
    }
    void TearDown() override { reset_extension(); }

    void write_list(const Lines &names) {
        std::string text;
        for (const std::string &name : names)
            text += name + "\n";
        write_file(inst / "gls/etc/64-dllregistry.48", text);
    }
    std::string library(const std::string &name) const { return inst / ("gls/dll/" + name); }
    Lines log() { return testing::take_log(work.path()); }

    TempDir work;                 // the current directory, where the log goes
    TempDir inst;                 // the installation directory
    uint32_t error = kUntouched;  // the context: just its error number
};

// Not wanted (GL_USEGLU not 1 or 2) loads nothing and is decided for good;
// not capable (the front end's word not 1 or 2) loads nothing until asked again.
TEST_F(Loader, NotWantedOrNotCapableLoadsNothing) {
    std::remove((inst / "gls/etc/64-dllregistry.48").c_str());  // never looked for
    const struct {
        const char *use;  // null: unset
        int32_t capability;
    } rows[] = {{nullptr, 2}, {"0", 2}, {"3", 2}, {"-1", 2}, {"", 2},
                {"one", 2},   {"1", 0}, {"1", 3}, {"1", -1}};
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.use != nullptr ? row.use : "(unset)") + " " +
                     std::to_string(row.capability));
        reset_extension();
        if (row.use != nullptr) {
            setenv("GL_USEGLU", row.use, 1);
        } else {
            unsetenv("GL_USEGLU");
        }
        gl_useglu(row.capability);
        (void)log();
        EXPECT_EQ(gl_init_glu(&error), kGluOk);
        EXPECT_EQ(error, kUntouched);
        EXPECT_EQ(unicode_collate, 0);
        EXPECT_TRUE(no_library_loaded());
        const bool capable = row.capability == 2;
        EXPECT_EQ(glu_loaded, capable ? 1 : 0);
        EXPECT_EQ(count(log(), "gl_init_glu_dll: No glu_capable"), capable ? 0U : 1U);
        (void)gl_init_glu(&error);
        EXPECT_EQ(count(log(), "gl_init_glu_dll: preloaded"), capable ? 1U : 0U);
    }
}

TEST_F(Loader, LoadsTheListedLibraryAndHandsItTheHostsServices) {
    for (int32_t capability : {1, 2}) {
        for (const char *use : {"1", "2"}) {
            SCOPED_TRACE(std::to_string(capability) + " " + use);
            reset_extension();
            gl_useglu(capability);
            setenv("GL_USEGLU", use, 1);
            ASSERT_EQ(gl_init_glu(&error), kGluOk);
            EXPECT_EQ(error, kUntouched);
            EXPECT_EQ(unicode_collate, 1);
            EXPECT_EQ(glu_loaded, 1);
            EXPECT_NE(pMap, nullptr);
            EXPECT_EQ(handleglu[0].path, library(kLibrary));
            EXPECT_EQ(standin_state()->data_path, inst / "gls/etc/standin.dat");
            EXPECT_EQ(standin_state()->map_path, inst / "gls/etc/locmap");
        }
    }
    // Every entry point is the symbol of its name.
#define GLU_ENTRY(name, Type)                                         \
    EXPECT_NE(reinterpret_cast<void *>(fn_##name), nullptr) << #name; \
    EXPECT_EQ(reinterpret_cast<void *>(fn_##name), dlsym(handleglu[0].handle, #name)) << #name;
#define GLU_ENTRY_AGAIN(name)
#include "gls/ext/ext_entries.def"

    const standin::State *state = standin_state();
    EXPECT_STREQ(state->calls,
                 "setMemoryFunctions,setFgetcFunc,setFseekFunc,setFtellFunc,setFerrorFunc,"
                 "setFeofFunc,setUCAFunc,setPrintMessageFunc,setMessageLevel,setMessageSubLevel,");
    EXPECT_EQ(state->fgetc, &_gl_ext_getc);
    EXPECT_EQ(state->fseek, &_gl_ext_fseek);
    EXPECT_EQ(state->ftell, &_gl_ext_ftell);
    EXPECT_EQ(state->ferror, &_gl_ext_ferror);
    EXPECT_EQ(state->feof, &_gl_ext_feof);
    EXPECT_EQ(state->uca, &_gl_ext_UCA);
    EXPECT_EQ(state->print, &gl_message);
    EXPECT_EQ(state->message_level, 65535);
    EXPECT_EQ(state->message_sub_level, 1);
    // The memory services reach whatever host is installed when called.
    testing::FailingHost host;
    void *block = state->realloc(nullptr, state->alloc(nullptr, 8), 64);
    auto *cleared = static_cast<unsigned char *>(state->calloc(nullptr, 4, 4));
    ASSERT_NE(cleared, nullptr);
    EXPECT_EQ(cleared[15], 0);
    EXPECT_EQ(host.live_blocks(), 2);
    state->free(nullptr, block);
    state->free(nullptr, cleared);
    EXPECT_EQ(host.live_blocks(), 0);
}

TEST_F(Loader, UsesTheFirstFourLinesAndResolvesFromTheLastLoaded) {
    // The fourth is the only complete library; a fifth line would fail.
    write_list({kPartial, kPartial, kPartial, kLibrary, kAbsent});
    ASSERT_EQ(gl_init_glu(&error), kGluOk);
    EXPECT_EQ(handleglu[3].path, library(kLibrary));
    EXPECT_EQ(count(log(), "gl_init_glu_dll: Loading library:"), 4U);

    // A missing entry point fails and unloads everything.
    reset_extension();
    write_list({kLibrary, kLibrary, kLibrary, kPartial, kLibrary});
    EXPECT_EQ(gl_init_glu(&error), kGluFailed);
    EXPECT_EQ(error, GL_EFILE);
    ASSERT_NE(handleglu[3].error_text, nullptr);
    EXPECT_NE(std::string(handleglu[3].error_text).find("glu_mbsCollBound"), std::string::npos);
    EXPECT_TRUE(no_library_loaded());
    EXPECT_EQ(glu_loaded, 0);
    EXPECT_EQ(log().back(), "gl_init_glu: loading DLLs error");

    // So does an empty list, at resolution.
    reset_extension();
    write_list({});
    error = kUntouched;
    EXPECT_EQ(gl_init_glu(&error), kGluFailed);
    EXPECT_EQ(error, GL_EFILE);
    EXPECT_STREQ(handleglu[0].error_text, "Internal Error");
    EXPECT_EQ(count(log(), "gl_init_glu_dll: End icudata qrmx_dlsym error"), 1U);
}

TEST_F(Loader, ALibraryThatWillNotLoad) {
    const struct {
        int32_t capability;
        const char *use;
        Lines list;
        int result;
    } rows[] = {
        // Present but unloadable, and both sides allow it: switched off.
        {2, "2", {kBroken}, kGluOk},
        {2, "2", {kLibrary, kBroken}, kGluOk},
        // Either side insists, or the file is not there: a failure.
        {2, "1", {kBroken}, kGluFailed},
        {1, "2", {kBroken}, kGluFailed},
        {2, "2", {kAbsent}, kGluFailed},
        {2, "2", {kLibrary, kAbsent}, kGluFailed},
    };
    for (const auto &row : rows) {
        const std::string failing = row.list.back();
        SCOPED_TRACE(std::to_string(row.capability) + " " + row.use + " " + failing);
        reset_extension();
        gl_useglu(row.capability);
        setenv("GL_USEGLU", row.use, 1);
        write_list(row.list);
        (void)log();
        error = kUntouched;
        EXPECT_EQ(gl_init_glu(&error), row.result);
        const bool switched_off = row.result == kGluOk;
        EXPECT_EQ(error, switched_off ? kUntouched : GL_EFILE);
        EXPECT_EQ(glu_capable, switched_off ? 0 : row.capability);
        EXPECT_EQ(glu_loaded, 0);
        EXPECT_TRUE(no_library_loaded());
        const Lines lines = log();
        auto report =
            std::find(lines.begin(), lines.end(), "LoadLibraries: Error Loading SharedObject file");
        ASSERT_GE(std::distance(report, lines.end()), 3) << "no report of the failure";
        EXPECT_EQ(report[1], library(failing));
        EXPECT_NE(report[2].find(library(failing)), std::string::npos) << report[2];
        EXPECT_EQ(count(lines, "gl_init_glu_dll: Error Loading DLLs allowed"),
                  switched_off ? 1U : 0U);
        if (switched_off) {
            // Until the front end asks again, the extension stays off.
            EXPECT_EQ(gl_init_glu(&error), kGluOk);
            EXPECT_EQ(count(log(), "gl_init_glu_dll: No glu_capable"), 1U);
        }
    }
}

TEST_F(Loader, DataFailuresAndTheirRepair) {
    const struct {
        const char *variable;  // set to value, or a file removed when value is null
        const char *value;
        uint32_t error;
        const char *message;
    } rows[] = {
        {standin::kNameResultVariable, "1", GL_EFILE,
         "gl_init_glu: End icudata not loaded, could not get icudata file name"},
        {"standin.dat", nullptr, GL_EFILE,
         "gl_init_glu: End icudata not loaded, icudata file not found"},
        {standin::kDataStatusVariable, "21", 21, "gl_init_glu: End icudata not loaded"},
        {"locmap", nullptr, GL_EFILE, "gl_init_glu: End pMap not loaded locmap file not found"},
        {standin::kMapStatusVariable, "22", 22, "gl_init_glu: End pMap not loaded"},
        {standin::kMemoryResultVariable, "5", 5, "gl_init_glu_dll: End callback functions"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.message);
        reset_extension();
        const std::string removed = inst / ("gls/etc/" + std::string(row.variable));
        if (row.value != nullptr) {
            setenv(row.variable, row.value, 1);
        } else {
            ASSERT_EQ(std::rename(removed.c_str(), (removed + ".away").c_str()), 0);
        }
        (void)log();
        error = kUntouched;
        EXPECT_EQ(gl_init_glu(&error), kGluFailed);
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(pMap, nullptr);
        EXPECT_EQ(count(log(), row.message), 1U);

        // Put right, the next attempt succeeds; the libraries stay loaded
        // unless it was their start that failed.
        const bool libraries_kept = glu_loaded == 1;
        if (row.value != nullptr) {
            unsetenv(row.variable);
        } else {
            ASSERT_EQ(std::rename((removed + ".away").c_str(), removed.c_str()), 0);
        }
        error = kUntouched;
        EXPECT_EQ(gl_init_glu(&error), kGluOk);
        EXPECT_EQ(error, kUntouched);
        EXPECT_NE(pMap, nullptr);
        EXPECT_EQ(count(log(), "gl_init_glu_dll: preloaded"), libraries_kept ? 1U : 0U);
    }
    // A negative status is a warning, not a failure.
    reset_extension();
    setenv(standin::kDataStatusVariable, "-3", 1);
    setenv(standin::kMapStatusVariable, "-4", 1);
    EXPECT_EQ(gl_init_glu(&error), kGluOk);
    EXPECT_NE(pMap, nullptr);
}

TEST_F(Loader, ADataFileNameWithoutTerminatorIsCut) {
    const std::string name(40, 'n');
    const std::string kept = name.substr(0, kGluDataFileNameSize - 1);
    setenv(standin::kDataFileVariable, name.c_str(), 1);
    write_file(inst / ("gls/etc/" + kept), "data\n");
    ASSERT_EQ(gl_init_glu(&error), kGluOk);
    EXPECT_EQ(standin_state()->data_path, inst / ("gls/etc/" + kept));
}

TEST_F(Loader, WithoutTheInstallationDirectoryOrItsList) {
    unsetenv("VELMORADDIR");
    EXPECT_EQ(gl_init_glu(&error), kGluFailed);
    EXPECT_EQ(error, GL_EFILE);
    setenv("VELMORADDIR", work.path().c_str(), 1);
    error = kUntouched;
    EXPECT_EQ(gl_init_glu(&error), kGluFailed);
    EXPECT_EQ(error, GL_EFILE);
    EXPECT_EQ(count(log(), "gl_init_glu_dll: cannot open dllregistry"), 1U);
    EXPECT_TRUE(no_library_loaded());
}

TEST_F(Loader, EveryAllocationAndOpenFailureFailsCleanly) {
    gls_logging = 0;  // the log would be opened through the host
    struct Started {
        int result;
        // The extension is taken down before the walk counts what is left.
        ~Started() { reset_extension(); }
    };
    testing::walk_allocation_failures(
        [&] {
            error = kUntouched;
            return Started{gl_init_glu(&error)};
        },
        [&](const Started &started, bool failed) {
            EXPECT_EQ(started.result, failed ? kGluFailed : kGluOk);
            if (failed) {
                EXPECT_TRUE(error == GL_ENOMEM || error == standin::kNoMemory) << error;
            }
        });
    for (long n = 1;; ++n) {
        SCOPED_TRACE("open " + std::to_string(n) + " failing");
        testing::FailingHost host;
        host.fail_open(n);
        error = kUntouched;
        const int result = gl_init_glu(&error);
        const bool failed = host.failed();
        EXPECT_EQ(result, failed ? kGluFailed : kGluOk);
        EXPECT_EQ(error, failed ? GL_EFILE : kUntouched);
        reset_extension();
        EXPECT_EQ(host.live_blocks(), 0);
        EXPECT_EQ(host.open_streams(), 0);
        if (!failed) break;
    }
}

int host_opens = 0;
FILE *counting_fopen(const char *path, const char *mode) {
    ++host_opens;
    return std::fopen(path, mode);
}

// At start-up the loader probes a locale, with the host's stream functions
// withheld and its own open never called, and puts them back afterwards.
TEST_F(Loader, OnInitProbesALocaleWithoutTheHostsStreams) {
    gls_logging = 0;
    for (bool host_installed : {false, true}) {
        SCOPED_TRACE(host_installed);
        reset_extension();
        _gl_reset_ext_func();
        if (host_installed) {
            ASSERT_EQ(gl_setextfunc_typed<kExtFopen>(nullptr, counting_fopen), 0);
        }
        host_opens = 0;
        ASSERT_EQ(gl_init_glu_internal(&error, 1), kGluOk);
        EXPECT_EQ(host_opens, 0);
        EXPECT_EQ(_gl_get_ext_funcptr(kExtFopen),
                  host_installed ? reinterpret_cast<GlExtFunc>(counting_fopen) : nullptr);
        const standin::State *state = standin_state();
        EXPECT_STREQ(state->locale_name, "en_us.utf8");
        EXPECT_TRUE(state->streams_cleared_at_open);
        EXPECT_EQ(state->locales_opened - state->locales_closed, 0);
        EXPECT_GE(state->classified, 1);
        EXPECT_EQ(state->fgetc, &_gl_ext_getc);
    }
}

}  // namespace
}  // namespace gls
