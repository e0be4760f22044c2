#include "cli/runner.h"

#include <exception>
#include <filesystem>
#include <memory>

#include "cli/config_file.h"
#include "cli/help_text.h"
#include "cli/key_files.h"
#include "cli/path_arguments.h"
#include "cli/sdk_session.h"
#include "cli/session_events.h"
#include "platform/console/local_probe.h"
#include "qorvsdk/result_codes.h"

namespace qorv::cli {
namespace {

// The failure in words, for standard error.
// `shown_failures`, when given, is the console whose failed report lines the
// message need not repeat.
std::string FailureText(const Command& command, const Outcome& outcome,
                        const Console* shown_failures) {
  if (outcome.usage_error || outcome.internal_error || outcome.exit_class) {
    return outcome.description;
  }
  if (FAILED(outcome.hr)) {
    if (outcome.hr == E_NOTIMPL) {
      return std::string(command.name) + ": this SDK does not implement " + outcome.method +
             " yet (E_NOTIMPL)";
    }
    return std::string(command.name) + ": " + outcome.method + " failed (" +
           HresultText(outcome.hr) + ")";
  }
  const std::string result = "(result " + std::to_string(outcome.result) + ")";
  if (outcome.canceled) {
    return outcome.description.empty() ? "canceled " + result
                                       : "canceled: " + outcome.description + " " + result;
  }
  // The SDK usually reported the same text as a failed report line already.
  if (outcome.description.empty() ||
      (shown_failures != nullptr && shown_failures->ShowedFailure(outcome.description))) {
    return std::string(command.name) + " failed " + result;
  }
  return outcome.description + " " + result;
}

std::string FailureMessage(const Command& command, const Outcome& outcome,
                           const Console* shown_failures) {
  const std::string text = FailureText(command, outcome, shown_failures);
  return outcome.cause.empty() ? text : text + ": " + outcome.cause;
}

JsonValue Document(const Command& command, const Outcome& outcome, ExitClass exit_class,
                   const CommandContext* context, const Console& console,
                   const std::string& error) {
  JsonValue document = JsonValue::Object();
  document.Set("command", JsonValue::String(command.name))
      .Set("ok", JsonValue::Bool(outcome.ok()))
      .Set("exit_status", JsonValue::Integer(static_cast<int>(exit_class)))
      .Set("class", JsonValue::String(ExitClassName(exit_class)))
      .Set("result", JsonValue::Integer(outcome.result))
      .Set("description", JsonValue::String(outcome.description))
      .Set("canceled", JsonValue::Bool(outcome.canceled));
  if (!outcome.method.empty()) document.Set("method", JsonValue::String(outcome.method));
  if (FAILED(outcome.hr)) document.Set("hresult", JsonValue::String(HresultText(outcome.hr)));
  if (exit_class != ExitClass::kSuccess && exit_class != ExitClass::kNo) {
    document.Set("error", JsonValue::String(error));
  }
  if (!outcome.cause.empty()) document.Set("cause", JsonValue::String(outcome.cause));
  if (console.warnings().size() > 0) document.Set("warnings", console.warnings());
  document.Set("data", outcome.ok() && context != nullptr ? context->data() : JsonValue());
  document.Set("report", console.report_lines());
  if (console.notices().size() != 0) document.Set("notices", console.notices());
  return document;
}

// Writes the result or the failure; returns the exit status.
int Finish(const Command& command, const Outcome& outcome, const CommandContext* context,
           Console& console, ProgramIo& io) {
  console.EndProgress();
  const ExitClass exit_class = ClassifyOutcome(outcome);
  if (console.settings().json) {
    const std::string error = exit_class == ExitClass::kSuccess || exit_class == ExitClass::kNo
                                  ? std::string()
                                  : FailureMessage(command, outcome, /*shown_failures=*/nullptr);
    io.out << Document(command, outcome, exit_class, context, console, error).Serialize() << "\n";
    io.out.flush();
  } else if (outcome.ok()) {
    if (context != nullptr) console.Output(context->text());
  } else {
    console.Error(FailureMessage(command, outcome, &console));
    if (outcome.usage_error) {
      io.err << "Try 'qorv help " << command.name << "'.\n";
    }
  }
  return static_cast<int>(exit_class);
}

// --help and --version: the text, or with --json the document of a command
// that succeeded with `data`.
int WriteInformation(const Command& command, const CommandLine& line, const GlobalOptions& globals,
                     ProgramIo& io, const std::vector<Command>& commands, const std::string& text,
                     JsonValue data) {
  if (!globals.json) {
    io.out << text;
    return static_cast<int>(ExitClass::kSuccess);
  }
  ConsoleSettings settings;
  settings.json = true;
  Console console(settings, io.out, io.err);
  CommandContext context(command, line, globals, console, io, commands, nullptr);
  context.SetResult(std::move(data), text);
  return Finish(command, Outcome::Success(), &context, console, io);
}

// The password: the option, variable or configuration file, else asked on a
// terminal, else empty.
Outcome ResolvePassword(const GlobalOptions& globals, Console& console, ProgramIo& io,
                        std::string* password) {
  if (globals.password) {
    *password = *globals.password;
    return Outcome::Success();
  }
  password->clear();
  if (!io.input_is_terminal || !io.read_line) return Outcome::Success();
  const std::string question = "Password for " + globals.user + " on " + globals.server->host +
                               ":" + std::to_string(globals.server->port) + ": ";
  // The question appears only once the echo is off.
  if (io.read_line(password, false, [&] { console.Ask(question); }) ==
      platform::LineRead::kCanceled) {
    return Outcome::Interrupted();
  }
  return Outcome::Success();
}

// What a command that talks to the server needs before anything starts.
Outcome CheckConnectionSettings(const Command& command, const GlobalOptions& globals) {
  if (!globals.server) {
    return Outcome::Usage("no server given: use --server HOST:PORT or set QORV_SERVER");
  }
  // The SDK takes a folder that does not exist without a word and fails
  // later, when it needs a temporary file; say so now.
  std::error_code ignored;
  if (!globals.temp_directory.empty() &&
      !std::filesystem::is_directory(globals.temp_directory, ignored)) {
    return Outcome::Usage("--temp-dir " + globals.temp_directory + " is not a folder");
  }
  if (command.need != ServerNeed::kLogin) return Outcome::Success();
  if (globals.user.empty()) {
    return Outcome::Usage("no user given: use --user NAME or set QORV_USER");
  }
  if (globals.database.empty()) {
    return Outcome::Usage("no database given: use --database NAME or set QORV_DATABASE");
  }
  return Outcome::Success();
}

// `argument` in quotes, its control characters written as escapes ("\n",
// "\x1B") so that the message shows where they are.
std::string QuotedArgument(std::string_view argument) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string quoted = "\"";
  for (const char c : argument) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      quoted += "\\n";
    } else if (c == '\t') {
      quoted += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      quoted += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 0xF];
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

ArgumentKind KindOf(const Command& command, size_t index) {
  if (command.argument_kinds.empty()) return ArgumentKind::kText;
  return command.argument_kinds[std::min(index, command.argument_kinds.size() - 1)];
}

// Server paths well formed and local file names given: usage errors.
Outcome CheckArgumentForms(const Command& command, const std::vector<std::string>& arguments) {
  const std::string name = std::string(command.name) + ": ";
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (KindOf(command, i) == ArgumentKind::kServerPath) {
      const std::string problem = ServerPathProblem(argument);
      if (!problem.empty()) {
        return Outcome::Usage(name + QuotedArgument(argument) +
                              " is not a server path: " + problem);
      }
    } else if (KindOf(command, i) == ArgumentKind::kLocalFile) {
      if (argument.empty()) return Outcome::Usage(name + "the local file name is empty");
      if (argument == "-") {
        return Outcome::Usage(name + "\"-\" (standard input) cannot be used; name a file");
      }
    }
  }
  return Outcome::Success();
}

