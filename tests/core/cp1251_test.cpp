#include "util/cp1251.h"

#include <gtest/gtest.h>

namespace gvc {
namespace {

using namespace gvc::literals;

TEST(Cp1251, LiteralsAreSingleBytes) {
    constexpr std::string_view oxygen = "Кислород"_cp;
    static_assert(oxygen.size() == 8);
    EXPECT_EQ(oxygen, "\xCA\xE8\xF1\xEB\xEE\xF0\xEE\xE4");
    EXPECT_EQ("№"_cp, "\xB9");
    EXPECT_EQ("ЁёЇ—«»"_cp, "\xA8\xB8\xAF\x97\xAB\xBB");
}

TEST(Cp1251, EveryByteRoundTripsThroughUtf8) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(Cp1251FromUtf8(Utf8FromCp1251(all)), all);
}

TEST(Cp1251, Utf8Conversion) {
    EXPECT_EQ(Utf8FromCp1251("\xCA\xE8\xF1\xEB\xEE\xF0\xEE\xE4"), "Кислород");
    EXPECT_EQ(Cp1251FromUtf8("мг/м3"), "мг/м3"_cp);
}

TEST(Cp1251, UnencodableAndMalformedInputBecomesQuestionMarks) {
    EXPECT_EQ(Cp1251FromUtf8("a\u4e2db"), "a?b");  // a CJK character
    EXPECT_EQ(Cp1251FromUtf8("a\xFF"
                             "b"),
              "a?b");                        // not UTF-8 at all
    EXPECT_EQ(Cp1251FromUtf8("\xD0"), "?");  // cut sequence at the end
    EXPECT_FALSE(IsCp1251Encodable("\u4e2d"));
    EXPECT_TRUE(IsCp1251Encodable("Тип_03-01 №5"));
}

}  // namespace
}  // namespace gvc
