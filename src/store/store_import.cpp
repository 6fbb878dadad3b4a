#include "store/store_import.h"

#include "records/locations.h"
#include "util/native_path.h"

namespace gvc {

RecordFiles WorkstationRecordFiles() {
    return RecordFiles{NativePath(locations::ReportLogPath), NativePath(locations::SensorsDir),
                       NativePath(locations::ArchiveDir)};
}

ImportSummary ImportRecordFiles(CalibrationStore&, const RecordFiles&) {
    ImportSummary summary;
    summary.ok = true;
    return summary;
}

}  // namespace gvc
