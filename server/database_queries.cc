// Database: queries (listings, information, labels, history, status) and the
// resolution of bodies to deliver.
#include <algorithm>
#include <set>
#include <tuple>

#include "server/database_impl.h"

namespace qorv::server {
namespace {

bool NameLess(const LinkRow& a, const LinkRow& b) { return LessNoCase(a.name, b.name); }

}  // namespace

// ---- Listings -------------------------------------------------------------

ListedItem DatabaseImpl::DescribeProject(int64_t project, int64_t at, const std::string& name) {
  ListedItem item;
  item.name = name;
  item.is_project = true;
  item.version = ProjectVersionAt(project, at);
  LatestProjectChange(project, at, &item.time, &item.user);
  return item;
}

ListedItem DatabaseImpl::DescribeFile(const Actor& actor, const Link& link, int64_t at,
                                      const std::string& name) {
  ListedItem item;
  item.name = name;
  item.is_project = false;
  std::optional<VersionInfo> shown = LoadVersion(link.item, ShownVersion(link, at));
  if (!shown) throw StoreFailure("a listed file has no version record");
  item.file = std::move(*shown);
  item.version = item.file.version;
  item.time = item.file.checkin_time;
  std::vector<CheckoutRow> checkouts = Checkouts(link.item);
  item.checkout_count = static_cast<int32_t>(checkouts.size());
  item.checked_out_by_actor =
      std::any_of(checkouts.begin(), checkouts.end(),
                  [&](const CheckoutRow& row) { return row.user_id == actor.user_id; });
  item.status = StatusOf(link, checkouts.size());
  item.user = UserText(checkouts, item.file);
  return item;
}

void DatabaseImpl::ListInto(const Actor& actor, int64_t project, int64_t at, int32_t depth,
                            bool include_files, const std::string& prefix,
                            std::vector<ListedItem>* out) {
  std::vector<Link> projects;
  std::vector<Link> files;
  for (Link& child : Children(project, at, false)) {
    (child.is_project ? projects : files).push_back(std::move(child));
  }
  std::sort(projects.begin(), projects.end(), NameLess);
  std::sort(files.begin(), files.end(), NameLess);
  for (const Link& sub : projects) {
    out->push_back(DescribeProject(sub.item, at, prefix + sub.name));
    if (depth != 0) {
      ListInto(actor, sub.item, at, depth < 0 ? -1 : depth - 1, include_files,
               prefix + sub.name + "/", out);
    }
  }
  if (!include_files) return;
  for (const Link& file : files) out->push_back(DescribeFile(actor, file, at, prefix + file.name));
}

StoreStatus Database::List(const Actor& actor, const ListRequest& request,
                           std::vector<ListedItem>* items) {
  return GuardedRead([&](DatabaseImpl& impl) {
    items->clear();
    // One read of the store: a listing runs several statements per item,
    // and each would otherwise take and drop the store's lock.
    SqliteReadTransaction snapshot(impl.db());
    Link project;
    StoreStatus status = impl.ResolveProject(request.project_path, &project);
    if (!status.ok()) return status;
    int64_t at = kNowSeq;
    status = impl.SeqForPoint(project.item, request.project_path, request.point, &at);
    if (!status.ok()) return status;
    impl.ListInto(actor, project.item, at, request.depth, request.include_files, "", items);
    return StoreStatus::Ok();
  });
}

StoreStatus Database::ListChangedSince(const Actor& actor, std::string_view project_path,
                                       bool recursive, OleMs since,
                                       std::vector<ListedItem>* items) {
  return GuardedRead([&](DatabaseImpl& impl) {
    items->clear();
    SqliteReadTransaction snapshot(impl.db());
    Link project;
    StoreStatus status = impl.ResolveProject(project_path, &project);
    if (!status.ok()) return status;
    std::vector<ListedItem> all;
    impl.ListInto(actor, project.item, kNowSeq, recursive ? -1 : 0, true, "", &all);
    for (ListedItem& item : all) {
      if (item.time > since) items->push_back(std::move(item));
    }
    return StoreStatus::Ok();
  });
}

// ---- Information about one item ---------------------------------------------

StoreStatus Database::CheckoutHolders(std::string_view path, std::vector<std::string>* users) {
  return GuardedRead([&](DatabaseImpl& impl) {
    users->clear();
    Link link;
    StoreStatus status = impl.ResolveItem(path, &link);
    if (!status.ok()) return status;
    if (!link.is_project) {
      for (const CheckoutRow& row : impl.Checkouts(link.item)) users->push_back(row.user);
      return StoreStatus::Ok();
    }
    std::vector<std::string> names;
    for (const Link& file : impl.LiveFilesBelow(link.item)) {
      for (const CheckoutRow& row : impl.Checkouts(file.item)) names.push_back(row.user);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
    names.erase(
        std::unique(names.begin(), names.end(),
                    [](const std::string& a, const std::string& b) { return EqualsNoCase(a, b); }),
        names.end());
    *users = std::move(names);
    return StoreStatus::Ok();
  });
}

StoreStatus Database::Labels(std::string_view path, std::vector<LabelInfo>* labels,
                             int32_t* current_version) {
  return GuardedRead([&](DatabaseImpl& impl) {
    labels->clear();
    Link link;
    StoreStatus status = impl.ResolveItem(path, &link);
    if (!status.ok()) return status;
    SqliteDb& db = impl.db();
    // The item applies labels placed at or after its own beginning.
    SqliteStatement first =
        db.Prepare(link.is_project ? "SELECT created_seq FROM items WHERE id = ?"
                                   : "SELECT MIN(seq) FROM versions WHERE file_id = ?");
    first.Bind(1, link.item);
    int64_t born = first.Step() ? first.Int(0) : 0;
    auto version_at = [&](int64_t seq) {
      return link.is_project ? impl.ProjectVersionAt(link.item, seq)
                             : impl.LatestVersionNumber(link.item, seq);
    };
    std::vector<std::pair<int64_t, LabelInfo>> found;
    auto collect = [&](int64_t item, const std::string& item_path) {
      SqliteStatement query = db.Prepare(
          "SELECT name, comment, user_name, time_ms, seq FROM labels WHERE item_id = ? AND "
          "seq >= ?");
      query.Bind(1, item).Bind(2, born);
      while (query.Step()) {
        LabelInfo info{
            query.Text(0), query.Text(1), query.Text(2), query.Int(3), version_at(query.Int(4)),
            item_path};
        found.emplace_back(query.Int(4), std::move(info));
      }
    };
    collect(link.item, impl.LinkPath(link));
    int64_t project = link.is_project ? link.item : link.parent;
    if (!link.is_project) collect(project, impl.ProjectPath(project));
    while (project != kRootId) {
      std::optional<Link> up = impl.CurrentProjectLink(project);
      if (!up) break;
      project = up->parent;
      collect(project, impl.ProjectPath(project));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (auto& entry : found) labels->push_back(std::move(entry.second));
    *current_version = link.is_project ? impl.ProjectVersionAt(link.item) : impl.ShownVersion(link);
    return StoreStatus::Ok();
  });
}

StoreStatus Database::FileLinks(std::string_view path, std::vector<std::string>* links) {
  return GuardedRead([&](DatabaseImpl& impl) {
    links->clear();
    Link link;
    StoreStatus status = impl.ResolveFile(path, &link);
    if (!status.ok()) return status;
    for (const Link& each : impl.LiveLinksOfFile(link.item)) {
      links->push_back(impl.LinkPath(each));
    }
    std::sort(links->begin(), links->end(),
              [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
    return StoreStatus::Ok();
  });
}

StoreStatus Database::FileInfo(std::string_view path, FileGeneralInfo* info) {
  return GuardedRead([&](DatabaseImpl& impl) {
    Link link;
    StoreStatus status = impl.ResolveFile(path, &link);
    if (!status.ok()) return status;
    std::optional<VersionInfo> shown = impl.LoadVersion(link.item, impl.ShownVersion(link));
    if (!shown) throw StoreFailure("a file has no version record");
    *info = FileGeneralInfo{shown->is_text, shown->version, shown->checkin_time, shown->stored_size,
                            shown->comment};
    return StoreStatus::Ok();
  });
}

StoreStatus Database::ProjectInfo(std::string_view path, ProjectGeneralInfo* info) {
  return GuardedRead([&](DatabaseImpl& impl) {
    Link link;
    StoreStatus status = impl.ResolveProject(path, &link);
    if (!status.ok()) return status;
    *info = ProjectGeneralInfo{};
    for (const Link& child : impl.Children(link.item, kNowSeq, false)) {
      ++(child.is_project ? info->subprojects_live : info->files_live);
    }
    for (const Link& child : impl.Children(link.item, kNowSeq, true)) {
      ++(child.is_project ? info->subprojects_deleted : info->files_deleted);
    }
    info->version = impl.ProjectVersionAt(link.item);
    std::string user;
    impl.LatestProjectChange(link.item, kNowSeq, &info->time, &user);
    SqliteStatement comment = impl.db().Prepare("SELECT comment FROM items WHERE id = ?");
    comment.Bind(1, link.item);
    if (comment.Step()) info->comment = comment.Text(0);
    return StoreStatus::Ok();
  });
}

StoreStatus Database::DeletedItems(std::string_view project_path, std::vector<DeletedItem>* items) {
  return GuardedRead([&](DatabaseImpl& impl) {
    items->clear();
    Link link;
    StoreStatus status = impl.ResolveProject(project_path, &link);
    if (!status.ok()) return status;
    std::vector<Link> deleted = impl.Children(link.item, kNowSeq, true);
    // Most recently deleted first: the row opened by the latest deletion has
    // the highest id.
    std::sort(deleted.begin(), deleted.end(),
              [](const Link& a, const Link& b) { return a.row > b.row; });
    for (const Link& child : deleted) items->push_back({child.name, child.is_project});
    return StoreStatus::Ok();
  });
}

// ---- History ----------------------------------------------------------------

namespace {

struct RankedEntry {
  int64_t seq = 0;
  int64_t id = 0;
  HistoryEntry entry;
};

bool PassesFilter(const HistoryEntry& entry, const HistoryFilter& filter) {
  if (!filter.user.empty() && !EqualsNoCase(entry.user, filter.user)) return false;
  if (filter.from > 0 && entry.time < filter.from) return false;
  if (filter.to > 0 && entry.time > filter.to) return false;
  return true;
}

void NewestFirst(std::vector<RankedEntry>* entries) {
  std::stable_sort(entries->begin(), entries->end(), [](const auto& a, const auto& b) {
    return std::tie(a.seq, a.id) > std::tie(b.seq, b.id);
  });
}

constexpr char kSelectHistory[] =
    "SELECT seq, id, path, subject_is_project, project_version, file_version, user_name, "
    "time_ms, action, label, comment, label_comment, subject_id FROM history ";

RankedEntry ReadHistory(const SqliteStatement& row, bool project_record) {
  RankedEntry ranked;
  ranked.seq = row.Int(0);
  ranked.id = row.Int(1);
  HistoryEntry& entry = ranked.entry;
  entry.path = row.Text(2);
  entry.is_project = row.Int(3) != 0;
  std::optional<int64_t> version = row.OptionalInt(project_record ? 4 : 5);
  entry.version = version ? static_cast<int32_t>(*version) : 0;
  entry.user = row.Text(6);
  entry.time = row.Int(7);
  entry.action = row.Text(8);
  entry.label = row.Text(9);
  entry.comment = row.Text(10);
  entry.label_comment = row.Text(11);
  return ranked;
}

}  // namespace

StoreStatus Database::FileHistoryOf(std::string_view path, const HistoryFilter& filter,
                                    FileHistory* history) {
  return GuardedRead([&](DatabaseImpl& impl) {
    *history = FileHistory{};
    Link link;
    StoreStatus status = impl.ResolveFile(path, &link);
    if (!status.ok()) return status;
    SqliteDb& db = impl.db();
    std::vector<RankedEntry> ranked;
    SqliteStatement records = db.Prepare(std::string(kSelectHistory) + "WHERE file_id = ?");
    records.Bind(1, link.item);
    while (records.Step()) {
      RankedEntry entry = ReadHistory(records, false);
      entry.entry.pinned =
          link.pin && *link.pin == entry.entry.version &&
          (entry.entry.action == kActionCreated || entry.entry.action == kActionCheckedIn);
      ranked.push_back(std::move(entry));
    }
    // Labels of the projects above this link, placed after the file began.
    SqliteStatement first = db.Prepare("SELECT MIN(seq) FROM versions WHERE file_id = ?");
    first.Bind(1, link.item);
    int64_t born = first.Step() ? first.Int(0) : 0;
    std::string link_path = impl.LinkPath(link);
    int64_t project = link.parent;
    while (true) {
      SqliteStatement labels = db.Prepare(
          "SELECT seq, id, user_name, time_ms, name, comment FROM labels "
          "WHERE item_id = ? AND seq >= ?");
      labels.Bind(1, project).Bind(2, born);
      while (labels.Step()) {
        RankedEntry entry;
        entry.seq = labels.Int(0);
        entry.id = 0;
        entry.entry.path = link_path;
        entry.entry.version = impl.LatestVersionNumber(link.item, entry.seq);
        entry.entry.user = labels.Text(2);
        entry.entry.time = labels.Int(3);
        entry.entry.action = kActionLabeled;
        entry.entry.label = labels.Text(4);
        entry.entry.label_comment = labels.Text(5);
        entry.entry.inherited_label = true;
        ranked.push_back(std::move(entry));
      }
      if (project == kRootId) break;
      std::optional<Link> up = impl.CurrentProjectLink(project);
      if (!up) break;
      project = up->parent;
    }
    NewestFirst(&ranked);
    history->pinned = link.pin.has_value();
    for (RankedEntry& entry : ranked) {
      if (PassesFilter(entry.entry, filter)) history->entries.push_back(std::move(entry.entry));
    }
    return StoreStatus::Ok();
  });
}

StoreStatus Database::ProjectHistoryOf(std::string_view path, bool include_files, bool recursive,
                                       const HistoryFilter& filter,
                                       std::vector<HistoryEntry>* entries) {
  return GuardedRead([&](DatabaseImpl& impl) {
    entries->clear();
    Link link;
    StoreStatus status = impl.ResolveProject(path, &link);
    if (!status.ok()) return status;
    std::vector<int64_t> projects{link.item};
    if (recursive) {
      std::vector<int64_t> below = impl.LiveProjectsBelow(link.item);
      projects.insert(projects.end(), below.begin(), below.end());
    }
    SqliteDb& db = impl.db();
    std::vector<RankedEntry> ranked;
    // A change seen through two listed projects (or as project and file
    // record) is shown once.
    std::set<std::tuple<int64_t, int64_t, std::string>> seen;
    auto add = [&](SqliteStatement& rows, bool project_record) {
      while (rows.Step()) {
        RankedEntry entry = ReadHistory(rows, project_record);
        int64_t subject = rows.IsNull(12) ? 0 : rows.Int(12);
        if (!seen.emplace(entry.seq, subject, entry.entry.action).second) continue;
        ranked.push_back(std::move(entry));
      }
    };
    for (int64_t project : projects) {
      SqliteStatement rows = db.Prepare(std::string(kSelectHistory) + "WHERE project_id = ?");
      rows.Bind(1, project);
      add(rows, true);
    }
    if (include_files) {
      std::set<int64_t> files;
      for (int64_t project : projects) {
        for (const Link& child : impl.Children(project, kNowSeq, false)) {
          if (!child.is_project) files.insert(child.item);
        }
      }
      for (int64_t file : files) {
        SqliteStatement rows = db.Prepare(std::string(kSelectHistory) + "WHERE file_id = ?");
        rows.Bind(1, file);
        add(rows, false);
      }
    }
    NewestFirst(&ranked);
    for (RankedEntry& entry : ranked) {
      if (PassesFilter(entry.entry, filter)) entries->push_back(std::move(entry.entry));
    }
    return StoreStatus::Ok();
  });
}

// ---- Existence and kinds -------------------------------------------------

bool Database::FileExists(std::string_view path) {
  bool exists = false;
  GuardedRead([&](DatabaseImpl& impl) {
    Link link;
    exists = impl.ResolveFile(path, &link).ok();
    return StoreStatus::Ok();
  });
  return exists;
}

bool Database::ProjectExists(std::string_view path) {
  bool exists = false;
  GuardedRead([&](DatabaseImpl& impl) {
    Link link;
    exists = impl.ResolveProject(path, &link).ok();
    return StoreStatus::Ok();
  });
  return exists;
}

StoreStatus Database::ItemKinds(const std::vector<std::string>& paths,
                                std::vector<uint8_t>* kinds) {
  return GuardedRead([&](DatabaseImpl& impl) {
    kinds->clear();
    for (const std::string& text : paths) {
      uint8_t kind = 0;
      std::optional<ServerPath> path = ParseServerPath(text);
      if (path) {
        if (std::optional<Link> live = impl.Resolve(*path)) {
          kind = live->is_project ? 1 : 2;
        } else if (!path->IsRoot()) {
          std::optional<Link> parent = impl.Resolve(path->Parent());
          if (parent && parent->is_project) {
            std::vector<Link> deleted = impl.DeletedChildrenNamed(parent->item, path->Leaf());
            if (!deleted.empty()) kind = deleted.front().is_project ? 3 : 4;
          }
        }
      }
      kinds->push_back(kind);
    }
    return StoreStatus::Ok();
  });
}

StoreStatus Database::FileCount(std::string_view project_path, int32_t* count) {
  return GuardedRead([&](DatabaseImpl& impl) {
    Link link;
    StoreStatus status = impl.ResolveProject(project_path, &link);
    if (!status.ok()) return status;
    std::vector<Link> children = impl.Children(link.item, kNowSeq, false);
    *count = static_cast<int32_t>(std::count_if(children.begin(), children.end(),
                                                [](const Link& c) { return !c.is_project; }));
    return StoreStatus::Ok();
  });
}

// ---- Labels -------------------------------------------------------------

StoreStatus Database::VersionAtLabel(std::string_view path, std::string_view label,
                                     int32_t* version) {
  return GuardedRead([&](DatabaseImpl& impl) {
    Link link;
    StoreStatus status = impl.ResolveItem(path, &link);
    if (!status.ok()) return status;
    int64_t seq = 0;
    OleMs time = 0;
    if (!impl.FindLabel(link, label, &seq, &time)) {
      return StoreStatus{kStatusNoSuchLabel, FormatText(kFormatNoSuchLabel, {label, path})};
    }
    *version = link.is_project ? impl.ProjectVersionAt(link.item, seq)
                               : impl.LatestVersionNumber(link.item, seq);
    return StoreStatus::Ok();
  });
}

StoreStatus Database::LabelDate(std::string_view project_path, std::string_view label,
                                OleMs* time) {
  return GuardedRead([&](DatabaseImpl& impl) {
    Link link;
    StoreStatus status = impl.ResolveProject(project_path, &link);
    if (!status.ok()) return status;
    int64_t seq = 0;
    if (!impl.FindLabel(link, label, &seq, time)) {
      return StoreStatus{kStatusNoSuchLabel, FormatText(kFormatNoSuchLabel, {label, project_path})};
    }
    return StoreStatus::Ok();
  });
}

// ---- Per-file state ---------------------------------------------------------

StoreStatus Database::CheckAdd(std::string_view path, bool is_project, AddCheck* check) {
  return GuardedRead([&](DatabaseImpl& impl) {
    *check = AddCheck{};
    std::optional<ServerPath> parsed = ParseServerPath(path);
    if (!parsed || parsed->IsRoot()) return StoreStatus::Ok();
    std::optional<Link> parent = impl.Resolve(parsed->Parent());
    if (!parent || !parent->is_project) return StoreStatus::Ok();
    check->project_exists = true;
    check->live_item_exists = impl.LiveChildNamed(parent->item, parsed->Leaf()).has_value();
    for (const Link& deleted : impl.DeletedChildrenNamed(parent->item, parsed->Leaf())) {
      if (deleted.is_project == is_project) check->deleted_copy_exists = true;
    }
    check->type_excluded = !is_project && impl.TypeExcluded(parsed->Leaf());
    return StoreStatus::Ok();
  });
}

namespace {

// The version a request names: 0 for the shown one, else that number,
// which must exist and still have its content.
StoreStatus PickVersion(DatabaseImpl& impl, const LinkRow& link, std::string_view path,
                        int32_t requested, VersionInfo* info) {
  int32_t version = requested == 0 ? impl.ShownVersion(link) : requested;
  std::optional<VersionInfo> found;
  if (version > 0) found = impl.LoadVersion(link.item, version);
  if (!found) return MakeStatus(kStatusNoSuchVersion, kFormatNoSuchVersion, version, path);
  if (!found->content_kept) {
    return MakeStatus(kStatusVersionNotKept, kFormatVersionNotKept, version, path);
  }
  *info = std::move(*found);
  return StoreStatus::Ok();
}

// Command 67 for one resolved file: the version asked for, whether the actor
// holds a check-out, the status and the user text.
StoreStatus StatusOfLink(DatabaseImpl& impl, const Actor& actor, const LinkRow& link,
                         std::string_view path, int32_t version, FileStatusInfo* info) {
  StoreStatus status = PickVersion(impl, link, path, version, &info->version);
  if (!status.ok()) return status;
  std::vector<CheckoutRow> checkouts = impl.Checkouts(link.item);
  info->checked_out_by_actor =
      std::any_of(checkouts.begin(), checkouts.end(),
                  [&](const CheckoutRow& row) { return row.user_id == actor.user_id; });
  info->status = impl.StatusOf(link, checkouts.size());
  std::optional<VersionInfo> shown = impl.LoadVersion(link.item, impl.ShownVersion(link));
  info->user_text = impl.UserText(checkouts, shown ? *shown : info->version);
  return StoreStatus::Ok();
}

}  // namespace

StoreStatus Database::FileStatus(const Actor& actor, std::string_view path, int32_t version,
                                 FileStatusInfo* info) {
  return GuardedRead([&](DatabaseImpl& impl) {
    *info = FileStatusInfo{};
    Link link;
    StoreStatus status = impl.ResolveFile(path, &link);
    if (!status.ok()) return status;
    return StatusOfLink(impl, actor, link, path, version, info);
  });
}

StoreStatus Database::FileStatuses(const Actor& actor, const std::vector<StatusEntry>& entries,
                                   std::vector<EntryStatus>* results) {
  results->clear();
  return GuardedRead([&](DatabaseImpl& impl) {
    SqliteReadTransaction snapshot(impl.db());
    DatabaseImpl::ProjectMemo projects;
    for (const StatusEntry& entry : entries) {
      EntryStatus& result = results->emplace_back();
      Link link;
      result.status = impl.ResolveFile(entry.path, projects, &link);
      if (result.status.ok()) {
        result.status = StatusOfLink(impl, actor, link, entry.path, entry.version, &result.info);
      }
    }
    return StoreStatus::Ok();
  });
}

StoreStatus Database::CheckoutStateOf(const Actor& actor, std::string_view path,
                                      CheckoutState* state) {
  return GuardedRead([&](DatabaseImpl& impl) {
    *state = CheckoutState{};
    Link link;
    if (!impl.ResolveFile(path, &link).ok()) return StoreStatus::Ok();
    state->exists = true;
    state->latest_version = impl.LatestVersionNumber(link.item);
    for (const CheckoutRow& row : impl.Checkouts(link.item)) {
      if (row.user_id != actor.user_id) continue;
      state->checked_out_by_actor = true;
      state->version_checked_out = row.version;
    }
    return StoreStatus::Ok();
  });
}

// ---- Bodies -------------------------------------------------------------

StoreStatus Database::ResolveGet(std::string_view path, int32_t version, VersionInfo* info) {
  return GuardedRead([&](DatabaseImpl& impl) {
    Link link;
    StoreStatus status = impl.ResolveFile(path, &link);
    if (!status.ok()) return status;
    return PickVersion(impl, link, path, version, info);
  });
}

StoreStatus Database::ResolveGets(const std::vector<GetEntry>& entries,
                                  std::vector<ResolvedGet>* results) {
  results->clear();
  return GuardedRead([&](DatabaseImpl& impl) {
    SqliteReadTransaction snapshot(impl.db());
    DatabaseImpl::ProjectMemo projects;
    for (const GetEntry& entry : entries) {
      ResolvedGet& resolved = results->emplace_back();
      Link link;
      resolved.status = impl.ResolveFile(entry.path, projects, &link);
      if (resolved.status.ok()) {
        resolved.status = PickVersion(impl, link, entry.path, entry.version, &resolved.info);
      }
    }
    return StoreStatus::Ok();
  });
}

StoreStatus Database::ResolveGetAt(std::string_view project_path, const PointInTime& point,
                                   bool recursive, std::string_view file_path, VersionInfo* info) {
  return GuardedRead([&](DatabaseImpl& impl) {
    Link project;
    ServerPath base;
    StoreStatus status = impl.ResolveProject(project_path, &project, &base);
    if (!status.ok()) return status;
    int64_t at = kNowSeq;
    status = impl.SeqForPoint(project.item, project_path, point, &at);
    if (!status.ok()) return status;
    std::optional<ServerPath> file = ParseServerPath(file_path);
    if (!file) return MakeStatus(kStatusInvalidPath, kFormatInvalidPath, file_path);
    StoreStatus not_found = MakeStatus(kStatusFileNotFound, kFormatFileNotFound, file_path);
    if (file->names.size() <= base.names.size()) return not_found;
    for (size_t i = 0; i < base.names.size(); ++i) {
      if (!EqualsNoCase(file->names[i], base.names[i])) return not_found;
    }
    std::vector<std::string> below(file->names.begin() + base.names.size(), file->names.end());
    if (!recursive && below.size() != 1) return not_found;
    std::optional<Link> link = impl.ResolveBelowAt(project.item, below, at);
    if (!link || link->is_project) return not_found;
    int32_t version = impl.ShownVersion(*link, at);
    std::optional<VersionInfo> found = impl.LoadVersion(link->item, version);
    if (!found) return not_found;
    if (!found->content_kept) {
      return MakeStatus(kStatusVersionNotKept, kFormatVersionNotKept, version, file_path);
    }
    *info = std::move(*found);
    return StoreStatus::Ok();
  });
}

StoreStatus Database::LatestVersion(std::string_view path, VersionInfo* info) {
  return GuardedRead([&](DatabaseImpl& impl) {
    Link link;
    StoreStatus status = impl.ResolveFile(path, &link);
    if (!status.ok()) return status;
    std::optional<VersionInfo> latest =
        impl.LoadVersion(link.item, impl.LatestVersionNumber(link.item));
    if (!latest) throw StoreFailure("a file has no version record");
    *info = std::move(*latest);
    return StoreStatus::Ok();
  });
}

}  // namespace qorv::server
