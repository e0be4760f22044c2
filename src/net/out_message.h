// An outgoing message: a payload of typed fields built in memory, sent as one
// frame (a big-endian 32-bit payload length, then the payload).
//
// Field encodings (packed back to back, no alignment, no tags):
//   byte       1 byte
//   int32      4 bytes, signed, big-endian
//   boolean    an int32, 1 or 0
//   string     an int32 byte count N, then N bytes, no terminator
//   date-time  int32 days D = value truncated toward zero, then int32
//              milliseconds M = (value - D) x 86400000 truncated toward zero
//   raw bytes  as given, no prefix
//
// The class works on memory only: BuildFrame() gives the frame's bytes, and
// Send() writes the same bytes to a socket, so a server, a fuzzer or a test
// uses the very same encoding.
#ifndef QORV_NET_OUT_MESSAGE_H_
#define QORV_NET_OUT_MESSAGE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace qorv {

class CBlockingSocket;

class COutMessage {
 public:
  // The capacity grows by this many bytes for an append of at most this
  // size, else by the append's own size.
  static constexpr size_t kGrowthStep = 5120;
  // The largest payload a frame can announce (a multiple of 8, so that the
  // enciphered form fits as well).
  static constexpr size_t kMaxPayload = 0xFFFFFFF8u;

  COutMessage() = default;
  virtual ~COutMessage() = default;
  COutMessage(const COutMessage&) = delete;
  COutMessage& operator=(const COutMessage&) = delete;

  // Frees the payload: capacity and size 0. Done at the start of every request.
  void Reset();

  // Each Append returns 0, or 2 when the buffer cannot grow (the payload is
  // then unchanged, except that AppendDate keeps the days if only the
  // milliseconds failed).
  int32_t AppendBytes(const void* data, size_t length);
  int32_t AppendByte(int32_t value);  // the low 8 bits
  int32_t AppendInt32(int32_t value);
  int32_t AppendBool(bool value);
  // A date outside the int32 range of days, or not a number, is written with
  // its days clamped to that range (NaN as 0) and no milliseconds.
  int32_t AppendDate(double value);
  int32_t AppendString(std::string_view text);

  // The frame as it goes on the wire. Returns 0, or 2 when memory is short.
  virtual int32_t BuildFrame(std::vector<uint8_t>* frame) const;

  // Sends the frame; returns the socket's transport code (or 2).
  virtual int32_t Send(CBlockingSocket& socket);

  const uint8_t* data() const { return data_.get(); }
  size_t size() const { return size_; }
  size_t capacity() const { return capacity_; }

 private:
  // Makes room for `length` more bytes by the growth rule; false when memory
  // is short or the payload would pass kMaxPayload.
  bool Reserve(size_t length);

  std::unique_ptr<uint8_t[]> data_;
  size_t capacity_ = 0;
  size_t size_ = 0;  // bytes written so far
};

}  // namespace qorv

#endif  // QORV_NET_OUT_MESSAGE_H_
