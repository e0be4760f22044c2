// The settings of a running server, from command-line flags and an optional
// configuration file of "key = value" lines (flags win over the file).
#ifndef QORV_SERVER_SERVER_CONFIG_H_
#define QORV_SERVER_SERVER_CONFIG_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "server/fault_hooks.h"
#include "server/login_throttle.h"
#include "server/password_hash.h"

namespace qorv::server {

// The client versions the server accepts unless told otherwise: the one
// version clients of this protocol speak.
inline constexpr char kDefaultAcceptedVersions[] = "5.2";
// A client must finish the handshake within this many seconds.
inline constexpr int32_t kDefaultHandshakeTimeoutSeconds = 30;
// Connections served at once (each has a thread); more are closed at once.
// Far above the clients of one team, well below what the threads and
// descriptors of one process allow.
inline constexpr int32_t kDefaultMaxConnections = 4096;
// The frame memory all connections may hold beyond their small kept
// buffers: sixteen requests of the largest size at once.
inline constexpr int64_t kDefaultFrameMemoryMiB = 512;

struct ServerConfig {
  std::string address = "127.0.0.1";
  uint16_t port = 0;  // 0: any free port
  std::string data_directory;
  int32_t encryption_mode = 0;
  // Encryption mode 2: the server's certificate and key, and the CA
  // certificate sent to clients (PEM files).
  std::string certificate_file;
  std::string key_file;
  std::string ca_file;
  std::string accepted_versions = kDefaultAcceptedVersions;
  // When set, written into every database of the data directory at start.
  std::optional<std::string> excluded_types;
  // Hours added to the server's clock for the times it records.
  double time_offset_hours = 0;
  int32_t handshake_timeout_seconds = kDefaultHandshakeTimeoutSeconds;
  int32_t max_connections = kDefaultMaxConnections;
  int64_t frame_memory_mib = kDefaultFrameMemoryMiB;
  // PBKDF2 iterations of the password hashes the server writes (new
  // passwords, and the rehash of weaker ones at login). Tests lower it.
  int64_t password_iterations = kDefaultPasswordIterations;
  // Test seam: false: the stores skip their syncs to disk, for tests that
  // make thousands of changes and never stop the process uncleanly.
  bool durable_stores = true;
  FaultHooks faults;
  // Where the server reports connections it refused or closed (nothing when
  // empty); qorvd writes to standard error.
  std::function<void(const std::string&)> log;
  // Test seam: when set and true, the pending connection is not accepted
  // and the accept counts as failed (as when descriptors are exhausted).
  std::function<bool()> accept_fault;
  // Test seam: the clock and the waits of the login throttle (the steady
  // clock and real, stop-aware waits when empty).
  LoginThrottle::Clock login_clock;
};

// What the command line asks for.
struct ServeRequest {
  bool help = false;
  bool version = false;
  ServerConfig config;
};

// Parses the arguments of `qorvd` (without the program name). False with a
// message in *error for an unknown flag, a missing or bad value, an
// unreadable configuration file, or an encryption mode this server does not
// offer.
bool ParseServeArguments(const std::vector<std::string>& arguments, ServeRequest* request,
                         std::string* error);

// The text of `qorvd --help`.
std::string ServeUsage();

// "ADDRESS:PORT" as a client names the server: an IPv6 address in
// brackets ("[::1]:4100").
std::string EndpointText(const std::string& address, uint16_t port);

}  // namespace qorv::server

#endif  // QORV_SERVER_SERVER_CONFIG_H_
