#include "sensor/sensor_live.h"

#include <gtest/gtest.h>

#include "sensor_test_fixture.h"

namespace gvc::test {
namespace {

using Map = SensorAddressMap;

class SensorLiveTest : public SensorAccessTest {};

TEST_F(SensorLiveTest, SampleReadsStatusTemperatureAndAdcCode) {
    state.wide.TempScale = 1000;
    state.wide.TempOffset = 2731;
    sensor.Put(Map::kStatusWord, 0x1234);
    sensor.Put(Map::kTemperatureCode, 2981);
    sensor.Put(Map::kAdcCode, 0xFFFE);
    LiveValues values;

    ASSERT_EQ(ReadLiveValues(access, values), 0);

    EXPECT_EQ(values.status, 0x34);
    EXPECT_EQ(values.temperature, 250);
    EXPECT_EQ(values.adc, 0xFFFE);
    EXPECT_EQ(sensor.Addresses(), (std::vector<std::uint8_t>{0x00, 0x06, 0x0C}));
    for (const Exchange& e : sensor.exchanges)
        EXPECT_EQ(e.length, 2);
}

TEST_F(SensorLiveTest, SampleStopsAtTheFirstFailedExchange) {
    state.wide.TempScale = 1000;
    for (int n = 1; n <= 3; ++n) {
        sensor.exchanges.clear();
        sensor.failAt = n;
        LiveValues values;
        EXPECT_EQ(ReadLiveValues(access, values), -1);
        EXPECT_EQ(sensor.exchanges.size(), static_cast<std::size_t>(n));
    }
}

TEST_F(SensorLiveTest, SampleRefusesATemperatureScaleOfZero) {
    LiveValues values;
    EXPECT_EQ(ReadLiveValues(access, values), -1);
    EXPECT_TRUE(sensor.exchanges.empty());
    EXPECT_EQ(MessagesUtf8(),
              std::vector<std::string>{"Датчик: Нулевой масштаб Температуры - Градуировка невозможна"});
}

TEST(SensorAdcRangeTest, WindowFollowsElectrodeGasAndKind) {
    const SensorTypeTable table = MakeSensorTestTable();
    struct Case {
        std::uint8_t electrode;
        std::uint8_t gas;
        std::uint8_t kind;
        AdcRange expected;
    } const cases[] = {
        {0, 2, 0, {0, 5000, 0, 5000, 1, true}},
        {1, 1, 0, {0, 0xFFFF, 0, 55000, 1, false}},        // oxygen
        {1, 2, 0, {0, 0xFFFF, 0x8000, 30000, 2, false}},   // another gas
        {2, 2, 1, {0, 0xFFFF, 0x8000, 14000, 2, false}},   // thermocatalytic
        {2, 2, 2, {0, 1024, 0, 1020, 1, true}},            // ultraviolet
        {2, 1, 0, {0, 0xFFFF, 0x8000, 30000, 2, false}},   // another kind
        {2, 2, 15, {0, 0xFFFF, 0x8000, 30000, 2, false}},  // a kind beyond the list
        {3, 1, 2, {0, 0xFFFF, 0x8000, 30000, 2, false}},
    };
    for (const Case& c : cases) {
        SensorParams params;
        params.ElectrodeCode = c.electrode;
        params.GasCode = c.gas;
        params.KindCode = c.kind;
        EXPECT_EQ(SelectAdcRange(params, table), c.expected)
            << int{c.electrode} << " " << int{c.gas} << " " << int{c.kind};
    }
}

}  // namespace
}  // namespace gvc::test
