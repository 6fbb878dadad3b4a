// The laboratory's view: the runs every workstation sent to the central
// server, read back as the local database's own types, so that the readers
// show them with the code that shows a workstation's runs. Each run carries
// its workstation's computer name (RunRecord::workstation). The server keeps
// its texts in UTF-8; they come back Windows-1251.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/calibration_store.h"
#include "util/calendar.h"

namespace gvc {

struct CentralSettings;
class PgConnection;

// Which runs AllRuns gives: all, or those of one local day (by the run's
// start) and/or of one workstation (by its computer name, or by the identity
// the workstation's database keeps).
struct CentralRunFilter {
    std::optional<CivilDate> day;
    std::string workstationName;  // Windows-1251; empty: every workstation
    std::string workstationId;    // the workstation's UUID; empty: every workstation
};

// A run as the server keeps it: the run with the local row's number and
// hashes (StoredRun::id is the local row number, prevHash/rowHash the local
// chain's), the sending workstation and the server's own chain over it.
struct CentralRun {
    StoredRun stored;
    std::string workstationId;    // the sending workstation's UUID
    std::string workstationName;  // its computer name as it sent it (Windows-1251)
    std::int64_t sequence = 0;    // the workstation's sequence on the server, from 1
    std::string receivedAt;       // the server's clock, as the server's chain hashes it
    std::string serverPrevHash;   // the server's chain: empty for the workstation's first row
    std::string serverHash;
};

// What the server keeps of a workstation's chain: the last sequence number
// it gave and that row's server hash.
struct CentralStationHead {
    std::int64_t lastSeq = 0;
    std::string lastHash;
};

class CentralReader {
public:
    ~CentralReader();
    CentralReader(const CentralReader&) = delete;
    CentralReader& operator=(const CentralReader&) = delete;

    // Connects with the settings (a workstation's or a reader's login). Nothing,
    // with the reason in `message` (Windows-1251, never a password), when the
    // server cannot be reached or refuses the login or has no schema.
    static std::unique_ptr<CentralReader> Open(const CentralSettings& settings, std::string& message);
    // Over a connection made elsewhere (the tests, the window's worker).
    explicit CentralReader(std::unique_ptr<PgConnection> connection);

    // One sensor's runs from every workstation, by its number as the report
    // record prints it, oldest first (by the run's end).
    StoreRead<std::vector<StoredRun>> SensorRuns(std::string_view sensorNumber);
    // The runs of every workstation (or as the filter says), oldest first.
    StoreRead<std::vector<StoredRun>> AllRuns(const CentralRunFilter& filter = {});
    // The runs whose report record was written, oldest first: the laboratory's report logs.
    StoreRead<std::vector<StoredRun>> LoggedRuns();
    // Each sensor's newest saved calibration with a next-calibration date,
    // from any workstation, when that date is past or at most `withinDays`
    // away; by that date, then sensor number (the local DueList's rule).
    StoreRead<std::vector<StoreDueSensor>> DueList(const CivilDate& today, std::int64_t withinDays);
    StoreRead<std::int64_t> RunCount();

    // Every run one workstation sent, in its sequence, with the server's chain
    // (for comparing the workstation's database with the server's copy).
    StoreRead<std::vector<CentralRun>> WorkstationRuns(std::string_view workstationId);
    // Its head; nothing (and ok) when the server does not know the workstation.
    StoreRead<std::optional<CentralStationHead>> StationHead(std::string_view workstationId);

    PgConnection& Connection() { return *connection_; }

private:
    StoreRead<std::vector<CentralRun>> Query(const std::string& where, const std::vector<std::string>& params,
                                             const std::string& order);
    std::unique_ptr<PgConnection> connection_;
};

}  // namespace gvc
