// One database of the reference server: projects, files and their versions,
// labels, check-outs, shares, branches, pins, deleted items, users and the
// history, kept in one SQLite file.
//
// The command handlers call one method per command entry; each method that
// changes something is one transaction with one change number, so a failure
// at any step (the store, the disk, an injected fault) leaves the database
// as it was. Paths come as the client sent them and are checked here.
// Results follow docs/protocol.md: a StoreStatus (0 "Completed", or the
// server's status with its text) and the reply values.
//
// Thread safety: all methods may be called from any thread. Changes are
// serialised by one lock per database; reads run on connections of their
// own (the write-ahead log gives each a committed snapshot), so a listing
// never waits for a change, and waits for other reads only while
// kMaxReaders of them are running.
#ifndef QORV_SERVER_DATABASE_H_
#define QORV_SERVER_DATABASE_H_

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/mutex.h"
#include "server/body_reader.h"
#include "server/ole_time.h"
#include "server/password_hash.h"
#include "server/server_path.h"
#include "server/server_status.h"
#include "server/store_records.h"

namespace qorv::server {

class SqliteDb;
class DatabaseImpl;
struct LinkRow;
struct ChangeInfo;

class Database {
 public:
  struct Options {
    // Local time of each change; the server's clock unless replaced.
    StoreClock clock;
    // Called at named steps inside changes; returning true makes that step
    // fail as a store failure would. For tests of half-done changes.
    std::function<bool(std::string_view step)> fault;
    // PBKDF2 iterations of the password hashes written from now on; a
    // login whose stored hash has fewer is rehashed with this count.
    int64_t password_iterations = kDefaultPasswordIterations;
    // Full syncs at every commit, so a committed change survives a crash.
    // Only throw-away stores (the fuzzers') turn them off.
    bool durable = true;
  };

  // Creates a new database file (refused if the file exists) with its root
  // project "$/", or opens an existing one. On failure returns null and
  // status 40501 with the reason in *status.
  static std::unique_ptr<Database> Create(const std::filesystem::path& file, Options options,
                                          StoreStatus* status);
  static std::unique_ptr<Database> Open(const std::filesystem::path& file, Options options,
                                        StoreStatus* status);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // At most this many reads run at once, each on a reader connection of its
  // own, kept open from first use until the database is closed; a read
  // beyond them waits for one to be given back. Every connection holds a
  // page cache (kReaderCacheKiB for a reader) that fills as the file grows,
  // so the bound, not the number of clients reading at once, sets how much
  // memory the store holds. Four reads at once keep a small machine's
  // processors busy; more would only add caches.
  static constexpr size_t kMaxReaders = 4;
  static constexpr int kReaderCacheKiB = 512;

  // With `stop` true, every store statement running or started from now on
  // fails with 40501, so that requests end promptly while the server stops;
  // false lets them run again.
  void StopRequests(bool stop) { stopping_ = stop; }

  // ---- Users and settings (administration and login) ----------------------
  StoreStatus AddUser(const NewUser& user);
  // 40003 for an unknown user or a wrong password, with one text for both.
  // A right password whose stored hash has fewer iterations than the
  // options ask for (or is a single SHA-256) is rehashed.
  StoreStatus Authenticate(std::string_view user_name, std::string_view password, UserRecord* user);
  std::optional<UserRecord> FindUser(std::string_view user_name);
  // Administration: gives the user a new Blowfish user key (none: the zero
  // key). 40003 when there is no such user.
  StoreStatus SetUserKey(std::string_view user_name, const std::optional<UserKey>& key);
  // Command 20.
  StoreStatus SetPassword(const Actor& actor, std::string_view new_password);
  // Command 37.
  StoreStatus ListUsers(std::vector<UserListEntry>* users);
  // Patterns such as "*.exe;*.obj" that command 40 refuses and 66 reports.
  StoreStatus SetExcludedTypes(std::string_view patterns);
  // Whether several users may hold check-outs of one file (default true).
  StoreStatus SetMultipleCheckouts(bool allowed);

