#include "gui/central_laboratory_read.h"

#include <memory>

#include "central/central_reader.h"
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
    log.records.reserve(runs.value.size());
    log.workstations.reserve(runs.value.size());
    for (const StoredRun& run : runs.value) {
        const std::optional<ReportRecord> r = ParseReportRecord(run.record.reportRecordLine);
        if (!r) continue;  // a run without a readable record line has no row in a log
        if (RecordWithoutSensorWrite(run.record)) log.flagged.insert(LogRecordsModel::RecordKey(*r));
        log.records.push_back(*r);
        log.workstations.push_back(run.record.workstation);
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
    for (StoredRun& run : runs.value) {
        if (const std::optional<ReportRecord> r = ParseReportRecord(run.record.reportRecordLine))
            history.runs[LogRecordsModel::RecordKey(*r)] = std::move(run);
    }
    history.ok = true;
    return history;
}

}  // namespace gvc::gui
