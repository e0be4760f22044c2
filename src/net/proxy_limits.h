// The fixed bounds of a proxy exchange: nothing a proxy answers makes the
// client read, keep or allocate more than these.
#ifndef QORV_NET_PROXY_LIMITS_H_
#define QORV_NET_PROXY_LIMITS_H_

#include <cstddef>

namespace qorv {

// An HTTP proxy's answer header, status line to the empty line included. A
// header that has not ended within this many bytes is an error response.
inline constexpr size_t kProxyHeaderLimit = 2048;

// The body of a 407 answer that the NTLM exchange skips on its kept-alive
// connection (announced by Content-Length) before the next answer header.
// A longer announced body is an error response.
inline constexpr size_t kProxyBodySkipLimit = 65536;

// A SOCKS5 connect reply: 4 bytes, the bound address (IPv4 4, IPv6 16, or
// a length byte and at most 255 name bytes) and the 2-byte port.
inline constexpr size_t kSocks5ReplyLimit = 4 + 1 + 255 + 2;

// Polls of 300 ms that one wait for a proxy's answer (or for room to send)
// may take: 30 seconds of silence end the exchange with 11002.
inline constexpr int kProxyAnswerPollLimit = 100;

}  // namespace qorv

#endif  // QORV_NET_PROXY_LIMITS_H_
