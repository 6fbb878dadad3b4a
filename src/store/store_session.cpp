#include "store/store_session.h"

#include <chrono>

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
        session.import = ImportRecordFiles(*session.store, places.files);
        session.imported = session.import.ok;
        const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
        std::string problem;
        if (session.import.ok &&
            !session.store->WriteOrigin({now, std::int64_t{session.import.added}}, problem))
            session.problems.push_back(problem);
    }
    return session;
}

std::string RebuiltStoreText(const std::filesystem::path& database, std::int64_t importedRecords) {
    return std::string("База данных создана заново: "_cp) + Cp1251PathText(database) +
           std::string(" не было, и в новую внесено из журнала отчетов и сертификатов "_cp) +
           std::to_string(importedRecords) +
           std::string(
               " записей. У этих записей нет хода градуировки, показаний \"как найдено\", "
               "оператора и рядов АЦП; если базу данных удалили или подменили, прежние "
               "записи утрачены."_cp);
}

}  // namespace gvc
