#include "cli/global_options.h"

namespace qorv::cli {
namespace {

// A default as found, and where, for the start of a message about it: empty
// for an option, "NAME: " for a variable, "PATH:LINE: " for the file.
struct FoundValue {
  std::string value;
  std::string where;
};

// The option, else its variable, else the file's entry of the same name;
// empty variables and entries count as not set.
std::optional<FoundValue> Lookup(const OptionValues& options, const char* option,
                                 const EnvironmentLookup& environment, const char* variable,
                                 const ConfigFile& config) {
  if (std::optional<std::string> value = options.Value(option)) return FoundValue{*value, ""};
  if (variable != nullptr) {
    std::optional<std::string> value = environment(variable);
    if (value && !value->empty()) return FoundValue{*value, std::string(variable) + ": "};
  }
  const ConfigEntry* entry = config.Find(option);
  if (entry != nullptr && !entry->value.empty()) {
    return FoundValue{entry->value, config.Where(*entry)};
  }
  return std::nullopt;
}

std::string ValueOr(const std::optional<FoundValue>& found, std::string fallback) {
  return found ? found->value : std::move(fallback);
}

// --timeout: whole seconds from 0 to kMaxTimeoutSeconds.
bool ParseTimeout(const FoundValue& found, int32_t* seconds, std::string* error) {
  const std::string& text = found.value;
  int64_t value = 0;
  bool ok = !text.empty() && text.size() <= 5;
  for (const char c : text) {
    ok = ok && c >= '0' && c <= '9';
    if (ok) value = value * 10 + (c - '0');
  }
  if (!ok || value > kMaxTimeoutSeconds) {
    *error = found.where + "the time-out takes whole seconds from 0 to " +
             std::to_string(kMaxTimeoutSeconds) + ", not \"" + text + "\"";
    return false;
  }
  *seconds = static_cast<int32_t>(value);
  return true;
}

// The password: the option, else the variable (an empty one is the empty
// password), else the file's when only its owner may read it.
std::optional<std::string> ResolvePassword(const OptionValues& options,
                                           const EnvironmentLookup& environment,
                                           const ConfigFile& config,
                                           std::vector<std::string>* warnings) {
  const ConfigEntry* entry = config.Find("password");
  if (entry != nullptr && !config.owner_only) {
    warnings->push_back("ignoring the password in " + config.path +
                        ": the file may be read by others than its owner (chmod 600 " +
                        config.path + ")");
    entry = nullptr;
  }
  if (std::optional<std::string> password = options.Value("password")) return password;
  if (std::optional<std::string> variable = environment(kPasswordVariable)) return variable;
  if (entry != nullptr) return entry->value;
  return std::nullopt;
}

// --key-file (every one given), else QORV_KEY_FILES split at ":", else the
// file's key-file lines.
std::vector<std::string> ResolveKeyFiles(const OptionValues& options,
                                         const EnvironmentLookup& environment,
                                         const ConfigFile& config) {
  std::vector<std::string> files = options.Values("key-file");
  if (!files.empty()) return files;
  if (std::optional<std::string> list = environment(kKeyFilesVariable)) {
    std::string_view rest = *list;
    while (!rest.empty()) {
      const size_t colon = rest.find(':');
      if (colon != 0) files.emplace_back(rest.substr(0, colon));
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    if (!files.empty()) return files;
  }
  for (const ConfigEntry* entry : config.FindAll("key-file")) {
    if (!entry->value.empty()) files.push_back(entry->value);
  }
  return files;
}

// --size-mode: exactly one of the digits 0, 1 and 2.
bool ParseSizeMode(const std::string& text, int32_t* size_mode, std::string* error) {
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '2') {
    *size_mode = text[0] - '0';
    return true;
  }
  *error = "--size-mode takes 0, 1 or 2, not \"" + text + "\"";
  return false;
}

}  // namespace

const std::vector<OptionGroup>& GlobalOptionGroups() {
  // Help texts wrap at 50 characters, so that with the option column each
  // line fits 80 columns.
  static const std::vector<OptionGroup> kGroups = {
      {"Connection options",
       {
           {"server", 0, "HOST:PORT", "The server to connect to (QORV_SERVER)."},
           {"user", 'u', "NAME", "The user to log in as (QORV_USER)."},
           {"database", 'd', "NAME", "The database to log in to (QORV_DATABASE)."},
           {"password", 0, "TEXT",
            "The password (QORV_PASSWORD). When neither is\ngiven, it is asked without echo "
            "on a terminal,\nand empty otherwise."},
           {"proxy", 0, "URL",
            "Connect through a proxy (QORV_PROXY):\nsocks4://[USER@]HOST:PORT,\n"
            "socks5://[USER:PASSWORD@]HOST:PORT or\nhttp://[USER:PASSWORD@]HOST:PORT."},
           {"key-file", 0, "FILE",
            "A user key file for an enciphered server; may\nbe repeated (the first that "
            "matches server and\nuser is used; QORV_KEY_FILES, FILE:FILE...)."},
           {"temp-dir", 0, "DIR", "The folder for the SDK's temporary files."},
           {"ca-file", 0, "FILE",
            "For an SSL server: verify it against the\ncertificate authorities of this PEM "
            "file, not\nthe certificate the server sends (QORV_CA_FILE)."},
           {"timeout", 0, "SECONDS",
            "Give up a reply after this many seconds without\na byte from the server, and "
            "probe idle\nconnections, for networks that drop silently\n(QORV_TIMEOUT; 0 to "
            "3600; 0, the default,\nwaits until Ctrl-C)."},
       }},
      {"Transfer options",
       {
           {"zip", 0, nullptr,
            "Send and receive file bodies compressed (one-entry\nZIP archives)."},
           {"delta", 0, nullptr,
            "Let a large single file travel as a delta against\nits older version (size mode 1 "
            "or 2)."},
           {"size-mode", 0, "N", "The batch limit and delta threshold: 0, 1 or 2\n(default 0)."},
       }},
      {"Output options",
       {
           {"json", 0, nullptr,
            "Write the result as one JSON document on\nstandard output, report lines "
            "included."},
           {"quiet", 'q', nullptr,
            "Show only results and failures: no report\nlines, no progress."},
       }},
      {"Other options",
       {
           {"module", 0, "PATH",
            "The SDK module to register when the registry\nhas none (QORV_MODULE; default: "
            "the module\ninstalled or built with qorv)."},
           {"help", 'h', nullptr, "Show the help of qorv or of the command."},
           {"version", 0, nullptr, "Show the version of qorv."},
       }},
  };
  return kGroups;
}

const std::vector<OptionSpec>& GlobalOptionSpecs() {
  static const std::vector<OptionSpec> kSpecs = [] {
    std::vector<OptionSpec> all;
    for (const OptionGroup& group : GlobalOptionGroups()) {
      all.insert(all.end(), group.options.begin(), group.options.end());
    }
    return all;
  }();
  return kSpecs;
}

bool ResolveGlobalOptions(const OptionValues& options, const EnvironmentLookup& environment,
                          const ConfigFile& config, GlobalOptions* globals, std::string* error) {
  GlobalOptions result;
  if (auto server = Lookup(options, "server", environment, kServerVariable, config)) {
    ServerAddress address;
    if (!ParseServerAddress(server->value, &address, error)) {
      *error = server->where + *error;
      return false;
    }
    result.server = address;
  }
  result.user = ValueOr(Lookup(options, "user", environment, kUserVariable, config), "");
  result.database =
      ValueOr(Lookup(options, "database", environment, kDatabaseVariable, config), "");
  // An empty QORV_PASSWORD is a password too (the empty one), unlike the
  // other variables, so a script can log in without a password and without
  // being asked.
  result.password = ResolvePassword(options, environment, config, &result.warnings);
  if (auto proxy = Lookup(options, "proxy", environment, kProxyVariable, config)) {
    if (!ParseProxyUrl(proxy->value, &result.proxy, error)) {
      *error = proxy->where + *error;
      return false;
    }
  }
  result.key_files = ResolveKeyFiles(options, environment, config);
  result.temp_directory = options.Value("temp-dir").value_or("");
  result.transfer.compressed = options.Has("zip");
  result.transfer.delta = options.Has("delta");
  result.transfer.ca_file =
      ValueOr(Lookup(options, "ca-file", environment, kCaFileVariable, config), "");
  if (auto size_mode = options.Value("size-mode")) {
    if (!ParseSizeMode(*size_mode, &result.transfer.size_mode, error)) return false;
  }
  if (auto timeout = Lookup(options, "timeout", environment, kTimeoutVariable, config)) {
    if (!ParseTimeout(*timeout, &result.transfer.timeout_seconds, error)) return false;
  }
  result.module = ValueOr(Lookup(options, "module", environment, kModuleVariable, config), "");
  result.json = options.Has("json");
  result.quiet = options.Has("quiet");
  result.help = options.Has("help");
  result.version = options.Has("version");
  if (!ResolvePromptAnswers(options, &result.answers, error)) return false;
  *globals = std::move(result);
  return true;
}

bool ResolveGlobalOptions(const OptionValues& options, const EnvironmentLookup& environment,
                          GlobalOptions* globals, std::string* error) {
  return ResolveGlobalOptions(options, environment, ConfigFile(), globals, error);
}

}  // namespace qorv::cli
