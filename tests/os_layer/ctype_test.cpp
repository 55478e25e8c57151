// The character class table: the built-in blanks and case, and the table
// rebuilt from the C library in DBNLS mode.
#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cstdlib>

#include "os_layer/os_layer.h"

namespace velmorad {
namespace {

TEST(ClassTable, BuiltInBlanksAreTabToCrAndSpace) {
    unsetenv("DBNLS");
    EXPECT_EQ(rldctype(), 0);
    for (int c = 0; c < 256; ++c) {
        bool blank = (c >= 0x09 && c <= 0x0D) || c == 0x20;
        EXPECT_EQ(is_space_byte(static_cast<unsigned char>(c)), blank) << "byte " << c;
    }
    EXPECT_EQ(_ix2lowmap['Q'], 'q');
    EXPECT_EQ(_ix2upmap['q'], 'Q');
    EXPECT_EQ(_ix2upmap[0xE9], 0xE9);
}

TEST(ClassTable, DbnlsModeFollowsTheCLibraryAndIsSettledOnce) {
    setenv("DBNLS", "1", 1);
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(rldctype(), 0);
    for (int c = 0; c < 256; ++c) {
        unsigned char bits = 0;
        if (std::isupper(c)) bits |= kClassUpper;
        if (std::islower(c)) bits |= kClassLower;
        if (std::isdigit(c)) bits |= kClassDigit;
        if (std::isspace(c)) bits |= kClassSpace;
        if (std::ispunct(c)) bits |= kClassPunct;
        if (std::iscntrl(c)) bits |= kClassControl;
        if (std::isxdigit(c)) bits |= kClassHex;
        if (std::isprint(c)) bits |= kClassBlankOrPrint;
        EXPECT_EQ(_ixctype[c + 1], bits) << "byte " << c;
    }
    // In the C locale the upper half has no class at all, unlike the
    // built-in table.
    EXPECT_EQ(_ixctype[1 + 0xA0], 0);
    unsetenv("DBNLS");
    EXPECT_EQ(rldctype(), 0);
    EXPECT_EQ(_ixctype[1 + 0xA0], 0);
}

}  // namespace
}  // namespace velmorad
