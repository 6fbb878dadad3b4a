#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "sensor/sensor_read.h"
#include "sensor/sensor_write.h"
#include "sensor_test_fixture.h"

namespace gvc::test {
namespace {

using Map = SensorAddressMap;

const std::vector<std::uint8_t> kPageBOrder = {0x80, 0x82, 0x84, 0x86, 0x88, 0x8A,
                                               0x8E, 0x92, 0x94, 0x96, 0x97, 0x98};
const std::vector<std::uint8_t> kPageCOrder = {0xC0, 0xC1, 0xC2, 0xED, 0xC3, 0xC4,  // codes, slope
                                               0xC8, 0xD2, 0xCA, 0xD4, 0xCC, 0xD6,
                                               0xCE, 0xD8, 0xD0, 0xDA,              // temperature
                                               0xE6, 0xE0, 0xE4, 0xDE, 0xE2, 0xDC,  // resource
                                               0xE8, 0xEC, 0xEE, 0xF0};

std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class SensorWriteTest : public SensorAccessTest {
protected:
    SensorWriteTest() {
        // Page P is never written: lay it out as the sensor has it.
        sensor.Put(Map::kGasCode, 2);
        sensor.Put(Map::kTempScale, 1000);
        sensor.Put(Map::kTempOffset, 2731);
        state.wide.TempScale = 1000;
        state.wide.TempOffset = 2731;
        state.identity = {2, 291, 1, 2};
        state.wide.KeptWordB = 0xBEEF;

        SensorParams& o = state.OldParams;
        o.WorkResourceNow = 879;
        o.CalResourceNow = 225;
        o.EndOfUseDate = {2013, 31, 12};
        o.NextCalibrationDate = {2026, 15, 3};
        o.CalResourceWarn = 88;

        SensorParams& n = state.NewParams;
        n.GasCode = 2;
        n.TypeNumber = 1;
        n.KindCode = 1;
        n.ElectrodeCode = 2;
        n.MeasuredParamCode = 3;
        n.UnitCode = 5;
        n.MakerCode = 9;
        n.MultiplierCode = 1;
        n.MultiplierScale = 10.0;
        n.RangeExponent = 1;
        n.RangeScale = 10.0;
        n.RangeTop = 100;
        n.ThresholdA1 = 20000;
        n.ThresholdA2 = 50000;
        n.ZeroOffset = -1234;
        n.Slope = 1000;
        n.InitialSlope = -2500;
        n.CalibrationCount = 8;
        n.PgaGain = 3;
        n.PgaGainMax = 5;
        n.WorkResourceWarn = 450;
        n.MaxCalibrations = 20;
        n.SampleRate = 50;
        n.TempCoefs = {{{90, 0}, {95, 0}, {100, 0}, {102, 0}, {105, 0}}};
        n.TempEndCoef = 110;
        n.ResourceRanges = {{{30, 100, 0}, {60, 105, 0}, {100, 110, 0}}};
    }
};

TEST_F(SensorWriteTest, WriteSendsEveryItemInOrderWithOrWithoutChannelBytes) {
    struct Case {
        bool channelFlag;
        std::vector<std::uint8_t> pageA;
    } const cases[] = {
        {false, {0x40, 0x42, 0x46}},
        {true, {0x40, 0x4A, 0x54, 0x5E, 0x68, 0x72, 0x42, 0x46}},
    };
    for (const Case& c : cases) {
        sensor.exchanges.clear();
        progress = RecordingProgress{};
        state.wide.adc.ChannelFlag = c.channelFlag;
        sensor.memory.fill(0xAA);

        ASSERT_EQ(WriteAllPages(access), 0);

        EXPECT_EQ(sensor.Addresses(), Concat({c.pageA, kPageBOrder, kPageCOrder}));
        EXPECT_EQ(sensor.exchanges.size(), c.channelFlag ? 46u : 41u);
        for (const Exchange& e : sensor.exchanges)
            EXPECT_EQ(e.command, DeviceCommand::kWrite);
        EXPECT_EQ(sensor.Get(Map::kChannelBytes[0]), c.channelFlag ? 1u : 0u);
        EXPECT_EQ(sensor.Get(Map::kChannelBytes[1]), c.channelFlag ? 0u : 0xAAu);
        EXPECT_EQ(progress.pages, (std::vector<std::string>{"FLASH-A", "FLASH-B", "FLASH-C"}));
        EXPECT_EQ(progress.bar, 100);
    }
}

TEST_F(SensorWriteTest, PackedItemsAreStoredAsTheSensorExpects) {
    state.wide.zeroAverageRaw = -2;
    state.NewParams.PgaGain = 0x13;  // an odd gain code must not spill into the maximum
    ASSERT_EQ(WriteAllPages(access), 0);

    EXPECT_EQ(sensor.Get(Map::kSerialWord), 0x21000123u);
    EXPECT_EQ(sensor.Get(Map::kPgaGains), 0x53u);
    EXPECT_EQ(sensor.Get(Map::kCodesC1), (5u << 5) | (3u << 2) | 2u);
    EXPECT_EQ(sensor.Get(Map::kCodesC2), (1u << 4) | 9u);
    EXPECT_EQ(sensor.Get(Map::kRangeTop), 10000u);
    EXPECT_EQ(state.wide.RangeTopRaw, 10000);
    EXPECT_EQ(sensor.Get(Map::kHalfRangeWord), (10000u + 0xFFFFu) / 2u);
    EXPECT_EQ(sensor.Get(Map::kZeroAverage), 0xFFFEu);
    EXPECT_EQ(sensor.Get(Map::kZeroOffset), static_cast<std::uint32_t>(-1234));
    EXPECT_EQ(sensor.Get(Map::kSlope), 819u);  // 1000 x 0.8192
    EXPECT_EQ(sensor.Get(Map::ResourceBound(2)), 0u);
    EXPECT_EQ(sensor.Get(Map::ResourceBound(1)), 3000u);
    EXPECT_EQ(sensor.Get(Map::ResourceBound(0)), 6000u);
    EXPECT_EQ(sensor.Get(Map::kEndOfUseDate), (13u << 9) | (12u << 5) | 31u);
    EXPECT_EQ(sensor.Get(Map::kKeptWordB), 0xBEEFu);
    EXPECT_EQ(sensor.Get(Map::kWorkResourceNow), 1000u);
    // The temperature lines of the calibration run: 90 % at -40 rising to 95 % at -20.
    EXPECT_NEAR(state.wide.TempLines[0].slope, 0.05 / 20, 1e-12);
    EXPECT_NEAR(state.wide.TempLines[0].slope * -40 + state.wide.TempLines[0].intercept, 0.90, 1e-12);
    EXPECT_NEAR(state.wide.TempLines[4].slope * 60 + state.wide.TempLines[4].intercept, 1.10, 1e-12);
}

TEST_F(SensorWriteTest, WrittenParamsReadBackWithinTheirRounding) {
    state.wide.adc.ChannelFlag = true;
    ASSERT_EQ(WriteAllPages(access), 0);
    const SensorParams oldBefore = state.OldParams;
    const SensorParams written = state.NewParams;
    state.OldParams = SensorParams{};

    ASSERT_EQ(ReadAllPages(access), 0);
    const SensorParams& r = state.OldParams;

    EXPECT_EQ(state.identity, (SensorIdentity{2, 291, 1, 2}));
    EXPECT_EQ(r.KindCode, written.KindCode);
    EXPECT_EQ(r.ElectrodeCode, written.ElectrodeCode);
    EXPECT_EQ(r.MeasuredParamCode, written.MeasuredParamCode);
    EXPECT_EQ(r.UnitCode, written.UnitCode);
    EXPECT_EQ(r.MakerCode, written.MakerCode);
    EXPECT_EQ(r.MultiplierCode, written.MultiplierCode);
    EXPECT_EQ(r.RangeExponent, written.RangeExponent);
    EXPECT_EQ(r.RangeTop, written.RangeTop);
    EXPECT_EQ(r.ThresholdA1, written.ThresholdA1);
    EXPECT_EQ(r.ThresholdA2, written.ThresholdA2);
    EXPECT_EQ(r.ZeroOffsetSign, -1);
    EXPECT_EQ(r.ZeroOffset, 1234);
    EXPECT_LE(std::abs(r.Slope - written.Slope), 1);
    EXPECT_LE(std::abs(r.InitialSlope - written.InitialSlope), 1);
    EXPECT_EQ(r.CalibrationCount, written.CalibrationCount);
    EXPECT_EQ(r.PgaGain, written.PgaGain);
    EXPECT_EQ(r.PgaGainMax, written.PgaGainMax);
    EXPECT_EQ(r.WorkResourceWarn, written.WorkResourceWarn);
    EXPECT_EQ(r.MaxCalibrations, written.MaxCalibrations);
    EXPECT_EQ(r.SampleRate, written.SampleRate);
    EXPECT_EQ(r.WorkResourceNow, oldBefore.WorkResourceNow);
    EXPECT_EQ(r.CalResourceNow, oldBefore.CalResourceNow);
    EXPECT_EQ(r.EndOfUseDate, oldBefore.EndOfUseDate);
    EXPECT_EQ(r.NextCalibrationDate, oldBefore.NextCalibrationDate);
    EXPECT_EQ(r.CalResourceWarn, oldBefore.CalResourceWarn);
    for (unsigned i = 0; i < 5; ++i) {
        EXPECT_LE(std::abs(r.TempCoefs[i].start - written.TempCoefs[i].start), 1) << i;
    }
    EXPECT_LE(std::abs(r.TempEndCoef - written.TempEndCoef), 1);
    for (unsigned p = 0; p < 3; ++p) {
        EXPECT_EQ(r.ResourceRanges[p].end, written.ResourceRanges[p].end) << p;
        EXPECT_LE(std::abs(r.ResourceRanges[p].start - written.ResourceRanges[p].start),
                  ResourceStartTolerance(written, p))
            << p;
    }
    EXPECT_TRUE(op.Messages().empty());
}

TEST_F(SensorWriteTest, AnyFailedExchangeStopsTheWriteAtOnce) {
    for (const bool channelFlag : {false, true}) {
        const int total = channelFlag ? 46 : 41;
        for (int n = 1; n <= total; ++n) {
            FakeSensor failing;
            failing.failAt = n;
            SensorState s = state;
            s.wide.adc.ChannelFlag = channelFlag;
            RecordingProgress p;
            SensorAccess a{failing, op, table, s, p};
            EXPECT_EQ(WriteAllPages(a), -1) << n;
            EXPECT_EQ(failing.exchanges.size(), static_cast<std::size_t>(n));
            EXPECT_LT(p.bar, 100);
        }
    }
}

// Values no sensor should carry still produce defined, saturated items.
TEST_F(SensorWriteTest, ExtremeValuesSaturateInsteadOfWrapping) {
    SensorParams& n = state.NewParams;
    n.RangeTop = 65535;
    n.MultiplierCode = 3;
    n.MultiplierScale = 1000.0;
    n.RangeExponent = 7;
    n.RangeScale = 1e7;
    n.ThresholdA1 = std::numeric_limits<std::int32_t>::min();
    n.ThresholdA2 = std::numeric_limits<std::int32_t>::max();
    n.Slope = std::numeric_limits<std::int32_t>::min();
    n.InitialSlope = std::numeric_limits<std::int32_t>::max();
    n.WorkResourceWarn = std::numeric_limits<std::uint32_t>::max();
    n.TempCoefs = {{{65535, 0}, {0, 0}, {65535, 0}, {0, 0}, {65535, 0}}};
    n.ResourceRanges = {{{65535, 65535, 0}, {65535, 65535, 0}, {65535, 65535, 0}}};
    state.OldParams.WorkResourceNow = std::numeric_limits<std::uint32_t>::max();
    state.wide.zeroAverageRaw = std::numeric_limits<std::int32_t>::min();

    ASSERT_EQ(WriteAllPages(access), 0);

    EXPECT_EQ(sensor.Get(Map::kRangeTop), 0xFFFFu);
    EXPECT_EQ(sensor.Get(Map::kHalfRangeWord), 0xFFFFu);
    EXPECT_EQ(sensor.Get(Map::kThresholdA1), 0u);
    EXPECT_EQ(sensor.Get(Map::kThresholdA2), 0xFFFFu);
    EXPECT_EQ(sensor.Get(Map::kWorkResourceWarn), 0xFFFFu);
    EXPECT_EQ(sensor.Get(Map::kWorkResourceNow), 0xFFFFFFFFu);
    EXPECT_EQ(sensor.Get(Map::ResourceBound(0)), 0xFFFFu);
}

// A scale too small to tell the ends of a 20-degree range apart must not
// divide by zero: the start coefficient is stored as a flat line.
TEST_F(SensorWriteTest, TinyTemperatureScaleStoresFlatLines) {
    state.wide.TempScale = 1;
    state.wide.TempOffset = 0;
    ASSERT_EQ(WriteAllPages(access), 0);
    EXPECT_EQ(sensor.Get(Map::TempIntercept(0)), 90u);
    EXPECT_EQ(sensor.Get(Map::TempSlope(0)), 0u);
}

}  // namespace
}  // namespace gvc::test
