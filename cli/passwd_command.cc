// qorv passwd: changes the password of the user logged in.
//
// On a terminal the new password is asked twice without echo; otherwise it
// is the first line of standard input, so that a script passes it through a
// pipe rather than on the command line, where other users of the machine
// could read it. The password is never written anywhere.
#include "cli/commands.h"
#include "cli/sdk_call.h"
#include "cli/tree_edit_run.h"

namespace qorv::cli {
namespace {

// One line read without echo; the question shown once the echo is off.
Outcome AskHidden(CommandContext& context, const std::string& question, std::string* answer) {
  const platform::LineRead read =
      context.io().read_line(answer, false, [&] { context.console().Ask(question); });
  if (read == platform::LineRead::kCanceled) return Outcome::Interrupted();
  if (read == platform::LineRead::kEndOfInput) {
    return Outcome::Usage("passwd: no new password was given");
  }
  return Outcome::Success();
}

Outcome ReadNewPassword(CommandContext& context, std::string* password) {
  ProgramIo& io = context.io();
  if (!io.read_line) return Outcome::Usage("passwd: there is no input to read the password from");
  if (io.input_is_terminal) {
    Outcome asked = AskHidden(context, "New password: ", password);
    if (!asked.ok()) return asked;
    std::string again;
    asked = AskHidden(context, "Retype new password: ", &again);
    if (!asked.ok()) return asked;
    if (again != *password) {
      return Outcome::Usage("passwd: the two passwords differ; the password is not changed");
    }
  } else {
    const platform::LineRead read = io.read_line(password, false, nullptr);
    if (read == platform::LineRead::kCanceled) return Outcome::Interrupted();
    if (read == platform::LineRead::kEndOfInput) {
      return Outcome::Usage("passwd: standard input holds no line with the new password");
    }
  }
  if (password->empty()) return Outcome::Usage("passwd: the new password is empty");
  return Outcome::Success();
}

Outcome RunPasswd(CommandContext& context) {
  EditRun run(context);
  std::string password;
  Outcome outcome = ReadNewPassword(context, &password);
  if (!outcome.ok()) return outcome;
  if (context.interrupted()) return Outcome::Interrupted();
  qorvsdk::Bstr text(password);
  qorvsdk::OperationStatus status;
  const HRESULT hr = context.sdk()->SetPassword(text.get(), &status.canceled,
                                                status.description.Receive(), &status.value);
  return run.Finish("changed", CallOutcome("SetPassword", Step::kOperation, hr, status), {},
                    JsonValue::Object().Set("user", JsonValue::String(context.globals().user)),
                    "password changed for " + context.globals().user + "\n");
}

}  // namespace

Command PasswdCommand() {
  return {
      .name = "passwd",
      .aliases = {"password"},
      .summary = "Change the user's password",
      .description =
          "Changes the password of the user logged in (SetPassword). On a terminal\n"
          "the new password is asked twice without echo and must be typed the same\n"
          "both times; otherwise it is the first line of standard input:\n"
          "  printf '%s\\n' \"$NEW\" | qorv passwd\n"
          "An empty password is refused. The password is never printed.\n"
          "JSON: data.user and data.items (empty).",
      .need = ServerNeed::kLogin,
      .run = RunPasswd,
  };
}

}  // namespace qorv::cli
