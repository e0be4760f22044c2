// What a command handler works with: the server's databases and sessions,
// and the state of the connection the request came on.
#ifndef QORV_SERVER_COMMAND_CONTEXT_H_
#define QORV_SERVER_COMMAND_CONTEXT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/blowfish_message.h"
#include "server/data_directory.h"
#include "server/database.h"
#include "server/login_throttle.h"
#include "server/message_fields.h"
#include "server/server_status.h"
#include "server/session_registry.h"

namespace qorv::server {

// What a status-0 reply to command 72 (or 42) leaves for the confirmation
// frame that follows it (command 73, or 69 without reply).
struct PendingConfirmation {
  // Per request entry: the file path when its check-out was recorded, empty
  // when the entry failed.
  std::vector<std::string> recorded;
  // 73 is answered; 69 is not.
  bool answered = true;
};

// One client connection's state between requests.
struct ConnectionState {
  int32_t encryption_mode = 0;
  // Set after a successful login; replaced by the next successful one.
  std::optional<Session> session;
  // A successful keyed login sets this: once its reply has gone out (still
  // under the old key), both directions switch to this key.
  std::optional<ChannelKey> rekey_after_reply;
  // Set by a successful 72 or 42; the next frame is its confirmation when
  // it has the confirmation's form (IsConfirmationFrame).
  std::optional<PendingConfirmation> confirmation;
  // Failed logins on this connection (server/login_throttle.h).
  int32_t failed_logins = 0;
  // The connection closes once the reply has gone out.
  bool close_after_reply = false;
};

struct CommandContext {
  DataDirectory& data;
  SessionRegistry& sessions;
  ConnectionState& connection;
  // Slows down repeated failed logins (none when null).
  LoginThrottle* throttle = nullptr;

  // Valid only for commands that need a session (the dispatcher checks).
  Database& db() { return *connection.session->database; }
  const Actor& actor() const { return connection.session->user.actor; }
};

// Parses the request's fields after the code byte, carries the command out
// and writes the reply fields. Returns the whole status of the reply; the
// fields are sent only with status 0 unless the command says otherwise.
// Every handler reads its whole request before it changes anything, so a
// malformed request changes nothing.
using CommandHandler = StoreStatus (*)(CommandContext& context, RequestReader& request,
                                       ReplyFields& reply);

// For a command whose reply fields follow whatever the status (32): writes
// the fields of a reply that fails as a whole with `status`.
using WholeFailureFields = void (*)(RequestReader& request, const StoreStatus& status,
                                    ReplyFields& reply);

}  // namespace qorv::server

#endif  // QORV_SERVER_COMMAND_CONTEXT_H_
