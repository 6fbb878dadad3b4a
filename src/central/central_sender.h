// Sending the workstation's runs to the central server. Every run of the
// local database is sent once: the runs the server has not confirmed yet are
// the outbox (the local table central_sent lists the confirmed ones). A run is
// marked sent only after the server committed it; a crash in between makes
// the next send find it there already and just mark it. The server keeps the
// same run once however often it is sent: "already there" only to the
// workstation that holds it; a run another workstation holds, or one the
// server refuses (a malformed hash, an end after its clock), stays unsent here
// and is named.
//
// Callable from any thread with its own CalibrationStore (its own SQLite
// connection to the same file); each call opens its own server connection.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "central/central_settings.h"
#include "store/calibration_store.h"

namespace gvc {

struct SendOptions {
    // Runs per server transaction.
    int batchSize = 100;
    // Asked between batches; true stops the sending (the rest waits).
    std::function<bool()> stopRequested;
    // The workstation's computer name sent with the rows (empty: this computer's).
    std::string stationName;
};

struct SendResult {
    bool connected = false;  // the server was reached
    bool complete = false;   // nothing is left to send
    int sent = 0;            // runs the server stored now
    int alreadyThere = 0;    // runs the server had already (now marked sent here)
    int refused = 0;         // runs the server refused (they stay unsent): another workstation or
                             // another row holds the identifier, a malformed hash, an end after
                             // the server's clock
    std::int64_t left = 0;   // runs still waiting
    std::string message;     // Windows-1251: why something is left; empty when complete
    // Windows-1251: each refused run with its reason, in the order sent.
    std::vector<std::string> refusals;
};

SendResult SendPendingRuns(CalibrationStore& store, const CentralSettings& settings,
                           const SendOptions& options = {});

// The runs not yet confirmed by the server; nothing with the reason.
StoreRead<std::int64_t> UnsentRunCount(CalibrationStore& store);

// How long to wait before the next try after `failedTries` failed ones in a
// row (1 after the first failure): 5 s, doubling, at most 5 minutes.
std::chrono::seconds SendRetryDelay(int failedTries);

// The one line the program shows about the central database.
enum class CentralState { kSent, kUnsent, kNoConnection };
// "Центральная база: отправлено", "Центральная база: не отправлено N",
// "Центральная база: нет связи" (Windows-1251).
std::string CentralStatusText(CentralState state, std::int64_t unsent);
// The state after a send.
CentralState CentralStateOf(const SendResult& result);

}  // namespace gvc
