// Database: importing a local folder as a project (administration).
#include <algorithm>
#include <chrono>

#include "server/database_impl.h"

namespace qorv::server {
namespace {

namespace fs = std::filesystem;

OleMs FileTimeOf(const fs::path& file) {
  fs::file_time_type written = fs::last_write_time(file);
  auto system = std::chrono::file_clock::to_sys(written);
  int64_t unix_ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(system.time_since_epoch()).count();
  return LocalOleFromUnixMs(unix_ms);
}

std::string ChildPath(const std::string& project, std::string_view name) {
  std::string path = project;
  if (path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

// The live project `name` under `parent`, created when missing.
StoreStatus EnsureProject(DatabaseImpl& impl, const ChangeInfo& change, int64_t parent,
                          const std::string& name, const std::string& path,
                          std::string_view comment, int64_t* project) {
  if (std::optional<LinkRow> existing = impl.LiveChildNamed(parent, name)) {
    if (!existing->is_project) return MakeStatus(kStatusNameInUse, kFormatNameInUse, path);
    *project = existing->item;
    return StoreStatus::Ok();
  }
  *project = impl.CreateProjectItem(change, parent, name, path, comment);
  return StoreStatus::Ok();
}

StoreStatus ImportInto(DatabaseImpl& impl, const ChangeInfo& change, const fs::path& folder,
                       int64_t project, const std::string& project_path, std::string_view comment) {
  std::vector<fs::directory_entry> entries(fs::directory_iterator(folder), {});
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return LessNoCase(a.path().filename().string(), b.path().filename().string());
  });
  for (const fs::directory_entry& entry : entries) {
    // Links are not followed: an import takes only what lies in the folder.
    if (entry.is_symlink()) continue;
    std::string name = entry.path().filename().string();
    if (!IsValidItemName(name)) return MakeStatus(kStatusInvalidName, kFormatInvalidName, name);
    std::string path = ChildPath(project_path, name);
    if (entry.is_directory()) {
      int64_t sub = 0;
      StoreStatus status = EnsureProject(impl, change, project, name, path, comment, &sub);
      if (!status.ok()) return status;
      status = ImportInto(impl, change, entry.path(), sub, path, comment);
      if (!status.ok()) return status;
    } else if (entry.is_regular_file()) {
      if (impl.LiveChildNamed(project, name)) {
        return MakeStatus(kStatusNameInUse, kFormatNameInUse, path);
      }
      // Two passes over the local file: the type first, then the content.
      FileBodySource source(entry.path().string());
      const bool is_text = DatabaseImpl::DetectText(source);
      const StoredContent content = impl.StoreContentFrom(source, is_text);
      impl.CreateFileItem(change, project, name, path, content, FileTimeOf(entry.path()), false,
                          comment);
      impl.Step("import:file-added");
    }
  }
  return StoreStatus::Ok();
}

}  // namespace

StoreStatus Database::ImportFolder(const Actor& actor, const std::filesystem::path& folder,
                                   std::string_view project_path, std::string_view comment) {
  std::optional<ServerPath> parsed;
  auto checks = [&] {
    parsed = ParseServerPath(project_path);
    if (!parsed) return MakeStatus(kStatusInvalidPath, kFormatInvalidPath, project_path);
    if (!fs::is_directory(folder)) {
      return MakeStatus(kStatusStoreError, kFormatStoreError, folder.string() + " is no folder");
    }
    return StoreStatus::Ok();
  };
  return RunWrite(actor, checks, [&] {
    Change change = impl_->BeginChange(actor);
    int64_t project = kRootId;
    ServerPath walked;
    StoreStatus status;
    for (const std::string& name : parsed->names) {
      walked = walked.Child(name);
      status = EnsureProject(*impl_, change, project, name, walked.ToString(), comment, &project);
      if (!status.ok()) return status;
    }
    return ImportInto(*impl_, change, folder, project, parsed->ToString(), comment);
  });
}

}  // namespace qorv::server
