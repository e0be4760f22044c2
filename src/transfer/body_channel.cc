#include "transfer/body_channel.h"

#include <algorithm>
#include <new>

#include "codec/byte_order.h"

namespace qorv {
namespace {

TransferOutcome Mismatch() { return {kResultLocalStoreFailed, kTextBatchMismatch}; }

TransferOutcome SocketFailure(ServerConnection& connection, int32_t code) {
  return {code, connection.StatusText(code)};
}

// The payload length a message of `length` bytes has on the wire.
size_t WireLength(const Blowfish* cipher, size_t length) {
  return cipher != nullptr ? Blowfish::PaddedLength(length) : length;
}

}  // namespace

BodyChannel::BodyChannel() : buffer_(new (std::nothrow) uint8_t[4 + kMessageSize]) {}

const Blowfish* BodyChannel::CipherOf(ServerConnection& connection, bool* out_of_memory) {
  *out_of_memory = false;
  const auto* blowfish = dynamic_cast<const CBlowfishOutMessage*>(&connection.out_message());
  if (blowfish == nullptr) return nullptr;
  cipher_.SetKey(blowfish->key());
  const Blowfish* context = cipher_.Context();
  *out_of_memory = context == nullptr;
  return context;
}

int32_t BodyChannel::SendMessage(ServerConnection& connection, const Blowfish* cipher,
                                 size_t length) {
  // Prefix and payload leave in one send; the padding of a Blowfish frame
  // fits, since kMessageSize is a multiple of the block size.
  if (cipher != nullptr && length > 0) length = cipher->Encipher(payload(), payload(), length);
  StoreBigEndian32(buffer_.get(), static_cast<uint32_t>(length));
  return connection.socket().Send(buffer_.get(), 4 + length);
}

TransferOutcome BodyChannel::ReceiveMessage(ServerConnection& connection, const Blowfish* cipher,
                                            size_t* length) {
  int32_t announced = 0;
  int32_t code = connection.socket().ReceiveInt32(&announced);
  if (code != kResultOk) return SocketFailure(connection, code);
  const uint32_t bytes = static_cast<uint32_t>(announced);
  if (bytes > kMessageSize || (cipher != nullptr && bytes % Blowfish::kBlockSize != 0)) {
    return Mismatch();
  }
  if (bytes > 0) {
    code = connection.socket().Receive(payload(), bytes);
    if (code != kResultOk) return SocketFailure(connection, code);
    if (cipher != nullptr) cipher->Decipher(payload(), payload(), bytes);
  }
  *length = bytes;
  return {};
}

TransferOutcome BodyChannel::Send(ServerConnection& connection, uint32_t size,
                                  const ReadPiece& read, const Progress& progress) {
  if (!ready()) return {kResultOutOfMemory, kTextOutOfMemoryShort};
  bool out_of_memory = false;
  const Blowfish* cipher = CipherOf(connection, &out_of_memory);
  if (out_of_memory) return {kResultOutOfMemory, kTextOutOfMemoryShort};

  uint64_t sent = 0;
  bool first = true;
  while (first || sent < size) {
    const size_t header = first ? 4 : 0;
    const size_t piece = std::min<uint64_t>(size - sent, kMessageSize - header);
    if (first) StoreBigEndian32(payload(), size);
    if (piece > 0) {
      TransferOutcome outcome = read(payload() + header, piece);
      if (!outcome.ok()) return outcome;
    }
    const int32_t code = SendMessage(connection, cipher, header + piece);
    if (code != kResultOk) return SocketFailure(connection, code);
    sent += piece;
    first = false;
    if (progress) progress(sent);
  }
  return {kResultOk, kTextFileSent};
}

TransferOutcome BodyChannel::Receive(ServerConnection& connection, uint32_t expected_size,
                                     const WritePiece& write, const Progress& progress) {
  uint32_t announced = 0;
  return ReceiveBody(connection, expected_size, true, write, progress, &announced);
}

TransferOutcome BodyChannel::ReceiveUpTo(ServerConnection& connection, uint32_t max_size,
                                         const WritePiece& write, const Progress& progress,
                                         uint32_t* size) {
  return ReceiveBody(connection, max_size, false, write, progress, size);
}

TransferOutcome BodyChannel::ReceiveBody(ServerConnection& connection, uint32_t size, bool exact,
                                         const WritePiece& write, const Progress& progress,
                                         uint32_t* announced) {
  *announced = 0;
  uint32_t expected_size = size;
  if (!ready()) return {kResultOutOfMemory, kTextOutOfMemoryShort};
  bool out_of_memory = false;
  const Blowfish* cipher = CipherOf(connection, &out_of_memory);
  if (out_of_memory) return {kResultOutOfMemory, kTextOutOfMemoryShort};

  uint64_t received = 0;
  bool first = true;
  while (first || received < expected_size) {
    size_t length = 0;
    TransferOutcome outcome = ReceiveMessage(connection, cipher, &length);
    if (!outcome.ok()) return outcome;
    size_t header = 0;
    if (first) {
      if (length < 4) return Mismatch();
      const uint32_t body_size = LoadBigEndian32(payload());
      if (exact ? body_size != size : body_size > size) return Mismatch();
      expected_size = body_size;
      *announced = body_size;
      header = 4;
    }
    const size_t piece = std::min<uint64_t>(expected_size - received, kMessageSize - header);
    if (length != WireLength(cipher, header + piece)) return Mismatch();
    if (piece > 0) {
      outcome = write(payload() + header, piece);
      if (!outcome.ok()) return outcome;
    }
    received += piece;
    first = false;
    if (progress) progress(received);
  }
  return {kResultOk, kTextFileReceived};
}

}  // namespace qorv
