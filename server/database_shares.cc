// Database: shares, branches and pins.
#include <algorithm>

#include "server/database_impl.h"

namespace qorv::server {
namespace {

// Adds a link of a live file to a project, branching it when asked. Returns
// the link's path.
std::string LinkFileInto(DatabaseImpl& impl, const ChangeInfo& change, const LinkRow& file,
                         const std::string& file_path, int64_t project, bool branch,
                         std::string_view comment) {
  LinkRow added;
  added.row = impl.InsertLink(change, file.item, project, file.name);
  added.key = added.row;
  added.item = file.item;
  added.parent = project;
  added.name = file.name;
  added.is_project = false;
  std::string path = impl.LinkPath(added);
  HistoryRecord record;
  record.subject = file.item;
  record.path = path;
  record.file_version = impl.LatestVersionNumber(file.item);
  record.action = FormatText(kFormatActionShared, {file_path});
  record.comment = std::string(comment);
  impl.AddProjectRecord(change, project, record);
  if (branch) impl.BranchLink(change, added, comment);
  return path;
}

// Creates a project named like `source` under `target` holding links to the
// source's live files and, when recursive, shares of its sub-projects.
void ShareProjectInto(DatabaseImpl& impl, const ChangeInfo& change, int64_t source,
                      const std::string& source_path, int64_t target, std::string_view name,
                      bool branch, bool recursive, std::string_view comment) {
  std::string path = impl.ProjectPath(target);
  if (path.back() != '/') path.push_back('/');
  path.append(name);
  int64_t project = impl.InsertItem(change, true, comment, false, false);
  impl.InsertLink(change, project, target, name);
  HistoryRecord record;
  record.subject = project;
  record.subject_is_project = true;
  record.path = path;
  record.comment = std::string(comment);
  record.action = FormatText(kFormatActionShared, {source_path});
  impl.AddProjectRecord(change, target, record);
  record.action = kActionCreated;
  impl.AddProjectRecord(change, project, record);

  std::vector<LinkRow> children = impl.Children(source, kNowSeq, false);
  std::sort(children.begin(), children.end(),
            [](const LinkRow& a, const LinkRow& b) { return LessNoCase(a.name, b.name); });
  for (const LinkRow& child : children) {
    std::string child_path = impl.LinkPath(child);
    if (!child.is_project) {
      LinkFileInto(impl, change, child, child_path, project, branch, comment);
    } else if (recursive) {
      ShareProjectInto(impl, change, child.item, child_path, project, child.name, branch, recursive,
                       comment);
    }
  }
}

}  // namespace

StoreStatus Database::ShareFile(const Actor& actor, std::string_view target_project,
                                std::string_view file_path, bool branch, std::string_view comment) {
  return RunWriteOn(actor, target_project, &DatabaseImpl::ResolveProject, [&](const Link& target) {
    Link file;
    StoreStatus status = impl_->ResolveFile(file_path, &file);
    if (!status.ok()) return status;
    if (impl_->LiveChildNamed(target.item, file.name)) {
      return MakeStatus(kStatusNameInUse, kFormatNameInUse, file.name);
    }
    Change change = impl_->BeginChange(actor);
    LinkFileInto(*impl_, change, file, impl_->LinkPath(file), target.item, branch, comment);
    impl_->Step("share-file:linked");
    return StoreStatus::Ok();
  });
}

StoreStatus Database::ShareProject(const Actor& actor, std::string_view target_project,
                                   std::string_view project_path, bool branch, bool recursive,
                                   std::string_view comment) {
  return RunWriteOn(actor, target_project, &DatabaseImpl::ResolveProject, [&](const Link& target) {
    Link source;
    StoreStatus status = impl_->ResolveProject(project_path, &source);
    if (!status.ok()) return status;
    // A recursive share under itself would copy its own copy without end.
    if (recursive && impl_->IsAtOrBelow(target.item, source.item)) {
      return StoreStatus{kStatusUnderItself, kTextUnderItself};
    }
    if (source.IsRoot()) return MakeStatus(kStatusInvalidName, kFormatInvalidName, "$");
    if (impl_->LiveChildNamed(target.item, source.name)) {
      return MakeStatus(kStatusNameInUse, kFormatNameInUse, source.name);
    }
    Change change = impl_->BeginChange(actor);
    ShareProjectInto(*impl_, change, source.item, impl_->LinkPath(source), target.item, source.name,
                     branch, recursive, comment);
    impl_->Step("share-project:linked");
    return StoreStatus::Ok();
  });
}

StoreStatus Database::PinFile(const Actor& actor, std::string_view path, int32_t version,
                              OleMs* time) {
  *time = 0;
  return RunWriteOn(actor, path, &DatabaseImpl::ResolveFile, [&](const Link& link) {
    if (!impl_->Checkouts(link.item).empty()) {
      return MakeStatus(kStatusHasCheckouts, kFormatFileCheckedOut, path);
    }
    int32_t pinned = version == 0 ? impl_->LatestVersionNumber(link.item) : version;
    std::optional<VersionInfo> info;
    if (pinned > 0) info = impl_->LoadVersion(link.item, pinned);
    if (!info) return MakeStatus(kStatusNoSuchVersion, kFormatNoSuchVersion, pinned, path);
    Change change = impl_->BeginChange(actor);
    Link successor = link;
    successor.pin = pinned;
    impl_->ReplaceLink(change, link, successor);
    impl_->Step("pin:link-changed");
    HistoryRecord record;
    record.subject = link.item;
    record.path = impl_->LinkPath(link);
    record.file_version = pinned;
    record.action = FormatText(kFormatActionPinned, {}, {pinned});
    impl_->AddProjectRecord(change, link.parent, record);
    *time = info->checkin_time;
    return StoreStatus::Ok();
  });
}

StoreStatus Database::UnpinFile(const Actor& actor, std::string_view path, OleMs* time,
                                int32_t* version) {
  *time = 0;
  *version = 0;
  return RunWriteOn(actor, path, &DatabaseImpl::ResolveFile, [&](const Link& link) {
    if (!link.pin) return MakeStatus(kStatusNotPinned, kFormatNotPinned, path);
    std::optional<VersionInfo> latest =
        impl_->LoadVersion(link.item, impl_->LatestVersionNumber(link.item));
    if (!latest) throw StoreFailure("a file has no version record");
    Change change = impl_->BeginChange(actor);
    Link successor = link;
    successor.pin.reset();
    impl_->ReplaceLink(change, link, successor);
    impl_->Step("unpin:link-changed");
    HistoryRecord record;
    record.subject = link.item;
    record.path = impl_->LinkPath(link);
    record.file_version = latest->version;
    record.action = kActionUnpinned;
    impl_->AddProjectRecord(change, link.parent, record);
    *time = latest->checkin_time;
    *version = latest->version;
    return StoreStatus::Ok();
  });
}

StoreStatus Database::BranchItem(const Actor& actor, std::string_view path,
                                 std::string_view comment, OleMs* time, int32_t* version) {
  *time = 0;
  *version = 0;
  return RunWriteOn(actor, path, &DatabaseImpl::ResolveItem, [&](const Link& link) {
    if (!link.is_project) {
      if (!impl_->IsShared(link.item)) {
        return MakeStatus(kStatusNotShared, kFormatNotShared, path);
      }
      Change change = impl_->BeginChange(actor);
      int64_t file = impl_->BranchLink(change, link, comment);
      *time = change.time;
      *version = impl_->LatestVersionNumber(file);
      return StoreStatus::Ok();
    }
    // A project: every shared file below it. Branching one link can leave
    // its former partner unshared, so each file is looked at in turn.
    std::vector<Link> files = impl_->LiveFilesBelow(link.item);
    bool any_shared = std::any_of(files.begin(), files.end(),
                                  [&](const Link& file) { return impl_->IsShared(file.item); });
    if (!any_shared) {
      *time = impl_->Now();
      *version = impl_->ProjectVersionAt(link.item);
      return StoreStatus::Ok();
    }
    Change change = impl_->BeginChange(actor);
    for (const Link& file : files) {
      if (!impl_->IsShared(file.item)) continue;
      impl_->BranchLink(change, file, comment);
    }
    *time = change.time;
    *version = impl_->ProjectVersionAt(link.item);
    return StoreStatus::Ok();
  });
}

}  // namespace qorv::server
