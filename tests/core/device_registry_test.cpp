// The registry views discovery reads on POSIX: regedit export files and sysfs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "device/registry.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;
namespace fs = std::filesystem;

std::string Utf16Le(std::string_view ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

std::optional<std::string> Read(const Registry& registry, std::string_view key, std::string_view name) {
    const std::unique_ptr<RegistryKey> k = registry.OpenLocalMachineKey(key);
    if (!k) return std::nullopt;
    return k->ReadString(name);
}

const char kExport[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_1FC9&PID_0003\\VARNESTs-000]\r\n"
    "\"FriendlyName\"=\"Varnest USB VCom Port (COM7)\"\r\n"
    "\"Quoted\"=\"say \\\"hi\\\" C:\\\\dir\\\\\"\r\n"
    "\"Capabilities\"=dword:00000084\r\n"
    "\"HardwareID\"=hex(7):55,00,53,00,\\\r\n"
    "  42,00,00,00\r\n"
    "@=\"default\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\SYSTEM\\Other]\r\n"
    "\"FriendlyName\"=\"not local machine\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\r\n"
    "\"\\\\Device\\\\USBSER000\"=\"COM7\"\r\n";

TEST(RegistryExport, ReadsKeysStringsAndEscapesInBothEncodings) {
    for (const std::string& bytes :
         {std::string(kExport), "\xEF\xBB\xBF" + std::string(kExport), Utf16Le(kExport)}) {
        const std::unique_ptr<Registry> registry = MakeMemoryRegistry(ParseRegistryExport(bytes));
        const std::string instance = "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_1FC9&PID_0003\\VARNESTs-000";
        EXPECT_EQ(Read(*registry, instance, "FriendlyName"), "Varnest USB VCom Port (COM7)");
        EXPECT_EQ(Read(*registry, instance, "friendlyname"), "Varnest USB VCom Port (COM7)");
        EXPECT_EQ(Read(*registry, instance, "Quoted"), "say \"hi\" C:\\dir\\");
        EXPECT_EQ(Read(*registry, instance, ""), "default");
        EXPECT_EQ(Read(*registry, instance, "Capabilities"), std::nullopt) << "not a string";
        EXPECT_EQ(Read(*registry, instance, "Missing"), std::nullopt);
        // A section makes its parents exist too.
        EXPECT_NE(registry->OpenLocalMachineKey("SYSTEM\\CurrentControlSet\\Enum\\USB"), nullptr);
        EXPECT_EQ(registry->OpenLocalMachineKey("SYSTEM\\Other"), nullptr);
        const std::unique_ptr<RegistryKey> comm =
            registry->OpenLocalMachineKey("HARDWARE\\DEVICEMAP\\SERIALCOMM");
        ASSERT_NE(comm, nullptr);
        EXPECT_EQ(comm->ValueNames(), std::vector<std::string>{"\\Device\\USBSER000"});
        EXPECT_EQ(comm->ReadString("\\Device\\USBSER000"), "COM7");
        const std::unique_ptr<RegistryKey> usb =
            registry->OpenLocalMachineKey("SYSTEM\\CurrentControlSet\\Enum\\USB");
        ASSERT_NE(usb, nullptr);
        EXPECT_NE(usb->OpenSubKey("vid_1fc9&pid_0003\\VARNESTS-000"), nullptr);
        EXPECT_EQ(usb->OpenSubKey("VID_1FC9&PID_0003\\Other"), nullptr);
    }
}

TEST(RegistryExport, CyrillicTextsBecomeWindows1251) {
    const std::string text =
        "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"Name\"=\"Датчик\"\n";
    const std::unique_ptr<Registry> registry = MakeMemoryRegistry(ParseRegistryExport(text));
    EXPECT_EQ(Read(*registry, "K", "Name"), std::string("Датчик"_cp));
}

TEST(RegistryExport, FormattedExportReadsBack) {
    const std::vector<std::pair<std::string, std::vector<RegistryValue>>> keys = {
        {"A\\B", {{"Path", "C:\\x \"y\""}, {std::string("Имя"_cp), std::string("Значение"_cp)}}},
        {"HARDWARE\\DEVICEMAP\\SERIALCOMM", {}},
    };
    for (RegistryEncoding encoding : {RegistryEncoding::kUtf8, RegistryEncoding::kUtf16Le}) {
        const std::string bytes = FormatRegistryExport(keys, encoding);
        EXPECT_EQ(bytes.starts_with("\xFF\xFE"), encoding == RegistryEncoding::kUtf16Le);
        const std::unique_ptr<Registry> registry = MakeMemoryRegistry(ParseRegistryExport(bytes));
        EXPECT_EQ(Read(*registry, "A\\B", "Path"), "C:\\x \"y\"");
        EXPECT_EQ(Read(*registry, "A\\B", "Имя"_cp), std::string("Значение"_cp));
        const std::unique_ptr<RegistryKey> comm =
            registry->OpenLocalMachineKey("HARDWARE\\DEVICEMAP\\SERIALCOMM");
        ASSERT_NE(comm, nullptr);
        EXPECT_TRUE(comm->ValueNames().empty());
    }
}

TEST(RegistryExport, MalformedInputGivesWhatCanBeReadAndNoCrash) {
    const std::string inputs[] = {
        "",
        "\xFF\xFE",
        "\xFF\xFE\x41",              // odd byte count
        "\xFF\xFE\x00\xD8\x41\x00",  // unpaired surrogate
        "[HKEY_LOCAL_MACHINE\\K\n\"a\"=\"b\"",
        "[HKEY_LOCAL_MACHINE\\K]\n\"unterminated=\"x\"\n\"a\"=\"open\n=\"\"\n\"b\"=-\n\"c\"=\"\\",
        "[-HKEY_LOCAL_MACHINE\\K]\n\"a\"=\"b\"",
        std::string(1000, '['),
        std::string(1000, '\\'),
        "\"orphan\"=\"value\"",
    };
    for (const std::string& input : inputs) {
        const std::unique_ptr<Registry> registry = MakeMemoryRegistry(ParseRegistryExport(input));
        const std::unique_ptr<RegistryKey> key = registry->OpenLocalMachineKey("K");
        if (key) {
            EXPECT_EQ(key->ReadString("a"), std::nullopt);
        }
    }
}

class SysfsTree : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::path(GVC_BINARY_DIR) / "test-sysfs" /
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(root_);
        fs::create_directories(root_ / "bus" / "usb" / "devices");
    }
    void TearDown() override { fs::remove_all(root_); }

    void Attribute(const fs::path& dir, const std::string& name, const std::string& value) {
        fs::create_directories(dir);
        std::ofstream(dir / name) << value << "\n";
    }
    fs::path Device(const std::string& name) { return root_ / "bus" / "usb" / "devices" / name; }

    fs::path root_;
};

