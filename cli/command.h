// A sub-command of qorv and what it works with while it runs.
//
// Each command is one file that defines its Command entry (name, help,
// options, what it needs from the server, and its run function) and is
// listed once in the command table (command_table.cc). The runner parses the
// command line, opens the SDK session the command needs (connected, logged
// in), calls `run`, and writes the result as text or JSON with the exit
// status of its class.
#ifndef QORV_CLI_COMMAND_H_
#define QORV_CLI_COMMAND_H_

#include <atomic>
#include <cstddef>
#include <functional>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/console.h"
#include "cli/global_options.h"
#include "cli/json_value.h"
#include "cli/outcome.h"
#include "platform/console/interrupt_watch.h"
#include "platform/console/terminal.h"
#include "qorvsdk/sdk.h"

namespace qorv::cli {

class SdkSession;

// What a command needs before it runs.
enum class ServerNeed {
  kNone,     // no SDK session (help, serve, demo)
  kConnect,  // connected, not logged in (databases)
  kLogin,    // connected and logged in
};

// What a command's arguments name, for the checks the runner makes before
// anything connects.
enum class ArgumentKind {
  kText,        // anything (a command name)
  kServerPath,  // a project or file on the server: it must be well formed
  kLocalFile,   // a file on this machine to read: it must be a readable plain file
};

class CommandContext;
using CommandRun = Outcome (*)(CommandContext& context);

inline constexpr size_t kAnyNumber = std::numeric_limits<size_t>::max();

// Written with designated initializers; members left out keep these values.
struct Command {
  const char* name = "";
  std::vector<const char*> aliases = {};
  const char* synopsis = "";     // the arguments in the usage line, such as "[PROJECT]"
  const char* summary = "";      // one line for the command list
  const char* description = "";  // the help text's paragraphs
  std::vector<OptionSpec> options = {};
  size_t min_arguments = 0;
  size_t max_arguments = 0;
  // The kinds of the arguments in order, the last standing for any further
  // ones; empty when all are text.
  std::vector<ArgumentKind> argument_kinds = {};
  ServerNeed need = ServerNeed::kNone;
  CommandRun run = nullptr;
  // Checks the options and arguments before anything connects, so that a
  // mistyped option fails at once; null when there is nothing to check.
  CommandRun check = nullptr;
  // Whether --json applies; a command whose output is only for people to
  // read refuses it as a usage error rather than ignore it.
  bool json = true;

  bool Answers(std::string_view word) const;
};

// The program's surroundings: its streams, whether they are terminals, the
// Ctrl-C flag, the environment and the SDK module built with it. Tests and
// the demo give their own.
struct ProgramIo {
  ProgramIo(std::ostream& out_stream, std::ostream& err_stream)
      : out(out_stream), err(err_stream) {}

  std::ostream& out;
  std::ostream& err;
  bool input_is_terminal = false;
  bool error_is_terminal = false;
  int columns = 80;
  const std::atomic<bool>* interrupt = nullptr;
  // The process's watch, for clean-up that must happen even when a second
  // Ctrl-C ends the program at once; null when there is none.
  platform::InterruptWatch* watch = nullptr;
  // Reads one line of standard input (`echo` false for a password);
  // `show_prompt`, when given, writes the question once the terminal is
  // ready for the answer.
  std::function<platform::LineRead(std::string* line, bool echo,
                                   const std::function<void()>& show_prompt)>
      read_line;
  // Why a write to `out` failed, when the system said ("No space left on
  // device"); null or empty when it is not known.
  std::function<std::string()> output_failure;
  EnvironmentLookup environment;
  std::string default_module;
};

class CommandContext {
 public:
  CommandContext(const Command& command, const CommandLine& line, const GlobalOptions& globals,
                 Console& console, ProgramIo& io, const std::vector<Command>& commands,
                 SdkSession* session)
      : command_(command),
        line_(line),
        globals_(globals),
        console_(console),
        io_(io),
        commands_(commands),
        session_(session) {}

  const Command& command() const { return command_; }
  const std::vector<std::string>& arguments() const { return line_.arguments; }
  const OptionValues& options() const { return line_.options; }
  const GlobalOptions& globals() const { return globals_; }
  Console& console() { return console_; }
  ProgramIo& io() { return io_; }
  const std::vector<Command>& commands() const { return commands_; }

  // The SDK object; null for commands that need no server, and while the
  // command's check runs.
  IQORVSDK* sdk() const;
  void set_session(SdkSession* session) { session_ = session; }
  // Whether the user pressed Ctrl-C: a command stops before its next call.
  bool interrupted() const { return io_.interrupt != nullptr && io_.interrupt->load(); }

  // The result in both forms; the runner writes the one asked for, and only
  // when the command succeeded.
  void SetResult(JsonValue data, std::string text) {
    data_ = std::move(data);
    text_ = std::move(text);
  }
  const JsonValue& data() const { return data_; }
  const std::string& text() const { return text_; }

 private:
  const Command& command_;
  const CommandLine& line_;
  const GlobalOptions& globals_;
  Console& console_;
  ProgramIo& io_;
  const std::vector<Command>& commands_;
  SdkSession* session_;
  JsonValue data_;
  std::string text_;
};

// The command called `word` (name or alias), or null.
const Command* FindCommand(const std::vector<Command>& commands, std::string_view word);

}  // namespace qorv::cli

#endif  // QORV_CLI_COMMAND_H_
