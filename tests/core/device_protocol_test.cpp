// The packet exchange: request bytes, every way a reply can be wrong with its
// exact message and result, the write failure that closes the port, and the
// connect step.
#include <gtest/gtest.h>

#include "device/device_link.h"
#include "device_test_doubles.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;
using Bytes = std::vector<std::uint8_t>;

std::string ReceiveError(std::string_view reason) {
    return std::string("Ошибка приема из Устройства Градуировки: "_cp) + std::string(reason);
}

class LinkTest : public ::testing::Test {
protected:
    LinkTest()
        : port_(serial_, test::RegistryOf(test::VarnestRegistry()), error_),
          link_(port_, operator_, waiter_) {}

    // The messages shown so far, all of them errors.
    std::vector<std::string> Shown() const {
        std::vector<std::string> texts;
        for (const ScriptedOperator::Message& m : operator_.Messages()) {
            EXPECT_EQ(m.kind, MessageKind::kError);
            EXPECT_FALSE(m.question);
            texts.push_back(m.text);
        }
        return texts;
    }

    test::FakeSerialPort serial_;
    ErrorText error_;
    DevicePort port_;
    ScriptedOperator operator_;
    InstantWaiter waiter_;
    DeviceLink link_;
};

TEST_F(LinkTest, RequestCarriesCommandAddressLengthAndValueLowByteFirst) {
    ASSERT_TRUE(port_.OpenPort("COM7"));
    serial_.replies.push_back({0x02, 0x8A, 4, 0x78, 0x56, 0x34, 0x12, 0});
    std::uint32_t value = 0x12345678;
    EXPECT_EQ(link_.DeviceRequest(DeviceCommand::kWrite, 0x8A, 4, value), 0);
    EXPECT_EQ(serial_.written, std::vector<Bytes>{Bytes({0x02, 0x8A, 0x04, 0x78, 0x56, 0x34, 0x12, 0x00})});
    EXPECT_EQ(waiter_.Requested(), 10) << "waits 100 ms before reading";
}

TEST_F(LinkTest, ReplyValueTakesLengthDataBytes) {
    const struct {
        std::uint8_t length;
        Bytes reply;
        std::uint32_t value;
    } cases[] = {
        {1, {0x01, 0x20, 1, 0xAB, 0xCD, 0xEF, 0x12, 0x34}, 0xAB},
        {2, {0x01, 0x20, 2, 0x01, 0x02, 0xEF, 0x12, 0x34}, 513},
        {4, {0x01, 0x20, 4, 0x01, 0x02, 0x03, 0x04, 0xFF}, 0x04030201},
    };
    ASSERT_TRUE(port_.OpenPort("COM7"));
    for (const auto& c : cases) {
        serial_.replies.push_back(c.reply);
        std::uint32_t value = 0xFFFFFFFF;
        EXPECT_EQ(link_.DeviceRequest(DeviceCommand::kRead, 0x20, c.length, value), 0);
        EXPECT_EQ(value, c.value);
    }
    EXPECT_TRUE(Shown().empty());
}

struct BadReply {
    const char* name;
    Bytes reply;
    int result;
    std::string_view reason;
};

TEST_F(LinkTest, EveryBadReplyShowsItsMessageAndLeavesThePortOpen) {
    // A read of two bytes at 0x20; the first failing check decides.
    const BadReply cases[] = {
        {"status 1", {0x11, 0x20, 2, 0, 0, 0, 0, 0}, 1, " сбой в интерфейсе USB"_cp},
        {"status 2", {0x21, 0x20, 2, 0, 0, 0, 0, 0}, 1, " датчик занят обработкой"_cp},
        {"status 3, echo not examined", {0x30, 0x21, 9, 0, 0, 0, 0, 0}, 1, " нет соединения с датчиком"_cp},
        {"status 4", {0x41, 0x20, 2, 0, 0, 0, 0, 0}, 1, " датчик превысил таймаут"_cp},
        {"status 5", {0x51, 0x20, 2, 0, 0, 0, 0, 0}, 1, " ответ датчика с неверной CRC"_cp},
        {"status 6", {0x61, 0x20, 2, 0, 0, 0, 0, 0}, 1, ""},
        {"status 15", {0xF1, 0x20, 2, 0, 0, 0, 0, 0}, 1, ""},
        {"status 3 in a short reply", {0x31, 0x20}, 1, " нет соединения с датчиком"_cp},
        {"seven bytes", {0x01, 0x20, 2, 0, 0, 0, 0}, 2, " недостаточная длина пакета"_cp},
        {"one byte", {0x01}, 2, " недостаточная длина пакета"_cp},
        {"nothing", {}, 2, " недостаточная длина пакета"_cp},
        {"wrong command", {0x02, 0x20, 2, 0, 0, 0, 0, 0}, 3, " не верная команда"_cp},
        {"wrong address", {0x01, 0x21, 2, 0, 0, 0, 0, 0}, 4, " не верное смещение"_cp},
        {"wrong length", {0x01, 0x20, 4, 0, 0, 0, 0, 0}, 5, " не верная длина данных"_cp},
        {"wrong address and length", {0x01, 0x00, 0, 0, 0, 0, 0, 0}, 4, " не верное смещение"_cp},
    };
    ASSERT_TRUE(port_.OpenPort("COM7"));
    for (const BadReply& c : cases) {
        SCOPED_TRACE(c.name);
        operator_.ClearMessages();
        serial_.replies.push_back(c.reply);
        std::uint32_t value = 77;
        EXPECT_EQ(link_.DeviceRequest(DeviceCommand::kRead, 0x20, 2, value), c.result);
        EXPECT_EQ(value, 77u) << "the value is kept on failure";
        EXPECT_EQ(Shown(), std::vector<std::string>{ReceiveError(c.reason)});
        EXPECT_TRUE(port_.IsOpen());
    }
}

