// The log page with a report log of 100 000 records: how long a reload takes
// until the page shows the records, and the longest time the window's event
// loop was held up meanwhile (a 1 ms timer records the gaps between its ticks).
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "gui/log_page.h"
#include "gui/log_records_model.h"
#include "history_fixture.h"
#include "util/operator.h"

namespace {

class SilentOperator : public gvc::Operator {
public:
    void Show(gvc::MessageKind, std::string_view) override {}
    bool Ask(gvc::MessageKind, std::string_view) override { return false; }
};

void BM_LogPageReload(benchmark::State& state) {
    gvc::bench::BigLogDrive drive(100000);
    SilentOperator op;
    gvc::gui::LogPage page(op);
    page.resize(632, 310);
    double longestStall = 0;
    double apply = 0;
    for (auto _ : state) {
        QElapsedTimer sinceTick;
        sinceTick.start();
        double stall = 0;
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            stall = std::max(stall, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.restart();
        });
        ticker.start();
        page.Reload();
        while (!page.Loaded())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        QCoreApplication::processEvents();
        stall = std::max(stall, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
        longestStall = std::max(longestStall, stall);
        apply = std::max(apply, page.LastApplyMilliseconds());
        if (page.Model().rowCount() != 100000) state.SkipWithError("the records are not shown");
    }
    state.counters["longest_stall_ms"] = longestStall;
    state.counters["apply_ms"] = apply;
}
BENCHMARK(BM_LogPageReload)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
