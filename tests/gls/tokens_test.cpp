// The token readers and the line reader, each on a real file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "gls/util/util.h"
#include "tests/gls/lco_fixture.h"

namespace gls {
namespace {

using testing::FileStream;

// One reader on its row's text: the value it gives, as the table writes it.
std::string read_token(const std::string &reader, FILE *f) {
    auto number = [](double v) {
        std::ostringstream out;
        out << std::setprecision(12) << v;
        return out.str();
    };
    if (reader == "int") return number(static_cast<double>(_gl_get_int(f)));
    if (reader == "real") return number(_gl_get_dbl(f));
    if (reader == "hexbyte") return number(_gl_get_hex_byte(f));
    if (reader == "newline") return number(_gl_skip_nl(f));
    if (reader == "blank") return _gl_skip_space_if_needed(f), "0";
    if (reader.rfind("hex", 0) == 0) return number(_gl_get_hex(f, std::stoi(reader.substr(3))));
    // Exactly the size given, so that a sanitizer sees a write past it.
    std::vector<char> buf(std::stoul(reader.substr(5)), '#');
    const int status = _gl_get_str(buf.data(), static_cast<int>(buf.size()), f);
    return std::to_string(status) + " " + buf.data();
}

// Rows of tests/fixtures/gls/objects_tokens: what a reader leaves unread
// matters as much as what it returns.
TEST(Tokens, EveryRowOfTheTable) {
    for (const auto &row : velmorad::testing::fixture_rows("gls/objects_tokens")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string> &f = row.fields;
        FileStream stream(f[1]);
        if (f[0] == "lines") {
            // Every byte handed out in order, the end seen once and for good.
            LineReader reader(stream.get());
            std::string seen;
            for (int c; (c = reader.get()) != EOF;)
                seen += static_cast<char>(c);
            EXPECT_EQ(seen, f[1]);
            EXPECT_EQ(reader.get(), EOF);
            continue;
        }
        EXPECT_EQ(read_token(f[0], stream.get()), f[2]);
        EXPECT_EQ(stream.rest(), f[3]);
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
    for (const std::string &text : texts) {
        const long expected = std::strtol(text.substr(0, 40).c_str(), nullptr, 10);
        FileStream stream(" " + text + ";");
        EXPECT_EQ(_gl_get_int(stream.get()), expected) << text;
        EXPECT_EQ(stream.rest(), ";") << text;
        rewind(stream.get());
        int ahead = _gl_ext_getc(stream.get());
        EXPECT_EQ(_gl_get_int_ahead(stream.get(), &ahead), expected) << text;
        EXPECT_EQ(ahead, ';') << text;
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

// A line is taken only when its first byte is wanted: once a newline has
// been handed out, the stream itself continues at the next line.
TEST(LineReaderBytes, LeavesTheStreamAtTheNextLineAndGivesBackOneByte) {
    FileStream stream("12 34\nrest\n");
    LineReader reader(stream.get());
    EXPECT_EQ(reader.get(), '1');
    reader.unget();
    std::string line;
    for (int c; (c = reader.get()) != '\n';)
        line += static_cast<char>(c);
    EXPECT_EQ(line, "12 34");
    reader.unget();
    EXPECT_EQ(reader.get(), '\n');
    EXPECT_EQ(stream.rest(), "rest\n");
}

}  // namespace
}  // namespace gls
