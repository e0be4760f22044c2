// The open sessions of the server, by login identity.
//
// A successful login opens a session {database, user, user key} and gives it
// a random identity in 1 .. 2^31-1, unique among the open sessions. The
// file-transfer connections, which never log in, name their session by that
// identity. A session ends when its connection closes or logs in again.
#ifndef QORV_SERVER_SESSION_REGISTRY_H_
#define QORV_SERVER_SESSION_REGISTRY_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "net/blowfish_message.h"
#include "platform/com/mutex.h"
#include "server/database.h"
#include "server/held_bodies.h"

namespace qorv::server {

struct Session {
  int32_t identity = 0;
  std::string database_name;
  std::shared_ptr<Database> database;
  UserRecord user;
  // The key the session logged in with: the user's key after a keyed login,
  // the zero key after a plain one.
  ChannelKey channel_key{};
  // The bodies uploaded under the identity, shared with the transfer
  // connections that find the session by it. Made by Open().
  std::shared_ptr<HeldBodies> held;
};

class SessionRegistry {
 public:
  // Registers the session under a new identity, which it returns and also
  // stores in session->identity, with an empty set of held bodies.
  int32_t Open(Session* session) QORV_EXCLUDES(mutex_);
  // Ends the session: its identity is unknown from now on and every body
  // it held is discarded.
  void Close(int32_t identity) QORV_EXCLUDES(mutex_);
  std::optional<Session> Find(int32_t identity) const QORV_EXCLUDES(mutex_);
  size_t size() const QORV_EXCLUDES(mutex_);

 private:
  mutable platform::Mutex mutex_;
  std::map<int32_t, Session> sessions_ QORV_GUARDED_BY(mutex_);
};

}  // namespace qorv::server

#endif  // QORV_SERVER_SESSION_REGISTRY_H_
