// Check-out (72, and 42 whose confirmation gets no reply) with the
// confirmation frame that follows it, and check-in (80, 81).
#include <map>

#include "server/body_command_support.h"
#include "server/checkout_confirmation.h"
#include "server/command_handlers.h"
#include "server/transfer_name.h"

namespace qorv::server {
namespace {

// The confirmed value of an entry whose body the client could not receive.
constexpr int32_t kConfirmBodyNotReceived = 19000;

StoreStatus CheckOutFiles(CommandContext& context, RequestReader& request, ReplyFields& reply,
                          bool confirmation_answered) {
  const std::string comment = request.String();
  const int32_t eol_value = request.Int32();
  const int32_t file_time_mode = request.Int32();
  const int32_t identity = request.Int32();
  struct Entry {
    std::string path;
    bool body_wanted = false;
  };
  std::vector<Entry> entries;
  const size_t count = request.Count(kStringMinSize + kInt32Size);
  for (size_t i = 0; i < count; ++i) {
    Entry entry;
    entry.path = request.String();
    entry.body_wanted = request.Int32() != 0;
    entries.push_back(std::move(entry));
  }
  std::optional<Eol> eol;
  StoreStatus status = CheckBodyRequest(context, identity, eol_value, &eol);
  if (!status.ok()) return status;
  PendingConfirmation pending;
  pending.answered = confirmation_answered;
  for (const Entry& entry : entries) {
    CheckoutResult result;
    const StoreStatus outcome =
        context.db().CheckOut(context.actor(), entry.path, comment, &result);
    if (!outcome.ok()) result = CheckoutResult{};
    pending.recorded.push_back(outcome.ok() ? entry.path : std::string());
    const VersionInfo& version = result.version;
    reply.String(outcome.ok() && entry.body_wanted
                     ? MakeTransferName(version.record_id, *eol, file_time_mode)
                     : std::string());
    reply.Date(result.checkout_time);
    reply.String(result.user_text);
    reply.Int32(version.version);
    reply.Date(version.checkin_time);
    reply.Date(version.modification_time);
    reply.Int32(outcome.ok() ? version.DeliveredSize(*eol) : int64_t{0});
    reply.Int32(result.status);
    reply.Int32(outcome.code);
    reply.String(outcome.text);
  }
  context.connection.confirmation = std::move(pending);
  return StoreStatus::Ok();
}

}  // namespace

bool IsConfirmationFrame(const uint8_t* payload, size_t size, size_t entries) {
  if (size == 0) return true;
  if (payload[0] != 0x00 && payload[0] != 0xFF) return false;
  return size / 4 >= entries;
}

void ApplyConfirmation(CommandContext& context, const PendingConfirmation& pending,
                       const uint8_t* payload, size_t size) {
  for (size_t i = 0; i < pending.recorded.size() && 4 * (i + 1) <= size; ++i) {
    const uint8_t* value = payload + 4 * i;
    const int32_t confirmed =
        static_cast<int32_t>((uint32_t{value[0]} << 24) | (uint32_t{value[1]} << 16) |
                             (uint32_t{value[2]} << 8) | uint32_t{value[3]});
    if (confirmed != kConfirmBodyNotReceived || pending.recorded[i].empty()) continue;
    // No file stays checked out without its local copy.
    UndoResult ignored;
    context.db().UndoCheckOut(context.actor(), pending.recorded[i], &ignored);
  }
}

StoreStatus HandleCheckOut(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  return CheckOutFiles(context, request, reply, true);
}

StoreStatus HandleCheckOutNoConfirmationReply(CommandContext& context, RequestReader& request,
                                              ReplyFields& reply) {
  return CheckOutFiles(context, request, reply, false);
}

StoreStatus HandleCheckInOpen(CommandContext& context, RequestReader& request, ReplyFields&) {
  const int32_t eol_value = request.Int32();
  const int32_t identity = request.Int32();
  std::map<int32_t, std::string> entries;
  const size_t count = request.Count(kStringMinSize + kInt32Size);
  for (size_t i = 0; i < count; ++i) {
    std::string path = request.String();
    const int32_t index = request.Int32();
    entries[index] = std::move(path);
  }
  std::optional<Eol> eol;
  StoreStatus status = CheckBodyRequest(context, identity, eol_value, &eol);
  if (!status.ok()) return status;
  context.connection.session->held->OpenCheckin(*eol, std::move(entries));
  return StoreStatus::Ok();
}

StoreStatus HandleCheckInCommit(CommandContext& context, RequestReader& request,
                                ReplyFields& reply) {
  const bool keep_checked_out = request.Bool();
  const std::string comment = request.String();
  struct Entry {
    std::string path;
    bool body_uploaded = false;
    int32_t index = 0;
  };
  std::vector<Entry> entries;
  const size_t count = request.Count(kStringMinSize + 2 * kInt32Size);
  for (size_t i = 0; i < count; ++i) {
    Entry entry;
    entry.path = request.String();
    entry.body_uploaded = request.Bool();
    entry.index = request.Int32();
    entries.push_back(std::move(entry));
  }
  HeldBodies& held = *context.connection.session->held;
  for (const Entry& entry : entries) {
    CheckinResult result;
    StoreStatus outcome;
    if (entry.body_uploaded) {
      std::optional<HeldBody> body = held.Take(entry.index);
      if (!body) {
        outcome = MakeStatus(kStatusNoUploadedBody, kFormatNoUploadedBody, entry.index);
      } else {
        outcome = context.db().CheckIn(context.actor(), entry.path, body->AsUpload(),
                                       keep_checked_out, comment, &result);
      }
    } else {
      outcome = context.db().CheckIn(context.actor(), entry.path, std::nullopt, keep_checked_out,
                                     comment, &result);
    }
    if (!outcome.ok()) result = CheckinResult{};
    reply.Int32(entry.index);
    reply.Int32(result.new_version);
    reply.Date(result.checkin_time);
    reply.String(result.user_text);
    reply.Int32(result.status);
    reply.Int32(outcome.code);
    reply.String(outcome.text);
  }
  return StoreStatus::Ok();
}

}  // namespace qorv::server
