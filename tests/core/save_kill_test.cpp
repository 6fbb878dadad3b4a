// The process killed at every step of a calibration that writes: each write
// into the sensor (the run's own parameters at its start, the saved result,
// its read-back) and each file operation of the report log and the
// certificate. After the kill the next start closes what the run left, and
// the files, the database and the sensor must tell one story: no record of a
// calibration the sensor does not hold that is not flagged, no sensor without
// a valid calibration that the records do not name, and db verify clean.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "calibration_fixture.h"
#include "sensor/sensor_encoding.h"
#include "store/record_files_read.h"
#include "store/run_texts.h"
#include "store/store_import.h"
#include "store/store_recovery.h"
#include "store/store_run_sink.h"
#include "store/store_session.h"
#include "store/store_verify.h"

namespace gvc::test {
namespace {

// What the child leaves for the parent: the sensor's memory as it stands at
// every moment, and how many exchanges and file steps a whole run takes.
struct Shared {
    std::array<std::uint8_t, 256> memory{};
    int exchanges = 0;
    int fileSteps = 0;
};

// The sensor as the process sees it; at exchange `killAt` (1-based) the
// process ends there, before the exchange reaches the sensor.
class KilledChannel : public DeviceChannel {
public:
    KilledChannel(FakeSensorWithFrontEnd& sensor, Shared& shared, int killAt)
        : sensor_(sensor), shared_(shared), killAt_(killAt) {}
    int DeviceRequest(DeviceCommand command, std::uint8_t address, std::uint8_t length,
                      std::uint32_t& value) override {
        if (++count_ == killAt_) ::_exit(3);
        const int result = sensor_.DeviceRequest(command, address, length, value);
        shared_.memory = sensor_.memory;
        shared_.exchanges = count_;
        return result;
    }

private:
    FakeSensorWithFrontEnd& sensor_;
    Shared& shared_;
    int killAt_;
    int count_ = 0;
};

int Steady(int stage, int) {
    return stage == 0 ? 1000 : 8000;
}

class SaveKill : public CalibrationTest {
protected:
    void SetUp() override {
        CalibrationTest::SetUp();
        void* map =
            ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(map, MAP_FAILED);
        shared_ = new (map) Shared;
        state.NewParams.RangeTop = 10;
        // What the sensor holds: slope 0.22, offset -150, in its memory and as read at the connection.
        sensor.Put(SensorAddressMap::kSlope, static_cast<std::uint32_t>(SlopeToStored(2200)));
        sensor.Put(SensorAddressMap::kZeroOffset, 150);
        state.OldParams.Slope = 2200;
        state.OldParams.ZeroOffset = 150;
        state.OldParams.ZeroOffsetSign = -1;
        state.OldParams.PgaGain = 2;
        original_ = sensor.memory;
        treeLog_ = ReadNative(locations::ReportLogPath);
        run.ResetCalibrationPage();
    }
    void TearDown() override {
        ::munmap(shared_, sizeof(Shared));
        CalibrationTest::TearDown();
    }

