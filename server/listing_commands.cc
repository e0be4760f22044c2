// Listings of projects: contents (3), with dates (55), changed since a date
// (56), the project file list (59), and the listings at a project version
// (70) or a date (71). Names are relative to the listed project; order and
// depth rules are the store's (docs/protocol.md 2.19).
#include <algorithm>

#include "server/command_handlers.h"

namespace qorv::server {
namespace {

// Depth below the listed project: 1 for its direct children.
int32_t LevelOf(const ListedItem& item) {
  return static_cast<int32_t>(std::count(item.name.begin(), item.name.end(), '/')) + 1;
}

StoreStatus ListNow(CommandContext& context, const std::string& path, int32_t depth,
                    bool include_files, std::vector<ListedItem>* items) {
  return context.db().List(context.actor(), {path, PointInTime::Now(), depth, include_files},
                           items);
}

// Commands 70 and 71: the state at `point`, with digests and sizes as
// delivered with the request's line ending.
StoreStatus ListingAt(CommandContext& context, const std::string& path, const PointInTime& point,
                      bool recursive, int32_t eol_value, ReplyFields& reply) {
  const std::optional<Eol> eol = EolFromWire(eol_value);
  if (!eol) return MakeStatus(kStatusInvalidEol, kFormatInvalidEol, eol_value);
  std::vector<ListedItem> items;
  StoreStatus status =
      context.db().List(context.actor(), {path, point, recursive ? -1 : 0, true}, &items);
  if (!status.ok()) return status;
  reply.Int32(static_cast<int64_t>(items.size()));
  for (const ListedItem& item : items) {
    reply.String(item.name);
    reply.Bool(item.is_project);
    reply.Int32(item.version);
    reply.Digest(item.is_project ? Md5Digest{} : item.file.Digest(*eol));
    // Files: who made that version; projects: who made their latest change.
    reply.String(item.is_project ? item.user : item.file.user);
    reply.Int32(item.is_project ? int64_t{0} : item.file.DeliveredSize(*eol));
    reply.Bool(!item.is_project && item.file.is_text);
    reply.Bool(!item.is_project && item.checked_out_by_actor);
  }
  return StoreStatus::Ok();
}

}  // namespace

StoreStatus HandleListContents(CommandContext& context, RequestReader& request,
                               ReplyFields& reply) {
  const std::string path = request.String();
  const bool recursive = request.Bool();
  std::vector<ListedItem> items;
  StoreStatus status = ListNow(context, path, recursive ? -1 : 0, true, &items);
  if (!status.ok()) return status;
  reply.Int32(static_cast<int64_t>(items.size()));
  for (const ListedItem& item : items) {
    reply.String(item.name);
    reply.Bool(item.is_project);
    reply.Int32(item.status);
    reply.Int32(item.version);
    reply.Int32(item.FileType());
  }
  return StoreStatus::Ok();
}

StoreStatus HandleListWithDates(CommandContext& context, RequestReader& request,
                                ReplyFields& reply) {
  const std::string path = request.String();
  std::vector<ListedItem> items;
  StoreStatus status = ListNow(context, path, 0, true, &items);
  if (!status.ok()) return status;
  reply.Int32(static_cast<int64_t>(items.size()));
  for (const ListedItem& item : items) {
    reply.String(item.name);
    reply.Bool(item.is_project);
    reply.Date(item.time);
    reply.Int32(item.version);
    reply.Int32(item.is_project ? int64_t{0} : item.file.stored_size);
  }
  return StoreStatus::Ok();
}

StoreStatus HandleListSince(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string path = request.String();
  const bool recursive = request.Bool();
  const OleMs since = request.Date();
  std::vector<ListedItem> items;
  StoreStatus status =
      context.db().ListChangedSince(context.actor(), path, recursive, since, &items);
  if (!status.ok()) return status;
  reply.Int32(static_cast<int64_t>(items.size()));
  for (const ListedItem& item : items) {
    reply.String(item.name);
    reply.Bool(item.is_project);
    reply.Int32(item.version);
  }
  return StoreStatus::Ok();
}

StoreStatus HandleProjectFileList(CommandContext& context, RequestReader& request,
                                  ReplyFields& reply) {
  const std::string path = request.String();
  const int32_t depth = request.Int32();
  const bool include_files = request.Int32() != 0;
  // The request's depth counts levels of sub-projects listed (0 none, -1
  // all), and files are listed for every listed project. The store's depth
  // counts levels descended below the direct children, so list one level
  // deeper and drop the sub-projects beyond the requested depth: the files
  // of the deepest listed projects are then included.
  std::vector<ListedItem> items;
  StoreStatus status = ListNow(context, path, depth < 0 ? -1 : depth, include_files, &items);
  if (!status.ok()) return status;
  if (depth >= 0) {
    items.erase(std::remove_if(items.begin(), items.end(),
                               [depth](const ListedItem& item) {
                                 return item.is_project ? LevelOf(item) > depth
                                                        : LevelOf(item) - 1 > depth;
                               }),
                items.end());
  }
  reply.Int32(static_cast<int64_t>(items.size()));
  for (const ListedItem& item : items) {
    reply.String(item.name);
    reply.Bool(item.is_project);
    reply.Date(item.time);
    reply.String(item.user);
    reply.Int32(item.status);
    reply.Int32(item.version);
    reply.Int32(item.is_project ? int64_t{0} : item.file.stored_size);
    reply.Int32(item.FileType());
    reply.Int32(item.checkout_count);
  }
  return StoreStatus::Ok();
}

StoreStatus HandleListingAtVersion(CommandContext& context, RequestReader& request,
                                   ReplyFields& reply) {
  const std::string path = request.String();
  const int32_t version = request.Int32();
  const bool recursive = request.Bool();
  const int32_t eol = request.Int32();
  return ListingAt(context, path, PointInTime::AtProjectVersion(version), recursive, eol, reply);
}

StoreStatus HandleListingAtDate(CommandContext& context, RequestReader& request,
                                ReplyFields& reply) {
  const std::string path = request.String();
  const OleMs date = request.Date();
  const bool recursive = request.Bool();
  const int32_t eol = request.Int32();
  return ListingAt(context, path, PointInTime::AtDate(date), recursive, eol, reply);
}

}  // namespace qorv::server
