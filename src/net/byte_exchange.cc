#include "net/byte_exchange.h"

#include <new>

#include "net/blocking_socket.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

int32_t RunExchange(CBlockingSocket& socket, ByteExchange& exchange) {
  std::vector<uint8_t> piece;
  for (;;) {
    const std::vector<uint8_t> outgoing = exchange.TakeOutgoing();
    if (!outgoing.empty()) {
      const int32_t code = socket.Send(outgoing.data(), outgoing.size());
      if (code != kResultOk) return code;
    }
    if (exchange.finished()) return exchange.result();
    const size_t wanted = exchange.BytesWanted();
    try {
      piece.resize(wanted);
    } catch (const std::bad_alloc&) {
      return kResultReceiveOutOfMemory;
    }
    const int32_t code = socket.Receive(piece.data(), wanted);
    if (code != kResultOk) return code;
    exchange.Feed(piece.data(), wanted);
  }
}

}  // namespace qorv
