// Appending one record to report logs of growing size: the whole log is read,
// verified, copied, flushed to the disk and renamed over the old one.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>

#include "records/locations.h"
#include "records/report_log.h"
#include "util/file_system.h"
#include "util/native_path.h"
#include "util/text_checksum.h"

namespace {

// A log of `records` lines built in memory, with its checksum.
std::string LogWithRecords(std::size_t records, const std::string& line) {
    const std::string empty = gvc::EmptyReportLogBytes();
    const std::size_t closing = empty.size() - 10 - 106;
    std::string bytes = empty.substr(0, closing);
    for (std::size_t i = 0; i < records; ++i)
        bytes += line + "\r\n";
    bytes += empty.substr(closing, 106);
    gvc::TextFileChecksum sums;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t end = bytes.find("\r\n", pos) + 2;
        sums.AddLine(std::string_view(bytes).substr(pos, end - pos));
        pos = end;
    }
    return bytes + sums.Trailer() + "\r\n";
}

void BM_AppendReportRecord(benchmark::State& state) {
    char pattern[] = "/tmp/gvc-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        state.SkipWithError("no temporary directory");
        return;
    }
    ::setenv("GVC_DRIVE_D", pattern, 1);
    gvc::FileSystem& fs = gvc::RealFileSystem();
    fs.MakeDirectory(gvc::locations::DataDir);
    fs.MakeDirectory(gvc::locations::ReportDir);
    gvc::SensorTypeTable table;
    gvc::SensorParams params;
    const gvc::SensorIdentity identity{1, 12345, 1, 3};
    const gvc::ReportTimestamp when{1, 2, 2026, 3, 4, 5};
    const std::string line = gvc::ReportRecordLine(when, "+01.2207", "+01.0000", params, identity, table);
    const std::string log = LogWithRecords(static_cast<std::size_t>(state.range(0)), line);
    for (auto _ : state) {
        state.PauseTiming();
        gvc::WriteFileAtomically(fs, gvc::locations::ReportLogPath, log);
        state.ResumeTiming();
        gvc::ErrorText error;
        if (!gvc::AppendReportRecord("+01.2207", "+01.0000", params, identity, table, when, fs, error)) {
            state.SkipWithError("append failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(log.size()));
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
}
BENCHMARK(BM_AppendReportRecord)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
