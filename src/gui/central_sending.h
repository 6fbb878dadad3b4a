// Sending this workstation's runs to the laboratory's central server without
// ever holding up the window: a worker on its own thread, with its own
// connection to the local database file, sends the waiting runs at start-up
// and whenever a run was stored, and while the server cannot be reached tries
// again later, waiting longer after each failure. Each pass reports the state
// the "Журнал" page's status line shows.
//
// Ending it waits at most for the exchange under way: a connection attempt
// ends within the settings' connection time-out, and a send stops between
// its batches.
#pragma once

#include <QObject>
#include <QThread>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "central/central_sender.h"
#include "central/central_settings.h"

namespace gvc::gui {

// What one pass found; `text` is the status line (Windows-1251).
struct CentralSendState {
    CentralState state = CentralState::kNoConnection;
    std::int64_t unsent = 0;
    int sentNow = 0;      // runs the server took in this pass
    std::string text;     // "Центральная база: ..."
    std::string detail;   // why runs wait, for the tooltip; empty when none
    int failedTries = 0;  // failed passes in a row
};

class CentralSendWorker;
struct CentralSendControl;

class CentralSending : public QObject {
public:
    // Starts the thread and a first pass. Made on the window's thread, where
    // `shown` gets each pass's state.
    CentralSending(CentralSettings settings, std::filesystem::path database,
                   std::function<void(const CentralSendState&)> shown);
    ~CentralSending() override;
    CentralSending(const CentralSending&) = delete;
    CentralSending& operator=(const CentralSending&) = delete;

    // Sends now (a run was stored). On the window's thread.
    void SendNow();
    // Asks the worker to stop without waiting for it: a pending retry is
    // dropped, a send under way stops after its batch. For the window's close.
    void RequestStop();
    // Stops the worker and waits for it: at most for the exchange under way
    // (a connection attempt ends by its time-out). Idempotent.
    void Stop();
    // True while a pass is under way (for the tests).
    bool Busy() const;

private:
    std::shared_ptr<CentralSendControl> control_;
    QThread thread_;
    CentralSendWorker* worker_;  // lives on thread_, deleted when it finishes
};

}  // namespace gvc::gui
