// The two steps that set up a working session: ConnectToServer and Login.
#ifndef QORV_OPS_SESSION_H_
#define QORV_OPS_SESSION_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ops/operation_context.h"

namespace qorv::ops {

struct ConnectArguments {
  std::string server;       // ServerIP: an address or a host name
  int32_t server_port = 0;  // only the low 16 bits are used
  int32_t proxy_type = 0;   // Enum_ProxyType
  std::string proxy_host;
  int32_t proxy_port = 0;  // only the low 16 bits are used
  // Only for authenticating with the proxy.
  std::string proxy_user;
  std::string proxy_password;
};

struct ConnectOutputs {
  bool connected = false;
  // The channel's encryption mode (Enum_EncryptType); set only on success.
  std::optional<int32_t> encryption_mode;
};

// Cancel flag cleared; the report line {1, "Connecting to server..."}; the
// engine's connect request (which replaces any previous connection); the
// report line {result == 0, description} unless the description is empty.
// On success the session saves the server and port as given and takes the
// server, upper-cased, as its connected server name; a failure leaves them
// as they were.
int32_t ConnectToServer(const OperationContext& context, const ConnectArguments& arguments,
                        OperationStatus* status, ConnectOutputs* outputs);

struct LoginArguments {
  std::string user_name;
  std::string password;
  std::string database;
  // The names of the caller's Blowfish user key files, in the order added.
  std::vector<std::string> key_file_names;
};

struct LoginOutputs {
  bool must_change_password = false;
  // Days before the password expires (0: never); set only on success.
  std::optional<int32_t> expire_days;
};

// The user key: the key of the first usable key file issued for the
// connected server name and the user (compared without regard to case,
// names trimmed, blank ones skipped, files after the first match not read),
// 16 zero bytes otherwise. Then cancel flag cleared, keep-alive ping, the
// report line {1, "Logging in database..."}, the engine's login request
// (command 49 with the key in channel mode 1), and the report line
// {result == 0, description} unless the description is empty.
// On success the session saves user name and database and replaces its cache
// with the one of the saved server, that database and that user; a cache that
// cannot be opened adds the report line {0, why} and leaves the session
// without a usable cache. A failure leaves user, database and cache as they
// were.
int32_t Login(const OperationContext& context, const LoginArguments& arguments,
              OperationStatus* status, LoginOutputs* outputs);

}  // namespace qorv::ops

#endif  // QORV_OPS_SESSION_H_
