// The HTTP proxy's requests and what its answer headers say. Searches of a
// header ignore case; a status is found at the start of the header or
// anywhere in it (an earlier answer's body may precede the status line).
#ifndef QORV_NET_HTTP_PROXY_ANSWER_H_
#define QORV_NET_HTTP_PROXY_ANSWER_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/ntlm_hash.h"

namespace qorv {

// "CONNECT host:port HTTP/1.0\r\n\r\n".
std::string HttpConnectRequest(std::string_view host, uint16_t port);
// The same with "Proxy-Authorization: Basic " and the base64 of "user:password".
std::string HttpBasicRequest(std::string_view host, uint16_t port, std::string_view user,
                             std::string_view password);
// The NTLM requests: step 1 (HTTP/1.1) carries the type 1 message, step 3
// (HTTP/1.0) the type 3 message; both name the host again and keep the
// connection alive.
enum class NtlmStep { kNegotiate, kAuthenticate };
std::string HttpNtlmRequest(NtlmStep step, std::string_view host, uint16_t port,
                            const std::vector<uint8_t>& message);

// "HTTP/1.0 200" or "HTTP/1.1 200": the tunnel stands.
bool HttpTunnelOpen(std::string_view header);
// "HTTP/1.0 407" or "HTTP/1.1 407": the proxy wants credentials.
bool HttpAuthenticationRequired(std::string_view header);

enum class HttpAuthScheme { kBasic, kNtlm, kOther };
// Basic when offered, else NTLM when offered, else Basic when the answer
// names no scheme at all, else another scheme.
HttpAuthScheme HttpChosenScheme(std::string_view header);

// The byte count an answer's "Content-Length:" announces; 0 without one,
// nothing when it is not a number or exceeds `limit`.
std::optional<size_t> HttpContentLength(std::string_view header, size_t limit);

// The server challenge of the "Proxy-Authenticate: NTLM" line: 0; 11304
// when the line is missing or its token has no "\r\n" after it; 11306 when
// the token is not a type 2 message in base64 (`*failure` says why).
int32_t HttpNtlmChallenge(std::string_view header, uint8_t challenge[kNtlmChallengeSize],
                          std::string* failure);

}  // namespace qorv

#endif  // QORV_NET_HTTP_PROXY_ANSWER_H_
