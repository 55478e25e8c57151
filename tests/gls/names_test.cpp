// Locale specifications to file names and code-set numbers, and back, with
// the built-in table or a registry file of the test's own as the registry.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gls/names/names.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using velmorad::testing::fields_of;
using velmorad::testing::TempDir;
using velmorad::testing::write_file;

constexpr uint32_t kEntryError = 5;

// A buffer of exactly the documented size on the heap, so that the
// sanitizer sees a write past its end, and the text written into it.
class Exact : public std::vector<char> {
  public:
    explicit Exact(size_t size) : std::vector<char>(size, 'Z') {}
    char *get() { return data(); }
    std::string text() const { return std::string(data(), strnlen(data(), size())); }
};

// What a call came to: the text it wrote, or "fail" with GL_EINVAL, or
// "fail untouched" when it left the error number as it was.
std::string outcome(int status, uint32_t error, const std::string &text) {
    if (status == 0) return text;
    return error == GL_EINVAL     ? "fail"
           : error == kEntryError ? "fail untouched"
                                  : "error " + std::to_string(error);
}

class Names : public ::testing::Test {
  protected:
    // The built-in table unless a test caches a registry of its own.
    void SetUp() override { gl_cache_registry(nullptr, "/nonexistent/registry"); }
    void TearDown() override { gl_free_registry_cache(); }

    // The file name of spec, or the failure.
    std::string fname(const std::string &spec, const char *directory = nullptr) {
        Exact out(kLcFnameSize);
        uint32_t error = kEntryError;
        const int status = gl_lc_spec2lc_fname(&error, spec.c_str(), out.get(), nullptr, directory);
        return outcome(status, error, out.text());
    }

    TempDir dir;
};

// The rows of tests/fixtures/gls/specifications, each against its function.
TEST_F(Names, SpellingsOfTheFixture) {
    const std::string mark(1, kDirMark);
    for (const std::string &line : velmorad::testing::lines_of(velmorad::testing::read_file(
             velmorad::testing::source_dir() + "/tests/fixtures/gls/specifications"))) {
        if (line.empty() || line[0] == '#') continue;
        SCOPED_TRACE(line);
        std::vector<std::string> f = fields_of(line, '\t');
        f.resize(6);
        for (std::string &field : f) {
            for (size_t at; (at = field.find('%')) != std::string::npos;)
                field.replace(at, 1, mark);
        }
        const char *directory = f[2] == "-" ? nullptr : f[2].c_str();
        uint32_t error = kEntryError;
        if (f[0] == "file") {
            EXPECT_EQ(fname(f[1]), f[2]);
        } else if (f[0] == "file-in") {
            EXPECT_EQ(fname(f[1], f[2].c_str()), f[3]);
        } else if (f[0] == "codeset") {
            const uint16_t number = gl_lc_spec2cs_num(&error, f[1].c_str(), nullptr);
            EXPECT_EQ(number, f[2] == "none" ? kNoCodeSet : std::stoi(f[2]));
            EXPECT_EQ(error, number == kNoCodeSet ? GL_EINVAL : kEntryError);
        } else if (f[0] == "msgdir") {
            Exact out(kMsgDnameSize);
            const int status =
                gl_lc_spec2msg_dname(&error, f[1].c_str(), out.get(), nullptr, directory);
            EXPECT_EQ(outcome(status, error, out.text()), f[3]);
        } else if (f[0] == "cvfile") {
            directory = f[3] == "-" ? nullptr : f[3].c_str();
            Exact out(f[3].size() + kCvFnameExtra);
            gl_cs_nums2cv_fname(nullptr, static_cast<uint16_t>(std::stoi(f[1])),
                                static_cast<uint16_t>(std::stoi(f[2])), out.get(), directory);
            EXPECT_EQ(out.text(), f[4]);
        } else if (f[0] == "pieces") {
            Exact lang_terr(kLangTerrSize), number(kCsNumTextSize), modifier(kModifierSize);
            const int status = gl_lc_fname2lc_pieces(&error, f[1].c_str(), lang_terr.get(),
                                                     number.get(), modifier.get());
            EXPECT_EQ(outcome(status, error,
                              lang_terr.text() + " " + number.text() + " " + modifier.text()),
                      f[2]);
        } else if (f[0] == "generic") {
            Exact out(kPiecesSpecSize);
            const int status =
                gl_lc_pieces2lc_spec(&error, f[1].c_str(), f[2].c_str(),
                                     f[3] == "-" ? nullptr : f[3].c_str(), out.get());
            EXPECT_EQ(outcome(status, error, out.text()), f[4]);
        } else if (f[0] == "category") {
            size_t length = 99;
            EXPECT_EQ(_gl_is_category(f[1].c_str(), &length), std::stoi(f[2]));
            EXPECT_EQ(length, std::stoul(f[3]));
        } else {
            ASSERT_EQ(f[0], "xopen");
            Exact out(kXopenFnameSize);
            const char *spec = f[1].c_str();
            char *cursor = out.get();
            uint16_t number = 1;
            const int result = _gl_is_xopen_spec(nullptr, &spec, &cursor, &number, nullptr);
            EXPECT_EQ(result, std::stoi(f[2]));
            EXPECT_EQ(static_cast<size_t>(spec - f[1].c_str()), std::stoul(f[3]));
            EXPECT_EQ(std::string(out.get(), cursor), f[4]);
            EXPECT_EQ(number, result == 1 ? 819 : 1);
            if (result == 1) {
                EXPECT_EQ(*cursor, f[5] == "end" ? '\0' : 'Z');
            }
        }
    }
    EXPECT_EQ(gl_lc_spec2cs_num(nullptr, nullptr, nullptr), kNoCodeSet);
}