// The local files readable, after every usage check.
Outcome CheckLocalFiles(const Command& command, const std::vector<std::string>& arguments) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (KindOf(command, i) != ArgumentKind::kLocalFile) continue;
    const std::string problem = platform::UnreadableFileReason(arguments[i]);
    if (!problem.empty()) {
      return Outcome::Failure(ExitClass::kLocalFile, std::string(command.name) +
                                                         ": the local file " + arguments[i] +
                                                         " cannot be read: " + problem);
    }
  }
  return Outcome::Success();
}

Outcome CheckArgumentCount(const Command& command, const std::vector<std::string>& arguments) {
  const size_t count = arguments.size();
  if (count < command.min_arguments) {
    return Outcome::Usage(std::string(command.name) + ": missing argument (" + command.synopsis +
                          ")");
  }
  if (count > command.max_arguments && command.max_arguments == 0) {
    return Outcome::Usage(std::string(command.name) + ": too many arguments (\"" + arguments[0] +
                          "\"): " + command.name + " takes none");
  }
  if (count > command.max_arguments) {
    return Outcome::Usage(std::string(command.name) + ": too many arguments (" + command.synopsis +
                          ")");
  }
  return Outcome::Success();
}

// The reference server's refusals of a login (docs/protocol.md): a wrong
// name or password, a user key that does not match.
constexpr int32_t kServerStatusBadLogin = 40003;
constexpr int32_t kServerStatusKeyMismatch = 40004;

