#include "server/admin_commands.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

#include "net/key_file.h"
#include "server/command_options.h"
#include "server/data_directory.h"
#include "server/database.h"
#include "server/server_crypto.h"

namespace qorv::server {
namespace {

// The name changes made by the administration are recorded under, unless
// --as names a user.
constexpr char kAdministratorName[] = "Admin";

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct AdminCommand {
  const char* name;
  const char* summary;
  std::vector<FlagInfo> options;
  std::vector<std::string> required;  // flags that must be given
  int (*run)(const CommandOptions& options, std::ostream& out, std::ostream& err);
};

// Fails with exit code 1 and the message.
int Failed(std::ostream& err, const std::string& message) {
  err << "qorvd admin: " << message << "\n";
  return kExitFailed;
}

// A bad flag value: a usage error (exit code 2), like a missing flag.
int BadUsage(std::ostream& err, const std::string& message) {
  err << "qorvd admin: " << message << "\n";
  return kExitUsage;
}

std::string Required(const CommandOptions& options, const char* name) {
  return options.Value(name).value_or("");
}

// Opens the database named by --db in the directory named by --data.
std::shared_ptr<Database> OpenNamedDatabase(const CommandOptions& options,
                                            std::unique_ptr<DataDirectory>* directory,
                                            std::ostream& err) {
  Database::Options store;
  // add-user and set-password: the count of the hash they write.
  if (auto text = options.Value("password-iterations")) {
    int64_t iterations = 0;
    const char* end = text->data() + text->size();
    const auto [rest, failure] = std::from_chars(text->data(), end, iterations);
    if (failure != std::errc() || rest != end) iterations = 0;
    if (iterations < 1 || iterations > INT32_MAX) {
      BadUsage(err, "bad --password-iterations " + *text);
      return nullptr;
    }
    store.password_iterations = iterations;
  }
  *directory = std::make_unique<DataDirectory>(Required(options, "data"), std::move(store));
  std::shared_ptr<Database> database;
  StoreStatus status = (*directory)->OpenDatabase(Required(options, "db"), &database);
  if (!status.ok()) {
    Failed(err, status.text);
    return nullptr;
  }
  return database;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// 32 hex digits, optionally after "0x".
bool ParseKey(std::string text, UserKey* key) {
  if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) text.erase(0, 2);
  if (text.size() != 2 * key->size()) return false;
  for (size_t i = 0; i < key->size(); ++i) {
    const int high = HexValue(text[2 * i]);
    const int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    (*key)[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return true;
}

bool RandomKey(UserKey* key) { return RandomBytes(key->data(), key->size()); }

int RunCreateDatabase(const CommandOptions& options, std::ostream& out, std::ostream& err) {
  DataDirectory directory(Required(options, "data"), Database::Options{});
  const std::string name = Required(options, "db");
  StoreStatus status = directory.CreateDatabase(name);
  if (!status.ok()) return Failed(err, status.text);
  out << "created database " << name << "\n";
  return kExitDone;
}

int RunAddUser(const CommandOptions& options, std::ostream& out, std::ostream& err) {
  NewUser user;
  user.name = Required(options, "user");
  user.password = Required(options, "password");
  user.read_only = options.Has("read-only");
  user.must_change_password = options.Has("must-change-password");
  if (auto text = options.Value("key")) {
    UserKey key;
    if (!ParseKey(*text, &key)) return BadUsage(err, "--key must be 32 hexadecimal digits");
    user.user_key = key;
  } else if (options.Has("random-key")) {
    UserKey key;
    if (!RandomKey(&key)) return Failed(err, "no random bytes for a key");
    user.user_key = key;
  }
  std::unique_ptr<DataDirectory> directory;
  std::shared_ptr<Database> database = OpenNamedDatabase(options, &directory, err);
  if (!database) return kExitFailed;
  StoreStatus status = database->AddUser(user);
  if (!status.ok()) return Failed(err, status.text);
  out << "added user " << user.name << "\n";
  return kExitDone;
}

int RunSetPassword(const CommandOptions& options, std::ostream& out, std::ostream& err) {
  std::unique_ptr<DataDirectory> directory;
  std::shared_ptr<Database> database = OpenNamedDatabase(options, &directory, err);
  if (!database) return kExitFailed;
  const std::string name = Required(options, "user");
  std::optional<UserRecord> user = database->FindUser(name);
  if (!user) return Failed(err, "no user " + name);
  // Recorded as the user's own change, as a change by the client would be;
  // the store clears the request to change the password.
  StoreStatus status = database->SetPassword(user->actor, Required(options, "password"));
  if (!status.ok()) return Failed(err, status.text);
  out << "set the password of " << user->actor.name << "\n";
  return kExitDone;
}

int RunImport(const CommandOptions& options, std::ostream& out, std::ostream& err) {
  std::unique_ptr<DataDirectory> directory;
  std::shared_ptr<Database> database = OpenNamedDatabase(options, &directory, err);
  if (!database) return kExitFailed;
  Actor actor{0, kAdministratorName, false};
  if (auto name = options.Value("as")) {
    std::optional<UserRecord> user = database->FindUser(*name);
    if (!user) return Failed(err, "no user " + *name);
    actor = user->actor;
  }
  const std::string folder = Required(options, "folder");
  const std::string project = Required(options, "project");
  StoreStatus status =
      database->ImportFolder(actor, folder, project, options.Value("comment").value_or(""));
  if (!status.ok()) return Failed(err, status.text);
  out << "imported " << folder << " as " << project << "\n";
  return kExitDone;
}

int RunIssueKey(const CommandOptions& options, std::ostream& out, std::ostream& err) {
  KeyFileFields fields;
  fields.user_name = Required(options, "user");
  fields.server_name = Required(options, "server");
  // Built as strings and moved in: assigning the short literals directly
  // trips a false -Wrestrict of GCC 12 at -O3.
  fields.cache_server_marker = std::string(kKeyFileDefaultCacheServerMarker);
  fields.key_file_type = std::string(kKeyFileDefaultType);
  fields.expires = options.Value("expires").value_or(kKeyFileNeverExpires);
  bool never = false;
  double expires = 0;
  if (!ParseKeyFileExpiry(fields.expires, &never, &expires)) {
    return BadUsage(err, "--expires must be Never or YYYY/M/D");
  }
  std::unique_ptr<DataDirectory> directory;
  std::shared_ptr<Database> database = OpenNamedDatabase(options, &directory, err);
  if (!database) return kExitFailed;
  std::optional<UserRecord> user = database->FindUser(fields.user_name);
  if (!user) return Failed(err, "no user " + fields.user_name);
  // The file carries the user's stored key; a user without one (or with
  // --new-key) gets a new random key first, which makes older files of that
  // user useless.
  UserKey key{};
  if (user->user_key && !options.Has("new-key")) {
    key = *user->user_key;
  } else {
    if (!RandomKey(&key)) return Failed(err, "no random bytes for a key");
    StoreStatus status = database->SetUserKey(user->actor.name, key);
    if (!status.ok()) return Failed(err, status.text);
  }
  ChannelKey channel_key;
  std::copy(key.begin(), key.end(), channel_key.begin());
  // The stored spelling of the name, which the client compares without
  // regard to case anyway.
  fields.user_name = user->actor.name;
  const std::string text = FormatKeyFile(fields, channel_key);
  const std::string path = Required(options, "out");
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (!file) return Failed(err, "cannot write " + path);
  // The file holds the user's key: only its owner may read it.
  std::error_code error;
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
      std::filesystem::perm_options::replace, error);
  if (error) return Failed(err, "cannot restrict access to " + path + ": " + error.message());
  out << "wrote key file " << path << " for user " << fields.user_name << " on server "
      << fields.server_name << "\n";
  return kExitDone;
}

int RunCheckoutAs(const CommandOptions& options, std::ostream& out, std::ostream& err) {
  std::unique_ptr<DataDirectory> directory;
  std::shared_ptr<Database> database = OpenNamedDatabase(options, &directory, err);
  if (!database) return kExitFailed;
  const std::string name = Required(options, "user");
  std::optional<UserRecord> user = database->FindUser(name);
  if (!user) return Failed(err, "no user " + name);
  const std::string path = Required(options, "path");
  CheckoutResult result;
  StoreStatus status =
      database->CheckOut(user->actor, path, options.Value("comment").value_or(""), &result);
  if (!status.ok()) return Failed(err, status.text);
  out << "checked out " << path << " (version " << result.version.version << ") for "
      << user->actor.name << "\n";
  return kExitDone;
}

const FlagInfo kDataOption{"data", "DIR", "Data directory of the server (required)."};
const FlagInfo kDatabaseOption{"db", "NAME", "Database name (required)."};

const std::vector<AdminCommand>& AdminCommands() {
  static const std::vector<AdminCommand> kCommands = {
      {"create-db",
       "Creates an empty database (only the root project $/).",
       {kDataOption, kDatabaseOption},
       {"data", "db"},
       RunCreateDatabase},
      {"add-user",
       "Adds a user to a database.",
       {kDataOption,
        kDatabaseOption,
        {"user", "NAME", "User name (required)."},
        {"password", "TEXT", "Password (required; may be empty: --password=)."},
        {"read-only", nullptr, "The user may read but not change anything."},
        {"must-change-password", nullptr, "The user is asked to change the password at login."},
        {"key", "HEX", "Blowfish user key for encryption mode 1: 32 hexadecimal digits."},
        {"password-iterations", "N",
         "PBKDF2 iterations of the password hash (default 210000); lower only for tests."},
        {"random-key", nullptr, "Give the user a random Blowfish user key."}},
       {"data", "db", "user", "password"},
       RunAddUser},
      {"set-password",
       "Sets a user's new password; the user is no longer asked to change it.",
       {kDataOption,
        kDatabaseOption,
        {"user", "NAME", "User name (required)."},
        {"password", "TEXT", "The new password (required; may be empty: --password=)."},
        {"password-iterations", "N",
         "PBKDF2 iterations of the password hash (default 210000); lower only for tests."}},
       {"data", "db", "user", "password"},
       RunSetPassword},
      {"import",
       "Imports a local folder as a project, its files and sub-folders included, in one change.",
       {kDataOption,
        kDatabaseOption,
        {"folder", "DIR", "The local folder (required)."},
        {"project", "PATH", "The project to create or fill, such as $/Game (required)."},
        {"comment", "TEXT", "Comment of the change."},
        {"as", "USER", "Record the change as made by this user (default Admin)."}},
       {"data", "db", "folder", "project"},
       RunImport},
      {"issue-key",
       "Writes a Blowfish user key file for a user and a server name. A user without a key "
       "gets a random one first.",
       {kDataOption,
        kDatabaseOption,
        {"user", "NAME", "User name (required)."},
        {"server", "NAME", "Server name or address the client connects to (required)."},
        {"expires", "DATE", "Never (default) or YYYY/M/D."},
        {"new-key", nullptr, "Give the user a new random key (older key files stop working)."},
        {"out", "FILE", "The key file to write (required)."}},
       {"data", "db", "user", "server", "out"},
       RunIssueKey},
      {"checkout-as",
       "Checks a file out for a user, as that user's client would.",
       {kDataOption,
        kDatabaseOption,
        {"user", "NAME", "User name (required)."},
        {"path", "PATH", "The file, such as $/Game/main.c (required)."},
        {"comment", "TEXT", "Check-out comment."}},
       {"data", "db", "user", "path"},
       RunCheckoutAs},
  };
  return kCommands;
}

bool IsHelp(const std::string& argument) { return argument == "--help" || argument == "-h"; }

}  // namespace

std::string AdminUsage() {
  std::string text =
      "Usage: qorvd admin COMMAND [flags]\n"
      "       qorvd admin COMMAND --help\n"
      "\n"
      "Administers a data directory directly (a server may be running on it).\n";
  for (const AdminCommand& command : AdminCommands()) {
    text += std::string("\n") + command.name + ": " + command.summary + "\n";
    text += FormatOptionHelp(command.options);
  }
  return text;
}

int RunAdminCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err) {
  if (arguments.empty() || IsHelp(arguments.front())) {
    (arguments.empty() ? err : out) << AdminUsage();
    return arguments.empty() ? kExitUsage : kExitDone;
  }
  for (const AdminCommand& command : AdminCommands()) {
    if (arguments.front() != command.name) continue;
    CommandOptions options;
    std::string error;
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (std::any_of(rest.begin(), rest.end(), IsHelp)) {
      out << "Usage: qorvd admin " << command.name << " [flags]\n\n"
          << command.summary << "\n\n"
          << FormatOptionHelp(command.options);
      return kExitDone;
    }
    if (!options.Parse(rest, command.options, &error)) {
      err << "qorvd admin " << command.name << ": " << error << "\n";
      return kExitUsage;
    }
    if (!options.positional().empty()) {
      err << "qorvd admin " << command.name << ": unexpected argument "
          << options.positional().front() << "\n";
      return kExitUsage;
    }
    for (const std::string& flag : command.required) {
      if (!options.Has(flag)) {
        err << "qorvd admin " << command.name << ": --" << flag << " is required\n";
        return kExitUsage;
      }
    }
    return command.run(options, out, err);
  }
  err << "qorvd admin: unknown command " << arguments.front() << "\n" << AdminUsage();
  return kExitUsage;
}

}  // namespace qorv::server
