// Database: opening and creating the file, users and settings.
#include "server/database.h"

#include <algorithm>
#include <exception>
#include <string>

#include "server/database_impl.h"
#include "server/password_hash.h"
#include "server/store_schema.h"

namespace qorv::server {
namespace {

// The user name recorded for the change that creates a database.
constexpr char kCreatorName[] = "Admin";

std::string KeyBlob(const UserKey& key) {
  return std::string(reinterpret_cast<const char*>(key.data()), key.size());
}

}  // namespace

Database::Database(std::unique_ptr<SqliteDb> db, Options options)
    : impl_(std::make_unique<DatabaseImpl>(std::move(db), std::move(options))) {
  impl_->db().StopWhen(&stopping_);
  // Giving a reader back then needs no memory.
  platform::MutexLock lock(readers_mutex_);
  idle_readers_.reserve(kMaxReaders);
}

Database::~Database() = default;

std::unique_ptr<DatabaseImpl> Database::TakeReader() {
  if (file_.empty()) return nullptr;
  {
    platform::MutexLock lock(readers_mutex_);
    while (idle_readers_.empty() && open_readers_ >= kMaxReaders)
      reader_returned_.Wait(readers_mutex_);
    if (!idle_readers_.empty()) {
      std::unique_ptr<DatabaseImpl> reader = std::move(idle_readers_.back());
      idle_readers_.pop_back();
      return reader;
    }
    ++open_readers_;
  }
  std::unique_ptr<DatabaseImpl> reader = OpenReader();
  if (!reader) {
    platform::MutexLock lock(readers_mutex_);
    --open_readers_;
    reader_returned_.NotifyOne();
  }
  return reader;
}

std::unique_ptr<DatabaseImpl> Database::OpenReader() {
  try {
    std::string reason;
    std::unique_ptr<SqliteDb> db = SqliteDb::OpenReader(file_.string(), &reason);
    if (!db) return nullptr;
    db->Exec(("PRAGMA cache_size = -" + std::to_string(kReaderCacheKiB)).c_str());
    db->StopWhen(&stopping_);
    return std::make_unique<DatabaseImpl>(std::move(db), impl_->options());
  } catch (const std::exception&) {
    // The pragma failed or memory ran short: the read runs on the writer.
    return nullptr;
  }
}

void Database::ReturnReader(std::unique_ptr<DatabaseImpl> reader) {
  platform::MutexLock lock(readers_mutex_);
  idle_readers_.push_back(std::move(reader));
  reader_returned_.NotifyOne();
}

std::unique_ptr<Database> Database::Create(const std::filesystem::path& file, Options options,
                                           StoreStatus* status) {
  std::error_code error;
  if (std::filesystem::exists(file, error)) {
    *status = MakeStatus(kStatusStoreError, kFormatStoreError, file.string() + " already exists");
    return nullptr;
  }
  std::string reason;
  std::unique_ptr<SqliteDb> db = SqliteDb::Open(file.string(), true, &reason);
  if (!db) {
    *status = MakeStatus(kStatusStoreError, kFormatStoreError, reason);
    return nullptr;
  }
  std::unique_ptr<Database> database(new Database(std::move(db), std::move(options)));
  *status = database->Guarded([&] {
    SqliteDb& sql = database->impl_->db();
    ConfigureConnection(sql, database->impl_->options().durable);
    SqliteTransaction transaction(sql);
    CreateSchema(sql);
    Actor creator{0, kCreatorName, false};
    Change change = database->impl_->BeginChange(creator);
    int64_t root = database->impl_->InsertItem(change, true, "", false, false);
    if (root != kRootId) throw StoreFailure("root project did not get id 1");
    HistoryRecord record;
    record.subject = kRootId;
    record.subject_is_project = true;
    record.path = "$/";
    record.action = kActionCreated;
    database->impl_->AddProjectRecord(change, kRootId, record);
    transaction.Commit();
    return StoreStatus::Ok();
  });
  if (!status->ok()) {
    database.reset();
    // The half-made file goes, with the log files SQLite keeps beside it.
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
      std::filesystem::remove(file.string() + suffix, error);
    }
    return nullptr;
  }
  database->file_ = file;
  return database;
}

