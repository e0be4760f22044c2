#include "server/server_handshake.h"

#include "net/byte_order.h"
#include "net/handshake.h"
#include "qorvsdk/result_codes.h"

namespace qorv::server {
namespace {

void PutBigEndian(std::vector<uint8_t>* bytes, uint32_t value) {
  uint8_t word[4];
  StoreBigEndian32(word, value);
  bytes->insert(bytes->end(), word, word + 4);
}

void PutRaw4(std::vector<uint8_t>* bytes, uint32_t value) {
  uint8_t word[4];
  StoreLittleEndian32(word, value);
  bytes->insert(bytes->end(), word, word + 4);
}

void PutString(std::vector<uint8_t>* bytes, const std::string& text) {
  PutBigEndian(bytes, static_cast<uint32_t>(text.size()));
  bytes->insert(bytes->end(), text.begin(), text.end());
}

}  // namespace

std::vector<uint8_t> ServerHandshakeBytes(const std::string& accepted_versions,
                                          int32_t encryption_mode) {
  std::vector<uint8_t> bytes;
  PutBigEndian(&bytes, kHandshakeMagic);
  PutString(&bytes, accepted_versions);
  PutRaw4(&bytes, 0);
  PutBigEndian(&bytes, static_cast<uint32_t>(encryption_mode));
  PutString(&bytes, kProductName);
  PutRaw4(&bytes, 0);       // value 7
  PutBigEndian(&bytes, 0);  // value 8
  PutBigEndian(&bytes, 0);  // value 9
  PutBigEndian(&bytes, 0);  // value 10
  PutRaw4(&bytes, 0);       // value 11
  return bytes;
}

int32_t AnswerHandshake(CBlockingSocket& socket, const std::string& accepted_versions,
                        int32_t encryption_mode) {
  int32_t magic = 0;
  int32_t code = socket.ReceiveInt32(&magic);
  if (code != kResultOk) return code;
  // Anything else (a web browser, a port scanner, a peer out of step) is not
  // a client of this protocol: it gets no answer.
  if (static_cast<uint32_t>(magic) != kHandshakeMagic) return kResultNotThisProduct;
  const std::vector<uint8_t> bytes = ServerHandshakeBytes(accepted_versions, encryption_mode);
  return socket.Send(bytes.data(), bytes.size());
}

}  // namespace qorv::server
