// One exchange with gvc-devsim over a real pseudo-terminal: the wall time is
// the 100 ms wait plus the line; the CPU time shows that nothing spins while
// the program waits. gvc-devsim is taken from GVC_DEVSIM, else from the build
// tree next to this program.
#ifndef _WIN32

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "../tools/devsim/devsim_process.h"
#include "device/device_link.h"
#include "device/registry.h"
#include "util/native_path.h"

namespace {

namespace fs = std::filesystem;

fs::path DevsimProgram() {
    if (const char* path = std::getenv("GVC_DEVSIM"); path != nullptr && *path != '\0') return path;
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return self.parent_path().parent_path() / "tools" / "devsim" / "gvc-devsim";
}

void BM_DeviceExchange(benchmark::State& state) {
    const fs::path dir = fs::temp_directory_path() / ("gvc-bench-devsim-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    gvc::devsim::DevsimProcess simulator;
    if (!simulator.Start(DevsimProgram().string(), {"--registry", (dir / "devsim.reg").string(), "--memory",
                                                    (dir / "memory.bin").string(), "--reset"})) {
        state.SkipWithError(("cannot start gvc-devsim: " + simulator.Error()).c_str());
        fs::remove_all(dir);
        return;
    }
    std::unique_ptr<gvc::SerialPort> serial = gvc::MakeSystemSerialPort();
    gvc::ErrorText error;
    gvc::DevicePort port(
        *serial,
        [&] {
            const auto bytes = gvc::ReadFileBytes(dir / "devsim.reg", gvc::kMaxRegistryFileSize);
            return gvc::MakeMemoryRegistry(bytes ? gvc::ParseRegistryExport(*bytes) : gvc::RegistryTree{});
        },
        error);
    gvc::ScriptedOperator op;
    gvc::SleepingWaiter waiter;
    gvc::DeviceLink link(port, op, waiter);
    if (link.ConnectCalibrationDevice() != 0) {
        state.SkipWithError("cannot connect to gvc-devsim");
    } else {
        for (auto _ : state) {
            std::uint32_t value = 0;
            if (link.DeviceRequest(gvc::DeviceCommand::kRead, 0x0C, 2, value) != 0) {
                state.SkipWithError("exchange failed");
                break;
            }
            benchmark::DoNotOptimize(value);
        }
    }
    port.ClosePort();
    simulator.Stop();
    fs::remove_all(dir);
}
BENCHMARK(BM_DeviceExchange)->Unit(benchmark::kMicrosecond)->Iterations(30);

}  // namespace

#endif
