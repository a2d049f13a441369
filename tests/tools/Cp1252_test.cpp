#include "tools/Cp1252.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Carattere {
    unsigned char byte;
    std::u16string_view utf16;
    std::u8string_view utf8;
};

// 0x80-0x9F of the Windows code page, and the five bytes it leaves undefined carried through as the
// C1 control of the same value, as Windows converts them.
// clang-format off
constexpr Carattere kWindows[] = {
    { 0x80, u"\u20AC", u8"\u20AC" }, { 0x81, u"\u0081", u8"\u0081" }, { 0x82, u"\u201A", u8"\u201A" },
    { 0x83, u"\u0192", u8"\u0192" }, { 0x84, u"\u201E", u8"\u201E" }, { 0x85, u"\u2026", u8"\u2026" },
    { 0x86, u"\u2020", u8"\u2020" }, { 0x87, u"\u2021", u8"\u2021" }, { 0x88, u"\u02C6", u8"\u02C6" },
    { 0x89, u"\u2030", u8"\u2030" }, { 0x8A, u"\u0160", u8"\u0160" }, { 0x8B, u"\u2039", u8"\u2039" },
    { 0x8C, u"\u0152", u8"\u0152" }, { 0x8D, u"\u008D", u8"\u008D" }, { 0x8E, u"\u017D", u8"\u017D" },
    { 0x8F, u"\u008F", u8"\u008F" }, { 0x90, u"\u0090", u8"\u0090" }, { 0x91, u"\u2018", u8"\u2018" },
    { 0x92, u"\u2019", u8"\u2019" }, { 0x93, u"\u201C", u8"\u201C" }, { 0x94, u"\u201D", u8"\u201D" },
    { 0x95, u"\u2022", u8"\u2022" }, { 0x96, u"\u2013", u8"\u2013" }, { 0x97, u"\u2014", u8"\u2014" },
    { 0x98, u"\u02DC", u8"\u02DC" }, { 0x99, u"\u2122", u8"\u2122" }, { 0x9A, u"\u0161", u8"\u0161" },
    { 0x9B, u"\u203A", u8"\u203A" }, { 0x9C, u"\u0153", u8"\u0153" }, { 0x9D, u"\u009D", u8"\u009D" },
    { 0x9E, u"\u017E", u8"\u017E" }, { 0x9F, u"\u0178", u8"\u0178" },
};
// clang-format on

// Two neighbouring entries swapped, or one mistyped, is wrong the same way both ways and survives
// any round trip; every byte of the range is held against its published character instead.
TEST(Cp1252, EveryByteOfTheWindowsRangeIsItsPublishedCharacterBothWays)
{
    for (const Carattere& c : kWindows) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << int(c.byte));
        const std::string byte(1, static_cast<char>(c.byte));
        const std::string utf8(c.utf8.begin(), c.utf8.end());
        EXPECT_EQ(cp1252ToUtf16(byte), c.utf16);
        EXPECT_EQ(cp1252ToUtf8(byte), utf8);
        EXPECT_EQ(utf16ToCp1252(c.utf16), byte);
        EXPECT_EQ(utf8ToCp1252(utf8), byte);
    }
}

// A bound of that range off by one (DEL or the no-break space taken into it): outside it the code
// page is Latin-1, each byte the character of the same value.
TEST(Cp1252, TheOtherBytesAreTheirLatin1Characters)
{
    for (int byte = 0; byte < 256; ++byte) {
        if (byte >= 0x80 && byte < 0xA0)
            continue;
        SCOPED_TRACE(byte);
        const std::string testo(1, static_cast<char>(byte));
        const std::u16string utf16(1, static_cast<char16_t>(byte));
        EXPECT_EQ(cp1252ToUtf16(testo), utf16);
        EXPECT_EQ(utf16ToCp1252(utf16), testo);
    }
    EXPECT_EQ(cp1252ToUtf8("\xE8"), "\xC3\xA8"); // e grave
    EXPECT_EQ(utf8ToCp1252("\xC2\xB0"), "\xB0"); // degree sign
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

} // namespace
