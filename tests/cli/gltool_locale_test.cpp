// gltool's locale subcommands as whole programs on the build tree's
// installation: sort beside the library's own comparison, ctype on letters
// whose classes, case and width the sources fix, info with the header lccomp
// writes, and the ways a locale can be named or fail to load.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "gls/chars/chars.h"
#include "gls/names/names.h"
#include "gls/util/util.h"
#include "tests/support/owners.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

testing::RunResult gltool(const std::vector<std::string> &args, const std::string &input = {},
                          const std::string &installation = testing::build_installation()) {
    std::signal(SIGPIPE, SIG_IGN);
    testing::Environment env;
    if (!installation.empty()) env["VELMORADDIR"] = installation;
    return testing::run_program(GLTOOL_BIN, args, env, {}, input);
}

using testing::fields_of;
using testing::lines_of;

// The locale loaded in this process, the way gltool loads it.
gls::testing::LocalePtr load(const std::string &spec) {
    const std::string installation = testing::build_installation();
    uint32_t error = 0;
    gls::gl_cache_registry(&error, (installation + "/gls/cm3/registry").c_str());
    char fname[gls::kLcFnameSize] = {};
    EXPECT_EQ(gls::gl_lc_spec2lc_fname(&error, spec.c_str(), fname, nullptr, nullptr), 0);
    setenv("GL_PATH", (installation + "/gls/lc11").c_str(), 1);
    gls::Locale *loc = nullptr;
    EXPECT_EQ(gls::gl_create_null_locale_4(&loc), 0);
    gls::gl_destroystring(gls::gl_setlocale_4(loc, gls::kCatAll, fname));
    EXPECT_EQ(loc->error, 0u) << spec;
    return gls::testing::LocalePtr(loc);
}

TEST(GltoolSort, OrdersAsTheLocalesComparisonDoesFromFilesAndStandardInput) {
    struct Row {
        std::string spec;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"de_DE.8859-1",
         {"\xdc"
          "bel",
          "Zebra", "apfel",
          "\xc4"
          "pfel",
          "\xe4"
          "pfel",
          "Apfel", "", "zu",
          "\xfc"
          "ber",
          "Stra\xdf"
          "e",
          "Strasse", "10", "9", "a b", "ab", "apfel"}},
        {"ja_JP.utf8",
         {"\xe3\x81\x8b\xe3\x81\xaa", "", "\xe3\x82\xab\xe3\x83\x8a", "\xe6\xbc\xa2\xe5\xad\x97",
          "kana", "\xef\xbd\x8b\xef\xbd\x81\xef\xbd\x8e\xef\xbd\x81", "Kana"}},
        {"ru_RU.koi-8",
         {"\xd1\xc2\xcc\xcf\xcb\xcf", "\xc1\xc2\xd2\xc9\xcb\xcf\xd3", "Abc", "\xe1"}},
    };
    testing::TempDir dir;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.spec);
        auto loc = load(row.spec);
        std::vector<std::string> expected = row.lines;
        std::stable_sort(
            expected.begin(), expected.end(), [&](const std::string &a, const std::string &b) {
                return loc->primitives.mbscoll(
                           loc.get(), reinterpret_cast<const unsigned char *>(a.c_str()),
                           reinterpret_cast<const unsigned char *>(b.c_str())) < 0;
            });
        std::string input;
        for (const std::string &line : row.lines)
            input += line + "\n";
        std::string want;
        for (const std::string &line : expected)
            want += line + "\n";

        testing::RunResult piped = gltool({"sort", row.spec}, input);
        EXPECT_EQ(piped.status, 0) << piped.err;
        EXPECT_EQ(piped.out, want);
        // From a file whose last line has no newline: it still ends one.
        testing::write_file(dir / "lines", input.substr(0, input.size() - 1));
        testing::RunResult filed = gltool({"sort", row.spec, dir / "lines"});
        EXPECT_EQ(filed.status, 0) << filed.err;
        EXPECT_EQ(filed.out, want);
    }
    testing::RunResult empty = gltool({"sort", "en_US.8859-1"}, "");
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(empty.out, "");
}

