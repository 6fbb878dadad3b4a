// What the "Журнал" page shows of the whole laboratory: the runs every
// workstation sent to the central server as report records with their
// workstation's name, the laboratory's due list, and one sensor's runs for its
// history. Read on a worker thread, each call over its own connection; texts
// Windows-1251.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "history/report_records.h"
#include "store/calibration_store.h"
#include "util/calendar.h"

namespace gvc {
struct CentralSettings;
}

namespace gvc::gui {

struct LaboratoryLog {
    bool ok = false;
    std::string message;                    // why the server could not be read
    std::vector<ReportRecord> records;      // oldest first
    std::vector<std::string> workstations;  // each record's workstation (computer name)
    std::set<std::string> flagged;          // keys of records whose sensor write failed
    std::vector<StoreDueSensor> due;
};

// The laboratory's report records and due list (sensors due within `withinDays`).
LaboratoryLog ReadLaboratoryLog(const CentralSettings& settings, const CivilDate& today,
                                std::int64_t withinDays);

struct LaboratoryHistory {
    bool ok = false;
    std::string message;
    std::map<std::string, StoredRun> runs;  // by the key of their report record
};

// One sensor's runs from every workstation.
LaboratoryHistory ReadLaboratoryHistory(const CentralSettings& settings, const std::string& sensorNumber);

}  // namespace gvc::gui
