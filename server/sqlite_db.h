// A thin RAII layer over one SQLite connection.
//
// Failures of SQLite inside the store raise StoreFailure; the store's public
// methods catch it at their boundary, roll the change back and answer
// status 40501 with the failure's text. Nothing outside the store sees it.
#ifndef QORV_SERVER_SQLITE_DB_H_
#define QORV_SERVER_SQLITE_DB_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace qorv::server {

class StoreFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SqliteStatement;

class SqliteDb {
 public:
  // Opens (and with create, creates) the database file. On failure returns
  // null and the reason in *error.
  static std::unique_ptr<SqliteDb> Open(const std::string& path, bool create, std::string* error);
  // Opens an existing file for reading only: a reader beside the writer,
  // which the write-ahead log lets read a committed snapshot while a change
  // is being made.
  static std::unique_ptr<SqliteDb> OpenReader(const std::string& path, std::string* error);
  ~SqliteDb();
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  // Runs statements without results; raises StoreFailure on error.
  void Exec(const char* sql);
  // A statement ready to bind and step. A statement is kept prepared once
  // it is done with and handed out again for the same text, since the
  // store runs the same few statements for every file of a request.
  SqliteStatement Prepare(std::string_view sql);
  int64_t LastInsertId() const;
  // Reads `length` bytes from `offset` of one blob (table.column of row
  // `rowid`) without loading the rest of it.
  std::string ReadBlobRange(const char* table, const char* column, int64_t rowid, int64_t offset,
                            size_t length);
  // Once *stop is true, every prepared statement running or started on this
  // connection fails (StoreFailure "interrupted"): a long request ends at
  // once when the server stops. Exec() is left alone, so that ROLLBACK and
  // END still close a transaction. `stop` must outlive the connection.
  void StopWhen(const std::atomic<bool>* stop);

 private:
  friend class SqliteStatement;
  explicit SqliteDb(sqlite3* db) : db_(db) {}
  bool Stopped() const { return stop_ != nullptr && stop_->load(std::memory_order_relaxed); }
  // Raises StoreFailure once the connection is stopped.
  void ThrowIfStopped() const;
  static std::unique_ptr<SqliteDb> OpenWithFlags(const std::string& path, int flags,
                                                 std::string* error);
  // Takes back a statement done with: reset and kept for its text, or
  // finalized when enough of that text are kept already.
  void Recycle(const std::string& sql, sqlite3_stmt* stmt);

  // At most this many idle statements are kept per text (nested queries may
  // hold several of one text at once).
  static constexpr size_t kIdlePerText = 4;

  sqlite3* db_;
  const std::atomic<bool>* stop_ = nullptr;
  std::unordered_map<std::string, std::vector<sqlite3_stmt*>> idle_;
};

class SqliteStatement {
 public:
  SqliteStatement(SqliteDb* owner, std::string sql, sqlite3* db, sqlite3_stmt* stmt)
      : owner_(owner), sql_(std::move(sql)), db_(db), stmt_(stmt) {}
  SqliteStatement(SqliteStatement&& other) noexcept;
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;
  SqliteStatement& operator=(SqliteStatement&&) = delete;

  // Parameters are numbered from 1, as in SQL.
  SqliteStatement& Bind(int index, int64_t value);
  SqliteStatement& Bind(int index, std::string_view text);
  SqliteStatement& Bind(int index, const char* text) { return Bind(index, std::string_view(text)); }
  SqliteStatement& Bind(int index, std::optional<int64_t> value);
  SqliteStatement& BindBlob(int index, std::string_view bytes);
  SqliteStatement& BindNull(int index);

  // Advances to the next row; false when there is none.
  bool Step();
  // Steps until done (for statements without rows).
  void Run();

  // Columns are numbered from 0.
  int64_t Int(int column) const;
  std::optional<int64_t> OptionalInt(int column) const;
  std::string Text(int column) const;
  std::string Blob(int column) const;
  bool IsNull(int column) const;

 private:
  SqliteDb* owner_;
  std::string sql_;
  sqlite3* db_;
  sqlite3_stmt* stmt_;
};

// BEGIN ... END around reads that belong together: one snapshot and one
// taking of SQLite's shared lock for all of them, instead of one per
// statement (each of which costs file-lock and stat calls).
class SqliteReadTransaction {
 public:
  explicit SqliteReadTransaction(SqliteDb& db);
  ~SqliteReadTransaction();
  SqliteReadTransaction(const SqliteReadTransaction&) = delete;
  SqliteReadTransaction& operator=(const SqliteReadTransaction&) = delete;

 private:
  SqliteDb& db_;
};

// BEGIN IMMEDIATE ... COMMIT; rolled back unless Commit() ran.
class SqliteTransaction {
 public:
  explicit SqliteTransaction(SqliteDb& db);
  ~SqliteTransaction();
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;
  void Commit();

 private:
  SqliteDb& db_;
  bool done_ = false;
};

}  // namespace qorv::server

#endif  // QORV_SERVER_SQLITE_DB_H_
