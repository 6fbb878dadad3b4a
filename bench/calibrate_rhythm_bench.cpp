// The sample rhythm of gvc-cli calibrate against gvc-devsim: samples per
// minute with three real exchanges (each after its 100 ms wait) in every
// tick, against the ideal 120. Argument 0 is the fixed-rate loop the program
// uses; argument 1 schedules each tick 500 ms after the previous one ended,
// for comparison. gvc-devsim is taken from GVC_DEVSIM, else from the build
// tree next to this program.
#ifndef _WIN32

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "../tools/devsim/devsim_process.h"
#include "calibration/timer_loop.h"
#include "device/device_link.h"
#include "device/device_thread.h"
#include "device/registry.h"
#include "sensor/sensor_admission.h"
#include "sensor/sensor_live.h"
#include "sensor/threaded_device.h"
#include "table/table_loader.h"
#include "util/native_path.h"

namespace {

namespace fs = std::filesystem;
using gvc::LoopClock;

constexpr int kSamples = 20;
constexpr double kIdealPerMinute = 120.0;

fs::path DevsimProgram() {
    if (const char* path = std::getenv("GVC_DEVSIM"); path != nullptr && *path != '\0') return path;
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return self.parent_path().parent_path() / "tools" / "devsim" / "gvc-devsim";
}

class LiveTicks : public gvc::TimedTicks {
public:
    explicit LiveTicks(gvc::SensorAccess& access) : access_(access) {}
    bool DrawOn() const override { return on_; }
    bool SampleOn() const override { return on_; }
    void DrawTick() override {}
    void SampleTick() override {
        gvc::LiveValues values;
        failed = gvc::ReadLiveValues(access_, values) != 0;
        on_ = !failed && ++samples < kSamples;
    }
    int samples = 0;
    bool failed = false;

private:
    gvc::SensorAccess& access_;
    bool on_ = true;
};

// The schedule gvc-cli had before: the next tick 500 ms after this one ended.
void RunFromTickEnd(LiveTicks& ticks) {
    while (ticks.SampleOn()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ticks.SampleTick();
    }
}

void BM_CalibrateSampleRhythm(benchmark::State& state) {
    const fs::path dir = fs::temp_directory_path() / ("gvc-bench-rhythm-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    gvc::devsim::DevsimProcess simulator;
    if (!simulator.Start(DevsimProgram().string(), {"--registry", (dir / "devsim.reg").string(), "--memory",
                                                    (dir / "memory.bin").string(), "--reset"})) {
        state.SkipWithError(("cannot start gvc-devsim: " + simulator.Error()).c_str());
        fs::remove_all(dir);
        return;
    }
    gvc::SensorTypeTable table;
    gvc::ErrorText error;
    gvc::LoadSensorTypeTable(fs::path(GVC_SOURCE_DIR) / "DAT" / "TABL_GAZ_SENSOR_PARAM.dat", table, error);
    std::unique_ptr<gvc::SerialPort> serial = gvc::MakeSystemSerialPort();
    gvc::DevicePort port(
        *serial,
        [&] {
            const auto bytes = gvc::ReadFileBytes(dir / "devsim.reg", gvc::kMaxRegistryFileSize);
            return gvc::MakeMemoryRegistry(bytes ? gvc::ParseRegistryExport(*bytes) : gvc::RegistryTree{});
        },
        error);
    gvc::ScriptedOperator op;
    gvc::SleepingWaiter waiter;
    // As gvc-cli drives it: every exchange on the device thread.
    gvc::BlockingHost host;
    auto device = std::make_unique<gvc::DeviceThread>(port, waiter, host);
    gvc::ThreadedChannel channel(*device, op);
    gvc::ThreadedConnector connector(*device, op);
    gvc::SensorState sensor;
    gvc::NoProgress progress;
    gvc::SensorAccess access{channel, op, table, sensor, progress};
    if (gvc::ConnectSensor(access, gvc::AdmissionCatalogueFromTable(table), connector) != 0) {
        state.SkipWithError("cannot connect to the simulated sensor");
    } else {
        for (auto _ : state) {
            LiveTicks ticks(access);
            const auto start = LoopClock::now();
            if (state.range(0) == 0) {
                gvc::SteadyLoopTime time;
                gvc::TimerSchedule schedule;
                gvc::RunTimerLoop(ticks, time, schedule);
            } else {
                RunFromTickEnd(ticks);
            }
            const std::chrono::duration<double> seconds = LoopClock::now() - start;
            if (ticks.failed) {
                state.SkipWithError("an exchange failed");
                break;
            }
            state.counters["samples_per_minute"] = ticks.samples * 60.0 / seconds.count();
            state.counters["ideal_per_minute"] = kIdealPerMinute;
        }
    }
    device.reset();
    port.ClosePort();
    simulator.Stop();
    fs::remove_all(dir);
}
BENCHMARK(BM_CalibrateSampleRhythm)
    ->ArgName("from_tick_end")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace

#endif
