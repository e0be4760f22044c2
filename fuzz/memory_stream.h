// A peer made of an input's bytes, for the targets that drive code which
// reads from a socket: pushed on a socket, it hands out the bytes in order,
// then reports the peer's close; what is sent to it is kept in a string of
// the caller's (the stream goes when the socket is closed). It never
// answers "would block". A socket that waits before it sends waits on its
// descriptor: an unconnected one, which is always ready.
#ifndef QORV_FUZZ_MEMORY_STREAM_H_
#define QORV_FUZZ_MEMORY_STREAM_H_

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "net/byte_stream.h"
#include "net/cancelable_socket.h"

namespace qorv::fuzz {

class MemoryStream final : public ByteStream {
 public:
  MemoryStream(std::string_view incoming, std::string* sent) : incoming_(incoming), sent_(sent) {}

  StreamResult Send(const void* data, size_t length) override {
    sent_->append(static_cast<const char*>(data), length);
    return StreamResult::Done(length);
  }
  StreamResult Receive(void* buffer, size_t length, bool peek) override {
    if (incoming_.empty()) return StreamResult::Closed();
    const size_t count = std::min(length, incoming_.size());
    std::memcpy(buffer, incoming_.data(), count);
    if (!peek) incoming_.remove_prefix(count);
    return StreamResult::Done(count);
  }
  // Always: a receive is answered at once, with bytes or the close.
  bool HasBufferedData() const override { return true; }
  int Close() override { return 0; }

 private:
  std::string_view incoming_;
  std::string* sent_;
};

// Gives `socket` an unconnected descriptor and puts a memory stream of
// `incoming` on it; what the socket sends is appended to *sent. False when
// no descriptor could be had.
inline bool PushMemoryStream(CCancelableSocket& socket, std::string_view incoming,
                             std::string* sent) {
  if (socket.Create(false, false, false) != 0) return false;
  return socket.PushStream(std::make_unique<MemoryStream>(incoming, sent)) == 0;
}

}  // namespace qorv::fuzz

#endif  // QORV_FUZZ_MEMORY_STREAM_H_
