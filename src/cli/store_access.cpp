#include "cli/store_access.h"

#include <ostream>
#include <system_error>

#include "store/store_session.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc::cli {

bool WorkstationStoreExists() {
    std::error_code ec;
    return std::filesystem::exists(DefaultStoreFile(), ec);
}

std::unique_ptr<CalibrationStore> OpenStoreOrSay(CommandIo io, bool create) {
    const StorePlaces places = WorkstationStorePlaces();
    if (!create && !WorkstationStoreExists()) {
        PrintLine(io.err, Cp1251PathText(places.database) + ": no database");
        return nullptr;
    }
    StoreSession session = OpenWorkstationStore(places);
    if (!session.store) {
        PrintLine(io.err, Cp1251PathText(places.database) + ": " + session.message);
        return nullptr;
    }
    if (session.imported)
        io.err << "new database: " << session.import.added << " records imported from the files\n";
    for (const std::string& p : session.import.problems)
        PrintLine(io.err, p);
    for (const std::string& p : session.outbox.problems)
        PrintLine(io.err, p);
    for (const std::string& p : session.problems)
        PrintLine(io.err, p);
    if (session.outbox.added > 0) io.err << session.outbox.added << " waiting runs moved from the outbox\n";
    return std::move(session.store);
}

std::unique_ptr<CalibrationStore> OpenStoreForReading(CommandIo io) {
    const std::filesystem::path database = DefaultStoreFile();
    if (!WorkstationStoreExists()) {
        PrintLine(io.err, Cp1251PathText(database) + ": no database");
        return nullptr;
    }
    std::string message;
    auto store = CalibrationStore::OpenReadOnly(database, message);
    if (!store) PrintLine(io.err, Cp1251PathText(database) + ": " + message);
    return store;
}

std::map<std::int64_t, Cylinder> CylinderMap(CalibrationStore& store) {
    std::map<std::int64_t, Cylinder> map;
    auto read = store.Cylinders(true);
    for (Cylinder& c : read.value)
        map.emplace(c.id, std::move(c));
    return map;
}

}  // namespace gvc::cli
