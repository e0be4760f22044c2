#include "local/cache_model.h"

#include <algorithm>

#include "platform/com/ascii_case.h"

namespace qorv {
namespace {

// The names of a project path below the root, or false when the path does not
// start with "$/" (or is "$") or holds an invalid name.
bool ProjectNames(std::string_view path, std::vector<std::string_view>* names) {
  names->clear();
  if (path == "$") return true;
  if (!path.starts_with(kServerRoot)) return false;
  std::string_view rest = path.substr(2);
  if (!rest.empty() && rest.back() == kServerSeparator) rest.remove_suffix(1);
  while (!rest.empty()) {
    size_t slash = rest.find(kServerSeparator);
    std::string_view name = rest.substr(0, slash);
    if (!IsValidCacheName(name)) return false;
    names->push_back(name);
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
    if (rest.empty()) return false;  // "$/A//" and the like
  }
  return true;
}

// The project path without trailing "/"s (the root stays "$/"). Every one
// goes, so that trimming a key again changes nothing: a working-folder key
// read from the cache file then stays the same through every save.
std::string_view TrimProject(std::string_view path) {
  if (path == "$") return kServerRoot;
  while (path.size() > 2 && path.back() == kServerSeparator) path.remove_suffix(1);
  return path;
}

}  // namespace

bool IsValidCacheName(std::string_view name) {
  return !name.empty() && name.find_first_of("/\r\n") == std::string_view::npos;
}

// ---- LocalCopy / CacheFileEntry ----------------------------------------------

const LocalCopy* CacheFileEntry::FindLocalCopy(std::string_view local_path) const {
  for (const LocalCopy& copy : local_copies) {
    if (copy.local_path == local_path) return &copy;
  }
  return nullptr;
}

void CacheFileEntry::SetLocalCopy(std::string_view local_path, int32_t version,
                                  CacheDate file_time) {
  for (LocalCopy& copy : local_copies) {
    if (copy.local_path == local_path) {
      copy.version = version;
      copy.file_time = file_time;
      return;
    }
  }
  local_copies.push_back(LocalCopy{std::string(local_path), version, file_time});
}

bool CacheFileEntry::RemoveLocalCopy(std::string_view local_path) {
  auto found =
      std::find_if(local_copies.begin(), local_copies.end(),
                   [local_path](const LocalCopy& copy) { return copy.local_path == local_path; });
  if (found == local_copies.end()) return false;
  local_copies.erase(found);
  return true;
}

// ---- CacheNode ---------------------------------------------------------------

std::vector<std::string> CacheNode::SubProjectNames() const {
  std::vector<std::string> names;
  names.reserve(sub_projects_.size());
  for (const auto& node : sub_projects_) names.push_back(node->name_);
  return names;
}

CacheNode* CacheNode::FindSubProject(std::string_view name) const {
  auto found = sub_project_index_.find(AsciiUpper(name));
  return found == sub_project_index_.end() ? nullptr : sub_projects_[found->second].get();
}

CacheNode* CacheNode::AddSubProject(std::string_view name) {
  if (!IsValidCacheName(name)) return nullptr;
  if (CacheNode* existing = FindSubProject(name)) return existing;
  AttachSubProject(std::make_unique<CacheNode>(std::string(name), this));
  return sub_projects_.back().get();
}

std::unique_ptr<CacheNode> CacheNode::TakeSubProject(std::string_view name) {
  auto found = sub_project_index_.find(AsciiUpper(name));
  if (found == sub_project_index_.end()) return nullptr;
  size_t position = found->second;
  std::unique_ptr<CacheNode> node = std::move(sub_projects_[position]);
  sub_projects_.erase(sub_projects_.begin() + static_cast<ptrdiff_t>(position));
  RebuildSubProjectIndex();
  node->parent_ = nullptr;
  return node;
}

void CacheNode::AttachSubProject(std::unique_ptr<CacheNode> node) {
  node->parent_ = this;
  sub_project_index_[AsciiUpper(node->name_)] = sub_projects_.size();
  sub_projects_.push_back(std::move(node));
}

void CacheNode::RebuildSubProjectIndex() {
  sub_project_index_.clear();
  for (size_t i = 0; i < sub_projects_.size(); ++i) {
    sub_project_index_[AsciiUpper(sub_projects_[i]->name_)] = i;
  }
}

std::vector<std::string> CacheNode::FileNames() const {
  std::vector<std::string> names;
  names.reserve(files_.size());
  for (const CacheFileEntry& entry : files_) names.push_back(entry.name);
  return names;
}

CacheFileEntry* CacheNode::FindFile(std::string_view name) {
  auto found = file_index_.find(AsciiUpper(name));
  return found == file_index_.end() ? nullptr : &files_[found->second];
}

const CacheFileEntry* CacheNode::FindFile(std::string_view name) const {
  auto found = file_index_.find(AsciiUpper(name));
  return found == file_index_.end() ? nullptr : &files_[found->second];
}

CacheFileEntry* CacheNode::PutFile(CacheFileEntry entry) {
  if (!IsValidCacheName(entry.name)) return nullptr;
  std::string key = AsciiUpper(entry.name);
  auto found = file_index_.find(key);
  if (found != file_index_.end()) {
    files_[found->second] = std::move(entry);
    return &files_[found->second];
  }
  file_index_[key] = files_.size();
  files_.push_back(std::move(entry));
  return &files_.back();
}

bool CacheNode::RemoveFile(std::string_view name) {
  auto found = file_index_.find(AsciiUpper(name));
  if (found == file_index_.end()) return false;
  files_.erase(files_.begin() + static_cast<ptrdiff_t>(found->second));
  RebuildFileIndex();
  return true;
}

size_t CacheNode::RetainFiles(const std::function<bool(const CacheFileEntry&)>& keep) {
  size_t before = files_.size();
  files_.erase(std::remove_if(files_.begin(), files_.end(),
                              [&keep](const CacheFileEntry& entry) { return !keep(entry); }),
               files_.end());
  RebuildFileIndex();
  return before - files_.size();
}

void CacheNode::RebuildFileIndex() {
  file_index_.clear();
  for (size_t i = 0; i < files_.size(); ++i) file_index_[AsciiUpper(files_[i].name)] = i;
}

// ---- CacheModel --------------------------------------------------------------

CacheModel::CacheModel() { Clear(); }

void CacheModel::Clear() {
  ForgetMemo();
  root_ = std::make_unique<CacheNode>(kServerRoot);
  current_project_ = kServerRoot;
  working_folders_.clear();
}

void CacheModel::ForgetMemo() {
  memo_key_.clear();
  memo_node_ = nullptr;
}

std::string CacheModel::ProjectKey(std::string_view path) { return AsciiUpper(TrimProject(path)); }

CacheNode* CacheModel::FindProject(std::string_view path) {
  std::string key = ProjectKey(path);
  if (memo_node_ != nullptr && key == memo_key_) return memo_node_;
  std::vector<std::string_view> names;
  if (!ProjectNames(path, &names)) return nullptr;
  CacheNode* node = root_.get();
  for (std::string_view name : names) {
    node = node->FindSubProject(name);
    if (node == nullptr) return nullptr;
  }
  memo_key_ = std::move(key);
  memo_node_ = node;
  return node;
}

CacheNode* CacheModel::EnsureProject(std::string_view path) {
  if (CacheNode* existing = FindProject(path)) return existing;
  std::vector<std::string_view> names;
  if (!ProjectNames(path, &names)) return nullptr;
  CacheNode* node = root_.get();
  for (std::string_view name : names) node = node->AddSubProject(name);
  return node;
}

std::vector<std::string> CacheModel::SubProjectNames(std::string_view path) {
  CacheNode* node = FindProject(path);
  return node == nullptr ? std::vector<std::string>() : node->SubProjectNames();
}

bool CacheModel::RemoveSubProject(CacheNode& parent, std::string_view name) {
  ForgetMemo();
  return parent.TakeSubProject(name) != nullptr;
}

size_t CacheModel::RetainSubProjects(CacheNode& parent,
                                     const std::function<bool(const CacheNode&)>& keep) {
  ForgetMemo();
  size_t before = parent.sub_projects_.size();
  auto& nodes = parent.sub_projects_;
  nodes.erase(
      std::remove_if(nodes.begin(), nodes.end(),
                     [&keep](const std::unique_ptr<CacheNode>& node) { return !keep(*node); }),
      nodes.end());
  parent.RebuildSubProjectIndex();
  return before - nodes.size();
}

bool CacheModel::DeleteProject(std::string_view path) {
  CacheNode* node = FindProject(path);
  if (node == nullptr || node->parent() == nullptr) return false;
  std::string key = ProjectKey(path);
  RemoveSubProject(*node->parent(), node->name());
  std::string below = key + kServerSeparator;
  for (auto it = working_folders_.begin(); it != working_folders_.end();) {
    if (it->first == key || it->first.starts_with(below)) {
      it = working_folders_.erase(it);
    } else {
      ++it;
    }
  }
  return true;
}

bool CacheModel::RenameProject(std::string_view old_path, std::string_view new_path) {
  CacheNode* node = FindProject(old_path);
  std::vector<std::string_view> new_names;
  if (node == nullptr || node->parent() == nullptr || !ProjectNames(new_path, &new_names) ||
      new_names.empty()) {
    return false;
  }
  std::string old_key = ProjectKey(old_path);
  std::string new_key = ProjectKey(new_path);
  if (new_key.starts_with(old_key + kServerSeparator)) return false;
  std::string new_trimmed(TrimProject(new_path));
  SplitPath target = SplitServerPath(new_trimmed);

  ForgetMemo();
  std::unique_ptr<CacheNode> moving = node->parent()->TakeSubProject(node->name());
  CacheNode* new_parent = EnsureProject(target.parent);
  if (new_parent == nullptr) return false;  // cannot happen: the names were checked
  new_parent->TakeSubProject(target.name);  // a node already there is replaced
  moving->name_ = target.name;
  new_parent->AttachSubProject(std::move(moving));
  ForgetMemo();

  std::map<std::string, std::string> rekeyed;
  std::string below = old_key + kServerSeparator;
  for (auto it = working_folders_.begin(); it != working_folders_.end();) {
    if (it->first == old_key || it->first.starts_with(below)) {
      rekeyed[new_key + it->first.substr(old_key.size())] = std::move(it->second);
      it = working_folders_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& [key, folder] : rekeyed) working_folders_[key] = std::move(folder);
  return true;
}

CacheFileEntry* CacheModel::FindFile(std::string_view file_path) {
  SplitPath split = SplitServerPath(file_path);
  CacheNode* node = FindProject(split.parent);
  return node == nullptr ? nullptr : node->FindFile(split.name);
}

CacheFileEntry* CacheModel::PutFile(std::string_view file_path, CacheFileEntry entry) {
  SplitPath split = SplitServerPath(file_path);
  if (!IsValidCacheName(split.name)) return nullptr;
  CacheNode* node = EnsureProject(split.parent);
  if (node == nullptr) return nullptr;
  entry.name = split.name;
  return node->PutFile(std::move(entry));
}

bool CacheModel::RemoveFile(std::string_view file_path) {
  SplitPath split = SplitServerPath(file_path);
  CacheNode* node = FindProject(split.parent);
  return node != nullptr && node->RemoveFile(split.name);
}

void CacheModel::SetWorkingFolder(std::string_view project, std::string folder) {
  std::string key = ProjectKey(project);
  if (folder.empty()) {
    working_folders_.erase(key);
  } else {
    working_folders_[key] = std::move(folder);
  }
}

std::string CacheModel::WorkingFolder(std::string_view project) const {
  auto found = working_folders_.find(ProjectKey(project));
  return found == working_folders_.end() ? std::string() : found->second;
}

LocalPathResult CacheModel::WorkingFolderOf(std::string_view project) const {
  std::string_view trimmed = TrimProject(project);
  std::string ancestor = ProjectKey(trimmed);
  for (;;) {
    auto found = working_folders_.find(ancestor);
    if (found != working_folders_.end()) {
      std::string_view rest = trimmed.substr(std::min(ancestor.size(), trimmed.size()));
      size_t first = rest.find_first_not_of(kServerSeparator);
      if (first == std::string_view::npos) return LocalPathResult{0, {}, found->second};
      return LocalPathBelow(found->second, rest.substr(first));
    }
    if (ancestor == kServerRoot || ancestor.find(kServerSeparator) == std::string::npos) break;
    ancestor = SplitServerPath(ancestor).parent;
  }
  return LocalPathResult{};
}

}  // namespace qorv
