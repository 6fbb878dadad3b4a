// A full page read and a full page write against gvc-devsim over a
// pseudo-terminal, with the real 100 ms wait before each reply. The counters
// compare the time per transfer with its floor: exchanges x 100 ms.
#ifndef _WIN32

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

#include "../tools/devsim/devsim_process.h"
#include "device/device_link.h"
#include "device/registry.h"
#include "sensor/device_link_connector.h"
#include "sensor/sensor_admission.h"
#include "sensor/sensor_read.h"
#include "sensor/sensor_write.h"
#include "table/table_loader.h"
#include "util/native_path.h"

namespace gvc {
namespace {

namespace fs = std::filesystem;

// The simulator next to this program in the build tree, a sensor connected.
class BenchSensor {
public:
    BenchSensor() {
        dir_ = fs::temp_directory_path() / ("gvc-sensor-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        const fs::path devsim =
            fs::canonical("/proc/self/exe").parent_path().parent_path() / "tools" / "devsim" / "gvc-devsim";
        ok_ = simulator_.Start(devsim.string(), {"--registry", (dir_ / "devsim.reg").string(), "--memory",
                                                 (dir_ / "memory.bin").string(), "--reset", "--noise", "0"});
        ErrorText error;
        ok_ = ok_ && LoadSensorTypeTable(fs::path(GVC_SOURCE_DIR) / "DAT" / "TABL_GAZ_SENSOR_PARAM.dat",
                                         table_, error);
        ok_ = ok_ && ConnectSensor(access_, AdmissionCatalogueFromTable(table_), connector_) == 0;
        state_.NewParams = state_.OldParams;
    }
    ~BenchSensor() {
        port_.ClosePort();
        simulator_.Stop();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    bool Ok() const { return ok_; }
    SensorAccess& Access() { return access_; }

private:
    fs::path dir_;
    devsim::DevsimProcess simulator_;
    bool ok_ = false;
    std::unique_ptr<SerialPort> serial_ = MakeSystemSerialPort();
    ErrorText error_;
    DevicePort port_{*serial_,
                     [this] {
                         const std::optional<std::string> bytes =
                             ReadFileBytes(dir_ / "devsim.reg", kMaxRegistryFileSize);
                         return MakeMemoryRegistry(bytes ? ParseRegistryExport(*bytes) : RegistryTree{});
                     },
                     error_};
    ScriptedOperator op_;
    SleepingWaiter waiter_;
    DeviceLink link_{port_, op_, waiter_};
    DeviceLinkConnector connector_{link_};
    SensorTypeTable table_;
    SensorState state_;
    NoProgress progress_;
    SensorAccess access_{link_, op_, table_, state_, progress_};
};

BenchSensor& Sensor() {
    static BenchSensor sensor;
    return sensor;
}

void RunTransfer(benchmark::State& state, int (*transfer)(SensorAccess&), double exchanges) {
    BenchSensor& sensor = Sensor();
    if (!sensor.Ok()) {
        state.SkipWithError("gvc-devsim could not be started or the sensor was not admitted");
        return;
    }
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (transfer(sensor.Access()) != 0) {
            state.SkipWithError("transfer failed");
            return;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double perTransfer = seconds / static_cast<double>(state.iterations());
    state.counters["exchanges"] = exchanges;
    state.counters["floor_s"] = exchanges * 0.1;
    state.counters["ratio"] = perTransfer / (exchanges * 0.1);
}

void BM_FullRead(benchmark::State& state) {
    RunTransfer(state, ReadAllPages, 43);
}
void BM_FullWrite(benchmark::State& state) {
    RunTransfer(state, WriteAllPages, 41);
}

BENCHMARK(BM_FullRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_FullWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace gvc

#endif  // _WIN32
