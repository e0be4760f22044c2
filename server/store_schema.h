// The SQLite schema of one database file (docs/server-store.md).
#ifndef QORV_SERVER_STORE_SCHEMA_H_
#define QORV_SERVER_STORE_SCHEMA_H_

#include <cstdint>

namespace qorv::server {

class SqliteDb;

// Bumped whenever the tables change; a file with another value is refused.
inline constexpr int64_t kStoreSchemaVersion = 1;

// Connection settings for every open: foreign keys, the write-ahead log and
// full syncs, so a committed change survives a crash and a torn one leaves
// nothing behind.
void ConfigureConnection(SqliteDb& db);

// Creates the tables in an empty file (inside the caller's transaction).
void CreateSchema(SqliteDb& db);

// The schema version recorded in the file, or 0 when it has none.
int64_t ReadSchemaVersion(SqliteDb& db);

}  // namespace qorv::server

#endif  // QORV_SERVER_STORE_SCHEMA_H_
