#include "net/socks_exchange.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

constexpr uint8_t kSocks4Version = 4;
constexpr uint8_t kSocks4Granted = 90;
constexpr uint8_t kSocks5Version = 5;
constexpr uint8_t kCommandConnect = 1;
constexpr uint8_t kMethodNone = 0;
constexpr uint8_t kMethodUserPassword = 2;
constexpr uint8_t kUserPasswordVersion = 1;
constexpr uint8_t kAddressIpv4 = 1;
constexpr uint8_t kAddressName = 3;
constexpr uint8_t kAddressIpv6 = 4;

// Copies `size` bytes of `data` into `buffer` at `*filled`, at most up to
// `wanted`; returns how many were taken.
size_t Take(const uint8_t* data, size_t size, uint8_t* buffer, size_t* filled, size_t wanted) {
  const size_t taken = std::min(size, wanted - *filled);
  std::memcpy(buffer + *filled, data, taken);
  *filled += taken;
  return taken;
}

std::string Code(uint8_t value) { return std::to_string(static_cast<int>(value)); }

}  // namespace

Socks4Exchange::Socks4Exchange(uint32_t address, uint16_t port) {
  uint8_t request[9] = {kSocks4Version, kCommandConnect, static_cast<uint8_t>(port >> 8),
                        static_cast<uint8_t>(port)};
  std::memcpy(request + 4, &address, 4);  // already in network order
  request[8] = 0;                         // empty user id
  QueueOutgoing(request, sizeof request);
}

size_t Socks4Exchange::BytesWanted() const { return finished() ? 0 : kReplySize - received_; }

size_t Socks4Exchange::Feed(const uint8_t* data, size_t size) {
  if (finished()) return 0;
  const size_t taken = Take(data, size, reply_, &received_, kReplySize);
  if (received_ == kReplySize) {
    if (reply_[1] == kSocks4Granted) {
      Finish(kResultOk);
    } else {
      Fail(kResultProxyBadResponse,
           "SOCKS4 proxy refused the tunnel (reply code " + Code(reply_[1]) + ")");
    }
  }
  return taken;
}

Socks5MethodExchange::Socks5MethodExchange(bool authenticate, std::string_view user,
                                           std::string_view password)
    : authenticate_(authenticate), user_(user), password_(password) {
  if (authenticate_) {
    const uint8_t greeting[4] = {kSocks5Version, 2, kMethodNone, kMethodUserPassword};
    QueueOutgoing(greeting, sizeof greeting);
  } else {
    const uint8_t greeting[3] = {kSocks5Version, 1, kMethodNone};
    QueueOutgoing(greeting, sizeof greeting);
  }
}

size_t Socks5MethodExchange::BytesWanted() const { return finished() ? 0 : 2 - received_; }

size_t Socks5MethodExchange::Feed(const uint8_t* data, size_t size) {
  size_t taken = 0;
  while (!finished() && taken < size) {
    taken += Take(data + taken, size - taken, reply_, &received_, 2);
    if (received_ < 2) break;
    received_ = 0;
    if (in_sub_negotiation_) {
      OnAuthReply();
    } else {
      OnMethodReply();
    }
  }
  return taken;
}

void Socks5MethodExchange::OnMethodReply() {
  if (reply_[0] != kSocks5Version) {
    const std::string text = "SOCKS5 proxy answered the greeting with version " + Code(reply_[0]);
    Fail(authenticate_ ? kResultProxyBadResponse : kResultProxyAuthFailed, text);
    return;
  }
  if (authenticate_ && reply_[1] == kMethodUserPassword) {
    // Each length is the low 8 bits of the text's byte count; the text is
    // cut to it so that the lengths describe what is sent.
    const uint8_t user_length = static_cast<uint8_t>(user_.size());
    const uint8_t password_length = static_cast<uint8_t>(password_.size());
    std::vector<uint8_t> request(3u + user_length + password_length);
    request[0] = kUserPasswordVersion;
    request[1] = user_length;
    std::memcpy(request.data() + 2, user_.data(), user_length);
    request[2u + user_length] = password_length;
    std::memcpy(request.data() + 3 + user_length, password_.data(), password_length);
    QueueOutgoing(request.data(), request.size());
    in_sub_negotiation_ = true;
    return;
  }
  if (reply_[1] != kMethodNone) {
    Fail(kResultProxyAuthFailed,
         "SOCKS5 proxy accepted none of the offered methods (answer " + Code(reply_[1]) + ")");
    return;
  }
  Finish(kResultOk);
}

void Socks5MethodExchange::OnAuthReply() {
  if (reply_[1] != 0) {
    Fail(kResultProxyAuthFailed,
         "SOCKS5 proxy refused the user name and password (status " + Code(reply_[1]) + ")");
    return;
  }
  Finish(kResultOk);
}

Socks5ConnectExchange::Socks5ConnectExchange(uint32_t address, uint16_t port) {
  uint8_t request[10] = {kSocks5Version, kCommandConnect, 0, kAddressIpv4};
  std::memcpy(request + 4, &address, 4);  // already in network order
  request[8] = static_cast<uint8_t>(port >> 8);
  request[9] = static_cast<uint8_t>(port);
  QueueOutgoing(request, sizeof request);
}

size_t Socks5ConnectExchange::BytesWanted() const { return finished() ? 0 : expected_ - received_; }

size_t Socks5ConnectExchange::ReplyLength() const {
  switch (reply_[3]) {
    case kAddressIpv4:
      return 4 + 4 + 2;
    case kAddressName:
      return 4 + 1 + reply_[4] + 2;
    case kAddressIpv6:
      return 4 + 16 + 2;
    default:
      return 0;
  }
}

size_t Socks5ConnectExchange::Feed(const uint8_t* data, size_t size) {
  size_t taken = 0;
  while (!finished() && taken < size) {
    taken += Take(data + taken, size - taken, reply_, &received_, expected_);
    if (received_ < expected_) break;
    OnBytes();
  }
  return taken;
}

void Socks5ConnectExchange::OnBytes() {
  if (expected_ == 2) {
    if (reply_[0] != kSocks5Version || reply_[1] != 0) {
      Fail(kResultProxyBadResponse, "SOCKS5 proxy refused the tunnel (version " + Code(reply_[0]) +
                                        ", reply code " + Code(reply_[1]) + ")");
      return;
    }
    expected_ = 5;  // reserved byte, address type, first byte of the address
    return;
  }
  if (expected_ == 5) {
    const size_t length = ReplyLength();
    if (length == 0) {
      Fail(kResultProxyBadResponse,
           "SOCKS5 proxy's connect reply has an unknown address type " + Code(reply_[3]));
      return;
    }
    expected_ = length;  // at most kSocks5ReplyLimit
    if (received_ < expected_) return;
  }
  Finish(kResultOk);
}

}  // namespace qorv
