// The real port layer against gvc-devsim over a pseudo-terminal: discovery
// through the registry file, both probes, round trips of 1, 2 and 4 bytes,
// injected faults with their exact messages, and unplugging.
#ifdef GVC_DEVSIM_PATH

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "device/device_link.h"
#include "device/registry.h"
#include "devsim_process.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {
namespace {

using namespace gvc::literals;
namespace fs = std::filesystem;

std::string ReceiveError(std::string_view reason) {
    return std::string("Ошибка приема из Устройства Градуировки: "_cp) + std::string(reason);
}

std::vector<std::string> LinesOf(const fs::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class DevsimTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(GVC_BINARY_DIR) / "test-devsim" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        StartSimulator(true);
    }

    void StartSimulator(bool reset) {
        std::vector<std::string> args = {"--registry", (dir_ / "devsim.reg").string(),
                                         "--memory",   (dir_ / "memory.bin").string(),
                                         "--log",      (dir_ / "traffic.log").string(),
                                         "--noise",    "0",
                                         "--late-ms",  "800"};
        if (reset) args.push_back("--reset");
        ASSERT_TRUE(simulator_.Start(GVC_DEVSIM_PATH, args)) << simulator_.Error();
    }

    void TearDown() override {
        port_.ClosePort();
        simulator_.Stop();
        fs::remove_all(dir_);
    }

    RegistryOpener RegistryFile() const {
        // The fixture's directory is known only in SetUp: look it up at each call.
        return [this] {
            const std::optional<std::string> bytes = ReadFileBytes(dir_ / "devsim.reg", kMaxRegistryFileSize);
            return MakeMemoryRegistry(bytes ? ParseRegistryExport(*bytes) : RegistryTree{});
        };
    }

    int Request(DeviceCommand command, std::uint8_t address, std::uint8_t length, std::uint32_t& value) {
        operator_.ClearMessages();
        return link_.DeviceRequest(command, address, length, value);
    }

    std::vector<std::string> Shown() const {
        std::vector<std::string> texts;
        for (const auto& m : operator_.Messages())
            texts.push_back(m.text);
        return texts;
    }

    fs::path dir_;
    devsim::DevsimProcess simulator_;
    std::unique_ptr<SerialPort> serial_ = MakeSystemSerialPort();
    ErrorText error_;
    DevicePort port_{*serial_, RegistryFile(), error_};
    ScriptedOperator operator_;
    SleepingWaiter waiter_;
    DeviceLink link_{port_, operator_, waiter_};
};

TEST_F(DevsimTest, DiscoveryThroughTheRegistryFileAndBothProbes) {
    // The system registry honours GVC_REGISTRY_FILE.
    ::setenv("GVC_REGISTRY_FILE", (dir_ / "devsim.reg").c_str(), 1);
    std::unique_ptr<SerialPort> serial = MakeSystemSerialPort();
    ErrorText error;
    DevicePort port(*serial, OpenSystemRegistry, error);
    DeviceLink link(port, operator_, waiter_);
    EXPECT_EQ(link.ConnectCalibrationDevice(), 0);
    ::unsetenv("GVC_REGISTRY_FILE");
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(error.Text(), "Варнест"_cp);
    EXPECT_EQ(port.DevicePortPath(), "\\\\.\\" + simulator_.Port());
    port.ClosePort();
    const std::vector<std::string> log = LinesOf(dir_ / "traffic.log");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_TRUE(log[0].starts_with("1 probe 00 2 00000000 ok")) << log[0];
    EXPECT_TRUE(log[1].starts_with("2 read 06 2 ")) << log[1];
}

TEST_F(DevsimTest, ReadsAndWritesRoundTripAndFlashSurvivesReopeningAndRestarting) {
    const struct {
        std::uint8_t address;
        std::uint8_t length;
        std::uint32_t value;
    } items[] = {{0x96, 1, 0xA7}, {0x80, 2, 0xC0DE}, {0x8A, 4, 0xFEDCBA98}};
    ASSERT_EQ(link_.ConnectCalibrationDevice(), 0);
    for (const auto& item : items) {
        std::uint32_t value = item.value;
        EXPECT_EQ(Request(DeviceCommand::kWrite, item.address, item.length, value), 0);
    }
    // The program may close and reopen the port as often as it likes.
    for (int i = 0; i < 3; ++i) {
        port_.ClosePort();
        ASSERT_EQ(link_.ConnectCalibrationDevice(), 0) << i;
    }
    simulator_.Stop();
    port_.ClosePort();
    StartSimulator(false);
    ASSERT_EQ(link_.ConnectCalibrationDevice(), 0);
    for (const auto& item : items) {
        std::uint32_t value = 0;
        EXPECT_EQ(Request(DeviceCommand::kRead, item.address, item.length, value), 0);
        EXPECT_EQ(value, item.value);
    }
    EXPECT_TRUE(Shown().empty());
}

