#include "store/store_flagged_runs.h"

#include "store/sqlite_db.h"
#include "util/cp1251.h"

namespace gvc {

StoreRead<std::vector<std::string>> RecordLinesWithoutSensorWrite(CalibrationStore& store) {
    StoreRead<std::vector<std::string>> read;
    SqliteStatement query(
        store.Db(),
        "SELECT report_record_line FROM runs WHERE report_record_line <> '' "
        "AND (step_report_log = ?1 OR step_certificate = ?1) AND outcome <> ?2 ORDER BY id");
    if (!query.Ok()) {
        read.message = store.Db().Error();
        return read;
    }
    query.Bind(1, static_cast<std::int64_t>(StepOutcome::kOk));
    query.Bind(2, static_cast<std::int64_t>(RunOutcome::kSaved));
    while (query.Step())
        read.value.push_back(Cp1251FromUtf8(query.Text(0)));  // the database keeps UTF-8
    if (query.Failed()) {
        read.message = store.Db().Error();
        read.value.clear();
        return read;
    }
    read.ok = true;
    return read;
}

}  // namespace gvc
