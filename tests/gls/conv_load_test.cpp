// Loading conversions: code sets, the file in a directory or by the search,
// every check of the file, the extension's converters, every allocation.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <string>

#include "gls/conv/conv.h"
#include "gls/ext/ext.h"
#include "gls/names/names.h"
#include "tests/gls/conv_files.h"
#include "tests/gls/ext_standin/standin.h"
#include "tests/support/conv_errors.h"
#include "tests/support/conv_log.h"
#include "tests/support/failing_host.h"
#include "tests/support/oom_walk.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using testing::convert;
using testing::cv_file_name;
using testing::cvo_text;
using testing::fixture_input;
using testing::Load;
using testing::load_from;
using testing::load_text;
using velmorad::testing::lines_of;
using velmorad::testing::TempDir;
using velmorad::testing::write_file;

// The text with a damage of tests/fixtures/gls/conv_damages done to it.
std::string damaged(const std::string &text, const std::string &line, const std::string &with) {
    if (line[0] == '-') return text.substr(0, text.size() - std::stoul(line.substr(1)));
    const size_t at = std::stoul(line);
    const bool rest = line.back() == '-';
    const auto lines = lines_of(text);
    std::string out;
    for (size_t n = 0; n < lines.size(); ++n) {
        if (n < at || (n > at && !rest)) out += lines[n] + '\n';
        if (n == at) out += rest ? with : with + '\n';
    }
    return out;
}

// The log goes to the test's own directory.
class ConvLoad : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(chdir(work.path().c_str()), 0);
        setenv("GLSLOG", "on", 1);
        gls_logging = 1;
        (void)testing::take_log(work.path());
    }

    bool logged(const std::string &text) {
        const auto lines = testing::take_log(work.path());
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }

    TempDir work;
    TempDir files;
};

TEST_F(ConvLoad, TheCodeSetsComeFirst) {
    testing::cache_registry();
    write_file(files / cv_file_name("819", "819"), cvo_text(fixture_input("base")));
    for (const auto &[target, source] :
         {std::pair{"819", "819"}, {"en_US.819", "8859-1"}, {"utf8", "57372"}}) {
        CvDesc *cd = &cd_enomem;
        EXPECT_EQ(gl_cv_load(&cd, target, source, 0, files.path().c_str()), kCvSameCodeSet);
        EXPECT_EQ(cd, nullptr);
    }
    for (const auto &[target, source] : {std::pair<const char *, const char *>{"nosuch", "819"},
                                         {"819", "en_US.nosuch"},
                                         {nullptr, "819"}}) {
        CvDesc *cd = nullptr;
        EXPECT_EQ(gl_cv_load(&cd, target, source, 0, files.path().c_str()), kCvLoadFailed);
        EXPECT_EQ(cd, &cd_einval);
    }
    // The static descriptors keep their causes through calls and unloads.
    gl_cv_unload(&cd_einval);
    EXPECT_EQ(convert(&cd_einval, "a", 4).rc, -1);
    EXPECT_EQ(cd_enomem.error, GL_ENOMEM);
    EXPECT_EQ(cd_fileerr.error, GL_EFILE);
    EXPECT_EQ(cd_einval.error, GL_EINVAL);
}

