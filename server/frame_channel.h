// The frames of one accepted connection, main or transfer: received whole
// (refusing announcements beyond kMaxRequestFrame before allocating),
// deciphered in channel mode 1, and counted for the drop-after-frames and
// cut-at-frame fault hooks, which apply to every frame (requests,
// confirmations and the messages of a body alike).
#ifndef QORV_SERVER_FRAME_CHANNEL_H_
#define QORV_SERVER_FRAME_CHANNEL_H_

#include <cstdint>
#include <memory>
#include <string>
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
  ~FrameChannel();
  FrameChannel(const FrameChannel&) = delete;
  FrameChannel& operator=(const FrameChannel&) = delete;

  // Frames up to kMaxRequestFrame from now on; until then kMaxPreLoginFrame
  // (a logged-in connection, or a transfer connection, calls it).
  void AdmitLargeFrames() { frame_limit_ = kMaxRequestFrame; }

  // Receives the next frame into in(). False when the connection is to end:
  // the peer closed or failed, the server stops, the frame is out of step,
  // or the fault hooks drop the connection at this frame (or cut it at an
  // earlier one).
  bool Receive();
  // Sends what out() holds as one frame: a reply after the hooks' reply
  // delay, a message inside a body at once (false, sending nothing, when
  // the hooks drop the connection at this body message or cut it earlier).
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
  // Whether the first request was a transfer request (64, 65, 96).
  bool is_transfer() const { return kind_ == ConnectionKind::kTransfer; }

 private:
  // Receives one frame's payload into payload_, growing it piece by piece
  // as bytes arrive. 0, or the transport code; 2 for an announcement beyond
  // kMaxRequestFrame (before anything is allocated), a frame beyond the
  // connection's limit, or one the frame budget cannot hold.
  int32_t ReceivePayload();
  // Grows payload_ to `size` (of a frame of `length`), reserving what passes the kept buffer from
  // the frame budget. False (logged) when the budget cannot give it.
  bool GrowPayload(size_t size, size_t length);
  // Whether the frame whose first piece payload_ holds may pass the
  // pre-login limit: the first frame, a transfer request (64, 65) naming a
  // live session.
  bool AdmitsLargeFirstFrame() const;
  // Frees buffers grown past kKeptFrameBuffer and returns their budget.
  void ReleaseLargeBuffers();
  void Log(const std::string& text) const;
  // Counts a frame received or sent and cuts the connection when the hooks
  // say so at this frame.
  void CountFrame();

  CCancelableSocket& socket_;
  const ServerServices& services_;
  std::unique_ptr<CInMessage> in_;
  std::unique_ptr<COutMessage> out_;
  std::vector<uint8_t> payload_;
  FaultHooks hooks_;
  int64_t frames_ = 0;
  int64_t body_messages_ = 0;
  ConnectionKind kind_ = ConnectionKind::kMain;
  // Cut by the cut-at-frame hook: nothing more is sent or received.
  bool cut_ = false;
  uint32_t frame_limit_ = kMaxPreLoginFrame;
  // Taken from the frame budget for the current frame.
  int64_t reserved_ = 0;
};

}  // namespace qorv::server

#endif  // QORV_SERVER_FRAME_CHANNEL_H_
