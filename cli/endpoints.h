// The server and proxy a command connects through, as given on the command
// line: "--server host:port" and "--proxy scheme://[user:password@]host:port".
#ifndef QORV_CLI_ENDPOINTS_H_
#define QORV_CLI_ENDPOINTS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "qorvsdk/enums.h"

namespace qorv::cli {

struct ServerAddress {
  std::string host;
  int32_t port = 0;
};

// "host:port" or "[IPv6 address]:port"; the port 1 to 65535. False with a
// message in *error otherwise.
bool ParseServerAddress(std::string_view text, ServerAddress* address, std::string* error);

struct ProxySettings {
  Enum_ProxyType type = Enum_NOPROXY;
  std::string host;
  int32_t port = 0;
  std::string user;
  std::string password;
};

// "socks4://[user@]host:port", "socks5://[user[:password]@]host:port" or
// "http://[user[:password]@]host:port" (scheme in any letter case). User and
// password are percent-decoded, so they may hold ":" and "@" as %3A and %40.
// A SOCKS4 proxy has no password, so one there is refused rather than
// silently dropped. False with a message in *error otherwise; no message
// holds the password.
bool ParseProxyUrl(std::string_view url, ProxySettings* proxy, std::string* error);

}  // namespace qorv::cli

#endif  // QORV_CLI_ENDPOINTS_H_
