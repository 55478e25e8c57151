// Looking messages up in message files: the search, its caches, the
// English retry and the fallback texts, and damaged files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "locale_env/locale_env.h"
#include "msg/msg.h"
#include "tests/support/rest_message_files.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

using testing::message_file;
using testing::MessageRecord;

class Lookup : public ::testing::Test {
  protected:
    void SetUp() override { setenv("VELMORADDIR", inst.path().c_str(), 1); }
    std::string english(const std::string &leaf) { return inst / ("msg/en_us/0333/" + leaf); }
    void install(const std::string &leaf, const std::string &image) {
        testing::write_file(english(leaf), image);
    }
    void install_service_texts() {
        install("msgsvc.tmf", message_file({{32765, "No file '%s'.\n"}, {32766, "No %d.\n"}}));
    }
    // Rewrites a file in place, so a descriptor already open sees the change.
    void overwrite_in_place(const std::string &path, const std::string &bytes, off_t at) {
        int fd = open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), at), static_cast<ssize_t>(bytes.size()));
        close(fd);
    }
    int fetch(int number, std::string *text, int16_t size = 512) {
        std::string buf(static_cast<size_t>(size), '\x7F');
        int len = -1;
        int status = rgetlmsg(number, buf.data(), size, &len);
        *text = buf.c_str();
        return status;
    }
    testing::TempDir inst;
};

TEST_F(Lookup, MissingNumberFallsBackToTheUnknownNumberText) {
    install("envcheck.tmf", message_file({{-33523, "a"}, {-33522, "b"}, {-33518, "c"}}));
    std::string text;
    EXPECT_EQ(fetch(-33520, &text), kMsgNotFound);
    EXPECT_EQ(text, "Unknown error message number '-33520'\n");
    install_service_texts();
    EXPECT_EQ(fetch(-33520, &text), kMsgNotFound);
    EXPECT_EQ(text, "No -33520.\n");
}

TEST_F(Lookup, ShortFormatAndManyRecords) {
    std::vector<MessageRecord> records;
    for (int n = 1; n <= 300; ++n)
        records.push_back({-n * 3, "text " + std::to_string(n)});
    install("os.tmf", message_file(records, false));
    std::string text;
    for (int n : {1, 2, 8, 9, 150, 299, 300}) {
        EXPECT_EQ(fetch(-n * 3, &text), 0) << n;
        EXPECT_EQ(text, "text " + std::to_string(n));
    }
    EXPECT_EQ(fetch(-4, &text), kMsgNotFound);
    EXPECT_EQ(fetch(-901, &text), kMsgNotFound);
}

TEST_F(Lookup, LongTextIsCutToTheBuffer) {
    install("os.tmf", message_file({{-1211, std::string(600, 'x')}}));
    std::string text;
    EXPECT_EQ(fetch(-1211, &text, 512), kMsgTruncated);
    EXPECT_EQ(text, std::string(511, 'x'));
}

TEST_F(Lookup, FileStaysOpenUnlessQmxFreeFdIsSet) {
    install("os.tmf", message_file({{-1211, "first"}}));
    std::string text;
    EXPECT_EQ(fetch(-1211, &text), 0);
    EXPECT_GE(gentcb->msg_fd, 0);
    // A new file under the same name is not seen while the old one is open.
    install("os.tmf", message_file({{-1211, "second"}}));
    EXPECT_EQ(fetch(-1211, &text), 0);
    EXPECT_EQ(text, "first");
    setenv("QMX_FREE_FD", "", 1);
    EXPECT_EQ(fetch(-1211, &text), 0);
    EXPECT_EQ(gentcb->msg_fd, -1);
    EXPECT_EQ(fetch(-1211, &text), 0);
    EXPECT_EQ(text, "second");
}

TEST_F(Lookup, SecondNumberOfTheSameBlockComesFromTheCachedIndex) {
    std::string image = message_file({{-1211, "one"}, {-1212, "two"}});
    install("os.tmf", image);
    std::string text;
    EXPECT_EQ(fetch(-1211, &text), 0);
    // Destroy the index on disk: only the cached block can still find -1212.
    overwrite_in_place(english("os.tmf"), std::string(20, '\0'), 4);
    EXPECT_EQ(fetch(-1212, &text), 0);
    EXPECT_EQ(text, "two");
}

