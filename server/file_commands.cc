// Changes to files that move no bodies: pin (16), unpin (17), branch (18),
// undo check out (43) and the store-only-latest flag (48).
#include "server/command_handlers.h"

namespace qorv::server {

StoreStatus HandlePinFile(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string path = request.String();
  const int32_t version = request.Int32();
  OleMs time = 0;
  StoreStatus status = context.db().PinFile(context.actor(), path, version, &time);
  if (status.ok()) reply.Date(time);
  return status;
}

StoreStatus HandleUnpinFile(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string path = request.String();
  OleMs time = 0;
  int32_t version = 0;
  StoreStatus status = context.db().UnpinFile(context.actor(), path, &time, &version);
  if (!status.ok()) return status;
  reply.Date(time);
  reply.Int32(version);
  return status;
}

StoreStatus HandleBranchItem(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string path = request.String();
  const std::string comment = request.String();
  OleMs time = 0;
  int32_t version = 0;
  StoreStatus status = context.db().BranchItem(context.actor(), path, comment, &time, &version);
  if (!status.ok()) return status;
  // This one reply carries its date as a raw little-endian double.
  reply.RawDouble(time);
  reply.Int32(version);
  return status;
}

StoreStatus HandleUndoCheckout(CommandContext& context, RequestReader& request,
                               ReplyFields& reply) {
  const std::vector<std::string> paths = request.StringList();
  for (const std::string& path : paths) {
    UndoResult result;
    const StoreStatus status = context.db().UndoCheckOut(context.actor(), path, &result);
    if (!status.ok()) result = UndoResult{};
    reply.Date(result.version_time);
    reply.String(result.user_text);
    reply.Int32(result.status);
    reply.Int32(status.code);
    reply.String(status.text);
  }
  return StoreStatus::Ok();
}

StoreStatus HandleSetLatestOnly(CommandContext& context, RequestReader& request, ReplyFields&) {
  const std::string path = request.String();
  const bool latest_only = request.Bool();
  return context.db().SetLatestOnly(context.actor(), path, latest_only);
}

}  // namespace qorv::server
