// The charmap reader on written files (plain and gzip), on damaged ones, and
// on the charmaps of the system that the installation's data is built from.
#include <gtest/gtest.h>
#include <iconv.h>
#include <zlib.h>

#include <string>

#include "tests/support/test_support.h"
#include "tools/common/charmap.h"

namespace velmorad::tools {
namespace {

const std::string kSystemCharmaps = "/usr/share/i18n/charmaps/";

std::string bytes_of(const Charmap &map, const std::string &name) {
    const CharmapEntry *e = map.find_name(name);
    return e == nullptr ? "(none)" : e->bytes;
}

std::string name_of(const Charmap &map, const std::string &bytes) {
    const CharmapEntry *e = map.find_bytes(bytes);
    return e == nullptr ? "(none)" : e->name;
}

void write_gzip(const std::string &path, const std::string &content) {
    gzFile out = gzopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(gzwrite(out, content.data(), static_cast<unsigned>(content.size())),
              static_cast<int>(content.size()));
    ASSERT_EQ(gzclose(out), Z_OK);
}

// A sample holding every form a charmap may take: tests/fixtures/charmap/sample.
std::string sample() {
    return testing::read_file(testing::source_dir() + "/tests/fixtures/charmap/sample");
}

TEST(Charmap, ReadsEveryFormOfAPlainAndACompressedFile) {
    testing::TempDir dir;
    testing::write_file(dir / "plain", sample());
    write_gzip(dir / "packed.gz", sample());
    for (const std::string &file : {dir / "plain", dir / "packed.gz"}) {
        SCOPED_TRACE(file);
        Charmap map;
        CharmapError error;
        ASSERT_TRUE(read_charmap(file, &map, &error)) << error.line << ": " << error.reason;
        EXPECT_EQ(map.code_set_name(), "SAMPLE-1");
        EXPECT_EQ(map.aliases(), (std::vector<std::string>{"SAMPLE", "S1"}));
        EXPECT_EQ(map.comment_char(), '#');
        EXPECT_EQ(map.escape_char(), '!');
        EXPECT_EQ(map.mb_cur_min(), 1);
        EXPECT_EQ(map.mb_cur_max(), 3);
        EXPECT_EQ(map.min_length(), 1u);
        EXPECT_EQ(map.max_length(), 3u);
        // 4 before the ranges, 4 + 4 in them, 5 after, the sequence.
        EXPECT_EQ(map.entries().size(), 18u);

        for (const testing::FixtureRow &row : testing::fixture_rows("charmap/sample.entries"))
            EXPECT_EQ(bytes_of(map, row.fields[0]), row.fields[1]) << row.where;
        EXPECT_EQ(name_of(map, "C"), "U0043");  // the first entry of the bytes reads them
        EXPECT_EQ(name_of(map, "c"), "U0043");
        EXPECT_EQ(name_of(map, "\x8e\x80"), "U5341");
        EXPECT_EQ(name_of(map, "\x8f\xa1"), "(none)");
        EXPECT_EQ(map.entries().back().line, 23);
        EXPECT_TRUE(map.entries()[map.entries().size() - 2].irreversible);

        // Widths: the last line that covers a character, else the default.
        EXPECT_EQ(map.width_of("A"), 3);
        EXPECT_EQ(map.width_of("B"), 1);
        EXPECT_EQ(map.width_of("\x8e\xff"), 0);
        EXPECT_EQ(map.width_of("\x8e\xfe"), 0);
        EXPECT_EQ(map.width_of("\x8e\xfd"), 2);
        EXPECT_EQ(map.width_of("\x8e"), 2);
    }
}

TEST(Charmap, DamagedFilesNameTheLineAndTheFault) {
    testing::TempDir dir;
    for (const testing::FixtureRow &row : testing::fixture_rows("charmap/damaged")) {
        SCOPED_TRACE(row.where);
        ASSERT_EQ(row.fields.size(), 3u);
        testing::write_file(dir / "map", row.fields[2]);
        Charmap map;
        CharmapError error;
        ASSERT_FALSE(read_charmap(dir / "map", &map, &error));
        EXPECT_EQ(error.file, dir / "map");
        EXPECT_EQ(error.line, std::stoi(row.fields[0]));
        EXPECT_NE(error.reason.find(row.fields[1]), std::string::npos) << error.reason;
    }
}

TEST(Charmap, MissingAndCutOffFilesFailWithoutALine) {
    testing::TempDir dir;
    std::string packed = dir / "packed.gz";
    write_gzip(packed, sample());
    std::string whole = testing::read_file(packed);
    testing::write_file(dir / "cut.gz", whole.substr(0, whole.size() / 2));
    for (const auto &[file, reason] :
         {std::pair{dir / "missing", "cannot open"}, std::pair{dir / "cut.gz", "cannot read"}}) {
        Charmap map;
        CharmapError error;
        ASSERT_FALSE(read_charmap(file, &map, &error)) << file;
        EXPECT_EQ(error.line, 0);
        EXPECT_NE(error.reason.find(reason), std::string::npos) << error.reason;
    }
}

// Every character the system's UTF-8 and GB18030 charmaps name by its code
// point, ranges included, must be what the C library's decoder reads from
// the bytes the reader gave it: exactly that code point, every byte used.
// Ranges are where a reader goes wrong: UTF-8 ranges of 64 characters start
// at any trail byte (CJK extensions E and F cross /xbf), GB18030 ones count
// in a mixed radix.
TEST(Charmap, RangesGiveTheBytesTheCLibraryDecodes) {
    for (const char *code_set : {"UTF-8", "GB18030"}) {
        SCOPED_TRACE(code_set);
        Charmap map;
        CharmapError error;
        ASSERT_TRUE(read_charmap(kSystemCharmaps + code_set + ".gz", &map, &error))
            << error.line << ": " << error.reason;
        iconv_t cd = iconv_open("UTF-32BE", code_set);
        ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
        size_t checked = 0;
        size_t wrong = 0;
        std::string first_wrong;
        for (const CharmapEntry &e : map.entries()) {
            if (e.name.size() < 5 || e.name[0] != 'U' ||
                e.name.find_first_not_of("0123456789ABCDEF", 1) != std::string::npos) {
                continue;
            }
            const auto expected = static_cast<uint32_t>(std::stoul(e.name.substr(1), nullptr, 16));
            std::string in = e.bytes;
            unsigned char out[8] = {};
            char *in_p = in.data();
            size_t in_left = in.size();
            char *out_p = reinterpret_cast<char *>(out);
            size_t out_left = sizeof out;
            (void)iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const size_t r = iconv(cd, &in_p, &in_left, &out_p, &out_left);
            const uint32_t got = (uint32_t{out[0]} << 24) | (uint32_t{out[1]} << 16) |
                                 (uint32_t{out[2]} << 8) | out[3];
            ++checked;
            if (r == static_cast<size_t>(-1) || in_left != 0 || out_left != sizeof out - 4 ||
                got != expected) {
                if (wrong++ == 0) first_wrong = e.name;
            }
        }
        iconv_close(cd);
        EXPECT_GT(checked, size_t{100000});
        EXPECT_EQ(wrong, 0u) << "first: " << first_wrong;
    }
}

}  // namespace
}  // namespace velmorad::tools