std::unique_ptr<Database> Database::Open(const std::filesystem::path& file, Options options,
                                         StoreStatus* status) {
  std::string reason;
  std::unique_ptr<SqliteDb> db = SqliteDb::Open(file.string(), false, &reason);
  if (!db) {
    *status = MakeStatus(kStatusStoreError, kFormatStoreError, reason);
    return nullptr;
  }
  std::unique_ptr<Database> database(new Database(std::move(db), std::move(options)));
  *status = database->Guarded([&] {
    SqliteDb& sql = database->impl_->db();
    ConfigureConnection(sql, database->impl_->options().durable);
    int64_t version = ReadSchemaVersion(sql);
    if (version == kStoreSchemaVersion) return StoreStatus::Ok();
    if (version < kOldestMigratableSchema || version > kStoreSchemaVersion) {
      return MakeStatus(kStatusStoreError, kFormatStoreError,
                        file.string() + " has store format " + std::to_string(version) +
                            ", expected " + std::to_string(kStoreSchemaVersion));
    }
    SqliteTransaction transaction(sql);
    MigrateSchema(sql, version);
    transaction.Commit();
    return StoreStatus::Ok();
  });
  if (!status->ok()) return nullptr;
  database->file_ = file;
  return database;
}

// ---- Users and settings -----------------------------------------------------

StoreStatus Database::AddUser(const NewUser& user) {
  return Guarded([&] {
    if (!IsValidUserName(user.name)) {
      return MakeStatus(kStatusInvalidName, kFormatInvalidName, user.name);
    }
    SqliteDb& db = impl_->db();
    SqliteTransaction transaction(db);
    SqliteStatement existing = db.Prepare("SELECT 1 FROM users WHERE name = ?");
    existing.Bind(1, user.name);
    if (existing.Step()) return MakeStatus(kStatusNameInUse, kFormatNameInUse, user.name);
    PasswordHash hash = HashNewPassword(user.password, impl_->options().password_iterations);
    SqliteStatement insert = db.Prepare(
        "INSERT INTO users(name, salt, password_hash, user_key, read_only, "
        "must_change_password, kdf_iterations) VALUES(?, ?, ?, ?, ?, ?, ?)");
    insert.Bind(1, user.name).BindBlob(2, hash.salt).BindBlob(3, hash.digest);
    if (user.user_key) {
      insert.BindBlob(4, KeyBlob(*user.user_key));
    } else {
      insert.BindNull(4);
    }
    insert.Bind(5, user.read_only ? 1 : 0)
        .Bind(6, user.must_change_password ? 1 : 0)
        .Bind(7, hash.iterations)
        .Run();
    transaction.Commit();
    return StoreStatus::Ok();
  });
}

namespace {

std::optional<UserRecord> LoadUser(SqliteDb& db, std::string_view name, PasswordHash* hash) {
  SqliteStatement query = db.Prepare(
      "SELECT id, name, salt, password_hash, user_key, read_only, must_change_password, "
      "kdf_iterations FROM users WHERE name = ?");
  query.Bind(1, name);
  if (!query.Step()) return std::nullopt;
  UserRecord user;
  user.actor.user_id = query.Int(0);
  user.actor.name = query.Text(1);
  user.actor.read_only = query.Int(5) != 0;
  user.must_change_password = query.Int(6) != 0;
  if (!query.IsNull(4)) {
    std::string key = query.Blob(4);
    if (key.size() == sizeof(UserKey)) {
      UserKey bytes;
      std::copy(key.begin(), key.end(), bytes.begin());
      user.user_key = bytes;
    }
  }
  if (hash != nullptr) {
    hash->salt = query.Blob(2);
    hash->digest = query.Blob(3);
    hash->iterations = query.Int(7);
  }
  return user;
}

}  // namespace

StoreStatus Database::Authenticate(std::string_view user_name, std::string_view password,
                                   UserRecord* user) {
  PasswordHash stored;
  std::optional<UserRecord> found;
  StoreStatus status = GuardedRead([&](DatabaseImpl& impl) {
    found = LoadUser(impl.db(), user_name, &stored);
    return StoreStatus::Ok();
  });
  if (!status.ok()) return status;
  // The derivations take their time by design: they run outside the
  // store's lock, so the other requests on the database go on meanwhile.
  const int64_t wanted = impl_->options().password_iterations;
  bool matches = false;
  std::optional<PasswordHash> stronger;
  try {
    if (found) {
      matches = PasswordMatches(stored, password);
      if (matches && stored.iterations < wanted) stronger = HashNewPassword(password, wanted);
    } else {
      // As long as a wrong password's check, so that the time of the
      // answer does not tell which user names exist.
      HashNewPassword(password, wanted);
    }
  } catch (const std::exception& error) {
    return MakeStatus(kStatusStoreError, kFormatStoreError, error.what());
  }
  // One answer for an unknown user and a wrong password, so that user
  // names cannot be probed.
  if (!matches) return StoreStatus{kStatusBadCredentials, kTextBadCredentials};
  if (stronger) {
    status = Guarded([&] {
      ReplacePasswordHash(found->actor.user_id, stored, *stronger);
      return StoreStatus::Ok();
    });
    if (!status.ok()) return status;
  }
  *user = std::move(*found);
  return StoreStatus::Ok();
}