TEST_F(Names, SpecificationsAndResultsStayWithinTheirLimits) {
    // Names of every length from 1 to 21 for 819.
    std::string content = "8859-1 819\n";
    for (size_t length = 1; length < kCsNameSize; ++length)
        content += std::string(length, 'a') + " 819\n";
    write_file(dir / "registry", content);
    uint32_t error = kEntryError;
    gl_cache_registry(&error, (dir / "registry").c_str());
    ASSERT_EQ(error, kEntryError);
    const std::string name21(21, 'a');
    EXPECT_EQ(fname("en_US." + name21 + "@euro"), "en_us/0333euro.lco");
    EXPECT_EQ(fname("en_US." + name21 + "a"), "fail");

    // Six entries with 21-character names and 4-character modifiers make
    // exactly 285 characters; a 3-letter language in each makes 291.
    auto composite = [&](const std::string &language) {
        std::string spec;
        for (const char *category :
             {"GL_CTYPE", "GL_COLLATE", "GL_TIME", "GL_MONETARY", "GL_NUMERIC", "GL_MESSAGES"})
            spec += std::string(category) + " = " + language + "_US." + name21 + "@abcd ; ";
        return spec;
    };
    const std::string longest = composite("en");
    ASSERT_EQ(longest.size(), kMaxSpecLength);
    EXPECT_EQ(fname(longest).substr(0, 30), "GL_CTYPE = en_us/0333abcd.lco ");
    EXPECT_EQ(gl_lc_spec2cs_num(nullptr, longest.c_str(), nullptr), 819);
    EXPECT_EQ(fname(composite("eng")), "fail");
    EXPECT_EQ(gl_lc_spec2cs_num(nullptr, composite("eng").c_str(), nullptr), kNoCodeSet);

    // The file names of the longest specification fill 201 bytes; each
    // entry's directory and mark add to that, up to the 311 of the result.
    const std::string fits(109 / 6 - 1, 'd');
    EXPECT_EQ(fname(longest, fits.c_str()).size(), 201 + 6 * (fits.size() + 1));
    EXPECT_EQ(fname(longest, std::string(109 / 6, 'd').c_str()), "fail");
    EXPECT_EQ(fname(longest, std::string(5000, 'd').c_str()), "fail");
}

}  // namespace
}  // namespace gls
