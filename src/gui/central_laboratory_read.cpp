#include "gui/central_laboratory_read.h"

#include <memory>

#include "central/central_reader.h"
#include "central/central_record_runs.h"
#include "central/central_settings.h"
#include "gui/log_records_model.h"
#include "store/run_texts.h"

namespace gvc::gui {

using namespace gvc::literals;

namespace {

std::string Unreachable(const std::string& reason) {
    return std::string("Центральная база недоступна.\n"_cp) + reason;
}

}  // namespace

LaboratoryLog ReadLaboratoryLog(const CentralSettings& settings, const CivilDate& today,
                                std::int64_t withinDays) {
    LaboratoryLog log;
    std::string problem;
    const std::unique_ptr<CentralReader> reader = CentralReader::Open(settings, problem);
    if (!reader) {
        log.message = Unreachable(problem);
        return log;
    }
    StoreRead<std::vector<StoredRun>> runs = reader->LoggedRuns();
    if (!runs.ok) {
        log.message = Unreachable(runs.message);
        return log;
    }
    StoreRead<std::vector<StoreDueSensor>> due = reader->DueList(today, withinDays);
    if (!due.ok) {
        log.message = Unreachable(due.message);
        return log;
    }
    // Each record once, as its run's own row tells it (a run without a
    // readable record line has no row in a log).
    std::vector<RecordRun> records = OneRunPerRecord(std::move(runs.value));
    log.records.reserve(records.size());
    log.workstations.reserve(records.size());
    for (RecordRun& r : records) {
        if (RecordWithoutSensorWrite(r.run.record)) log.flagged.insert(LogRecordsModel::RecordKey(r.record));
        log.records.push_back(std::move(r.record));
        log.workstations.push_back(std::move(r.run.record.workstation));
    }
    log.due = std::move(due.value);
    log.ok = true;
    return log;
}

LaboratoryHistory ReadLaboratoryHistory(const CentralSettings& settings, const std::string& sensorNumber) {
    LaboratoryHistory history;
    std::string problem;
    const std::unique_ptr<CentralReader> reader = CentralReader::Open(settings, problem);
    if (!reader) {
        history.message = Unreachable(problem);
        return history;
    }
    StoreRead<std::vector<StoredRun>> runs = reader->SensorRuns(sensorNumber);
    if (!runs.ok) {
        history.message = Unreachable(runs.message);
        return history;
    }
    // Each record's own row: a later copy of the same record never hides it.
    for (RecordRun& r : OneRunPerRecord(std::move(runs.value)))
        history.runs.emplace(LogRecordsModel::RecordKey(r.record), std::move(r.run));
    history.ok = true;
    return history;
}

}  // namespace gvc::gui
