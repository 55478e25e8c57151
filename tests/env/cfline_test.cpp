// The configuration-file line reader and the split of a setting line.
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

TEST(LineReader, SkipsCommentsAndEmptyLinesButCountsThem) {
    Reading r = read_all("# comment\n\nA 1\n #not a comment\n\n\nB\n");
    EXPECT_EQ(r.lines, (std::vector<std::string>{"A 1", " #not a comment", "B"}));
    EXPECT_EQ(r.line_numbers, (std::vector<int>{3, 4, 7, 7}));
    EXPECT_EQ(r.last, kLineEnd);
}

TEST(LineReader, OnlyNewlinesEndAtOnceWithTheCount) {
    Reading r = read_all("\n\n\n\n");
    EXPECT_TRUE(r.lines.empty());
    EXPECT_EQ(r.line_numbers.back(), 4);
}

TEST(LineReader, KeepsCarriageReturnAndDropsUnterminatedLastLine) {
    Reading r = read_all("A x\r\nB y\nC never");
    EXPECT_EQ(r.lines, (std::vector<std::string>{"A x\r", "B y"}));
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

// Lines are taken from a file in blocks, but the descriptor is left just
// after the line returned, where a caller may go on reading by itself; a
// pipe, which cannot be given back what was read, gives the same lines.
TEST(LineReader, LeavesTheDescriptorAfterTheLineReturnedAndReadsPipes) {
    const std::string content = "# c\nA 1\n\n" + std::string(600, 'x') + "\nB 2\xFF" + "rest\n";
    testing::TempDir dir;
    testing::write_file(dir / "rc", content);
    int fd = open((dir / "rc").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int size = 16;
    auto *buf = static_cast<char *>(std::malloc(static_cast<size_t>(size)));
    int lineno = 0;
    std::vector<off_t> offsets;
    while (_ggetcfline(fd, &buf, &size, &lineno) == kLineRead)
        offsets.push_back(lseek(fd, 0, SEEK_CUR));
    offsets.push_back(lseek(fd, 0, SEEK_CUR));
    const auto after = [&](const std::string &text) {
        return static_cast<off_t>(content.find(text) + text.size());
    };
    EXPECT_EQ(offsets, (std::vector<off_t>{after("A 1\n"), after("x\n"), after("\xFF")}));
    close(fd);

    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], content.data(), content.size()), static_cast<ssize_t>(content.size()));
    close(ends[1]);
    std::vector<std::string> lines;
    lineno = 0;
    while (_ggetcfline(ends[0], &buf, &size, &lineno) == kLineRead)
        lines.emplace_back(buf);
    EXPECT_EQ(lines, (std::vector<std::string>{"A 1", std::string(600, 'x')}));
    std::string rest(16, '\0');
    EXPECT_EQ(read(ends[0], rest.data(), rest.size()), 5);
    EXPECT_EQ(rest.substr(0, 5), "rest\n");
    close(ends[0]);
    std::free(buf);
}

TEST(SplitSetting, NameValueAndBlanks) {
    struct Row {
        const char *line, *name, *value;
    };
    const Row rows[] = {
        {"DBDATE DMY4", "DBDATE", "DMY4"},
        {"DBDATE \t  DMY4 trailing ", "DBDATE", "DMY4 trailing "},
        {"DBDATE", "DBDATE", ""},
        {"DBDATE\r", "DBDATE", ""},
        {"DBDATE x\r", "DBDATE", "x\r"},
        {" DBDATE x", "", "DBDATE x"},
        {"   ", "", ""},
        {"A\xFF"
         "B c",
         "A\xFF"
         "B",
         "c"},
    };
    for (const Row &row : rows) {
        std::string copy = row.line;
        char *name;
        char *value;
        split_setting(copy.data(), &name, &value);
        EXPECT_STREQ(name, row.name) << row.line;
        EXPECT_STREQ(value, row.value) << row.line;
    }
}

}  // namespace
}  // namespace velmorad
