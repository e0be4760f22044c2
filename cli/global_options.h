// The options every command accepts: where the server is and how to log in,
// how to show results, and where the SDK module is. Each connection option
// may also come from the environment or the configuration file
// (cli/config_file.h): an option wins over its variable, which wins over
// the file. The answers to the SDK's questions
// are read here too, but are options of the commands that ask them
// (PromptOptionSpecs).
#ifndef QORV_CLI_GLOBAL_OPTIONS_H_
#define QORV_CLI_GLOBAL_OPTIONS_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/config_file.h"
#include "cli/endpoints.h"
#include "cli/prompt_answers.h"

namespace qorv::cli {

// Environment variables read for the options of the same name.
inline constexpr char kServerVariable[] = "QORV_SERVER";
inline constexpr char kUserVariable[] = "QORV_USER";
inline constexpr char kDatabaseVariable[] = "QORV_DATABASE";
inline constexpr char kPasswordVariable[] = "QORV_PASSWORD";
inline constexpr char kProxyVariable[] = "QORV_PROXY";
inline constexpr char kModuleVariable[] = "QORV_MODULE";
inline constexpr char kCaFileVariable[] = "QORV_CA_FILE";
inline constexpr char kTimeoutVariable[] = "QORV_TIMEOUT";
// Key files, separated by ":" as the folders of PATH are.
inline constexpr char kKeyFilesVariable[] = "QORV_KEY_FILES";

// The largest --timeout, as the SDK's ReceiveTimeout takes it.
inline constexpr int32_t kMaxTimeoutSeconds = 3600;

// The SDK object's transfer settings (IQORVTransferSettings): --zip,
// --delta and --size-mode N. All 0 unless given.
struct TransferOptions {
  bool compressed = false;
  bool delta = false;
  int32_t size_mode = 0;
  // --ca-file: the CA file an SSL server is verified against, in place of
  // the certificate it sends; empty for none.
  std::string ca_file;
  // --timeout: seconds a receive may wait without a byte (ReceiveTimeout);
  // 0, the default, waits until Ctrl-C.
  int32_t timeout_seconds = 0;
  bool operator==(const TransferOptions&) const = default;
};

struct GlobalOptions {
  std::optional<ServerAddress> server;
  std::string user;
  std::string database;
  std::optional<std::string> password;  // nothing: ask on a terminal
  ProxySettings proxy;
  std::vector<std::string> key_files;
  std::string temp_directory;
  TransferOptions transfer;
  std::string module;  // given by --module or QORV_MODULE; empty otherwise
  bool json = false;
  bool quiet = false;
  bool help = false;
  bool version = false;
  PromptAnswers answers;
  // Notes for standard error about the defaults read (a password ignored in
  // a configuration file others may read).
  std::vector<std::string> warnings;
};

struct OptionGroup {
  const char* title;
  std::vector<OptionSpec> options;
};

// The global options in the groups the help text shows.
const std::vector<OptionGroup>& GlobalOptionGroups();
// All of them in one list, for the parser.
const std::vector<OptionSpec>& GlobalOptionSpecs();

// Looks up an environment variable; nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// Reads the global options, an option winning over its environment
// variable, which wins over the entry of `config`. An empty variable or
// entry counts as not set, except for the password, where it is the empty
// password. The file's password is used only when the file is readable by
// its owner only; otherwise it is ignored with a warning naming the file.
// False with a message for a bad server address, proxy URL or time-out, a
// size mode other than 0, 1 or 2, or conflicting prompt answers; a bad
// value of the file names the file and line.
bool ResolveGlobalOptions(const OptionValues& options, const EnvironmentLookup& environment,
                          const ConfigFile& config, GlobalOptions* globals, std::string* error);
// The same without a configuration file.
bool ResolveGlobalOptions(const OptionValues& options, const EnvironmentLookup& environment,
                          GlobalOptions* globals, std::string* error);

}  // namespace qorv::cli

#endif  // QORV_CLI_GLOBAL_OPTIONS_H_
