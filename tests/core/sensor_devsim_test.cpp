// Sensor access against gvc-devsim over a real pseudo-terminal: full reads of
// the simulator's sensors, admission of the faulty ones, a write read back,
// a failure inside page C, and the digital front end. The simulator's traffic
// log shows the order and number of exchanges.
#ifdef GVC_DEVSIM_PATH

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "calibration/timer_loop.h"
#include "device/device_link.h"
#include "device/registry.h"
#include "device/waiter.h"
#include "devsim_process.h"
#include "sensor/device_link_connector.h"
#include "sensor/sensor_admission.h"
#include "sensor/sensor_live.h"
#include "sensor/sensor_read.h"
#include "sensor/sensor_write.h"
#include "sensor_profiles.h"
#include "sensor_test_fixture.h"
#include "table/table_loader.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc::test {
namespace {

using namespace gvc::literals;
namespace fs = std::filesystem;

// One exchange of the traffic log: "N read 2A 2 000007D0 ok".
struct LoggedExchange {
    std::string command;
    unsigned address = 0;
    unsigned length = 0;
    std::uint32_t value = 0;
    std::string outcome;
};

std::vector<LoggedExchange> ReadTrafficLog(const fs::path& file) {
    std::vector<LoggedExchange> exchanges;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        unsigned long number = 0;
        LoggedExchange e;
        fields >> number >> e.command >> std::hex >> e.address >> std::dec >> e.length >> std::hex >>
            e.value >> e.outcome;
        exchanges.push_back(e);
    }
    return exchanges;
}

std::vector<unsigned> AddressesOf(const std::vector<LoggedExchange>& log, std::size_t from) {
    std::vector<unsigned> addresses;
    for (std::size_t i = from; i < log.size(); ++i)
        addresses.push_back(log[i].address);
    return addresses;
}

const SensorTypeTable& ShippedTable() {
    static const SensorTypeTable table = [] {
        SensorTypeTable t;
        ErrorText error;
        const bool loaded =
            LoadSensorTypeTable(fs::path(GVC_SOURCE_DIR) / "DAT" / "TABL_GAZ_SENSOR_PARAM.dat", t, error);
        EXPECT_TRUE(loaded) << Utf8FromCp1251(error.Text());
        return t;
    }();
    return table;
}

// The page reads of a profile's memory without a line in between.
SensorState ReadInProcess(const std::string& profile) {
    const devsim::SensorProfile* p = devsim::FindSensorProfile(profile);
    EXPECT_NE(p, nullptr) << profile;
    FakeSensor sensor;
    if (p != nullptr) std::copy(p->memory.begin(), p->memory.end(), sensor.memory.begin());
    ScriptedOperator op;
    NoProgress progress;
    SensorState state;
    SensorAccess access{sensor, op, ShippedTable(), state, progress};
    EXPECT_EQ(ReadAllPages(access), 0);
    return state;
}

// Sends a command to the simulator as a page starts, so that a fault lands
// on the page's first exchange.
class FaultAtPage : public RecordingProgress {
public:
    FaultAtPage(devsim::DevsimProcess& simulator, std::string page, std::string command)
        : simulator_(simulator), page_(std::move(page)), command_(std::move(command)) {}
    void PageStarted(std::string_view page) override {
        RecordingProgress::PageStarted(page);
        if (page == page_) {
            EXPECT_EQ(simulator_.Command(command_).rfind("ok", 0), 0u);
        }
    }

private:
    devsim::DevsimProcess& simulator_;
    std::string page_;
    std::string command_;
};

class SensorDevsimTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(GVC_BINARY_DIR) / "test-sensor-devsim" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }

    void TearDown() override {
        port_.ClosePort();
        simulator_.Stop();
        fs::remove_all(dir_);
    }

    // Starts the simulator with a fresh sensor of the profile.
    void Start(const std::string& profile) {
        port_.ClosePort();
        simulator_.Stop();
        fs::remove(dir_ / "traffic.log");
        const std::vector<std::string> args = {"--registry", (dir_ / "devsim.reg").string(),
                                               "--memory",   (dir_ / "memory.bin").string(),
                                               "--log",      (dir_ / "traffic.log").string(),
                                               "--profile",  profile,
                                               "--reset",    "--noise",
                                               "0"};
        ASSERT_TRUE(simulator_.Start(GVC_DEVSIM_PATH, args)) << simulator_.Error();
    }

    std::vector<LoggedExchange> Log() const { return ReadTrafficLog(dir_ / "traffic.log"); }

    std::vector<std::string> Shown() const {
        std::vector<std::string> texts;
        for (const auto& m : op_.Messages())
            texts.push_back(Utf8FromCp1251(m.text));
        return texts;
    }

    RegistryOpener RegistryFile() const {
        return [this] {
            const std::optional<std::string> bytes = ReadFileBytes(dir_ / "devsim.reg", kMaxRegistryFileSize);
            return MakeMemoryRegistry(bytes ? ParseRegistryExport(*bytes) : RegistryTree{});
        };
    }

    int Connect() { return ConnectSensor(access_, catalogue_, connector_); }

    fs::path dir_;
    devsim::DevsimProcess simulator_;
    std::unique_ptr<SerialPort> serial_ = MakeSystemSerialPort();
    ErrorText error_;
    DevicePort port_{*serial_, RegistryFile(), error_};
    ScriptedOperator op_;
    // The simulator answers at once; the 100 ms wait adds nothing but time here
    // (the benchmark keeps it).
    InstantWaiter waiter_;
    DeviceLink link_{port_, op_, waiter_};
    DeviceLinkConnector connector_{link_};
    SensorState state_;
    RecordingProgress progress_;
    SensorAccess access_{link_, op_, ShippedTable(), state_, progress_};
    AdmissionCatalogue catalogue_ = AdmissionCatalogueFromTable(ShippedTable());
};

// Probes, identity, then the 43 reads of pages P, A, B and C.
const std::vector<unsigned> kConnectAndReadOrder = {
    0x00, 0x06,                                                              // probes
    0x28, 0xE8, 0x24, 0x20, 0x2A, 0x2C,                                      // identity
    0x28, 0xE8, 0x24, 0x20, 0x2A, 0x2C,                                      // P
    0x42, 0x46,                                                              // A
    0x80, 0x82, 0x84, 0x86, 0x88, 0x8A, 0x8E, 0x92, 0x94, 0x96, 0x97, 0x98,  // B
    0xC0, 0xC1, 0xC2, 0xED, 0xC3, 0xC4, 0xC8, 0xD2, 0xCA, 0xD4, 0xCC, 0xD6,  // C
    0xCE, 0xD8, 0xD0, 0xDA, 0xE4, 0xE0, 0xE2, 0xDE, 0xDC, 0xEC, 0xF0};

