// A run as bytes: the canonical content the hash chain covers (every field
// in a fixed order, each with its type and length), also the outbox's file
// format; and the ADC series as compact BLOBs (zig-zag deltas as varints).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calibration/run_record.h"
#include "util/calendar.h"

namespace gvc {

std::string EncodeSeries(const std::vector<std::int32_t>& series);
// Nothing for bytes that are no series.
std::optional<std::vector<std::int32_t>> DecodeSeries(std::string_view blob);

std::string EncodeRun(const RunRecord& run, const std::optional<CivilDate>& endOfUse);
struct DecodedRun {
    RunRecord run;
    std::optional<CivilDate> endOfUse;
};
// Nothing for bytes that EncodeRun did not make (damaged, cut short).
std::optional<DecodedRun> DecodeRun(std::string_view bytes);

// The row's hash: SHA-256 over the run's canonical content and the previous
// row's hash (lower-case hex, empty for the first row).
std::string ChainHash(std::string_view canonical, std::string_view prevHash);

}  // namespace gvc
