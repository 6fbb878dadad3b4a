// Every field of a run, in one fixed order with its database column: the one
// list the database's insert and select, the canonical content of the hash
// chain and the outbox's files all walk. A new field goes at the end, with the
// schema version that added its column.
#pragma once

#include <optional>
#include <string>

#include "calibration/run_record.h"
#include "util/calendar.h"

namespace gvc {

// The visitor V has:
//   Int(column, T&)        for integral and enum fields (stored as INTEGER)
//   Real(column, double&)
//   Text(column, std::string&)              Windows-1251 in the run, UTF-8 in the database
//   Series(column, std::vector<int32_t>&)   a compact BLOB
//   Stamp(column, ReportTimestamp&)         "yyyy-mm-dd hh:mm:ss"
//   OptInt(column, std::optional<T>&), OptReal(column, double&, bool& present),
//   OptDate(column, std::optional<CivilDate>&)   NULL when absent
//   Since(version)  the following fields came with that schema version
template <class V>
void VisitReading(V& v, const char* shown, const char* reading, const char* range,
                  std::optional<ReadingError>& value) {
    ReadingError parts = value.value_or(ReadingError{});
    bool present[3] = {value.has_value(), value.has_value(), value.has_value()};
    v.OptReal(shown, parts.shown, present[0]);
    v.OptReal(reading, parts.errorPercentReading, present[1]);
    v.OptReal(range, parts.errorPercentRange, present[2]);
    if (present[0] && present[1] && present[2]) {
        value = parts;
    } else {
        value.reset();
    }
}

// The cylinder's copy: its texts empty, its gas 0 and its values NULL when the
// run had none.
template <class V>
void VisitCylinder(V& v, std::optional<RunCylinder>& value) {
    RunCylinder c = value.value_or(RunCylinder{});
    bool concentration = value.has_value();
    // The expiry as its ISO text, empty without a cylinder.
    std::string expiry = value ? IsoDateText(c.expiry) : std::string();
    v.Int("cylinder_gas_code", c.gasCode);
    v.Text("cylinder_gas_text", c.gasText);
    v.OptReal("cylinder_concentration", c.concentration, concentration);
    v.Text("cylinder_unit", c.unitText);
    v.Text("cylinder_lot", c.lot);
    v.Text("cylinder_expiry", expiry);
    const auto date = ParseIsoDate(expiry);
    if (concentration && date) {
        c.expiry = *date;
        value = std::move(c);
    } else {
        value.reset();
    }
}

template <class V>
void VisitRunFields(V& v, RunRecord& r, std::optional<CivilDate>& endOfUse) {
    v.Text("run_id", r.runId);
    v.Text("workstation", r.workstation);
    v.Text("operator_name", r.operatorName);
    v.Text("sensor_number", r.sensorNumber);
    v.Int("gas_code", r.gasCode);
    v.Text("gas_text", r.gasText);
    v.Int("type_number", r.typeNumber);
    v.Text("type_text", r.typeText);
    v.Text("unit_text", r.unitText);
    v.Real("range_top", r.rangeTop);
    v.Stamp("start_local", r.startLocal);
    v.Stamp("end_local", r.endLocal);
    v.Int("start_utc", r.startUtc);
    v.Int("end_utc", r.endUtc);
    v.Int("reference_thousandths", r.referenceThousandths);
    v.Int("reference_source", r.referenceSource);
    v.OptInt("cylinder_id", r.cylinderId);
    v.Int("temperature", r.temperature);
    v.Int("zero_average", r.zeroAverage);
    v.Int("zero_spread", r.zeroSpread);
    v.Int("reference_average", r.referenceAverage);
    v.Int("reference_spread", r.referenceSpread);
    v.Series("zero_series", r.zeroSeries);
    v.Series("reference_series", r.referenceSeries);
    v.Int("before_slope", r.before.slope);
    v.Int("before_offset", r.before.zeroOffset);
    v.Int("before_pga", r.before.pgaGain);
    v.Int("after_slope", r.after.slope);
    v.Int("after_offset", r.after.zeroOffset);
    v.Int("after_pga", r.after.pgaGain);
    v.Int("readback_slope", r.readBack.slope);
    v.Int("readback_offset", r.readBack.zeroOffset);
    v.Int("readback_pga", r.readBack.pgaGain);
    v.Int("readback_done", r.readBackDone);
    v.Int("outcome", r.outcome);
    v.Text("result_text", r.resultText);
    v.Int("step_report_log", r.saving.reportLog);
    v.Int("step_certificate", r.saving.certificate);
    v.Int("step_sensor_write", r.saving.sensorWrite);
    v.Int("step_read_back", r.saving.readBack);
    v.Text("saving_message", r.saving.message);
    v.Text("report_record_line", r.reportRecordLine);
    v.Text("certificate_sha256", r.certificateSha256);
    v.Text("certificate_path", r.certificatePath);
    v.OptDate("next_calibration", r.nextCalibration);
    VisitReading(v, "found_zero_shown", "found_zero_error_reading", "found_zero_error_range",
                 r.asFound.foundZero);
    VisitReading(v, "found_reference_shown", "found_reference_error_reading", "found_reference_error_range",
                 r.asFound.foundReference);
    v.OptInt("found_in_tolerance", r.asFound.foundInTolerance);
    v.Real("tolerance_percent", r.asFound.tolerancePercent);
    VisitReading(v, "left_zero_shown", "left_zero_error_reading", "left_zero_error_range",
                 r.asFound.leftZero);
    VisitReading(v, "left_reference_shown", "left_reference_error_reading", "left_reference_error_range",
                 r.asFound.leftReference);
    v.Int("imported", r.imported);
    v.Since(2);
    v.OptDate("end_of_use", endOfUse);
    // From version 4 on, a field at its default (0, empty, NULL) is left out
    // of the canonical content, so that the rows hashed before keep their hash.
    v.Since(4);
    v.Int("params_write", r.paramsWrite);
    v.Int("restore", r.restore);
    v.Int("before_unknown", r.beforeUnknown);
    v.OptInt("computed_slope", r.computedSlope);
    v.OptInt("computed_offset", r.computedOffset);
    VisitCylinder(v, r.cylinder);
    v.Int("recorded_from", r.recordedFrom);
    v.OptInt("recorded_utc", r.recordedUtc);
}

}  // namespace gvc
