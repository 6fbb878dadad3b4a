// Port discovery through the registry, the friendly-name rule, the presence
// test on SERIALCOMM's value data, opening and closing, and the messages of a
// scan over the device kinds.
#include <gtest/gtest.h>

#include <functional>

#include "device/device_port.h"
#include "device_test_doubles.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;
using test::FakeSerialPort;
using test::kVarnestInstance;
using test::VarnestRegistry;

const std::string kUsb = "SYSTEM\\CurrentControlSet\\Enum\\USB";

// Builds a registry with only some of a healthy device's keys.
RegistryTree Without(const std::function<void(RegistryTree&)>& build) {
    RegistryTree tree;
    build(tree);
    return tree;
}

struct FindCase {
    const char* name;
    RegistryTree tree;
    std::string_view message;  // empty when the lookup succeeds
};

TEST(FindDevicePort, StopsAtTheFirstMissingStepWithItsMessage) {
    const std::string hardware = kUsb + "\\VID_1FC9&PID_0003";
    const FindCase cases[] = {
        {"no USB key", RegistryTree{}, "В системе нет ни одного USB-драйвера!"_cp},
        {"no hardware key", Without([&](RegistryTree& t) { t.AddKey(kUsb + "\\VID_0483&PID_5740"); }),
         "В системе нет ни одного драйвера для Устройства!"_cp},
        {"no instance key", Without([&](RegistryTree& t) { t.AddKey(hardware + "\\QUERANTE-000"); }),
         "Не установлен драйвер для Устройства!"_cp},
        {"other friendly name", Without([&](RegistryTree& t) {
             t.SetString(kVarnestInstance, "FriendlyName", "Querante USB VCom Port (COM7)");
             t.SetString(kVarnestInstance + "\\Device Parameters", "PortName", "COM7");
         }),
         "Недопустимое имя драйвера!"_cp},
        {"no friendly name", Without([&](RegistryTree& t) {
             t.AddKey(kVarnestInstance);
             t.SetString(kVarnestInstance + "\\Device Parameters", "PortName", "COM7");
         }),
         "Недопустимое имя драйвера!"_cp},
        {"no device parameters", Without([&](RegistryTree& t) {
             t.SetString(kVarnestInstance, "FriendlyName", "Varnest USB VCom Port");
         }),
         "Не определены параметры для драйвер!"_cp},
        {"empty port name", Without([&](RegistryTree& t) {
             t.SetString(kVarnestInstance, "FriendlyName", "Varnest USB VCom Port");
             t.SetString(kVarnestInstance + "\\Device Parameters", "PortName", "");
         }),
         "Не определен VCOM-порт для драйвера!"_cp},
        {"missing port name", Without([&](RegistryTree& t) {
             t.SetString(kVarnestInstance, "FriendlyName", "Varnest USB VCom Port");
             t.AddKey(kVarnestInstance + "\\Device Parameters");
         }),
         "Не определен VCOM-порт для драйвера!"_cp},
        {"healthy, keys in other letter case", Without([&](RegistryTree& t) {
             t.SetString("system\\currentcontrolset\\enum\\usb\\vid_1fc9&pid_0003\\varnests-000",
                         "FriendlyName", "Varnest USB VCom Port (COM12)");
             t.SetString(kVarnestInstance + "\\Device Parameters", "PortName", "COM12");
         }),
         ""},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSerialPort serial;
        ErrorText error;
        DevicePort port(serial, test::RegistryOf(c.tree), error);
        const int result = port.FindDevicePort(kVarnestKind);
        EXPECT_EQ(error.Text(), c.message);
        if (c.message.empty()) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(port.DevicePortPath(), "\\\\.\\COM12");
        } else {
            EXPECT_EQ(result, -1);
        }
    }
}

TEST(FindDevicePort, FriendlyNameIsThePrefixAndAtMost25MoreCharacters) {
    const std::string prefix = "Varnest USB VCom Port";
    const struct {
        std::string name;
        bool matches;
    } cases[] = {
        {prefix + " (COM7)", true},
        {prefix, true},
        {prefix + std::string(25, 'x'), true},
        {prefix + std::string(26, 'x'), false},
        {prefix.substr(0, prefix.size() - 1), false},
        {"varnest USB VCom Port (COM7)", false},
        {"", false},
        {"Querante USB VCom Port", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FriendlyNameMatches(c.name, prefix), c.matches);
        RegistryTree tree = VarnestRegistry();
        tree.SetString(kVarnestInstance, "FriendlyName", c.name);
        FakeSerialPort serial;
        ErrorText error;
        DevicePort port(serial, test::RegistryOf(tree), error);
        EXPECT_EQ(port.FindDevicePort(kVarnestKind), c.matches ? 0 : -1);
    }
}

