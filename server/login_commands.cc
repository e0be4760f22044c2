// Commands of sessions and accounts: the plain (1) and keyed (49) logins,
// the password change (20), the database aliases (44), the users (37) and
// the keep-alive ping (82).
#include <cstring>
#include <vector>

#include "net/blowfish.h"
#include "net/handshake.h"
#include "net/socket_buffer_exception.h"
#include "server/command_handlers.h"
#include "server/server_path.h"

namespace qorv::server {
namespace {

constexpr char kRightsReadWrite[] = "ReadWrite";
constexpr char kRightsReadOnly[] = "ReadOnly";

// The login reply: must change password, expire days (no password ageing
// here: 0), login identity.
void WriteLoginReply(const Session& session, ReplyFields& reply) {
  reply.Bool(session.user.must_change_password);
  reply.Int32(int32_t{0});
  reply.Int32(session.identity);
}

// Replaces the connection's session with a new one for `user`.
void OpenSession(CommandContext& context, const std::string& database_name,
                 std::shared_ptr<Database> database, UserRecord user, const ChannelKey& key) {
  ConnectionState& connection = context.connection;
  if (connection.session) context.sessions.Close(connection.session->identity);
  Session session;
  session.database_name = database_name;
  session.database = std::move(database);
  session.user = std::move(user);
  session.channel_key = key;
  context.sessions.Open(&session);
  connection.session = std::move(session);
}

// The key of a user name's failed logins: the database and the name, as
// case-insensitive as their lookups.
std::string ThrottleKey(const std::string& database_name, const std::string& user_name) {
  return FoldCase(database_name) + '\n' + FoldCase(user_name);
}

void WaitBeforeCheck(CommandContext& context, const std::string& key) {
  if (context.throttle != nullptr) context.throttle->WaitBeforeCheck(key);
}

// Counts a login's outcome; a failure's answer waits out its delay, and the
// connection closes after too many.
void NoteOutcome(CommandContext& context, const std::string& key, const StoreStatus& status) {
  if (context.throttle == nullptr) return;
  ConnectionState& connection = context.connection;
  context.throttle->Record(key, status.ok(), &connection.failed_logins);
  if (connection.failed_logins >= kFailuresBeforeClose) connection.close_after_reply = true;
}

}  // namespace

StoreStatus HandlePlainLogin(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string database_name = request.String();
  const std::string user_name = request.String();
  const std::string password = request.String();
  if (context.connection.encryption_mode == kEncryptionBlowfish) {
    return {kStatusWrongLoginCommand, kTextWrongLoginCommand};
  }
  std::shared_ptr<Database> database;
  StoreStatus status = context.data.OpenDatabase(database_name, &database);
  if (!status.ok()) return status;
  const std::string key = ThrottleKey(database_name, user_name);
  WaitBeforeCheck(context, key);
  UserRecord user;
  status = database->Authenticate(user_name, password, &user);
  NoteOutcome(context, key, status);
  if (!status.ok()) return status;
  OpenSession(context, database_name, std::move(database), std::move(user), ChannelKey{});
  WriteLoginReply(*context.connection.session, reply);
  return StoreStatus::Ok();
}

StoreStatus HandleKeyedLogin(CommandContext& context, RequestReader& request, ReplyFields& reply) {
  const std::string database_name = request.String();
  const std::string user_name = request.String();
  request.String();  // the server name the client connected to: not checked
  const int32_t mode = request.Int32();
  const int32_t password_length = request.Int32();
  if (password_length < 0) throw CCancelableSocketBufferException();
  // The enciphered password is the length rounded up to whole blocks; it
  // must have arrived before anything is allocated for it.
  const size_t padded = Blowfish::PaddedLength(static_cast<size_t>(password_length));
  if (padded > request.remaining()) throw CCancelableSocketBufferException();
  std::vector<uint8_t> password_bytes(padded);
  request.Bytes(password_bytes.data(), padded);
  ChannelKey key_proof;
  request.Bytes(key_proof.data(), key_proof.size());

  if (context.connection.encryption_mode != kEncryptionBlowfish || mode != kEncryptionBlowfish) {
    return {kStatusWrongLoginCommand, kTextWrongLoginCommand};
  }
  std::shared_ptr<Database> database;
  StoreStatus status = context.data.OpenDatabase(database_name, &database);
  if (!status.ok()) return status;
  const std::string throttle_key = ThrottleKey(database_name, user_name);
  WaitBeforeCheck(context, throttle_key);

  // A user without a key, and a name that is no user at all, use the zero
  // key: an unknown name then fails exactly as a keyless user's wrong
  // password does, so names cannot be probed through 40004.
  ChannelKey key{};
  if (std::optional<UserRecord> found = database->FindUser(user_name)) {
    if (found->user_key) key = *found->user_key;
  }
  Blowfish cipher;
  cipher.SetKey(key.data(), key.size());
  ChannelKey deciphered_proof;
  cipher.Decipher(key_proof.data(), deciphered_proof.data(), key_proof.size());
  if (deciphered_proof != key) {
    const StoreStatus mismatch{kStatusUserKeyMismatch, kTextUserKeyMismatch};
    NoteOutcome(context, throttle_key, mismatch);
    return mismatch;
  }

  if (padded > 0) cipher.Decipher(password_bytes.data(), password_bytes.data(), padded);
  const std::string password(reinterpret_cast<const char*>(password_bytes.data()),
                             static_cast<size_t>(password_length));
  UserRecord user;
  status = database->Authenticate(user_name, password, &user);
  NoteOutcome(context, throttle_key, status);
  if (!status.ok()) return status;
  OpenSession(context, database_name, std::move(database), std::move(user), key);
  // The reply still travels under the key the request came with.
  context.connection.rekey_after_reply = key;
  WriteLoginReply(*context.connection.session, reply);
  return StoreStatus::Ok();
}

StoreStatus HandleSetPassword(CommandContext& context, RequestReader& request, ReplyFields&) {
  const std::string password = request.String();
  StoreStatus status = context.db().SetPassword(context.actor(), password);
  if (status.ok()) context.connection.session->user.must_change_password = false;
  return status;
}

StoreStatus HandleDatabaseAliases(CommandContext& context, RequestReader&, ReplyFields& reply) {
  const std::vector<std::string> names = context.data.DatabaseNames();
  reply.Int32(static_cast<int64_t>(names.size()));
  for (const std::string& name : names) reply.String(name);
  return StoreStatus::Ok();
}

StoreStatus HandleListUsers(CommandContext& context, RequestReader&, ReplyFields& reply) {
  std::vector<UserListEntry> users;
  StoreStatus status = context.db().ListUsers(&users);
  if (!status.ok()) return status;
  reply.Int32(static_cast<int64_t>(users.size()));
  for (const UserListEntry& user : users) {
    reply.String(user.name);
    reply.String(user.read_only ? kRightsReadOnly : kRightsReadWrite);
  }
  return StoreStatus::Ok();
}

StoreStatus HandlePing(CommandContext&, RequestReader&, ReplyFields&) { return StoreStatus::Ok(); }

}  // namespace qorv::server
