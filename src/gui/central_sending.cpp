#include "gui/central_sending.h"

#include <QTimer>

#include "store/calibration_store.h"

namespace gvc::gui {

using namespace gvc::literals;

// What the window's thread and the sending thread share.
struct CentralSendControl {
    std::atomic<bool> stop{false};
    std::atomic<bool> busy{false};
};

namespace {

// The status line's state after a pass: runs waiting, whatever keeps them
// (the reason is the tooltip); else the server not reached, or the waiting
// runs not known; else all sent.
CentralState StateAfter(const SendResult& result) {
    if (result.left > 0) return CentralState::kUnsent;
    if (!result.connected || result.left < 0) return CentralState::kNoConnection;
    return CentralState::kSent;
}

}  // namespace

// Lives on the sending thread; every member runs there.
class CentralSendWorker : public QObject {
public:
    CentralSendWorker(CentralSettings settings, std::filesystem::path database,
                      std::shared_ptr<CentralSendControl> control, QObject* owner,
                      std::function<void(const CentralSendState&)> shown)
        : settings_(std::move(settings)),
          database_(std::move(database)),
          control_(std::move(control)),
          owner_(owner),
          shown_(std::move(shown)),
          retry_(new QTimer(this)) {
        retry_->setSingleShot(true);
        connect(retry_, &QTimer::timeout, this, [this] { Pass(); });
    }

    void Pass() {
        retry_->stop();
        if (control_->stop) return;
        control_->busy = true;
        CentralSendState state = Send();
        if (state.state == CentralState::kSent) {
            failedTries_ = 0;
        } else if (!control_->stop) {
            ++failedTries_;
            retry_->start(std::chrono::milliseconds(SendRetryDelay(failedTries_)));
        }
        state.failedTries = failedTries_;
        control_->busy = false;
        if (control_->stop) return;
        // The owner lives on the window's thread and waits for this thread
        // before it goes, so it is there to take the state.
        QMetaObject::invokeMethod(
            owner_, [shown = shown_, state] { shown(state); }, Qt::QueuedConnection);
    }

private:
    CentralSendState Send() {
        CentralSendState state;
        std::string problem;
        // Its own connection to the database file, opened for each pass so
        // that a file replaced or repaired meanwhile is found as it is now.
        const std::unique_ptr<CalibrationStore> store = CalibrationStore::Open(database_, problem);
        if (!store) {
            state.state = CentralState::kNoConnection;
            state.detail = std::string("База данных градуировок недоступна: "_cp) + problem;
        } else {
            SendOptions options;
            options.stopRequested = [control = control_] { return control->stop.load(); };
            const SendResult result = SendPendingRuns(*store, settings_, options);
            state.state = StateAfter(result);
            state.unsent = result.left;
            state.sentNow = result.sent;
            state.detail = result.message;
        }
        state.text = CentralStatusText(state.state, state.unsent);
        return state;
    }

    CentralSettings settings_;
    std::filesystem::path database_;
    std::shared_ptr<CentralSendControl> control_;
    QObject* owner_;
    std::function<void(const CentralSendState&)> shown_;
    QTimer* retry_;
    int failedTries_ = 0;
};

CentralSending::CentralSending(CentralSettings settings, std::filesystem::path database,
                               std::function<void(const CentralSendState&)> shown)
    : control_(std::make_shared<CentralSendControl>()) {
    // The state reaches `shown` through this object, on the window's thread.
    worker_ =
        new CentralSendWorker(std::move(settings), std::move(database), control_, this, std::move(shown));
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.setObjectName(QStringLiteral("central-sending"));
    thread_.start();
    SendNow();
}

CentralSending::~CentralSending() {
    Stop();
}

void CentralSending::SendNow() {
    if (control_->stop) return;
    QMetaObject::invokeMethod(
        worker_, [worker = worker_] { worker->Pass(); }, Qt::QueuedConnection);
}

void CentralSending::RequestStop() {
    control_->stop = true;
    thread_.quit();
}

void CentralSending::Stop() {
    RequestStop();
    thread_.wait();
}

bool CentralSending::Busy() const {
    return control_->busy;
}

}  // namespace gvc::gui
