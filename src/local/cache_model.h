// The in-memory project tree of the local cache: project nodes with their
// sub-projects and file entries, the working folder bound to each project and
// the current project.
//
// Names are matched without regard to ASCII letter case (a byte of a
// multibyte character is never folded). Sub-projects and file entries keep
// the order in which they were added (or read from the file); that is the
// order every listing gives.
//
// Not thread-safe: one operation at a time uses the cache.
#ifndef QORV_LOCAL_CACHE_MODEL_H_
#define QORV_LOCAL_CACHE_MODEL_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "local/cache_date.h"
#include "local/path_forms.h"

namespace qorv {

// One local copy of a file, as the operations record it (the file's
// "map" lines).
struct LocalCopy {
  std::string local_path;  // the key: compared exactly
  int32_t version = 0;     // the version the copy holds
  CacheDate file_time;     // its last-write time when it was recorded

  bool operator==(const LocalCopy&) const = default;
};

// A file entry, its fields in the order of the file's lines. The project
// file list update (src/ops/cache_sync.h) writes name, latest_version_date,
// status, version and user_name, and empties checkout_path for a file that
// nobody has checked out.
struct CacheFileEntry {
  std::string name;
  // The local path the user checked the file out to; empty when the file is
  // not checked out.
  std::string checkout_path;
  // The time of the file's latest version on the server.
  CacheDate latest_version_date;
  // Read and written back unchanged; no operation gives it a meaning yet.
  int32_t spare_integer = 0;
  // The user name the server lists with the file (for a checked-out file,
  // who has it; "..." appended when several users have it checked out).
  std::string user_name;
  int32_t status = 0;   // an Enum_FileStatus value
  int32_t version = 0;  // the version number of the latest version
  // Read and written back unchanged; no operation gives it a meaning yet.
  CacheDate spare_date;
  // Keys are compared exactly (local paths are case-sensitive here).
  std::vector<LocalCopy> local_copies;

  const LocalCopy* FindLocalCopy(std::string_view local_path) const;
  // Adds the copy or updates the one with the same local path.
  void SetLocalCopy(std::string_view local_path, int32_t version, CacheDate file_time);
  bool RemoveLocalCopy(std::string_view local_path);

  bool operator==(const CacheFileEntry&) const = default;
};

// Two marks a caller may keep on a project while the process runs. They are
// never written to the file and survive a reload for projects that still
// exist.
struct NodeMarks {
  bool first = false;
  bool second = false;

  bool any() const { return first || second; }
};

// A name a node or file entry can have: not empty, without "/" and without a
// line break (the cache file is line-based).
bool IsValidCacheName(std::string_view name);

class CacheModel;

class CacheNode {
 public:
  explicit CacheNode(std::string name, CacheNode* parent = nullptr)
      : name_(std::move(name)), parent_(parent) {}
  CacheNode(const CacheNode&) = delete;
  CacheNode& operator=(const CacheNode&) = delete;

  const std::string& name() const { return name_; }
  CacheNode* parent() const { return parent_; }
  bool cloaked() const { return cloaked_; }
  void set_cloaked(bool cloaked) { cloaked_ = cloaked; }
  NodeMarks& marks() { return marks_; }
  const NodeMarks& marks() const { return marks_; }

  // Sub-projects, in iteration order.
  size_t sub_project_count() const { return sub_projects_.size(); }
  CacheNode& sub_project(size_t index) { return *sub_projects_[index]; }
  const CacheNode& sub_project(size_t index) const { return *sub_projects_[index]; }
  std::vector<std::string> SubProjectNames() const;
  CacheNode* FindSubProject(std::string_view name) const;
  // The sub-project of that name, added when missing; null for an invalid
  // name.
  CacheNode* AddSubProject(std::string_view name);

  // File entries, in iteration order.
  const std::vector<CacheFileEntry>& files() const { return files_; }
  std::vector<std::string> FileNames() const;
  CacheFileEntry* FindFile(std::string_view name);
  const CacheFileEntry* FindFile(std::string_view name) const;
  // Adds the entry, or replaces the one with the same name (keeping its
  // place). Null for an invalid name.
  CacheFileEntry* PutFile(CacheFileEntry entry);
  bool RemoveFile(std::string_view name);
  // Keeps only the entries for which `keep` is true; returns how many went.
  size_t RetainFiles(const std::function<bool(const CacheFileEntry&)>& keep);

