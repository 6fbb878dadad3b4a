#include "central/central_record_runs.h"

#include <map>
#include <optional>
#include <string>

namespace gvc {

std::vector<RecordRun> OneRunPerRecord(std::vector<StoredRun> runs) {
    // Which run tells each record, then those runs in their order (an own row
    // keeps its place, not that of an imported copy read before it).
    std::vector<std::optional<ReportRecord>> records;
    records.reserve(runs.size());
    std::map<std::string, std::size_t> teller;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        records.push_back(ParseReportRecord(runs[i].record.reportRecordLine));
        if (!records.back()) continue;
        const auto [it, added] = teller.emplace(ReportRecordKey(*records.back()), i);
        if (!added && runs[it->second].record.imported && !runs[i].record.imported) it->second = i;
    }
    std::vector<RecordRun> kept;
    kept.reserve(teller.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (records[i] && teller.at(ReportRecordKey(*records[i])) == i)
            kept.push_back({std::move(*records[i]), std::move(runs[i])});
    }
    return kept;
}

}  // namespace gvc
