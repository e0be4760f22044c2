#include "server/store_schema.h"

#include <string>

#include "server/sqlite_db.h"

namespace qorv::server {
namespace {

// Items are projects and files. A link places an item in a project under a
// name. Links are kept as rows valid from one change to another, so that
// the tree can be listed as it was after any change: a change that renames,
// moves, deletes, recovers, pins or branches a link closes its current row
// (to_seq = the change) and opens a new one (from_seq = the change). All
// rows of one logical link share its link_key.
constexpr char kSchema[] = R"sql(
CREATE TABLE settings(
  key TEXT PRIMARY KEY,
  value TEXT NOT NULL);

CREATE TABLE users(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE COLLATE NOCASE,
  salt BLOB NOT NULL,
  password_hash BLOB NOT NULL,
  user_key BLOB,
  read_only INTEGER NOT NULL DEFAULT 0,
  must_change_password INTEGER NOT NULL DEFAULT 0);

CREATE TABLE changes(
  seq INTEGER PRIMARY KEY,
  time_ms INTEGER NOT NULL,
  user_name TEXT NOT NULL);

CREATE TABLE items(
  id INTEGER PRIMARY KEY,
  is_project INTEGER NOT NULL,
  created_seq INTEGER NOT NULL,
  comment TEXT NOT NULL DEFAULT '',
  is_text INTEGER NOT NULL DEFAULT 0,
  latest_only INTEGER NOT NULL DEFAULT 0,
  project_version INTEGER NOT NULL DEFAULT 0);

CREATE TABLE links(
  id INTEGER PRIMARY KEY,
  link_key INTEGER NOT NULL,
  item_id INTEGER NOT NULL REFERENCES items(id),
  parent_id INTEGER NOT NULL REFERENCES items(id),
  name TEXT NOT NULL,
  deleted INTEGER NOT NULL DEFAULT 0,
  pin_version INTEGER,
  from_seq INTEGER NOT NULL,
  to_seq INTEGER);
CREATE INDEX links_by_parent ON links(parent_id, to_seq);
CREATE INDEX links_by_item ON links(item_id, to_seq);
CREATE INDEX links_by_key ON links(link_key);

CREATE TABLE contents(
  id INTEGER PRIMARY KEY,
  data BLOB NOT NULL,
  lf_count INTEGER NOT NULL,
  md5_cr BLOB NOT NULL,
  md5_lf BLOB NOT NULL,
  md5_crlf BLOB NOT NULL);

CREATE TABLE versions(
  id INTEGER PRIMARY KEY,
  file_id INTEGER NOT NULL REFERENCES items(id),
  version INTEGER NOT NULL,
  seq INTEGER NOT NULL,
  time_ms INTEGER NOT NULL,
  mtime_ms INTEGER NOT NULL,
  user_name TEXT NOT NULL,
  comment TEXT NOT NULL DEFAULT '',
  content_id INTEGER REFERENCES contents(id),
  size INTEGER NOT NULL,
  UNIQUE(file_id, version));
CREATE INDEX versions_by_content ON versions(content_id);

CREATE TABLE checkouts(
  file_id INTEGER NOT NULL REFERENCES items(id),
  user_id INTEGER NOT NULL REFERENCES users(id),
  seq INTEGER NOT NULL,
  time_ms INTEGER NOT NULL,
  version INTEGER NOT NULL,
  comment TEXT NOT NULL DEFAULT '',
  PRIMARY KEY(file_id, user_id));

CREATE TABLE labels(
  id INTEGER PRIMARY KEY,
  item_id INTEGER NOT NULL REFERENCES items(id),
  name TEXT NOT NULL COLLATE NOCASE,
  comment TEXT NOT NULL DEFAULT '',
  user_name TEXT NOT NULL,
  seq INTEGER NOT NULL,
  time_ms INTEGER NOT NULL,
  UNIQUE(item_id, name));

CREATE TABLE history(
  id INTEGER PRIMARY KEY,
  seq INTEGER NOT NULL,
  time_ms INTEGER NOT NULL,
  user_name TEXT NOT NULL,
  file_id INTEGER,
  project_id INTEGER,
  project_version INTEGER,
  subject_id INTEGER,
  subject_is_project INTEGER NOT NULL DEFAULT 0,
  path TEXT NOT NULL DEFAULT '',
  file_version INTEGER,
  action TEXT NOT NULL,
  comment TEXT NOT NULL DEFAULT '',
  label TEXT NOT NULL DEFAULT '',
  label_comment TEXT NOT NULL DEFAULT '');
CREATE INDEX history_by_file ON history(file_id, seq);
CREATE INDEX history_by_project ON history(project_id, seq);
)sql";

// Version 1 to 2: bodies are kept in pieces of at most kContentChunkSize
// bytes, written and read one at a time; links are indexed by name. A content row with chunked = 1
// has its bytes in content_chunks (seq 0, 1, ...) and an empty data blob;
// rows from before keep theirs in data.
constexpr char kMigrateTo2[] = R"sql(
ALTER TABLE contents ADD COLUMN chunked INTEGER NOT NULL DEFAULT 0;
CREATE TABLE content_chunks(
  id INTEGER PRIMARY KEY,
  content_id INTEGER NOT NULL REFERENCES contents(id),
  seq INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(content_id, seq));
-- A name is looked up in its project once per path level of every file a
-- request names; without this index each lookup reads every link of the
-- project.
CREATE INDEX IF NOT EXISTS links_by_name ON links(parent_id, name COLLATE NOCASE);
)sql";

// Version 3: each user's password hash carries its PBKDF2 iteration count;
// the rows before it keep 0, the single salted SHA-256 they were made with,
// until the user's next successful login rehashes them.
constexpr char kMigrateTo3[] = R"sql(
ALTER TABLE users ADD COLUMN kdf_iterations INTEGER NOT NULL DEFAULT 0;
)sql";

void WriteSchemaVersion(SqliteDb& db) {
  db.Prepare("INSERT OR REPLACE INTO settings(key, value) VALUES('schema_version', ?)")
      .Bind(1, std::to_string(kStoreSchemaVersion))
      .Run();
}

}  // namespace

void ConfigureConnection(SqliteDb& db, bool durable) {
  db.Exec("PRAGMA foreign_keys = ON");
  db.Exec("PRAGMA journal_mode = WAL");
  db.Exec(durable ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = OFF");
}

void CreateSchema(SqliteDb& db) {
  // A new file is made as version 1 was, then migrated: one definition of
  // every table, whatever the age of the file.
  db.Exec(kSchema);
  MigrateSchema(db, 1);
}

void MigrateSchema(SqliteDb& db, int64_t from) {
  if (from < 2) db.Exec(kMigrateTo2);
  if (from < 3) db.Exec(kMigrateTo3);
  WriteSchemaVersion(db);
}

int64_t ReadSchemaVersion(SqliteDb& db) {
  SqliteStatement exists =
      db.Prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'settings'");
  if (!exists.Step()) return 0;
  SqliteStatement read = db.Prepare("SELECT value FROM settings WHERE key = 'schema_version'");
  if (!read.Step()) return 0;
  return std::stoll(read.Text(0));
}

}  // namespace qorv::server
