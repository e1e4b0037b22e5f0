#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace platform;

// Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves
// unassigned stand for the C1 control of the same number.
const char16_t kHighHalf[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t Cp1252(unsigned byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHighHalf[byte - 0x80] : static_cast<char16_t>(byte);
}

TEST(CodePage, EveryByteMapsToItsCharacterAndBack) {
    for (unsigned b = 1; b < 256; ++b) {
        const std::string ansi(1, static_cast<char>(b));
        const std::u16string wide(1, Cp1252(b));
        EXPECT_EQ(Windows1252ToWide(ansi), wide) << std::hex << b;
        EXPECT_EQ(AnsiToWide(ansi), wide) << std::hex << b;
        EXPECT_EQ(WideToAnsi(wide), ansi) << std::hex << b;
        EXPECT_FALSE(IsLeadByte(static_cast<unsigned char>(b))) << std::hex << b;
    }
    EXPECT_EQ(AnsiToWide("\x80"), u"\u20AC");
    EXPECT_EQ(WideToAnsi(u"\u20AC 5"), "\x80 5");
    EXPECT_EQ(AnsiToWide(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
    EXPECT_EQ(WideToAnsi(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(AnsiToWide(""), u"");
    EXPECT_EQ(WideToAnsi(u""), "");
}

TEST(CodePage, CharactersWithoutAByteBecomeQuestionMarks) {
    struct Case {
        std::u16string wide;
        std::string ansi;
    } cases[] = {
        {u"\u4E2D", "?"},          {u"x\u4E2Dy", "x?y"},  {u"\u0100", "?"}, // no best fit: not "A"
        {u"\u0080", "?"},                                 // 0x80 is the euro sign, not this control
        {u"\u2260", "?"},          {u"\U0001F600", "??"}, // each half of the pair on its own
        {u"a\U0001F600b", "a??b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WideToAnsi(c.wide), c.ansi) << c.ansi;
}

TEST(CodePage, NextCharOffsetStepsOneByteAndStopsAtTheEnd) {
    const std::string text = "a\x80\xE9\x9D";
    for (size_t pos = 0; pos < text.size(); ++pos)
        EXPECT_EQ(NextCharOffset(text, pos), pos + 1);
    EXPECT_EQ(NextCharOffset(text, text.size()), text.size());
    EXPECT_EQ(NextCharOffset(text, text.size() + 5), text.size());
    EXPECT_EQ(NextCharOffset("", 0), 0u);
}

TEST(Utf8, ValidTextDecodesToUtf16) {
    struct Case {
        std::string utf8;
        std::u16string wide;
    } cases[] = {
        {"", u""},
        {"plain", u"plain"},
        {"\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xEF\xBF\xBD", u"\uFFFD"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"\xC2\x80\xDF\xBF\xE0\xA0\x80", u"\u0080\u07FF\u0800"},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const auto& c : cases) {
        std::u16string out = u"old";
        EXPECT_TRUE(Utf8ToWide(c.utf8, &out)) << c.utf8;
        EXPECT_EQ(out, c.wide) << c.utf8;
        bool multiByte = false;
        EXPECT_TRUE(IsValidUtf8(c.utf8, &multiByte)) << c.utf8;
        EXPECT_EQ(multiByte, c.utf8.size() != c.wide.size()) << c.utf8;
        EXPECT_EQ(WideToUtf8(c.wide), c.utf8);
    }
}

TEST(Utf8, InvalidTextIsRefusedAndLeavesTheOutputAlone) {
    const std::string cases[] = {
        "\xC0\xAF",                 // overlong "/"
        "\xC1\xBF",                 // overlong
        "\xE0\x80\xAF",             // overlong
        "\xF0\x80\x80\xAF",         // overlong
        "\xED\xA0\x80",             // a high surrogate
        "\xED\xBF\xBF",             // a low surrogate
        "\xED\xA0\xBD\xED\xB8\x80", // a pair encoded as two (CESU-8)
        "\xF4\x90\x80\x80",         // above U+10FFFF
        "\xE2\x82",                 // truncated
        "abc\xF0\x9F\x98",          // truncated at the end
        "\xC3",                     // lead byte alone
        "\x80",                     // continuation byte alone
        "a\xC3(b",                  // continuation missing
        "\xFE",
        "\xFF",
        "\xF8\x88\x80\x80\x80",
        "\xE9t\xE9", // Windows-1252, not UTF-8
    };
    for (const auto& c : cases) {
        std::u16string out = u"untouched";
        EXPECT_FALSE(Utf8ToWide(c, &out)) << c;
        EXPECT_EQ(out, u"untouched");
        EXPECT_FALSE(IsValidUtf8(c)) << c;
    }
}

TEST(Utf8, LoneSurrogatesBecomeTheReplacementCharacter) {
    EXPECT_EQ(WideToUtf8(std::u16string(1, char16_t(0xD83D))), "\xEF\xBF\xBD");
    EXPECT_EQ(WideToUtf8(std::u16string{u'a', char16_t(0xDE00), u'b'}), "a\xEF\xBF\xBD"
                                                                        "b");
    EXPECT_EQ(WideToUtf8(std::u16string{char16_t(0xDE00), char16_t(0xD83D)}),
              "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Latin1, EveryByteIsTheCharacterOfTheSameNumber) {
    std::string all;
    std::u16string expected;
    for (unsigned b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
        expected.push_back(static_cast<char16_t>(b));
    }
    EXPECT_EQ(Latin1ToWide(all), expected);
    EXPECT_EQ(Latin1ToWide("\x80"), u"\u0080"); // not the euro sign of 1252
    EXPECT_EQ(Latin1ToWide(""), u"");
}

} // namespace
