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
    if (session.store->IsNew()) {
        session.import = ImportRecordFiles(*session.store, places.files);
        session.imported = session.import.ok;
    }
    session.outbox = FlushOutbox(*session.store, places.outbox);
    return session;
}

}  // namespace gvc
