// An incoming message: one received frame whose payload is parsed field by
// field (encodings as in out_message.h). Reads return values; reading past the
// end of the payload throws CCancelableSocketBufferException and reads
// nothing.
//
// The payload comes from a socket (Receive) or from memory (SetPayload,
// ParseFrame), so the reference server, fuzzers and byte-level tests parse
// with the same class.
#ifndef QORV_NET_IN_MESSAGE_H_
#define QORV_NET_IN_MESSAGE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qorv {

class CBlockingSocket;

class CInMessage {
 public:
  CInMessage() = default;
  virtual ~CInMessage() = default;
  CInMessage(const CInMessage&) = delete;
  CInMessage& operator=(const CInMessage&) = delete;

  // Receives one frame: the 32-bit payload length, then the payload, and
  // sets the read offset to 0. Returns 0; 2 when the announced length passes
  // the incoming bound (512 MiB) or the buffer cannot grow; or the socket's
  // transport code. The buffer grows as the payload arrives. On failure the
  // message is empty.
  virtual int32_t Receive(CBlockingSocket& socket);

  // Takes a payload as it came off the wire (enciphered in the Blowfish form)
  // and sets the read offset to 0. Returns 0 or 2.
  int32_t SetPayload(const uint8_t* data, size_t length);

  // Takes the frame at the start of `bytes` (length prefix and payload).
  // Returns 0 and the frame's size in *consumed; 2 when the announced length
  // passes the bound or cannot be allocated; 11001 when `bytes` ends before
  // the frame does.
  int32_t ParseFrame(const uint8_t* bytes, size_t length, size_t* consumed);

  // Frees the payload: the message is empty until the next one.
  void Release() { Clear(); }

  void ReadBytes(void* destination, size_t length);
  uint8_t ReadByte();
  int32_t ReadInt32();
  bool ReadBool();  // any nonzero value is true
  double ReadDate();
  // Throws CCancelableSocketBufferException when the count is negative or
  // runs past the payload (before allocating), std::bad_alloc when the
  // string cannot be allocated.
  std::string ReadString();

  const uint8_t* data() const { return data_.get(); }
  size_t size() const { return size_; }
  size_t position() const { return position_; }
  size_t remaining() const { return size_ - position_; }

 protected:
  // Turns the received payload into the plain field sequence (deciphers it
  // in the Blowfish form). Returns 0 or a failure code that empties the
  // message.
  virtual int32_t DecodePayload() { return 0; }

  uint8_t* mutable_data() { return data_.get(); }

 private:
  void Clear();
  // Grows the buffer to hold at least `length` bytes; false when memory is short.
  bool GrowTo(size_t length);

  std::unique_ptr<uint8_t[]> data_;
  size_t capacity_ = 0;
  size_t size_ = 0;
  size_t position_ = 0;  // read offset
};

}  // namespace qorv

#endif  // QORV_NET_IN_MESSAGE_H_
