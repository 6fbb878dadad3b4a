#include "store/store_recovery.h"

#include <algorithm>

#include "history/certificate_reader.h"
#include "history/report_records.h"
#include "store/field_values.h"
#include "store/record_files_read.h"
#include "util/cp1251.h"
#include "util/native_path.h"
#include "util/sha256.h"

namespace gvc {

using namespace gvc::literals;

namespace {

constexpr std::size_t kMaxCertificate = 16u << 20;

bool LineInLog(const std::string& line, const RecordFiles& files) {
    if (line.empty()) return false;
    const LogLines log = ReadLogLines(files.reportLog);
    return std::find(log.lines.begin(), log.lines.end(), line) != log.lines.end();
}

// The certificate at the run's path, when it was written by this run: it
// prints the time the run's report record prints.
std::optional<std::string> CertificateOfRun(const RunRecord& run) {
    if (run.certificatePath.empty()) return std::nullopt;
    const auto record = ParseReportRecord(run.reportRecordLine);
    const auto bytes = ReadFileBytes(NativePath(run.certificatePath), kMaxCertificate);
    if (!record || !bytes) return std::nullopt;
    const CertificateRead read = ReadCertificate(*bytes);
    if (!read.ok || read.summary.calibrated.date != record->date ||
        read.summary.calibrated.time != record->time)
        return std::nullopt;
    return Sha256Hex(*bytes);
}

std::string_view StoppedDuring(const RunRecord& run) {
    if (run.restore == StepOutcome::kStarted) return "восстановления параметров Датчика"_cp;
    if (run.saving.sensorWrite == StepOutcome::kStarted || run.saving.readBack == StepOutcome::kStarted)
        return "записи результата в Датчик"_cp;
    if (run.saving.certificate == StepOutcome::kStarted) return "записи сертификата"_cp;
    if (run.saving.reportLog == StepOutcome::kStarted) return "записи отчета"_cp;
    if (run.paramsWrite == StepOutcome::kStarted) return "записи параметров градуировки в Датчик"_cp;
    return "градуировки"_cp;
}

std::string_view WhatWasWritten(const RunRecord& run) {
    if (run.restore == StepOutcome::kStarted)
        return "параметры, бывшие до Градуировки, записаны не полностью или не проверены"_cp;
    if (run.saving.sensorWrite != StepOutcome::kNotRun)
        return "новый результат градуировки (запись не проверена)"_cp;
    if (run.paramsWrite != StepOutcome::kNotRun)
        return "параметры градуировки (наклон и смещение нуля без градуировки)"_cp;
    return "ничего"_cp;
}

}  // namespace

RunRecord CloseUnfinishedRun(RunRecord run, const RecordFiles& files) {
    run.outcome = RunOutcome::kUnfinished;
    run.recordedFrom = RecordedFrom::kRecovered;
    run.recordedUtc.reset();
    if (run.endUtc == 0) {
        // The run never reached its end: its last known time is its start.
        run.endLocal = run.startLocal;
        run.endUtc = run.startUtc;
    }
    if (run.saving.reportLog == StepOutcome::kStarted)
        run.saving.reportLog =
            LineInLog(run.reportRecordLine, files) ? StepOutcome::kOk : StepOutcome::kNotRun;
    if (run.saving.certificate == StepOutcome::kStarted || run.saving.certificate == StepOutcome::kOk) {
        const auto sha = CertificateOfRun(run);
        run.saving.certificate = sha ? StepOutcome::kOk : StepOutcome::kNotRun;
        run.certificateSha256 = sha.value_or(std::string());
    }
    if (run.saving.message.empty())
        run.saving.message =
            std::string("программа остановлена во время "_cp) + std::string(StoppedDuring(run));
    run.resultText = std::string("НЕ ЗАВЕРШЕНА !"_cp);
    return run;
}

std::string UnfinishedRunText(const RunRecord& run) {
    std::string text = std::string("Градуировка Датчика "_cp) + run.sensorNumber +
                       std::string(", начатая "_cp) + StampText(run.startLocal) +
                       std::string(", не завершена: "_cp) + run.saving.message + ". ";
    text += std::string("В Датчик записано: "_cp) + std::string(WhatWasWritten(run)) + ". ";
    if (run.saving.reportLog == StepOutcome::kOk)
        text += std::string("Запись в журнале отчетов сделана, но результат не сохранен. "_cp);
    text += LeftSensorInvalid(run) ? std::string("Датчик необходимо отградуировать заново."_cp)
                                   : std::string("Датчик не изменен."_cp);
    return text;
}

RecoveredRuns RecoverOpenRuns(CalibrationStore& store, const RecordFiles& files) {
    RecoveredRuns recovered;
    auto open = store.OpenRuns();
    if (!open.ok) {
        recovered.problems.push_back(open.message);
        return recovered;
    }
    for (RunRecord& run : open.value) {
        RunRecord closed = CloseUnfinishedRun(std::move(run), files);
        std::string message;
        if (!store.AddRun(closed, message)) {
            recovered.problems.push_back(message);
            continue;
        }
        recovered.closed.push_back(std::move(closed));
    }
    return recovered;
}

}  // namespace gvc
