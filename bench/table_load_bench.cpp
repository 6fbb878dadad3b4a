// Loading the shipped sensor-type table, as start-up does: read the file and
// parse it with its checksum.
#include <benchmark/benchmark.h>

#include "table/table_loader.h"
#include "util/native_path.h"

namespace {

constexpr const char* kTable = GVC_SOURCE_DIR "/DAT/TABL_GAZ_SENSOR_PARAM.dat";

void BM_LoadShippedTableFromFile(benchmark::State& state) {
    for (auto _ : state) {
        gvc::SensorTypeTable table;
        gvc::ErrorText error;
        if (!gvc::LoadSensorTypeTable(kTable, table, error)) state.SkipWithError("table does not load");
        benchmark::DoNotOptimize(table);
    }
}
BENCHMARK(BM_LoadShippedTableFromFile)->Unit(benchmark::kMicrosecond);

void BM_ParseShippedTable(benchmark::State& state) {
    const auto bytes = gvc::ReadFileBytes(kTable, gvc::kMaxTableFileSize);
    if (!bytes) {
        state.SkipWithError("table missing");
        return;
    }
    for (auto _ : state) {
        gvc::SensorTypeTable table;
        gvc::ErrorText error;
        benchmark::DoNotOptimize(gvc::ParseSensorTypeTable(*bytes, table, error));
        benchmark::DoNotOptimize(table);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes->size()));
}
BENCHMARK(BM_ParseShippedTable)->Unit(benchmark::kMicrosecond);

}  // namespace