// How long the probe of a server or proxy that the SDK could not reach waits
// for the connect.
constexpr int kProbeTimeoutMs = 3000;

// Why the connect failed, as far as a connect of qorv's own can tell: the
// SDK's text names the server but not the cause ("Error connecting to:
// HOST:PORT" for a refused connect and an unknown host alike), and a proxy
// failure does not name the proxy.
std::string ConnectCause(const Outcome& outcome, const GlobalOptions& globals) {
  if (outcome.ok() || FAILED(outcome.hr) || outcome.canceled) return std::string();
  const ServerAddress& server = *globals.server;
  const std::string server_name = server.host + ":" + std::to_string(server.port);
  const ProxySettings& proxy = globals.proxy;
  if (proxy.type != Enum_NOPROXY) {
    const std::string proxy_name = proxy.host + ":" + std::to_string(proxy.port);
    if (ClassifyResult(outcome.result, false, Step::kConnect) != ExitClass::kConnection &&
        outcome.result != kResultProxyAuthFailed) {
      return std::string();
    }
    const std::string reason = platform::UnreachableReason(proxy.host, proxy.port, kProbeTimeoutMs);
    return reason.empty() ? "through the proxy " + proxy_name
                          : "the proxy " + proxy_name + " cannot be reached: " + reason;
  }
  switch (outcome.result) {
    case kResultSocketError:
    case kResultConnectFailed:
    case kResultUnspecifiedConnectError: {
      const std::string reason =
          platform::UnreachableReason(server.host, server.port, kProbeTimeoutMs);
      return reason.empty() ? std::string() : server_name + " cannot be reached: " + reason;
    }
    case kResultReceiveOutOfMemory:
    case kResultNotThisProduct:
      return "the program at " + server_name + " does not answer as a qorv server";
    default:
      return std::string();
  }
}