TEST(GltoolCtype, DescribesEachCharacterAsItsLocaleDefinesIt) {
    struct Char {
        std::string bytes;  // hex
        std::string upper;  // hex of the wide value
        std::string lower;
        std::string width;
        std::vector<std::string> classes;  // all of them must be there
        std::vector<std::string> absent;   // none of them
    };
    struct Row {
        std::string spec;
        std::string text;
        std::vector<Char> chars;
    };
    const Row rows[] = {
        {"de_DE.8859-1",
         "\xe4"
         "F7 \n",
         {{"e4", "0xc4", "0xe4", "1", {"lower", "alpha", "print"}, {"upper", "digit"}},
          {"46", "0x46", "0x66", "1", {"upper", "alpha", "xdigit"}, {"lower"}},
          {"37", "0x37", "0x37", "1", {"digit", "xdigit", "graph"}, {"alpha"}},
          {"20", "0x20", "0x20", "1", {"space", "blank", "print"}, {"graph"}},
          {"0a", "0xa", "0xa", "-", {"space", "cntrl"}, {"print", "blank"}}}},
        {"ja_JP.utf8",
         "\xe3\x81\x82\xef\xbd\x81"
         "a",
         {{"e38182", "0xe38182", "0xe38182", "2", {"jhira", "full_width", "print"}, {"upper"}},
          {"efbd81", "0xefbca1", "0xefbd81", "2", {"lower", "full_width"}, {"jhira"}},
          {"61", "0x41", "0x61", "1", {"lower", "alpha"}, {"full_width", "jhira"}}}},
        {"ru_RU.8859-5", "\xef", {{"ef", "0xcf", "0xef", "1", {"lower", "alpha"}, {"upper"}}}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.spec);
        // The text as an argument and on standard input.
        for (const auto &r :
             {gltool({"ctype", row.spec, row.text}), gltool({"ctype", row.spec}, row.text)}) {
            EXPECT_EQ(r.status, 0) << r.err;
            const std::vector<std::string> lines = lines_of(r.out);
            ASSERT_EQ(lines.size(), row.chars.size()) << r.out;
            for (size_t i = 0; i < lines.size(); ++i) {
                const Char &c = row.chars[i];
                const std::vector<std::string> f = fields_of(lines[i]);
                ASSERT_EQ(f.size(), 7u) << lines[i];
                EXPECT_EQ(f[1], "bytes " + c.bytes);
                EXPECT_EQ(f[2], "wide 0x" + c.bytes.substr(c.bytes.find_first_not_of('0')));
                EXPECT_EQ(f[3].substr(f[3].rfind(' ') + 1), c.upper) << f[3];
                EXPECT_EQ(f[4].substr(f[4].rfind(' ') + 1), c.lower) << f[4];
                EXPECT_EQ(f[5], "width " + c.width);
                const std::string classes = " " + f[6] + " ";
                for (const std::string &name : c.classes)
                    EXPECT_NE(classes.find(" " + name + " "), std::string::npos) << lines[i];
                for (const std::string &name : c.absent)
                    EXPECT_EQ(classes.find(" " + name + " "), std::string::npos) << lines[i];
            }
        }
    }

    // Bytes that are not a character are shown and make the run fail; the
    // characters around them are still described.
    const testing::RunResult bad = gltool({"ctype", "ja_JP.utf8", "a\xff\x62\xe3\x81"});
    EXPECT_EQ(bad.status, 1);
    const std::vector<std::string> lines = lines_of(bad.out);
    ASSERT_EQ(lines.size(), 4u) << bad.out;
    EXPECT_EQ(lines[1], "-\tbytes ff\tnot a character");
    EXPECT_EQ(fields_of(lines[2])[1], "bytes 62");
    EXPECT_EQ(lines[3], "-\tbytes e381\tnot a character");
    EXPECT_NE(bad.err.find("not characters of the code set"), std::string::npos) << bad.err;
}

