// Everything the workstation has recorded, read in one go: the records of its
// report log (newest last) and the newest certificate of every sensor.
#pragma once

#include "history/due_list.h"
#include "history/report_records.h"

namespace gvc {

struct WorkstationRecords {
    ReportRecords log;  // sorted by date, time and sensor; the reason when it cannot be read
    CertificateScan certificates;
};

// Reads D:\ВЕЛМОР_Датчики\Отчет\REPORT.log and the certificates below
// D:\ВЕЛМОР_Датчики\Датчики. Touches nothing.
WorkstationRecords ReadWorkstationRecords();

}  // namespace gvc
