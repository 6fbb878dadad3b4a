// A laboratory for the reading tests: a database of its own on the test
// cluster with the schema, a workstation login and a reader login; and
// workstations, each a data folder with its own calibration database, that
// calibrate (runs with every field set) and send to the server.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "central/central_reader.h"
#include "central/central_schema.h"
#include "central/central_sender.h"
#include "central/central_settings.h"
#include "central_cluster.h"
#include "history/report_records.h"
#include "store/calibration_store.h"
#include "util/cp1251.h"
#include "util/text_format.h"

namespace gvc::test {

// The report record line of a calibration of `sensor` at that day and time.
inline std::string LabRecordLine(const std::string& sensor, const CivilDate& day, const std::string& time,
                                 int calibration, const std::string& ki) {
    char number[8];
    std::snprintf(number, sizeof number, "%03d", calibration % 1000);
    return "|" + DotDateText(day) + "|" + time + "|" + sensor + "|" + sensor + "|" + number +
           "| +00.9766 | " + ki + " |000500|017520|" + PadRightSpaces(Cp1251FromUtf8("мг/м3"), 8) + "|";
}

// A saved run of `sensor` at `workstation` on `day`, no field left at its
// default: Windows-1251 texts, negative numbers, the int32 extremes in a
// series, doubles that need every digit.
inline RunRecord LabRun(const std::string& workstation, int n, const std::string& sensor,
                        const CivilDate& day, const CivilDate& next) {
    RunRecord r;
    r.runId = workstation + "-" + IsoDateText(day) + "-" + std::to_string(n);
    r.workstation = workstation;
    r.operatorName = Cp1251FromUtf8("Иванов И.И.");
    r.sensorNumber = sensor;
    r.gasCode = 3;
    r.gasText = "CO";
    r.typeNumber = 1;
    r.typeText = "03-01";
    r.unitText = Cp1251FromUtf8("мг/м3");
    r.rangeTop = 200.5;
    const int minute = n % 60;
    r.startLocal = {day.day, day.month, day.year, 10, 20, minute};
    r.endLocal = {day.day, day.month, day.year, 10, 22, minute};
    r.startUtc = (DayNumber(day) * 86400) + 25200 + n;
    r.endUtc = r.startUtc + 125;
    r.referenceThousandths = 50000 + n;
    r.referenceSource = ReferenceSource::kTyped;
    r.temperature = -12;
    r.zeroAverage = 1021;
    r.zeroSpread = 3;
    r.referenceAverage = -88123;
    r.referenceSpread = 17;
    r.zeroSeries = {1020, 1021, 1019, -2147483647 - 1, 2147483647, 0};
    r.referenceSeries = {-88120, -88125, -88123};
    r.before = {1000, -5, 2};
    r.after = {1013 + n, 4, 3};
    r.readBack = {1013 + n, 4, 3};
    r.readBackDone = true;
    r.outcome = RunOutcome::kSaved;
    r.resultText = "OK !";
    r.saving = {StepOutcome::kOk, StepOutcome::kOk, StepOutcome::kOk, StepOutcome::kOk, ""};
    char time[16];
    std::snprintf(time, sizeof time, "10:22:%02d", minute);
    r.reportRecordLine = LabRecordLine(sensor, day, time, n, "+01.0" + std::to_string(100 + n % 900));
    r.certificateSha256 = std::string(64, 'a');
    r.certificatePath = Cp1251FromUtf8("D:\\ВЕЛМОР_Датчики\\Датчики\\x.dat");
    r.nextCalibration = next;
    r.asFound.foundZero = ReadingError{0.1, 0.0, 1.0 / 3.0};
    r.asFound.foundReference = ReadingError{46.0, -8.0, -2.0};
    r.asFound.foundInTolerance = true;
    r.asFound.tolerancePercent = 10.0;
    r.asFound.leftZero = ReadingError{0.0, 0.0, 0.0};
    r.asFound.leftReference = ReadingError{50.01, 0.02, 0.005};
    return r;
}

// The server with the schema and two logins: one of the workstation role,
// one of the reader role, their passwords in pgpass files.
class Laboratory {
public:
    explicit Laboratory(std::string_view tag) : db_(tag) {
        if (!db_.Ok()) return;
        auto admin = db_.Admin();
        if (!admin) return;
        std::string message;
        if (!MigrateCentral(*admin, message)) {
            ADD_FAILURE() << "schema: " << Utf8FromCp1251(message);
            return;
        }
        workstation_ = Login(*admin, "ws", CentralRole::kWorkstation);
        reader_ = Login(*admin, "rd", CentralRole::kReader);
        ok_ = !workstation_.user.empty() && !reader_.user.empty();
    }

    bool Ok() const { return ok_; }
    const TestDatabase& Db() const { return db_; }
    const CentralSettings& WorkstationSettings() const { return workstation_; }
    const CentralSettings& ReaderSettings() const { return reader_; }

    std::unique_ptr<CentralReader> Reader() const {
        std::string message;
        auto reader = CentralReader::Open(reader_, message);
        if (!reader) ADD_FAILURE() << "reader: " << Utf8FromCp1251(message);
        return reader;
    }

private:
    CentralSettings Login(PgConnection& admin, std::string_view tag, CentralRole role) {
        const std::string user = UniqueName(tag);
        const std::string password = "pw-" + user;
        std::string message;
        if (!AddCentralUser(admin, user, password, role, message)) {
            ADD_FAILURE() << "login " << user << ": " << Utf8FromCp1251(message);
            return {};
        }
        CentralSettings s = db_.SettingsFor(user, dir_.Path() / (user + ".pgpass"));
        if (!SavePassFile(s, password, message)) {
            ADD_FAILURE() << "pass file: " << Utf8FromCp1251(message);
            return {};
        }
        return s;
    }

    TempDir dir_;
    TestDatabase db_;
    CentralSettings workstation_;
    CentralSettings reader_;
    bool ok_ = false;
};

// One workstation: a data folder (drive D: of its own) with its database.
class LabWorkstation {
public:
    explicit LabWorkstation(std::string name) : name_(std::move(name)) {
        std::filesystem::create_directories(DataDir());
        std::string message;
        store_ = CalibrationStore::Open(DataDir() / "calibrations.sqlite", message);
        if (!store_) ADD_FAILURE() << "local database: " << Utf8FromCp1251(message);
    }

    const std::string& Name() const { return name_; }
    // The folder that stands for drive D: (GVC_DRIVE_D).
    const std::filesystem::path& DriveD() const { return dir_.Path(); }
    std::filesystem::path DataDir() const { return dir_.Path() / "ВЕЛМОР_Датчики"; }
    CalibrationStore& Store() { return *store_; }

    void Add(const RunRecord& run) {
        std::string message;
        ASSERT_TRUE(store_->AddRun(run, message)) << Utf8FromCp1251(message);
    }
    void Send(const Laboratory& lab) {
        SendOptions options;
        options.stationName = name_;
        const SendResult result = SendPendingRuns(*store_, lab.WorkstationSettings(), options);
        ASSERT_TRUE(result.complete) << Utf8FromCp1251(result.message);
    }

private:
    std::string name_;
    TempDir dir_;
    std::unique_ptr<CalibrationStore> store_;
};

}  // namespace gvc::test
