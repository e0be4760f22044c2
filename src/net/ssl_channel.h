// An open SSL channel on a connected socket: what the socket layer needs from
// the SSL library once the SSL handshake is done. The socket owns the channel
// from AttachSsl until Close, and routes every transfer through it.
//
// The SSL library's result codes (20001 to 20100) come back through
// LastError(); 20012 and 20013 are the would-block answers of a non-blocking
// socket, which the socket layer waits out and retries.
#ifndef QORV_NET_SSL_CHANNEL_H_
#define QORV_NET_SSL_CHANNEL_H_

#include <cstddef>
#include <cstdint>

namespace qorv {

class SslChannel {
 public:
  virtual ~SslChannel() = default;

  // Sends up to `length` bytes; returns the count taken (may be fewer), or -1
  // with LastError() set (20012 when it would block).
  virtual int64_t Send(const void* data, size_t length) = 0;

  // Receives up to `length` bytes (peek: without consuming them); returns the
  // count, 0 when the peer closed the channel, or -1 with LastError() set
  // (20013 when nothing is available yet).
  virtual int64_t Recv(void* buffer, size_t length, bool peek) = 0;

  // True when deciphered bytes wait inside the channel, so a receive can go
  // ahead without the socket becoming readable.
  virtual bool HasPendingData() const = 0;

  // The code of the last failure of this channel.
  virtual int32_t LastError() const = 0;

  // Ends the channel; called before the socket is closed.
  virtual void Disconnect() = 0;
};

// The SSL library's text for one of its result codes.
const char* SslErrorText(int32_t code);

}  // namespace qorv

#endif  // QORV_NET_SSL_CHANNEL_H_
