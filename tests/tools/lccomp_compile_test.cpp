// lccomp's translation of time formats into the formatter's directives: the
// rows of tests/fixtures/lccomp/time_formats. The rest of a compilation is
// checked on the loaded file (tests/cli/lccomp_test.cpp) and beside the C
// library (tests/glibc).
#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "tools/lccomp/compile.h"

namespace velmorad::tools {
namespace {

TEST(TimeFormat, KeepsTheFormattersDirectivesAndDropsTheRestWithTheirBlank) {
    for (const velmorad::testing::FixtureRow &row :
         velmorad::testing::fixture_rows("lccomp/time_formats")) {
        SCOPED_TRACE(row.where);
        ASSERT_EQ(row.fields.size(), 3u);
        CharString in;
        for (std::string_view utf8 = row.fields[0]; !utf8.empty();) {
            uint32_t code = 0;
            utf8.remove_prefix(decode_utf8(utf8, &code));
            in.push_back(unicode_name(code));
        }
        std::vector<std::string> dropped;
        std::string out;
        for (const std::string &name : translate_time_format(in, &dropped))
            out += static_cast<char>(unicode_of(name));
        EXPECT_EQ(out, row.fields[1]);
        std::string joined;
        for (const std::string &d : dropped)
            joined += (joined.empty() ? "" : " ") + d;
        EXPECT_EQ(joined, row.fields[2]);
    }
}

}  // namespace
}  // namespace velmorad::tools
