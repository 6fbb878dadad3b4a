// Windows-1251 <-> UTF-16, the conversion of path texts for the Windows
// wide-character file API.
#include <gtest/gtest.h>

#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;

TEST(Cp1251Utf16, CyrillicPathBothWays) {
    const std::string_view path = "D:\\ВЕЛМОР_Датчики\\Отчет\\REPORT.log"_cp;
    const std::u16string wide = Utf16FromCp1251(path);
    EXPECT_EQ(wide, u"D:\\ВЕЛМОР_Датчики\\Отчет\\REPORT.log");
    EXPECT_EQ(Cp1251FromUtf16(wide), path);
}

TEST(Cp1251Utf16, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::u16string wide = Utf16FromCp1251(all);
    EXPECT_EQ(wide.size(), all.size());
    EXPECT_EQ(Cp1251FromUtf16(wide), all);
    EXPECT_EQ(wide[0xB9 - 1], u'№');
}

TEST(Cp1251Utf16, CharactersWithoutAByteBecomeQuestionMarks) {
    EXPECT_EQ(Cp1251FromUtf16(u"a\u00E9b"), "a?b");      // é is not in Windows-1251
    EXPECT_EQ(Cp1251FromUtf16(u"x\U0001F600y"), "x?y");  // a surrogate pair is one character
    EXPECT_EQ(Cp1251FromUtf16(std::u16string(1, char16_t{0xD800})), "?");  // a lone surrogate
}

}  // namespace
}  // namespace gvc
