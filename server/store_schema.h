// The SQLite schema of one database file (docs/server-store.md).
#ifndef QORV_SERVER_STORE_SCHEMA_H_
#define QORV_SERVER_STORE_SCHEMA_H_

#include <cstdint>

namespace qorv::server {

class SqliteDb;

// Bumped whenever the tables change. A file of an older version is brought
// up to date when it is opened (MigrateSchema); a newer one is refused.
// 2: content kept in pieces (content_chunks); older content rows keep their
// whole body in contents.data and are still read from there.
// 3: users.kdf_iterations, the PBKDF2 count of the password hash (0: the
// single SHA-256 of older rows).
inline constexpr int64_t kStoreSchemaVersion = 3;
// The oldest version MigrateSchema can bring up to date.
inline constexpr int64_t kOldestMigratableSchema = 1;

// Connection settings for every open: foreign keys, the write-ahead log and
// full syncs, so a committed change survives a crash and a torn one leaves
// nothing behind.
// `durable` false: no syncs (a fuzzer's throw-away stores, which never
// outlive a crash).
void ConfigureConnection(SqliteDb& db, bool durable = true);

// Creates the tables in an empty file (inside the caller's transaction).
void CreateSchema(SqliteDb& db);

// The schema version recorded in the file, or 0 when it has none.
int64_t ReadSchemaVersion(SqliteDb& db);

// Brings a file of schema version `from` (kOldestMigratableSchema or later)
// to kStoreSchemaVersion, inside the caller's transaction.
void MigrateSchema(SqliteDb& db, int64_t from);

}  // namespace qorv::server

#endif  // QORV_SERVER_STORE_SCHEMA_H_
