// Questions about single items: check-out holders (2), labels (21), links
// (22), general information (23, 24), deleted items (25), history (34, 35),
// existence and kinds (51, 52, 53), file count (54), labels' versions and
// dates (60, 112), the add check (66), file status (67) and check-out state
// (68).
#include "server/command_handlers.h"

namespace qorv::server {
namespace {

constexpr char kFileTypeTextName[] = "Text";
constexpr char kFileTypeBinaryName[] = "Binary";

void WriteStrings(const std::vector<std::string>& texts, ReplyFields& reply) {
  reply.Int32(static_cast<int64_t>(texts.size()));
  for (const std::string& text : texts) reply.String(text);
}

HistoryFilter ReadHistoryFilter(RequestReader& request) {
  HistoryFilter filter;
  filter.user = request.String();
  filter.from = request.Date();
  filter.to = request.Date();
  return filter;
}

}  // namespace

StoreStatus HandleCheckoutHolders(CommandContext& context, RequestReader& request,
                                  ReplyFields& reply) {
  const std::string path = request.String();
  std::vector<std::string> users;
  StoreStatus status = context.db().CheckoutHolders(path, &users);
  if (status.ok()) WriteStrings(users, reply);
  return status;
}

StoreStatus HandleLabels(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string path = request.String();
  std::vector<LabelInfo> labels;
  int32_t current_version = 0;
  StoreStatus status = context.db().Labels(path, &labels, &current_version);
  if (!status.ok()) return status;
  reply.Int32(static_cast<int64_t>(labels.size()));
  for (const LabelInfo& label : labels) {
    reply.String(label.name);
    reply.String(label.comment);
    reply.String(label.user);
    reply.Date(label.time);
    reply.Int32(label.version);
    reply.String(label.labeled_item);
  }
  reply.Int32(current_version);
  return StoreStatus::Ok();
}

StoreStatus HandleFileLinks(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string path = request.String();
  std::vector<std::string> links;
  StoreStatus status = context.db().FileLinks(path, &links);
  if (status.ok()) WriteStrings(links, reply);
  return status;
}

StoreStatus HandleFileInfo(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string path = request.String();
  FileGeneralInfo info;
  StoreStatus status = context.db().FileInfo(path, &info);
  if (!status.ok()) return status;
  reply.String(info.is_text ? kFileTypeTextName : kFileTypeBinaryName);
  reply.Int32(info.version);
  reply.Date(info.time);
  reply.Int32(info.stored_size);
  reply.String(info.comment);
  return StoreStatus::Ok();
}

StoreStatus HandleProjectInfo(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string path = request.String();
  ProjectGeneralInfo info;
  StoreStatus status = context.db().ProjectInfo(path, &info);
  if (!status.ok()) return status;
  reply.Int32(info.subprojects_live);
  reply.Int32(info.subprojects_deleted);
  reply.Int32(info.files_live);
  reply.Int32(info.files_deleted);
  reply.Int32(info.version);
  reply.Date(info.time);
  reply.String(info.comment);
  return StoreStatus::Ok();
}

StoreStatus HandleDeletedItems(CommandContext& context, RequestReader& request,
                               ReplyFields& reply) {
  const std::string path = request.String();
  std::vector<DeletedItem> items;
  StoreStatus status = context.db().DeletedItems(path, &items);
  if (!status.ok()) return status;
  reply.Int32(static_cast<int64_t>(items.size()));
  for (const DeletedItem& item : items) {
    reply.String(item.name);
    reply.Byte(item.is_project ? 1 : 0);
  }
  return StoreStatus::Ok();
}

StoreStatus HandleFileHistory(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string path = request.String();
  const HistoryFilter filter = ReadHistoryFilter(request);
  FileHistory history;
  StoreStatus status = context.db().FileHistoryOf(path, filter, &history);
  if (!status.ok()) return status;
  reply.Bool(history.pinned);
  reply.Int32(static_cast<int64_t>(history.entries.size()));
  for (const HistoryEntry& entry : history.entries) {
    reply.Int32(entry.version);
    reply.String(entry.user);
    reply.Date(entry.time);
    reply.String(entry.action);
    reply.String(entry.label);
    reply.String(entry.comment);
    reply.String(entry.label_comment);
    reply.Bool(entry.pinned);
    reply.Bool(entry.inherited_label);
  }
  return StoreStatus::Ok();
}

StoreStatus HandleProjectHistory(CommandContext& context, RequestReader& request,
                                 ReplyFields& reply) {
  const std::string path = request.String();
  const bool include_files = request.Bool();
  const bool recursive = request.Bool();
  const HistoryFilter filter = ReadHistoryFilter(request);
  std::vector<HistoryEntry> entries;
  StoreStatus status =
      context.db().ProjectHistoryOf(path, include_files, recursive, filter, &entries);
  if (!status.ok()) return status;
  reply.Int32(static_cast<int64_t>(entries.size()));
  for (const HistoryEntry& entry : entries) {
    reply.String(entry.path);
    reply.Bool(entry.is_project);
    reply.Int32(entry.version);
    reply.String(entry.user);
    reply.Date(entry.time);
    reply.String(entry.action);
    reply.String(entry.label);
    reply.String(entry.comment);
    reply.String(entry.label_comment);
  }
  return StoreStatus::Ok();
}

StoreStatus HandleFileExists(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  reply.Bool(context.db().FileExists(request.String()));
  return StoreStatus::Ok();
}

StoreStatus HandleProjectExists(CommandContext& context, RequestReader& request,
                                ReplyFields& reply) {
  reply.Bool(context.db().ProjectExists(request.String()));
  return StoreStatus::Ok();
}

StoreStatus HandleItemKinds(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::vector<std::string> paths = request.StringList();
  std::vector<uint8_t> kinds;
  StoreStatus status = context.db().ItemKinds(paths, &kinds);
  if (!status.ok()) return status;
  reply.Int32(static_cast<int64_t>(kinds.size()));
  for (uint8_t kind : kinds) reply.Byte(kind);
  return StoreStatus::Ok();
}

StoreStatus HandleFileCount(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string path = request.String();
  int32_t count = 0;
  StoreStatus status = context.db().FileCount(path, &count);
  if (status.ok()) reply.Int32(count);
  return status;
}

StoreStatus HandleVersionAtLabel(CommandContext& context, RequestReader& request,
                                 ReplyFields& reply) {
  const std::string path = request.String();
  const std::string label = request.String();
  int32_t version = 0;
  StoreStatus status = context.db().VersionAtLabel(path, label, &version);
  if (status.ok()) reply.Int32(version);
  return status;
}

StoreStatus HandleLabelDate(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string path = request.String();
  const std::string label = request.String();
  OleMs time = 0;
  StoreStatus status = context.db().LabelDate(path, label, &time);
  if (status.ok()) reply.Date(time);
  return status;
}

StoreStatus HandleAddCheck(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  struct Entry {
    std::string path;
    bool is_project;
  };
  const size_t count = request.Count(kStringMinSize + kInt32Size);
  std::vector<Entry> entries;
  for (size_t i = 0; i < count; ++i) {
    Entry entry;
    entry.path = request.String();
    entry.is_project = request.Bool();
    entries.push_back(std::move(entry));
  }
  for (const Entry& entry : entries) {
    AddCheck check;
    StoreStatus status = context.db().CheckAdd(entry.path, entry.is_project, &check);
    // There are no per-entry failures: a path the store cannot place gives
    // four false values. Only a failing store fails the whole reply.
    if (status.code == kStatusStoreError) return status;
    if (!status.ok()) check = AddCheck{};
    reply.Bool(check.live_item_exists);
    reply.Bool(check.deleted_copy_exists);
    reply.Bool(check.type_excluded);
    reply.Bool(check.project_exists);
  }
  return StoreStatus::Ok();
}

StoreStatus HandleFileStatus(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  struct Entry {
    std::string path;
    int32_t version;
    bool want_digest;
  };
  const int32_t eol_value = request.Int32();
  const size_t count = request.Count(kStringMinSize + 2 * kInt32Size);
  std::vector<Entry> entries;
  for (size_t i = 0; i < count; ++i) {
    Entry entry;
    entry.path = request.String();
    entry.version = request.Int32();
    entry.want_digest = request.Bool();
    entries.push_back(std::move(entry));
  }
  const std::optional<Eol> eol = EolFromWire(eol_value);
  if (!eol) return MakeStatus(kStatusInvalidEol, kFormatInvalidEol, eol_value);
  // One read of the store for the whole request.
  std::vector<Database::StatusEntry> asked;
  asked.reserve(entries.size());
  for (const Entry& entry : entries) asked.push_back({entry.path, entry.version});
  std::vector<Database::EntryStatus> answered;
  const StoreStatus whole = context.db().FileStatuses(context.actor(), asked, &answered);
  if (!whole.ok()) return whole;
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& entry = entries[i];
    const FileStatusInfo& info = answered[i].info;
    const StoreStatus& status = answered[i].status;
    if (status.code == kStatusStoreError) return status;
    if (!status.ok()) {
      // A failed entry carries its status and text; every other field is
      // empty.
      reply.Int32(status.code);
      reply.Int32(int32_t{0});
      reply.Bool(false);
      reply.Bool(false);
      reply.Int32(int32_t{0});
      reply.Digest(Md5Digest{});
      reply.String(status.text);
      reply.String("");
      continue;
    }
    reply.Int32(int32_t{kStatusOk});
    reply.Int32(info.version.version);
    reply.Bool(info.checked_out_by_actor);
    reply.Bool(info.version.is_text);
    reply.Int32(info.status);
    reply.Digest(entry.want_digest ? info.version.Digest(*eol) : Md5Digest{});
    reply.String(kTextCompleted);
    reply.String(info.user_text);
  }
  return StoreStatus::Ok();
}

StoreStatus HandleCheckoutState(CommandContext& context, RequestReader& request,
                                ReplyFields& reply) {
  const std::vector<std::string> paths = request.StringList();
  for (const std::string& path : paths) {
    CheckoutState state;
    StoreStatus status = context.db().CheckoutStateOf(context.actor(), path, &state);
    if (!status.ok()) return status;
    reply.Bool(state.exists);
    reply.Bool(state.checked_out_by_actor);
    reply.Int32(state.version_checked_out);
    reply.Int32(state.latest_version);
  }
  return StoreStatus::Ok();
}

}  // namespace qorv::server
