// gvc-cli calibrate: the calibration run from a terminal, for automated
// calibration lines and tests. The same controller as the window: questions
// are asked at the prompt (or all answered Yes with --yes), the ADC value,
// temperature and clock are printed once a second, and the last line is the
// final text of the status field.
#include <filesystem>
#include <iostream>

#include "app/instance_lock.h"
#include "app/startup.h"
#include "app/workstation_settings.h"
#include "calibration/calibration_run.h"
#include "calibration/timer_loop.h"
#include "cli/calibrate_arguments.h"
#include "cli/calibrate_reference.h"
#include "cli/cli_command.h"
#include "cli/sensor_session.h"
#include "cli/stop_signals.h"
#include "cli/store_access.h"
#ifdef GVC_WITH_CENTRAL
#include "cli/central_commands.h"
#endif
#include "records/gas_catalogue.h"
#include "store/store_recovery.h"
#include "store/store_run_sink.h"
#include "store/store_session.h"
#include "ui/characteristics_list.h"
#include "ui/concentration_text.h"
#include "ui/reference_choice.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc::cli {

namespace {

using namespace gvc::literals;

// Messages to standard error; questions answered at the prompt or all Yes.
class PromptOperator : public Operator {
public:
    PromptOperator(std::ostream& err, std::istream& in, bool yes) : err_(err), in_(in), yes_(yes) {}

    void Show(MessageKind, std::string_view text) override { PrintLine(err_, text); }

    bool Ask(MessageKind, std::string_view text) override {
        PrintLine(err_, text);
        if (yes_) {
            err_ << "-> Yes\n";
            return true;
        }
        err_ << "[y/N] " << std::flush;
        std::string answer;
        if (!std::getline(in_, answer)) return false;
        return answer == "y" || answer == "Y" || answer == "yes" || answer == "д" || answer == "да";
    }

private:
    std::ostream& err_;
    std::istream& in_;
    bool yes_;
};

class NullCanvas : public PlotCanvas {
public:
    int Width() const override { return kGraphImageWidth; }
    int Height() const override { return kGraphImageHeight; }
    void FillRect(int, int, int, int, RgbColour) override {}
    void Line(int, int, int, int, RgbColour) override {}
};

class ConsoleProgress : public TransferProgress {
public:
    explicit ConsoleProgress(std::ostream& out) : out_(out) {}
    void PageStarted(std::string_view page) override { out_ << "page " << page << "\n"; }
    void Advance(int) override {}

private:
    std::ostream& out_;
};

// Prints what the window would show: the clock line once a second and each
// new status text.
class ConsoleView : public CalibrationView {
public:
    ConsoleView(std::ostream& out, CalibrationDeviceLink& link, std::optional<std::int64_t> cylinder,
                WorkstationSettings settings)
        : out_(out), link_(link), cylinder_(cylinder), settings_(std::move(settings)) {}

    std::optional<std::int64_t> ReferenceCylinder() override { return cylinder_; }
    // The operator and the as-found tolerance from the program's settings, as the window records them.
    std::string OperatorName() override { return OperatorNameFor(settings_); }
    double AsFoundTolerancePercent() override { return settings_.tolerancePercent; }

    // How many times each timer has been switched on: the timer loop starts a
    // timer switched off and on within one tick anew.
    unsigned drawStarts = 0;
    unsigned sampleStarts = 0;

    void PageChanged(const CalibrationPage& page) override {
        drawStarts += page.drawTimerOn && !drawOn_ ? 1u : 0u;
        sampleStarts += page.sampleTimerOn && !sampleOn_ ? 1u : 0u;
        drawOn_ = page.drawTimerOn;
        sampleOn_ = page.sampleTimerOn;
        if (page.timeVisible && page.timeText != shownTime_ && !page.currentAdcText.empty()) {
            shownTime_ = page.timeText;
            out_ << page.timeText << " adc=" << page.currentAdcText
                 << " temperature=" << page.currentTemperatureText << std::endl;
        }
        if (page.statusText != shownStatus_) {
            shownStatus_ = page.statusText;
            // The page's status is the system's own text: a line of its own.
            out_ << Utf8FromCp1251(page.statusText) << std::endl;
        }
    }
    PlotCanvas& ZeroCanvas() override { return canvas_; }
    PlotCanvas& ReferenceCanvas() override { return canvas_; }
    void RefreshConnectionDisplay() override {}
    void ClosePort() override { link_.ClosePort(); }
    void SaveLineShown(SaveLine, std::string_view text) override { PrintLine(out_, text); }
    ReportTimestamp Now() override { return LocalTimestampNow(); }

private:
    std::ostream& out_;
    CalibrationDeviceLink& link_;
    std::optional<std::int64_t> cylinder_;
    WorkstationSettings settings_;
    NullCanvas canvas_;
    std::string shownTime_;
    std::string shownStatus_;
    bool drawOn_ = false;
    bool sampleOn_ = false;
};

// Runs the two timers: a draw tick every 100 ms, a sample tick every 500 ms,
// on a fixed-rate schedule, while the run keeps them on. A stop signal ends
// the run at the next tick.
void RunTimers(CalibrationRun& run, const ConsoleView& view) {
    class RunTicks : public TimedTicks {
    public:
        RunTicks(CalibrationRun& run, const ConsoleView& view) : run_(run), view_(view) {}
        bool DrawOn() const override { return run_.Page().drawTimerOn; }
        bool SampleOn() const override { return run_.Page().sampleTimerOn; }
        unsigned DrawStarts() const override { return view_.drawStarts; }
        unsigned SampleStarts() const override { return view_.sampleStarts; }
        void DrawTick() override {
            if (StopSignals::Caught() != 0) return run_.StopWithoutQuestion();
            run_.DrawTick();
        }
        void SampleTick() override {
            if (StopSignals::Caught() != 0) return run_.StopWithoutQuestion();
            run_.SampleTick();
        }

    private:
        CalibrationRun& run_;
        const ConsoleView& view_;
    } ticks(run, view);
    SteadyLoopTime time;
    TimerSchedule schedule;
    RunTimerLoop(ticks, time, schedule);
}

// Holding the lock, no run of this workstation is under way: the runs a stop
// left unfinished are closed now, and the operator learns which sensors must
// be calibrated again (and that a database was made anew from the files).
void ReportUnfinishedRuns(Operator& op) {
    const StorePlaces places = WorkstationStorePlaces();
    const StoreSession session = OpenWorkstationStore(places, true);
    if (!session.store) return;  // the run's own record says why, at its end
    if (session.rebuilt)
        op.Show(MessageKind::kWarning, RebuiltStoreText(places.database, session.import.added));
    for (const RunRecord& run : session.unfinished)
        op.Show(MessageKind::kWarning, UnfinishedRunText(run));
    for (const std::string& p : session.problems)
        op.Show(MessageKind::kWarning, p);
}

}  // namespace

