#include "sensor/sensor_admission.h"

#include <gtest/gtest.h>

#include "sensor_test_fixture.h"

namespace gvc::test {
namespace {

using Map = SensorAddressMap;

class FakeLink : public CalibrationDeviceLink {
public:
    int connectResult = 0;
    int connects = 0;
    int closes = 0;
    int ConnectCalibrationDevice() override {
        ++connects;
        return connectResult;
    }
    void ClosePort() override { ++closes; }
};

class SensorAdmissionTest : public SensorAccessTest {
protected:
    SensorAdmissionTest() : catalogue(AdmissionCatalogueFromTable(table)) {
        // A readable sensor with ranges in order, so a full read passes.
        sensor.Put(Map::kTempScale, 1000);
        sensor.Put(Map::kRangeTop, 1000);
        sensor.Put(Map::ResourceBound(1), 300);
        sensor.Put(Map::ResourceBound(0), 600);
    }
    void Identity(std::uint8_t gasCode, std::uint32_t serialWord) {
        sensor.Put(Map::kGasCode, gasCode);
        sensor.Put(Map::kSerialWord, serialWord);
    }

    AdmissionCatalogue catalogue;
    FakeLink link;
};

TEST_F(SensorAdmissionTest, CatalogueHasNoTypesForTheSimulatorOrUnknownGases) {
    EXPECT_EQ(catalogue.count, 4);
    EXPECT_EQ(catalogue.typeCounts[0], 0);
    EXPECT_EQ(catalogue.typeCounts[2], 3);
    EXPECT_TRUE(catalogue.names[0].empty());
    EXPECT_EQ(Utf8FromCp1251(catalogue.names[3]), "Водород");
}

TEST_F(SensorAdmissionTest, IdentityChecksGiveTheirMessageOrAdmit) {
    struct Case {
        const char* what;
        std::uint8_t gasCode;
        std::uint32_t serialWord;
        std::uint16_t tempScale;
        const char* message;  // nullptr: admitted
    } const cases[] = {
        {"valid", 2, 0x21000123, 1000, nullptr},
        {"blank sensor", 1, 0xFFFFFFFF, 1000, nullptr},
        {"gas code equal to the gas count", 4, 0x41000123, 1000, "Датчик: Недопустимый код Газа - 04"},
        {"gas code far beyond", 0x0F, 0xFFFFFFFF, 0, "Датчик: Недопустимый код Газа - 15"},
        {"serial 0 with a type", 1, 0x01000000, 1000, "Датчик: не имеет серийного номера!"},
        {"serial 0 with a gas", 1, 0x10000000, 1000, "Датчик: не имеет серийного номера!"},
        {"wrong gas number", 1, 0x21000005, 1000, "Датчик: Неверный Газ-Номер Датчика: 02-xx != 01-xx"},
        {"type beyond the table", 1, 0x12000005, 1000, "Датчик: Неверный Тип-Номер Датчика: xx-02 > xx-01"},
        {"simulator", 0, 0x00000001, 1000,
         "Датчик: Не созданы Типы Датчика для Газа\r\n               Имитатор - Не Градуируется"},
        {"no types beats wrong gas number", 3, 0x21000005, 1000,
         "Датчик: Не созданы Типы Датчика для Газа - Водород"},
        {"temperature scale 0", 2, 0x21000123, 0,
         "Датчик: Нулевой масштаб Температуры - Градуировка невозможна"},
        {"blank sensor with scale 0", 1, 0xFFFFFFFF, 0,
         "Датчик: Нулевой масштаб Температуры - Градуировка невозможна"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        op.ClearMessages();
        link.closes = 0;
        sensor.exchanges.clear();
        Identity(c.gasCode, c.serialWord);
        sensor.Put(Map::kTempScale, c.tempScale);

        const int result = CheckSensorIdentity(access, catalogue, link);

        EXPECT_EQ(sensor.exchanges.size(), 6u);
        if (c.message == nullptr) {
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(op.Messages().empty());
            EXPECT_EQ(link.closes, 0);
        } else {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(MessagesUtf8(), std::vector<std::string>{c.message});
            EXPECT_EQ(op.Messages()[0].kind, MessageKind::kError);
            EXPECT_EQ(link.closes, 1);
        }
    }
}

TEST_F(SensorAdmissionTest, FailedIdentityReadNeitherRefusesNorClosesThePort) {
    Identity(0x0F, 0);  // would be refused if read
    sensor.failAt = 2;
    EXPECT_EQ(CheckSensorIdentity(access, catalogue, link), -1);
    EXPECT_EQ(op.Messages().size(), 1u);  // the exchange's own
    EXPECT_EQ(link.closes, 0);
}

TEST_F(SensorAdmissionTest, ConnectReadsThePagesOfASensorWithASerialNumber) {
    Identity(2, 0x21000123);
    EXPECT_EQ(ConnectSensor(access, catalogue, link), 0);
    EXPECT_EQ(link.connects, 1);
    EXPECT_EQ(sensor.exchanges.size(), 6u + 43u);
    EXPECT_EQ(progress.runs, std::vector<TransferMode>{TransferMode::kRead});
    EXPECT_EQ(progress.bar, 100);
    EXPECT_EQ(state.OldParams.GasCode, 2);
    EXPECT_EQ(state.OldParams.TypeNumber, 1);
}

TEST_F(SensorAdmissionTest, ConnectAdmitsABlankSensorWithoutReadingItsPages) {
    Identity(1, 0xFFFFFFFF);
    EXPECT_EQ(ConnectSensor(access, catalogue, link), 0);
    EXPECT_EQ(sensor.exchanges.size(), 6u);
    EXPECT_TRUE(progress.runs.empty());
    EXPECT_EQ(state.identity, (SensorIdentity{1, 0, 0, 0}));
}

TEST_F(SensorAdmissionTest, ConnectReportsEachFailureWithItsResult) {
    struct Case {
        const char* what;
        int connectResult;
        std::uint8_t gasCode;
        int failAt;
        int expected;
        std::size_t exchanges;
    } const cases[] = {
        {"device not found", -1, 2, 0, -1, 0},
        {"identity read fails", 0, 2, 3, -1, 3},
        {"refused", 0, 0, 0, 1, 6},
        {"page read fails", 0, 2, 6 + 20, -1, 26},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sensor.exchanges.clear();
        sensor.failAt = c.failAt;
        link.connectResult = c.connectResult;
        Identity(c.gasCode, 0x21000123);
        EXPECT_EQ(ConnectSensor(access, catalogue, link), c.expected);
        EXPECT_EQ(sensor.exchanges.size(), c.exchanges);
    }
}

TEST_F(SensorAdmissionTest, DigitalFrontEndCheckReadsItsCommandByte) {
    struct Case {
        std::uint8_t stored;
        int failAt;
        int expected;
        std::vector<std::string> messages;
    } const cases[] = {
        {0, 0, 1, {}},
        {0xA1, 0, 0, {"Цифровой Сенсор не отвечает\r\n    Градуировка невозможна"}},
        {0, 1, 0, {"exchange failed", "Цифровой Датчиком не отвечает\r\n      Градуировка невозможна"}},
    };
    for (const Case& c : cases) {
        op.ClearMessages();
        sensor.exchanges.clear();
        sensor.failAt = c.failAt;
        sensor.Put(Map::kFrontEndByte, c.stored);
        EXPECT_EQ(CheckDigitalFrontEnd(access), c.expected);
        EXPECT_EQ(MessagesUtf8(), c.messages);
        ASSERT_EQ(sensor.exchanges.size(), 1u);
        EXPECT_EQ(sensor.exchanges[0], (Exchange{DeviceCommand::kRead, 0x10, 1, 255}));
    }
}

TEST_F(SensorAdmissionTest, DigitalFrontEndWriteTakesACommandByteOrAWord) {
    EXPECT_EQ(WriteDigitalFrontEnd(access, true, 161), 1);
    EXPECT_EQ(WriteDigitalFrontEnd(access, false, 2500), 1);
    EXPECT_EQ(sensor.exchanges, (std::vector<Exchange>{{DeviceCommand::kWrite, 0x10, 1, 161},
                                                       {DeviceCommand::kWrite, 0x0E, 2, 2500}}));
    EXPECT_EQ(sensor.Get(Map::kFrontEndWord), 2500u);

    sensor.failAt = 3;
    EXPECT_EQ(WriteDigitalFrontEnd(access, true, 162), 0);
    EXPECT_EQ(MessagesUtf8(),
              (std::vector<std::string>{"exchange failed",
                                        "Цифровой Датчиком не отвечает\r\n      Градуировка невозможна"}));
}

}  // namespace
}  // namespace gvc::test
