// The bottom of every connection's stream stack: the TCP socket descriptor
// itself. A blocking descriptor blocks inside Send and Receive; a
// non-blocking one answers "would block" in the direction of the call.
#ifndef QORV_NET_TCP_STREAM_H_
#define QORV_NET_TCP_STREAM_H_

#include "net/byte_stream.h"
#include "platform/socket.h"

namespace qorv {

class TcpStream final : public ByteStream {
 public:
  TcpStream() = default;
  TcpStream(const TcpStream&) = delete;
  TcpStream& operator=(const TcpStream&) = delete;

  // Takes the descriptor (kInvalidSocket for none). One held before is
  // forgotten, not closed: the socket object closes it first.
  void Adopt(platform::SocketHandle handle) { handle_ = handle; }
  platform::SocketHandle handle() const { return handle_; }

  // Failures carry the system's socket error code (StreamErrorSource::kSocket).
  StreamResult Send(const void* data, size_t length) override;
  StreamResult Receive(void* buffer, size_t length, bool peek) override;
  bool HasBufferedData() const override { return false; }

  // Closes the descriptor, which counts as released even when the system
  // reports a failure (its error code is returned then).
  int Close() override;

 private:
  platform::SocketHandle handle_ = platform::kInvalidSocket;
};

}  // namespace qorv

#endif  // QORV_NET_TCP_STREAM_H_
