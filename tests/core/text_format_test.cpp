#include "util/text_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace gvc {
namespace {

TEST(FormatIntZero, PadsAndSigns) {
    struct Case {
        std::int32_t value;
        int width;
        const char* text;
    };
    const Case cases[] = {
        {7, 2, "07"},
        {1400, 7, "0001400"},
        {-5, 3, "-05"},
        {123, 2, "123"},
        {0, 3, "000"},
        {-1, 1, "-1"},
        {-1, 0, "-1"},
        {0, 0, "0"},
        {5, -3, "5"},
        {-42, 2, "-42"},
        {255, 3, "255"},
        {std::numeric_limits<std::int32_t>::min(), 1, "-2147483648"},
        {std::numeric_limits<std::int32_t>::max(), 12, "002147483647"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatIntZero(c.value, c.width), c.text) << c.value << " width " << c.width;
}

TEST(PadSpaces, AddsNeverCuts) {
    EXPECT_EQ(PadLeftSpaces("ab", 3), "   ab");
    EXPECT_EQ(PadLeftSpaces("ab", 0), "ab");
    EXPECT_EQ(PadLeftSpaces("ab", -2), "ab");
    EXPECT_EQ(PadRightSpaces("abc", 5), "abc  ");
    EXPECT_EQ(PadRightSpaces("abcdef", 3), "abcdef");
    EXPECT_EQ(PadRightSpaces("", 77), std::string(77, ' '));
    EXPECT_EQ(PadRightSpaces("x", -1), "x");
}

TEST(FormatSerial, GroupsOfTwoThreeThree) {
    EXPECT_EQ(FormatSerial(1234567), "01.234.567");
    EXPECT_EQ(FormatSerial(16777215), "16.777.215");
    EXPECT_EQ(FormatSerial(0), "00.000.000");
    EXPECT_EQ(FormatSerial(12345), "00.012.345");
}

TEST(FormatPowerOfTwo, GainTexts) {
    EXPECT_EQ(FormatPowerOfTwo(0), "01");
    EXPECT_EQ(FormatPowerOfTwo(3), "08");
    EXPECT_EQ(FormatPowerOfTwo(7), "128");
    EXPECT_EQ(FormatPowerOfTwo(-1), "00");
    EXPECT_EQ(FormatPowerOfTwo(40), "1099511627776");  // no overflow for odd codes
}

TEST(FormatTenths, RightAlignedOneDecimal) {
    struct Case {
        std::int32_t tenths;
        const char* text;
    };
    const Case cases[] = {{235, " 23.5"},    {-42, " -4.2"},
                          {-5, " -0.5"},     {0, "  0.0"},
                          {12345, "1234.5"}, {-9, " -0.9"},
                          {9, "  0.9"},      {-10, " -1.0"},
                          {-1234, "-123.4"}, {std::numeric_limits<std::int32_t>::min(), "-214748364.8"}};
    for (const Case& c : cases)
        EXPECT_EQ(FormatTenths(c.tenths), c.text) << c.tenths;
}

TEST(RoundHalfAway, HalvesAwayFromZero) {
    struct Case {
        double x;
        std::int32_t rounded;
    };
    const Case cases[] = {{2.5, 3},   {2.49, 2}, {-2.5, -3},
                          {-0.7, -1}, {-0.3, 0}, {0.5, 1},
                          {-0.5, -1}, {0.0, 0},  {1000 * 0.87890625 * 256.0 / 225.0, 1000}};
    for (const Case& c : cases)
        EXPECT_EQ(RoundHalfAway(c.x), c.rounded) << c.x;
}

TEST(RoundHalfAway, NeverUndefinedOutsideTheRange) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(RoundHalfAway(std::nan("")), 0);
    EXPECT_EQ(RoundHalfAway(std::numeric_limits<double>::infinity()), kMax);
    EXPECT_EQ(RoundHalfAway(-std::numeric_limits<double>::infinity()), kMin);
    EXPECT_EQ(RoundHalfAway(1e12), kMax);
    EXPECT_EQ(RoundHalfAway(-1e12), kMin);
    EXPECT_EQ(RoundHalfAway(2147483646.5), kMax);
    EXPECT_EQ(RoundHalfAway(-2147483647.5), kMin);
}

TEST(TrimTrailingSpaces, OverwritesSpacesButKeepsTheFirstCharacter) {
    struct Case {
        std::string buffer;
        std::string text;
    };
    const std::vector<Case> cases = {{"AB  ", "AB"}, {"   ", " "},  {" ", " "},
                                     {"", ""},       {" A ", " A"}, {"A B", "A B"}};
    for (const Case& c : cases) {
        std::vector<char> buffer(c.buffer.begin(), c.buffer.end());
        buffer.push_back('\0');
        EXPECT_EQ(TrimTrailingSpaces(buffer), c.text) << "[" << c.buffer << "]";
        EXPECT_EQ(std::string(buffer.data()), c.text);
        // Every removed space became a zero byte.
        for (std::size_t i = c.text.size(); i < c.buffer.size(); ++i)
            EXPECT_EQ(buffer[i], '\0');
    }
}

TEST(TrimRight, AllSpaceFieldBecomesEmpty) {
    EXPECT_EQ(TrimRight("CO   "), "CO");
    EXPECT_EQ(TrimRight("    "), "");
    EXPECT_EQ(TrimRight("  x"), "  x");
}

}  // namespace
}  // namespace gvc
