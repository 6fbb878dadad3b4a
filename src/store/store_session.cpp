#include "store/store_session.h"

#include "store/calibration_store.h"

namespace gvc {

StorePlaces WorkstationStorePlaces() {
    return StorePlaces{DefaultStoreFile(), DefaultOutboxDir(), WorkstationRecordFiles()};
}

StoreSession OpenWorkstationStore(const StorePlaces& places) {
    StoreSession session;
    session.store = CalibrationStore::Open(places.database, session.message);
    if (!session.store) return session;
    // The waiting runs first: the import then knows their records and
    // certificates and does not add them a second time.
    session.outbox = FlushOutbox(*session.store, places.outbox);
    if (session.store->IsNew()) {
        session.import = ImportRecordFiles(*session.store, places.files);
        session.imported = session.import.ok;
    }
    return session;
}

}  // namespace gvc
