#include "server/sqlite_db.h"

#include <sqlite3.h>

namespace qorv::server {
namespace {

// How long a writer waits for another process holding the database file.
constexpr int kBusyTimeoutMs = 5000;

[[noreturn]] void Fail(sqlite3* db, std::string_view what) {
  throw StoreFailure(std::string(what) + ": " + sqlite3_errmsg(db));
}

}  // namespace

std::unique_ptr<SqliteDb> SqliteDb::Open(const std::string& path, bool create, std::string* error) {
  return OpenWithFlags(
      path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0), error);
}

std::unique_ptr<SqliteDb> SqliteDb::OpenReader(const std::string& path, std::string* error) {
  return OpenWithFlags(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, error);
}

std::unique_ptr<SqliteDb> SqliteDb::OpenWithFlags(const std::string& path, int flags,
                                                  std::string* error) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    *error = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  sqlite3_extended_result_codes(db, 1);
  return std::unique_ptr<SqliteDb>(new SqliteDb(db));
}

SqliteDb::~SqliteDb() {
  for (auto& [sql, statements] : idle_) {
    for (sqlite3_stmt* stmt : statements) sqlite3_finalize(stmt);
  }
  sqlite3_close(db_);
}

void SqliteDb::StopWhen(const std::atomic<bool>* stop) {
  stop_ = stop;
  // SQLite calls the handler every this many virtual machine steps (a few
  // microseconds); a non-zero answer interrupts the statement.
  constexpr int kStepsBetweenChecks = 1000;
  sqlite3_progress_handler(
      db_, kStepsBetweenChecks,
      [](void* flag) { return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0; },
      const_cast<std::atomic<bool>*>(stop));
}

void SqliteDb::ThrowIfStopped() const {
  if (Stopped()) throw StoreFailure("interrupted: the server is stopping");
}

void SqliteDb::Exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message != nullptr ? message : "unknown error";
    sqlite3_free(message);
    throw StoreFailure(text);
  }
}

SqliteStatement SqliteDb::Prepare(std::string_view sql) {
  std::string text(sql);
  auto idle = idle_.find(text);
  if (idle != idle_.end() && !idle->second.empty()) {
    sqlite3_stmt* stmt = idle->second.back();
    idle->second.pop_back();
    return SqliteStatement(this, std::move(text), db_, stmt);
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr) !=
      SQLITE_OK) {
    Fail(db_, "prepare");
  }
  return SqliteStatement(this, std::move(text), db_, stmt);
}

void SqliteDb::Recycle(const std::string& sql, sqlite3_stmt* stmt) {
  // A statement whose reset reports an error (its last step failed) is not
  // kept: the next user would see that error again.
  if (sqlite3_reset(stmt) != SQLITE_OK || sqlite3_clear_bindings(stmt) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return;
  }
  try {
    std::vector<sqlite3_stmt*>& kept = idle_[sql];
    if (kept.size() < kIdlePerText) {
      kept.push_back(stmt);
      return;
    }
  } catch (const std::bad_alloc&) {
  }
  sqlite3_finalize(stmt);
}

int64_t SqliteDb::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

std::string SqliteDb::ReadBlobRange(const char* table, const char* column, int64_t rowid,
                                    int64_t offset, size_t length) {
  ThrowIfStopped();
  sqlite3_blob* blob = nullptr;
  if (sqlite3_blob_open(db_, "main", table, column, rowid, 0, &blob) != SQLITE_OK) {
    sqlite3_blob_close(blob);
    Fail(db_, "blob open");
  }
  std::string bytes(length, '\0');
  const int rc = length == 0 ? SQLITE_OK
                             : sqlite3_blob_read(blob, bytes.data(), static_cast<int>(length),
                                                 static_cast<int>(offset));
  sqlite3_blob_close(blob);
  if (rc != SQLITE_OK) Fail(db_, "blob read");
  return bytes;
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : owner_(other.owner_), sql_(std::move(other.sql_)), db_(other.db_), stmt_(other.stmt_) {
  other.stmt_ = nullptr;
}

SqliteStatement::~SqliteStatement() {
  if (stmt_ == nullptr) return;
  if (owner_ != nullptr) {
    owner_->Recycle(sql_, stmt_);
  } else {
    sqlite3_finalize(stmt_);
  }
}

SqliteStatement& SqliteStatement::Bind(int index, int64_t value) {
  if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) Fail(db_, "bind");
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
  if (sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) !=
      SQLITE_OK) {
    Fail(db_, "bind");
  }
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::optional<int64_t> value) {
  return value ? Bind(index, *value) : BindNull(index);
}

SqliteStatement& SqliteStatement::BindBlob(int index, std::string_view bytes) {
  // A zero-length blob must still be a blob, not NULL.
  static const char kEmpty = 0;
  const char* data = bytes.empty() ? &kEmpty : bytes.data();
  if (sqlite3_bind_blob64(stmt_, index, data, bytes.size(), SQLITE_TRANSIENT) != SQLITE_OK) {
    Fail(db_, "bind");
  }
  return *this;
}

SqliteStatement& SqliteStatement::BindNull(int index) {
  if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) Fail(db_, "bind");
  return *this;
}

bool SqliteStatement::Step() {
  owner_->ThrowIfStopped();
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Fail(db_, "step");
}

void SqliteStatement::Run() {
  while (Step()) {
  }
}

int64_t SqliteStatement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::optional<int64_t> SqliteStatement::OptionalInt(int column) const {
  if (IsNull(column)) return std::nullopt;
  return Int(column);
}

std::string SqliteStatement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  int size = sqlite3_column_bytes(stmt_, column);
  return text != nullptr ? std::string(reinterpret_cast<const char*>(text), size) : std::string();
}

std::string SqliteStatement::Blob(int column) const {
  const void* data = sqlite3_column_blob(stmt_, column);
  int size = sqlite3_column_bytes(stmt_, column);
  return data != nullptr ? std::string(static_cast<const char*>(data), size) : std::string();
}

bool SqliteStatement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

SqliteReadTransaction::SqliteReadTransaction(SqliteDb& db) : db_(db) { db_.Exec("BEGIN"); }

SqliteReadTransaction::~SqliteReadTransaction() {
  try {
    db_.Exec("END");
  } catch (const StoreFailure&) {
    // Nothing was written; SQLite releases the snapshot when the connection
    // is next used.
  }
}

SqliteTransaction::SqliteTransaction(SqliteDb& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }

SqliteTransaction::~SqliteTransaction() {
  if (done_) return;
  try {
    db_.Exec("ROLLBACK");
  } catch (const StoreFailure&) {
    // A failed rollback leaves SQLite to undo the transaction from its
    // journal when the connection closes or is next used; nothing to add.
  }
}

void SqliteTransaction::Commit() {
  db_.Exec("COMMIT");
  done_ = true;
}

}  // namespace qorv::server