  // ---- Queries ------------------------------------------------------------
  // Command 2.
  StoreStatus CheckoutHolders(std::string_view path, std::vector<std::string>* users);
  // Commands 3, 55, 59, 70, 71.
  StoreStatus List(const Actor& actor, const ListRequest& request, std::vector<ListedItem>* items);
  // Command 56: live items whose latest change is later than `since`.
  StoreStatus ListChangedSince(const Actor& actor, std::string_view project_path, bool recursive,
                               OleMs since, std::vector<ListedItem>* items);
  // Command 21; `current_version` as the command describes.
  StoreStatus Labels(std::string_view path, std::vector<LabelInfo>* labels,
                     int32_t* current_version);
  // Command 22.
  StoreStatus FileLinks(std::string_view path, std::vector<std::string>* links);
  // Command 23.
  StoreStatus FileInfo(std::string_view path, FileGeneralInfo* info);
  // Command 24.
  StoreStatus ProjectInfo(std::string_view path, ProjectGeneralInfo* info);
  // Command 25.
  StoreStatus DeletedItems(std::string_view project_path, std::vector<DeletedItem>* items);
  // Command 34.
  StoreStatus FileHistoryOf(std::string_view path, const HistoryFilter& filter,
                            FileHistory* history);
  // Command 35.
  StoreStatus ProjectHistoryOf(std::string_view path, bool include_files, bool recursive,
                               const HistoryFilter& filter, std::vector<HistoryEntry>* entries);
  // Commands 51 and 52: false for anything that is not a live file/project.
  bool FileExists(std::string_view path);
  bool ProjectExists(std::string_view path);
  // Command 53: 0 nothing, 1 live project, 2 live file, 3 deleted project,
  // 4 deleted file.
  StoreStatus ItemKinds(const std::vector<std::string>& paths, std::vector<uint8_t>* kinds);
  // Command 54.
  StoreStatus FileCount(std::string_view project_path, int32_t* count);
  // Command 60.
  StoreStatus VersionAtLabel(std::string_view path, std::string_view label, int32_t* version);
  // Command 112.
  StoreStatus LabelDate(std::string_view project_path, std::string_view label, OleMs* time);
  // Command 66.
  StoreStatus CheckAdd(std::string_view path, bool is_project, AddCheck* check);
  // Command 67: `version` 0 is the version the project shows.
  StoreStatus FileStatus(const Actor& actor, std::string_view path, int32_t version,
                         FileStatusInfo* info);
  // FileStatus() for every entry of one command 67, in one read of the
  // store. The whole status is not ok only when the store failed.
  struct StatusEntry {
    std::string path;
    int32_t version = 0;
  };
  struct EntryStatus {
    StoreStatus status;
    FileStatusInfo info;
  };
  StoreStatus FileStatuses(const Actor& actor, const std::vector<StatusEntry>& entries,
                           std::vector<EntryStatus>* results);
  // Command 68.
  StoreStatus CheckoutStateOf(const Actor& actor, std::string_view path, CheckoutState* state);

