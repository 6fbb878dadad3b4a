#include "store/run_texts.h"

#include <cstdio>

#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

namespace {

std::string Number(double v) {
    char text[48];
    std::snprintf(text, sizeof text, "%.4g", v);
    return text;
}

std::string ErrorText(const std::optional<ReadingError>& reading) {
    if (!reading) return {};
    char text[48];
    std::snprintf(text, sizeof text, "%+.2f", reading->errorPercentReading);
    return text;
}

std::string Shown(const std::optional<ReadingError>& reading) {
    return reading ? Number(reading->shown) : "";
}

}  // namespace

bool RecordWithoutSensorWrite(const RunRecord& run) {
    const bool recorded =
        run.saving.reportLog == StepOutcome::kOk || run.saving.certificate == StepOutcome::kOk;
    return recorded && !SaveCompleted(run);
}

std::string RestoreText(const RunRecord& run) {
    switch (run.restore) {
        case StepOutcome::kNotRun:
            return {};
        case StepOutcome::kOk:
            return std::string("восстановлены"_cp);
        case StepOutcome::kFailed:
            return std::string("НЕ ВОССТАНОВЛЕНЫ"_cp);
        case StepOutcome::kStarted:
            return std::string("неизвестно"_cp);
    }
    return {};
}

std::string ReadingText(const std::optional<ReadingError>& reading) {
    if (!reading) return {};
    return Number(reading->shown) + " (" + ErrorText(reading) + " %)";
}

std::string ToleranceText(const RunRecord& run) {
    if (!run.asFound.foundInTolerance) return {};
    return std::string(*run.asFound.foundInTolerance ? "в допуске"_cp : "вне допуска"_cp);
}

std::string CylinderText(const Cylinder& c) {
    return c.lot + ", " + c.gasText + " " + Number(c.concentration) + " " + c.unitText +
           std::string(", до "_cp) + DotDateText(c.expiry);
}

std::string CylinderText(const RunRecord& run, const std::map<std::int64_t, Cylinder>& cylinders) {
    if (run.cylinder) {
        const RunCylinder& c = *run.cylinder;
        return CylinderText(Cylinder{run.cylinderId.value_or(0), c.gasCode, c.gasText, c.concentration,
                                     c.unitText, c.lot, c.expiry, false});
    }
    if (!run.cylinderId) return {};
    const auto it = cylinders.find(*run.cylinderId);
    if (it == cylinders.end()) return std::string("№ "_cp) + std::to_string(*run.cylinderId);
    return CylinderText(it->second);
}

std::vector<std::string> StoreCsvHeader() {
    return {"as_found_zero",
            "as_found_reference",
            "as_found_error_percent",
            "as_found_in_tolerance",
            "as_left_computed_zero",
            "as_left_computed_reference",
            "as_left_computed_error_percent",
            "cylinder",
            "operator",
            "workstation",
            "sensor_write_failed",
            "restore"};
}

std::vector<std::string> StoreCsvColumns(const RunRecord& run,
                                         const std::map<std::int64_t, Cylinder>& cylinders) {
    const AsFoundAsLeft& a = run.asFound;
    return {Shown(a.foundZero),
            Shown(a.foundReference),
            ErrorText(a.foundReference),
            ToleranceText(run),
            Shown(a.leftZero),
            Shown(a.leftReference),
            ErrorText(a.leftReference),
            CylinderText(run, cylinders),
            run.operatorName,
            run.workstation,
            RecordWithoutSensorWrite(run) ? "1" : "0",
            RestoreText(run)};
}

}  // namespace gvc