TEST_F(Lookup, TextCacheAnswersTheSameNumberWithoutReading) {
    install("os.tmf", message_file({{-1211, "Out of memory.\n"}, {-406, "control\n"}}));
    char *first = mmsgtext(-1211);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first, "Out of memory.\n");
    overwrite_in_place(english("os.tmf"), std::string(64, '\0'), 0);
    EXPECT_EQ(mmsgtext(-1211), first);
    EXPECT_STREQ(first, "Out of memory.\n");
}

TEST_F(Lookup, MissingFileGivesTheCannotOpenTextNamingTheLeaf) {
    setenv("QMX_FREE_FD", "1", 1);  // every look-up opens its file afresh
    std::string text;
    EXPECT_EQ(fetch(-33521, &text), kMsgCannotOpen);
    EXPECT_EQ(text, "Cannot open file 'envcheck.tmf'\n");
    install_service_texts();
    EXPECT_EQ(fetch(-33521, &text), kMsgCannotOpen);
    EXPECT_EQ(text, "No file 'envcheck.tmf'.\n");
    std::string untouched(8, 'u');
    int len = 0;
    std::remove(english("msgsvc.tmf").c_str());
    EXPECT_EQ(rgetlmsg(32765, untouched.data(), 8, &len), -1);
    EXPECT_EQ(untouched, std::string(8, 'u'));
}

// The service texts are fetched into the caller's buffer: one that fits it
// is shown, whatever the size of mmsgtext's cache.
TEST_F(Lookup, ServiceTextsAsLongAsTheCallersBufferAreShown) {
    setenv("QMX_FREE_FD", "1", 1);  // each row's files are read afresh
    install("os.tmf", message_file({{-1212, "x"}}));
    const std::string pad(300, 'p');
    const struct {
        std::string cannot_open, unknown;
        int16_t size;
        std::string open_text, unknown_text;
    } rows[] = {
        {pad + "%s\n", pad + "%d\n", 512, pad + "envcheck.tmf\n", pad + "-1211\n"},
        {pad + "%s\n", pad + "%d\n", 302, "Cannot open file 'envcheck.tmf'\n",
         "Unknown error message number '-1211'\n"},
    };
    for (const auto &row : rows) {
        install("msgsvc.tmf", message_file({{32765, row.cannot_open}, {32766, row.unknown}}));
        std::string text;
        EXPECT_EQ(fetch(-33521, &text, row.size), kMsgCannotOpen);
        EXPECT_EQ(text, row.open_text.substr(0, static_cast<size_t>(row.size) - 1));
        EXPECT_EQ(fetch(-1211, &text, row.size), kMsgNotFound);
        EXPECT_EQ(text, row.unknown_text.substr(0, static_cast<size_t>(row.size) - 1));
    }
}

TEST_F(Lookup, ServiceTextWithWrongConversionsIsNotUsedAsFormat) {
    install("msgsvc.tmf", message_file({{32765, "%d %s %s"}, {32766, "%s"}}));
    std::string text;
    EXPECT_EQ(fetch(-33521, &text), kMsgCannotOpen);
    EXPECT_EQ(text, "Cannot open file 'envcheck.tmf'\n");
    install("os.tmf", message_file({{-1212, "x"}}));
    EXPECT_EQ(fetch(-1211, &text), kMsgNotFound);
    EXPECT_EQ(text, "Unknown error message number '-1211'\n");
}

TEST_F(Lookup, BlockReadStopsAtTheEndOfTheIndex) {
    // Nine records: a block read from the middle would run past the index
    // into the texts, whose first bytes look like a record for 100.
    std::vector<MessageRecord> records;
    for (int n = 1; n <= 9; ++n)
        records.push_back({n, "t"});
    std::string image = message_file(records, false);
    std::string fake("\x00\x64\x00\x01\x00\x00\x00\x00", 8);
    image.insert(4 + 9 * 8, fake);
    for (int i = 0; i < 9; ++i) {
        testing::patch_record(&image, i, false, i + 1, 1, 4 + 9 * 8 + 8 + i);
    }
    install("os.tmf", image);
    std::string text;
    EXPECT_EQ(fetch(5, &text), 0);
    EXPECT_EQ(fetch(100, &text), kMsgNotFound);
}

