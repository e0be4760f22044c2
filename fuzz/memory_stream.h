// A peer made of an input's bytes, for the targets that drive code which
// reads from a socket: pushed on a socket that has no descriptor, it hands
// out the bytes in order, then reports the peer's close; what is sent to it
// is kept. It never answers "would block", so the socket never waits.
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
  explicit MemoryStream(std::string_view incoming) : incoming_(incoming) {}

  StreamResult Send(const void* data, size_t length) override {
    sent_.append(static_cast<const char*>(data), length);
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

  const std::string& sent() const { return sent_; }
  size_t unread() const { return incoming_.size(); }

 private:
  std::string_view incoming_;
  std::string sent_;
};

// Puts a memory stream of `incoming` on `socket` and returns it (owned by
// the socket).
inline MemoryStream* PushMemoryStream(CCancelableSocket& socket, std::string_view incoming) {
  auto stream = std::make_unique<MemoryStream>(incoming);
  MemoryStream* kept = stream.get();
  socket.PushStream(std::move(stream));  // no descriptor: the switch to non-blocking fails
  return kept;
}

}  // namespace qorv::fuzz

#endif  // QORV_FUZZ_MEMORY_STREAM_H_
