// The HTTP CONNECT exchange as a parser on buffers: it sends one request
// text, skips the body of an earlier answer still on the connection, and
// reads the answer header one byte at a time up to the empty line. The
// header never grows past kProxyHeaderLimit: a longer one is an error
// response (11306).
#ifndef QORV_NET_HTTP_CONNECT_EXCHANGE_H_
#define QORV_NET_HTTP_CONNECT_EXCHANGE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/proxy_exchange.h"
#include "net/proxy_limits.h"

namespace qorv {

class HttpConnectExchange : public ProxyExchange {
 public:
  // `skip`: bytes of an earlier answer's body to read and drop before the
  // header (at most kProxyBodySkipLimit).
  explicit HttpConnectExchange(std::string_view request, size_t skip = 0);

  size_t BytesWanted() const override;
  size_t Feed(const uint8_t* data, size_t size) override;

  // The answer header, the closing "\r\n\r\n" included, once finished with 0.
  const std::string& header() const { return header_; }

 private:
  // Pieces in which a skipped body is read.
  static constexpr size_t kSkipPiece = 4096;

  size_t skip_;
  std::string header_;
};

}  // namespace qorv

#endif  // QORV_NET_HTTP_CONNECT_EXCHANGE_H_
