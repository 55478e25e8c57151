// Loading conversions: the code sets of the two locales, the file named by
// them in a directory or found by the search, every check of the file, the
// extension's converters, and every allocation the loader makes.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "gls/conv/conv.h"
#include "gls/ext/ext.h"
#include "gls/names/names.h"
#include "gls/util/util.h"
#include "tests/gls/conv_files.h"
#include "tests/gls/ext_standin/standin_cv.h"
#include "tests/support/failing_host.h"
#include "tests/support/oom_walk.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using testing::convert;
using testing::cv_file_name;
using testing::cvo_text;
using testing::Load;
using testing::load_from;
using testing::load_text;
using velmorad::testing::make_dirs;
using velmorad::testing::read_file;
using velmorad::testing::TempDir;
using velmorad::testing::write_file;
using Lines = std::vector<std::string>;

const std::string kNul(1, '\0');

// NUL, "a" and a two-byte "é" to one byte each: the multi-byte converter.
CvoInput base_input() {
    CvoInput input;
    input.records = {{kNul, {kNul}}, {"a", {"A"}}, {"\xC3\xA9", {"\xE9"}}};
    return input;
}

// The text with one more header line after the first three.
std::string with_header_line(const std::string &text, const std::string &line) {
    const size_t third = text.find('\n', text.find('\n', text.find('\n') + 1) + 1);
    std::string out = text.substr(0, third + 1) + line + '\n' + text.substr(third + 1);
    return out;
}

std::string with_line(const std::string &text, size_t index, const std::string &line) {
    std::istringstream in(text);
    std::string out;
    size_t n = 0;
    for (std::string current; std::getline(in, current); ++n)
        out += (n == index ? line : current) + '\n';
    return out;
}

// The log goes to the test's own directory and is read back line by line.
class ConvLoad : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(chdir(work.path().c_str()), 0);
        setenv("GLSLOG", "on", 1);
        gls_logging = 1;
        (void)take_log();
    }

    Lines take_log() {
        std::istringstream in(read_file(work / kLogFileName));
        write_file(work / kLogFileName, "");
        Lines lines;
        for (std::string line; std::getline(in, line);) {
            if (line != "----" && line.rfind("GLS log started", 0) != 0) lines.push_back(line);
        }
        return lines;
    }

    bool logged(const std::string &text) {
        const Lines lines = take_log();
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }

    TempDir work;
    TempDir files;
};

