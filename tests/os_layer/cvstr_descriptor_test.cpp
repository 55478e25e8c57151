// Converting strings through real descriptors loaded from fixture files
// and placed in the locale settings record, as the front end would.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "gls/conv/conv.h"
#include "locale_env/locale_env.h"
#include "os_layer/os_layer.h"
#include "tests/gls/conv_files.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

using gls::testing::cvo_text;
using gls::testing::Load;
using gls::testing::load_text;
using testing::TempDir;

constexpr int kBadArgument = -23112;
constexpr int kBadCharacter = -23103;
constexpr int kFailed = -23113;
const std::string kNul(1, '\0');

// Latin-1 to UTF-8 for a few characters, '~' to '_' so that a converted
// path differs from the original (no temporary directory's name has '~'), no conversion for 0xFF,
// and 0x8E the first byte of a two-byte character.
gls::CvoInput latin_to_utf8() {
    gls::CvoInput input;
    input.records[kNul] = {kNul};
    for (int b = 1; b < 0x80; ++b)
        input.records[std::string(1, static_cast<char>(b))] = {
            std::string(1, static_cast<char>(b))};
    input.records["~"] = {"_"};
    input.records["\xE9"] = {"\xC3\xA9"};
    input.records["\x8E\xA1"] = {"\xEF\xBD\xA1"};
    return input;
}

class ConvertingStrings : public ::testing::Test {
  protected:
    void SetUp() override {
        load = load_text(files.path(), cvo_text(latin_to_utf8()));
        ASSERT_EQ(load.rc, gls::kCvLoaded);
        cd = load.cd.get();
        set_glserror(0);
    }
    void TearDown() override {
        new_gls_env.cv_os_out = nullptr;
        new_gls_env.cv_os_in = nullptr;
    }

    TempDir files;
    Load load;
    gls::CvDesc *cd = nullptr;
};

TEST_F(ConvertingStrings, GcvMallocSizesByTheExpansionFactor) {
    ASSERT_EQ(gls::gl_iconv_expansion(cd), 2.0);  // one byte to two at most
    char *out = nullptr;
    EXPECT_EQ(gcv_malloc(cd, "caf\xE9", nullptr, &out), 6);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::string(out), "caf\xC3\xA9");
    std::free(out);

    int len = 3;
    EXPECT_EQ(gcv_malloc(cd, "\xE9\x8E\xA1xyz", &len, &out), 5);
    EXPECT_EQ(std::string(out, 5), "\xC3\xA9\xEF\xBD\xA1");
    std::free(out);
    EXPECT_EQ(get_glserror(), 0);
}

TEST_F(ConvertingStrings, GcvMallocFailuresReleaseTheBuffer) {
    struct Row {
        const char *what;
        std::string input;
        int len;  // 0: terminated
        int error;
    };
    const Row rows[] = {
        {"no conversion", "ab\xFF", 0, kBadCharacter},
        {"cut by the length", "a\x8E\xA1", 2, kBadCharacter},
        {"length below 1", "a", -1, kBadArgument},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        set_glserror(0);
        char *out = reinterpret_cast<char *>(0x1);
        const int *len = row.len != 0 ? &row.len : nullptr;
        EXPECT_EQ(gcv_malloc(cd, row.input.c_str(), len, &out), -1);
        EXPECT_EQ(out, reinterpret_cast<char *>(0x1));
        EXPECT_EQ(get_glserror(), row.error);
    }
}

TEST_F(ConvertingStrings, GcvExtbufFlagsWhatDidNotFit) {
    struct Row {
        const char *what;
        std::string input;
        int len;  // 0: terminated
        int size;
        int result;
        int truncated;
        std::string out;
        int error;
    };
    const Row rows[] = {
        {"fits with its terminator", "~\xE9", 0, 4, 4, 0, "_\xC3\xA9" + kNul, 0},
        {"terminator does not fit", "~\xE9", 0, 3, 3, 1, "_\xC3\xA9", 0},
        {"character does not fit", "~\xE9", 0, 2, 1, 1, "_", 0},
        {"counted", "~\x8E\xA1~", 3, 4, 4, 0, "_\xEF\xBD\xA1", 0},
        {"no conversion", "q\xFF", 0, 8, -1, 0, "", kBadCharacter},
        {"cut character", "q\x8E", 2, 8, -1, 0, "", kBadCharacter},
        {"no room at all", "q", 0, 0, -1, 0, "", kBadArgument},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        set_glserror(0);
        std::string buffer(static_cast<size_t>(row.size) + 1, '#');
        int truncated = 7;
        const int *len = row.len != 0 ? &row.len : nullptr;
        EXPECT_EQ(gcv_extbuf(cd, row.input.c_str(), len, buffer.data(), row.size, &truncated),
                  row.result);
        EXPECT_EQ(get_glserror(), row.error);
        if (row.result >= 0) {
            EXPECT_EQ(truncated, row.truncated);
            EXPECT_EQ(buffer.substr(0, row.out.size()), row.out);
        }
        EXPECT_EQ(buffer.back(), '#');  // nothing past the size given
    }
    // A descriptor that failed to load answers with its own error.
    int truncated = 0;
    char out[8];
    EXPECT_EQ(gcv_extbuf(&gls::cd_fileerr, "q", nullptr, out, sizeof out, &truncated), -1);
    EXPECT_EQ(get_glserror(), kFailed);
}

TEST_F(ConvertingStrings, GcvAccessConvertsThePathWithinItsBuffer) {
    TempDir dir;
    ASSERT_EQ(dir.path().find('~'), std::string::npos);
    testing::write_file(dir / "_file", "x");
    EXPECT_NE(access((dir / "~file").c_str(), F_OK), 0);
    new_gls_env.cv_os_out = cd;
    EXPECT_EQ(gcvaccess((dir / "~file").c_str(), F_OK), 0);
    EXPECT_EQ(gcvaccess((dir / "_file").c_str(), F_OK), 0);
    EXPECT_EQ(gcvaccess((dir / "absent").c_str(), F_OK), -1);
    EXPECT_EQ(gcvaccess((dir / "\xFF").c_str(), F_OK), -1);

    // The converted path and its terminator may take the 260 bytes, and no
    // more: a longer one is refused without looking at the file.
    for (size_t length : {259, 260}) {
        SCOPED_TRACE(length);
        const std::string prefix = dir / "";
        ASSERT_LT(prefix.size() + 10, length);
        const std::string path = prefix + std::string(length - prefix.size(), 'f');
        testing::write_file(path, "x");
        ASSERT_EQ(access(path.c_str(), F_OK), 0);
        EXPECT_EQ(gcvaccess(path.c_str(), F_OK), length == 259 ? 0 : -1);
        new_gls_env.cv_os_out = nullptr;
        EXPECT_EQ(gcvaccess(path.c_str(), F_OK), 0);
        new_gls_env.cv_os_out = cd;
    }
}

}  // namespace
}  // namespace velmorad
