// The base of every proxy kind's exchange: a ByteExchange that, when it
// fails, also says why in a text that names the proxy kind (never the
// user's password), for the socket's last error text.
#ifndef QORV_NET_PROXY_EXCHANGE_H_
#define QORV_NET_PROXY_EXCHANGE_H_

#include <cstdint>
#include <string>
#include <utility>

#include "net/byte_exchange.h"

namespace qorv {

class ProxyExchange : public ByteExchange {
 public:
  // Empty unless the exchange failed on the proxy's answer.
  const std::string& failure_text() const { return failure_text_; }

 protected:
  void Fail(int32_t code, std::string text) {
    failure_text_ = std::move(text);
    Finish(code);
  }

 private:
  std::string failure_text_;
};

}  // namespace qorv

#endif  // QORV_NET_PROXY_EXCHANGE_H_