int RunCalibrate(std::span<const std::string> args, CommandIo io) {
    // Every argument is checked before the lock, the data tree or the device.
    const std::optional<CalibrateArguments> arguments = ParseCalibrateArguments(args, io.err);
    if (!arguments) return 2;
    PromptOperator op(io.err, std::cin, arguments->yes);

    // The same lock as the program: two front ends never write one report log.
    const InstanceLock lock;
    if (!lock.Held()) {
        op.Show(MessageKind::kError, "Повторный запуск программы ЗАПРЕЩЕН!"_cp);
        return 1;
    }
    ErrorText error;
    SensorTypeTable table;
    GasCatalogue catalogue;
    Startup startup({op, error, RealFileSystem(), table, catalogue});
    if (!startup.StartupChecks(Cp1251PathText(std::filesystem::current_path())) || !startup.FinishStartup()) {
        io.out << "startup failed\n";
        return 1;
    }
    ReportUnfinishedRuns(op);

    ConsoleProgress progress(io.out);
    SensorSession session(io, op, progress);
    if (const int code = session.Connect(); code != 0) return code;
    SensorAccess& access = session.Access();
    SensorState& state = access.state;

    CharacteristicsList list;
    const ReportTimestamp today = LocalTimestampNow();
    list.FillOldValues(state.OldParams, access.table);
    list.FillNewValues(
        state, access.table, TakeConnectionSnapshot(state.OldParams),
        SensorDate{today.year, static_cast<std::uint8_t>(today.day), static_cast<std::uint8_t>(today.month)});
    // The reference by the window's rules: a typed value or a cylinder is
    // checked against the connected sensor's unit, decimals and range.
    int referenceExit = 0;
    const std::optional<ReferenceSelection> chosen = CalibrateReference(
        *arguments, state.NewParams.RefConc, state.identity.GasCode,
        ReferenceRange{state.NewParams.RangeTop, list.UnitText(), state.NewParams.MultiplierCode}, op, io,
        referenceExit);
    if (!chosen) return referenceExit;
    const ReferenceSelection reference = *chosen;
    io.out << "sensor " << Utf8FromCp1251(session.SensorNumber()) << ", reference "
           << Utf8FromCp1251(FormatConcentration(reference.referenceValue, state.NewParams.MultiplierCode))
           << "\n";

    int connectionState = 0;
    WorkstationSettings settings = LoadSettings(RealFileSystem());
    if (!arguments->operatorName.empty()) settings.operatorName = arguments->operatorName;
    ConsoleView view(io.out, session.Link(), arguments->cylinder, settings);
    // The run's record goes to the workstation's database (or its outbox, with one message).
    StoreRunSink sink(WorkstationStorePlaces(),
                      [&op](const std::string& message) { op.Show(MessageKind::kWarning, message); });
    CalibrationRun run({access, list, reference, connectionState, RealFileSystem(), error, view, &sink});
    // From the first write on, a stop signal ends the run with the sensor put back.
    const StopSignals stopSignals;
    run.ResetCalibrationPage();
    run.StartStopClicked();
    RunTimers(run, view);
    // A run that ends early (a question without an answer, a stop signal, a
    // write that failed) puts the sensor back before the program ends.
    run.StopWithoutQuestion();
    const SensorParams& written = state.NewParams;
    if (run.LastSaveResult() == 0) {
        io.out << "saved slope=" << written.Slope << " offset=" << written.ZeroOffset
               << " pga=" << unsigned{written.PgaGain} << "\n";
    }
    PrintLine(io.out, run.Page().statusText);
    // A save that completed is a success even when a stop signal came during
    // it (the run had nothing left to stop): it is sent and reported so.
    const bool saved = run.Page().statusText == "OK !" && run.LastSaveResult() == 0;
#ifdef GVC_WITH_CENTRAL
    // The stored run goes on to the laboratory's central database, when this
    // workstation has one; a failure leaves it waiting and the result as it is.
    if (saved || StopSignals::Caught() == 0) SendAfterRun(io);
#endif
    if (saved) return 0;
    if (const int signal = StopSignals::Caught(); signal != 0) return 128 + signal;
    return 1;
}

}  // namespace gvc::cli
