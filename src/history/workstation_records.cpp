#include "history/workstation_records.h"

#include "records/locations.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {

using namespace gvc::literals;

WorkstationRecords ReadWorkstationRecords() {
    WorkstationRecords result;
    const auto bytes = ReadFileBytes(NativePath(locations::ReportLogPath));
    if (bytes) {
        result.log = ReadReportRecords(*bytes);
        SortByDateTimeSensor(result.log.records);
    } else {
        result.log.message = std::string("Не открывается файл "_cp) + std::string(locations::ReportLogPath) +
                             std::string(" для чтения"_cp);
    }
    result.certificates = ScanCertificates(NativePath(locations::SensorsDir));
    return result;
}

}  // namespace gvc
