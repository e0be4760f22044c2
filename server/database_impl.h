// Internals of Database shared by its source files (not for other users).
#ifndef QORV_SERVER_DATABASE_IMPL_H_
#define QORV_SERVER_DATABASE_IMPL_H_

#include <cstdint>
#include <exception>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "server/database.h"
#include "server/sqlite_db.h"

namespace qorv::server {

// Queries "as of now" use the largest change number: current link rows
// have no end, so every row valid now is valid at it.
inline constexpr int64_t kNowSeq = std::numeric_limits<int64_t>::max();
// The root project "$/" is item 1 and has no link.
inline constexpr int64_t kRootId = 1;

// Names of history actions (docs/protocol.md 2.15).
inline constexpr char kActionCreated[] = "Created";
inline constexpr char kActionAdded[] = "Added";
inline constexpr char kActionCheckedIn[] = "Checked in";
inline constexpr char kActionDeleted[] = "Deleted";
inline constexpr char kActionDestroyed[] = "Destroyed";
inline constexpr char kActionRecovered[] = "Recovered";
inline constexpr char kActionPurged[] = "Purged";
inline constexpr char kFormatActionRenamed[] = "Renamed from %s";
inline constexpr char kFormatActionMovedFrom[] = "Moved from %s";
inline constexpr char kFormatActionMovedTo[] = "Moved to %s";
inline constexpr char kFormatActionShared[] = "Shared from %s";
inline constexpr char kActionBranched[] = "Branched";
inline constexpr char kFormatActionPinned[] = "Pinned at version %d";
inline constexpr char kActionUnpinned[] = "Unpinned";
inline constexpr char kActionLabeled[] = "Labeled";
inline constexpr char kActionCheckedOut[] = "Checked out";
inline constexpr char kActionUndoCheckout[] = "Undo check out";
inline constexpr char kActionLatestOnly[] = "Kept versions: latest only";
inline constexpr char kActionAllVersions[] = "Kept versions: all";
inline constexpr char kActionPasswordChanged[] = "Password changed";

// A stored body is kept in pieces of at most this many bytes.
inline constexpr size_t kContentChunkSize = 1u << 20;

// A content row just written.
struct StoredContent {
  int64_t id = 0;
  int64_t stored_size = 0;
  bool is_text = false;
};

// One row of the links table, or the root (row 0).
struct LinkRow {
  int64_t row = 0;
  int64_t key = 0;
  int64_t item = kRootId;
  int64_t parent = 0;
  std::string name;
  bool deleted = false;
  std::optional<int32_t> pin;
  bool is_project = true;

  bool IsRoot() const { return row == 0; }
};

// The change being made: its number, time and user.
struct ChangeInfo {
  int64_t seq = 0;
  OleMs time = 0;
  std::string user;
};

struct CheckoutRow {
  int64_t user_id = 0;
  std::string user;
  int64_t seq = 0;
  OleMs time = 0;
  int32_t version = 0;
};

// A record to write into the history.
struct HistoryRecord {
  int64_t subject = 0;
  bool subject_is_project = false;
  std::string path;
  std::optional<int32_t> file_version;
  std::string action;
  std::string comment;
  std::string label;
  std::string label_comment;
};

class DatabaseImpl {
 public:
  using Link = LinkRow;
  using Change = ChangeInfo;
  using Options = Database::Options;

  DatabaseImpl(std::unique_ptr<SqliteDb> db, Options options);

  SqliteDb& db() { return *db_; }

  // Raises StoreFailure when the test fault hook asks this step to fail.
  void Step(std::string_view name);
  // 40007 for a read-only actor.
  static StoreStatus CheckWrite(const Actor& actor);
  // Records a new change: its time is the clock's, or 1 ms after the
  // previous change when the clock is not ahead, so times never repeat.
  Change BeginChange(const Actor& actor);

