// Commands of the session: the two logins, the password change, the
// database list and the keep-alive ping. Field meanings: docs/protocol.md.
#ifndef QORV_PROTOCOL_SESSION_COMMANDS_H_
#define QORV_PROTOCOL_SESSION_COMMANDS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "net/blowfish_message.h"
#include "protocol/command_base.h"
#include "protocol/command_codes.h"

namespace qorv {

// The reply of both logins.
struct LoginReply {
  bool must_change_password = false;
  int32_t expire_days = 0;     // 0: the password does not expire
  int32_t login_identity = 0;  // names the session on transfer connections
};

// 1 (0x01) Plain login, channel modes 0 and 2.
struct PlainLoginCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kPlainLogin;
  std::string database;
  std::string user_name;
  std::string password;
  LoginReply reply;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 49 (0x31) Blowfish login, channel mode 1. The password travels enciphered
// with Blowfish (ECB, zero padding) under the user key, after its byte length
// L; then the user key enciphered under itself proves the key:
//   string database, string user name, string server name,
//   int32 encryption mode, int32 L, raw[((L + 7) / 8) x 8], raw[16]
struct KeyedLoginCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kKeyedLogin;
  std::string database;
  std::string user_name;
  std::string server_name;  // the host name of the last connect
  int32_t encryption_mode = 1;
  std::string password;
  ChannelKey user_key{};
  LoginReply reply;

  // Fails with 2 when the enciphered password's buffer cannot be allocated.
  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 20 (0x14) Set password.
struct SetPasswordCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kSetPassword;
  std::string new_password;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage&) {}
};

// 44 (0x2C) Database aliases.
struct DatabaseAliasesCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kDatabaseAliases;
  std::vector<std::string> reply;

  void Encode(FieldWriter&) const {}
  void Decode(CInMessage& in);
};

// 82 (0x52) Keep-alive ping: the reply frame is received and not parsed.
struct KeepAlivePingCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kKeepAlivePing;
  static constexpr ReplyShape kReplyShape = ReplyShape::kFrameNotParsed;

  void Encode(FieldWriter&) const {}
  void Decode(CInMessage&) {}
};

}  // namespace qorv

#endif  // QORV_PROTOCOL_SESSION_COMMANDS_H_
