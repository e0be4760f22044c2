#include "cli/global_options.h"

namespace qorv::cli {
namespace {

std::optional<std::string> OptionOrVariable(const OptionValues& options, const char* option,
                                            const EnvironmentLookup& environment,
                                            const char* variable) {
  if (std::optional<std::string> value = options.Value(option)) return value;
  if (variable == nullptr) return std::nullopt;
  std::optional<std::string> value = environment(variable);
  if (value && value->empty()) return std::nullopt;
  return value;
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
            "matches server and\nuser is used)."},
           {"temp-dir", 0, "DIR", "The folder for the SDK's temporary files."},
           {"ca-file", 0, "FILE",
            "For an SSL server: verify it against the\ncertificate authorities of this PEM "
            "file, not\nthe certificate the server sends."},
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
                          GlobalOptions* globals, std::string* error) {
  GlobalOptions result;
  if (auto server = OptionOrVariable(options, "server", environment, kServerVariable)) {
    ServerAddress address;
    if (!ParseServerAddress(*server, &address, error)) return false;
    result.server = address;
  }
  result.user = OptionOrVariable(options, "user", environment, kUserVariable).value_or("");
  result.database =
      OptionOrVariable(options, "database", environment, kDatabaseVariable).value_or("");
  // An empty QORV_PASSWORD is a password too (the empty one), unlike the
  // other variables, so a script can log in without a password and without
  // being asked.
  if (auto password = options.Value("password")) {
    result.password = password;
  } else if (auto variable = environment(kPasswordVariable)) {
    result.password = variable;
  }
  if (auto proxy = OptionOrVariable(options, "proxy", environment, kProxyVariable)) {
    if (!ParseProxyUrl(*proxy, &result.proxy, error)) return false;
  }
  result.key_files = options.Values("key-file");
  result.temp_directory = options.Value("temp-dir").value_or("");
  result.transfer.compressed = options.Has("zip");
  result.transfer.delta = options.Has("delta");
  result.transfer.ca_file = options.Value("ca-file").value_or("");
  if (auto size_mode = options.Value("size-mode")) {
    if (!ParseSizeMode(*size_mode, &result.transfer.size_mode, error)) return false;
  }
  result.module = OptionOrVariable(options, "module", environment, kModuleVariable).value_or("");
  result.json = options.Has("json");
  result.quiet = options.Has("quiet");
  result.help = options.Has("help");
  result.version = options.Has("version");
  if (!ResolvePromptAnswers(options, &result.answers, error)) return false;
  *globals = std::move(result);
  return true;
}

}  // namespace qorv::cli
