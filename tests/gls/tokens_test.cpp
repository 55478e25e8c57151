// The token readers, each row read from a real file; what a reader leaves
// unread matters as much as what it returns.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "gls/util/util.h"
#include "tests/support/test_support.h"

namespace gls {
namespace {

using velmorad::testing::TempDir;

struct Row {
    std::string text;
    std::function<double(FILE *)> read;
    double value;
    std::string rest;
};

// Writes the text to a file, runs the reader on it and returns what it
// left unread.
std::string run(const Row &row, double *value) {
    TempDir dir;
    velmorad::testing::write_file(dir / "text", row.text);
    FILE *stream = _gl_ext_fopen((dir / "text").c_str(), "r");
    EXPECT_NE(stream, nullptr);
    *value = row.read(stream);
    std::string rest;
    for (int c; (c = _gl_ext_getc(stream)) != EOF;)
        rest += static_cast<char>(c);
    (void)_gl_ext_fclose(stream);
    return rest;
}

auto integer = [](FILE *f) { return static_cast<double>(_gl_get_int(f)); };
auto real = [](FILE *f) { return _gl_get_dbl(f); };
auto hex(int count) {
    return [count](FILE *f) { return static_cast<double>(_gl_get_hex(f, count)); };
}
auto hex_byte = [](FILE *f) { return static_cast<double>(_gl_get_hex_byte(f)); };
auto newline = [](FILE *f) { return static_cast<double>(_gl_skip_nl(f)); };
auto blank = [](FILE *f) { return _gl_skip_space_if_needed(f), 0.0; };

TEST(Tokens, NumbersAndSkipsConsumeExactlyTheirField) {
    const std::string forty = std::string(38, '0') + "12";
    const Row rows[] = {
        {" -12x", integer, -12, "x"},
        {"+7\n", integer, 7, "\n"},
        {"  5", integer, 0, "5"},  // the second blank is taken as a bad first character
        {"-y", integer, 0, "y"},
        {forty + "345;", integer, 12, ";"},  // 40 characters kept, further digits dropped
        {"00e9", hex(4), 0xE9, ""},
        {"0123456789", hex(10), 0x01234567, "89"},
        {"zz1", hex(3), 0x001, ""},  // non-digits count as 0 and are consumed,
        {"a", hex(4), 0xA000, ""},   // and so does the end of input
        {"ab", hex(0), 0, "ab"},
        {"Af-", hex_byte, 0xAF, "-"},
        {"3.5e2 x", real, 350, " x"},
        {" 1", real, 0, " 1"},
        {"1" + std::string(99, '0') + ";", real, 1e79, ";"},  // 80 characters kept
        {"\nx", newline, 1, "x"},
        {"x", newline, 0, "x"},
        {"  x", blank, 0, " x"},
        {"\tx", blank, 0, "\tx"},
    };
    for (const Row &row : rows) {
        double value = 0;
        EXPECT_EQ(run(row, &value), row.rest) << row.text;
        EXPECT_DOUBLE_EQ(value, row.value) << row.text;
    }
}

// Numbers of every length around the point where a long can overflow read
// as strtol reads the 40 characters kept, through the stream reader and
// through the reader that hands on its look-ahead character.
TEST(Tokens, IntegersOfAnyLengthSaturateAsStrtolDoes) {
    std::vector<std::string> texts;
    for (const char *sign : {"", "-", "+"}) {
        for (size_t digits = 1; digits <= 45; ++digits) {
            std::string nines = sign + std::string(digits, '9');
            std::string counting = sign;
            for (size_t i = 0; i < digits; ++i)
                counting += static_cast<char>('1' + i % 9);
            texts.push_back(nines);
            texts.push_back(counting);
        }
        texts.push_back(std::string(sign) + "9223372036854775807");
        texts.push_back(std::string(sign) + "9223372036854775808");
    }
    TempDir dir;
    for (const std::string &text : texts) {
        const std::string kept = text.substr(0, 40);
        const long expected = std::strtol(kept.c_str(), nullptr, 10);
        velmorad::testing::write_file(dir / "number", " " + text + ";");
        FILE *stream = _gl_ext_fopen((dir / "number").c_str(), "r");
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(_gl_get_int(stream), expected) << text;
        EXPECT_EQ(_gl_ext_getc(stream), ';') << text;
        rewind(stream);
        int ahead = _gl_ext_getc(stream);
        EXPECT_EQ(_gl_get_int_ahead(stream, &ahead), expected) << text;
        EXPECT_EQ(ahead, ';') << text;
        (void)_gl_ext_fclose(stream);
    }
}

TEST(Tokens, WordsEndAtWhiteSpaceEndOfInputOrTheBufferSize) {
    const struct {
        std::string text;
        int size;
        std::string word;
        int status;
        std::string rest;
    } rows[] = {
        {"abc def", 10, "abc", 0, " def"}, {"abc def", 3, "ab", -1, "c def"},
        {"abc", 10, "abc", -1, ""},        {"\tx", 5, "", 0, "\tx"},
        {"abc", 1, "", -1, "abc"},
    };
    for (const auto &r : rows) {
        // Exactly the size given, so that a sanitizer sees a write past it.
        std::vector<char> buf(static_cast<size_t>(r.size), '#');
        double status = 0;
        Row row{r.text, [&](FILE *f) { return _gl_get_str(buf.data(), r.size, f); }, 0, ""};
        EXPECT_EQ(run(row, &status), r.rest) << r.text;
        EXPECT_EQ(status, r.status) << r.text;
        EXPECT_STREQ(buf.data(), r.word.c_str()) << r.text;
    }
}

TEST(Tokens, LineEndChecks) {
    const struct {
        const char *line;
        bool cut_short;
        const char *replaced;
    } rows[] = {{"abc\n", false, "abc"}, {"abc", true, "abc"}, {"\n", false, ""}, {"", true, ""}};
    for (const auto &row : rows) {
        EXPECT_EQ(check_nl(row.line) != 0, row.cut_short) << row.line;
        std::string line = row.line;
        EXPECT_EQ(replace_nl(line.data()), row.cut_short ? 1 : 0) << row.line;
        EXPECT_EQ(line.c_str(), std::string(row.replaced));
    }
}

// Every byte of a file handed out in order and the end seen once and for
// good, whatever the lines hold: zero bytes anywhere, lines around the
// reader's chunk size, no final newline.
TEST(LineReaderBytes, HandsOutExactlyTheFileContent) {
    using namespace std::string_literals;
    const std::string rows[] = {
        "",
        "\n",
        "abc\ndef\n",
        "no newline at the end",
        "\0"s,
        "\0\n\0"s,
        "a\0b\n\0\0\nc"s,
        "ends in a zero\0"s,
        "zero before the newline\0\n"s,
        std::string(126, 'x') + "\n",  // the chunk's size with the newline and terminator
        std::string(127, 'x') + "\n",  // the newline left for the next chunk
        std::string(127, 'x'),
        std::string(126, 'x') + "\0\n"s,
        std::string(300, ' ') + "\0" + std::string(300, 'y') + "\n\n",
    };
    for (const std::string &text : rows) {
        TempDir dir;
        velmorad::testing::write_file(dir / "text", text);
        FILE *stream = _gl_ext_fopen((dir / "text").c_str(), "r");
        ASSERT_NE(stream, nullptr);
        LineReader reader(stream);
        std::string seen;
        for (int c; (c = reader.get()) != EOF;)
            seen += static_cast<char>(c);
        EXPECT_EQ(seen, text) << seen.size() << " of " << text.size();
        EXPECT_EQ(reader.get(), EOF);
        (void)_gl_ext_fclose(stream);
    }
}

// A line is taken only when its first byte is wanted: once a newline has
// been handed out, the stream itself continues at the next line.
TEST(LineReaderBytes, LeavesTheStreamAtTheNextLineAndGivesBackOneByte) {
    TempDir dir;
    velmorad::testing::write_file(dir / "text", "12 34\nrest\n");
    FILE *stream = _gl_ext_fopen((dir / "text").c_str(), "r");
    ASSERT_NE(stream, nullptr);
    LineReader reader(stream);
    EXPECT_EQ(reader.get(), '1');
    reader.unget();
    std::string line;
    for (int c; (c = reader.get()) != '\n';)
        line += static_cast<char>(c);
    EXPECT_EQ(line, "12 34");
    reader.unget();
    EXPECT_EQ(reader.get(), '\n');
    std::string rest;
    for (int c; (c = _gl_ext_getc(stream)) != EOF;)
        rest += static_cast<char>(c);
    EXPECT_EQ(rest, "rest\n");
    (void)_gl_ext_fclose(stream);
}

}  // namespace
}  // namespace gls
