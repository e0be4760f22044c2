// One client connection of the server, from the handshake to its close:
// frames in, replies out, on the connection's own thread.
//
// The server refuses (closes without reply) a frame announcing more than
// 16 MiB, a Blowfish payload that is not whole blocks, and a peer that does
// not open with the handshake magic. A closed or failed connection ends its
// session; nothing of a request that had not fully arrived is carried out.
#ifndef QORV_SERVER_CLIENT_CONNECTION_H_
#define QORV_SERVER_CLIENT_CONNECTION_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "net/ssl_context.h"
#include "platform/socket.h"
#include "server/data_directory.h"
#include "server/fault_hooks.h"
#include "server/frame_budget.h"
#include "server/login_throttle.h"
#include "server/session_registry.h"
#include "server/upload_spool.h"

namespace qorv::server {

// No request of this protocol comes near this size (file bodies travel in
// messages of at most 65536 bytes), so a larger announcement is a peer out of
// step or hostile.
inline constexpr uint32_t kMaxRequestFrame = 16u * 1024u * 1024u;
// Before a login only commands 1, 49, 44 and 82 are served, whose fields
// are a database name, a user name, a server name and a password: far below
// this. A larger frame before login closes the connection, so that an
// unauthenticated peer cannot make the server hold large buffers. (The first
// frame of a transfer connection may be larger when it names a live session.)
inline constexpr uint32_t kMaxPreLoginFrame = 64u * 1024u;
// What a connection keeps of its frame buffers between frames; a larger
// frame's buffers are freed once it has been answered, and only the bytes
// beyond this count against the server's frame budget.
inline constexpr size_t kKeptFrameBuffer = 64u * 1024u;

// What every connection of one server shares.
struct ServerServices {
  DataDirectory& data;
  SessionRegistry& sessions;
  FaultHookSource& faults;
  // Where uploaded bodies wait (<data>/spool).
  SpoolFolder& spool;
  int32_t encryption_mode = 0;
  std::string accepted_versions;
  // Set when the server stops: every wait of the connection ends within one
  // poll interval.
  const std::atomic<int32_t>* stop_flag = nullptr;
  // Mode 2: the context of every connection's SSL channel, and the CA
  // certificate sent to a client that asks for it.
  const SslContext* ssl_context = nullptr;
  std::string ca_certificate;
  // The frame memory all connections share (no bound when null).
  FrameBudget* frame_budget = nullptr;
  // Where the server reports what it refused (nothing when empty).
  std::function<void(const std::string&)> log;
  // A client that sends nothing for this long during the handshake is
  // dropped.
  int32_t handshake_timeout_seconds = 30;
  // Slows down repeated failed logins (none when null).
  LoginThrottle* login_throttle = nullptr;
};

// Serves the accepted socket until the peer closes it, a transfer fails or
// the server stops; closes the socket and ends the session.
void ServeClientConnection(platform::SocketHandle socket, const ServerServices& services);

}  // namespace qorv::server

#endif  // QORV_SERVER_CLIENT_CONNECTION_H_
