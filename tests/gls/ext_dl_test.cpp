// The extension's library list reader and the dynamic-loader wrappers, on
// the lists of tests/fixtures/gls/dl_lists and the stand-in extension.
#include <dlfcn.h>
#include <gtest/gtest.h>

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
