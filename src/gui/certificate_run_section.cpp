#include "gui/certificate_run_section.h"

#include "gui/gui_text.h"
#include "store/run_texts.h"
#include "util/cp1251.h"
#include "util/sha256.h"

namespace gvc::gui {

using namespace gvc::literals;

namespace {

QString Or(const std::string& text, std::string_view none) {
    return Qs(text.empty() ? std::string(none) : text);
}

std::string SourceText(const RunRecord& run, const std::map<std::int64_t, Cylinder>& cylinders) {
    switch (run.referenceSource) {
        case ReferenceSource::kCylinder:
            return CylinderText(run, cylinders);
        case ReferenceSource::kTyped:
            return std::string("введено оператором"_cp);
        case ReferenceSource::kStandard:
            break;
    }
    return std::string("стандартное значение из таблицы"_cp);
}

}  // namespace

PdfSection RunSection(const StoredRun& stored, const std::map<std::int64_t, Cylinder>& cylinders) {
    const RunRecord& run = stored.record;
    constexpr std::string_view kNone = "нет данных"_cp;
    PdfSection section;
    section.title = Qs("Запись о градуировке в базе данных"_cp);
    const auto add = [&section](std::string_view label, const QString& value, bool warn = false) {
        section.items.emplace_back(Qs(label), value);
        section.warn.push_back(warn);
    };
    add("Оператор"_cp, Or(run.operatorName, kNone));
    add("Рабочее место"_cp, Or(run.workstation, kNone));
    add("Эталонный газ"_cp, Qs(SourceText(run, cylinders)));
    std::string found = ReadingText(run.asFound.foundReference);
    if (!ToleranceText(run).empty()) found += " " + ToleranceText(run);
    add("Как найдено: эталонный газ (показание, погрешность)"_cp, Or(found, kNone));
    add("Как найдено: нулевой газ"_cp, Or(ReadingText(run.asFound.foundZero), kNone));
    // As left is computed from the run's averages with the parameters read
    // back, not measured after the adjustment.
    add("Как оставлено (расчётное): эталонный газ"_cp, Or(ReadingText(run.asFound.leftReference), kNone));
    add("Как оставлено (расчётное): нулевой газ"_cp, Or(ReadingText(run.asFound.leftZero), kNone));
    if (RecordWithoutSensorWrite(run))
        add("Запись в Датчик"_cp, Qs(std::string("НЕ УДАЛАСЬ: "_cp) + run.saving.message), true);
    if (!RestoreText(run).empty())
        add("Параметры, бывшие до Градуировки"_cp, Qs(RestoreText(run)), run.restore != StepOutcome::kOk);
    if (run.outcome == RunOutcome::kUnfinished)
        add("Градуировка"_cp, Qs(std::string("НЕ ЗАВЕРШЕНА: "_cp) + run.saving.message), true);
    if (run.imported) add("Источник"_cp, Qs("перенесено из файлов отчета"_cp));
    if (run.recordedFrom == RecordedFrom::kOutbox) add("Источник"_cp, Qs("внесено из папки ожидания"_cp));
    add("Номер записи в базе"_cp, QString::number(stored.id));
    return section;
}

std::optional<PdfSection> CertificateRunSection(const std::filesystem::path& database,
                                                const std::string& sensorNumber,
                                                std::string_view certificateBytes) {
    if (database.empty() || !std::filesystem::exists(database)) return std::nullopt;
    std::string problem;
    const std::unique_ptr<CalibrationStore> store = CalibrationStore::OpenReadOnly(database, problem);
    if (!store) return std::nullopt;
    const std::string hash = Sha256Hex(certificateBytes);
    const StoreRead<std::vector<StoredRun>> runs = store->SensorRuns(sensorNumber);
    const StoredRun* found = nullptr;
    for (const StoredRun& run : runs.value) {
        if (run.record.certificateSha256 == hash) found = &run;
    }
    if (found == nullptr) {
        // A certificate no row holds (edited, its checksum made anew) is no
        // calibration of record: the PDF says so in red.
        PdfSection missing;
        missing.title = Qs("Запись о градуировке в базе данных"_cp);
        missing.items.emplace_back(Qs("Сертификат"_cp),
                                   Qs("НЕТ В БАЗЕ ДАННЫХ: ни одна запись о градуировке не содержит "
                                      "сертификат с таким содержимым"_cp));
        missing.warn.push_back(true);
        missing.notInDatabase = true;
        return missing;
    }
    std::map<std::int64_t, Cylinder> cylinders;
    for (const Cylinder& c : store->Cylinders(true).value)
        cylinders[c.id] = c;
    return RunSection(*found, cylinders);
}

}  // namespace gvc::gui