TEST_F(SysfsTree, UsbDevicesAppearUnderTheWindowsKeys) {
    // A CDC ACM device with a serial string, a USB serial converter without
    // one, a hub without a tty, and an interface entry that is not a device.
    const fs::path acm = Device("1-1");
    Attribute(acm, "idVendor", "1fc9");
    Attribute(acm, "idProduct", "0003");
    Attribute(acm, "serial", "VARNESTs-000");
    Attribute(acm, "product", "Varnest USB VCom Port");
    fs::create_directories(acm / "1-1:1.0" / "tty" / "ttyACM0");
    const fs::path converter = Device("2-3");
    Attribute(converter, "idVendor", "0403");
    Attribute(converter, "idProduct", "6001");
    Attribute(converter, "product", "FT232R");
    fs::create_directories(converter / "2-3:1.0" / "ttyUSB0");
    const fs::path hub = Device("usb1");
    Attribute(hub, "idVendor", "1d6b");
    Attribute(hub, "idProduct", "0002");
    fs::create_directories(Device("1-1:1.0"));

    const std::unique_ptr<Registry> registry = MakeMemoryRegistry(BuildSysfsRegistryTree(root_));
    const std::string usb = "SYSTEM\\CurrentControlSet\\Enum\\USB\\";
    EXPECT_EQ(Read(*registry, usb + "VID_1FC9&PID_0003\\VARNESTs-000", "FriendlyName"),
              "Varnest USB VCom Port (/dev/ttyACM0)");
    EXPECT_EQ(Read(*registry, usb + "VID_1FC9&PID_0003\\VARNESTs-000\\Device Parameters", "PortName"),
              "/dev/ttyACM0");
    EXPECT_EQ(Read(*registry, usb + "VID_0403&PID_6001\\2-3\\Device Parameters", "PortName"), "/dev/ttyUSB0");
    EXPECT_NE(registry->OpenLocalMachineKey(usb + "VID_1D6B&PID_0002\\usb1"), nullptr);
    EXPECT_EQ(registry->OpenLocalMachineKey(usb + "VID_1D6B&PID_0002\\usb1\\Device Parameters"), nullptr);

    const std::unique_ptr<RegistryKey> comm =
        registry->OpenLocalMachineKey("HARDWARE\\DEVICEMAP\\SERIALCOMM");
    ASSERT_NE(comm, nullptr);
    std::vector<std::string> ports;
    for (const std::string& name : comm->ValueNames())
        ports.push_back(comm->ReadString(name).value_or(""));
    EXPECT_EQ(ports, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyUSB0"}));
}

TEST_F(SysfsTree, NoSerialPortsMeansNoSerialCommKey) {
    const std::unique_ptr<Registry> registry = MakeMemoryRegistry(BuildSysfsRegistryTree(root_));
    EXPECT_NE(registry->OpenLocalMachineKey("SYSTEM\\CurrentControlSet\\Enum\\USB"), nullptr);
    EXPECT_EQ(registry->OpenLocalMachineKey("HARDWARE\\DEVICEMAP\\SERIALCOMM"), nullptr);
    const std::unique_ptr<Registry> missingRoot =
        MakeMemoryRegistry(BuildSysfsRegistryTree(root_ / "absent"));
    EXPECT_EQ(missingRoot->OpenLocalMachineKey("HARDWARE\\DEVICEMAP\\SERIALCOMM"), nullptr);
}

}  // namespace
}  // namespace gvc
