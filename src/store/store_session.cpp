#include "store/store_session.h"

#include <fstream>
#include <system_error>

#include "store/calibration_store.h"
#include "store/store_recovery.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {

using namespace gvc::literals;

StorePlaces WorkstationStorePlaces() {
    return StorePlaces{DefaultStoreFile(), DefaultOutboxDir(), WorkstationRecordFiles()};
}

StoreSession OpenWorkstationStore(const StorePlaces& places, bool closeUnfinished) {
    StoreSession session;
    session.store = CalibrationStore::Open(places.database, session.message);
    if (!session.store) return session;
    // The waiting runs first: the import then knows their records and
    // certificates and does not add them a second time; a run whose end
    // waited there also ends its entry of the runs under way.
    session.outbox = FlushOutbox(*session.store, places.outbox, places.files, closeUnfinished);
    session.unfinished = std::move(session.outbox.unfinished);
    if (closeUnfinished) {
        RecoveredRuns recovered = RecoverOpenRuns(*session.store, places.files);
        for (RunRecord& run : recovered.closed)
            session.unfinished.push_back(std::move(run));
        session.problems = std::move(recovered.problems);
    }
    if (session.store->IsNew()) {
        session.rebuilt = RecordNewStore(*session.store, places, session.import, session.problems);
        session.imported = session.import.ok;
    }
    return session;
}

namespace {

// "calibrations.sqlite.made" beside the database: one was made here.
std::filesystem::path MadeMark(const std::filesystem::path& database) {
    std::filesystem::path mark = database;
    mark += ".made";
    return mark;
}

}  // namespace

bool RecordNewStore(CalibrationStore& store, const StorePlaces& places, ImportSummary& import,
                    std::vector<std::string>& problems) {
    std::error_code ec;
    const bool rebuilt = std::filesystem::exists(MadeMark(places.database), ec);
    import = ImportRecordFiles(store, places.files);
    const std::int64_t now = UtcSecondsNow();
    std::string problem;
    if (import.ok && !store.WriteOrigin({now, std::int64_t{import.added}, rebuilt}, problem))
        problems.push_back(problem);
    if (!rebuilt) {
        std::ofstream mark(MadeMark(places.database), std::ios::binary);
        mark << "calibrations.sqlite was made here\r\n";
    }
    return rebuilt;
}

std::string RebuiltStoreText(const std::filesystem::path& database, std::int64_t importedRecords) {
    return std::string("База данных создана заново: "_cp) + Cp1251PathText(database) +
           std::string(
               " уже была создана раньше, но ее не оказалось, и в новую внесено из журнала отчетов "
               "и сертификатов "_cp) +
           std::to_string(importedRecords) +
           std::string(
               " записей. У этих записей нет хода градуировки, показаний \"как найдено\", "
               "оператора и рядов АЦП; если базу данных удалили или подменили, прежние "
               "записи утрачены."_cp);
}

}  // namespace gvc
