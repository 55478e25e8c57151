// Message texts used as printf formats must fit their callers' arguments.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "msg/msg.h"
#include "tests/support/test_support.h"

namespace velmorad {
namespace {

// The rows of tests/fixtures/msg/formats: the conversions must be a prefix
// of the arguments.
TEST(FormatFits, ConversionsMustBeAPrefixOfTheArguments) {
    const std::map<std::string, MsgArgs> kArgs = {{"None", MsgArgs::kNone},
                                                  {"String", MsgArgs::kString},
                                                  {"StringInt", MsgArgs::kStringInt},
                                                  {"Int", MsgArgs::kInt}};
    for (const testing::FixtureRow &row : testing::fixture_rows("msg/formats")) {
        EXPECT_EQ(msg_format_fits(row.fields[0].c_str(), kArgs.at(row.fields[1])),
                  row.fields[2] == "yes")
            << row.where;
    }
}

TEST(FormatFits, UnusableTextFallsBackToTheBuiltInFormat) {
    EXPECT_STREQ(msg_usable_format(-33523, "%s %s", MsgArgs::kStringInt),
                 "  %s, line %d: unknown environment variable\n");
    EXPECT_STREQ(msg_usable_format(-33523, "ok %s %d", MsgArgs::kStringInt), "ok %s %d");
    EXPECT_STREQ(msg_usable_format(12345, "%n", MsgArgs::kNone), "");
}

}  // namespace
}  // namespace velmorad
