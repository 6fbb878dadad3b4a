// How long the window's event loop is held up while the device works: a 1 ms
// probe timer in the window's thread runs through a connection, a whole
// calibration run and the saving of its result, against gvc-devsim with its
// automatic chamber. For each phase it prints the longest gap between two
// probes and the 99th percentile of the gaps. A window that never freezes keeps
// the longest gap within one frame (16 ms).
//
//   QT_QPA_PLATFORM=offscreen build/bench/gvc_event_loop_bench [PROFILE]
//
// PROFILE is a gvc-devsim sensor profile (default "default"; "digital" runs
// the front end's commands as well).
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "gui_fixture.h"

using namespace gvc;
using namespace gvc::gui;
using namespace gvc::gui::test;

namespace {

struct Phase {
    const char* name;
    qint64 start = -1;  // nanoseconds since the probe started
    qint64 end = -1;
};

// Notes when the progress window shows and hides in its saving mode.
class SaveWatcher : public QObject {
public:
    SaveWatcher(ProgressWindow& progress, QElapsedTimer& clock, Phase& save)
        : progress_(progress), clock_(clock), save_(save) {
        progress_.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &progress_ && progress_.Mode() == 2) {
            if (event->type() == QEvent::Show && save_.start < 0) save_.start = clock_.nsecsElapsed();
            if (event->type() == QEvent::Hide && save_.start >= 0) save_.end = clock_.nsecsElapsed();
        }
        return false;
    }

private:
    ProgressWindow& progress_;
    QElapsedTimer& clock_;
    Phase& save_;
};

void Report(const Phase& phase, const std::vector<qint64>& probes) {
    std::vector<double> gaps;
    qint64 longestAt = 0;
    double longest = 0;
    for (std::size_t i = 1; i < probes.size(); ++i) {
        if (probes[i] < phase.start || probes[i] > phase.end) continue;
        gaps.push_back(static_cast<double>(probes[i] - probes[i - 1]) / 1e6);
        if (gaps.back() > longest) {
            longest = gaps.back();
            longestAt = probes[i - 1] - phase.start;
        }
    }
    if (gaps.empty()) {
        std::printf("%-11s no probes\n", phase.name);
        return;
    }
    std::sort(gaps.begin(), gaps.end());
    const std::size_t p99 = std::min(gaps.size() - 1, gaps.size() * 99 / 100);
    std::printf("%-11s %6.1f s %7zu probes   longest gap %7.1f ms (at %.2f s)   99th percentile %5.1f ms\n",
                phase.name, static_cast<double>(phase.end - phase.start) / 1e9, gaps.size(), gaps.back(),
                static_cast<double>(longestAt) / 1e9, gaps[p99]);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string profile = argc > 1 ? argv[1] : "default";
    ProgramSandbox sandbox;
    sandbox.CopyTable();
    sandbox.MakeDataTree();
    if (!sandbox.StartSimulator(profile, {"--seed", "7", "--auto"})) {
        std::fprintf(stderr, "gvc-devsim: %s\n", sandbox.Simulator().Error().c_str());
        return 1;
    }
    for (int i = 0; i < 8; ++i)
        sandbox.Op().QueueAnswer(true);
    MainWindow& window = sandbox.CreateAndShow();

    QElapsedTimer clock;
    std::vector<qint64> probes;
    probes.reserve(400'000);
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] { probes.push_back(clock.nsecsElapsed()); });

    Phase connection{"connection"};
    Phase run{"run"};
    Phase save{"saving"};
    SaveWatcher watcher(sandbox.Progress(), clock, save);

    clock.start();
    probe.start();
    QTimer::singleShot(200, [&] {
        connection.start = clock.nsecsElapsed();
        window.btConn->click();
        connection.end = clock.nsecsElapsed();
        if (window.ConnectionState() != 0) {
            std::fprintf(stderr, "the sensor did not connect\n");
            QApplication::exit(1);
            return;
        }
        QTimer::singleShot(200, [&] {
            run.start = clock.nsecsElapsed();
            window.btStart->click();
        });
    });
    QTimer done;
    done.setInterval(50);
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (window.Run().LastSaveResult() == -2 || save.end < 0) return;
        QApplication::exit(window.Run().LastSaveResult() == 0 ? 0 : 1);
    });
    done.start();
    const int code = QApplication::exec();
    probe.stop();
    run.end = save.start;
    std::printf("event loop of the window thread, 1 ms probe timer, gvc-devsim --auto --profile %s\n",
                profile.c_str());
    Report(connection, probes);
    Report(run, probes);
    Report(save, probes);
    if (code != 0)
        std::fprintf(stderr, "the calibration was not saved (result %d)\n", window.Run().LastSaveResult());
    return code;
}