// Why the login was refused, where qorv knows more than the server's text.
std::string LoginCause(const Outcome& outcome, const GlobalOptions& globals, const ProgramIo& io,
                       size_t unusable_key_files) {
  if (outcome.ok() || FAILED(outcome.hr)) return std::string();
  if (outcome.result == kServerStatusBadLogin && !globals.password && !io.input_is_terminal) {
    return "no password was given (--password, QORV_PASSWORD or a private configuration file) "
           "and standard input is not a terminal to ask on, so the empty password was sent";
  }
  if (outcome.result == kServerStatusKeyMismatch) {
    if (globals.key_files.empty()) {
      return "the server enciphers its logins: give the user's key file with --key-file";
    }
    if (unusable_key_files == globals.key_files.size()) {
      return "none of the key files given could be used (see the warnings above)";
    }
  }
  return std::string();
}

// Opens the session, connects and logs in as the command needs, and runs
// the command in `context`.
Outcome RunWithSession(CommandContext& context, Console& console, ProgramIo& io) {
  const Command& command = context.command();
  const GlobalOptions& globals = context.globals();
  std::string password;
  if (command.need == ServerNeed::kLogin) {
    Outcome asked = ResolvePassword(globals, console, io, &password);
    if (!asked.ok()) return asked;
  }
  SessionEvents events(console, globals.answers, io.input_is_terminal && io.read_line != nullptr,
                       [&io](std::string* answer) {
                         return io.read_line(answer, true, nullptr) == platform::LineRead::kLine;
                       });
  SessionOptions options;
  options.module = globals.module;
  options.default_module = io.default_module;
  options.interrupt = io.interrupt;
  // Declared before the session, which may still raise an event while it
  // ends.
  SdkSession* raw_session = nullptr;
  std::unique_ptr<SdkSession> session;
  Outcome opened = SdkSession::Open(
      options, console,
      [&events, &raw_session](DISPID event) {
        if (raw_session == nullptr) return;
        raw_session->ForwardInterrupt();
        events.Handle(raw_session->sdk(), event);
      },
      &session);
  if (!opened.ok()) return opened;
  raw_session = session.get();

  if (!globals.temp_directory.empty()) session->SetTempDirectory(globals.temp_directory);
  if (Outcome settings = session->ApplyTransferSettings(globals.transfer); !settings.ok()) {
    return settings;
  }
  Outcome step = session->Connect(*globals.server, globals.proxy);
  if (!step.ok()) {
    step.cause = ConnectCause(step, globals);
    return step;
  }
  if (command.need == ServerNeed::kLogin) {
    const std::vector<std::string> key_problems =
        KeyFileProblems(globals.key_files, globals.server->host, globals.user);
    for (const std::string& problem : key_problems) console.Warning(problem);
    bool must_change_password = false;
    step = session->Login(globals.user, password, globals.database, globals.key_files,
                          &must_change_password);
    if (!step.ok()) {
      step.cause = LoginCause(step, globals, io, key_problems.size());
      return step;
    }
    // passwd is what the notice would name: it does not tell its own user.
    if (must_change_password && std::string_view(command.name) != "passwd") {
      console.Notice("the server asks you to change your password: change it with 'qorv passwd'");
    }
  }
  if (context.interrupted()) return Outcome::Interrupted();
  context.set_session(session.get());
  Outcome outcome = command.run(context);
  // The session ends with this function; the context keeps only the result.
  context.set_session(nullptr);
  return outcome;
}

