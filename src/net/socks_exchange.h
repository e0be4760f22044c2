// The SOCKS exchanges as parsers on buffers: SOCKS4's connect request and
// 8-byte reply; SOCKS5's greeting with its method choice and optional user
// name/password sub-negotiation, then its connect request and reply.
#ifndef QORV_NET_SOCKS_EXCHANGE_H_
#define QORV_NET_SOCKS_EXCHANGE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/proxy_exchange.h"
#include "net/proxy_limits.h"

namespace qorv {

// SOCKS4: sends 4, 1, the port (big-endian), the IPv4 address (network
// order) and an empty user id (one zero byte); reads exactly 8 bytes. 0 when
// the second is 90 (granted), else 11306.
class Socks4Exchange : public ProxyExchange {
 public:
  // `address` in network byte order, as platform::Ipv4Address holds it.
  Socks4Exchange(uint32_t address, uint16_t port);

  size_t BytesWanted() const override;
  size_t Feed(const uint8_t* data, size_t size) override;

 private:
  static constexpr size_t kReplySize = 8;
  uint8_t reply_[kReplySize] = {};
  size_t received_ = 0;
};

// SOCKS5 method negotiation. With `authenticate`: offers methods 0 and 2
// (5, 2, 0, 2); a method reply of another version than 5 is 11306; method 2
// sends the user name/password request (1, length, name, length, password,
// each length the low 8 bits of the byte count and each text cut to it),
// whose status then stands for the method. Without: offers method 0 only
// (5, 1, 0); another version than 5 is 11304. The method (or status) must be
// 0, else 11304.
class Socks5MethodExchange : public ProxyExchange {
 public:
  Socks5MethodExchange(bool authenticate, std::string_view user, std::string_view password);

  size_t BytesWanted() const override;
  size_t Feed(const uint8_t* data, size_t size) override;

 private:
  void OnMethodReply();
  void OnAuthReply();

  const bool authenticate_;
  const std::string user_;
  const std::string password_;
  bool in_sub_negotiation_ = false;
  uint8_t reply_[2] = {};
  size_t received_ = 0;
};

// SOCKS5 connect: sends 5, 1, 0, 1, the IPv4 address and the port (10
// bytes). Reads the version and reply code first: 0 when they are 5 and 0,
// else 11306. A granted reply is then read to its end as its address type
// gives it (IPv4, name or IPv6), so no byte of it is left for the server's
// handshake; another address type is 11306.
class Socks5ConnectExchange : public ProxyExchange {
 public:
  Socks5ConnectExchange(uint32_t address, uint16_t port);

  size_t BytesWanted() const override;
  size_t Feed(const uint8_t* data, size_t size) override;

 private:
  // The reply's whole length once its first 5 bytes are known; 0 for an
  // address type that is none of the three.
  size_t ReplyLength() const;
  void OnBytes();

  uint8_t reply_[kSocks5ReplyLimit] = {};
  size_t received_ = 0;
  size_t expected_ = 2;  // grows as the reply tells its length
};

}  // namespace qorv

#endif  // QORV_NET_SOCKS_EXCHANGE_H_
