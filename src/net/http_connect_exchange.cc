#include "net/http_connect_exchange.h"

#include <algorithm>

#include "qorvsdk/result_codes.h"

namespace qorv {

HttpConnectExchange::HttpConnectExchange(std::string_view request, size_t skip) : skip_(skip) {
  QueueOutgoing(reinterpret_cast<const uint8_t*>(request.data()), request.size());
  header_.reserve(kProxyHeaderLimit);
}

size_t HttpConnectExchange::BytesWanted() const {
  if (finished()) return 0;
  if (skip_ > 0) return std::min(skip_, kSkipPiece);
  return 1;  // the end of the header is found byte by byte
}

size_t HttpConnectExchange::Feed(const uint8_t* data, size_t size) {
  size_t taken = 0;
  while (!finished() && taken < size) {
    if (skip_ > 0) {
      const size_t skipped = std::min(skip_, size - taken);
      skip_ -= skipped;
      taken += skipped;
      continue;
    }
    header_.push_back(static_cast<char>(data[taken++]));
    if (header_.size() >= 4 && header_.compare(header_.size() - 4, 4, "\r\n\r\n") == 0) {
      Finish(kResultOk);
    } else if (header_.size() >= kProxyHeaderLimit) {
      Fail(kResultProxyBadResponse, "HTTP proxy's answer header is longer than " +
                                        std::to_string(kProxyHeaderLimit) + " bytes");
    }
  }
  return taken;
}

}  // namespace qorv