TEST_F(SensorDevsimTest, FullReadOfEveryValidProfile) {
    struct Case {
        const char* profile;
        std::uint8_t gasCode;
        std::uint8_t typeNumber;
        std::uint32_t serial;
        std::uint8_t electrode;
        std::int32_t adcSpan;
    } const cases[] = {
        {"default", 1, 0, 291, 2, 14000},         {"digital", 3, 1, 1001, 0, 5000},
        {"oxygen", 5, 0, 5002, 1, 55000},         {"ultraviolet", 7, 0, 7003, 2, 1020},
        {"four-electrode", 4, 1, 4004, 3, 30000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        Start(c.profile);
        state_ = SensorState{};
        progress_ = RecordingProgress{};

        ASSERT_EQ(Connect(), 0);

        EXPECT_TRUE(Shown().empty());
        const std::vector<LoggedExchange> log = Log();
        EXPECT_EQ(log.size(), 2u + 6u + 43u);
        EXPECT_EQ(AddressesOf(log, 0), kConnectAndReadOrder);
        const SensorState expected = ReadInProcess(c.profile);
        EXPECT_EQ(state_.OldParams, expected.OldParams);
        EXPECT_EQ(state_.identity, (SensorIdentity{c.gasCode, c.serial, c.typeNumber, c.gasCode}));
        EXPECT_EQ(state_.OldParams.ElectrodeCode, c.electrode);
        // The sensor is of its table type.
        const SensorTypeEntry& type = ShippedTable().FindSensorType(c.gasCode, c.typeNumber);
        EXPECT_EQ(state_.OldParams.KindCode, type.kindIndex);
        EXPECT_EQ(state_.OldParams.ElectrodeCode, type.electrodeIndex);
        EXPECT_EQ(state_.OldParams.MeasuredParamCode, type.measuredParamIndex);
        EXPECT_EQ(state_.OldParams.UnitCode, type.unitIndex);
        EXPECT_EQ(state_.OldParams.MakerCode, type.makerIndex);
        EXPECT_EQ(state_.OldParams.MultiplierCode, type.multiplierIndex);
        EXPECT_EQ(state_.OldParams.RangeTop, type.rangeMax);
        EXPECT_EQ(state_.OldParams.ThresholdA1, type.thresholdA1);
        EXPECT_EQ(state_.OldParams.ThresholdA2, type.thresholdA2);
        EXPECT_EQ(state_.OldParams.WorkResourceMax, type.workResourceMax);
        EXPECT_EQ(state_.OldParams.RefConc, type.referenceConcentration);
        for (unsigned i = 0; i < 5; ++i) {
            EXPECT_NEAR(state_.OldParams.TempCoefs[i].start, type.tempRanges[i].startCoefPercent, 1) << i;
        }
        EXPECT_NEAR(state_.OldParams.TempEndCoef, type.tempEndCoefPercent, 1);
        EXPECT_GT(state_.wide.TempScale, 0);
        EXPECT_EQ(SelectAdcRange(state_.OldParams, ShippedTable()).AdcSpan, c.adcSpan);
        EXPECT_EQ(progress_.runs, std::vector<TransferMode>{TransferMode::kRead});
        EXPECT_EQ(progress_.bar, 100);
    }
}

TEST_F(SensorDevsimTest, AdmissionOfFaultySensors) {
    struct Case {
        const char* profile;
        int result;
        std::vector<std::string> messages;
        std::size_t exchanges;
    } const cases[] = {
        {"erased", 0, {}, 2 + 6},
        {"simulator-gas",
         1,
         {"Датчик: Не созданы Типы Датчика для Газа\r\n               Имитатор - Не Градуируется"},
         2 + 6},
        {"no-serial", 1, {"Датчик: не имеет серийного номера!"}, 2 + 6},
        {"wrong-gas-number", 1, {"Датчик: Неверный Газ-Номер Датчика: 02-xx != 01-xx"}, 2 + 6},
        {"type-beyond", 1, {"Датчик: Неверный Тип-Номер Датчика: xx-05 > xx-02"}, 2 + 6},
        {"gas-code-beyond", 1, {"Датчик: Недопустимый код Газа - 12"}, 2 + 6},
        {"no-types", 1, {"Датчик: Не созданы Типы Датчика для Газа - Водород"}, 2 + 6},
        {"temp-scale-zero", 1, {"Датчик: Нулевой масштаб Температуры - Градуировка невозможна"}, 2 + 6},
        {"decreasing-bounds", -1, {"Ошибка в коэф-тах Ресурса"}, 2 + 6 + 6 + 2 + 12 + 6 + 10 + 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        Start(c.profile);
        op_.ClearMessages();
        EXPECT_EQ(Connect(), c.result);
        EXPECT_EQ(Shown(), c.messages);
        EXPECT_EQ(Log().size(), c.exchanges);
        // A refused sensor leaves the port closed; any other keeps it open.
        EXPECT_EQ(port_.IsOpen(), c.result != 1);
    }
}

TEST_F(SensorDevsimTest, WrittenParamsReadBackAfterReconnecting) {
    struct Case {
        const char* profile;
        std::size_t writeExchanges;
    } const cases[] = {{"default", 41}, {"ultraviolet", 46}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        Start(c.profile);
        ASSERT_EQ(Connect(), 0);
        SensorParams& n = state_.NewParams;
        n = state_.OldParams;
        SelectAdcRange(access_);  // the ultraviolet window sets the channel flag
        n.ZeroOffset = -4321;
        n.Slope = 10000;
        n.CalibrationCount = static_cast<std::uint8_t>(n.CalibrationCount + 1);
        n.PgaGain = 4;
        n.ThresholdA1 += 1000;
        n.TempCoefs[0].start = 110;
        n.TempEndCoef = 95;
        n.ResourceRanges[0].start = 102;
        state_.OldParams.CalResourceNow = 1234;
        state_.wide.zeroAverageRaw = 555;
        const SensorParams written = n;
        const std::size_t before = Log().size();

        ASSERT_EQ(WriteAllPages(access_), 0);
        const std::vector<LoggedExchange> log = Log();
        EXPECT_EQ(log.size() - before, c.writeExchanges);
        for (std::size_t i = before; i < log.size(); ++i)
            EXPECT_EQ(log[i].command, "write");

        // Unplugging and reconnecting reads what the flash kept.
        port_.ClosePort();
        state_.OldParams = SensorParams{};
        ASSERT_EQ(Connect(), 0);
        const SensorParams& r = state_.OldParams;
        EXPECT_EQ(r.ZeroOffsetSign, -1);
        EXPECT_EQ(r.ZeroOffset, 4321);
        EXPECT_LE(std::abs(r.Slope - written.Slope), 1);
        EXPECT_EQ(r.CalibrationCount, written.CalibrationCount);
        EXPECT_EQ(r.PgaGain, 4);
        EXPECT_EQ(r.ThresholdA1, written.ThresholdA1);
        EXPECT_EQ(r.RangeTop, written.RangeTop);
        EXPECT_EQ(r.CalResourceNow, 1234u);
        for (unsigned i = 0; i < 5; ++i)
            EXPECT_LE(std::abs(r.TempCoefs[i].start - written.TempCoefs[i].start), 1);
        EXPECT_LE(std::abs(r.TempEndCoef - written.TempEndCoef), 1);
        for (unsigned p = 0; p < 3; ++p) {
            EXPECT_EQ(r.ResourceRanges[p].end, written.ResourceRanges[p].end);
            EXPECT_LE(std::abs(r.ResourceRanges[p].start - written.ResourceRanges[p].start),
                      ResourceStartTolerance(written, p));
        }
        EXPECT_TRUE(Shown().empty());
    }
}

TEST_F(SensorDevsimTest, FailureInPageCKeepsTheNewPageAAndBValues) {
    Start("default");
    ASSERT_EQ(link_.ConnectCalibrationDevice(), 0);
    // Values of an earlier sensor.
    state_.OldParams.WorkResourceNow = 1;
    state_.OldParams.CalibrationCount = 99;
    state_.OldParams.KindCode = 99;
    FaultAtPage progress(simulator_, "FLASH-C", "fault status 3");
    SensorAccess access{link_, op_, ShippedTable(), state_, progress};

    EXPECT_EQ(ReadAllPages(access), -1);

    EXPECT_EQ(Shown(), std::vector<std::string>{
                           "Ошибка приема из Устройства Градуировки:  нет соединения с датчиком"});
    const SensorState expected = ReadInProcess("default");
    EXPECT_EQ(state_.OldParams.WorkResourceNow, expected.OldParams.WorkResourceNow);
    EXPECT_EQ(state_.OldParams.CalibrationCount, expected.OldParams.CalibrationCount);
    EXPECT_EQ(state_.OldParams.KindCode, 99);
    EXPECT_EQ(progress.bar, 60);
    EXPECT_EQ(Log().size(), 2u + 6u + 2u + 12u + 1u);
    EXPECT_EQ(Log().back().outcome, "status3");
}

TEST_F(SensorDevsimTest, DigitalFrontEndCommands) {
    Start("digital");
    ASSERT_EQ(Connect(), 0);
    const std::size_t before = Log().size();
    EXPECT_EQ(WriteDigitalFrontEnd(access_, true, 161), 1);
    EXPECT_EQ(CheckDigitalFrontEnd(access_), 1);
    EXPECT_EQ(WriteDigitalFrontEnd(access_, false, 2500), 1);
    const std::vector<LoggedExchange> log = Log();
    ASSERT_EQ(log.size(), before + 3);
    EXPECT_EQ(log[before].command, "write");
    EXPECT_EQ(log[before].address, 0x10u);
    EXPECT_EQ(log[before].value, 161u);
    EXPECT_EQ(log[before + 1].command, "read");
    EXPECT_EQ(log[before + 1].address, 0x10u);
    EXPECT_EQ(log[before + 2].address, 0x0Eu);
    EXPECT_EQ(log[before + 2].length, 2u);
    EXPECT_EQ(log[before + 2].value, 2500u);
    EXPECT_TRUE(Shown().empty());

    ASSERT_EQ(simulator_.Command("fault status 4"), "ok fault status");
    EXPECT_EQ(WriteDigitalFrontEnd(access_, true, 162), 0);
    EXPECT_EQ(Shown(),
              (std::vector<std::string>{"Ошибка приема из Устройства Градуировки:  датчик превысил таймаут",
                                        "Цифровой Датчиком не отвечает\r\n      Градуировка невозможна"}));

    Start("digital-not-ready");
    op_.ClearMessages();
    ASSERT_EQ(Connect(), 0);
    EXPECT_EQ(CheckDigitalFrontEnd(access_), 0);
    EXPECT_EQ(Shown(), std::vector<std::string>{"Цифровой Сенсор не отвечает\r\n    Градуировка невозможна"});
}

TEST_F(SensorDevsimTest, LiveValuesFollowTheChamber) {
    Start("default");
    ASSERT_EQ(Connect(), 0);
    ASSERT_EQ(simulator_.Command("temp 235"), "ok temp");
    LiveValues values;
    ASSERT_EQ(ReadLiveValues(access_, values), 0);
    EXPECT_NEAR(values.temperature, 235, 1);  // one code of the scale
    EXPECT_EQ(values.status, devsim::FindSensorProfile("default")->statusByte);
    const std::vector<LoggedExchange> log = Log();
    EXPECT_EQ(AddressesOf(log, log.size() - 3), (std::vector<unsigned>{0x00, 0x06, 0x0C}));
}

// The sample rhythm of gvc-cli calibrate over real exchanges, each with its
// 100 ms wait: a tick spends about 300 ms, yet each deadline is the previous
// one plus 500 ms whenever the previous tick ended within a period of its
// own. The measured period is recorded with the test's results.
constexpr std::size_t kRhythmSamples = 12;

TEST_F(SensorDevsimTest, TimerLoopKeepsTheSampleRhythmOverRealExchanges) {
    Start("default");
    ASSERT_EQ(Connect(), 0);
    SleepingWaiter realWait;
    DeviceLink link{port_, op_, realWait};
    SensorAccess access{link, op_, ShippedTable(), state_, progress_};

    struct Tick {
        LoopClock::time_point deadline, start, end;
    };
    class LiveTicks : public TimedTicks {
    public:
        LiveTicks(SensorAccess& access, const FixedRateDeadline& sample) : access_(access), sample_(sample) {}
        bool DrawOn() const override { return on_; }
        bool SampleOn() const override { return on_; }
        void DrawTick() override {}
        void SampleTick() override {
            Tick tick{sample_.Deadline(), LoopClock::now(), {}};
            LiveValues values;
            if (ReadLiveValues(access_, values) != 0) on_ = false;
            tick.end = LoopClock::now();
            ticks.push_back(tick);
            if (ticks.size() == kRhythmSamples) on_ = false;
        }
        std::vector<Tick> ticks;
        bool on_ = true;

    private:
        SensorAccess& access_;
        const FixedRateDeadline& sample_;
    };
    SteadyLoopTime time;
    TimerSchedule schedule;
    LiveTicks live(access, schedule.sample);
    RunTimerLoop(live, time, schedule);

    ASSERT_EQ(live.ticks.size(), kRhythmSamples) << "an exchange failed";
    const auto period = schedule.sample.Period();
    for (std::size_t i = 1; i < live.ticks.size(); ++i) {
        SCOPED_TRACE(i);
        const Tick& before = live.ticks[i - 1];
        const Tick& tick = live.ticks[i];
        EXPECT_GE(tick.start, tick.deadline);
        if (before.end <= before.deadline + period) {
            EXPECT_EQ(tick.deadline, before.deadline + period);
        } else {
            EXPECT_GT(tick.deadline, before.end);  // more than a period late: from then on
        }
    }
    const auto span = live.ticks.back().start - live.ticks.front().start;
    const auto meanMs = std::chrono::duration_cast<std::chrono::milliseconds>(span).count() /
                        static_cast<long>(live.ticks.size() - 1);
    const auto tickMs = std::chrono::duration_cast<std::chrono::milliseconds>(live.ticks.front().end -
                                                                              live.ticks.front().start)
                            .count();
    RecordProperty("sample_period_ms", std::to_string(meanMs));
    RecordProperty("first_tick_ms", std::to_string(tickMs));
    std::cout << "sample period " << meanMs << " ms, a tick spends " << tickMs << " ms\n";
}

}  // namespace
}  // namespace gvc::test

#endif  // GVC_DEVSIM_PATH
