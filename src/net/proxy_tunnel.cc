#include "net/proxy_tunnel.h"

#include <optional>
#include <string>

#include "net/cancelable_socket.h"
#include "net/http_connect_exchange.h"
#include "net/http_proxy_answer.h"
#include "net/ntlm_message.h"
#include "net/socks_exchange.h"
#include "platform/socket.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

// Bounds the socket's waits for the time of a traversal and restores the
// earlier bound on every path.
class WaitLimit {
 public:
  WaitLimit(CCancelableSocket& socket, int polls)
      : socket_(socket), earlier_(socket.wait_poll_limit()) {
    socket_.set_wait_poll_limit(polls);
  }
  ~WaitLimit() { socket_.set_wait_poll_limit(earlier_); }
  WaitLimit(const WaitLimit&) = delete;
  WaitLimit& operator=(const WaitLimit&) = delete;

 private:
  CCancelableSocket& socket_;
  const int earlier_;
};

// The server's IPv4 address for a SOCKS request: a dotted address as it
// stands, else the first address the name resolves to.
std::optional<platform::Ipv4Address> ResolveServer(const std::string& host) {
  platform::Ipv4Address address = 0;
  if (platform::ParseIpv4(host.c_str(), &address)) return address;
  if (platform::ResolveIpv4(host.c_str(), &address) == 0) return address;
  return std::nullopt;
}

int32_t Unresolved(CCancelableSocket& socket, const char* kind, const std::string& host) {
  socket.NoteFailure(std::string(kind) + " proxy: the server host " + host +
                     " could not be resolved");
  return kResultProxyTargetUnreachable;
}

}  // namespace

int32_t ProxyTunnel::Traverse(CCancelableSocket& socket, const ConnectSettings& settings) {
  WaitLimit limit(socket, answer_poll_limit_);
  if (socket.ConnectWithTimeout(settings.proxy_host.c_str(), settings.proxy_port) != kResultOk) {
    return kResultProxyConnectFailed;
  }
  switch (settings.proxy_type) {
    case kProxySocks4:
      return Socks4(socket, settings);
    case kProxySocks5:
      return Socks5(socket, settings);
    case kProxyHttp:
      return Http(socket, settings);
    default:
      return kResultProxyUnknownType;
  }
}

int32_t ProxyTunnel::Run(CCancelableSocket& socket, ProxyExchange& exchange) {
  const int32_t code = RunExchange(socket, exchange);
  if (!exchange.failure_text().empty()) socket.NoteFailure(exchange.failure_text());
  return code;
}

int32_t ProxyTunnel::Socks4(CCancelableSocket& socket, const ConnectSettings& settings) {
  // The name is resolved before anything is sent; the user id stays empty.
  const std::optional<platform::Ipv4Address> address = ResolveServer(settings.server_host);
  if (!address) return Unresolved(socket, "SOCKS4", settings.server_host);
  Socks4Exchange exchange(*address, settings.server_port);
  return Run(socket, exchange);
}

int32_t ProxyTunnel::Socks5(CCancelableSocket& socket, const ConnectSettings& settings) {
  // A user name asks for the user name/password method besides none.
  const bool authenticate = !settings.proxy_user.empty();
  Socks5MethodExchange methods(authenticate, settings.proxy_user, settings.proxy_password);
  int32_t code = Run(socket, methods);
  if (code != kResultOk) return code;
  const std::optional<platform::Ipv4Address> address = ResolveServer(settings.server_host);
  if (!address) return Unresolved(socket, "SOCKS5", settings.server_host);
  Socks5ConnectExchange connect(*address, settings.server_port);
  return Run(socket, connect);
}

int32_t ProxyTunnel::Http(CCancelableSocket& socket, const ConnectSettings& settings) {
  HttpConnectExchange first(HttpConnectRequest(settings.server_host, settings.server_port));
  int32_t code = Run(socket, first);
  if (code != kResultOk) return code;
  if (HttpTunnelOpen(first.header())) return kResultOk;
  if (!HttpAuthenticationRequired(first.header())) {
    socket.NoteFailure("HTTP proxy refused the tunnel without asking for credentials");
    return kResultProxyBadResponse;
  }
  const HttpAuthScheme scheme = HttpChosenScheme(first.header());

  // Credentials go on a fresh connection to the proxy.
  socket.Close();
  code = socket.Create(false, true, true);
  if (code != kResultOk) return code;
  code = socket.ConnectWithTimeout(settings.proxy_host.c_str(), settings.proxy_port);
  if (code != kResultOk) return code;

  switch (scheme) {
    case HttpAuthScheme::kBasic:
      return HttpBasic(socket, settings);
    case HttpAuthScheme::kNtlm:
      return HttpNtlm(socket, settings);
    case HttpAuthScheme::kOther:
      break;
  }
  socket.NoteFailure("HTTP proxy asks for an authentication scheme other than Basic or NTLM");
  return kResultProxyAuthSchemeUnsupported;
}

int32_t ProxyTunnel::HttpBasic(CCancelableSocket& socket, const ConnectSettings& settings) {
  HttpConnectExchange basic(HttpBasicRequest(settings.server_host, settings.server_port,
                                             settings.proxy_user, settings.proxy_password));
  const int32_t code = Run(socket, basic);
  if (code != kResultOk) return code;
  if (HttpTunnelOpen(basic.header())) return kResultOk;
  socket.NoteFailure("HTTP proxy refused the tunnel with Basic credentials");
  return kResultProxyBadResponse;
}

int32_t ProxyTunnel::HttpNtlm(CCancelableSocket& socket, const ConnectSettings& settings) {
  HttpConnectExchange negotiate(HttpNtlmRequest(NtlmStep::kNegotiate, settings.server_host,
                                                settings.server_port, NtlmType1Message()));
  int32_t code = Run(socket, negotiate);
  if (code != kResultOk) return code;
  uint8_t challenge[kNtlmChallengeSize];
  std::string failure;
  code = HttpNtlmChallenge(negotiate.header(), challenge, &failure);
  if (code != kResultOk) {
    socket.NoteFailure(failure);
    return code;
  }
  // The challenge answer's body stays on the kept-alive connection until the
  // type 3 message has been sent; it is skipped before the next header.
  const std::optional<size_t> body = HttpContentLength(negotiate.header(), kProxyBodySkipLimit);
  if (!body) {
    socket.NoteFailure("HTTP proxy's NTLM challenge answer announces a body longer than " +
                       std::to_string(kProxyBodySkipLimit) + " bytes or none readable");
    return kResultProxyBadResponse;
  }
  HttpConnectExchange authenticate(
      HttpNtlmRequest(NtlmStep::kAuthenticate, settings.server_host, settings.server_port,
                      NtlmType3Message(settings.proxy_user, settings.proxy_password, challenge)),
      *body);
  code = Run(socket, authenticate);
  if (code != kResultOk) return code;
  if (HttpTunnelOpen(authenticate.header())) return kResultOk;
  socket.NoteFailure("HTTP proxy refused the tunnel with NTLM credentials");
  return kResultProxyBadResponse;
}

}  // namespace qorv
