#include "tools/Cp1252.h"

#include <gtest/gtest.h>

TEST(Cp1252, RoundTripsEveryDefinedByteThroughUtf8AndUtf16)
{
    std::string tutti;
    for (int byte = 1; byte < 256; ++byte)
        tutti += static_cast<char>(byte);
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(tutti)), tutti);
    EXPECT_EQ(utf16ToCp1252(cp1252ToUtf16(tutti)), tutti);
}

TEST(Cp1252, MapsTheWindowsRangeToItsOwnCharacters)
{
    EXPECT_EQ(cp1252ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(cp1252ToUtf8("\xE8"), "\xC3\xA8"); // e grave
    EXPECT_EQ(cp1252ToUtf16("\x93\x94"), u"\u201C\u201D");
    EXPECT_EQ(utf8ToCp1252("\xC2\xB0"), "\xB0"); // degree sign
    EXPECT_EQ(utf16ToCp1252(u"\u0152"), "\x8C");
}

TEST(Cp1252, CharactersItCannotHoldBecomeQuestionMarks)
{
    EXPECT_EQ(utf8ToCp1252("a\xE2\x88\x9E"
                           "b"),
        "a?b"); // infinity
    EXPECT_EQ(utf8ToCp1252("\xF0\x9F\x98\x80"), "?"); // emoji, one character
    EXPECT_EQ(utf16ToCp1252(u"\U0001F600x"), "?x"); // surrogate pair, one character
    EXPECT_EQ(utf8ToCp1252("\xC3"), "?"); // truncated sequence
    EXPECT_EQ(utf8ToCp1252("\xC0\xAF"), "?"); // overlong form
}

TEST(Cp1252, RecognisesValidUtf8)
{
    EXPECT_TRUE(isValidUtf8("plain"));
    EXPECT_TRUE(isValidUtf8("citt\xC3\xA0"));
    EXPECT_FALSE(isValidUtf8("citt\xE0"));
    EXPECT_EQ(utf16ToUtf8(utf8ToUtf16("D'Amico \xC3\xA8 \xF0\x9F\x98\x80")), "D'Amico \xC3\xA8 \xF0\x9F\x98\x80");
}
