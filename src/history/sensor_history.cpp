#include "history/sensor_history.h"

#include <algorithm>
#include <cmath>

namespace gvc {

std::string SensorNumberFromArgument(std::string_view text) {
    std::string number(text);
    std::replace(number.begin(), number.end(), '_', '.');
    return number;
}

std::vector<HistoryEntry> SensorHistory(const std::vector<ReportRecord>& records,
                                        std::string_view sensorNumber) {
    std::vector<ReportRecord> own;
    for (const ReportRecord& r : records) {
        if (r.sensorNew == sensorNumber) own.push_back(r);
    }
    MergeRecords(own);
    std::vector<HistoryEntry> history;
    history.reserve(own.size());
    for (ReportRecord& r : own) {
        HistoryEntry entry{std::move(r), std::nullopt, false};
        if (!history.empty()) {
            const double previous = history.back().record.kiValue;
            if (previous != 0) {
                const double change = (entry.record.kiValue - previous) / std::fabs(previous) * 100.0;
                entry.changePercent = change;
                entry.fastChange = std::fabs(change) > kFastSlopeChangePercent;
            }
        }
        history.push_back(std::move(entry));
    }
    return history;
}

}  // namespace gvc
