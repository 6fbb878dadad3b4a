// The calibration database at the size of a laboratory's lifetime: 1 000 000
// runs with their series (GVC_STORE_BENCH_RUNS sets another count). The
// database is built once into a cache file (GVC_BENCH_CACHE, else
// ~/.cache/g-varnest/bench) and reused; building it takes minutes. The insert
// benchmark adds its runs to that file with the program's durability (WAL,
// synchronous=FULL, one transaction per run).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "store/calibration_store.h"
#include "store/run_rows.h"
#include "store/sqlite_db.h"
#include "store/store_verify.h"

namespace {

constexpr int kSensors = 10000;
constexpr std::size_t kSeries = 120;  // samples of one stage the plots show

std::int64_t RunCount() {
    const char* env = std::getenv("GVC_STORE_BENCH_RUNS");
    const long long n = env != nullptr ? std::atoll(env) : 1000000;
    return n > 0 ? n : 1000000;
}

std::filesystem::path CacheFile() {
    const char* env = std::getenv("GVC_BENCH_CACHE");
    const char* home = std::getenv("HOME");
    const std::filesystem::path dir =
        env != nullptr
            ? std::filesystem::path(env)
            : std::filesystem::path(home != nullptr ? home : "/tmp") / ".cache" / "g-varnest" / "bench";
    std::filesystem::create_directories(dir);
    return dir / ("calibrations-" + std::to_string(RunCount()) + ".sqlite");
}

std::string SensorNumber(int n) {
    char text[32];
    std::snprintf(text, sizeof text, "03-01.00.%03d.%03d", n / 1000 % 1000, n % 1000);
    return text;
}

gvc::RunRecord MakeRun(std::int64_t i) {
    gvc::RunRecord r;
    const int sensor = static_cast<int>(i % kSensors);
    const std::int64_t day = i / kSensors * 3;  // each sensor every few days, from 1995 on
    const gvc::CivilDate date = gvc::DateFromDayNumber(9131 + day);
    r.runId = "BENCH-" + std::to_string(i);
    r.workstation = "WS1";
    r.operatorName = "operator";
    r.sensorNumber = SensorNumber(sensor);
    r.gasCode = 3;
    r.gasText = "CO";
    r.typeNumber = 1;
    r.typeText = "03-01";
    r.unitText = "ppm";
    r.rangeTop = 200;
    r.startLocal = {date.day, date.month, date.year, 9, 0, 0};
    r.endLocal = {date.day, date.month, date.year, 9, static_cast<int>(i % 60), 0};
    r.referenceThousandths = 50000;
    r.zeroSeries.resize(kSeries);
    r.referenceSeries.resize(kSeries);
    for (std::size_t k = 0; k < kSeries; ++k) {
        r.zeroSeries[k] = static_cast<std::int32_t>(1000 + (i * 31 + static_cast<std::int64_t>(k) * 7) % 13);
        r.referenceSeries[k] =
            static_cast<std::int32_t>(88000 + (i * 17 + static_cast<std::int64_t>(k) * 5) % 29);
    }
    r.outcome = gvc::RunOutcome::kSaved;
    r.resultText = "OK !";
    r.saving = {gvc::StepOutcome::kOk, gvc::StepOutcome::kOk, gvc::StepOutcome::kOk, gvc::StepOutcome::kOk,
                ""};
    r.reportRecordLine = "|" + std::to_string(i) + "|";
    r.certificateSha256 = std::string(64, 'c');
    r.nextCalibration = gvc::DateFromDayNumber(9131 + day + 365);
    r.asFound.foundReference = gvc::ReadingError{48.0, -4.0, -1.0};
    r.asFound.foundInTolerance = true;
    return r;
}

// The cached database, built on first use.
gvc::CalibrationStore& Store() {
    static std::unique_ptr<gvc::CalibrationStore> store = [] {
        const std::filesystem::path file = CacheFile();
        const std::filesystem::path building = file.string() + ".building";
        if (!std::filesystem::exists(file)) {
            std::filesystem::remove(building);
            std::string message;
            auto fresh = gvc::CalibrationStore::Open(building, message);
            if (!fresh) std::abort();
            gvc::SqliteDb& db = fresh->Db();
            db.Exec("PRAGMA synchronous = OFF");
            const std::int64_t total = RunCount();
            for (std::int64_t i = 0; i < total;) {
                gvc::SqliteTransaction tx(db);
                for (std::int64_t k = 0; k < 20000 && i < total; ++k, ++i)
                    if (!gvc::InsertRunRow(db, MakeRun(i), std::nullopt, gvc::kStoreSchemaVersion, message))
                        std::abort();
                if (!tx.Commit()) std::abort();
            }
            fresh.reset();
            std::filesystem::rename(building, file);
        }
        std::string message;
        auto opened = gvc::CalibrationStore::Open(file, message);
        if (!opened) std::abort();
        return opened;
    }();
    return *store;
}

void BM_StoreDueList(benchmark::State& state) {
    gvc::CalibrationStore& store = Store();
    // The newest runs' next dates lie about a year after the last day.
    const gvc::CivilDate today = gvc::DateFromDayNumber(9131 + RunCount() / kSensors * 3 + 330);
    std::size_t due = 0;
    for (auto _ : state) {
        const auto read = store.DueList(today, 30);
        if (!read.ok) state.SkipWithError("due list failed");
        due = read.value.size();
    }
    state.counters["sensors_due"] = static_cast<double>(due);
}
BENCHMARK(BM_StoreDueList)->Unit(benchmark::kMillisecond);

void BM_StoreSensorHistory(benchmark::State& state) {
    gvc::CalibrationStore& store = Store();
    std::size_t runs = 0;
    int n = 0;
    for (auto _ : state) {
        const auto read = store.SensorRuns(SensorNumber(n++ * 7919 % kSensors));
        if (!read.ok) state.SkipWithError("history failed");
        runs = read.value.size();
    }
    state.counters["runs_of_the_sensor"] = static_cast<double>(runs);
}
BENCHMARK(BM_StoreSensorHistory)->Unit(benchmark::kMillisecond);

void BM_StoreInsertRun(benchmark::State& state) {
    gvc::CalibrationStore& store = Store();
    std::int64_t i = 0;
    const std::int64_t base = store.RunCount().value + 1000000000;
    for (auto _ : state) {
        gvc::RunRecord run = MakeRun(i++);
        run.runId = "BENCH-INSERT-" + std::to_string(base + i);
        std::string message;
        if (!store.AddRun(run, message)) state.SkipWithError("insert failed");
    }
}
BENCHMARK(BM_StoreInsertRun)->Unit(benchmark::kMillisecond);

void BM_StoreVerify(benchmark::State& state) {
    gvc::CalibrationStore& store = Store();
    const std::filesystem::path none = CacheFile().string() + ".no-files";
    for (auto _ : state) {
        const gvc::StoreVerifyReport report = gvc::VerifyStore(store, {none / "REPORT.log", none, none});
        benchmark::DoNotOptimize(report.rows);
        state.counters["rows"] = static_cast<double>(report.rows);
    }
    const std::int64_t rows = store.RunCount().value;
    std::error_code ec;
    const auto size = std::filesystem::file_size(CacheFile(), ec);
    state.counters["bytes_per_run"] = rows > 0 ? static_cast<double>(size) / static_cast<double>(rows) : 0.0;
}
BENCHMARK(BM_StoreVerify)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