  // ---- Paths and links ----
  std::optional<Link> Resolve(const ServerPath& path, int64_t at = kNowSeq);
  // The projects a series of current lookups has resolved, by their names in
  // lower case: the files of one request mostly share a few projects.
  using ProjectMemo = std::map<std::string, std::optional<Link>>;
  // Resolve() at the current state, taking the item's project from `memo`
  // (and keeping it there).
  std::optional<Link> Resolve(const ServerPath& path, ProjectMemo& memo);
  // Status-producing forms: 40100 for a bad path, else 40101 / 40102 /
  // 40103 when no live project / file / item is there.
  StoreStatus ResolveProject(std::string_view text, Link* link, ServerPath* path = nullptr);
  StoreStatus ResolveFile(std::string_view text, Link* link, ServerPath* path = nullptr);
  StoreStatus ResolveFile(std::string_view text, ProjectMemo& memo, Link* link);
  StoreStatus ResolveItem(std::string_view text, Link* link, ServerPath* path = nullptr);
  std::vector<Link> Children(int64_t project, int64_t at, bool deleted);
  std::optional<Link> LiveChildNamed(int64_t project, std::string_view name, int64_t at = kNowSeq);
  // Current deleted rows of that name, most recently deleted first.
  std::vector<Link> DeletedChildrenNamed(int64_t project, std::string_view name);
  // The current row of a project's link (none for the root or a destroyed
  // project).
  std::optional<Link> CurrentProjectLink(int64_t project);
  // Whether a project is live: its link and every link above it live.
  bool IsProjectLive(int64_t project);
  // Current path of a project ("$/" for the root).
  std::string ProjectPath(int64_t project);
  std::string LinkPath(const Link& link);
  // Whether `project` is `ancestor` or lies below it now.
  bool IsAtOrBelow(int64_t project, int64_t ancestor);
  // Whether the file has at least two live links. Stops at the second, so a
  // listing of many links of one file stays linear in their number.
  bool IsShared(int64_t file);
  std::vector<Link> LiveLinksOfFile(int64_t file);
  // Live files at every depth below a project, now.
  std::vector<Link> LiveFilesBelow(int64_t project);
  std::vector<int64_t> LiveProjectsBelow(int64_t project);

  // ---- Link changes ----
  int64_t InsertLink(const Change& change, int64_t item, int64_t parent, std::string_view name);
  // Closes the link's current row at the change and opens its successor.
  int64_t ReplaceLink(const Change& change, const Link& old, const Link& successor);
  // Removes a logical link for good, with everything below a project, and
  // any file left without links.
  void RemoveLogicalLink(int64_t key);

  // The clock's time now (for replies about changes that change nothing).
  OleMs Now() { return options_.clock(); }
  const Options& options() const { return options_; }

  // ---- Creating items (with their link and history) ----
  int64_t CreateProjectItem(const Change& change, int64_t parent, std::string_view name,
                            const std::string& path, std::string_view comment);
  int64_t CreateFileItem(const Change& change, int64_t parent, std::string_view name,
                         const std::string& path, const StoredContent& content, OleMs mtime,
                         bool latest_only, std::string_view comment);

  // ---- Items, versions and content ----
  int64_t InsertItem(const Change& change, bool is_project, std::string_view comment, bool is_text,
                     bool latest_only);
  bool ItemIsText(int64_t file);
  int32_t LatestVersionNumber(int64_t file, int64_t at = kNowSeq);
  std::optional<VersionInfo> LoadVersion(int64_t file, int32_t version);
  std::optional<VersionInfo> LoadVersionRecord(int64_t record);
  // The version a link shows at a point: its pin, else the latest then.
  int32_t ShownVersion(const Link& link, int64_t at = kNowSeq);
  // Stores the body `source` delivers (text normalised to LF) as a new
  // content row, in pieces of kContentChunkSize bytes, with its digests.
  StoredContent StoreContentFrom(BodySource& source, bool is_text);
  // Automatic type detection over the whole body (a pass of its own).
  static bool DetectText(BodySource& source);
  int64_t InsertVersion(const Change& change, int64_t file, int32_t version, OleMs mtime,
                        std::string_view comment, std::optional<int64_t> content, int64_t size);
  // Drops the content of every version of the file but the latest.
  void DropOlderContent(int64_t file);
  void DeleteContentIfUnused(std::optional<int64_t> content);
  // Turns a link into a new file with a copy of the old file's versions,
  // history and labels. Returns the new file.
  int64_t BranchLink(const Change& change, const Link& link, std::string_view comment);

