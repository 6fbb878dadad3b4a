// The main window and its device thread: the run's button and sample timer,
// the sample's live values read on the device thread, and the port closed
// there. The window's thread hands the device jobs and takes their results as
// queued calls; it never waits for an exchange.
#include "gui/device_host.h"
#include "gui/main_window.h"
#include "gui/progress_window.h"

namespace gvc::gui {

void MainWindow::SetUpDevice() {
    host_ = std::make_unique<QtDeviceHost>(this);
    device_ = std::make_unique<DeviceThread>(parts_.device.Port(), parts_.device.PacketWaiter(), *host_);
    hostOp_ = std::make_unique<HostOperator>(parts_.op, *device_, *host_);
    sensorOp_ = std::make_unique<HeldQuietOperator>(*hostOp_, *device_);
    channel_ = std::make_unique<ThreadedChannel>(*device_, *sensorOp_);
    connector_ = std::make_unique<ThreadedConnector>(*device_, *sensorOp_);
    relay_.device = device_.get();
    relay_.host = host_.get();
}

void MainWindow::RunTransfersOnDevice(ProgressWindow* progress) {
    if (progress == nullptr) return;
    // Its operations run whole on the device thread.
    progress->SetRunner([this](const std::function<int()>& operation, std::function<void(int)> done) {
        device_->Submit([operation](DeviceJobContext&) { return operation(); }, *sensorOp_, std::move(done));
    });
}

void MainWindow::StartStopPressed() {
    const bool wasRunning = run_->Running();
    // A run starts only with a reference the dialog would take for this sensor.
    if (!wasRunning && connectionState_ == 0 && !ReferenceFitsSensor()) return;
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
