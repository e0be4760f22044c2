#include "server/server_handshake.h"

#include <algorithm>
#include <cstring>

#include "codec/byte_order.h"
#include "net/handshake.h"
#include "net/out_message.h"
#include "qorvsdk/result_codes.h"

namespace qorv::server {
namespace {

// 4 bytes as they lie in memory on the client: little-endian.
void AppendRaw4(COutMessage& out, uint32_t value) {
  uint8_t word[4];
  StoreLittleEndian32(word, value);
  out.AppendBytes(word, sizeof(word));
}

}  // namespace

std::vector<uint8_t> ServerHandshakeBytes(const std::string& accepted_versions,
                                          int32_t encryption_mode) {
  // The handshake is no frame, but its int32 and string fields are encoded
  // as in one: the message buffer builds them.
  COutMessage out;
  out.AppendInt32(static_cast<int32_t>(kHandshakeMagic));
  out.AppendString(accepted_versions);
  AppendRaw4(out, 0);
  out.AppendInt32(encryption_mode);
  out.AppendString(kProductName);
  AppendRaw4(out, 0);  // value 7
  out.AppendInt32(0);  // value 8
  out.AppendInt32(0);  // value 9
  out.AppendInt32(0);  // value 10
  AppendRaw4(out, 0);  // value 11
  return std::vector<uint8_t>(out.data(), out.data() + out.size());
}

size_t ServerHandshake::Feed(const uint8_t* data, size_t size) {
  if (finished()) return 0;
  const size_t count = std::min(size, sizeof(word_) - filled_);
  std::memcpy(word_ + filled_, data, count);
  filled_ += count;
  if (filled_ < sizeof(word_)) return count;
  filled_ = 0;
  if (answered_) {
    // Mode 2: the client's request word; only a 1 asks for the certificate.
    if (LoadLittleEndian32(word_) == 1) {
      COutMessage out;
      out.AppendString(ca_certificate_);
      QueueOutgoing(out.data(), out.size());
    }
    Finish(kResultOk);
    return count;
  }
  // Anything else (a web browser, a port scanner, a peer out of step) is not
  // a client of this protocol: it gets no answer.
  if (LoadBigEndian32(word_) != kHandshakeMagic) {
    Finish(kResultNotThisProduct);
    return count;
  }
  const std::vector<uint8_t> answer = ServerHandshakeBytes(accepted_versions_, encryption_mode_);
  QueueOutgoing(answer.data(), answer.size());
  answered_ = true;
  if (encryption_mode_ != kEncryptionSsl) Finish(kResultOk);
  return count;
}

int32_t AnswerHandshake(CBlockingSocket& socket, const std::string& accepted_versions,
                        int32_t encryption_mode, const std::string& ca_certificate) {
  ServerHandshake handshake(accepted_versions, encryption_mode, ca_certificate);
  return RunExchange(socket, handshake);
}

}  // namespace qorv::server
