// Commands that issue transfer names or take uploaded bodies on the main
// connection: get (38), get at a version (61) or a date (62) and add (40).
// The bodies themselves travel on transfer connections (64, 65).
#include "server/body_command_support.h"
#include "server/command_handlers.h"
#include "server/transfer_name.h"

namespace qorv::server {
namespace {

// The fields of a get entry up to its result: transfer name, size, (38
// only: text file), check-in time, modification time.
void WriteGetEntry(const StoreStatus& status, const VersionInfo& info, Eol eol,
                   int32_t file_time_mode, bool with_type, ReplyFields& reply) {
  if (!status.ok()) {
    reply.String("");
    reply.Int32(int32_t{0});
    if (with_type) reply.Bool(false);
    reply.Date(0);
    reply.Date(0);
  } else {
    reply.String(MakeTransferName(info.record_id, eol, file_time_mode));
    reply.Int32(info.DeliveredSize(eol));
    if (with_type) reply.Bool(info.is_text);
    reply.Date(info.checkin_time);
    reply.Date(info.modification_time);
  }
  reply.Int32(status.code);
  reply.String(status.text);
}

struct GetAtRequest {
  std::string project;
  bool recursive = false;
  int32_t eol = 0;
  int32_t file_time_mode = 0;
  int32_t identity = 0;
  std::vector<std::string> paths;
};

void ReadGetAtTail(RequestReader& request, GetAtRequest* get) {
  get->recursive = request.Bool();
  get->eol = request.Int32();
  get->file_time_mode = request.Int32();
  get->identity = request.Int32();
  get->paths = request.StringList();
}

StoreStatus GetAt(CommandContext& context, const GetAtRequest& get, const PointInTime& point,
                  ReplyFields& reply) {
  std::optional<Eol> eol;
  StoreStatus status = CheckBodyRequest(context, get.identity, get.eol, &eol);
  if (!status.ok()) return status;
  // The project and the point must stand before any entry is served: a
  // listing of no depth answers exactly their statuses.
  ListRequest probe;
  probe.project_path = get.project;
  probe.point = point;
  probe.depth = 0;
  probe.include_files = false;
  std::vector<ListedItem> unused;
  status = context.db().List(context.actor(), probe, &unused);
  if (!status.ok()) return status;
  for (const std::string& path : get.paths) {
    VersionInfo info;
    const StoreStatus entry =
        context.db().ResolveGetAt(get.project, point, get.recursive, path, &info);
    WriteGetEntry(entry, info, *eol, get.file_time_mode, false, reply);
  }
  return StoreStatus::Ok();
}

}  // namespace

StoreStatus CheckBodyRequest(CommandContext& context, int32_t identity, int32_t eol_value,
                             std::optional<Eol>* eol) {
  if (identity != context.connection.session->identity) {
    return {kStatusUnknownLoginIdentity, kTextUnknownLoginIdentity};
  }
  *eol = EolFromWire(eol_value);
  if (!*eol) return MakeStatus(kStatusInvalidEol, kFormatInvalidEol, eol_value);
  return StoreStatus::Ok();
}

StoreStatus HandleGetFiles(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const int32_t eol_value = request.Int32();
  const int32_t file_time_mode = request.Int32();
  const int32_t identity = request.Int32();
  std::vector<Database::GetEntry> entries;
  const size_t count = request.Count(kStringMinSize + kInt32Size);
  for (size_t i = 0; i < count; ++i) {
    Database::GetEntry entry;
    entry.path = request.String();
    entry.version = request.Int32();
    entries.push_back(std::move(entry));
  }
  std::optional<Eol> eol;
  StoreStatus status = CheckBodyRequest(context, identity, eol_value, &eol);
  if (!status.ok()) return status;
  std::vector<Database::ResolvedGet> resolved;
  status = context.db().ResolveGets(entries, &resolved);
  if (!status.ok()) return status;
  for (const Database::ResolvedGet& entry : resolved) {
    WriteGetEntry(entry.status, entry.info, *eol, file_time_mode, true, reply);
  }
  return StoreStatus::Ok();
}

StoreStatus HandleGetAtVersion(CommandContext& context, RequestReader& request,
                               ReplyFields& reply) {
  GetAtRequest get;
  get.project = request.String();
  const int32_t version = request.Int32();
  ReadGetAtTail(request, &get);
  return GetAt(context, get, PointInTime::AtProjectVersion(version), reply);
}

StoreStatus HandleGetAtDate(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  GetAtRequest get;
  get.project = request.String();
  const OleMs date = request.Date();
  ReadGetAtTail(request, &get);
  return GetAt(context, get, PointInTime::AtDate(date), reply);
}

StoreStatus HandleAddFiles(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string comment = request.String();
  const int32_t eol_value = request.Int32();
  const int32_t identity = request.Int32();
  struct Entry {
    int32_t index = 0;
    std::string path;
    int32_t file_type = 0;
    bool latest_only = false;
  };
  std::vector<Entry> entries;
  const size_t count = request.Count(3 * kInt32Size + kStringMinSize);
  for (size_t i = 0; i < count; ++i) {
    Entry entry;
    entry.index = request.Int32();
    entry.path = request.String();
    entry.file_type = request.Int32();
    entry.latest_only = request.Bool();
    entries.push_back(std::move(entry));
  }
  std::optional<Eol> eol;
  StoreStatus status = CheckBodyRequest(context, identity, eol_value, &eol);
  if (!status.ok()) return status;
  HeldBodies& held = *context.connection.session->held;
  for (const Entry& entry : entries) {
    OleMs time = 0;
    StoreStatus result;
    // Taken whatever becomes of the entry: a body serves one add.
    std::optional<HeldBody> body = held.Take(entry.index);
    if (!body) {
      result = MakeStatus(kStatusNoUploadedBody, kFormatNoUploadedBody, entry.index);
    } else {
      const int32_t type = entry.file_type == kFileTypeBinary || entry.file_type == kFileTypeText
                               ? entry.file_type
                               : kFileTypeAutodetect;
      result = context.db().AddFile(context.actor(), entry.path, body->AsUpload(), type,
                                    entry.latest_only, comment, &time);
    }
    reply.Date(result.ok() ? time : 0);
    reply.Int32(result.code);
    reply.String(result.text);
  }
  return StoreStatus::Ok();
}

}  // namespace qorv::server
