// The configuration-file line reader and the split of a setting line; the
// reader's comments, blank lines and line ends are rows of
// tests/fixtures/cli/envcheck.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "env/env.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

struct Reading {
    std::vector<std::string> lines;
    std::vector<int> line_numbers;
    int last = 0;
    int size = 0;
};

Reading read_all(const std::string &content, int initial_size = 1024) {
    testing::TempDir dir;
    testing::write_file(dir / "rc", content);
    int fd = open((dir / "rc").c_str(), O_RDONLY);
    Reading r;
    r.size = initial_size;
    auto *buf = static_cast<char *>(std::malloc(static_cast<size_t>(r.size)));
    int lineno = 0;
    while ((r.last = _ggetcfline(fd, &buf, &r.size, &lineno)) == kLineRead) {
        r.lines.emplace_back(buf);
        r.line_numbers.push_back(lineno);
    }
    r.line_numbers.push_back(lineno);
    std::free(buf);
    close(fd);
    return r;
}

TEST(LineReader, ByteFFInsideALineEndsTheFile) {
    Reading r = read_all(
        "A 1\nB 2\nC 3\xFF"
        "4\nD 5\n");
    EXPECT_EQ(r.lines, (std::vector<std::string>{"A 1", "B 2"}));
    EXPECT_EQ(r.last, kLineEnd);
    Reading first = read_all("\xFFNAME v\n");  // as the first byte it is data
    EXPECT_EQ(first.lines, (std::vector<std::string>{"\xFFNAME v"}));
}

TEST(LineReader, GrowsTheBufferInStepsOf128) {
    std::string line(2000, 'x');
    Reading r = read_all(line + "\n", 1024);
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0], line);
    EXPECT_EQ(r.size, 2048);
    Reading tiny = read_all("abc\n", 2);
    EXPECT_EQ(tiny.lines, (std::vector<std::string>{"abc"}));
}

// The rows of tests/fixtures/env/settings.
TEST(SplitSetting, NameValueAndBlanks) {
    for (const testing::FixtureRow &row : testing::fixture_rows("env/settings")) {
        std::string copy = row.fields[0];
        char *name;
        char *value;
        split_setting(copy.data(), &name, &value);
        EXPECT_EQ(std::string(name) + "|" + value, row.fields[1] + "|" + row.fields[2])
            << row.where;
    }
}

}  // namespace
}  // namespace velmorad