 private:
  friend class CacheModel;

  std::unique_ptr<CacheNode> TakeSubProject(std::string_view name);
  void AttachSubProject(std::unique_ptr<CacheNode> node);
  void RebuildSubProjectIndex();
  void RebuildFileIndex();

  std::string name_;
  CacheNode* parent_;
  bool cloaked_ = false;
  NodeMarks marks_;
  std::vector<std::unique_ptr<CacheNode>> sub_projects_;
  std::unordered_map<std::string, size_t> sub_project_index_;  // upper-cased name -> position
  std::vector<CacheFileEntry> files_;
  std::unordered_map<std::string, size_t> file_index_;  // upper-cased name -> position
};

class CacheModel {
 public:
  CacheModel();
  CacheModel(const CacheModel&) = delete;
  CacheModel& operator=(const CacheModel&) = delete;

  // Back to the root node alone, no working folders, current project "$/".
  void Clear();

  CacheNode& root() { return *root_; }
  const CacheNode& root() const { return *root_; }

  const std::string& current_project() const { return current_project_; }
  void set_current_project(std::string project) { current_project_ = std::move(project); }

  // ---- Projects (paths "$/A/B"; a trailing "/" is ignored) ----------------
  // The node of `path`, or null. Remembers the last node found.
  CacheNode* FindProject(std::string_view path);
  // The node of `path`, creating the missing nodes on the way; null when the
  // path does not start with "$/" or a name in it is not valid.
  CacheNode* EnsureProject(std::string_view path);
  // The leaf names of the project's sub-projects; empty when it is unknown.
  std::vector<std::string> SubProjectNames(std::string_view path);
  // Removes a sub-project with its whole sub-tree (working folders are kept).
  bool RemoveSubProject(CacheNode& parent, std::string_view name);
  // Keeps only the sub-projects for which `keep` is true, each removed one
  // with its sub-tree; returns how many went.
  size_t RetainSubProjects(CacheNode& parent, const std::function<bool(const CacheNode&)>& keep);
  // Deletes a project with its whole sub-tree and the working folders of it
  // and every project below it. The root cannot be deleted.
  bool DeleteProject(std::string_view path);
  // Renames or moves a project: the node takes the new leaf name under the
  // new parent (created when missing), and every working-folder key of it and
  // below it is re-keyed to the new path. A node already at the new path is
  // replaced. False when the old project is unknown or the root, the new path
  // is invalid, or it lies below the old one.
  bool RenameProject(std::string_view old_path, std::string_view new_path);

  // ---- File entries by full server path ("$/A/x.c") -----------------------
  CacheFileEntry* FindFile(std::string_view file_path);
  // Adds or replaces the entry named by the path's last part in its project,
  // creating the project's nodes when missing; the entry's name is taken
  // from the path. Null when the path is invalid.
  CacheFileEntry* PutFile(std::string_view file_path, CacheFileEntry entry);
  bool RemoveFile(std::string_view file_path);

  // ---- Working folders -----------------------------------------------------
  // Binds a local folder to a project; an empty folder removes the binding.
  void SetWorkingFolder(std::string_view project, std::string folder);
  // The project's own working folder, empty when it has none.
  std::string WorkingFolder(std::string_view project) const;
  // Upper-cased project path -> local folder.
  const std::map<std::string, std::string>& working_folders() const { return working_folders_; }
  // The project's own working folder when it has one; otherwise the nearest
  // ancestor's folder joined with the rest of the path below that ancestor
  // (each name checked as a server-sent name; see CheckServerSentName). The
  // path is empty when no ancestor up to "$/" has a folder.
  LocalPathResult WorkingFolderOf(std::string_view project) const;

  // The upper-cased key of a project path, without trailing "/"s (the root
  // stays "$/").
  static std::string ProjectKey(std::string_view path);

 private:
  void ForgetMemo();

  std::unique_ptr<CacheNode> root_;
  std::string current_project_;
  std::map<std::string, std::string> working_folders_;
  // One-entry memo of FindProject(): the key and node of the last hit.
  std::string memo_key_;
  CacheNode* memo_node_ = nullptr;
};

}  // namespace qorv

#endif  // QORV_LOCAL_CACHE_MODEL_H_