TEST_F(LinkTest, NoByteAfterAnEarlierReplyIsAShortReplyNotAStaleOne) {
    ASSERT_TRUE(port_.OpenPort("COM7"));
    serial_.replies.push_back({0x01, 0x06, 2, 1, 2, 0, 0, 0});
    serial_.replies.push_back({});
    std::uint32_t value = 0;
    EXPECT_EQ(link_.DeviceRequest(DeviceCommand::kRead, 0x06, 2, value), 0);
    EXPECT_EQ(link_.DeviceRequest(DeviceCommand::kRead, 0x06, 2, value), 2);
}

TEST_F(LinkTest, IncompleteWriteClosesThePortAndLaterRequestsFailAtOnce) {
    ASSERT_TRUE(port_.OpenPort("COM7"));
    serial_.writeLimit = 7;
    std::uint32_t value = 5;
    EXPECT_EQ(link_.DeviceRequest(DeviceCommand::kWrite, 0x96, 1, value), 1);
    EXPECT_FALSE(port_.IsOpen());
    EXPECT_EQ(Shown(),
              std::vector<std::string>{std::string("Не проходит пакет в устройство Градуировки"_cp)});
    EXPECT_EQ(waiter_.Requested(), 0) << "no wait and no read after a failed write";

    serial_.writeLimit = 8;
    operator_.ClearMessages();
    EXPECT_EQ(link_.DeviceRequest(DeviceCommand::kRead, 0x06, 2, value), 1);
    EXPECT_EQ(Shown(),
              std::vector<std::string>{std::string("Не проходит пакет в устройство Градуировки"_cp)});
}

TEST_F(LinkTest, ConnectProbesTheDeviceThenReadsTheLiveWordAtSix) {
    serial_.replies.push_back({0x00, 0x00, 2, 0, 0, 0, 0, 0});
    serial_.replies.push_back({0x01, 0x06, 2, 0xF6, 0x04, 0, 0, 0});
    EXPECT_EQ(link_.ConnectCalibrationDevice(), 0);
    EXPECT_EQ(serial_.written, (std::vector<Bytes>{{0, 0, 2, 0, 0, 0, 0, 0}, {1, 6, 2, 0, 0, 0, 0, 0}}));
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(error_.Text(), "Варнест"_cp);
    EXPECT_TRUE(port_.IsOpen());
}

TEST_F(LinkTest, ConnectFailures) {
    // A probe that fails has shown its own message and leaves the port open.
    serial_.replies.push_back({0x30, 0x00, 2, 0, 0, 0, 0, 0});
    EXPECT_EQ(link_.ConnectCalibrationDevice(), -1);
    EXPECT_EQ(Shown(), std::vector<std::string>{ReceiveError(" нет соединения с датчиком"_cp)});
    EXPECT_TRUE(port_.IsOpen());

    operator_.ClearMessages();
    serial_.replies.push_back({0x00, 0x00, 2, 0, 0, 0, 0, 0});
    serial_.replies.push_back({0x01, 0x07, 2, 0, 0, 0, 0, 0});
    EXPECT_EQ(link_.ConnectCalibrationDevice(), -1);
    EXPECT_EQ(Shown(), std::vector<std::string>{ReceiveError(" не верное смещение"_cp)});
    EXPECT_EQ(serial_.closes, 1) << "the second connect closed the first port before reopening";
}

TEST(ConnectCalibrationDevice, DeviceNotFoundShowsTheWholeDiscoveryText) {
    test::FakeSerialPort serial;
    ErrorText error;
    DevicePort port(serial, test::RegistryOf(RegistryTree{}), error);
    ScriptedOperator op;
    InstantWaiter waiter;
    DeviceLink link(port, op, waiter);
    EXPECT_EQ(link.ConnectCalibrationDevice(), -1);
    ASSERT_EQ(op.Messages().size(), 1u);
    EXPECT_EQ(op.Messages()[0].text,
              std::string("Подсоединение: \r\nВарнест: В системе нет ни одного USB-драйвера!\r\n"_cp));
    EXPECT_TRUE(serial.written.empty());
}

}  // namespace
}  // namespace gvc
