#include "server/client_connection.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

#include "net/blowfish_message.h"
#include "net/cancelable_socket.h"
#include "net/handshake.h"
#include "platform/process.h"
#include "qorvsdk/result_codes.h"
#include "server/command_context.h"
#include "server/request_dispatcher.h"
#include "server/server_handshake.h"

namespace qorv::server {
namespace {

// A request's bytes are taken in pieces of this size, so the buffer only
// grows as bytes really arrive, never to an announced length up front.
constexpr size_t kReceivePiece = 65536;
// A reply delay is slept in slices so that a stopping server is not held up.
constexpr int32_t kDelaySliceMs = 50;

// Receives one frame's payload as it came off the wire. 0, or the transport
// code; an announcement beyond kMaxRequestFrame gives 2 before anything is
// allocated.
int32_t ReceivePayload(CCancelableSocket& socket, std::vector<uint8_t>* payload) {
  payload->clear();
  int32_t announced = 0;
  int32_t code = socket.ReceiveInt32(&announced);
  if (code != kResultOk) return code;
  const uint32_t length = static_cast<uint32_t>(announced);
  if (length > kMaxRequestFrame) return kResultOutOfMemory;
  while (payload->size() < length) {
    const size_t piece = std::min<size_t>(kReceivePiece, length - payload->size());
    const size_t start = payload->size();
    payload->resize(start + piece);
    code = socket.Receive(payload->data() + start, piece);
    if (code != kResultOk) return code;
  }
  return kResultOk;
}

bool Stopping(const ServerServices& services) {
  return services.stop_flag != nullptr && services.stop_flag->load() != 0;
}

void Delay(int32_t milliseconds, const ServerServices& services) {
  while (milliseconds > 0 && !Stopping(services)) {
    const int32_t slice = std::min(milliseconds, kDelaySliceMs);
    platform::SleepMs(static_cast<uint32_t>(slice));
    milliseconds -= slice;
  }
}

// Answers request frames until the peer closes, a transfer fails, the
// server stops or a fault hook drops the connection.
void ServeRequests(CCancelableSocket& socket, const ServerServices& services,
                   ConnectionState& state) {
  std::unique_ptr<CInMessage> request;
  std::unique_ptr<COutMessage> reply;
  if (services.encryption_mode == kEncryptionBlowfish) {
    request = std::make_unique<CBlowfishInMessage>(kInitialChannelKey);
    reply = std::make_unique<CBlowfishOutMessage>(kInitialChannelKey);
  } else {
    request = std::make_unique<CInMessage>();
    reply = std::make_unique<COutMessage>();
  }
  CommandContext context{services.data, services.sessions, state};
  std::vector<uint8_t> payload;
  int64_t frames = 0;
  while (!Stopping(services)) {
    if (ReceivePayload(socket, &payload) != kResultOk) return;
    const FaultHooks hooks = services.faults.Get();
    if (hooks.drop_after_frames >= 0 && frames >= hooks.drop_after_frames) return;
    ++frames;
    // A Blowfish payload that is not whole blocks cannot be deciphered: the
    // peer is out of step, and no reply could reach it in step either.
    if (request->SetPayload(payload.data(), payload.size()) != kResultOk) return;
    AnswerRequest(context, *request, hooks, *reply);
    Delay(hooks.reply_delay_ms, services);
    if (reply->Send(socket) != kResultOk) return;
    if (state.rekey_after_reply) {
      // Only the keyed login sets it, and only on a Blowfish channel, whose
      // buffers are the Blowfish pair.
      static_cast<CBlowfishInMessage&>(*request).SetKey(*state.rekey_after_reply);
      static_cast<CBlowfishOutMessage&>(*reply).SetKey(*state.rekey_after_reply);
      state.rekey_after_reply.reset();
    }
  }
}

}  // namespace

void ServeClientConnection(platform::SocketHandle handle, const ServerServices& services) {
  CCancelableSocket socket(services.stop_flag);
  socket.Attach(handle);
  if (AnswerHandshake(socket, services.accepted_versions, services.encryption_mode) != kResultOk) {
    socket.Close();
    return;
  }
  ConnectionState state;
  state.encryption_mode = services.encryption_mode;
  try {
    ServeRequests(socket, services, state);
  } catch (const std::exception&) {
    // Memory ran short outside a request (a frame buffer, the hooks' copy):
    // this connection ends, the server and its other clients go on.
  }
  socket.Close();
  if (state.session) services.sessions.Close(state.session->identity);
}

}  // namespace qorv::server