TEST_F(ConvLoad, TheCodeSetsComeFirst) {
    testing::cache_registry();
    write_file(files / cv_file_name("819", "819"), cvo_text(base_input()));
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

TEST_F(ConvLoad, ReadsTheFileInTheDirectory) {
    Load load = load_text(files.path(), cvo_text(base_input()));
    ASSERT_EQ(load.rc, kCvLoaded);
    EXPECT_EQ(load.error, 0U);
    EXPECT_TRUE(logged("CVO file loaded successfully."));
    EXPECT_EQ(convert(load.cd.get(), "a\xC3\xA9", 2).out, "A\xE9");

    // The other direction is another file, which is not there.
    Load reverse =
        load_from(files.path().c_str(), testing::kFixtureTarget, testing::kFixtureSource);
    EXPECT_EQ(reverse.rc, kCvLoadFailed);
    ASSERT_NE(reverse.cd, nullptr);
    EXPECT_EQ(reverse.error, GL_EFILE);
}

TEST_F(ConvLoad, SearchesTheInstallationInCvNineThenCv) {
    TempDir inst;
    velmorad::testing::make_installation(inst.path());
    setenv("VELMORADDIR", inst.path().c_str(), 1);
    unsetenv("GL_PATH");
    testing::cache_registry();
    const std::string name = cv_file_name("en_US.8859-1", "en_US.utf8");
    // The installation ships this conversion; without it the search goes on.
    unlink((inst / ("gls/cv9/" + name)).c_str());
    CvoInput to_b = base_input();
    to_b.records["a"] = {"B"};
    make_dirs(inst / "gls/cv");
    write_file(inst / ("gls/cv/" + name), cvo_text(to_b));
    {
        Load load = load_from(nullptr, "en_US.8859-1", "en_US.utf8");
        ASSERT_EQ(load.rc, kCvLoaded);
        EXPECT_EQ(convert(load.cd.get(), "a", 1).out, "B");
    }
    write_file(inst / ("gls/cv9/" + name), cvo_text(base_input()));
    {
        Load load = load_from(nullptr, "en_US.8859-1", "en_US.utf8");
        ASSERT_EQ(load.rc, kCvLoaded);
        EXPECT_EQ(convert(load.cd.get(), "a", 1).out, "A");
    }
    // An empty directory means the search too.
    Load load = load_from("", "en_US.8859-1", "en_US.utf8");
    EXPECT_EQ(load.rc, kCvLoaded);
}

TEST_F(ConvLoad, BrokenFilesFailWithTheirCause) {
    const std::string good = cvo_text(base_input());
    ASSERT_EQ(with_line(good, 5, "1 1 0 0 1 2"), good);
    ASSERT_EQ(with_line(good, 8, "2 1 1 00"), good);
    CvoInput wide_input;
    wide_input.records = {{"a", {"AB"}}, {"b", {"B"}}};
    const std::string wide = cvo_text(wide_input);
    CvoInput empty_input;
    const std::string tree_cut = good.substr(0, good.size() - 12);

    const char *kWrongType = "Invalid CVO file. Wrong FILE_TYPE.";
    const char *kWrongVersion = "Invalid CVO file. Wrong Version.";
    const char *kBadHeader = "Invalid CVO file. Bad header.";
    const char *kBadBody = "Invalid CVO file. Bad body line.";
    const char *kTargetLength = "cv->target_max_len should be in range 1..4";
    struct Row {
        const char *what;
        std::string text;
        uint32_t error;
        const char *message;  // null: none looked for
    };
    const Row rows[] = {
        {"empty file", "", GL_EFILE, kWrongType},
        {"other file type", with_line(good, 0, "FILE_TYPE=locale_object"), GL_EFILE, kWrongType},
        {"file type with a blank", with_line(good, 0, "FILE_TYPE=codeset_conversion_object "),
         GL_EFILE, kWrongType},
        {"version 8", with_line(good, 1, "COMPILER_VERSION=8"), GL_EFILE, kWrongVersion},
        {"no version", good.substr(0, good.find('\n') + 1), GL_EFILE, kWrongVersion},
        {"count without equals", with_line(good, 2, "HEADER_LINES 3"), GL_EFILE, kBadHeader},
        {"count of 2", with_line(good, 2, "HEADER_LINES=2"), GL_EFILE, kBadHeader},
        {"count not a number", with_line(good, 2, "HEADER_LINES=three"), GL_EFILE, kBadHeader},
        {"count past the end", with_line(good, 2, "HEADER_LINES=900"), GL_EFILE, kBadHeader},
        {"header line of 128",
         with_header_line(with_line(good, 2, "HEADER_LINES=4"), std::string(128, 'x')), GL_EFILE,
         kBadHeader},
        {"shift flag not a number", with_line(good, 3, "0 x"), GL_EFILE, kBadBody},
        {"shift flags two blanks apart", with_line(good, 3, "0  0"), GL_EFILE, kBadBody},
        {"shift flag over 32 bits", with_line(good, 3, "0 99999999999"), GL_EFILE, kBadBody},
        {"special of 5 bytes", with_line(good, 4, "50102030405000"), GL_EFILE, kBadBody},
        {"special not hexadecimal", with_line(good, 4, "1zz000"), GL_EFILE, kBadBody},
        {"special cut short", with_line(good, 4, "2ab"), GL_EFILE, kBadBody},
        {"five lengths", with_line(good, 5, "1 1 0 0 1"), GL_EFILE, kBadBody},
        {"target maximum 5", with_line(good, 5, "1 5 0 0 1 2"), GL_EFILE, kTargetLength},
        {"target maximum 0", with_line(good, 5, "1 0 0 0 1 2"), GL_EFILE, kTargetLength},
        {"target minimum 0", with_line(good, 5, "0 1 0 0 1 2"), GL_EFILE, kBadBody},
        {"target minimum over maximum", with_line(good, 5, "2 1 0 0 1 2"), GL_EFILE, kBadBody},
        {"source maximum 5", with_line(good, 5, "1 1 0 0 1 5"), GL_EFILE, kBadBody},
        {"source minimum over maximum", with_line(good, 5, "1 1 0 0 3 2"), GL_EFILE, kBadBody},
        {"table flag missing", with_line(good, 6, ""), GL_EFILE, kBadBody},
        {"factor not a number", with_line(good, 7, "1.5x"), GL_EFILE, kBadBody},
        {"factor of letters", with_line(good, 7, "e"), GL_EFILE, kBadBody},
        {"factor 0", with_line(good, 7, "0"), GL_EFILE, kBadBody},
        {"factor negative", with_line(good, 7, "-2"), GL_EFILE, kBadBody},
        {"factor 17", with_line(good, 7, "17"), GL_EFILE, kBadBody},
        {"factor out of range", with_line(good, 7, "1e999"), GL_EFILE, kBadBody},
        {"record longer than the target", with_line(wide, 5, "1 1 0 0 1 1"), GL_EFILE, nullptr},
        {"default record longer than the target", with_line(good, 8, "2 1 1 03414243"), GL_EFILE,
         nullptr},
        {"tree of five levels", with_line(good, 8, "5 1 1 00"), GL_ETREELEN, nullptr},
        {"tree minimum above its one-byte keys", with_line(good, 8, "2 2 1 00"), GL_EFILE, nullptr},
        {"tree header without its line feed", with_line(good, 8, "2 1 1 00x"), GL_EFILE, nullptr},
        {"tree cut short", tree_cut, GL_ENOMEM, nullptr},
        {"second tree missing", with_line(good, 3, "1 0"), GL_ENOMEM, nullptr},
        {"no characters", cvo_text(empty_input), GL_EFILE, nullptr},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        gls::testing::FailingHost host;  // counts blocks and streams; fails none
        {
            Load load = load_text(files.path(), row.text);
            EXPECT_EQ(load.rc, kCvLoadFailed);
            ASSERT_NE(load.cd, nullptr);
            EXPECT_EQ(load.error, row.error);
            EXPECT_EQ(load.cd->tree, nullptr);
            EXPECT_EQ(load.cd->shift_tree, nullptr);
            EXPECT_EQ(load.cd->converter, nullptr);
            if (row.message != nullptr) {
                EXPECT_TRUE(logged(row.message));
            }
            // A failed descriptor converts nothing and keeps its cause.
            EXPECT_EQ(convert(load.cd.get(), "a", 4).rc, -1);
            EXPECT_EQ(load.cd->error, row.error);
        }
        EXPECT_EQ(host.live_blocks(), 0);
        EXPECT_EQ(host.open_streams(), 0);
    }
}

TEST_F(ConvLoad, AcceptsTheEdgesOfTheFormat) {
    const std::string good = cvo_text(base_input());
    for (const std::string &text :
         {with_header_line(with_line(good, 2, "N=04"), std::string(127, 'x')),
          with_line(good, 3, "+0 -0"), with_line(good, 4, "2ABcd000"),
          with_line(good, 5, " 1 1 -5 +6 1 2"), with_line(good, 7, "+16.0e0")}) {
        Load load = load_text(files.path(), text);
        ASSERT_EQ(load.rc, kCvLoaded) << text.substr(0, 200);
        EXPECT_EQ(convert(load.cd.get(), "a", 1).out, "A");
    }
}

// Every allocation of a load fails in turn: the load fails with GL_ENOMEM
// (the byte table or the pair index alone may be missing from a load that
// succeeds), and unloading what came back leaves nothing.
void fail_every_allocation(const std::string &dir, const CvoInput &input, bool has_table,
                           bool has_pairs) {
    const std::string text = cvo_text(input);
    const long failures = gls::testing::walk_allocation_failures(
        [&] { return load_text(dir, text); },
        [&](const Load &load, bool failed) {
            if (!failed) {
                EXPECT_EQ(load.rc, kCvLoaded);
                EXPECT_EQ(load.cd->byte_table != nullptr, has_table);
                EXPECT_EQ(load.cd->pair_slots != nullptr, has_pairs);
            } else if (load.rc == kCvLoaded) {
                const bool no_table = has_table && load.cd->byte_table == nullptr;
                const bool no_pairs = has_pairs && load.cd->pair_slots == nullptr;
                EXPECT_NE(no_table, no_pairs);
                EXPECT_EQ(convert(load.cd.get(), "a", 1).out, "A");
            } else {
                EXPECT_EQ(load.rc, kCvLoadFailed);
                EXPECT_EQ(load.error, GL_ENOMEM);
            }
        });
    EXPECT_GT(failures, 5);
}

TEST_F(ConvLoad, EveryOutOfMemoryPathReleasesCleanly) {
    fail_every_allocation(files.path(), base_input(), false, true);

    CvoInput single;  // single-byte, with its byte table
    single.records = {{"a", {"A"}}, {"b", {"B"}}};
    fail_every_allocation(files.path(), single, true, false);

    CvoInput shifting;  // two trees
    shifting.source_shift = 1;
    shifting.records = {{"a", {"A"}}, {"\x0E", {"", kCvSwitchInput}}};
    shifting.shifted_records = {{"\x21\x21", {"\xE3\x80\x80"}}, {"\x0F", {"", kCvSwitchInput}}};
    fail_every_allocation(files.path(), shifting, false, false);
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
        make_dirs(inst / "gls/dll");
        ASSERT_EQ(symlink(GLU_STANDIN_PATH, (inst / "gls/dll/libglu.so").c_str()), 0);
        write_file(inst / "gls/etc/64-dllregistry.48", "libglu.so\n");
        write_file(inst / "gls/etc/standin.dat", "data\n");
        write_file(inst / "gls/etc/locmap", "map\n");
        gl_useglu(2);
        // Beside it, a file that says something else.
        CvoInput other = base_input();
        other.records["a"] = {"f"};
        write_file(files / cv_file_name(), cvo_text(other));
    }

    const standin::CvCalls *calls() const {
        void *address = dlsym(handleglu[0].handle, kStandinCvCallsSymbol);
        using CallsFn = const standin::CvCalls *(*)();
        return address != nullptr ? reinterpret_cast<CallsFn>(address)() : nullptr;
    }

    TempDir inst;
};

