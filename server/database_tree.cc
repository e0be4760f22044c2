// Database internals: links and paths, items and versions, check-out state,
// history records and points in time.
#include <algorithm>
#include <set>

#include "server/database_impl.h"
#include "server/wildcard.h"

namespace qorv::server {
namespace {

// Projects never nest deeper than this; a walk up the tree that does not
// reach the root within it means a damaged file, not an endless loop.
constexpr int kMaxDepth = 10000;

constexpr char kSelectLink[] =
    "SELECT l.id, l.link_key, l.item_id, l.parent_id, l.name, l.deleted, l.pin_version, "
    "i.is_project FROM links l JOIN items i ON i.id = l.item_id ";
constexpr char kValidAt[] = "l.from_seq <= ?2 AND (l.to_seq IS NULL OR l.to_seq > ?2)";

LinkRow ReadLink(const SqliteStatement& row) {
  LinkRow link;
  link.row = row.Int(0);
  link.key = row.Int(1);
  link.item = row.Int(2);
  link.parent = row.Int(3);
  link.name = row.Text(4);
  link.deleted = row.Int(5) != 0;
  if (std::optional<int64_t> pin = row.OptionalInt(6)) link.pin = static_cast<int32_t>(*pin);
  link.is_project = row.Int(7) != 0;
  return link;
}

std::string JoinPath(const std::string& project, std::string_view name) {
  std::string path = project;
  if (path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

Md5Digest ToDigest(const std::string& blob) {
  Md5Digest digest{};
  std::copy_n(blob.begin(), std::min(blob.size(), digest.size()), digest.begin());
  return digest;
}

}  // namespace

DatabaseImpl::DatabaseImpl(std::unique_ptr<SqliteDb> db, Options options)
    : db_(std::move(db)), options_(std::move(options)) {
  if (!options_.clock) options_.clock = LocalNowMs;
}

void DatabaseImpl::Step(std::string_view name) {
  if (options_.fault && options_.fault(name)) {
    throw StoreFailure("injected fault at " + std::string(name));
  }
}

StoreStatus DatabaseImpl::CheckWrite(const Actor& actor) {
  if (actor.read_only) return {kStatusNoRights, kTextNoRights};
  return StoreStatus::Ok();
}

ChangeInfo DatabaseImpl::BeginChange(const Actor& actor) {
  SqliteStatement last = db_->Prepare("SELECT MAX(time_ms) FROM changes");
  OleMs time = options_.clock();
  if (last.Step() && !last.IsNull(0)) time = std::max(time, last.Int(0) + 1);
  db_->Prepare("INSERT INTO changes(time_ms, user_name) VALUES(?, ?)")
      .Bind(1, time)
      .Bind(2, actor.name)
      .Run();
  return Change{db_->LastInsertId(), time, actor.name};
}

// ---- Paths and links ------------------------------------------------------

std::optional<LinkRow> DatabaseImpl::Resolve(const ServerPath& path, int64_t at) {
  Link current;  // the root
  for (const std::string& name : path.names) {
    if (!current.is_project) return std::nullopt;
    std::optional<Link> child = LiveChildNamed(current.item, name, at);
    if (!child) return std::nullopt;
    current = std::move(*child);
  }
  return current;
}

std::optional<LinkRow> DatabaseImpl::Resolve(const ServerPath& path, ProjectMemo& memo) {
  if (path.IsRoot()) return Link{};
  const ServerPath parent = path.Parent();
  std::string key;
  for (const std::string& name : parent.names) {
    for (char c : name) key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    key += '/';
  }
  auto project = memo.find(key);
  if (project == memo.end()) project = memo.emplace(key, Resolve(parent)).first;
  if (!project->second || !project->second->is_project) return std::nullopt;
  return LiveChildNamed(project->second->item, path.names.back());
}

StoreStatus DatabaseImpl::ResolveProject(std::string_view text, Link* link, ServerPath* path) {
  std::optional<ServerPath> parsed = ParseServerPath(text);
  if (!parsed) return MakeStatus(kStatusInvalidPath, kFormatInvalidPath, text);
  std::optional<Link> found = Resolve(*parsed);
  if (!found || !found->is_project) {
    return MakeStatus(kStatusProjectNotFound, kFormatProjectNotFound, text);
  }
  *link = std::move(*found);
  if (path != nullptr) *path = std::move(*parsed);
  return StoreStatus::Ok();
}

StoreStatus DatabaseImpl::ResolveFile(std::string_view text, ProjectMemo& memo, Link* link) {
  std::optional<ServerPath> parsed = ParseServerPath(text);
  if (!parsed) return MakeStatus(kStatusInvalidPath, kFormatInvalidPath, text);
  std::optional<Link> found = Resolve(*parsed, memo);
  if (!found || found->is_project) {
    return MakeStatus(kStatusFileNotFound, kFormatFileNotFound, text);
  }
  *link = std::move(*found);
  return StoreStatus::Ok();
}

StoreStatus DatabaseImpl::ResolveFile(std::string_view text, Link* link, ServerPath* path) {
  std::optional<ServerPath> parsed = ParseServerPath(text);
  if (!parsed) return MakeStatus(kStatusInvalidPath, kFormatInvalidPath, text);
  std::optional<Link> found = Resolve(*parsed);
  if (!found || found->is_project) {
    return MakeStatus(kStatusFileNotFound, kFormatFileNotFound, text);
  }
  *link = std::move(*found);
  if (path != nullptr) *path = std::move(*parsed);
  return StoreStatus::Ok();
}

StoreStatus DatabaseImpl::ResolveItem(std::string_view text, Link* link, ServerPath* path) {
  std::optional<ServerPath> parsed = ParseServerPath(text);
  if (!parsed) return MakeStatus(kStatusInvalidPath, kFormatInvalidPath, text);
  std::optional<Link> found = Resolve(*parsed);
  if (!found) return MakeStatus(kStatusItemNotFound, kFormatItemNotFound, text);
  *link = std::move(*found);
  if (path != nullptr) *path = std::move(*parsed);
  return StoreStatus::Ok();
}

std::vector<LinkRow> DatabaseImpl::Children(int64_t project, int64_t at, bool deleted) {
  SqliteStatement query = db_->Prepare(std::string(kSelectLink) + "WHERE l.parent_id = ?1 AND " +
                                       kValidAt + " AND l.deleted = ?3");
  query.Bind(1, project).Bind(2, at).Bind(3, deleted ? 1 : 0);
  std::vector<Link> children;
  while (query.Step()) children.push_back(ReadLink(query));
  return children;
}

std::optional<LinkRow> DatabaseImpl::LiveChildNamed(int64_t project, std::string_view name,
                                                    int64_t at) {
  SqliteStatement query =
      db_->Prepare(std::string(kSelectLink) + "WHERE l.parent_id = ?1 AND " + kValidAt +
                   " AND l.deleted = 0 AND l.name = ?3 COLLATE NOCASE");
  query.Bind(1, project).Bind(2, at).Bind(3, name);
  if (!query.Step()) return std::nullopt;
  return ReadLink(query);
}

std::vector<LinkRow> DatabaseImpl::DeletedChildrenNamed(int64_t project, std::string_view name) {
  SqliteStatement query =
      db_->Prepare(std::string(kSelectLink) +
                   "WHERE l.parent_id = ?1 AND l.to_seq IS NULL AND l.deleted = 1 AND "
                   "l.name = ?2 COLLATE NOCASE ORDER BY l.from_seq DESC, l.id DESC");
  query.Bind(1, project).Bind(2, name);
  std::vector<Link> rows;
  while (query.Step()) rows.push_back(ReadLink(query));
  return rows;
}

std::optional<LinkRow> DatabaseImpl::CurrentProjectLink(int64_t project) {
  if (project == kRootId) return std::nullopt;
  SqliteStatement query =
      db_->Prepare(std::string(kSelectLink) + "WHERE l.item_id = ?1 AND l.to_seq IS NULL");
  query.Bind(1, project);
  if (!query.Step()) return std::nullopt;
  return ReadLink(query);
}

bool DatabaseImpl::IsProjectLive(int64_t project) {
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    if (project == kRootId) return true;
    std::optional<Link> link = CurrentProjectLink(project);
    if (!link || link->deleted) return false;
    project = link->parent;
  }
  throw StoreFailure("project tree deeper than allowed");
}

std::string DatabaseImpl::ProjectPath(int64_t project) {
  std::vector<std::string> names;
  for (int depth = 0; project != kRootId; ++depth) {
    std::optional<Link> link = CurrentProjectLink(project);
    if (!link || depth >= kMaxDepth) break;
    names.push_back(link->name);
    project = link->parent;
  }
  ServerPath path;
  path.names.assign(names.rbegin(), names.rend());
  return path.ToString();
}

std::string DatabaseImpl::LinkPath(const Link& link) {
  if (link.IsRoot()) return "$/";
  return JoinPath(ProjectPath(link.parent), link.name);
}

bool DatabaseImpl::IsAtOrBelow(int64_t project, int64_t ancestor) {
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    if (project == ancestor) return true;
    if (project == kRootId) return false;
    std::optional<Link> link = CurrentProjectLink(project);
    if (!link) return false;
    project = link->parent;
  }
  throw StoreFailure("project tree deeper than allowed");
}

std::vector<LinkRow> DatabaseImpl::LiveLinksOfFile(int64_t file) {
  SqliteStatement query = db_->Prepare(
      std::string(kSelectLink) + "WHERE l.item_id = ?1 AND l.to_seq IS NULL AND l.deleted = 0");
  query.Bind(1, file);
  std::vector<Link> rows;
  while (query.Step()) rows.push_back(ReadLink(query));
  std::vector<Link> live;
  for (Link& row : rows) {
    if (IsProjectLive(row.parent)) live.push_back(std::move(row));
  }
  return live;
}

bool DatabaseImpl::IsShared(int64_t file) {
  SqliteStatement query = db_->Prepare(
      "SELECT l.parent_id FROM links l WHERE l.item_id = ?1 AND l.to_seq IS NULL AND "
      "l.deleted = 0");
  query.Bind(1, file);
  int live = 0;
  while (query.Step()) {
    if (IsProjectLive(query.Int(0)) && ++live >= 2) return true;
  }
  return false;
}

std::vector<LinkRow> DatabaseImpl::LiveFilesBelow(int64_t project) {
  std::vector<Link> files;
  std::vector<int64_t> pending{project};
  while (!pending.empty()) {
    int64_t current = pending.back();
    pending.pop_back();
    for (Link& child : Children(current, kNowSeq, false)) {
      if (child.is_project) {
        pending.push_back(child.item);
      } else {
        files.push_back(std::move(child));
      }
    }
  }
  return files;
}

std::vector<int64_t> DatabaseImpl::LiveProjectsBelow(int64_t project) {
  std::vector<int64_t> projects;
  std::vector<int64_t> pending{project};
  while (!pending.empty()) {
    int64_t current = pending.back();
    pending.pop_back();
    for (const Link& child : Children(current, kNowSeq, false)) {
      if (!child.is_project) continue;
      projects.push_back(child.item);
      pending.push_back(child.item);
    }
  }
  return projects;
}

// ---- Link changes ---------------------------------------------------------

int64_t DatabaseImpl::InsertLink(const Change& change, int64_t item, int64_t parent,
                                 std::string_view name) {
  db_->Prepare(
         "INSERT INTO links(link_key, item_id, parent_id, name, deleted, pin_version, from_seq) "
         "VALUES(0, ?, ?, ?, 0, NULL, ?)")
      .Bind(1, item)
      .Bind(2, parent)
      .Bind(3, name)
      .Bind(4, change.seq)
      .Run();
  int64_t row = db_->LastInsertId();
  db_->Prepare("UPDATE links SET link_key = id WHERE id = ?").Bind(1, row).Run();
  return row;
}

int64_t DatabaseImpl::ReplaceLink(const Change& change, const Link& old, const Link& successor) {
  db_->Prepare("UPDATE links SET to_seq = ? WHERE id = ?")
      .Bind(1, change.seq)
      .Bind(2, old.row)
      .Run();
  SqliteStatement insert = db_->Prepare(
      "INSERT INTO links(link_key, item_id, parent_id, name, deleted, pin_version, from_seq) "
      "VALUES(?, ?, ?, ?, ?, ?, ?)");
  insert.Bind(1, old.key)
      .Bind(2, successor.item)
      .Bind(3, successor.parent)
      .Bind(4, successor.name)
      .Bind(5, successor.deleted ? 1 : 0)
      .Bind(6, successor.pin ? std::optional<int64_t>(*successor.pin) : std::nullopt)
      .Bind(7, change.seq)
      .Run();
  return db_->LastInsertId();
}

void DatabaseImpl::RemoveLogicalLink(int64_t key) {
  std::vector<int64_t> items;
  SqliteStatement item_query =
      db_->Prepare("SELECT DISTINCT item_id FROM links WHERE link_key = ?");
  item_query.Bind(1, key);
  while (item_query.Step()) items.push_back(item_query.Int(0));

  std::optional<int64_t> project;
  SqliteStatement current = db_->Prepare(
      "SELECT l.item_id FROM links l JOIN items i ON i.id = l.item_id "
      "WHERE l.link_key = ? AND l.to_seq IS NULL AND i.is_project = 1");
  current.Bind(1, key);
  if (current.Step()) project = current.Int(0);

  if (project) {
    // Everything placed in the project now goes with it, deleted or not.
    std::vector<int64_t> child_keys;
    SqliteStatement children =
        db_->Prepare("SELECT DISTINCT link_key FROM links WHERE parent_id = ? AND to_seq IS NULL");
    children.Bind(1, *project);
    while (children.Step()) child_keys.push_back(children.Int(0));
    for (int64_t child : child_keys) RemoveLogicalLink(child);
    db_->Prepare("DELETE FROM labels WHERE item_id = ?").Bind(1, *project).Run();
  }
  db_->Prepare("DELETE FROM links WHERE link_key = ?").Bind(1, key).Run();

  // A file that no link row names any more is gone with its versions.
  for (int64_t item : items) {
    SqliteStatement used = db_->Prepare(
        "SELECT 1 FROM links WHERE item_id = ?1 UNION ALL "
        "SELECT 1 FROM items WHERE id = ?1 AND is_project = 1");
    used.Bind(1, item);
    if (used.Step()) continue;
    std::vector<int64_t> contents;
    SqliteStatement content_query = db_->Prepare(
        "SELECT content_id FROM versions WHERE file_id = ? AND content_id IS NOT NULL");
    content_query.Bind(1, item);
    while (content_query.Step()) contents.push_back(content_query.Int(0));
    db_->Prepare("DELETE FROM versions WHERE file_id = ?").Bind(1, item).Run();
    db_->Prepare("DELETE FROM checkouts WHERE file_id = ?").Bind(1, item).Run();
    db_->Prepare("DELETE FROM labels WHERE item_id = ?").Bind(1, item).Run();
    db_->Prepare("DELETE FROM history WHERE file_id = ?").Bind(1, item).Run();
    for (int64_t content : contents) DeleteContentIfUnused(content);
  }
}

// ---- Items, versions and content -------------------------------------------

int64_t DatabaseImpl::InsertItem(const Change& change, bool is_project, std::string_view comment,
                                 bool is_text, bool latest_only) {
  db_->Prepare(
         "INSERT INTO items(is_project, created_seq, comment, is_text, latest_only) "
         "VALUES(?, ?, ?, ?, ?)")
      .Bind(1, is_project ? 1 : 0)
      .Bind(2, change.seq)
      .Bind(3, comment)
      .Bind(4, is_text ? 1 : 0)
      .Bind(5, latest_only ? 1 : 0)
      .Run();
  return db_->LastInsertId();
}

bool DatabaseImpl::ItemIsText(int64_t file) {
  SqliteStatement query = db_->Prepare("SELECT is_text FROM items WHERE id = ?");
  query.Bind(1, file);
  return query.Step() && query.Int(0) != 0;
}

int32_t DatabaseImpl::LatestVersionNumber(int64_t file, int64_t at) {
  SqliteStatement query =
      db_->Prepare("SELECT MAX(version) FROM versions WHERE file_id = ? AND seq <= ?");
  query.Bind(1, file).Bind(2, at);
  if (!query.Step() || query.IsNull(0)) return 0;
  return static_cast<int32_t>(query.Int(0));
}

namespace {

constexpr char kSelectVersion[] =
    "SELECT v.id, v.version, v.time_ms, v.mtime_ms, v.user_name, v.comment, v.content_id, "
    "v.size, c.lf_count, c.md5_cr, c.md5_lf, c.md5_crlf, i.is_text "
    "FROM versions v JOIN items i ON i.id = v.file_id "
    "LEFT JOIN contents c ON c.id = v.content_id ";

VersionInfo ReadVersion(const SqliteStatement& row) {
  VersionInfo info;
  info.record_id = row.Int(0);
  info.version = static_cast<int32_t>(row.Int(1));
  info.checkin_time = row.Int(2);
  info.modification_time = row.Int(3);
  info.user = row.Text(4);
  info.comment = row.Text(5);
  info.content_kept = !row.IsNull(6);
  info.stored_size = row.Int(7);
  info.is_text = row.Int(12) != 0;
  if (info.content_kept) {
    info.lf_count = row.Int(8);
    info.delivered_md5[static_cast<int>(Eol::kCr)] = ToDigest(row.Blob(9));
    info.delivered_md5[static_cast<int>(Eol::kLf)] = ToDigest(row.Blob(10));
    info.delivered_md5[static_cast<int>(Eol::kCrLf)] = ToDigest(row.Blob(11));
  }
  return info;
}

}  // namespace

std::optional<VersionInfo> DatabaseImpl::LoadVersion(int64_t file, int32_t version) {
  SqliteStatement query =
      db_->Prepare(std::string(kSelectVersion) + "WHERE v.file_id = ? AND v.version = ?");
  query.Bind(1, file).Bind(2, static_cast<int64_t>(version));
  if (!query.Step()) return std::nullopt;
  return ReadVersion(query);
}

std::optional<VersionInfo> DatabaseImpl::LoadVersionRecord(int64_t record) {
  SqliteStatement query = db_->Prepare(std::string(kSelectVersion) + "WHERE v.id = ?");
  query.Bind(1, record);
  if (!query.Step()) return std::nullopt;
  return ReadVersion(query);
}

int32_t DatabaseImpl::ShownVersion(const Link& link, int64_t at) {
  return link.pin ? *link.pin : LatestVersionNumber(link.item, at);
}

int64_t DatabaseImpl::InsertVersion(const Change& change, int64_t file, int32_t version,
                                    OleMs mtime, std::string_view comment,
                                    std::optional<int64_t> content, int64_t size) {
  db_->Prepare(
         "INSERT INTO versions(file_id, version, seq, time_ms, mtime_ms, user_name, comment, "
         "content_id, size) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)")
      .Bind(1, file)
      .Bind(2, static_cast<int64_t>(version))
      .Bind(3, change.seq)
      .Bind(4, change.time)
      .Bind(5, mtime)
      .Bind(6, change.user)
      .Bind(7, comment)
      .Bind(8, content)
      .Bind(9, size)
      .Run();
  return db_->LastInsertId();
}

void DatabaseImpl::DropOlderContent(int64_t file) {
  int32_t latest = LatestVersionNumber(file);
  std::vector<int64_t> contents;
  SqliteStatement query = db_->Prepare(
      "SELECT content_id FROM versions WHERE file_id = ? AND version < ? AND "
      "content_id IS NOT NULL");
  query.Bind(1, file).Bind(2, static_cast<int64_t>(latest));
  while (query.Step()) contents.push_back(query.Int(0));
  db_->Prepare("UPDATE versions SET content_id = NULL WHERE file_id = ? AND version < ?")
      .Bind(1, file)
      .Bind(2, static_cast<int64_t>(latest))
      .Run();
  for (int64_t content : contents) DeleteContentIfUnused(content);
}

void DatabaseImpl::DeleteContentIfUnused(std::optional<int64_t> content) {
  if (!content) return;
  db_->Prepare(
         "DELETE FROM content_chunks WHERE content_id = ?1 AND NOT EXISTS "
         "(SELECT 1 FROM versions WHERE content_id = ?1)")
      .Bind(1, *content)
      .Run();
  db_->Prepare(
         "DELETE FROM contents WHERE id = ?1 AND NOT EXISTS "
         "(SELECT 1 FROM versions WHERE content_id = ?1)")
      .Bind(1, *content)
      .Run();
}

int64_t DatabaseImpl::BranchLink(const Change& change, const Link& link, std::string_view comment) {
  SqliteStatement flags = db_->Prepare("SELECT is_text, latest_only FROM items WHERE id = ?");
  flags.Bind(1, link.item);
  if (!flags.Step()) throw StoreFailure("file item missing");
  int64_t file = InsertItem(change, false, "", flags.Int(0) != 0, flags.Int(1) != 0);
  // The new file starts with the old one's versions (sharing their content),
  // its file history and its labels.
  db_->Prepare(
         "INSERT INTO versions(file_id, version, seq, time_ms, mtime_ms, user_name, comment, "
         "content_id, size) SELECT ?1, version, seq, time_ms, mtime_ms, user_name, comment, "
         "content_id, size FROM versions WHERE file_id = ?2 ORDER BY version")
      .Bind(1, file)
      .Bind(2, link.item)
      .Run();
  db_->Prepare(
         "INSERT INTO history(seq, time_ms, user_name, file_id, project_id, project_version, "
         "subject_id, subject_is_project, path, file_version, action, comment, label, "
         "label_comment) SELECT seq, time_ms, user_name, ?1, NULL, NULL, "
         "CASE WHEN subject_id = ?2 THEN ?1 ELSE subject_id END, subject_is_project, path, "
         "file_version, action, comment, label, label_comment FROM history WHERE file_id = ?2 "
         "ORDER BY id")
      .Bind(1, file)
      .Bind(2, link.item)
      .Run();
  db_->Prepare(
         "INSERT INTO labels(item_id, name, comment, user_name, seq, time_ms) "
         "SELECT ?1, name, comment, user_name, seq, time_ms FROM labels WHERE item_id = ?2")
      .Bind(1, file)
      .Bind(2, link.item)
      .Run();
  Step("branch:versions-copied");
  Link successor = link;
  successor.item = file;
  ReplaceLink(change, link, successor);
  HistoryRecord record;
  record.subject = file;
  record.path = LinkPath(link);
  record.file_version = LatestVersionNumber(file);
  record.action = kActionBranched;
  record.comment = std::string(comment);
  AddFileRecord(change, file, record);
  AddProjectRecord(change, link.parent, record);
  return file;
}

// ---- Check-outs and status -------------------------------------------------

std::vector<CheckoutRow> DatabaseImpl::Checkouts(int64_t file) {
  SqliteStatement query = db_->Prepare(
      "SELECT c.user_id, u.name, c.seq, c.time_ms, c.version FROM checkouts c "
      "JOIN users u ON u.id = c.user_id WHERE c.file_id = ? ORDER BY c.seq, c.rowid");
  query.Bind(1, file);
  std::vector<CheckoutRow> rows;
  while (query.Step()) {
    rows.push_back(CheckoutRow{query.Int(0), query.Text(1), query.Int(2), query.Int(3),
                               static_cast<int32_t>(query.Int(4))});
  }
  return rows;
}

bool DatabaseImpl::HasCheckoutsBelow(int64_t project) {
  for (const Link& file : LiveFilesBelow(project)) {
    if (!Checkouts(file.item).empty()) return true;
  }
  return false;
}

int32_t DatabaseImpl::StatusOf(const Link& link, size_t checkout_count) {
  if (link.is_project) return 0;
  const bool shared = IsShared(link.item);
  if (checkout_count >= 2) return shared ? 6 : 5;
  if (checkout_count == 1) return shared ? 4 : 3;
  if (link.pin) return shared ? 7 : 1;
  return shared ? 2 : 0;
}

std::string DatabaseImpl::UserText(const std::vector<CheckoutRow>& checkouts,
                                   const VersionInfo& shown) {
  return checkouts.empty() ? shown.user : checkouts.front().user;
}

bool DatabaseImpl::MultipleCheckoutsAllowed() {
  SqliteStatement query =
      db_->Prepare("SELECT value FROM settings WHERE key = 'multiple_checkouts'");
  return !query.Step() || query.Text(0) != "0";
}

bool DatabaseImpl::TypeExcluded(std::string_view name) {
  SqliteStatement query = db_->Prepare("SELECT value FROM settings WHERE key = 'excluded_types'");
  return query.Step() && MatchesAnyPattern(query.Text(0), name);
}

// ---- History ------------------------------------------------------------

namespace {

void InsertHistory(SqliteDb& db, const ChangeInfo& change, std::optional<int64_t> file,
                   std::optional<int64_t> project, std::optional<int64_t> project_version,
                   const HistoryRecord& record) {
  db.Prepare(
        "INSERT INTO history(seq, time_ms, user_name, file_id, project_id, project_version, "
        "subject_id, subject_is_project, path, file_version, action, comment, label, "
        "label_comment) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
      .Bind(1, change.seq)
      .Bind(2, change.time)
      .Bind(3, change.user)
      .Bind(4, file)
      .Bind(5, project)
      .Bind(6, project_version)
      .Bind(7, record.subject == 0 ? std::nullopt : std::optional<int64_t>(record.subject))
      .Bind(8, record.subject_is_project ? 1 : 0)
      .Bind(9, record.path)
      .Bind(10, record.file_version ? std::optional<int64_t>(*record.file_version) : std::nullopt)
      .Bind(11, record.action)
      .Bind(12, record.comment)
      .Bind(13, record.label)
      .Bind(14, record.label_comment)
      .Run();
}

}  // namespace

void DatabaseImpl::AddProjectRecord(const Change& change, int64_t project,
                                    const HistoryRecord& record) {
  db_->Prepare("UPDATE items SET project_version = project_version + 1 WHERE id = ?")
      .Bind(1, project)
      .Run();
  SqliteStatement version = db_->Prepare("SELECT project_version FROM items WHERE id = ?");
  version.Bind(1, project);
  if (!version.Step()) throw StoreFailure("project item missing");
  InsertHistory(*db_, change, std::nullopt, project, version.Int(0), record);
}

void DatabaseImpl::AddFileRecord(const Change& change, int64_t file, const HistoryRecord& record) {
  InsertHistory(*db_, change, file, std::nullopt, std::nullopt, record);
}

void DatabaseImpl::AddUnattachedRecord(const Change& change, const HistoryRecord& record) {
  InsertHistory(*db_, change, std::nullopt, std::nullopt, std::nullopt, record);
}

void DatabaseImpl::AddRecordInLinkingProjects(const Change& change, int64_t file,
                                              const HistoryRecord& record) {
  std::set<int64_t> done;
  for (const Link& link : LiveLinksOfFile(file)) {
    if (!done.insert(link.parent).second) continue;
    HistoryRecord in_project = record;
    in_project.path = LinkPath(link);
    AddProjectRecord(change, link.parent, in_project);
  }
}

int32_t DatabaseImpl::ProjectVersionAt(int64_t project, int64_t at) {
  SqliteStatement query =
      db_->Prepare("SELECT MAX(project_version) FROM history WHERE project_id = ? AND seq <= ?");
  query.Bind(1, project).Bind(2, at);
  if (!query.Step() || query.IsNull(0)) return 0;
  return static_cast<int32_t>(query.Int(0));
}

void DatabaseImpl::LatestProjectChange(int64_t project, int64_t at, OleMs* time,
                                       std::string* user) {
  SqliteStatement query = db_->Prepare(
      "SELECT time_ms, user_name FROM history WHERE project_id = ? AND seq <= ? "
      "ORDER BY seq DESC, id DESC LIMIT 1");
  query.Bind(1, project).Bind(2, at);
  if (query.Step()) {
    *time = query.Int(0);
    *user = query.Text(1);
  }
}

// ---- Points in time ---------------------------------------------------------

StoreStatus DatabaseImpl::SeqForPoint(int64_t project, std::string_view project_text,
                                      const PointInTime& point, int64_t* seq) {
  switch (point.kind) {
    case PointInTime::Kind::kNow:
      *seq = kNowSeq;
      return StoreStatus::Ok();
    case PointInTime::Kind::kProjectVersion: {
      SqliteStatement query =
          db_->Prepare("SELECT seq FROM history WHERE project_id = ? AND project_version = ?");
      query.Bind(1, project).Bind(2, static_cast<int64_t>(point.project_version));
      if (point.project_version <= 0 || !query.Step()) {
        return MakeStatus(kStatusNoSuchVersion, kFormatNoSuchVersion, point.project_version,
                          project_text);
      }
      *seq = query.Int(0);
      return StoreStatus::Ok();
    }
    case PointInTime::Kind::kDate: {
      SqliteStatement query = db_->Prepare("SELECT MAX(seq) FROM changes WHERE time_ms <= ?");
      query.Bind(1, point.date);
      int64_t found = (query.Step() && !query.IsNull(0)) ? query.Int(0) : 0;
      SqliteStatement created = db_->Prepare("SELECT created_seq FROM items WHERE id = ?");
      created.Bind(1, project);
      if (!created.Step() || created.Int(0) > found) {
        return MakeStatus(kStatusProjectDidNotExist, kFormatProjectDidNotExist, project_text);
      }
      *seq = found;
      return StoreStatus::Ok();
    }
  }
  return MakeStatus(kStatusStoreError, kFormatStoreError, "unknown point kind");
}

std::optional<LinkRow> DatabaseImpl::ResolveBelowAt(int64_t project,
                                                    const std::vector<std::string>& names,
                                                    int64_t at) {
  Link current;
  current.item = project;
  bool first = true;
  for (const std::string& name : names) {
    if (!first && !current.is_project) return std::nullopt;
    std::optional<Link> child = LiveChildNamed(current.item, name, at);
    if (!child) return std::nullopt;
    current = std::move(*child);
    first = false;
  }
  if (first) return std::nullopt;
  return current;
}

// ---- Labels ---------------------------------------------------------------

bool DatabaseImpl::FindLabel(const Link& link, std::string_view name, int64_t* seq, OleMs* time) {
  int64_t item = link.item;
  int64_t next_project = link.is_project ? -1 : link.parent;
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    SqliteStatement query = db_->Prepare(
        "SELECT seq, time_ms FROM labels WHERE item_id = ? AND name = ? COLLATE NOCASE");
    query.Bind(1, item).Bind(2, name);
    if (query.Step()) {
      *seq = query.Int(0);
      *time = query.Int(1);
      return true;
    }
    if (next_project >= 0) {
      item = next_project;
      next_project = -1;
      continue;
    }
    if (item == kRootId) return false;
    std::optional<Link> up = CurrentProjectLink(item);
    if (!up) return false;
    item = up->parent;
  }
  return false;
}

}  // namespace qorv::server
