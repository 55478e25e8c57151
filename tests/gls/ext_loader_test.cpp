// The extension loader against the stand-in in a temporary installation, seen
// through its state, its log and the stand-in's record; then the list reader and dl wrappers.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gls/ext/ext.h"
#include "gls/util/util.h"
#include "tests/gls/ext_standin/standin.h"
#include "tests/support/conv_errors.h"
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
using testing::kUntouched;

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
        // A name the extension leaves without a terminator is cut to this.
        write_file(inst / ("gls/etc/" + std::string(kGluDataFileNameSize - 1, 'n')), "data\n");
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

// The rows of tests/fixtures/gls/ext_starts: a start under each condition,
// what it left loaded and logged, and a second start once put right.
TEST_F(Loader, StartsOfTheFixture) {
    const std::map<std::string, std::string> libraries = {
        {"glu", kLibrary}, {"partial", kPartial}, {"broken", kBroken}, {"absent", kAbsent}};
    const std::map<std::string, const char *> steering = {
        {"name", standin::kNameResultVariable},
        {"memory", standin::kMemoryResultVariable},
        {"data", standin::kDataStatusVariable},
        {"map", standin::kMapStatusVariable},
        {"file", standin::kDataFileVariable}};
    for (const auto &row : velmorad::testing::fixture_rows("gls/ext_starts")) {
        const auto &f = row.fields;
        SCOPED_TRACE(row.where + ": " + f.at(0));
        reset_extension();
        gl_useglu(std::stoi(f.at(1)));
        if (f.at(2) == "(unset)") {
            unsetenv("GL_USEGLU");
        } else {
            setenv("GL_USEGLU", f[2].c_str(), 1);
        }
        Lines list;
        for (const std::string &name : velmorad::testing::fields_of(f.at(3), ' '))
            list.push_back(f[3] == "(empty)"       ? ""
                           : libraries.count(name) ? libraries.at(name)
                                                   : name);
        write_list(f[3] == "(empty)" ? Lines{} : list);
        if (f[3] == "(none)") std::remove((inst / "gls/etc/64-dllregistry.48").c_str());
        std::vector<std::function<void()>> undo;
        for (const std::string &step : velmorad::testing::fields_of(f.at(4), ' ')) {
            const std::string what = step.substr(step.find_first_of(":=") + 1);
            const std::string away = inst / ("gls/etc/" + what);
            if (step == "no:VELMORADDIR" || step == "inst:work") {
                setenv("VELMORADDIR", work.path().c_str(), 1);
                if (step[0] == 'n') unsetenv("VELMORADDIR");
                undo.push_back([this] { setenv("VELMORADDIR", inst.path().c_str(), 1); });
            } else if (step.rfind("no:", 0) == 0) {
                ASSERT_EQ(std::rename(away.c_str(), (away + ".away").c_str()), 0);
                undo.push_back([away] { std::rename((away + ".away").c_str(), away.c_str()); });
            } else if (!step.empty()) {
                const char *variable = steering.at(step.substr(0, step.find('=')));
                setenv(variable, what.c_str(), 1);
                undo.push_back([variable] { unsetenv(variable); });
            }
        }
        (void)log();
        error = kUntouched;
        EXPECT_EQ(gl_init_glu(&error), f.at(5) == "ok" ? kGluOk : kGluFailed);
        EXPECT_EQ(error, std::isdigit(static_cast<unsigned char>(f.at(6)[0]))
                             ? std::stoul(f[6])
                             : testing::error_named(f[6]));
        const std::string &loaded = f.at(7);
        EXPECT_EQ(glu_loaded, loaded == "none" ? 0 : 1);
        EXPECT_EQ(no_library_loaded(), loaded == "none" || loaded == "decided");
        EXPECT_EQ(pMap != nullptr, loaded == "all");
        if (loaded != "libraries") {
            EXPECT_EQ(unicode_collate, loaded == "all" ? 1 : 0);
        }
        if (!f.at(8).empty()) {
            EXPECT_EQ(count(log(), f[8]), 1U);
        }

        for (const auto &step : undo)
            step();
        (void)log();
        const std::string &again = f.at(9);
        EXPECT_EQ(gl_init_glu(&error), again == "failed" ? kGluFailed : kGluOk);
        const Lines lines = log();
        EXPECT_EQ(count(lines, "gl_init_glu_dll: preloaded"), again == "preloaded" ? 1U : 0U);
        EXPECT_EQ(count(lines, "gl_init_glu_dll: No glu_capable"), again == "off" ? 1U : 0U);
    }
}

