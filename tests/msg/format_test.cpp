// Message texts used as printf formats must fit their callers' arguments.
#include <gtest/gtest.h>

#include "msg/msg.h"

namespace velmorad {
namespace {

TEST(FormatFits, ConversionsMustBeAPrefixOfTheArguments) {
    struct Row {
        const char *text;
        MsgArgs args;
        bool fits;
    };
    const Row rows[] = {
        {"plain\n", MsgArgs::kNone, true},
        {"100%% sure", MsgArgs::kNone, true},
        {"%s", MsgArgs::kNone, false},
        {"file %s\n", MsgArgs::kString, true},
        {"no conversion", MsgArgs::kString, true},
        {"%d", MsgArgs::kString, false},
        {"%s, line %d", MsgArgs::kStringInt, true},
        {"%-20s line %5d", MsgArgs::kStringInt, true},
        {"%.10s", MsgArgs::kStringInt, true},
        {"%d %s", MsgArgs::kStringInt, false},
        {"%s %d %d", MsgArgs::kStringInt, false},
        {"%i", MsgArgs::kInt, true},
        {"%ld", MsgArgs::kInt, false},
        {"%*d", MsgArgs::kInt, false},
        {"%1$d", MsgArgs::kInt, false},
        {"%n", MsgArgs::kInt, false},
        {"%x", MsgArgs::kInt, false},
        {"trailing %", MsgArgs::kNone, false},
        // No field wider than the 512-byte message buffer holds.
        {"%511s %-511.511d", MsgArgs::kStringInt, true},
        {"%512s", MsgArgs::kString, false},
        {"%.512s", MsgArgs::kString, false},
        {"%100000000s", MsgArgs::kString, false},
        {"%99999999999999999999999d", MsgArgs::kInt, false},
    };
    for (const Row &r : rows)
        EXPECT_EQ(msg_format_fits(r.text, r.args), r.fits) << r.text;
}

TEST(FormatFits, UnusableTextFallsBackToTheBuiltInFormat) {
    EXPECT_STREQ(msg_usable_format(-33523, "%s %s", MsgArgs::kStringInt),
                 "  %s, line %d: unknown environment variable\n");
    EXPECT_STREQ(msg_usable_format(-33523, "ok %s %d", MsgArgs::kStringInt), "ok %s %d");
    EXPECT_STREQ(msg_usable_format(12345, "%n", MsgArgs::kNone), "");
}

TEST(ParseFormat, ListsArgumentsAndRefusesTooMany) {
    FormatArg args[2];
    EXPECT_EQ(parse_format("%s and %d and %%", args, 2), 2);
    EXPECT_EQ(args[0], FormatArg::kString);
    EXPECT_EQ(args[1], FormatArg::kInt);
    EXPECT_EQ(parse_format("%s%s%s", args, 2), -1);
}

}  // namespace
}  // namespace velmorad