TEST_F(ConvExtension, ServesThePairsItTakes) {
    setenv(standin::kCvtUseVariable, "1", 1);
    Load load = load_from(files.path().c_str());
    ASSERT_EQ(load.rc, kCvLoaded);
    ASSERT_EQ(unicode_collate, 1);
    const standin::CvCalls *seen = calls();
    ASSERT_NE(seen, nullptr);
    CvDesc *cd = load.cd.get();
    EXPECT_EQ(cd->ext_flag, 1);
    EXPECT_NE(cd->ext_handle, nullptr);
    EXPECT_EQ(seen->asked_target, 57372);
    EXPECT_EQ(seen->asked_source, 819);
    EXPECT_EQ(seen->asked_flags, 0);
    EXPECT_EQ(seen->opened, 1);

    auto done = convert(cd, "abc", 3);
    EXPECT_EQ(done.rc, 0);
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
    EXPECT_EQ(seen->closed, 1);
}

TEST_F(ConvExtension, LeavesOtherPairsToTheFile) {
    Load load = load_from(files.path().c_str());
    ASSERT_EQ(load.rc, kCvLoaded);
    ASSERT_NE(calls(), nullptr);
    EXPECT_EQ(calls()->asked, 1);
    EXPECT_EQ(calls()->opened, 0);
    EXPECT_EQ(load.cd->ext_flag, 0);
    EXPECT_EQ(convert(load.cd.get(), "a", 1).out, "f");
}

TEST_F(ConvExtension, FailuresToOpen) {
    setenv(standin::kCvtUseVariable, "1", 1);
    setenv(standin::kCvtStatusVariable, "5", 1);
    Load load = load_from(files.path().c_str());
    EXPECT_EQ(load.rc, kCvLoadFailed);
    EXPECT_EQ(load.error, GL_EFILE);
    EXPECT_EQ(load.cd->ext_flag, 0);
    load.cd.reset();
    EXPECT_EQ(calls()->closed, 0);
}

// An extension that is wanted but cannot be started fails every load.
TEST_F(ConvExtension, AnExtensionThatWillNotStart) {
    write_file(inst / "gls/etc/64-dllregistry.48", "libabsent.so\n");
    EXPECT_EQ(load_from(files.path().c_str()).raw, &cd_fileerr);
}

}  // namespace
}  // namespace gls
