#include "server/client_connection.h"

#include <exception>

#include "net/command_list.h"
#include "net/handshake.h"
#include "net/transport_limits.h"
#include "qorvsdk/result_codes.h"
#include "server/checkout_confirmation.h"
#include "server/command_context.h"
#include "server/frame_channel.h"
#include "server/request_dispatcher.h"
#include "server/server_handshake.h"
#include "server/server_ssl.h"
#include "server/transfer_connection.h"

namespace qorv::server {
namespace {

// Takes the frame as the confirmation of the check-out before it when it
// has that form, and answers it (73) or not (69). False when it is a new
// request instead (the confirmation was skipped).
bool TakeConfirmation(FrameChannel& channel, CommandContext& context, bool* sent) {
  *sent = true;
  std::optional<PendingConfirmation> pending = std::move(context.connection.confirmation);
  context.connection.confirmation.reset();
  CInMessage& frame = channel.in();
  if (!pending || !IsConfirmationFrame(frame.data(), frame.size(), pending->recorded.size())) {
    return false;
  }
  ApplyConfirmation(context, *pending, frame.data(), frame.size());
  if (!pending->answered) return true;
  COutMessage& reply = channel.out();
  reply.Reset();
  reply.AppendInt32(kStatusOk);
  reply.AppendString(kTextCompleted);
  *sent = channel.Send();
  return true;
}

// Answers request frames until the peer closes, a transfer fails, the
// server stops or a fault hook drops the connection. A connection whose
// first request is a transfer command is a transfer connection from then on.
void ServeRequests(FrameChannel& channel, const ServerServices& services, ConnectionState& state) {
  CommandContext context{services.data, services.sessions, state, services.login_throttle};
  bool first = true;
  while (channel.Receive()) {
    if (first && channel.is_transfer()) {
      // The transfer requests check the session they name and close the
      // connection when there is none.
      channel.AdmitLargeFrames();
      ServeTransferConnection(channel);
      return;
    }
    first = false;
    if (state.confirmation) {
      bool sent = true;
      if (TakeConfirmation(channel, context, &sent)) {
        if (!sent) return;
        continue;
      }
    }
    if (channel.in().size() > 0) {
      const uint8_t code = channel.in().data()[0];
      services.faults.CountRequest(code);
      if (channel.hooks().drop_at_code == code) return;
    }
    AnswerRequest(context, channel.in(), channel.hooks(), channel.out());
    if (state.session) channel.AdmitLargeFrames();
    if (!channel.Send() || state.close_after_reply) return;
    if (state.rekey_after_reply) {
      channel.SetKey(*state.rekey_after_reply);
      state.rekey_after_reply.reset();
    }
  }
}

}  // namespace

void ServeClientConnection(platform::SocketHandle handle, const ServerServices& services) {
  // Replies and the small messages that close a body (a batch's dates or
  // results) go out at once: with Nagle's algorithm each would wait for the
  // client's delayed acknowledgement of the bytes before it, up to 40 ms a
  // batch. A socket that refuses the option still works, only slower.
  platform::SetSocketOption(handle, platform::SocketOption::kNoDelay, 1);
  CCancelableSocket socket(services.stop_flag);
  socket.Attach(handle);
  // A peer that stays silent in the handshake is dropped after the time-out
  // instead of holding its connection for good.
  const int64_t timeout_us = int64_t{services.handshake_timeout_seconds} * 1000000;
  socket.set_wait_poll_limit(
      static_cast<int>((timeout_us + kPollIntervalUs - 1) / kPollIntervalUs));
  if (AnswerHandshake(socket, services.accepted_versions, services.encryption_mode,
                      services.ca_certificate) != kResultOk) {
    socket.Close();
    return;
  }
  // Mode 2: every later byte, frames and transfer bodies alike, travels
  // inside the SSL channel.
  if (services.encryption_mode == kEncryptionSsl &&
      (services.ssl_context == nullptr ||
       AcceptSslChannel(socket, *services.ssl_context) != kResultOk)) {
    socket.Close();
    return;
  }
  // A logged-in client may be idle for as long as it likes.
  socket.set_wait_poll_limit(0);
  ConnectionState state;
  state.encryption_mode = services.encryption_mode;
  try {
    FrameChannel channel(socket, services);
    ServeRequests(channel, services, state);
  } catch (const std::exception&) {
    // Memory ran short outside a request (a frame buffer, the hooks' copy):
    // this connection ends, the server and its other clients go on.
  }
  socket.Close();
  if (state.session) services.sessions.Close(state.session->identity);
}

}  // namespace qorv::server
