// The frames of one accepted connection, main or transfer: received whole
// (refusing announcements beyond kMaxRequestFrame before allocating),
// deciphered in channel mode 1, and counted for the drop-after-frames fault
// hook, which applies to every frame (requests, confirmations and the
// messages of a body alike).
#ifndef QORV_SERVER_FRAME_CHANNEL_H_
#define QORV_SERVER_FRAME_CHANNEL_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "net/blowfish_message.h"
#include "net/cancelable_socket.h"
#include "net/handshake.h"
#include "net/in_message.h"
#include "net/out_message.h"
#include "server/client_connection.h"
#include "server/fault_hooks.h"

namespace qorv::server {

class FrameChannel {
 public:
  FrameChannel(CCancelableSocket& socket, const ServerServices& services);

  // Receives the next frame into in(). False when the connection is to end:
  // the peer closed or failed, the server stops, the frame is out of step,
  // or the fault hooks drop the connection at this frame.
  bool Receive();
  // Sends what out() holds as one frame: a reply after the hooks' reply
  // delay, a message inside a body at once (false, sending nothing, when
  // the hooks drop the connection at this body message).
  bool Send(bool is_reply = true);
  // Switches both directions to `key` (channel mode 1 only).
  void SetKey(const ChannelKey& key);

  CInMessage& in() { return *in_; }
  COutMessage& out() { return *out_; }
  // The hooks read with the last frame.
  const FaultHooks& hooks() const { return hooks_; }
  bool blowfish() const { return services_.encryption_mode == kEncryptionBlowfish; }
  const ServerServices& services() const { return services_; }
  bool Stopping() const;

 private:
  CCancelableSocket& socket_;
  const ServerServices& services_;
  std::unique_ptr<CInMessage> in_;
  std::unique_ptr<COutMessage> out_;
  std::vector<uint8_t> payload_;
  FaultHooks hooks_;
  int64_t frames_ = 0;
  int64_t body_messages_ = 0;
};

}  // namespace qorv::server

#endif  // QORV_SERVER_FRAME_CHANNEL_H_
