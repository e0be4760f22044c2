#include "server/server_config.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "server/command_options.h"

namespace qorv::server {
namespace {

// The largest clock offset accepted, in hours either way.
constexpr double kMaxTimeOffsetHours = 1000;

const std::vector<FlagInfo>& ServeOptions() {
  static const std::vector<FlagInfo> kOptions = {
      {"help", nullptr, "Show this help and exit (also -h)."},
      {"version", nullptr, "Show the version and exit."},
      {"config", "FILE",
       "Read settings from FILE: one \"key = value\" per line, keys being the flag names "
       "without \"--\"; flags given on the command line win."},
      {"address", "ADDRESS",
       "IPv4 or IPv6 address to listen on (default 127.0.0.1); \"::\" or \"0.0.0.0\" for "
       "every interface. An IPv6 address may be written in brackets, [::1]."},
      {"port", "PORT",
       "TCP port to listen on (default 0: any free port). The port in use is reported on "
       "standard output as \"listening on ADDRESS:PORT\"."},
      {"data", "DIR", "Data directory holding one NAME.qordb file per database (required)."},
      {"encryption", "MODE",
       "Channel encryption announced in the handshake: 0 plain (default), 1 Blowfish, 2 SSL "
       "(needs --cert, --key and --ca)."},
      {"cert", "FILE",
       "Encryption mode 2: the server's certificate (PEM; its chain may follow it)."},
      {"key", "FILE", "Encryption mode 2: the private key of --cert (PEM, not encrypted)."},
      {"ca", "FILE",
       "Encryption mode 2: the CA certificate (PEM, at most 2048 bytes) sent to clients in the "
       "handshake, against which they verify --cert."},
      {"versions", "LIST",
       "Client versions accepted, as sent in the handshake: one version or a comma-separated "
       "list (default 5.2)."},
      {"excluded-types", "PATTERNS",
       "File name patterns that may not be added, such as \"*.exe;*.obj\"; written into every "
       "database of the data directory at start."},
      {"time-offset", "HOURS",
       "Hours (may be fractional or negative) added to the server's clock for the times it "
       "records (default 0)."},
      {"handshake-timeout", "SECONDS",
       "Close a connection that has not finished the handshake after SECONDS (default 30)."},
      {"max-connections", "N",
       "Serve at most N connections at once (default 4096); a connection beyond them is closed "
       "as soon as it is accepted."},
      {"frame-memory", "MIB",
       "Memory in MiB that all connections together may hold in large request frames "
       "(default 512); a frame that would pass it closes its connection."},
      {"password-iterations", "N",
       "PBKDF2 iterations of the password hashes written from now on (default 210000); a "
       "login whose stored hash has fewer is rehashed. Lower it only for tests."},
      {"fault-drop-after", "N",
       "Test fault: each connection answers N request frames, then closes when the next one "
       "arrives, without carrying it out."},
      {"fault-delay-ms", "MS", "Test fault: wait MS milliseconds before sending each reply."},
      {"fault-status", "CODE:STATUS[:TEXT]",
       "Test fault: answer command CODE with STATUS (and TEXT, default \"Injected failure\") "
       "instead of carrying it out. May be given several times."},
  };
  return kOptions;
}

template <typename Number>
bool ParseNumber(const std::string& text, Number* value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  auto [rest, error] = std::from_chars(text.data(), end, *value);
  return error == std::errc() && rest == end;
}

bool Fail(std::string* error, std::string message) {
  *error = std::move(message);
  return false;
}

// A message about the setting `name`, prefixed with where its value came
// from when that was the configuration file.
std::string About(const CommandOptions& options, const std::string& name,
                  const std::string& message) {
  return options.Origin(name) + message;
}

std::string BadValue(const CommandOptions& options, const std::string& name,
                     const std::string& value) {
  return About(options, name, "bad --" + name + " " + value);
}

}  // namespace

std::string EndpointText(const std::string& address, uint16_t port) {
  const bool ipv6 = address.find(':') != std::string::npos;
  return (ipv6 ? "[" + address + "]" : address) + ":" + std::to_string(port);
}

bool ParseServeArguments(const std::vector<std::string>& arguments, ServeRequest* request,
                         std::string* error) {
  *request = ServeRequest{};
  std::vector<std::string> spelled = arguments;
  for (std::string& argument : spelled) {
    if (argument == "-h") argument = "--help";
  }
  CommandOptions options;
  if (!options.Parse(spelled, ServeOptions(), error)) return false;
  if (options.Has("help") || options.Has("version")) {
    request->help = options.Has("help");
    request->version = !request->help;
    return true;
  }
  if (!options.positional().empty()) {
    return Fail(error, "unexpected argument " + options.positional().front());
  }
  if (std::optional<std::string> file = options.Value("config")) {
    if (!options.MergeFile(*file, ServeOptions(), error)) return false;
  }
  ServerConfig& config = request->config;
  if (auto value = options.Value("address")) {
    config.address = *value;
    // "[::1]", as an IPv6 address is written before a port.
    if (config.address.size() > 2 && config.address.front() == '[' &&
        config.address.back() == ']') {
      config.address = config.address.substr(1, config.address.size() - 2);
    }
    if (config.address.empty()) return Fail(error, BadValue(options, "address", *value));
  }
  if (auto value = options.Value("port")) {
    if (!ParseNumber(*value, &config.port)) return Fail(error, BadValue(options, "port", *value));
  }
  std::optional<std::string> data = options.Value("data");
  if (!data || data->empty()) return Fail(error, "--data DIR is required");
  config.data_directory = *data;
  if (auto value = options.Value("encryption")) {
    if (!ParseNumber(*value, &config.encryption_mode)) {
      return Fail(error, BadValue(options, "encryption", *value));
    }
    if (config.encryption_mode < 0 || config.encryption_mode > 2) {
      return Fail(error, About(options, "encryption", "--encryption must be 0, 1 or 2"));
    }
  }
  config.certificate_file = options.Value("cert").value_or("");
  config.key_file = options.Value("key").value_or("");
  config.ca_file = options.Value("ca").value_or("");
  if (config.encryption_mode == 2 &&
      (config.certificate_file.empty() || config.key_file.empty() || config.ca_file.empty())) {
    return Fail(error,
                About(options, "encryption", "encryption mode 2 needs --cert, --key and --ca"));
  }
  if (auto value = options.Value("versions")) {
    if (value->empty())
      return Fail(error, About(options, "versions", "--versions must not be empty"));
    config.accepted_versions = *value;
  }
  config.excluded_types = options.Value("excluded-types");
  if (auto value = options.Value("time-offset")) {
    if (!ParseNumber(*value, &config.time_offset_hours) ||
        !std::isfinite(config.time_offset_hours) ||
        std::fabs(config.time_offset_hours) > kMaxTimeOffsetHours) {
      return Fail(error, BadValue(options, "time-offset", *value));
    }
  }
  if (auto value = options.Value("handshake-timeout")) {
    if (!ParseNumber(*value, &config.handshake_timeout_seconds) ||
        config.handshake_timeout_seconds < 1) {
      return Fail(error, BadValue(options, "handshake-timeout", *value));
    }
  }
  if (auto value = options.Value("max-connections")) {
    if (!ParseNumber(*value, &config.max_connections) || config.max_connections < 1) {
      return Fail(error, BadValue(options, "max-connections", *value));
    }
  }
  if (auto value = options.Value("frame-memory")) {
    if (!ParseNumber(*value, &config.frame_memory_mib) || config.frame_memory_mib < 1 ||
        config.frame_memory_mib > (int64_t{1} << 30)) {
      return Fail(error, BadValue(options, "frame-memory", *value));
    }
  }
  if (auto value = options.Value("password-iterations")) {
    if (!ParseNumber(*value, &config.password_iterations) || config.password_iterations < 1 ||
        config.password_iterations > INT32_MAX) {
      return Fail(error, BadValue(options, "password-iterations", *value));
    }
  }
  if (auto value = options.Value("fault-drop-after")) {
    if (!ParseNumber(*value, &config.faults.drop_after_frames) ||
        config.faults.drop_after_frames < 0) {
      return Fail(error, BadValue(options, "fault-drop-after", *value));
    }
  }
  if (auto value = options.Value("fault-delay-ms")) {
    if (!ParseNumber(*value, &config.faults.reply_delay_ms) || config.faults.reply_delay_ms < 0) {
      return Fail(error, BadValue(options, "fault-delay-ms", *value));
    }
  }
  for (const std::string& value : options.Values("fault-status")) {
    int32_t code = 0;
    InjectedStatus injected;
    if (!ParseInjectedStatus(value, &code, &injected)) {
      return Fail(error, BadValue(options, "fault-status", value));
    }
    config.faults.injected_statuses[code] = std::move(injected);
  }
  return true;
}

std::string ServeUsage() {
  return "Usage: qorvd --data DIR [flags]\n"
         "       qorvd --help | --version\n"
         "       qorvd admin COMMAND [flags]   (qorvd admin --help lists the commands)\n"
         "\n"
         "Runs the reference server: listens for clients, one thread per connection, until\n"
         "SIGINT or SIGTERM.\n"
         "\n"
         "Flags:\n" +
         FormatOptionHelp(ServeOptions());
}

}  // namespace qorv::server
