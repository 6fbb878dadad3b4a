// Reading a report log of 100 000 records: log-verify's check alone, and the
// CSV export (check, take the records apart, sort, format) on the same file.
#include <benchmark/benchmark.h>

#include "history/csv_export.h"
#include "history/report_records.h"
#include "history_fixture.h"
#include "records/report_log.h"

namespace {

constexpr std::size_t kRecords = 100000;

void BM_LogVerify(benchmark::State& state) {
    gvc::bench::BigLogDrive drive(kRecords);
    for (auto _ : state) {
        const auto bytes = gvc::ReadFileBytes(drive.Log(), gvc::kMaxReportLogSize);
        const gvc::ReportLogCheck check = gvc::VerifyReportLog(*bytes);
        if (!check.ok) state.SkipWithError("the log does not verify");
        benchmark::DoNotOptimize(check.records.size());
    }
}
BENCHMARK(BM_LogVerify)->Unit(benchmark::kMillisecond);

void BM_ExportCsv(benchmark::State& state) {
    gvc::bench::BigLogDrive drive(kRecords);
    std::size_t size = 0;
    for (auto _ : state) {
        const auto bytes = gvc::ReadFileBytes(drive.Log(), gvc::kMaxReportLogSize);
        gvc::ReportRecords read = gvc::ReadReportRecords(*bytes);
        if (!read.ok) state.SkipWithError("the log does not verify");
        gvc::SortByDateTimeSensor(read.records);
        const std::string csv = gvc::RecordsCsv(read.records, gvc::CsvFlavour::kRfc4180);
        size = csv.size();
        benchmark::DoNotOptimize(csv.data());
    }
    state.counters["csv_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond);

}  // namespace
