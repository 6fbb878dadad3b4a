// Runs with every field set, and a workstation data tree in a temporary
// directory with the database's places inside it.
#pragma once

#include <cmath>
#include <string>

#include "calibration/run_record.h"
#include "records_fixtures.h"
#include "store/store_session.h"
#include "util/cp1251.h"

namespace gvc::testing {

// A saved run with no field left at its default, distinct per `n`.
inline RunRecord FullRun(int n) {
    RunRecord r;
    r.runId = "WS1-2026-05-14-" + std::to_string(n);
    r.workstation = "WS1";
    r.operatorName = Cp1251FromUtf8("Иванов");
    r.sensorNumber = "03-01.00.012.345";
    r.gasCode = 3;
    r.gasText = "CO";
    r.typeNumber = 1;
    r.typeText = "03-01";
    r.unitText = Cp1251FromUtf8("мг/м3");
    r.rangeTop = 200.5;
    r.startLocal = {14, 5, 2026, 10, 20, n % 60};
    r.endLocal = {14, 5, 2026, 10, 22, n % 60};
    r.startUtc = 1778750400 + n;
    r.endUtc = 1778750525 + n;
    r.referenceThousandths = 50000 + n;
    r.referenceSource = ReferenceSource::kCylinder;
    r.cylinderId = 7;
    r.temperature = -12;
    r.zeroAverage = 1021;
    r.zeroSpread = 3;
    r.referenceAverage = -88123;
    r.referenceSpread = 17;
    r.zeroSeries = {1020, 1021, 1019, 1022, -2147483647 - 1, 2147483647, 0};
    r.referenceSeries = {-88120, -88125, -88123};
    r.before = {1000, -5, 2};
    r.after = {1013 + n, 4, 3};
    r.readBack = {1013 + n, 4, 3};
    r.readBackDone = true;
    r.outcome = RunOutcome::kSaved;
    r.resultText = "OK !";
    r.saving = {StepOutcome::kOk, StepOutcome::kOk, StepOutcome::kOk, StepOutcome::kOk, ""};
    r.reportRecordLine = "line " + std::to_string(n);
    r.certificateSha256 = std::string(64, 'a');
    r.certificatePath = Cp1251FromUtf8("D:\\ВЕЛМОР_Датчики\\Датчики\\x.dat");
    r.nextCalibration = CivilDate{2027, 5, 14};
    r.asFound.foundZero = ReadingError{0.5, 0.0, 0.25};
    r.asFound.foundReference = ReadingError{46.0, -8.0, -2.0};
    r.asFound.foundInTolerance = true;
    r.asFound.tolerancePercent = 10.0;
    r.asFound.leftZero = ReadingError{0.0, 0.0, 0.0};
    r.asFound.leftReference = ReadingError{50.01, 0.02, 0.005};
    r.imported = false;
    r.paramsWrite = StepOutcome::kOk;
    r.computedSlope = 1013 + n;
    r.computedOffset = 4;
    r.cylinder = RunCylinder{3, "CO", 50.0, Cp1251FromUtf8("мг/м3"), Cp1251FromUtf8("ПГС-17"), {2027, 1, 31}};
    r.recordedUtc = 1778750600 + n;
    return r;
}

// The database, its outbox and the files of record below a temporary D:.
class StoreRoot : public TempDataRoot {
protected:
    void SetUp() override {
        TempDataRoot::SetUp();
        std::filesystem::create_directories(Native(locations::DataDir));
        places_ = WorkstationStorePlaces();
    }
    std::unique_ptr<CalibrationStore> OpenStore() {
        std::string message;
        auto store = CalibrationStore::Open(places_.database, message);
        EXPECT_TRUE(store) << Utf8FromCp1251(message);
        return store;
    }
    StorePlaces places_;
};

}  // namespace gvc::testing