// Damaged files, each read afresh: the look-up says which fault, and the
// caller gets the unknown-number text.
TEST_F(Lookup, DamagedFilesAreRefused) {
    setenv("QMX_FREE_FD", "1", 1);
    const std::string long_image = message_file({{-1211, "abc"}});
    const std::string short_image = message_file({{-1211, "abc"}}, false);
    auto patched = [](std::string image, int length, int offset) {
        testing::patch_record(&image, 0, true, -1211, length, offset);
        return image;
    };
    auto with = [](std::string image, size_t at, const std::string &bytes) {
        return image.replace(at, bytes.size(), bytes);
    };
    const struct {
        const char *name;
        std::string image;
        int status;
    } rows[] = {
        {"bad magic", with(long_image, 0, "\x12"), kMsgBadMagic},
        {"negative length", patched(long_image, -5, 14), kMsgBadIndex},
        {"negative offset", patched(long_image, 3, -14), kMsgBadIndex},
        {"text past the end", patched(long_image, 50, 14), kMsgBadIndex},
        {"count past the file", with(short_image, 2, "\x7F\xFF"), kMsgBadIndex},
        {"negative count", with(short_image, 2, std::string("\x80\0", 2)), kMsgBadIndex},
    };
    for (const auto &row : rows) {
        install("os.tmf", row.image);
        std::string text;
        EXPECT_EQ(fetch(-1211, &text), row.status) << row.name;
        EXPECT_EQ(text, "Unknown error message number '-1211'\n") << row.name;
    }
}

TEST_F(Lookup, EnglishRetryUsesTheEnglishLocaleDirectory) {
    setenv("DBLANG", "fr", 1);
    testing::write_file(inst / "msg/fr/os.tmf", message_file({{-1212, "fr"}}));
    testing::write_file(inst / ("msg/" + std::string(kEnglishLocale) + "/os.tmf"),
                        message_file({{-1211, "english"}}));
    std::string text;
    EXPECT_EQ(fetch(-1212, &text), 0);
    EXPECT_EQ(text, "fr");
    EXPECT_EQ(fetch(-1211, &text), 0);
    EXPECT_EQ(text, "english");
    // The retry does not stick: the next look-up opens the French file again.
    EXPECT_EQ(fetch(-1212, &text), 0);
    EXPECT_EQ(text, "fr");
}

TEST_F(Lookup, NoRetryWhenDblangIsEnglish) {
    setenv("DBLANG", kEnglishLocale, 1);
    install("os.tmf", message_file({{-1212, "x"}}));
    std::string text;
    EXPECT_EQ(fetch(-1211, &text), kMsgNotFound);
}

TEST_F(Lookup, UnusableLocaleEnvironmentConsultsNoFile) {
    new_gls_env.initialised_modes = 0;
    new_gls_env.mode = 3;  // the host services refuse this mode: initialisation fails with -1
    install("os.tmf", message_file({{-1211, "from file"}}));
    std::string untouched(16, 'u');
    int len = 0;
    // -1 has no built-in text, so the buffer is left as it was.
    EXPECT_EQ(rgetlmsg(-1211, untouched.data(), 16, &len), -1);
    EXPECT_EQ(untouched, std::string(16, 'u'));
}

// A start that fails gives its own text, cut to the caller's buffer.
TEST_F(Lookup, FailedStartGivesItsTextCutToTheBuffer) {
    setenv("CLIENT_LOCALE", "xx_XX.nosuch", 1);
    const std::string full = msg_locale_error_text(kGlsBadLocale);
    std::string text;
    EXPECT_EQ(fetch(-1211, &text, static_cast<int16_t>(full.size())), kGlsBadLocale);
    EXPECT_EQ(text, full.substr(0, full.size() - 1));
}

TEST_F(Lookup, StartUpErrorsHaveBuiltInTextsWithoutFiles) {
    for (int number : {-23101, -23102, -23109, -23111, -23115, -34394, -406, -1211, -1212, -1218,
                       -1272, -1275, -1276}) {
        const char *text = mmsgtext(number);
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, msg_locale_error_text(number)) << number;
        EXPECT_NE(std::string(text), "") << number;
    }
}

}  // namespace
}  // namespace velmorad
