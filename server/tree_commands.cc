// Changes to the project tree: create projects (4), delete (5), rename (6),
// recover (7), share a file (8) or project (9), move (19), purge (32) and
// label (33). Commands with a list of entries make one change per entry, so
// one failing entry leaves the others applied and reports its own result.
#include "server/command_handlers.h"

namespace qorv::server {
namespace {

void WriteEntryResult(const StoreStatus& status, ReplyFields& reply) {
  reply.Int32(status.code);
  reply.String(status.text);
}

}  // namespace

StoreStatus HandleCreateProjects(CommandContext& context, RequestReader& request,
                                 ReplyFields& reply) {
  const std::string comment = request.String();
  const std::vector<std::string> paths = request.StringList();
  for (const std::string& path : paths) {
    const CreateProjectResult result = context.db().CreateProject(context.actor(), path, comment);
    reply.Int32(result.result);
    reply.String(result.text);
  }
  return StoreStatus::Ok();
}

StoreStatus HandleDeleteItems(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const bool destroy = request.Bool();
  const std::vector<std::string> paths = request.StringList();
  for (const std::string& path : paths) {
    WriteEntryResult(context.db().DeleteItem(context.actor(), path, destroy), reply);
  }
  return StoreStatus::Ok();
}

StoreStatus HandleRenameItem(CommandContext& context, RequestReader& request, ReplyFields&) {
  const std::string path = request.String();
  const std::string new_name = request.String();
  return context.db().RenameItem(context.actor(), path, new_name);
}

StoreStatus HandleRecoverItems(CommandContext& context, RequestReader& request,
                               ReplyFields& reply) {
  const std::vector<std::string> paths = request.StringList();
  for (const std::string& path : paths) {
    OleMs time = 0;
    const StoreStatus status = context.db().RecoverItem(context.actor(), path, &time);
    reply.Date(status.ok() ? time : 0);
    WriteEntryResult(status, reply);
  }
  return StoreStatus::Ok();
}

StoreStatus HandleShareFile(CommandContext& context, RequestReader& request, ReplyFields&) {
  const std::string target = request.String();
  const std::string file = request.String();
  const bool branch = request.Bool();
  const std::string comment = request.String();
  return context.db().ShareFile(context.actor(), target, file, branch, comment);
}

StoreStatus HandleShareProject(CommandContext& context, RequestReader& request, ReplyFields&) {
  const std::string target = request.String();
  const std::string project = request.String();
  const bool branch = request.Bool();
  const bool recursive = request.Bool();
  const std::string comment = request.String();
  return context.db().ShareProject(context.actor(), target, project, branch, recursive, comment);
}

StoreStatus HandleMoveItem(CommandContext& context, RequestReader& request, ReplyFields&) {
  const std::string path = request.String();
  const std::string target = request.String();
  return context.db().MoveItem(context.actor(), path, target);
}

StoreStatus HandlePurgeItems(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::vector<std::string> paths = request.StringList();
  for (const std::string& path : paths) {
    WriteEntryResult(context.db().PurgeItem(context.actor(), path), reply);
  }
  return StoreStatus::Ok();
}

void PurgeWholeFailure(RequestReader& request, const StoreStatus& status, ReplyFields& reply) {
  // The client reads one result per entry whatever the status, so each
  // entry repeats the whole failure. A list that cannot be counted gets no
  // entries (the caller then sends the status and description only).
  const std::vector<std::string> paths = request.StringList();
  for (size_t i = 0; i < paths.size(); ++i) WriteEntryResult(status, reply);
}

StoreStatus HandleLabelItem(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string path = request.String();
  const std::string label = request.String();
  const std::string comment = request.String();
  OleMs time = 0;
  StoreStatus status = context.db().LabelItem(context.actor(), path, label, comment, &time);
  if (status.ok()) reply.Date(time);
  return status;
}

}  // namespace qorv::server
