// The settings of a running server, from command-line flags and an optional
// configuration file of "key = value" lines (flags win over the file).
#ifndef QORV_SERVER_SERVER_CONFIG_H_
#define QORV_SERVER_SERVER_CONFIG_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/fault_hooks.h"

namespace qorv::server {

// The client versions the server accepts unless told otherwise: the one
// version clients of this protocol speak.
inline constexpr char kDefaultAcceptedVersions[] = "5.2";

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
  FaultHooks faults;
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