    // One whole run in a child process, ended at exchange `exchangeKill` or
    // at file step `fileKill` (-1: never). The exit status of the child.
    int RunChild(int exchangeKill, int fileKill) {
        const pid_t child = ::fork();
        if (child == 0) {
            KilledChannel channel(sensor, *shared_, exchangeKill);
            SensorAccess killedAccess{channel, op, table, state, progress};
            testing::FaultyFileSystem files(RealFileSystem(), fileKill, true);
            StoreRunSink store(WorkstationStorePlaces(), {});
            CalibrationRun killed{CalibrationContext{killedAccess, list, reference, connectionState, files,
                                                     error, view, &store}};
            killed.ResetCalibrationPage();
            op.QueueAnswer(true);
            op.QueueAnswer(true);
            killed.StartStopClicked();
            for (int fed = 0; fed < 800 && killed.Page().sampleTimerOn; ++fed) {
                sensor.Put(SensorAddressMap::kAdcCode,
                           static_cast<std::uint32_t>(Steady(killed.Stage(), fed)));
                killed.SampleTick();
                killed.DrawTick();
            }
            shared_->fileSteps = files.Steps();
            ::_exit(killed.LastSaveResult() == 0 ? 0 : 1);
        }
        int status = 0;
        EXPECT_EQ(::waitpid(child, &status, 0), child);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The data tree, the database and the sensor as before any run.
    void Reset() {
        std::error_code ignored;
        const StorePlaces places = WorkstationStorePlaces();
        for (const auto& p : {places.database, std::filesystem::path(places.database.string() + "-wal"),
                              std::filesystem::path(places.database.string() + "-shm"),
                              std::filesystem::path(places.database.string() + ".made"), places.outbox,
                              places.files.sensorsDir, places.files.archiveDir})
            std::filesystem::remove_all(p, ignored);
        ASSERT_TRUE(CreateSensorDirs(table, fs, op));
        std::ofstream(Native(locations::ReportLogPath), std::ios::binary) << treeLog_;
        sensor.memory = original_;
        shared_->memory = original_;
        sensor.exchanges.clear();
    }

    std::int32_t SensorSlope() const {
        std::uint32_t stored = 0;
        std::memcpy(&stored, &shared_->memory[SensorAddressMap::kSlope.address], 4);
        return SlopeFromStored(static_cast<std::int32_t>(stored));
    }
    bool SensorChanged() const {
        const auto at = SensorAddressMap::kZeroOffset.address;
        return !std::equal(shared_->memory.begin() + at, shared_->memory.begin() + at + 8,
                           original_.begin() + at);
    }

    // The next start, then every check of one story.
    void CheckStory(const std::string& where) {
        SCOPED_TRACE(where);
        const StorePlaces places = WorkstationStorePlaces();
        StoreSession session = OpenWorkstationStore(places, true);
        ASSERT_TRUE(session.store) << Utf8FromCp1251(session.message);
        CalibrationStore& store = *session.store;
        const auto runs = store.AllRuns();
        ASSERT_TRUE(runs.ok);
        const LogLines log = ReadLogLines(places.files.reportLog);
        ASSERT_TRUE(log.ok);
        const bool recordWritten = log.lines.size() > 0;
        if (runs.value.empty()) {
            // Killed before the run was recorded: nothing may have been written.
            EXPECT_FALSE(SensorChanged());
            EXPECT_FALSE(recordWritten);
            return;
        }
        ASSERT_EQ(runs.value.size(), 1u);
        const RunRecord& row = runs.value[0].record;
        if (row.outcome == RunOutcome::kSaved) {
            EXPECT_TRUE(row.readBackDone);
            EXPECT_EQ(SensorSlope(), row.readBack.slope);
            ASSERT_EQ(log.lines.size(), 1u);
            EXPECT_EQ(log.lines[0], row.reportRecordLine);
        } else {
            EXPECT_EQ(row.outcome, RunOutcome::kUnfinished);
            EXPECT_EQ(row.recordedFrom, RecordedFrom::kRecovered);
            ASSERT_EQ(session.unfinished.size(), 1u);
            // A sensor left other than it was is named, and due at once.
            if (SensorChanged()) {
                EXPECT_TRUE(LeftSensorInvalid(row));
                EXPECT_NE(UnfinishedRunText(row).find(Cp1251FromUtf8("отградуировать заново")),
                          std::string::npos);
                const auto due = store.DueList({2026, 12, 10}, 0);
                ASSERT_EQ(due.value.size(), 1u);
                EXPECT_EQ(due.value[0].sensorNumber, row.sensorNumber);
            }
            // A record in the log is this run's, and flagged: the sensor does not hold it.
            if (recordWritten) {
                ASSERT_EQ(log.lines.size(), 1u);
                EXPECT_EQ(log.lines[0], row.reportRecordLine);
                EXPECT_EQ(row.saving.reportLog, StepOutcome::kOk);
                EXPECT_TRUE(RecordWithoutSensorWrite(row));
            } else {
                EXPECT_NE(row.saving.reportLog, StepOutcome::kOk);
            }
        }
        const StoreVerifyReport verify = VerifyStore(store, places.files, places.outbox);
        EXPECT_TRUE(verify.ok) << ::testing::PrintToString(verify.differences);
        // The files never bring in a second, ordinary calibration.
        EXPECT_EQ(ImportRecordFiles(store, places.files).added, 0);
        session.store.reset();
        EXPECT_TRUE(OpenWorkstationStore(places, true).unfinished.empty());
    }

    Shared* shared_ = nullptr;
    std::array<std::uint8_t, 256> original_{};
    std::string treeLog_;
};

TEST_F(SaveKill, EveryKilledStepLeavesOneStory) {
    // A whole run first: how many exchanges and file steps it takes.
    Reset();
    ASSERT_EQ(RunChild(-1, -1), 0);
    const int exchanges = shared_->exchanges;
    const int fileSteps = shared_->fileSteps;
    ASSERT_GT(fileSteps, 3);
    CheckStory("no kill");

    for (int step = 0; step < fileSteps; ++step) {
        Reset();
        EXPECT_EQ(RunChild(-1, step), 3);
        CheckStory("file step " + std::to_string(step));
    }
    // Every exchange but the samples' reads in the middle of the stages
    // (every tenth of those): the writes at the start and of the result,
    // the read-backs, and the reads around them.
    for (int at = 1; at <= exchanges; ++at) {
        const bool sampling = at > 60 && at < exchanges - 80;
        if (sampling && at % 10 != 0) continue;
        Reset();
        EXPECT_EQ(RunChild(at, -1), 3);
        CheckStory("exchange " + std::to_string(at));
        if (::testing::Test::HasFailure()) break;
    }
}

}  // namespace
}  // namespace gvc::test
