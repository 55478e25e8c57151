// Converting strings through real descriptors loaded from fixture files
// and placed in the locale settings record, as the front end would.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// The rows of tests/fixtures/os_layer/cvstr.
TEST_F(ConvertingStrings, RowsOfTheFixture) {
    ASSERT_EQ(gls::gl_iconv_expansion(cd), 2.0);
    for (const testing::FixtureRow &row : testing::fixture_rows("os_layer/cvstr")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string> &f = row.fields;
        const bool extbuf = f[0] == "extbuf";
        ASSERT_EQ(f.size(), extbuf ? 9u : 7u);
        gls::CvDesc *desc = f[1] == "latin" ? cd : nullptr;
        const char *input = f[2] == "(null)" ? nullptr : f[2].c_str();
        const int length = f[3] == "-" ? 0 : std::stoi(f[3]);
        const int *len = f[3] == "-" ? nullptr : &length;
        const std::string &expected = f[extbuf ? 7 : 5];
        set_glserror(0);
        if (extbuf) {
            const int size = std::stoi(f[4]);
            std::string buffer(static_cast<size_t>(size) + 1, '#');
            int truncated = 7;
            EXPECT_EQ(gcv_extbuf(desc, input, len, buffer.data(), size, &truncated),
                      std::stoi(f[5]));
            if (std::stoi(f[5]) >= 0) {
                EXPECT_EQ(truncated, std::stoi(f[6]));
                EXPECT_EQ(buffer.substr(0, expected.size()), expected);
            }
            EXPECT_EQ(buffer.back(), '#');  // nothing past the size given
        } else {
            char *out = reinterpret_cast<char *>(0x1);
            const int result = gcv_malloc(desc, input, len, &out);
            EXPECT_EQ(result, std::stoi(f[4]));
            if (result >= 0) {
                EXPECT_EQ(std::string(out, expected.size()), expected);
                std::free(out);
            } else {
                EXPECT_EQ(out, reinterpret_cast<char *>(0x1));
            }
        }
        EXPECT_EQ(get_glserror(), std::stoi(f.back()));
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
    EXPECT_EQ(_ofreadable((dir / "_file").c_str()), 1);
    EXPECT_EQ(_ofreadable((dir / "absent").c_str()), 0);
    EXPECT_EQ(is8bitstr("plain ascii"), 0);
    EXPECT_EQ(is8bitstr("caf\xE9"), 1);

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