  // ---- Bodies -------------------------------------------------------------
  // Command 38: the version to deliver (0 = the version the project shows).
  StoreStatus ResolveGet(std::string_view path, int32_t version, VersionInfo* info);
  // ResolveGet() for every entry of one command 38, in one read of the
  // store. The whole status is not ok only when the store failed.
  struct GetEntry {
    std::string path;
    int32_t version = 0;
  };
  struct ResolvedGet {
    StoreStatus status;
    VersionInfo info;
  };
  StoreStatus ResolveGets(const std::vector<GetEntry>& entries, std::vector<ResolvedGet>* results);
  // Commands 61 and 62: a file of `project_path` as it was at `point`.
  // `file_path` is the project path followed by a name from the listing of
  // that point; with `recursive` false it must lie directly in the project.
  StoreStatus ResolveGetAt(std::string_view project_path, const PointInTime& point, bool recursive,
                           std::string_view file_path, VersionInfo* info);
  // Command 65: a reader of one version record as delivered with the line
  // ending, and that version. 40303 when its content is no longer kept or
  // the record is gone.
  // With `preload`, a body of one stored piece is read at once, in the
  // same visit to the store (callers bound how much they preload).
  StoreStatus OpenBody(int64_t version_record, Eol eol, std::unique_ptr<BodyReader>* reader,
                       VersionInfo* info, bool preload = false);
  // The whole delivered body in memory, through OpenBody(): for small
  // bodies only (administration, tests).
  StoreStatus ReadBody(int64_t version_record, Eol eol, std::string* bytes);
  // BodyReader's access: stored piece number `piece` of a content (empty
  // past its end); 40303 when the content has gone meanwhile.
  StoreStatus ReadContentPiece(const ContentLocation& location, int64_t piece, std::string* bytes);
  // The store's clock now: the date command 65 sends in file-time mode 0.
  OleMs CurrentTime();
  // The latest version of a live file: the old version of a delta upload.
  StoreStatus LatestVersion(std::string_view path, VersionInfo* info);

  // ---- Changes ------------------------------------------------------------
  // Command 4, one entry.
  CreateProjectResult CreateProject(const Actor& actor, std::string_view path,
                                    std::string_view comment);
  // Command 5, one entry.
  StoreStatus DeleteItem(const Actor& actor, std::string_view path, bool destroy);
  // Command 6.
  StoreStatus RenameItem(const Actor& actor, std::string_view path, std::string_view new_name);
  // Command 7, one entry.
  StoreStatus RecoverItem(const Actor& actor, std::string_view path, OleMs* time);
  // Command 8.
  StoreStatus ShareFile(const Actor& actor, std::string_view target_project,
                        std::string_view file_path, bool branch, std::string_view comment);
  // Command 9.
  StoreStatus ShareProject(const Actor& actor, std::string_view target_project,
                           std::string_view project_path, bool branch, bool recursive,
                           std::string_view comment);
  // Command 16: `version` 0 pins the latest version.
  StoreStatus PinFile(const Actor& actor, std::string_view path, int32_t version, OleMs* time);
  // Command 17.
  StoreStatus UnpinFile(const Actor& actor, std::string_view path, OleMs* time, int32_t* version);
  // Command 18.
  StoreStatus BranchItem(const Actor& actor, std::string_view path, std::string_view comment,
                         OleMs* time, int32_t* version);
  // Command 19.
  StoreStatus MoveItem(const Actor& actor, std::string_view path, std::string_view target_project);
  // Command 32, one entry.
  StoreStatus PurgeItem(const Actor& actor, std::string_view path);
  // Command 33.
  StoreStatus LabelItem(const Actor& actor, std::string_view path, std::string_view label,
                        std::string_view comment, OleMs* time);
  // Command 40, one entry: `file_type` is Enum_FileType (other values are
  // taken as automatic detection).
  StoreStatus AddFile(const Actor& actor, std::string_view path, const UploadedBody& body,
                      int32_t file_type, bool latest_only, std::string_view comment, OleMs* time);
  // Command 48.
  StoreStatus SetLatestOnly(const Actor& actor, std::string_view path, bool latest_only);
  // Commands 42 and 72, one entry. Also the administration's "check out as
  // a given user".
  StoreStatus CheckOut(const Actor& actor, std::string_view path, std::string_view comment,
                       CheckoutResult* result);
  // Command 43, one entry, and command 73 releasing a check-out.
  StoreStatus UndoCheckOut(const Actor& actor, std::string_view path, UndoResult* result);
  // Command 81, one entry: without a body the new version takes the
  // current content (an unchanged check-in).
  StoreStatus CheckIn(const Actor& actor, std::string_view path,
                      const std::optional<UploadedBody>& body, bool keep_checked_out,
                      std::string_view comment, CheckinResult* result);