TEST(GltoolInfo, ShowsTheHeaderLccompWroteAndEveryItem) {
    const std::string installation = testing::build_installation();
    const std::string file = installation + "/gls/lc11/ja_jp/e01c.lco";
    const std::vector<std::string> header = lines_of(testing::read_file(file));
    testing::TempDir dir;
    testing::write_file(dir / "copy.lco", testing::read_file(file));
    // A specification, the path of a file, and the alias.
    for (const auto &[args, path] :
         {std::pair{std::vector<std::string>{"info", "ja_JP.utf8"}, file},
          std::pair{std::vector<std::string>{"info", dir / "copy.lco"}, dir / "copy.lco"},
          std::pair{std::vector<std::string>{"locale", "JA_jp.UTF8"}, file}}) {
        SCOPED_TRACE(args.back());
        const testing::RunResult r = gltool(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<std::string> lines = lines_of(r.out);
        ASSERT_GT(lines.size(), 80u);
        EXPECT_EQ(lines[0], "file\t" + path);
        size_t headers = 0;
        size_t eras = 0;
        size_t digits = 0;
        size_t era_lines = 0;
        for (const std::string &line : lines) {
            const std::vector<std::string> f = fields_of(line);
            if (f[0] == "header") {
                ASSERT_LT(headers, header.size());
                EXPECT_EQ(f[1], header[headers]);
                ++headers;
            }
            if (f[0] == "66") ++eras;
            if (f[0] == "70") ++digits;
            if (f[0] == "15") {
                EXPECT_EQ(line, "15\tMON_1\t1\xe6\x9c\x88");
            }
            if (f[0] == "60") {
                EXPECT_EQ(line, "60\tCODESET\tutf8");
            }
            if (f[0] == "73") {
                EXPECT_EQ(line, "73\tCALENDAR\tgregorian");
            }
            if (f[0] == "era") ++era_lines;
        }
        EXPECT_EQ(era_lines, 11u);
        EXPECT_NE(r.out.find("\ncalendar\tgregorian\n"), std::string::npos);
        EXPECT_NE(r.out.find("\nera\t1\t+1\t2\t2020-01-01\topen\t\xe4\xbb\xa4\xe5\x92\x8c\t"),
                  std::string::npos);
        EXPECT_NE(r.out.find("\nera\t11\t-1\t1\t0000-12-31\topen\t"), std::string::npos);
        EXPECT_NE(r.out.find("\nalt_digits\t100\n"), std::string::npos);
        // The header lines and the code-set line after them.
        ASSERT_GE(headers, 8u);
        const std::string count_line = header[2];
        EXPECT_EQ(headers, std::stoul(count_line.substr(count_line.find('=') + 1)) + 1);
        EXPECT_EQ(header[headers - 1], "utf8");
        for (const char *key :
             {"SOURCE=ja_JP", "CHARMAP=UTF-8", "LCCOMP_VERSION=", "COLLATION_VERSION="}) {
            EXPECT_NE(r.out.find(std::string("\nheader\t") + key), std::string::npos) << key;
        }
        EXPECT_EQ(eras, 11u);
        EXPECT_EQ(digits, 100u);
        // Twelve months: items 27 to 34 are not the locale's.
        EXPECT_EQ(r.out.find("\n27\tMON_13"), std::string::npos);
        EXPECT_NE(r.out.find("\n26\tMON_12\t"), std::string::npos);
    }
    const testing::RunResult fallback = gltool({"info", "default.lco"});
    EXPECT_EQ(fallback.status, 0) << fallback.err;
    EXPECT_NE(fallback.out.find("\nheader\tSOURCE=en_US\n"), std::string::npos);
}

// A date given or now, in a locale's own format or the one given; a
// directive that cannot be formatted is named with its column.
TEST(GltoolDate, FormatsTheDateItIsGivenOrTheTimeNow) {
    struct Row {
        std::vector<std::string> args;
        int status;
        std::string out;  // the whole output
        std::string err;  // a part of the errors
    } rows[] = {
        {{"-d", "2024-05-03 09:05:07", "de_DE.8859-1"}, 0, "Fr 03 Mai 2024 09:05:07\n", ""},
        {{"-d", "2024-05-05 21:05:07.25", "en_US.8859-1", "%A %j %u %w %I%p %iF3 %D"},
         0,
         "Sunday 126 07 00 09PM .250 05/05/24\n",
         ""},
        {{"-d", "2019-04-30", "ja_JP.utf8", "%EY|%Ex"}, 0, "平成31年|平成31年04月30日\n", ""},
        {{"-d", "2019-05-01", "ja_JP.utf8", "%EY %EC%Ey %.1OH"}, 0, "令和元年 令和01 〇\n", ""},
        {{"-d", "1000-01-01", "ja_JP.ujis", "%EC%Ey"},
         0,
         "\xc0\xbe\xce\xf1"
         "1000\n",
         ""},
        {{"-d", "2024-05-03", "th_TH.thai620", "%EC %Ey"}, 0, "\xbe.\xc8. 2567\n", ""},
        {{"-d", "2024-05-03", "de_DE.8859-1", "%d.%Q"},
         1,
         "",
         "%Q at column 4: an unknown directive"},
        {{"-d", "2024-05-03", "de_DE.8859-1", "%e %-5.;d"},
         1,
         "",
         "%-5.; at column 4: a \".\" followed by neither"},
        {{"-d", "2024-02-30", "de_DE.8859-1"}, 2, "", "\"2024-02-30\" is not a date"},
        {{"-d", "2024-05-03 9:05", "de_DE.8859-1"}, 2, "", "is not a date"},
        {{"-d", "2024-05-03 09:05:07.", "de_DE.8859-1"}, 2, "", "is not a date"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.args.back());
        std::vector<std::string> args = {"date"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const testing::RunResult r = gltool(args);
        EXPECT_EQ(r.status, row.status) << r.err;
        EXPECT_EQ(r.out, row.out);
        EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
    }
    // Now, in UTC: this year (unless the year turned during the run).
    const time_t before = time(nullptr);
    const testing::RunResult r = gltool({"date", "-u", "de_DE.utf8", "%Y"});
    struct tm tm {};
    gmtime_r(&before, &tm);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::to_string(tm.tm_year + 1900) + "\n");
}

TEST(GltoolLocale, EverySubcommandSaysWhyALocaleFails) {
    testing::TempDir empty;
    struct Row {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
        std::string installation = testing::build_installation();
    };
    const Row rows[] = {
        {{"sort", "german"}, 1, "", "\"german\" is not a locale the registry knows"},
        {{"ctype", "de_DE.nonesuch", "x"}, 1, "", "is not a locale the registry knows"},
        // A code set the registry knows, but no such file in the installation.
        {{"info", "de_DE.8859-7"}, 1, "", "cannot load de_DE.8859-7 (de_de/032d.lco under "},
        {{"info", "de_DE.8859-1"}, 1, "", "registry: cannot open", empty.path()},
        {{"sort", "de_DE.8859-1", "/nonexistent/file"}, 1, "", "/nonexistent/file: "},
        {{"info", "/nonexistent/x.lco"}, 1, "", "cannot load /nonexistent/x.lco"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.args.empty() ? "(none)" : row.args.back());
        const testing::RunResult r = gltool(row.args, "x\n", row.installation);
        EXPECT_EQ(r.status, row.status) << r.err;
        EXPECT_NE(r.out.find(row.out), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace velmorad
