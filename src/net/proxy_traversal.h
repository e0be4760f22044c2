// The seam to proxy traversal: before the handshake, a connection through a
// SOCKS4, SOCKS5 or HTTP CONNECT proxy asks the proxy for a tunnel to the
// server on the same socket.
//
// A traversal connects the socket to the proxy (ConnectWithTimeout) and runs
// each request and answer of its proxy kind as a ByteExchange
// (net/byte_exchange.h) with RunExchange, so the exchanges are parsers on
// buffers that tests and fuzzers feed directly. An open tunnel carries the
// server's bytes unchanged: the TCP stream below it serves as the tunnel,
// and a layer is pushed (CBlockingSocket::PushStream) only when the tunnel
// itself must transform or hold bytes.
#ifndef QORV_NET_PROXY_TRAVERSAL_H_
#define QORV_NET_PROXY_TRAVERSAL_H_

#include <cstdint>
#include <string>

namespace qorv {

class CCancelableSocket;

// Proxy types of a connect.
inline constexpr int32_t kProxyNone = 0;
inline constexpr int32_t kProxySocks4 = 1;
inline constexpr int32_t kProxySocks5 = 2;
inline constexpr int32_t kProxyHttp = 3;

// Where a connection goes and through which proxy.
struct ConnectSettings {
  std::string server_host;  // dotted IPv4 address or host name
  uint16_t server_port = 0;
  int32_t proxy_type = kProxyNone;
  std::string proxy_host;
  uint16_t proxy_port = 0;
  std::string proxy_user;  // used only to authenticate with the proxy
  std::string proxy_password;
  // Encryption mode 2: a CA file named by the caller. When set, the server
  // is verified against it, and the certificate the server sends is neither
  // written nor pinned.
  std::string trusted_ca_file;
  // Seconds a receive may wait without a byte before it fails with 11002
  // (0: without limit), with the keep-alive timing derived from it
  // (CCancelableSocket::set_receive_timeout).
  int32_t receive_timeout_seconds = 0;
};

// "SOCKS4", "SOCKS5" or "HTTP" for messages; empty for any other type.
const char* ProxyKindName(int32_t proxy_type);

class ProxyTraversal {
 public:
  virtual ~ProxyTraversal() = default;

  // Connects the created socket to the proxy of `settings` and opens a
  // tunnel to the server. Returns 0 (the socket now talks to the server), a
  // proxy result code (11303 to 11309), or a transport code. Leaves the
  // socket to the caller, which closes it on failure.
  virtual int32_t Traverse(CCancelableSocket& socket, const ConnectSettings& settings) = 0;
};

// Knows no proxy type: every traversal ends with 11309 (unknown proxy type).
class NoProxyTraversal : public ProxyTraversal {
 public:
  int32_t Traverse(CCancelableSocket& socket, const ConnectSettings& settings) override;
};

}  // namespace qorv

#endif  // QORV_NET_PROXY_TRAVERSAL_H_