  // ---- Administration ------------------------------------------------------
  // Imports a local folder as the project `project_path` (created when
  // missing, with missing parents), its files as new files (type detected,
  // file time from the local file) and its sub-folders as sub-projects. One
  // change: if any file cannot be read or added, nothing is imported.
  StoreStatus ImportFolder(const Actor& actor, const std::filesystem::path& folder,
                           std::string_view project_path, std::string_view comment);

 private:
  using Link = LinkRow;
  using Change = ChangeInfo;

  Database(std::unique_ptr<SqliteDb> db, Options options);
  // Replaces the user's password hash `old_hash` with `new_hash` (inside
  // the store lock); nothing when the stored hash is no longer `old_hash`.
  void ReplacePasswordHash(int64_t user_id, const PasswordHash& old_hash,
                           const PasswordHash& new_hash);

  // Finds the item a request names (DatabaseImpl::ResolveItem, ResolveFile
  // or ResolveProject).
  using Resolver = StoreStatus (DatabaseImpl::*)(std::string_view text, LinkRow* link,
                                                 ServerPath* path);

  // Runs `body` under the lock, converting store failures into 40501.
  template <typename Body>
  StoreStatus Guarded(Body&& body) QORV_EXCLUDES(mutex_);
  // Runs `body(impl)`, which only reads, on a reader connection (the
  // writer's, under the lock, when no reader can be opened), converting
  // store failures into 40501.
  template <typename Body>
  StoreStatus GuardedRead(Body&& body) QORV_EXCLUDES(mutex_, readers_mutex_);
  // An idle reader, or a new one while fewer than kMaxReaders are open, or
  // the first one given back; null when the file cannot be opened so.
  std::unique_ptr<DatabaseImpl> TakeReader() QORV_EXCLUDES(readers_mutex_);
  void ReturnReader(std::unique_ptr<DatabaseImpl> reader) QORV_EXCLUDES(readers_mutex_);
  // A new reader connection with its page cache set; null when the file
  // cannot be opened so.
  std::unique_ptr<DatabaseImpl> OpenReader();

  // The frame of every change an actor makes: Guarded(); refused with the
  // no-rights status when the actor may only read; then `checks` (work that
  // needs no store lock: parsing the request, preparing content), then
  // `body` inside one transaction, committed when `body` succeeds and rolled
  // back otherwise (a store failure included).
  template <typename Checks, typename Body>
  StoreStatus RunWrite(const Actor& actor, Checks&& checks, Body&& body);
  template <typename Body>
  StoreStatus RunWrite(const Actor& actor, Body&& body);
  // RunWrite() on the one item `path` names: `resolve` finds it inside the
  // transaction, then `body(link)` runs.
  template <typename Body>
  StoreStatus RunWriteOn(const Actor& actor, std::string_view path, Resolver resolve, Body&& body);

  platform::Mutex mutex_;
  // Used only inside Guarded's bodies. Not marked QORV_PT_GUARDED_BY: the
  // bodies are lambdas, which the analysis checks as functions of their own
  // that do not hold the lock.
  std::unique_ptr<DatabaseImpl> impl_;

  // The database file, for opening readers (empty: reads use the writer).
  std::filesystem::path file_;
  std::atomic<bool> stopping_{false};
  platform::Mutex readers_mutex_;
  platform::ConditionVariable reader_returned_;
  // Reader connections open now, in use or idle; never more than
  // kMaxReaders.
  size_t open_readers_ QORV_GUARDED_BY(readers_mutex_) = 0;
  std::vector<std::unique_ptr<DatabaseImpl>> idle_readers_ QORV_GUARDED_BY(readers_mutex_);
};

}  // namespace qorv::server

#endif  // QORV_SERVER_DATABASE_H_
