#include "net/http_proxy_answer.h"

#include <algorithm>

#include "net/base64.h"
#include "net/ntlm_message.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

constexpr std::string_view kNtlmLine = "Proxy-Authenticate: NTLM";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Where `needle` first occurs in `text`, ignoring ASCII case; npos if not.
size_t FindNoCase(std::string_view text, std::string_view needle) {
  const auto found = std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                                 [](char a, char b) { return Lower(a) == Lower(b); });
  return found == text.end() ? std::string_view::npos : static_cast<size_t>(found - text.begin());
}

bool ContainsNoCase(std::string_view text, std::string_view needle) {
  return FindNoCase(text, needle) != std::string_view::npos;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Target(std::string_view host, uint16_t port) {
  return std::string(host) + ":" + std::to_string(port);
}

}  // namespace

std::string HttpConnectRequest(std::string_view host, uint16_t port) {
  return "CONNECT " + Target(host, port) + " HTTP/1.0\r\n\r\n";
}

std::string HttpBasicRequest(std::string_view host, uint16_t port, std::string_view user,
                             std::string_view password) {
  std::string credentials;
  credentials.reserve(user.size() + 1 + password.size());
  credentials.append(user).append(":").append(password);
  std::string request = "CONNECT " + Target(host, port) +
                        " HTTP/1.0\r\nProxy-Authorization: Basic " + Base64Encode(credentials) +
                        "\r\n\r\n";
  // The credentials' plain text leaves no copy behind.
  std::fill(credentials.begin(), credentials.end(), '\0');
  return request;
}

std::string HttpNtlmRequest(NtlmStep step, std::string_view host, uint16_t port,
                            const std::vector<uint8_t>& message) {
  const std::string target = Target(host, port);
  const char* version = step == NtlmStep::kNegotiate ? " HTTP/1.1" : " HTTP/1.0";
  return "CONNECT " + target + version + "\r\nHost: " + target + "\r\nProxy-Authorization: NTLM " +
         Base64Encode(message.data(), message.size()) + "\r\nConnection: Keep-Alive\r\n\r\n";
}

bool HttpTunnelOpen(std::string_view header) {
  return ContainsNoCase(header, "HTTP/1.0 200") || ContainsNoCase(header, "HTTP/1.1 200");
}

bool HttpAuthenticationRequired(std::string_view header) {
  return ContainsNoCase(header, "HTTP/1.0 407") || ContainsNoCase(header, "HTTP/1.1 407");
}

HttpAuthScheme HttpChosenScheme(std::string_view header) {
  if (ContainsNoCase(header, "Proxy-Authenticate: Basic")) return HttpAuthScheme::kBasic;
  if (ContainsNoCase(header, kNtlmLine)) return HttpAuthScheme::kNtlm;
  if (!ContainsNoCase(header, "Proxy-Authenticate:")) return HttpAuthScheme::kBasic;
  return HttpAuthScheme::kOther;
}

std::optional<size_t> HttpContentLength(std::string_view header, size_t limit) {
  const size_t at = FindNoCase(header, "\r\nContent-Length:");
  if (at == std::string_view::npos) return 0;
  size_t i = at + std::string_view("\r\nContent-Length:").size();
  while (i < header.size() && IsBlank(header[i])) ++i;
  size_t value = 0;
  size_t digits = 0;
  for (; i < header.size() && header[i] >= '0' && header[i] <= '9'; ++i, ++digits) {
    value = value * 10 + static_cast<size_t>(header[i] - '0');
    if (value > limit) return std::nullopt;
  }
  if (digits == 0) return std::nullopt;
  return value;
}

int32_t HttpNtlmChallenge(std::string_view header, uint8_t challenge[kNtlmChallengeSize],
                          std::string* failure) {
  const size_t at = FindNoCase(header, kNtlmLine);
  if (at == std::string_view::npos) {
    *failure = "HTTP proxy's answer to the NTLM request carries no NTLM challenge";
    return kResultProxyAuthFailed;
  }
  std::string_view token = header.substr(at + kNtlmLine.size());
  while (!token.empty() && IsBlank(token.front())) token.remove_prefix(1);
  const size_t line_end = token.find("\r\n");
  if (line_end == std::string_view::npos) {
    *failure = "HTTP proxy's NTLM challenge line does not end";
    return kResultProxyAuthFailed;
  }
  token = token.substr(0, line_end);
  while (!token.empty() && IsBlank(token.back())) token.remove_suffix(1);
  if (token.empty()) {
    *failure = "HTTP proxy's answer to the NTLM request carries no NTLM challenge";
    return kResultProxyAuthFailed;
  }
  // The token lies within the header, so its decoding is bounded by it.
  std::vector<uint8_t> type2;
  if (!Base64Decode(token, &type2) || !NtlmChallengeOf(type2, challenge)) {
    *failure = "HTTP proxy's NTLM challenge is not a type 2 message";
    return kResultProxyBadResponse;
  }
  return kResultOk;
}

}  // namespace qorv
