// Which file a number lives in, and which directory it is taken from.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "msg/msg.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

TEST(LeafName, RangesAndTheDefault) {
    const char *leaf = nullptr;
    EXPECT_EQ(rmkmsgleafname(33523, &leaf), 0);
    EXPECT_STREQ(leaf, "envcheck.tmf");
    const char *negative = nullptr;
    EXPECT_EQ(rmkmsgleafname(msg_magnitude(-33523), &negative), 0);
    EXPECT_STREQ(negative, leaf);
    struct Row {
        int number;
        const char *leaf;
        int status;
    };
    for (Row r : {Row{33500, "envcheck.tmf", 0}, Row{33599, "envcheck.tmf", 0},
                  Row{33600, "os.tmf", -3}, Row{32765, "msgsvc.tmf", 0}, Row{23101, "gls.tmf", 0},
                  Row{34394, "gls.tmf", 0}, Row{1211, "os.tmf", -3}, Row{0, "os.tmf", -3}}) {
        EXPECT_EQ(rmkmsgleafname(r.number, &leaf), r.status) << r.number;
        EXPECT_STREQ(leaf, r.leaf) << r.number;
    }
    EXPECT_EQ(msg_magnitude(INT_MIN), INT_MAX);
}

class Location : public ::testing::Test {
  protected:
    void SetUp() override { setenv("VELMORADDIR", inst.path().c_str(), 1); }
    void place(const std::string &dir) { testing::write_file(inst / (dir + "/os.tmf"), "x"); }
    std::string found() {
        const char *path = rmsgfname("os.tmf");
        return path != nullptr ? std::string(path) : "<null>";
    }
    testing::TempDir inst;
};

TEST_F(Location, CandidatesInTheirOrder) {
    setenv("DBLANG", "xx", 1);
    setenv("CLIENT_LOCALE", "de_DE.819", 1);
    const char *dirs[] = {"msg/english",    "msg",           "msg/en_US.8859-1",
                          "msg/en_us/0333", "msg/de_DE.819", "xx",
                          "msg/xx"};
    for (const char *dir : dirs) {
        place(dir);
        EXPECT_EQ(found(), inst / (std::string(dir) + "/os.tmf"));
        unsetenv("DBLANG");
        setenv("DBLANG", "xx", 1);
    }
}

TEST_F(Location, LangCountsOnlyInDbnlsMode) {
    setenv("LANG", "mylang", 1);
    place("msg/mylang");
    place("msg/en_us/0333");
    EXPECT_EQ(found(), inst / "msg/en_us/0333/os.tmf");
    setenv("DBNLS", "2", 1);
    // "mylang" names no locale: the client's comes from CLIENT_LOCALE.
    setenv("CLIENT_LOCALE", "en_US.819", 1);
    EXPECT_EQ(found(), inst / "msg/mylang/os.tmf");
}

TEST_F(Location, InstallationDirectoryWithTrailingSlash) {
    setenv("VELMORADDIR", (inst.path() + "/").c_str(), 1);
    place("msg/en_us/0333");
    EXPECT_EQ(found(), inst / "msg/en_us/0333/os.tmf");
}

TEST_F(Location, NothingReadableGivesAnEmptyPath) {
    EXPECT_EQ(found(), "");
}

TEST_F(Location, OverlongDirectoryAndLeafGiveNoPath) {
    std::string dir = "/" + std::string(226, 'd');  // 227 + 7 ("os.tmf" is 6) = 233
    setenv("VELMORADDIR", dir.c_str(), 1);
    EXPECT_EQ(found(), "");
    setenv("VELMORADDIR", (dir + "d").c_str(), 1);
    EXPECT_EQ(found(), "");  // the directory is settled at the first call
}

TEST(LocationLimits, DirectoryPlusLeafOf234IsRefused) {
    std::string dir = "/" + std::string(227, 'd');  // 228 + 6 = 234
    setenv("VELMORADDIR", dir.c_str(), 1);
    EXPECT_EQ(rmsgfname("os.tmf"), nullptr);
    EXPECT_EQ(rmsgfname(nullptr), nullptr);
    std::string text(64, '\0');
    int len = 0;
    EXPECT_EQ(rgetlmsg(-1211, text.data(), 64, &len), kMsgNoPath);
    EXPECT_STREQ(text.c_str(), "Unknown error message number '-1211'\n");
}

TEST_F(Location, OverlongLanguageValueIsIgnored) {
    setenv("DBLANG", std::string(260, 'l').c_str(), 1);
    place("msg/en_us/0333");
    EXPECT_EQ(found(), inst / "msg/en_us/0333/os.tmf");
}

TEST_F(Location, ExplicitLocaleSkipsTheLanguageDirectories) {
    setenv("DBLANG", "mylang", 1);
    place("mylang");
    place("msg/it_IT.819");
    EXPECT_EQ(std::string(rmsgfname_gls("os.tmf", "it_IT.819")), inst / "msg/it_IT.819/os.tmf");
    EXPECT_EQ(found(), inst / "mylang/os.tmf");  // derived again afterwards
}

}  // namespace
}  // namespace velmorad