TEST_F(Loader, HandsTheLibraryTheHostsServices) {
    ASSERT_EQ(gl_init_glu(&error), kGluOk);
    EXPECT_EQ(handleglu[0].path, library(kLibrary));
    EXPECT_EQ(standin_state()->data_path, inst / "gls/etc/standin.dat");
    EXPECT_EQ(standin_state()->map_path, inst / "gls/etc/locmap");
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

constexpr const char *kInstall = "/opt/inst";

TEST(DlName, ReadsEachLineAsALibraryPath) {
    TempDir dir;
    for (const auto &row : velmorad::testing::fixture_rows("gls/dl_lists")) {
        SCOPED_TRACE(row.where);
        std::vector<std::string> expected;
        for (size_t i = 1; i < row.fields.size() && row.fields[i] != "(none)"; ++i)
            expected.push_back(std::string(kInstall) + "/gls/dll/" + row.fields[i]);
        write_file(dir / "list", row.fields[0]);
        FILE *list = std::fopen((dir / "list").c_str(), "r");
        std::vector<std::string> names;
        char *name = nullptr;
        size_t size = 0;
        GluDlName got;
        while ((got = get_dl_name(list, kInstall, &name, &size)) == kDlNameRead) {
            EXPECT_LT(std::string(name).size(), size);
            names.emplace_back(name);
        }
        EXPECT_EQ(got, kDlNameEnd);
        EXPECT_EQ(name, nullptr);
        EXPECT_EQ(size, 0u);
        std::fclose(list);
        EXPECT_EQ(names, expected);
    }
}

TEST(DlName, APipeEndsAndOutOfMemoryReleasesTheName) {
    // Reading a line twice needs a position to return to; a pipe has none.
    FILE *pipe = popen("echo lib.so", "r");
    ASSERT_NE(pipe, nullptr);
    char *name = nullptr;
    size_t size = 0;
    EXPECT_EQ(get_dl_name(pipe, kInstall, &name, &size), kDlNameEnd);
    EXPECT_EQ(name, nullptr);
    pclose(pipe);

    TempDir dir;
    write_file(dir / "list", "short\n" + std::string(500, 'y') + "\n");
    FILE *list = std::fopen((dir / "list").c_str(), "r");
    testing::FailingHost host;
    ASSERT_EQ(get_dl_name(list, kInstall, &name, &size), kDlNameRead);
    host.fail_allocation(1);  // the longer line needs a bigger block
    EXPECT_EQ(get_dl_name(list, kInstall, &name, &size), kDlNameNoMemory);
    EXPECT_TRUE(host.failed());
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(host.live_blocks(), 0);
    std::fclose(list);
}

TEST(Dl, OpenHonoursTheFlagsAndSymbolsAreLookedUpInTheRecord) {
    GluDllRecord local = {};
    ASSERT_EQ(qrmx_dlopen(&local, GLU_STANDIN_PARTIAL_PATH, RTLD_LAZY | RTLD_LOCAL), kGluOk);
    EXPECT_STREQ(local.path, GLU_STANDIN_PARTIAL_PATH);
    EXPECT_EQ(dlsym(RTLD_DEFAULT, kStandinStateSymbol), nullptr);  // local: not seen
    const struct {
        const char *name;
        bool open;
        int32_t status;  // 0: found
        std::string text;
    } rows[] = {
        {"glu_lc_open", true, 0, ""},
        {"glu_mbsCollBound", true, kGluDlLoaderError, "glu_mbsCollBound"},
        {nullptr, true, kGluDlInternalError, "Internal Error"},
        {"glu_lc_open", false, kGluDlInternalError, "Internal Error"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name != nullptr ? row.name : "(null)");
        GluDllRecord target = local;
        if (!row.open) target.handle = nullptr;
        target.status = 0;
        target.error_text = nullptr;
        void *address = &target;
        EXPECT_EQ(qrmx_dlsym(&target, &address, row.name), row.status == 0 ? kGluOk : kGluFailed);
        EXPECT_EQ(target.status, row.status);
        EXPECT_EQ(address, row.status == 0 ? dlsym(local.handle, row.name) : nullptr);
        EXPECT_EQ(target.error_text != nullptr &&
                      std::string(target.error_text).find(row.text) != std::string::npos,
                  row.status != 0);
        _gl_free_ptr(target.error_text);
    }
    EXPECT_EQ(qrmx_dlclose(&local), kGluOk);

    GluDllRecord global = {};
    ASSERT_EQ(qrmx_dlopen(&global, GLU_STANDIN_PATH, kGluDlOpenDefault), kGluOk);
    EXPECT_NE(dlsym(RTLD_DEFAULT, kStandinStateSymbol), nullptr);
    EXPECT_EQ(qrmx_dlclose(&global), kGluOk);
    EXPECT_EQ(global.handle, nullptr);
    EXPECT_EQ(global.path, nullptr);
}

}  // namespace
}  // namespace gls