TEST_F(DevsimTest, InjectedFaultsGiveTheirExactMessages) {
    const struct {
        const char* command;
        int result;
        std::string_view reason;
    } cases[] = {
        {"fault status 1", 1, " сбой в интерфейсе USB"_cp},
        {"fault status 2", 1, " датчик занят обработкой"_cp},
        {"fault status 3", 1, " нет соединения с датчиком"_cp},
        {"fault status 4", 1, " датчик превысил таймаут"_cp},
        {"fault status 5", 1, " ответ датчика с неверной CRC"_cp},
        {"fault short", 2, " недостаточная длина пакета"_cp},
        {"fault command", 3, " не верная команда"_cp},
        {"fault address", 4, " не верное смещение"_cp},
        {"fault length", 5, " не верная длина данных"_cp},
        {"fault stray", 3, " не верная команда"_cp},
        {"fault silent", 2, " недостаточная длина пакета"_cp},
    };
    ASSERT_EQ(link_.ConnectCalibrationDevice(), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        ASSERT_EQ(simulator_.Command(c.command).rfind("ok", 0), 0u);
        std::uint32_t value = 0;
        EXPECT_EQ(Request(DeviceCommand::kRead, 0x2A, 2, value), c.result);
        EXPECT_EQ(Shown(), std::vector<std::string>{ReceiveError(c.reason)});
        EXPECT_TRUE(port_.IsOpen());
        // Stray bytes leave the rest of that reply queued: the next exchange
        // reads it and fails too, as a real line would.
        if (std::string_view(c.command) == "fault stray") {
            EXPECT_NE(Request(DeviceCommand::kRead, 0x2A, 2, value), 0);
            port_.ClosePort();
            ASSERT_EQ(link_.ConnectCalibrationDevice(), 0);
        }
    }
}

TEST_F(DevsimTest, LateReplyFailsAndSpoilsTheNextExchange) {
    ASSERT_EQ(link_.ConnectCalibrationDevice(), 0);
    ASSERT_EQ(simulator_.Command("fault late"), "ok fault late");
    std::uint32_t value = 0;
    EXPECT_EQ(Request(DeviceCommand::kRead, 0x2A, 2, value), 2);
    EXPECT_EQ(Shown(), std::vector<std::string>{ReceiveError(" недостаточная длина пакета"_cp)});
    // The reply comes 800 ms after the request, long after the read gave up
    // (100 ms wait and 180 ms read); a margin for a loaded machine.
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    EXPECT_EQ(Request(DeviceCommand::kRead, 0x2C, 2, value), 4);
    EXPECT_EQ(Shown(), std::vector<std::string>{ReceiveError(" не верное смещение"_cp)});
}

TEST_F(DevsimTest, UnpluggingDuringAnExchangeClosesThePortOnTheNextRequest) {
    ASSERT_EQ(link_.ConnectCalibrationDevice(), 0);
    ASSERT_EQ(simulator_.Command("fault unplug"), "ok fault unplug");
    std::uint32_t value = 0;
    EXPECT_EQ(Request(DeviceCommand::kRead, 0x0C, 2, value), 2);
    EXPECT_EQ(Shown(), std::vector<std::string>{ReceiveError(" недостаточная длина пакета"_cp)});
    EXPECT_TRUE(port_.IsOpen());
    EXPECT_EQ(Request(DeviceCommand::kRead, 0x0C, 2, value), 1);
    EXPECT_EQ(Shown(),
              std::vector<std::string>{std::string("Не проходит пакет в устройство Градуировки"_cp)});
    EXPECT_FALSE(port_.IsOpen());

    operator_.ClearMessages();
    EXPECT_EQ(link_.ConnectCalibrationDevice(), -1);
    EXPECT_EQ(Shown(), std::vector<std::string>{
                           std::string("Подсоединение: \r\nВарнест: Устройство не подключено!\r\n"_cp)});

    ASSERT_EQ(simulator_.Command("plug").rfind("ok plug", 0), 0u);
    operator_.ClearMessages();
    EXPECT_EQ(link_.ConnectCalibrationDevice(), 0);
    EXPECT_TRUE(Shown().empty());
}

TEST_F(DevsimTest, PortHeldByAnotherProgramDoesNotOpen) {
    const int holder = ::open(simulator_.Port().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(link_.ConnectCalibrationDevice(), -1);
    EXPECT_EQ(Shown(), std::vector<std::string>{
                           std::string("Подсоединение: \r\nВарнест: USB не открывается!\r\n"_cp)});
    ::close(holder);
    operator_.ClearMessages();
    EXPECT_EQ(link_.ConnectCalibrationDevice(), 0);
}

}  // namespace
}  // namespace gvc

#endif  // GVC_DEVSIM_PATH
