// A conversation with a peer written as a parser on buffers: it queues the
// bytes it has to send, says how many it reads next, and takes the bytes it
// is fed, in any chunks. It never touches a socket, so tests and fuzzers
// feed it bytes directly, and RunExchange moves the same bytes over a
// socket's stream stack. The handshake (both sides) is written this way, and
// so is every proxy kind's request and answer.
#ifndef QORV_NET_BYTE_EXCHANGE_H_
#define QORV_NET_BYTE_EXCHANGE_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace qorv {

class CBlockingSocket;

class ByteExchange {
 public:
  virtual ~ByteExchange() = default;

  // Takes the bytes to send before anything more is read (empty when none).
  std::vector<uint8_t> TakeOutgoing() { return std::exchange(outgoing_, {}); }

  // How many bytes the exchange reads next, at most: never more than it
  // needs, so a driver that reads exactly this count never takes bytes that
  // follow the exchange on the connection. At least 1 until finished, then 0.
  virtual size_t BytesWanted() const = 0;

  // Takes bytes from the peer. Returns how many were taken: all of them,
  // unless the exchange finished on the way (the rest are not its own).
  virtual size_t Feed(const uint8_t* data, size_t size) = 0;

  bool finished() const { return finished_; }
  // 0, or the code the exchange failed with; meaningful once finished.
  int32_t result() const { return result_; }

 protected:
  void QueueOutgoing(const uint8_t* data, size_t size) {
    // resize and memcpy rather than insert: GCC 12 at -O3 sees a false
    // -Wstringop-overflow in the inlined vector insert.
    if (size == 0) return;
    const size_t queued = outgoing_.size();
    outgoing_.resize(queued + size);
    std::memcpy(outgoing_.data() + queued, data, size);
  }
  void Finish(int32_t result) {
    finished_ = true;
    result_ = result;
  }

 private:
  std::vector<uint8_t> outgoing_;
  bool finished_ = false;
  int32_t result_ = 0;
};

// Runs `exchange` over `socket`: sends what it queues, then receives exactly
// the bytes it wants, until it finishes. Returns its result; or the transport
// code of a failed send or receive (11001, 11002, 11003), the exchange left
// unfinished; or 11004 when memory for the received piece is short.
int32_t RunExchange(CBlockingSocket& socket, ByteExchange& exchange);

}  // namespace qorv

#endif  // QORV_NET_BYTE_EXCHANGE_H_
