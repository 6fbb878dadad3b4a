#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <set>

#include "sensor/sensor_params_text.h"
#include "sensor/sensor_read.h"
#include "sensor_test_fixture.h"

namespace gvc::test {
namespace {

using Map = SensorAddressMap;

// Every item of a full read, in the order the sensor sees them.
const std::vector<std::uint8_t> kFullReadOrder = {
    0x28, 0xE8, 0x24, 0x20, 0x2A, 0x2C,                                      // P
    0x42, 0x46,                                                              // A
    0x80, 0x82, 0x84, 0x86, 0x88, 0x8A, 0x8E, 0x92, 0x94, 0x96, 0x97, 0x98,  // B
    0xC0, 0xC1, 0xC2, 0xED, 0xC3, 0xC4,                                      // C
    0xC8, 0xD2, 0xCA, 0xD4, 0xCC, 0xD6, 0xCE, 0xD8, 0xD0, 0xDA,              // C temperature
    0xE4, 0xE0, 0xE2, 0xDE, 0xDC,                                            // C resource
    0xEC, 0xF0};

class SensorReadTest : public SensorAccessTest {
protected:
    // Methane type 1, serial 291; every item given a value whose reading is known.
    void LayOutValidSensor() {
        sensor.Put(Map::kGasCode, 0xF2);  // high nibble ignored
        sensor.Put(Map::kSerialWord, 0x21000123);
        sensor.Put(Map::kBoardVersion, 0x01020304);
        sensor.Put(Map::kFirmwareVersion, 0x00010005);
        sensor.Put(Map::kTempScale, 1000);
        sensor.Put(Map::kTempOffset, 2731);
        sensor.Put(Map::kWorkResourceNow, 1000);
        sensor.Put(Map::kCalResourceNow, 256);
        sensor.Put(Map::kRangeTop, 1000);
        sensor.Put(Map::kEndOfUseDate, (13 << 9) | (12 << 5) | 31);
        sensor.Put(Map::kWorkResourceWarn, 512);
        sensor.Put(Map::kThresholdA1, 150);
        sensor.Put(Map::kThresholdA2, 251);
        sensor.Put(Map::kZeroOffset, static_cast<std::uint32_t>(-1234));
        sensor.Put(Map::kSlope, 1024);
        sensor.Put(Map::kNextCalibrationDate, (25 << 9) | (6 << 5) | 1);
        sensor.Put(Map::kCalResourceWarn, 100);
        sensor.Put(Map::kCalibrationCount, 7);
        sensor.Put(Map::kPgaGains, 0x53);
        sensor.Put(Map::kKeptWordB, 0xBEEF);
        sensor.Put(Map::kKindCode, 4);
        sensor.Put(Map::kCodesC1, (5 << 5) | (3 << 2) | 2);
        sensor.Put(Map::kCodesC2, (1 << 4) | 9);
        sensor.Put(Map::kRangeExponent, 0xF9);  // bits 0-2 only
        sensor.Put(Map::kMaxCalibrations, 20);
        sensor.Put(Map::kInitialSlope, static_cast<std::uint32_t>(-2048));
        for (unsigned i = 0; i < 4; ++i)
            sensor.Put(Map::TempIntercept(i), 100);
        sensor.Put(Map::TempIntercept(4), 50);
        sensor.Put(Map::TempSlope(4), 655);
        sensor.Put(Map::ResourceBound(1), 300);  // end of range 0
        sensor.Put(Map::ResourceBound(0), 600);  // end of range 1
        sensor.Put(Map::ResourceCoef(2), 2);
        sensor.Put(Map::ResourceCoef(1), 6);
        sensor.Put(Map::ResourceCoef(0), 10);
        sensor.Put(Map::kSampleRate, 50);
        sensor.Put(Map::kZeroAverage, 1234);
    }

