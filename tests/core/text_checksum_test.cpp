#include "util/text_checksum.h"

#include <gtest/gtest.h>

#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;

// The simulator line of the table file counts 0 0 И м и т а т о р into
// S3 S2 S1 S0 S3 S2 S1 S0 S3 S2.
TEST(TextFileChecksum, SimulatorLineExample) {
    TextFileChecksum sum;
    sum.AddLine(std::string("|00|Имитатор                        |                |"_cp) + "\r\n");
    EXPECT_EQ(sum.Sum(0), 478);
    EXPECT_EQ(sum.Sum(1), 424);
    EXPECT_EQ(sum.Sum(2), 530);
    EXPECT_EQ(sum.Sum(3), 518);
    EXPECT_EQ(sum.Trailer(), std::string("\x01\xDE\x01\xA8\x02\x12\x02\x06", 8));
    EXPECT_TRUE(sum.MatchesTrailer(std::string("\x01\xDE\x01\xA8\x02\x12\x02\x06", 8)));
}

TEST(TextFileChecksum, SkipsRulesAndRestartsRotationEveryLine) {
    TextFileChecksum sum;
    sum.AddLine("|-- =|\r\n");  // nothing counted
    sum.AddLine("ab");
    sum.AddLine("c");
    EXPECT_EQ(sum.Sum(3), 'a' + 'c');
    EXPECT_EQ(sum.Sum(2), 'b');
    EXPECT_EQ(sum.Sum(1), 0);
    EXPECT_EQ(sum.Sum(0), 0);
}

TEST(TextFileChecksum, SumsWrapAt16Bits) {
    TextFileChecksum sum;
    const std::string line(4 * 300, '\xFF');  // 300 bytes of 255 into each sum
    sum.AddLine(line);
    EXPECT_EQ(sum.Sum(0), (300 * 255) % 65536);
}

TEST(TextFileChecksum, TrailerMismatchAndShortTrailer) {
    TextFileChecksum sum;
    sum.AddLine("x");
    const std::string trailer = sum.Trailer();
    EXPECT_TRUE(sum.MatchesTrailer(trailer));
    EXPECT_FALSE(sum.MatchesTrailer(trailer.substr(0, 7)));
    std::string changed = trailer;
    changed[0] = '\x01';
    EXPECT_FALSE(sum.MatchesTrailer(changed));
    sum.Reset();
    EXPECT_EQ(sum.Trailer(), std::string(8, '\0'));
}

}  // namespace
}  // namespace gvc