TEST(IsPortPresent, ComparesTheValueDataNotTheValueNames) {
    RegistryTree tree;
    tree.SetString("HARDWARE\\DEVICEMAP\\SERIALCOMM", "COM7", "COM3");
    tree.SetString("HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Serial1", "COM12");
    FakeSerialPort serial;
    ErrorText error;
    DevicePort port(serial, test::RegistryOf(tree), error);
    EXPECT_EQ(port.IsPortPresent("COM12"), 0);
    EXPECT_TRUE(error.Empty());
    EXPECT_EQ(port.IsPortPresent("COM7"), -1);
    EXPECT_EQ(error.Text(), "Устройство не подключено!"_cp);
    EXPECT_EQ(port.IsPortPresent("com12"), -1) << "the data compare exactly";

    ErrorText noKeyError;
    DevicePort noKey(serial, test::RegistryOf(RegistryTree{}), noKeyError);
    EXPECT_EQ(noKey.IsPortPresent("COM12"), -1);
    EXPECT_EQ(noKeyError.Text(), "В системе нет ни одного VCOM-порта для Устройства!"_cp);
}

TEST(OpenPort, ClosesTheOpenPortFirstAndOpensThroughTheDevicePrefix) {
    FakeSerialPort serial;
    ErrorText error;
    DevicePort port(serial, test::RegistryOf(VarnestRegistry()), error);
    EXPECT_TRUE(port.OpenPort("COM7"));
    EXPECT_TRUE(port.OpenPort("COM12"));
    EXPECT_EQ(serial.opened, (std::vector<std::string>{"\\\\.\\COM7", "\\\\.\\COM12"}));
    EXPECT_EQ(serial.closes, 1);
    EXPECT_EQ(serial.configured, 2);
    EXPECT_EQ(port.ClosePort(), 0);
    EXPECT_EQ(port.ClosePort(), 0);
    EXPECT_EQ(serial.closes, 2);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(error.Empty());
}

TEST(OpenPort, RefusedOrOverlongPortFailsWithOneMessage) {
    for (const std::string& name : {std::string("COM7"), std::string(19, 'C'), std::string()}) {
        SCOPED_TRACE(name);
        FakeSerialPort serial;
        serial.refuseOpen = name == "COM7";
        ErrorText error;
        DevicePort port(serial, test::RegistryOf(VarnestRegistry()), error);
        EXPECT_FALSE(port.OpenPort(name));
        EXPECT_EQ(error.Text(), "USB не открывается!"_cp);
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(serial.configured, 0);
    }
    // 18 characters is the longest name that fits the device path.
    FakeSerialPort serial;
    ErrorText error;
    DevicePort port(serial, test::RegistryOf(VarnestRegistry()), error);
    EXPECT_TRUE(port.OpenPort(std::string(18, 'C')));
}

TEST(ConnectDevice, OneLinePerFailedKindInOrderThenTheOpenedKind) {
    // Kind 2 is installed but unplugged, kind 3 is plugged in.
    RegistryTree tree = VarnestRegistry("COM9");
    const std::string querante = kUsb + "\\VID_1FC9&PID_0003\\QUERANTE-000";
    tree.SetString(querante, "FriendlyName", "Querante USB VCom Port (COM4)");
    tree.SetString(querante + "\\Device Parameters", "PortName", "COM4");
    FakeSerialPort serial;
    ErrorText error;
    DevicePort port(serial, test::RegistryOf(tree), error);

    EXPECT_EQ(port.ConnectDevice(0, 3), -1);
    EXPECT_EQ(error.Text(), std::string("Подсоединение: \r\n"
                                        "Тарвел: В системе нет ни одного драйвера для Устройства!\r\n"
                                        "Молдин: В системе нет ни одного драйвера для Устройства!\r\n"
                                        "Кверант: Устройство не подключено!\r\n"_cp));
    EXPECT_TRUE(serial.opened.empty());

    EXPECT_EQ(port.ConnectDevice(0, 4), 3);
    EXPECT_EQ(error.Text(), "Варнест"_cp);
    EXPECT_EQ(serial.opened, std::vector<std::string>{"\\\\.\\COM9"});
    EXPECT_TRUE(port.IsOpen());
}

TEST(ConnectDevice, UnpluggedDeviceIsNotOpened) {
    RegistryTree tree = VarnestRegistry("COM7");
    RegistryTree unplugged;
    unplugged.SetString(kVarnestInstance, "FriendlyName", "Varnest USB VCom Port (COM7)");
    unplugged.SetString(kVarnestInstance + "\\Device Parameters", "PortName", "COM7");
    unplugged.SetString("HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Serial0", "COM1");
    FakeSerialPort serial;
    ErrorText error;
    DevicePort port(serial, test::RegistryOf(unplugged), error);
    EXPECT_EQ(port.ConnectDevice(kVarnestKind, kVarnestKind + 1), -1);
    EXPECT_EQ(error.Text(), std::string("Подсоединение: \r\nВарнест: Устройство не подключено!\r\n"_cp));
    EXPECT_TRUE(serial.opened.empty());

    serial.refuseOpen = true;
    DevicePort held(serial, test::RegistryOf(tree), error);
    EXPECT_EQ(held.ConnectDevice(kVarnestKind, kVarnestKind + 1), -1);
    EXPECT_EQ(error.Text(), std::string("Подсоединение: \r\nВарнест: USB не открывается!\r\n"_cp));
}

}  // namespace
}  // namespace gvc