    static SensorParams ExpectedOldParams() {
        SensorParams p;
        p.GasCode = 2;
        p.TypeNumber = 1;
        p.BoardVersion = 0x01020304;
        p.FirmwareVersion = 0x00010005;
        p.WorkResourceNow = 879;
        p.WorkResourceMax = 21000;
        p.CalResourceNow = 225;
        p.RangeTop = 10;  // 1000 / 10 / 10
        p.EndOfUseDate = {2013, 31, 12};
        p.WorkResourceWarn = 450;
        p.ThresholdA1 = 1500;
        p.ThresholdA2 = 2510;
        p.ZeroOffsetSign = -1;
        p.ZeroOffset = 1234;
        p.Slope = 1250;
        p.NextCalibrationDate = {2025, 1, 6};
        p.CalResourceWarn = 88;  // 87.89
        p.CalibrationCount = 7;
        p.PgaGain = 3;
        p.PgaGainMax = 5;
        p.KindCode = 4;
        p.ElectrodeCode = 2;
        p.MeasuredParamCode = 3;
        p.UnitCode = 5;
        p.MakerCode = 9;
        p.MultiplierCode = 1;
        p.RangeExponent = 1;
        p.MultiplierScale = 10.0;
        p.RangeScale = 10.0;
        p.MaxCalibrations = 20;
        p.InitialSlope = -2500;
        for (unsigned i = 0; i < 4; ++i)
            p.TempCoefs[i] = {100, 0};
        p.TempCoefs[4] = {81, 100};
        p.TempEndCoef = 83;
        p.ResourceRanges[0] = {3, 117, 391};
        p.ResourceRanges[1] = {6, 117, 0};
        p.ResourceRanges[2] = {10, 110, -18};
        p.SampleRate = 50;
        p.CalResourceMax = 110;  // 88 * 100 / 80
        p.ZeroConc = 0;
        p.RefConc = 2501;
        p.SetTolerance = 500;
        return p;
    }
};

TEST_F(SensorReadTest, FullReadDecodesEveryItemInOrder) {
    LayOutValidSensor();
    state.wide.zeroAverageRaw = 99;

    ASSERT_EQ(ReadAllPages(access), 0);

    EXPECT_EQ(state.OldParams, ExpectedOldParams());
    EXPECT_EQ(state.identity, (SensorIdentity{2, 291, 1, 2}));
    EXPECT_EQ(state.wide.TempScale, 1000);
    EXPECT_EQ(state.wide.TempOffset, 2731);
    EXPECT_EQ(state.wide.KeptWordB, 0xBEEF);
    EXPECT_EQ(state.wide.zeroAverageRaw, 0);
    EXPECT_EQ(sensor.Addresses(), kFullReadOrder);
    for (const Exchange& e : sensor.exchanges) {
        EXPECT_EQ(e.command, DeviceCommand::kRead);
        EXPECT_EQ(e.valueSent, 0u);
    }
    EXPECT_EQ(progress.pages, (std::vector<std::string>{"FLASH-P", "FLASH-A", "FLASH-B", "FLASH-C"}));
    EXPECT_EQ(progress.bar, 100);
    EXPECT_TRUE(op.Messages().empty());
}

TEST_F(SensorReadTest, ItemWidthsFollowTheMemoryMap) {
    LayOutValidSensor();
    ASSERT_EQ(ReadAllPages(access), 0);
    const std::vector<std::uint8_t> fourByteItems = {0xE8, 0x24, 0x20, 0x42, 0x46, 0x8A, 0x8E, 0xC4};
    const std::vector<std::uint8_t> oneByteItems = {0x28, 0x96, 0x97, 0xC0, 0xC1, 0xC2, 0xED, 0xC3, 0xEC};
    for (const Exchange& e : sensor.exchanges) {
        const auto in = [&](const std::vector<std::uint8_t>& v) {
            return std::find(v.begin(), v.end(), e.address) != v.end();
        };
        const int expected = in(fourByteItems) ? 4 : in(oneByteItems) ? 1 : 2;
        EXPECT_EQ(e.length, expected) << std::hex << int{e.address};
    }
}

// A failure at exchange N stops the read right there, whatever N is.
TEST_F(SensorReadTest, AnyFailedExchangeStopsTheReadAtOnce) {
    for (int n = 1; n <= static_cast<int>(kFullReadOrder.size()); ++n) {
        FakeSensor failing;
        failing.memory = sensor.memory;
        failing.failAt = n;
        SensorState s;
        RecordingProgress p;
        SensorAccess a{failing, op, table, s, p};
        EXPECT_EQ(ReadAllPages(a), -1) << n;
        EXPECT_EQ(failing.exchanges.size(), static_cast<std::size_t>(n));
    }
}

TEST_F(SensorReadTest, FailureInPageCKeepsTheNewPageAAndBValues) {
    LayOutValidSensor();
    state.OldParams.KindCode = 77;  // from an earlier sensor
    state.OldParams.SampleRate = 77;
    sensor.failAt = 6 + 2 + 12 + 3;  // the third item of page C

    EXPECT_EQ(ReadAllPages(access), -1);

    const SensorParams expected = ExpectedOldParams();
    EXPECT_EQ(state.OldParams.WorkResourceNow, expected.WorkResourceNow);
    EXPECT_EQ(state.OldParams.CalResourceNow, expected.CalResourceNow);
    EXPECT_EQ(state.OldParams.Slope, expected.Slope);
    EXPECT_EQ(state.OldParams.EndOfUseDate, expected.EndOfUseDate);
    EXPECT_EQ(state.OldParams.KindCode, 4);     // read before the failure
    EXPECT_EQ(state.OldParams.SampleRate, 77);  // never reached
    EXPECT_EQ(progress.pages.back(), "FLASH-C");
    EXPECT_EQ(progress.bar, 60);
    ASSERT_EQ(op.Messages().size(), 1u);  // the exchange's own message only
}

TEST_F(SensorReadTest, ZeroOffsetIsSplitIntoSignAndMagnitude) {
    struct Case {
        std::int32_t stored;
        std::int8_t sign;
        std::int32_t magnitude;
    } const cases[] = {
        {-1234, -1, 1234},
        {0, 1, 0},
        {1234, 1, 1234},
        {std::numeric_limits<std::int32_t>::min(), -1, std::numeric_limits<std::int32_t>::max()}};
    for (const Case& c : cases) {
        sensor.Put(Map::kZeroOffset, static_cast<std::uint32_t>(c.stored));
        ASSERT_EQ(ReadPageB(access), 0);
        EXPECT_EQ(state.OldParams.ZeroOffsetSign, c.sign) << c.stored;
        EXPECT_EQ(state.OldParams.ZeroOffset, c.magnitude) << c.stored;
    }
}

TEST_F(SensorReadTest, ResourceBoundsMayRepeatButNotDecrease) {
    LayOutValidSensor();
    sensor.Put(Map::ResourceBound(0), 300);  // range 1 ends where range 0 does
    ASSERT_EQ(ReadAllPages(access), 0);
    EXPECT_EQ(state.OldParams.ResourceRanges[1].end, 3);
    EXPECT_EQ(state.OldParams.ResourceRanges[1].start, 176);    // 5.27 / 3.000005
    EXPECT_EQ(state.OldParams.ResourceRanges[1].slope, 32767);  // (176 - 117) / 0.00001: saturates
    EXPECT_TRUE(op.Messages().empty());

    sensor.exchanges.clear();
    sensor.Put(Map::ResourceBound(0), 299);
    EXPECT_EQ(ReadAllPages(access), -1);
    EXPECT_EQ(MessagesUtf8(), std::vector<std::string>{"Ошибка в коэф-тах Ресурса"});
    EXPECT_EQ(op.Messages()[0].kind, MessageKind::kError);
    // Stopped right after the coefficient of range 1.
    EXPECT_EQ(sensor.Addresses().back(), 0xDE);

    // The range top itself below the last bound.
    op.ClearMessages();
    sensor.Put(Map::ResourceBound(0), 600);
    sensor.Put(Map::kRangeTop, 500);
    EXPECT_EQ(ReadAllPages(access), -1);
    EXPECT_EQ(MessagesUtf8(), std::vector<std::string>{"Ошибка в коэф-тах Ресурса"});
}

TEST_F(SensorReadTest, WithoutSerialNumberResourceRangesReadAsZeroWithoutOrderCheck) {
    LayOutValidSensor();
    sensor.Put(Map::kSerialWord, 0xFFFFFFFF);
    sensor.Put(Map::ResourceBound(1), 900);
    sensor.Put(Map::ResourceBound(0), 100);  // decreasing
    state.OldParams.ResourceRanges[0] = {1, 2, 3};

    ASSERT_EQ(ReadAllPages(access), 0);

    for (const ResourceRangeCoef& r : state.OldParams.ResourceRanges)
        EXPECT_EQ(r, ResourceRangeCoef{});
    EXPECT_TRUE(op.Messages().empty());
    EXPECT_EQ(sensor.exchanges.size(), kFullReadOrder.size());
}

TEST_F(SensorReadTest, CalibrationResourceMaxIsZeroWhenTheTypeHasNoWarningPercent) {
    LayOutValidSensor();
    sensor.Put(Map::kSerialWord, 0x22000001);  // methane type 2: calibWarnPercent 0
    ASSERT_EQ(ReadAllPages(access), 0);
    EXPECT_EQ(state.OldParams.CalResourceMax, 0u);
    EXPECT_EQ(state.OldParams.WorkResourceMax, 22000u);
}

// Whatever the memory holds, a read decodes it without undefined behaviour
// (run under the sanitizers) and keeps every field in its range.
TEST_F(SensorReadTest, ExtremeStoredValuesDecodeWithoutOverflow) {
    for (const std::uint8_t fill :
         {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x80}, std::uint8_t{0x7F}}) {
        sensor.memory.fill(fill);
        sensor.Put(Map::kSerialWord, 0x10000001);  // a serial number, so the range checks run
        sensor.exchanges.clear();
        op.ClearMessages();
        const int result = ReadAllPages(access);
        EXPECT_TRUE(result == 0 || MessagesUtf8() == std::vector<std::string>{"Ошибка в коэф-тах Ресурса"})
            << int{fill};
    }
}

}  // namespace
}  // namespace gvc::test

