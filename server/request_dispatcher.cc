#include "server/request_dispatcher.h"

#include <exception>
#include <new>

#include "net/socket_buffer_exception.h"
#include "server/command_table.h"

namespace qorv::server {
namespace {

constexpr char kReasonOutOfMemory[] = "out of memory";

// Status and text of the whole command, before its handler runs.
StoreStatus Precheck(const CommandContext& context, const CommandEntry& entry,
                     const FaultHooks& hooks) {
  auto injected = hooks.injected_statuses.find(entry.code);
  if (injected != hooks.injected_statuses.end()) {
    return {injected->second.status, injected->second.text};
  }
  if (entry.needs_session && !context.connection.session) {
    return {kStatusNotLoggedIn, kTextNotLoggedIn};
  }
  if (entry.changes_store && context.connection.session->user.actor.read_only) {
    return {kStatusNoRights, kTextNoRights};
  }
  return StoreStatus::Ok();
}

// Runs `body`, turning a request that ends early into 40009 and any other
// failure into 40501, with the reply fields dropped.
template <typename Body>
StoreStatus Guard(ReplyFields& fields, Body&& body) {
  try {
    return body();
  } catch (const CCancelableSocketBufferException&) {
    fields.Clear();
    return {kStatusMalformedRequest, kTextMalformedRequest};
  } catch (const std::bad_alloc&) {
    fields.Clear();
    return MakeStatus(kStatusStoreError, kFormatStoreError, kReasonOutOfMemory);
  } catch (const std::exception& failure) {
    fields.Clear();
    return MakeStatus(kStatusStoreError, kFormatStoreError, failure.what());
  }
}

}  // namespace

void AnswerRequest(CommandContext& context, CInMessage& request, const FaultHooks& hooks,
                   COutMessage& reply) {
  ReplyFields fields;
  bool send_fields = false;
  RequestReader reader(request);
  StoreStatus status = Guard(fields, [&]() -> StoreStatus {
    const uint8_t code = reader.Byte();
    const CommandEntry* entry = FindCommand(code);
    if (entry == nullptr) {
      return MakeStatus(kStatusUnknownCommand, kFormatUnknownCommand, static_cast<int32_t>(code));
    }
    StoreStatus checked = Precheck(context, *entry, hooks);
    if (!checked.ok()) {
      if (entry->whole_failure != nullptr) {
        // An uncountable list leaves no fields; the status stays the
        // command's own.
        Guard(fields, [&] {
          entry->whole_failure(reader, checked, fields);
          return StoreStatus::Ok();
        });
        send_fields = true;
      }
      return checked;
    }
    StoreStatus result = entry->handler(context, reader, fields);
    send_fields = result.ok() || entry->whole_failure != nullptr;
    return result;
  });
  // A reply that could not be built whole is not sent in part.
  const StoreStatus sent =
      fields.failed() ? MakeStatus(kStatusStoreError, kFormatStoreError, kReasonOutOfMemory)
                      : status;
  // Only a check-out answered with status 0 is followed by its confirmation.
  if (!sent.ok()) context.connection.confirmation.reset();
  reply.Reset();
  reply.AppendInt32(sent.code);
  reply.AppendString(sent.text);
  if (send_fields && !fields.failed() && fields.size() > 0) {
    reply.AppendBytes(fields.data(), fields.size());
  }
}

}  // namespace qorv::server
