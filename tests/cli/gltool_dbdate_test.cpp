// gltool date --dbdate and --dbtime: the format a client derives from the
// value, through the client's own translators, then a date formatted by it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace velmorad {
namespace {

TEST(GltoolDbdate, PrintsTheDerivedFormatThenTheDateFormattedByIt) {
    const testing::Environment env = {{"VELMORADDIR", testing::build_installation()}};
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;  // a piece of standard error
    } rows[] = {
        {{"--dbdate", "DMY4.", "de_DE.8859-1"}, 0, "%d.%m.%iY\n23.04.2024\n", ""},
        {{"--dbdate", "MD", "en_US.819"}, 0, "%m/%d/\n04/23/\n", ""},
        {{"--dbdate", "GY4MD/", "ja_JP.utf8"}, 0, "%Eg%04.4Ey/%m/%d\n令和0006/04/23\n", ""},
        {{"--dbdate", "EY4EY4EY4/", "ja_JP.utf8"},
         0,
         "%EC%04.4Ey/%EC%04.4Ey/%EC%04.4Ey\n令和0006/令和0006/令和0006\n",
         ""},
        {{"--dbdate", "Y4MD-", "he_IL.utf8@hebrew"}, 0, "%iY-%m-%d\n5784-08-15\n", ""},
        // The old notation's "." stays before the library's %iF, which
        // writes its own point.
        {{"--dbtime", "%Y-%m-%d %H:%M:%S.%F3", "de_DE.8859-1"},
         0,
         "%04Y-%02m-%02d %02H:%02M:%02S%iF3\n2024-04-23 09:05:07.123\n",
         ""},
        {{"--dbtime", "%d.%m.%YJ2", "ja_JP.utf8"}, 0, "%d.%m.%EC%04.4Ey\n23.04.令和0006\n", ""},
        {{"--dbdate", "Y3MD/", "de_DE.8859-1"},
         1,
         "",
         "DBDATE \"Y3MD/\": -1212 Date conversion format must contain a month, day, and year"},
        {{"--dbtime", "%H:%M:%S %", "de_DE.8859-1"}, 1, "", "-1276 A time format ends inside"},
        {{"--dbtime", "%5:", "de_DE.8859-1"}, 1, "", "-1275 A time format directive has no"},
        {{"--dbdate", "DMY4", "--dbtime", "%H", "de_DE.8859-1"}, 2, "", "one format at most"},
        {{"--dbdate", "DMY4", "de_DE.8859-1", "%d"}, 2, "", "one format at most"},
    };
    for (const auto &row : rows) {
        std::vector<std::string> args = {"date", "-d", "2024-04-23 09:05:07.123456"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        SCOPED_TRACE(row.args[1]);
        const testing::RunResult r = testing::run_program(GLTOOL_BIN, args, env);
        EXPECT_EQ(r.status, row.status) << r.err;
        EXPECT_EQ(r.out, row.out);
        EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace velmorad
