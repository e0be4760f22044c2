// qorv serve: the reference server inside qorv, on a data directory, until
// Ctrl-C.
#include <chrono>
#include <filesystem>
#include <thread>

#include "cli/embedded/embedded_commands.h"
#include "cli/embedded/sample_database.h"
#include "server/server.h"
#include "server/server_config.h"

namespace qorv::cli {
namespace {

// How often the waiting server looks at the Ctrl-C flag.
constexpr auto kInterruptPoll = std::chrono::milliseconds(100);

// The server's own flag parser checks the values, so serve and qorvd accept
// the same ones.
Outcome ReadConfig(const CommandContext& context, server::ServerConfig* config) {
  std::vector<std::string> flags;
  for (const char* name : {"data", "address", "port", "encryption", "cert", "key", "ca"}) {
    if (auto value = context.options().Value(name)) {
      flags.push_back(std::string("--") + name);
      flags.push_back(*value);
    }
  }
  server::ServeRequest request;
  std::string error;
  if (!server::ParseServeArguments(flags, &request, &error))
    return Outcome::Usage("serve: " + error);
  *config = request.config;
  return Outcome::Success();
}

Outcome CheckServe(CommandContext& context) {
  server::ServerConfig config;
  return ReadConfig(context, &config);
}

Outcome RunServe(CommandContext& context) {
  server::ServerConfig config;
  Outcome outcome = ReadConfig(context, &config);
  if (!outcome.ok()) return outcome;
  Console& console = context.console();
  if (context.options().Has("sample") && !HasSampleDatabase(config.data_directory)) {
    std::string error;
    if (!CreateSampleDatabase(config.data_directory, &error)) {
      return Outcome::Failure(ExitClass::kLocalFile,
                              "serve: the sample database cannot be created: " + error);
    }
    console.Notice(std::string("created the sample database ") + kSampleDatabase + " (users " +
                   kSampleUser + "/" + kSamplePassword + " and " + kSampleSecondUser + "/" +
                   kSampleSecondPassword + ")");
  }
  // qorvd exits 1 for both failures below; qorv tells them apart by its
  // classes: a data directory that is missing is a local-file failure, a
  // port that cannot be listened on a connection failure.
  std::error_code ignored;
  if (!std::filesystem::is_directory(config.data_directory, ignored)) {
    return Outcome::Failure(ExitClass::kLocalFile, "serve: the data directory " +
                                                       config.data_directory +
                                                       " is not a folder (--sample creates one)");
  }
  server::Server server(config);
  std::string error;
  if (!server.Start(&error)) {
    return Outcome::Failure(ExitClass::kConnection, "serve: the server cannot start: " + error);
  }
  const std::string address = server::EndpointText(server.address(), server.port());
  context.io().out << "listening on " << address << std::endl;
  console.Notice("connect with: qorv --server " + address +
                 " --user NAME --database NAME COMMAND; Ctrl-C stops the server");
  while (!context.interrupted()) std::this_thread::sleep_for(kInterruptPoll);
  server.Stop();
  context.SetResult(JsonValue::Object().Set("address", JsonValue::String(address)), "stopped\n");
  return Outcome::Success();
}

}  // namespace

Command ServeCommand() {
  return {
      .name = "serve",
      .synopsis = "",
      .summary = "Run the reference server on a data directory until Ctrl-C",
      .description =
          "Runs the reference server inside qorv, as qorvd does, and prints\n"
          "\"listening on ADDRESS:PORT\" once it accepts clients. Ctrl-C (or SIGTERM)\n"
          "stops it. With --sample, a data directory without the sample database\n"
          "gets it first (database Demo, users alice/wonderland and bob/builder).",
      .options =
          {
              {"data", 0, "DIR", "The data directory: one NAME.qordb file per database."},
              {"address", 0, "ADDRESS",
               "The IPv4 or IPv6 address to listen on (default\n127.0.0.1)."},
              {"port", 0, "PORT", "The port to listen on (default 0: any free port)."},
              {"encryption", 0, "MODE",
               "0 plain (default), 1 Blowfish or 2 SSL (with\n--cert, --key and --ca)."},
              {"cert", 0, "FILE", "SSL: the server's certificate (PEM)."},
              {"key", 0, "FILE", "SSL: its private key (PEM)."},
              {"ca", 0, "FILE", "SSL: the CA certificate sent to clients (PEM)."},
              {"sample", 0, nullptr, "Create the sample database when it is missing."},
          },
      .need = ServerNeed::kNone,
      .run = RunServe,
      .check = CheckServe,
  };
}

}  // namespace qorv::cli