void Database::ReplacePasswordHash(int64_t user_id, const PasswordHash& old_hash,
                                   const PasswordHash& new_hash) {
  SqliteDb& db = impl_->db();
  SqliteTransaction transaction(db);
  // Only the hash the check was made against: a password changed meanwhile
  // stays as it was set.
  db.Prepare(
        "UPDATE users SET salt = ?, password_hash = ?, kdf_iterations = ? WHERE id = ? AND "
        "salt = ? AND password_hash = ?")
      .BindBlob(1, new_hash.salt)
      .BindBlob(2, new_hash.digest)
      .Bind(3, new_hash.iterations)
      .Bind(4, user_id)
      .BindBlob(5, old_hash.salt)
      .BindBlob(6, old_hash.digest)
      .Run();
  transaction.Commit();
}

std::optional<UserRecord> Database::FindUser(std::string_view user_name) {
  std::optional<UserRecord> user;
  GuardedRead([&](DatabaseImpl& impl) {
    user = LoadUser(impl.db(), user_name, nullptr);
    return StoreStatus::Ok();
  });
  return user;
}

StoreStatus Database::SetUserKey(std::string_view user_name, const std::optional<UserKey>& key) {
  return Guarded([&] {
    SqliteDb& db = impl_->db();
    SqliteTransaction transaction(db);
    SqliteStatement existing = db.Prepare("SELECT 1 FROM users WHERE name = ?");
    existing.Bind(1, user_name);
    if (!existing.Step()) return StoreStatus{kStatusBadCredentials, kTextBadCredentials};
    SqliteStatement update = db.Prepare("UPDATE users SET user_key = ? WHERE name = ?");
    if (key) {
      update.BindBlob(1, KeyBlob(*key));
    } else {
      update.BindNull(1);
    }
    update.Bind(2, user_name).Run();
    transaction.Commit();
    return StoreStatus::Ok();
  });
}

StoreStatus Database::SetPassword(const Actor& actor, std::string_view new_password) {
  return Guarded([&] {
    SqliteDb& db = impl_->db();
    SqliteTransaction transaction(db);
    Change change = impl_->BeginChange(actor);
    PasswordHash hash = HashNewPassword(new_password, impl_->options().password_iterations);
    db.Prepare(
          "UPDATE users SET salt = ?, password_hash = ?, kdf_iterations = ?, "
          "must_change_password = 0 WHERE id = ?")
        .BindBlob(1, hash.salt)
        .BindBlob(2, hash.digest)
        .Bind(3, hash.iterations)
        .Bind(4, actor.user_id)
        .Run();
    impl_->Step("password:stored");
    HistoryRecord record;
    record.action = kActionPasswordChanged;
    impl_->AddUnattachedRecord(change, record);
    transaction.Commit();
    return StoreStatus::Ok();
  });
}

StoreStatus Database::ListUsers(std::vector<UserListEntry>* users) {
  return GuardedRead([&](DatabaseImpl& impl) {
    users->clear();
    SqliteStatement query = impl.db().Prepare("SELECT name, read_only FROM users");
    while (query.Step()) users->push_back({query.Text(0), query.Int(1) != 0});
    std::sort(users->begin(), users->end(), [](const UserListEntry& a, const UserListEntry& b) {
      return LessNoCase(a.name, b.name);
    });
    return StoreStatus::Ok();
  });
}

namespace {

void WriteSetting(SqliteDb& db, std::string_view key, std::string_view value) {
  db.Prepare("INSERT OR REPLACE INTO settings(key, value) VALUES(?, ?)")
      .Bind(1, key)
      .Bind(2, value)
      .Run();
}

}  // namespace

StoreStatus Database::SetExcludedTypes(std::string_view patterns) {
  return Guarded([&] {
    WriteSetting(impl_->db(), "excluded_types", patterns);
    return StoreStatus::Ok();
  });
}

StoreStatus Database::SetMultipleCheckouts(bool allowed) {
  return Guarded([&] {
    WriteSetting(impl_->db(), "multiple_checkouts", allowed ? "1" : "0");
    return StoreStatus::Ok();
  });
}

}  // namespace qorv::server