int RunCommandLine(const std::vector<std::string>& arguments, const std::vector<Command>& commands,
                   ProgramIo& io) {
  CommandLine line;
  std::string error;
  const bool parsed = ParseCommandLine(
      arguments, GlobalOptionSpecs(),
      [&commands](std::string_view word) -> const std::vector<OptionSpec>* {
        const Command* command = FindCommand(commands, word);
        return command == nullptr ? nullptr : &command->options;
      },
      &line, &error);
  GlobalOptions globals;
  ConfigFile config;
  std::string config_error;
  const bool config_loaded =
      parsed && LoadConfigFile(ConfigFilePath(io.environment), &config, &config_error);
  if (!parsed || !ResolveGlobalOptions(line.options, io.environment, config, &globals, &error)) {
    io.err << "qorv: " << error << "\n" << ShortUsage();
    return static_cast<int>(ExitClass::kUsage);
  }
  if (!config_loaded) {
    // Help and the version still answer with a broken config file: they
    // are how a user finds out what the file may hold.
    const bool information_only =
        globals.help || globals.version || line.command == "help" || line.command == "version";
    if (!information_only) {
      io.err << "qorv: " << config_error << "\n" << ShortUsage();
      return static_cast<int>(ExitClass::kUsage);
    }
    io.err << "qorv: warning: " << config_error << "\n";
  }
  for (const std::string& warning : globals.warnings)
    io.err << "qorv: warning: " << warning << "\n";
  const Command* command = FindCommand(commands, line.command);
  if (globals.version) {
    static const Command kVersion{.name = "version"};
    return WriteInformation(kVersion, line, globals, io, commands, VersionText(),
                            JsonValue::Object().Set("version", JsonValue::String(VersionNumber())));
  }
  if (globals.help) {
    // As `qorv help [COMMAND]` answers, --json included.
    static const Command kHelp{.name = "help"};
    const std::string text = command == nullptr ? ProgramHelp(commands) : CommandHelp(*command);
    return WriteInformation(kHelp, line, globals, io, commands, text,
                            JsonValue::Object().Set("help", JsonValue::String(text)));
  }
  if (command == nullptr) {
    io.err << ShortUsage();
    return static_cast<int>(ExitClass::kUsage);
  }

  ConsoleSettings settings;
  settings.json = globals.json;
  settings.quiet = globals.quiet;
  settings.error_is_terminal = io.error_is_terminal;
  settings.columns = io.columns;
  Console console(settings, io.out, io.err);

  CommandContext context(*command, line, globals, console, io, commands, nullptr);
  Outcome outcome = CheckArgumentCount(*command, line.arguments);
  if (outcome.ok() && globals.json && !command->json) {
    outcome = Outcome::Usage(std::string("--json does not apply to ") + command->name +
                             ", whose output is for people to read");
  }
  if (outcome.ok()) outcome = CheckArgumentForms(*command, line.arguments);
  if (outcome.ok() && command->check != nullptr) outcome = command->check(context);
  if (outcome.ok() && command->need != ServerNeed::kNone) {
    outcome = CheckConnectionSettings(*command, globals);
  }
  if (outcome.ok()) outcome = CheckLocalFiles(*command, line.arguments);
  if (outcome.ok()) {
    outcome = command->need != ServerNeed::kNone ? RunWithSession(context, console, io)
                                                 : command->run(context);
  }
  return Finish(*command, outcome, &context, console, io);
}

// Everything written must have reached standard output: results lost on a
// full disk or a closed descriptor are a failure, not a success.
int CheckOutput(ProgramIo& io, int status) {
  if (io.out.flush()) return status;
  const std::string reason = io.output_failure ? io.output_failure() : std::string();
  io.err << "qorv: the output could not be written to standard output"
         << (reason.empty() ? "" : ": " + reason) << "\n";
  io.err.flush();
  return status == static_cast<int>(ExitClass::kSuccess) ||
                 status == static_cast<int>(ExitClass::kNo)
             ? static_cast<int>(ExitClass::kLocalFile)
             : status;
}

}  // namespace

int RunQorv(const std::vector<std::string>& arguments, const std::vector<Command>& commands,
            ProgramIo& io) {
  int status;
  // Nothing thrown below may end the program without a word.
  try {
    status = RunCommandLine(arguments, commands, io);
  } catch (const std::exception& error) {
    io.err << "qorv: internal error: " << error.what() << "\n";
    status = static_cast<int>(ExitClass::kInternal);
  } catch (...) {
    io.err << "qorv: internal error: an unknown exception\n";
    status = static_cast<int>(ExitClass::kInternal);
  }
  return CheckOutput(io, status);
}

}  // namespace qorv::cli
