// The extension's library list reader and the dynamic-loader wrappers,
// on real files and on the stand-in extension.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "gls/ext/ext.h"
#include "gls/util/util.h"
#include "tests/gls/ext_standin/standin.h"
#include "tests/support/failing_host.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using velmorad::testing::TempDir;
using velmorad::testing::write_file;
using Names = std::vector<std::string>;

constexpr const char *kInstall = "/opt/inst";

// Every path get_dl_name gives for a list, until it reports the end.
Names read_names(const std::string &content) {
    TempDir dir;
    write_file(dir / "list", content);
    FILE *list = std::fopen((dir / "list").c_str(), "r");
    EXPECT_NE(list, nullptr);
    Names names;
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
    return names;
}

std::string lib(const std::string &line) {
    return std::string(kInstall) + "/gls/dll/" + line;
}

TEST(DlName, ReadsEachLineAsALibraryPath) {
    const std::string long_line(300, 'x');
    struct Row {
        std::string content;
        Names names;
    } rows[] = {
        {"", {}},
        {"a.so\nb.so\n", {lib("a.so"), lib("b.so")}},
        {"a.so\nb.so", {lib("a.so"), lib("b.so")}},
        {"\n\n", {lib(""), lib("")}},
        {long_line + "\nshort\n", {lib(long_line), lib("short")}},
        {"short\n" + long_line, {lib("short"), lib(long_line)}},
        // A stray byte 0 cuts the name but not the reading of the next line.
        {std::string("a\0b\nc\n", 6), {lib("a"), lib("c")}},
        {"dir/sub/lib.so \r\n", {lib("dir/sub/lib.so \r")}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.content.substr(0, 40));
        EXPECT_EQ(read_names(row.content), row.names);
    }
}

// Reading a line twice needs a position to return to; a pipe has none.
TEST(DlName, AListWithoutPositionsEnds) {
    FILE *pipe = popen("echo lib.so", "r");
    ASSERT_NE(pipe, nullptr);
    char *name = nullptr;
    size_t size = 0;
    EXPECT_EQ(get_dl_name(pipe, kInstall, &name, &size), kDlNameEnd);
    EXPECT_EQ(name, nullptr);
    pclose(pipe);
}

TEST(DlName, OutOfMemoryReleasesTheName) {
    TempDir dir;
    write_file(dir / "list", "short\n" + std::string(500, 'y') + "\n");
    FILE *list = std::fopen((dir / "list").c_str(), "r");
    ASSERT_NE(list, nullptr);
    testing::FailingHost host;
    char *name = nullptr;
    size_t size = 0;
    ASSERT_EQ(get_dl_name(list, kInstall, &name, &size), kDlNameRead);
    host.fail_allocation(1);  // the longer line needs a bigger block
    EXPECT_EQ(get_dl_name(list, kInstall, &name, &size), kDlNameNoMemory);
    EXPECT_TRUE(host.failed());
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(host.live_blocks(), 0);
    std::fclose(list);
}

class Dl : public ::testing::Test {
  protected:
    void TearDown() override {
        (void)qrmx_dlclose(&record);
        _gl_free_ptr(record.error_text);
    }
    std::string text() const { return record.error_text != nullptr ? record.error_text : ""; }
    GluDllRecord record = {};
};

TEST_F(Dl, OpenKeepsThePathAndHonoursTheFlags) {
    ASSERT_EQ(qrmx_dlopen(&record, GLU_STANDIN_PATH, RTLD_LAZY | RTLD_LOCAL), kGluOk);
    EXPECT_NE(record.handle, nullptr);
    EXPECT_STREQ(record.path, GLU_STANDIN_PATH);
    EXPECT_EQ(record.status, 0);
    // Local: the process does not see its symbols.
    EXPECT_EQ(dlsym(RTLD_DEFAULT, kStandinStateSymbol), nullptr);

    GluDllRecord global = {};
    ASSERT_EQ(qrmx_dlopen(&global, GLU_STANDIN_PATH, kGluDlOpenDefault), kGluOk);
    EXPECT_NE(dlsym(RTLD_DEFAULT, kStandinStateSymbol), nullptr);
    EXPECT_EQ(qrmx_dlclose(&global), kGluOk);
    EXPECT_EQ(global.handle, nullptr);
    EXPECT_EQ(global.path, nullptr);
}

TEST_F(Dl, SymbolLookUp) {
    ASSERT_EQ(qrmx_dlopen(&record, GLU_STANDIN_PARTIAL_PATH, kGluDlOpenDefault), kGluOk);
    void *const sentinel = &record;
    struct Row {
        const char *name;
        bool open;
        int result;
        int32_t status;
        std::string text;  // part of the recorded text
    } rows[] = {
        {"glu_lc_open", true, kGluOk, 0, ""},
        {"glu_mbsCollBound", true, kGluFailed, kGluDlLoaderError, "glu_mbsCollBound"},
        {nullptr, true, kGluFailed, kGluDlInternalError, "Internal Error"},
        {"glu_lc_open", false, kGluFailed, kGluDlInternalError, "Internal Error"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name != nullptr ? row.name : "(null)");
        GluDllRecord target = record;
        if (!row.open) target.handle = nullptr;
        target.status = 0;
        target.error_text = nullptr;
        void *address = sentinel;
        EXPECT_EQ(qrmx_dlsym(&target, &address, row.name), row.result);
        EXPECT_EQ(target.status, row.status);
        if (row.result == kGluOk) {
            EXPECT_EQ(address, dlsym(record.handle, row.name));
            EXPECT_NE(address, nullptr);
        } else {
            EXPECT_EQ(address, nullptr);
            ASSERT_NE(target.error_text, nullptr);
            EXPECT_NE(std::string(target.error_text).find(row.text), std::string::npos);
        }
        _gl_free_ptr(target.error_text);
    }
}

}  // namespace
}  // namespace gls
