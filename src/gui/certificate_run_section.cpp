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
    add("Как оставлено: эталонный газ"_cp, Or(ReadingText(run.asFound.leftReference), kNone));
    add("Как оставлено: нулевой газ"_cp, Or(ReadingText(run.asFound.leftZero), kNone));
    if (RecordWithoutSensorWrite(run))
        add("Запись в Датчик"_cp, Qs(std::string("НЕ УДАЛАСЬ: "_cp) + run.saving.message), true);
    if (run.imported) add("Источник"_cp, Qs("перенесено из файлов отчета"_cp));
    add("Номер записи в базе"_cp, QString::number(stored.id));
    return section;
}

std::optional<PdfSection> CertificateRunSection(const std::filesystem::path& database,
                                                const std::string& sensorNumber,
                                                std::string_view certificateBytes) {
    if (database.empty() || !std::filesystem::exists(database)) return std::nullopt;
    std::string problem;
    const std::unique_ptr<CalibrationStore> store = CalibrationStore::Open(database, problem);
    if (!store) return std::nullopt;
    const std::string hash = Sha256Hex(certificateBytes);
    const StoreRead<std::vector<StoredRun>> runs = store->SensorRuns(sensorNumber);
    const StoredRun* found = nullptr;
    for (const StoredRun& run : runs.value) {
        if (run.record.certificateSha256 == hash) found = &run;
    }
    if (found == nullptr) return std::nullopt;
    std::map<std::int64_t, Cylinder> cylinders;
    for (const Cylinder& c : store->Cylinders(true).value)
        cylinders[c.id] = c;
    return RunSection(*found, cylinders);
}

}  // namespace gvc::gui