TEST_F(ConvLoad, ReadsTheFileOfTheDirectoryOrSearchesCvNineThenCv) {
    Load load = load_text(files.path(), cvo_text(fixture_input("base")));
    ASSERT_EQ(load.rc, kCvLoaded);
    EXPECT_TRUE(logged("CVO file loaded successfully."));
    EXPECT_EQ(convert(load.cd.get(), "a\xC3\xA9", 2).out, "A\xE9");
    // The other direction is another file, which is not there.
    EXPECT_EQ(load_from(files.path().c_str(), testing::kFixtureTarget, "819").error, GL_EFILE);

    TempDir inst;
    velmorad::testing::make_installation(inst.path());
    setenv("VELMORADDIR", inst.path().c_str(), 1);
    unsetenv("GL_PATH");
    const std::string name = cv_file_name("en_US.8859-1", "en_US.utf8");
    // The installation ships this conversion; without it the search goes on.
    unlink((inst / ("gls/cv9/" + name)).c_str());
    CvoInput to_b = fixture_input("base");
    to_b.records["a"] = {"B"};
    write_file(inst / ("gls/cv/" + name), cvo_text(to_b));
    const auto found = [](const char *directory) {
        Load found = load_from(directory, "en_US.8859-1", "en_US.utf8");
        return found.rc == kCvLoaded ? convert(found.cd.get(), "a", 1).out : "not loaded";
    };
    EXPECT_EQ(found(nullptr), "B");
    write_file(inst / ("gls/cv9/" + name), cvo_text(fixture_input("base")));
    EXPECT_EQ(found(""), "A");  // an empty directory means the search too
}

TEST_F(ConvLoad, DamagedFilesFailWithTheirCause) {
    for (const auto &row : velmorad::testing::fixture_rows("gls/conv_damages")) {
        const auto &f = row.fields;
        SCOPED_TRACE(row.where + ": " + f.at(1));
        const std::string text = damaged(cvo_text(fixture_input(f[0])), f.at(2), f.at(3));
        gls::testing::FailingHost host;  // counts blocks and streams; fails none
        {
            Load load = load_text(files.path(), text);
            const bool taken = testing::error_named(f.at(4)) == 0;
            EXPECT_EQ(load.rc, taken ? kCvLoaded : kCvLoadFailed);
            ASSERT_NE(load.cd, nullptr);
            if (taken) {
                EXPECT_EQ(convert(load.cd.get(), "a", 1).out, "A");
                continue;
            }
            EXPECT_EQ(load.error, testing::error_named(f[4]));
            EXPECT_EQ(load.cd->tree, nullptr);
            EXPECT_EQ(load.cd->shift_tree, nullptr);
            EXPECT_EQ(load.cd->converter, nullptr);
            if (!f.at(5).empty()) {
                EXPECT_TRUE(logged(f[5]));
            }
            // A failed descriptor converts nothing and keeps its cause.
            EXPECT_EQ(convert(load.cd.get(), "a", 4).rc, -1);
            EXPECT_EQ(load.cd->error, testing::error_named(f[4]));
        }
        EXPECT_EQ(host.live_blocks(), 0);
        EXPECT_EQ(host.open_streams(), 0);
    }
}

// A failed allocation fails the load with GL_ENOMEM, or costs only the byte
// table or the pair index (both mere speed-ups); nothing is left.
TEST_F(ConvLoad, EveryOutOfMemoryPathReleasesCleanly) {
    for (const char *map : {"base", "single", "shift"}) {
        SCOPED_TRACE(map);
        const std::string text = cvo_text(fixture_input(map));
        const Load full = load_text(files.path(), text);
        const std::string want = convert(full.cd.get(), "a", 1).out;
        const bool has_table = full.cd->byte_table != nullptr;
        const bool has_pairs = full.cd->pair_slots != nullptr;
        const long failures = gls::testing::walk_allocation_failures(
            [&] { return load_text(files.path(), text); },
            [&](const Load &load, bool failed) {
                if (!failed) {
                    EXPECT_EQ(load.rc, kCvLoaded);
                } else if (load.rc == kCvLoaded) {
                    const bool no_table = has_table && load.cd->byte_table == nullptr;
                    const bool no_pairs = has_pairs && load.cd->pair_slots == nullptr;
                    EXPECT_NE(no_table, no_pairs);
                    EXPECT_EQ(convert(load.cd.get(), "a", 1).out, want);
                } else {
                    EXPECT_EQ(load.rc, kCvLoadFailed);
                    EXPECT_EQ(load.error, GL_ENOMEM);
                }
            });
        EXPECT_GT(failures, 5);
    }
}

