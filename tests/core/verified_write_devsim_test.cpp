// The check of the saving's write against gvc-devsim: a whole calibration run
// over a real pseudo-terminal, with a sound sensor and with sensors whose
// flash keeps its old bytes, goes quiet or answers corrupted after a write.
#ifdef GVC_DEVSIM_PATH

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "calibration/verified_save.h"
#include "calibration_fixture.h"
#include "device/device_link.h"
#include "device/registry.h"
#include "device/waiter.h"
#include "devsim_process.h"
#include "sensor/device_link_connector.h"
#include "sensor/sensor_admission.h"
#include "table/table_loader.h"

namespace gvc::test {
namespace {

namespace fs = std::filesystem;

// Answers Yes to every question and fills the chamber with reference gas when
// asked for it.
class ChamberOperator : public Operator {
public:
    void Show(MessageKind, std::string_view text) override { shown.push_back(Utf8FromCp1251(text)); }
    bool Ask(MessageKind, std::string_view text) override {
        shown.push_back(Utf8FromCp1251(text));
        if (onAsk) onAsk(shown.back());
        return true;
    }
    std::function<void(const std::string&)> onAsk;
    std::vector<std::string> shown;
};

class VerifiedWriteDevsimTest : public testing::TempDataRoot {
protected:
    void SetUp() override {
        TempDataRoot::SetUp();
        dir_ = root_ / "devsim";
        fs::create_directories(dir_);
        ASSERT_TRUE(LoadSensorTypeTable(fs::path(GVC_SOURCE_DIR) / "DAT" / "TABL_GAZ_SENSOR_PARAM.dat",
                                        table_, error_));
        catalogue_ = AdmissionCatalogueFromTable(table_);
        ASSERT_TRUE(fs_.MakeDirectory(locations::DataDir));
        ASSERT_TRUE(CreateSensorDirs(table_, fs_, op_));
        ASSERT_TRUE(CreateReportLog(fs_, op_, error_));
        op_.onAsk = [this](const std::string& question) {
            if (question.find("Градуировка Эталона") != std::string::npos) {
                EXPECT_EQ(simulator_.Command("gas ref"), "ok gas");
            }
        };
    }

    void TearDown() override {
        port_.ClosePort();
        simulator_.Stop();
        TempDataRoot::TearDown();
    }

    // A fresh methane sensor whose flash behaves as `flash` says; the chamber
    // follows its target at once and without noise.
    void StartSimulator(const std::string& flash) {
        const std::vector<std::string> args = {"--registry", (dir_ / "devsim.reg").string(),
                                               "--memory",   (dir_ / "memory.bin").string(),
                                               "--reset",    "--noise",
                                               "0",          "--tau",
                                               "0",          "--flash",
                                               flash};
        ASSERT_TRUE(simulator_.Start(GVC_DEVSIM_PATH, args)) << simulator_.Error();
    }

    // Connects, runs a calibration to its end and returns the saving's result.
    int Calibrate() {
        if (ConnectSensor(access_, catalogue_, connector_) != 0) return -100;
        SensorState& state = state_;
        list_.FillOldValues(state.OldParams, table_);
        list_.FillNewValues(state, table_, TakeConnectionSnapshot(state.OldParams), SensorDate{2026, 10, 12});
        reference_ = {state.NewParams.RefConc, false};
        run_.ResetCalibrationPage();
        run_.StartStopClicked();
        for (int tick = 0; tick < 2000 && run_.Page().sampleTimerOn; ++tick) {
            run_.SampleTick();
            run_.DrawTick();
        }
        EXPECT_EQ(Utf8FromCp1251(run_.Page().statusText), "OK !");
        return run_.LastSaveResult();
    }

    fs::path dir_;
    devsim::DevsimProcess simulator_;
    SensorTypeTable table_;
    ErrorText error_;
    FileSystem& fs_ = RealFileSystem();
    ChamberOperator op_;
    std::unique_ptr<SerialPort> serial_ = MakeSystemSerialPort();
    DevicePort port_{*serial_,
                     [this] {
                         const auto bytes = ReadFileBytes(dir_ / "devsim.reg", kMaxRegistryFileSize);
                         return MakeMemoryRegistry(bytes ? ParseRegistryExport(*bytes) : RegistryTree{});
                     },
                     error_};
    InstantWaiter waiter_;
    DeviceLink link_{port_, op_, waiter_};
    DeviceLinkConnector connector_{link_};
    SensorState state_;
    RecordingProgress progress_;
    SensorAccess access_{link_, op_, table_, state_, progress_};
    AdmissionCatalogue catalogue_;
    CharacteristicsList list_;
    ReferenceSelection reference_;
    int connectionState_ = 0;
    RecordingView view_;
    RecordingSink sink_;
    CalibrationRun run_{
        CalibrationContext{access_, list_, reference_, connectionState_, fs_, error_, view_, &sink_}};
};

TEST_F(VerifiedWriteDevsimTest, SoundSensorPassesTheCheck) {
    StartSimulator("none");
    ASSERT_EQ(Calibrate(), 0);
    ASSERT_EQ(sink_.records.size(), 1u);
    const RunRecord& r = sink_.records[0];
    EXPECT_EQ(r.outcome, RunOutcome::kSaved);
    EXPECT_EQ(r.saving.readBack, StepOutcome::kOk);
    ASSERT_TRUE(r.readBackDone);
    EXPECT_EQ(r.readBack.zeroOffset, r.after.zeroOffset);
    EXPECT_LE(std::abs(r.readBack.slope - r.after.slope), 1);  // the stored slope's rounding
    EXPECT_EQ(r.readBack.pgaGain, r.after.pgaGain);
    EXPECT_EQ(op_.shown.back(), "Результат Градуировки Датчика Сохранен");
    // Page B: read at the connection, written at the start and by the saving,
    // and read back.
    EXPECT_EQ(std::count(progress_.pages.begin(), progress_.pages.end(), "FLASH-B"), 4);
}

TEST_F(VerifiedWriteDevsimTest, FaultyFlashFailsTheSave) {
    struct Case {
        const char* flash;
        const char* message;
    } const cases[] = {
        {"keeps-old", "Параметры, прочитанные из Датчика, не совпадают с записанными\r\n"},
        {"corrupt-after-write", "Параметры, прочитанные из Датчика, не совпадают с записанными\r\n"},
        {"silent-after-write", "Параметры, записанные в Датчик, не удалось прочитать для проверки\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flash);
        port_.ClosePort();
        simulator_.Stop();
        sink_.records.clear();
        op_.shown.clear();
        StartSimulator(c.flash);
        EXPECT_EQ(Calibrate(), kSaveReadBackFailed);
        ASSERT_FALSE(op_.shown.empty());
        EXPECT_EQ(op_.shown.back().rfind(c.message, 0), 0u) << op_.shown.back();
        ASSERT_EQ(sink_.records.size(), 1u);
        const RunRecord& r = sink_.records[0];
        EXPECT_EQ(r.outcome, RunOutcome::kSaveFailed);
        EXPECT_EQ(r.saving.reportLog, StepOutcome::kOk);  // the records came first
        EXPECT_EQ(r.saving.certificate, StepOutcome::kOk);
        EXPECT_EQ(r.saving.sensorWrite, StepOutcome::kOk);
        EXPECT_EQ(r.saving.readBack, StepOutcome::kFailed);
        EXPECT_EQ(Utf8FromCp1251(r.saving.message), op_.shown.back());
    }
}

}  // namespace
}  // namespace gvc::test

#endif  // GVC_DEVSIM_PATH