  // ---- Check-outs and status ----
  std::vector<CheckoutRow> Checkouts(int64_t file);
  bool HasCheckoutsBelow(int64_t project);
  int32_t StatusOf(const Link& link, size_t checkout_count);
  std::string UserText(const std::vector<CheckoutRow>& checkouts, const VersionInfo& shown);
  bool MultipleCheckoutsAllowed();
  bool TypeExcluded(std::string_view name);

  // ---- History ----
  // Raises the project's version and writes the record with it.
  void AddProjectRecord(const Change& change, int64_t project, const HistoryRecord& record);
  void AddFileRecord(const Change& change, int64_t file, const HistoryRecord& record);
  // A record about no item (a password change): kept, listed by no query.
  void AddUnattachedRecord(const Change& change, const HistoryRecord& record);
  // "Checked in" style records in every live project that links the file.
  void AddRecordInLinkingProjects(const Change& change, int64_t file, const HistoryRecord& record);
  int32_t ProjectVersionAt(int64_t project, int64_t at = kNowSeq);
  // Time and user of the project's latest change at a point.
  void LatestProjectChange(int64_t project, int64_t at, OleMs* time, std::string* user);

  // ---- Points in time ----
  // The change number a point names for a project, or a failure (40301,
  // 40307).
  StoreStatus SeqForPoint(int64_t project, std::string_view project_text, const PointInTime& point,
                          int64_t* seq);
  // Resolves a relative path (names below a project) as it was at a point.
  std::optional<Link> ResolveBelowAt(int64_t project, const std::vector<std::string>& names,
                                     int64_t at);

  // ---- Labels ----
  // The label of that name on the item or its nearest ancestor project now.
  bool FindLabel(const Link& link, std::string_view name, int64_t* seq, OleMs* time);

  // ---- Listing ----
  void ListInto(const Actor& actor, int64_t project, int64_t at, int32_t depth, bool include_files,
                const std::string& prefix, std::vector<ListedItem>* out);
  ListedItem DescribeFile(const Actor& actor, const Link& link, int64_t at,
                          const std::string& name);
  ListedItem DescribeProject(int64_t project, int64_t at, const std::string& name);

 private:
  std::unique_ptr<SqliteDb> db_;
  Options options_;
};

template <typename Body>
StoreStatus Database::Guarded(Body&& body) {
  platform::MutexLock lock(mutex_);
  try {
    return body();
  } catch (const std::exception& failure) {
    // The transaction object of the change has rolled it back by now.
    return MakeStatus(kStatusStoreError, kFormatStoreError, failure.what());
  }
}

template <typename Body>
StoreStatus Database::GuardedRead(Body&& body) {
  std::unique_ptr<DatabaseImpl> reader = TakeReader();
  if (!reader) return Guarded([&] { return body(*impl_); });
  StoreStatus status;
  try {
    reader->Step("read");
    status = body(*reader);
  } catch (const std::exception& failure) {
    status = MakeStatus(kStatusStoreError, kFormatStoreError, failure.what());
  }
  ReturnReader(std::move(reader));
  return status;
}

template <typename Checks, typename Body>
StoreStatus Database::RunWrite(const Actor& actor, Checks&& checks, Body&& body) {
  return Guarded([&] {
    StoreStatus status = DatabaseImpl::CheckWrite(actor);
    if (!status.ok()) return status;
    status = checks();
    if (!status.ok()) return status;
    SqliteTransaction transaction(impl_->db());
    status = body();
    if (status.ok()) transaction.Commit();
    return status;
  });
}

template <typename Body>
StoreStatus Database::RunWrite(const Actor& actor, Body&& body) {
  return RunWrite(
      actor, [] { return StoreStatus::Ok(); }, std::forward<Body>(body));
}

template <typename Body>
StoreStatus Database::RunWriteOn(const Actor& actor, std::string_view path, Resolver resolve,
                                 Body&& body) {
  return RunWrite(actor, [&]() -> StoreStatus {
    Link link;
    StoreStatus status = (impl_.get()->*resolve)(path, &link, nullptr);
    if (!status.ok()) return status;
    return body(link);
  });
}

}  // namespace qorv::server

#endif  // QORV_SERVER_DATABASE_IMPL_H_