// The extension, when the process uses it and it takes the pair, serves
// the descriptor; the conversion file is not read.
class ConvExtension : public ConvLoad {
  protected:
    void SetUp() override {
        ConvLoad::SetUp();
        setenv("VELMORADDIR", inst.path().c_str(), 1);
        setenv("GL_USEGLU", "1", 1);
        unsetenv(standin::kCvtUseVariable);
        unsetenv(standin::kCvtStatusVariable);
        velmorad::testing::make_dirs(inst / "gls/dll");
        ASSERT_EQ(symlink(GLU_STANDIN_PATH, (inst / "gls/dll/libglu.so").c_str()), 0);
        write_file(inst / "gls/etc/64-dllregistry.48", "libglu.so\n");
        write_file(inst / "gls/etc/standin.dat", "data\n");
        write_file(inst / "gls/etc/locmap", "map\n");
        gl_useglu(2);
        // Beside it, a file that says something else.
        CvoInput other = fixture_input("base");
        other.records["a"] = {"f"};
        write_file(files / cv_file_name(), cvo_text(other));
    }

    const standin::State *state() const {
        using StateFn = const standin::State *(*)();
        return reinterpret_cast<StateFn>(dlsym(handleglu[0].handle, kStandinStateSymbol))();
    }

    TempDir inst;
};

TEST_F(ConvExtension, ServesThePairsItTakes) {
    setenv(standin::kCvtUseVariable, "1", 1);
    Load load = load_from(files.path().c_str());
    ASSERT_EQ(load.rc, kCvLoaded);
    ASSERT_EQ(unicode_collate, 1);
    const standin::State *seen = state();
    CvDesc *cd = load.cd.get();
    EXPECT_EQ(cd->ext_flag, 1);
    EXPECT_EQ(seen->asked_target, 57372);
    EXPECT_EQ(seen->asked_source, 819);
    EXPECT_EQ(seen->converters_opened, 1);

    auto done = convert(cd, "abc", 3);
    EXPECT_EQ(done.out, "ABC");
    EXPECT_EQ(seen->last_close_flag, 1);  // no state: the output is closed
    CvState state{0, 0, 0, 0};
    done = convert(cd, "ab", 1, &state);
    EXPECT_EQ(done.rc, -1);
    EXPECT_EQ(done.error, static_cast<uint32_t>(standin::kCvtNoRoom));
    EXPECT_EQ(done.out, "A");
    EXPECT_EQ(seen->last_close_flag, 0);
    done = convert(cd, std::string("x") + '\0', 8, nullptr, testing::Input::kTerminated);
    EXPECT_TRUE(seen->last_terminated);
    EXPECT_EQ(done.out, std::string("X") + '\0');

    EXPECT_EQ(gl_iconv_expansion(cd), standin::kCvtExpansion);
    EXPECT_EQ(gl_cv_outbuflen(cd, 3), 8U);
    load.cd.reset();
    EXPECT_EQ(seen->converters_closed, 1);
}

TEST_F(ConvExtension, LeavesOtherPairsToTheFileAndFailuresToOpenFail) {
    Load load = load_from(files.path().c_str());
    ASSERT_EQ(load.rc, kCvLoaded);
    EXPECT_EQ(state()->converters_asked, 1);
    EXPECT_EQ(load.cd->ext_flag, 0);
    EXPECT_EQ(convert(load.cd.get(), "a", 1).out, "f");

    setenv(standin::kCvtUseVariable, "1", 1);
    setenv(standin::kCvtStatusVariable, "5", 1);
    Load failed = load_from(files.path().c_str());
    EXPECT_EQ(failed.rc, kCvLoadFailed);
    EXPECT_EQ(failed.error, GL_EFILE);
    failed.cd.reset();
    EXPECT_EQ(state()->converters_closed, 0);
}

// An extension that is wanted but cannot be started fails every load.
TEST_F(ConvExtension, AnExtensionThatWillNotStart) {
    write_file(inst / "gls/etc/64-dllregistry.48", "libabsent.so\n");
    EXPECT_EQ(load_from(files.path().c_str()).raw, &cd_fileerr);
}

}  // namespace
}  // namespace gls
