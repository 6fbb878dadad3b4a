// The database's schema as a list of migrations: step N brings a file from
// version N-1 to N. PRAGMA user_version holds the version a file has.
#pragma once

#include <string>

#include "store/sqlite_db.h"

namespace gvc {

// The file's version (0 for an empty file), or nothing when it cannot be read.
std::optional<int> StoreSchemaVersion(SqliteDb& db);

// Runs every migration from the file's version up to `target`, each in its own
// transaction. False with the reason; a file newer than `target` is refused.
bool MigrateStore(SqliteDb& db, int target, std::string& message);

}  // namespace gvc
