// The calibration run's sink in the program and gvc-cli: keeps the run under
// way before each of its writes (the sensor, the report log, the certificate)
// and records each ended run in the database with its certificate's SHA-256
// and a copy of its reference cylinder. When the database cannot be opened or
// written, the run goes to the outbox and the operator is told once per run,
// in Russian, through the callback; the run's files are never touched.
#pragma once

#include <functional>
#include <string>

#include "calibration/run_record.h"
#include "store/store_session.h"

namespace gvc {

class StoreRunSink : public RunRecordSink {
public:
    // `report` receives one Windows-1251 message per run that could not be
    // recorded in the database.
    using Report = std::function<void(const std::string& message)>;
    StoreRunSink(StorePlaces places, Report report);

    void RunProgress(const RunRecord& record) override;
    void RunEnded(const RunRecord& record) override;

    // How the last run ended: in the database, in the outbox, or lost.
    enum class Kept { kNone, kDatabase, kOutbox, kLost };
    Kept LastKept() const { return lastKept_; }

private:
    // The record with the cylinder it names copied in (once per run: an
    // edit of the cylinder during the run does not change it).
    RunRecord WithCylinder(const RunRecord& record);
    // The database for writing; a new one takes in the files of record first.
    std::unique_ptr<CalibrationStore> OpenStore(std::string& problem);
    // A new database takes in the files of record, and says so when it
    // replaces one made before.
    void TakeInFiles(CalibrationStore& store);

    StorePlaces places_;
    Report report_;
    Kept lastKept_ = Kept::kNone;
    std::string runId_;  // the run the cylinder copy and the warning belong to
    std::optional<RunCylinder> cylinder_;
    bool progressWarned_ = false;
};

// The record with its certificate's SHA-256 filled from certificatePath
// (left empty when there is no path or the file cannot be read).
RunRecord WithCertificateHash(const RunRecord& record);

}  // namespace gvc
