// Values the store hands to the command handlers.
#ifndef QORV_SERVER_STORE_RECORDS_H_
#define QORV_SERVER_STORE_RECORDS_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/body_source.h"
#include "server/content_digest.h"
#include "server/line_endings.h"
#include "server/ole_time.h"
#include "server/server_status.h"

namespace qorv::server {

using UserKey = std::array<uint8_t, 16>;

// The user a session runs as; every query and change is made as one.
struct Actor {
  int64_t user_id = 0;
  std::string name;
  bool read_only = false;
};

struct UserRecord {
  Actor actor;
  bool must_change_password = false;
  // The 16-byte Blowfish user key; none means the zero key.
  std::optional<UserKey> user_key;
};

struct NewUser {
  std::string name;
  std::string password;
  std::optional<UserKey> user_key;
  bool read_only = false;
  bool must_change_password = false;
};

// A point in time of the database (docs/protocol.md 2.7).
struct PointInTime {
  enum class Kind { kNow, kProjectVersion, kDate };
  Kind kind = Kind::kNow;
  int32_t project_version = 0;
  OleMs date = 0;

  static PointInTime Now() { return {}; }
  static PointInTime AtProjectVersion(int32_t v) { return {Kind::kProjectVersion, v, 0}; }
  static PointInTime AtDate(OleMs d) { return {Kind::kDate, 0, d}; }
};

// One version of one file, as much as a reply or a transfer needs.
struct VersionInfo {
  int64_t record_id = 0;  // names the body in transfer names
  int32_t version = 0;
  OleMs checkin_time = 0;
  OleMs modification_time = 0;
  std::string user;
  std::string comment;
  bool is_text = false;
  bool content_kept = true;  // false once dropped under store-only-latest
  int64_t stored_size = 0;
  int64_t lf_count = 0;
  std::array<Md5Digest, kEolCount> delivered_md5{};

  int64_t DeliveredSize(Eol eol) const {
    return is_text ? DeliveredTextSize(stored_size, lf_count, eol) : stored_size;
  }
  // Zero bytes when the content is no longer kept.
  Md5Digest Digest(Eol eol) const {
    return content_kept ? delivered_md5[static_cast<int>(eol)] : Md5Digest{};
  }
};

// One record of a project listing (commands 3, 55, 56, 59, 70, 71).
struct ListedItem {
  std::string name;  // relative to the listed project ("B/x.c")
  bool is_project = false;
  // Files: the version shown at the listed point; projects: the project
  // version then, with the time and user of the project's latest change.
  int32_t version = 0;
  OleMs time = 0;
  std::string user;  // files: the user text; projects: latest change's user
  int32_t status = 0;
  int32_t checkout_count = 0;
  bool checked_out_by_actor = false;
  VersionInfo file;  // files only

  int32_t FileType() const {
    return is_project ? 0 : (file.is_text ? kFileTypeText : kFileTypeBinary);
  }
};

struct ListRequest {
  std::string project_path;
  PointInTime point;
  int32_t depth = 0;  // -1 every level, 0 none, n levels
  bool include_files = true;
};

// Command 67, one entry.
struct FileStatusInfo {
  VersionInfo version;
  bool checked_out_by_actor = false;
  int32_t status = 0;
  std::string user_text;
};

// Command 68, one entry.
struct CheckoutState {
  bool exists = false;
  bool checked_out_by_actor = false;
  int32_t version_checked_out = 0;
  int32_t latest_version = 0;
};

// Command 66, one entry.
struct AddCheck {
  bool live_item_exists = false;
  bool deleted_copy_exists = false;
  bool type_excluded = false;
  bool project_exists = false;
};

struct FileGeneralInfo {
  bool is_text = false;
  int32_t version = 0;
  OleMs time = 0;
  int64_t stored_size = 0;
  std::string comment;
};

struct ProjectGeneralInfo {
  int32_t subprojects_live = 0;
  int32_t subprojects_deleted = 0;
  int32_t files_live = 0;
  int32_t files_deleted = 0;
  int32_t version = 0;
  OleMs time = 0;
  std::string comment;
};

struct DeletedItem {
  std::string name;
  bool is_project = false;
};

struct LabelInfo {
  std::string name;
  std::string comment;
  std::string user;
  OleMs time = 0;
  int32_t version = 0;  // of the asked item at the label
  std::string labeled_item;
};

struct HistoryFilter {
  std::string user;  // empty: every user
  OleMs from = 0;    // 0 or less: no bound
  OleMs to = 0;
};

struct HistoryEntry {
  std::string path;
  bool is_project = false;
  int32_t version = 0;
  std::string user;
  OleMs time = 0;
  std::string action;
  std::string label;
  std::string comment;
  std::string label_comment;
  bool pinned = false;           // file history only
  bool inherited_label = false;  // file history only
};

struct FileHistory {
  bool pinned = false;
  std::vector<HistoryEntry> entries;
};

struct UserListEntry {
  std::string name;
  bool read_only = false;
};

// Command 4, one entry: 0 created, 2 existed, 3 failed.
struct CreateProjectResult {
  int32_t result = kCreateResultCreated;
  std::string text = kTextCompleted;
};

// Results of the check-out, undo and check-in changes.
struct CheckoutResult {
  OleMs checkout_time = 0;
  VersionInfo version;
  std::string user_text;
  int32_t status = 0;
};

struct UndoResult {
  OleMs version_time = 0;
  std::string user_text;
  int32_t status = 0;
};

struct CheckinResult {
  int32_t new_version = 0;
  OleMs checkin_time = 0;
  std::string user_text;
  int32_t status = 0;
};

}  // namespace qorv::server

#endif  // QORV_SERVER_STORE_RECORDS_H_
