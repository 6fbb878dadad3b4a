#include "sensor/sensor_encoding.h"

#include <gtest/gtest.h>

#include <limits>

namespace gvc {
namespace {

TEST(SensorEncodingTest, ResourceScalingRoundTripsThroughTheStoredForm) {
    struct Case {
        std::uint32_t stored;
        std::uint32_t resource;
    } const cases[] = {{1000, 879}, {0, 0}, {256, 225}, {1, 1}, {0xFFFFFFFFu, 3774873599u}};
    for (const Case& c : cases) {
        EXPECT_EQ(ResourceFromStored(c.stored), c.resource) << c.stored;
    }
    EXPECT_EQ(ResourceToStored(879), 1000u);  // 1000.107
    EXPECT_EQ(ResourceToStored(225), 256u);
    // A level beyond what the stored word can hold saturates instead of wrapping.
    EXPECT_EQ(ResourceToStored(0xFFFFFFFFu), 0xFFFFFFFFu);
}

TEST(SensorEncodingTest, DateWordPacksDayMonthAndYearSince2000) {
    struct Case {
        std::uint16_t word;
        SensorDate date;
    } const cases[] = {
        {(13 << 9) | (12 << 5) | 31, {2013, 31, 12}},
        {(0 << 9) | (1 << 5) | 1, {2000, 1, 1}},
        {(127 << 9) | (6 << 5) | 15, {2127, 15, 6}},
        {0xFFFF, {2127, 31, 15}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeDateWord(c.word), c.date) << c.word;
        EXPECT_EQ(EncodeDateWord(c.date), c.word) << c.word;
    }
    // Years outside 2000..2127 wrap modulo 128 of year + 48, never negative.
    EXPECT_EQ(EncodeDateWord({2128, 1, 1}) >> 9, 0);
    EXPECT_EQ(EncodeDateWord({1999, 1, 1}) >> 9, 127);
    EXPECT_EQ(EncodeDateWord({std::numeric_limits<std::int32_t>::min(), 1, 1}) >> 9,
              ((static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min()) + 48) % 128 + 128) % 128);
}

TEST(SensorEncodingTest, SerialWordSplitsIntoGasTypeAndSerialNumber) {
    EXPECT_EQ(DecodeSerialWord(0x25000123u), (SerialWordFields{291, 5, 2}));
    EXPECT_EQ(DecodeSerialWord(0xFFFFFFFFu), (SerialWordFields{0, 0, 0}));
    EXPECT_EQ(DecodeSerialWord(0xFFFFFFFEu), (SerialWordFields{0xFFFFFE, 15, 15}));
    EXPECT_EQ(EncodeSerialWord(2, 5, 291), 0x25000123u);
    // Fields wider than their bits are masked, not spilled into the neighbours.
    EXPECT_EQ(EncodeSerialWord(0x12, 0x34, 0x01ABCDEF), 0x24ABCDEFu);
}

TEST(SensorEncodingTest, SlopeScalingIsSignedAndRoundsHalfAway) {
    EXPECT_EQ(SlopeFromStored(1024), 1250);
    EXPECT_EQ(SlopeFromStored(-1024), -1250);
    EXPECT_EQ(SlopeFromStored(2), 2);  // 2.44
    EXPECT_EQ(SlopeFromStored(-2), -2);
    EXPECT_EQ(SlopeToStored(1250), 1024);
    EXPECT_EQ(SlopeToStored(-1250), -1024);
    EXPECT_EQ(SlopeFromStored(std::numeric_limits<std::int32_t>::max()),
              std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(SlopeFromStored(std::numeric_limits<std::int32_t>::min()),
              std::numeric_limits<std::int32_t>::min());
}

TEST(SensorEncodingTest, GuardedConversionsSaturateAndRoundHalvesAwayFromZero) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(RoundHalfAwayTo<std::int32_t>(2.5), 3);
    EXPECT_EQ(RoundHalfAwayTo<std::int32_t>(-2.5), -3);
    EXPECT_EQ(RoundHalfAwayTo<std::int32_t>(2.4999), 2);
    EXPECT_EQ(RoundHalfAwayTo<std::int32_t>(kNaN), 0);
    EXPECT_EQ(RoundHalfAwayTo<std::int32_t>(kInf), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(RoundHalfAwayTo<std::int32_t>(-kInf), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(RoundHalfAwayTo<std::uint16_t>(-0.4), 0);
    EXPECT_EQ(RoundHalfAwayTo<std::uint16_t>(-7.0), 0);
    EXPECT_EQ(RoundHalfAwayTo<std::uint16_t>(65535.4), 65535);
    EXPECT_EQ(RoundHalfAwayTo<std::uint16_t>(1e12), 65535);
    EXPECT_EQ(RoundHalfAwayTo<std::int16_t>(-40000.0), -32768);
    EXPECT_EQ(RoundHalfAwayTo<std::uint32_t>(4294967295.4), 4294967295u);
    EXPECT_EQ(TruncateTo<std::uint16_t>(3.99), 3);
    EXPECT_EQ(TruncateTo<std::int32_t>(-3.99), -3);
    EXPECT_EQ(TruncateTo<std::uint16_t>(kNaN), 0);
    EXPECT_EQ(TruncateTo<std::uint16_t>(kInf), 65535);
}

TEST(SensorEncodingTest, TemperatureCodesUseTruncatingIntegerArithmetic) {
    // Code at -40 degrees with offset 2731 and scale 1000: (-400 + 2731) * 1000 / 1000.
    EXPECT_EQ(TemperatureCodeAt(-400, 1000, 2731), 2331);
    // A negative product truncates toward zero.
    EXPECT_EQ(TemperatureCodeAt(-400, 3, 0), -1);
    EXPECT_EQ(TemperatureCodeAt(600, 65535, 65535), 66135LL * 65535 / 1000);  // no 32-bit overflow
    EXPECT_EQ(TenthsFromTemperatureCode(2981, 1000, 2731), 250);
    EXPECT_EQ(TenthsFromTemperatureCode(0, 1000, 2731), -2731);
    EXPECT_EQ(TenthsFromTemperatureCode(1000, 3000, 0), 333);
    EXPECT_EQ(TenthsFromTemperatureCode(1234, 0, 5), 0);  // guarded, never divides by 0
}

}  // namespace
}  // namespace gvc
