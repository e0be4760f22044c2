// One layer of a connection's stream stack. A connection is a stack of
// streams: the TCP stream at the bottom, then optionally a proxy tunnel, then
// optionally a TLS stream; the socket object (CBlockingSocket) moves every
// byte through the top one.
//
// A stream never waits. When it cannot go on it answers "would block" and
// says which readiness of the connection it needs: a TLS stream may need to
// read (a record, a renegotiation) while sending, or to write while
// receiving. The socket object then waits for exactly that, observing its
// cancel flag and time-outs, and calls again.
#ifndef QORV_NET_BYTE_STREAM_H_
#define QORV_NET_BYTE_STREAM_H_

#include <cstddef>
#include <cstdint>

namespace qorv {

// The readiness a stream waits for.
enum class StreamWait : uint8_t { kRead, kWrite };

// Where a failure code comes from, which decides its text: the operating
// system's socket error codes, or the SSL library's result codes (20001 to
// 20100, texts by SslErrorText).
enum class StreamErrorSource : uint8_t { kSocket, kChannel };

// The outcome of one Send or Receive call of a stream.
struct StreamResult {
  enum class Kind : uint8_t {
    kDone,        // `count` bytes moved (at least one)
    kWouldBlock,  // nothing moved; call again once `wants` is ready
    kClosed,      // the peer closed the stream (receive only)
    kFailed,      // `error` from `source`
  };
  Kind kind = Kind::kDone;
  size_t count = 0;
  StreamWait wants = StreamWait::kRead;
  int32_t error = 0;
  StreamErrorSource source = StreamErrorSource::kSocket;

  static StreamResult Done(size_t count) { return {Kind::kDone, count}; }
  static StreamResult WouldBlock(StreamWait wants) { return {Kind::kWouldBlock, 0, wants}; }
  static StreamResult Closed() { return {Kind::kClosed}; }
  static StreamResult Failed(int32_t error, StreamErrorSource source) {
    return {Kind::kFailed, 0, StreamWait::kRead, error, source};
  }
};

class ByteStream {
 public:
  virtual ~ByteStream() = default;

  // Sends up to `length` bytes (length > 0); may take fewer.
  virtual StreamResult Send(const void* data, size_t length) = 0;

  // Receives up to `length` bytes (length > 0). With `peek` the bytes stay in
  // the stream for the next receive.
  virtual StreamResult Receive(void* buffer, size_t length, bool peek) = 0;

  // True when bytes wait inside this stream (or one below it) that a receive
  // can take without the connection becoming readable: deciphered bytes of a
  // TLS stream never make the socket readable, so waiting for it would stall.
  virtual bool HasBufferedData() const = 0;

  // Ends this layer before the layers below it end (a TLS stream sends its
  // close notice here). Returns 0, or the system's error code when the TCP
  // stream's descriptor reported a failure on closing (it is released all
  // the same).
  virtual int Close() = 0;
};

}  // namespace qorv

#endif  // QORV_NET_BYTE_STREAM_H_
