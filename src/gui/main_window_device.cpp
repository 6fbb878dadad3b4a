// The main window and its device thread: the run's button and sample timer,
// the sample's live values read on the device thread, and the port closed
// there. The window's thread hands the device jobs and takes their results as
// queued calls; it never waits for an exchange.
#include "gui/device_host.h"
#include "gui/main_window.h"

namespace gvc::gui {

void MainWindow::StartStopPressed() {
    const bool wasRunning = run_->Running();
    device_->Resume();
    run_->StartStopClicked();
    // Interrupted: what is queued for the run is dropped and the exchange on
    // the line finishes without anything further being sent.
    if (wasRunning && !run_->Running()) device_->Cancel();
}

void MainWindow::SampleTimerTick() {
    // A tick while the last sample is still being read is let go, as a timer
    // tick is when its thread is busy.
    if (sampleReading_) return;
    device_->Resume();
    run_->SampleTick();
}

void MainWindow::ReadLive(SensorAccess& access, std::function<void(int, const LiveValues&)> done) {
    sampleReading_ = true;
    ReadLiveOnDevice(*device_, *sensorOp_, access.table, access.state,
                     [this, done = std::move(done)](int result, const LiveValues& values) {
                         sampleReading_ = false;
                         if (result != kDeviceCancelled) done(result, values);
                     });
}

void MainWindow::ClosePort() {
    connector_->ClosePort();
}

}  // namespace gvc::gui