namespace gvc::test {
namespace {

TEST_F(SensorReadTest, ValueLinesNameEveryValueInDecimal) {
    LayOutValidSensor();
    ASSERT_EQ(ReadAllPages(access), 0);
    state.OldParams.RangeScale = 0.1;  // a double that needs its shortest round-trip form

    const std::vector<std::string> lines =
        SensorValueLines(state.identity, state.OldParams, "OldParams", state.wide);

    for (const char* expected :
         {"SensorIdentity.GasCode=2", "SensorIdentity.SerialNumber=291", "SensorIdentity.TypeNumber=1",
          "SensorIdentity.GasNumber=2", "OldParams.RangeTop=10", "OldParams.EndOfUseDate=31.12.2013",
          "OldParams.NextCalibrationDate=1.6.2025", "OldParams.ZeroOffsetSign=-1",
          "OldParams.InitialSlope=-2500", "OldParams.TempCoefs[4].start=81",
          "OldParams.TempCoefs[4].slope=100", "OldParams.TempEndCoef=83",
          "OldParams.ResourceRanges[2].slope=-18", "OldParams.MultiplierScale=10", "OldParams.RangeScale=0.1",
          "OldParams.FirmwareVersion=65541", "TempScale=1000", "TempOffset=2731", "KeptWordB=48879"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
    }
    // No name twice.
    std::set<std::string> names;
    for (const std::string& line : lines)
        names.insert(line.substr(0, line.find('=')));
    EXPECT_EQ(names.size(), lines.size());
}

}  // namespace
}  // namespace gvc::test
