// A file body on a transfer connection: one announced size S and the bytes
// of the files back to back, in messages of the connection's framing (plain,
// or Blowfish-enciphered with the key of its message buffers):
//   first message  int32 S, then the first min(S, 65532) bytes;
//   later messages the next min(remaining, 65536) bytes, nothing else.
//
// Every message passes through one buffer the channel owns, allocated once,
// so a body of any size costs 64 KiB; the size a peer announces is checked
// against the size expected before any byte of it is taken, and never
// decides an allocation. Every wait is the socket's, which observes the
// connection's cancel flag.
#ifndef QORV_TRANSFER_BODY_CHANNEL_H_
#define QORV_TRANSFER_BODY_CHANNEL_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "net/blowfish_message.h"
#include "net/server_connection.h"
#include "net/transport_limits.h"
#include "transfer/transfer_texts.h"

namespace qorv {

class BodyChannel {
 public:
  static constexpr size_t kMessageSize = kBodyMessageSize;
  static constexpr size_t kFirstPieceSize = kFirstBodyMessageBytes;

  // Fills `count` bytes at `into` with the next bytes of the body (send), or
  // takes the next `count` bytes of it (receive); a failure ends the body
  // with that outcome.
  using ReadPiece = std::function<TransferOutcome(uint8_t* into, size_t count)>;
  using WritePiece = std::function<TransferOutcome(const uint8_t* from, size_t count)>;
  // Told the bytes moved so far after each message.
  using Progress = std::function<void(uint64_t moved)>;

  BodyChannel();
  BodyChannel(const BodyChannel&) = delete;
  BodyChannel& operator=(const BodyChannel&) = delete;

  // False when the buffer could not be allocated (2, "Out of memory").
  bool ready() const { return buffer_ != nullptr; }

  // The same buffer as scratch space of kMessageSize bytes, for copying
  // files between bodies (never while a body is moving).
  uint8_t* scratch() { return payload(); }

  // Sends a body of `size` bytes taken from `read`. Returns 0 with "File
  // sent successfully", the socket's code and text, or the reader's failure.
  TransferOutcome Send(ServerConnection& connection, uint32_t size, const ReadPiece& read,
                       const Progress& progress);

  // Receives a body that must announce exactly `expected_size` bytes and
  // hands them to `write`. A message of another length than the framing
  // asks for, or another announced size, ends it with 12005. Returns 0 with
  // "File received successfully", the socket's code and text, 12005, or the
  // writer's failure. After any failure the connection is out of step.
  TransferOutcome Receive(ServerConnection& connection, uint32_t expected_size,
                          const WritePiece& write, const Progress& progress);

  // Receives a body whose size the receiver cannot know beforehand (a zip
  // archive, a digest or delta-information file): any announced size up to
  // `max_size` is taken, and *size is set to it; a larger announcement ends
  // it with 12005 before any byte of it is taken. Otherwise as Receive.
  TransferOutcome ReceiveUpTo(ServerConnection& connection, uint32_t max_size,
                              const WritePiece& write, const Progress& progress, uint32_t* size);

 private:
  // Receive and ReceiveUpTo: the announced size must equal `size` (exact)
  // or not exceed it.
  TransferOutcome ReceiveBody(ServerConnection& connection, uint32_t size, bool exact,
                              const WritePiece& write, const Progress& progress,
                              uint32_t* announced);
  // The cipher of the connection's Blowfish buffers, keyed as they are; null
  // on a plain connection.
  const Blowfish* CipherOf(ServerConnection& connection, bool* out_of_memory);
  int32_t SendMessage(ServerConnection& connection, const Blowfish* cipher, size_t length);
  // Receives one message of at most kMessageSize bytes into payload();
  // *length is its payload length (with the padding of a Blowfish frame).
  TransferOutcome ReceiveMessage(ServerConnection& connection, const Blowfish* cipher,
                                 size_t* length);
  uint8_t* payload() { return buffer_.get() + 4; }

  std::unique_ptr<uint8_t[]> buffer_;  // length prefix, then kMessageSize bytes
  ChannelCipher cipher_{kInitialChannelKey};
};

}  // namespace qorv

#endif  // QORV_TRANSFER_BODY_CHANNEL_H_
