// Database: changes to the project tree (create, delete, rename, recover,
// move, purge, label, kept versions).
#include "server/database_impl.h"

namespace qorv::server {
namespace {

HistoryRecord AboutLink(DatabaseImpl& impl, const LinkRow& link, const std::string& path,
                        std::string action) {
  HistoryRecord record;
  record.subject = link.item;
  record.subject_is_project = link.is_project;
  record.path = path;
  if (!link.is_project) record.file_version = impl.LatestVersionNumber(link.item);
  record.action = std::move(action);
  return record;
}

// The path of a deleted item to recover or purge: never the root.
StoreStatus ParseDeletedItemPath(std::string_view path, std::optional<ServerPath>* parsed) {
  *parsed = ParseServerPath(path);
  if (!*parsed) return MakeStatus(kStatusInvalidPath, kFormatInvalidPath, path);
  if ((*parsed)->IsRoot()) return MakeStatus(kStatusNoDeletedItem, kFormatNoDeletedItem, path);
  return StoreStatus::Ok();
}

// Refuses to change a checked-out file, or a project holding one.
StoreStatus CheckNoCheckouts(DatabaseImpl& impl, const LinkRow& link, std::string_view path) {
  if (link.is_project) {
    if (impl.HasCheckoutsBelow(link.item)) {
      return MakeStatus(kStatusHasCheckouts, kFormatProjectHasCheckouts, path);
    }
  } else if (!impl.Checkouts(link.item).empty()) {
    return MakeStatus(kStatusHasCheckouts, kFormatFileCheckedOut, path);
  }
  return StoreStatus::Ok();
}

}  // namespace

int64_t DatabaseImpl::CreateProjectItem(const Change& change, int64_t parent, std::string_view name,
                                        const std::string& path, std::string_view comment) {
  int64_t project = InsertItem(change, true, comment, false, false);
  InsertLink(change, project, parent, name);
  HistoryRecord record;
  record.subject = project;
  record.subject_is_project = true;
  record.path = path;
  record.comment = std::string(comment);
  record.action = kActionCreated;
  AddProjectRecord(change, project, record);
  record.action = kActionAdded;
  AddProjectRecord(change, parent, record);
  return project;
}

CreateProjectResult Database::CreateProject(const Actor& actor, std::string_view path,
                                            std::string_view comment) {
  CreateProjectResult result;
  std::optional<ServerPath> parsed;
  auto checks = [&] {
    parsed = ParseServerPath(path);
    if (!parsed) return MakeStatus(kStatusInvalidPath, kFormatInvalidPath, path);
    return StoreStatus::Ok();
  };
  StoreStatus status = RunWrite(actor, checks, [&] {
    if (parsed->IsRoot()) {
      result = {kCreateResultExists, FormatText(kFormatProjectExists, {parsed->ToString()})};
      return StoreStatus::Ok();
    }
    std::optional<Link> parent = impl_->Resolve(parsed->Parent());
    if (!parent || !parent->is_project) {
      return MakeStatus(kStatusProjectNotFound, kFormatProjectNotFound,
                        parsed->Parent().ToString());
    }
    if (std::optional<Link> existing = impl_->LiveChildNamed(parent->item, parsed->Leaf())) {
      if (!existing->is_project) return MakeStatus(kStatusNameInUse, kFormatNameInUse, path);
      result = {kCreateResultExists, FormatText(kFormatProjectExists, {path})};
      return StoreStatus::Ok();
    }
    Change change = impl_->BeginChange(actor);
    impl_->CreateProjectItem(change, parent->item, parsed->Leaf(), parsed->ToString(), comment);
    impl_->Step("create-project:recorded");
    return StoreStatus::Ok();
  });
  if (!status.ok()) result = {kCreateResultFailed, status.text};
  return result;
}

StoreStatus Database::DeleteItem(const Actor& actor, std::string_view path, bool destroy) {
  return RunWriteOn(actor, path, &DatabaseImpl::ResolveItem, [&](const Link& link) {
    if (link.IsRoot()) return StoreStatus{kStatusRootUnchangeable, kTextRootUnchangeable};
    StoreStatus status = CheckNoCheckouts(*impl_, link, path);
    if (!status.ok()) return status;
    Change change = impl_->BeginChange(actor);
    HistoryRecord record =
        AboutLink(*impl_, link, impl_->LinkPath(link), destroy ? kActionDestroyed : kActionDeleted);
    if (destroy) {
      impl_->RemoveLogicalLink(link.key);
    } else {
      Link successor = link;
      successor.deleted = true;
      impl_->ReplaceLink(change, link, successor);
    }
    impl_->Step("delete:link-changed");
    impl_->AddProjectRecord(change, link.parent, record);
    return StoreStatus::Ok();
  });
}

StoreStatus Database::RenameItem(const Actor& actor, std::string_view path,
                                 std::string_view new_name) {
  return RunWriteOn(actor, path, &DatabaseImpl::ResolveItem, [&](const Link& link) {
    if (link.IsRoot()) return StoreStatus{kStatusRootUnchangeable, kTextRootUnchangeable};
    if (!IsValidItemName(new_name)) {
      return MakeStatus(kStatusInvalidName, kFormatInvalidName, new_name);
    }
    if (!link.is_project) {
      StoreStatus status = CheckNoCheckouts(*impl_, link, path);
      if (!status.ok()) return status;
    }
    std::optional<Link> other = impl_->LiveChildNamed(link.parent, new_name);
    if (other && other->row != link.row) {
      return MakeStatus(kStatusNameInUse, kFormatNameInUse, new_name);
    }
    if (link.name == new_name) return StoreStatus::Ok();
    Change change = impl_->BeginChange(actor);
    std::string old_name = link.name;
    Link successor = link;
    successor.name = std::string(new_name);
    impl_->ReplaceLink(change, link, successor);
    impl_->Step("rename:link-changed");
    impl_->AddProjectRecord(change, link.parent,
                            AboutLink(*impl_, successor, impl_->LinkPath(successor),
                                      FormatText(kFormatActionRenamed, {old_name})));
    return StoreStatus::Ok();
  });
}

StoreStatus Database::RecoverItem(const Actor& actor, std::string_view path, OleMs* time) {
  *time = 0;
  std::optional<ServerPath> parsed;
  auto checks = [&] { return ParseDeletedItemPath(path, &parsed); };
  return RunWrite(actor, checks, [&] {
    std::optional<Link> parent = impl_->Resolve(parsed->Parent());
    if (!parent || !parent->is_project) {
      return MakeStatus(kStatusProjectNotFound, kFormatProjectNotFound,
                        parsed->Parent().ToString());
    }
    std::vector<Link> deleted = impl_->DeletedChildrenNamed(parent->item, parsed->Leaf());
    if (deleted.empty()) return MakeStatus(kStatusNoDeletedItem, kFormatNoDeletedItem, path);
    if (impl_->LiveChildNamed(parent->item, parsed->Leaf())) {
      return MakeStatus(kStatusNameInUse, kFormatNameInUse, path);
    }
    Change change = impl_->BeginChange(actor);
    const Link& latest = deleted.front();
    Link successor = latest;
    successor.deleted = false;
    impl_->ReplaceLink(change, latest, successor);
    impl_->Step("recover:link-changed");
    impl_->AddProjectRecord(
        change, parent->item,
        AboutLink(*impl_, successor, impl_->LinkPath(successor), kActionRecovered));
    *time = change.time;
    return StoreStatus::Ok();
  });
}

StoreStatus Database::MoveItem(const Actor& actor, std::string_view path,
                               std::string_view target_project) {
  return RunWriteOn(actor, path, &DatabaseImpl::ResolveItem, [&](const Link& link) {
    if (link.IsRoot()) return StoreStatus{kStatusRootUnchangeable, kTextRootUnchangeable};
    Link target;
    StoreStatus status = impl_->ResolveProject(target_project, &target);
    if (!status.ok()) return status;
    if (link.is_project && impl_->IsAtOrBelow(target.item, link.item)) {
      return StoreStatus{kStatusUnderItself, kTextUnderItself};
    }
    status = CheckNoCheckouts(*impl_, link, path);
    if (!status.ok()) return status;
    if (target.item == link.parent) return StoreStatus::Ok();
    if (impl_->LiveChildNamed(target.item, link.name)) {
      return MakeStatus(kStatusNameInUse, kFormatNameInUse, link.name);
    }
    Change change = impl_->BeginChange(actor);
    std::string old_path = impl_->LinkPath(link);
    std::string old_parent_path = impl_->ProjectPath(link.parent);
    std::string target_path = impl_->ProjectPath(target.item);
    Link successor = link;
    successor.parent = target.item;
    impl_->ReplaceLink(change, link, successor);
    impl_->Step("move:link-changed");
    impl_->AddProjectRecord(
        change, link.parent,
        AboutLink(*impl_, link, old_path, FormatText(kFormatActionMovedTo, {target_path})));
    impl_->AddProjectRecord(change, target.item,
                            AboutLink(*impl_, successor, impl_->LinkPath(successor),
                                      FormatText(kFormatActionMovedFrom, {old_parent_path})));
    return StoreStatus::Ok();
  });
}

StoreStatus Database::PurgeItem(const Actor& actor, std::string_view path) {
  std::optional<ServerPath> parsed;
  auto checks = [&] { return ParseDeletedItemPath(path, &parsed); };
  return RunWrite(actor, checks, [&] {
    std::optional<Link> parent = impl_->Resolve(parsed->Parent());
    if (!parent || !parent->is_project) {
      return MakeStatus(kStatusProjectNotFound, kFormatProjectNotFound,
                        parsed->Parent().ToString());
    }
    std::vector<Link> deleted = impl_->DeletedChildrenNamed(parent->item, parsed->Leaf());
    if (deleted.empty()) return MakeStatus(kStatusNoDeletedItem, kFormatNoDeletedItem, path);
    Change change = impl_->BeginChange(actor);
    for (const Link& item : deleted) {
      HistoryRecord record = AboutLink(*impl_, item, impl_->LinkPath(item), kActionPurged);
      impl_->RemoveLogicalLink(item.key);
      impl_->Step("purge:link-removed");
      impl_->AddProjectRecord(change, parent->item, record);
    }
    return StoreStatus::Ok();
  });
}

StoreStatus Database::LabelItem(const Actor& actor, std::string_view path, std::string_view label,
                                std::string_view comment, OleMs* time) {
  *time = 0;
  auto checks = [&] {
    if (!IsValidLabelName(label)) return StoreStatus{kStatusInvalidLabel, kTextInvalidLabel};
    return StoreStatus::Ok();
  };
  return RunWrite(actor, checks, [&] {
    Link link;
    StoreStatus status = impl_->ResolveItem(path, &link);
    if (!status.ok()) return status;
    Change change = impl_->BeginChange(actor);
    SqliteDb& db = impl_->db();
    // A name the item already carries moves to this point.
    db.Prepare("DELETE FROM labels WHERE item_id = ? AND name = ? COLLATE NOCASE")
        .Bind(1, link.item)
        .Bind(2, label)
        .Run();
    db.Prepare(
          "INSERT INTO labels(item_id, name, comment, user_name, seq, time_ms) "
          "VALUES(?, ?, ?, ?, ?, ?)")
        .Bind(1, link.item)
        .Bind(2, label)
        .Bind(3, comment)
        .Bind(4, change.user)
        .Bind(5, change.seq)
        .Bind(6, change.time)
        .Run();
    impl_->Step("label:stored");
    HistoryRecord record = AboutLink(*impl_, link, impl_->LinkPath(link), kActionLabeled);
    record.label = std::string(label);
    record.label_comment = std::string(comment);
    if (link.is_project) {
      impl_->AddProjectRecord(change, link.item, record);
    } else {
      impl_->AddFileRecord(change, link.item, record);
    }
    *time = change.time;
    return StoreStatus::Ok();
  });
}

StoreStatus Database::SetLatestOnly(const Actor& actor, std::string_view path, bool latest_only) {
  return RunWriteOn(actor, path, &DatabaseImpl::ResolveFile, [&](const Link& link) {
    Change change = impl_->BeginChange(actor);
    impl_->db()
        .Prepare("UPDATE items SET latest_only = ? WHERE id = ?")
        .Bind(1, latest_only ? 1 : 0)
        .Bind(2, link.item)
        .Run();
    if (latest_only) impl_->DropOlderContent(link.item);
    impl_->Step("latest-only:stored");
    impl_->AddFileRecord(change, link.item,
                         AboutLink(*impl_, link, impl_->LinkPath(link),
                                   latest_only ? kActionLatestOnly : kActionAllVersions));
    return StoreStatus::Ok();
  });
}

}  // namespace qorv::server
