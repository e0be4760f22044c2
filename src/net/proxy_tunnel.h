// The proxy traversal the SDK uses: SOCKS4, SOCKS5 (with user name and
// password when a user name is given) and HTTP CONNECT (without
// credentials, then Basic or NTLM as the proxy asks). Each request and
// answer runs as a ByteExchange over the socket; every wait for the proxy
// observes the cancel flag and gives up after the answer poll limit.
//
// On a failure the socket's last error text says what the proxy answered,
// naming the proxy kind; no text ever holds the proxy password.
#ifndef QORV_NET_PROXY_TUNNEL_H_
#define QORV_NET_PROXY_TUNNEL_H_

#include <cstdint>

#include "net/proxy_limits.h"
#include "net/proxy_traversal.h"

namespace qorv {

class ProxyExchange;

class ProxyTunnel : public ProxyTraversal {
 public:
  // `answer_poll_limit`: polls of 300 ms each wait for the proxy may take
  // (tests shorten it).
  explicit ProxyTunnel(int answer_poll_limit = kProxyAnswerPollLimit)
      : answer_poll_limit_(answer_poll_limit) {}

  int32_t Traverse(CCancelableSocket& socket, const ConnectSettings& settings) override;

 private:
  int32_t Socks4(CCancelableSocket& socket, const ConnectSettings& settings);
  int32_t Socks5(CCancelableSocket& socket, const ConnectSettings& settings);
  int32_t Http(CCancelableSocket& socket, const ConnectSettings& settings);
  int32_t HttpBasic(CCancelableSocket& socket, const ConnectSettings& settings);
  int32_t HttpNtlm(CCancelableSocket& socket, const ConnectSettings& settings);

  // Runs `exchange`, noting its failure text on the socket.
  int32_t Run(CCancelableSocket& socket, ProxyExchange& exchange);

  const int answer_poll_limit_;
};

}  // namespace qorv

#endif  // QORV_NET_PROXY_TUNNEL_H_
