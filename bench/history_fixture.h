// A report log of many records in a temporary drive D:, for the benchmarks of
// the readers: 100 sensors calibrated in turn, one record a day each.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "records/locations.h"
#include "records/report_log.h"
#include "util/native_path.h"
#include "util/text_checksum.h"
#include "util/text_format.h"

namespace gvc::bench {

inline std::string BigReportLog(std::size_t records) {
    const std::string empty = EmptyReportLogBytes();
    const std::size_t closing = empty.size() - 10 - 106;
    std::string bytes = empty.substr(0, closing);
    bytes.reserve(closing + (records + 1) * 106 + 10);
    for (std::size_t i = 0; i < records; ++i) {
        const auto day = static_cast<int>(i / 100);
        const std::string date = FormatIntZero(day % 28 + 1, 2) + "." + FormatIntZero(day / 28 % 12 + 1, 2) +
                                 "." + FormatIntZero(2000 + day / 336, 4);
        const std::string sensor = "03-01.00.000." + FormatIntZero(static_cast<int>(i % 100), 3);
        bytes += "|" + date + "|10:22:05|" + sensor + "|" + sensor + "|005| +00.9766 | +01." +
                 FormatIntZero(static_cast<int>(i % 10000), 4) + " |000500|017520|mg/m3   |\r\n";
    }
    bytes += empty.substr(closing, 106);
    TextFileChecksum sums;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t end = bytes.find("\r\n", pos) + 2;
        sums.AddLine(std::string_view(bytes).substr(pos, end - pos));
        pos = end;
    }
    return bytes + sums.Trailer() + "\r\n";
}

// Drive D: in a temporary directory holding REPORT.log with `records` records;
// removed again when it goes.
class BigLogDrive {
public:
    explicit BigLogDrive(std::size_t records) {
        char pattern[] = "/tmp/gvc-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) return;
        root_ = pattern;
        ::setenv("GVC_DRIVE_D", pattern, 1);
        std::filesystem::create_directories(NativePath(locations::ReportDir));
        std::filesystem::create_directories(NativePath(locations::SensorsDir));
        log_ = NativePath(locations::ReportLogPath);
        std::ofstream(log_, std::ios::binary) << BigReportLog(records);
    }
    ~BigLogDrive() {
        std::error_code ignored;
        if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
    }
    bool Ok() const { return !root_.empty(); }
    const std::filesystem::path& Log() const { return log_; }

private:
    std::filesystem::path root_;
    std::filesystem::path log_;
};

}  // namespace gvc::bench
