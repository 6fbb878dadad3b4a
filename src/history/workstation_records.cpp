#include "history/workstation_records.h"

#include "records/locations.h"
#include "records/report_log.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {

using namespace gvc::literals;

WorkstationRecords ReadWorkstationRecords() {
    WorkstationRecords result;
    const FileReadResult read = ReadRegularFile(NativePath(locations::ReportLogPath), kMaxReportLogSize);
    const auto& bytes = read.bytes;
    if (bytes) {
        result.log = ReadReportRecords(*bytes);
        SortByDateTimeSensor(result.log.records);
    } else {
        result.log.message = read.problem.empty()
                                 ? std::string("Не открывается файл "_cp) +
                                       ShownPath(locations::ReportLogPath) + std::string(" для чтения"_cp)
                                 : read.problem;
    }
    result.certificates = ScanCertificates(NativePath(locations::SensorsDir));
    return result;
}

}  // namespace gvc
