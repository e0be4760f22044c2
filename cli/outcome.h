// What one command ended with: the SDK call (or the step before any call)
// that decided it, with its HRESULT, result value, description and Canceled
// flag, and the exit status class that follows from it.
#ifndef QORV_CLI_OUTCOME_H_
#define QORV_CLI_OUTCOME_H_

#include <cstdint>
#include <optional>
#include <string>

#include "qorvsdk/comtypes.h"

namespace qorv::cli {

// The exit status of qorv: 0 on success, otherwise the class of the result.
// The numbers are part of the interface for scripts (docs/cli.md, qorv --help).
enum class ExitClass : int {
  kSuccess = 0,
  kNo = 1,  // a yes/no command (exists, compare) answered no
  kUsage = 2,
  kConnection = 3,
  kAuthentication = 4,
  kNotFound = 5,
  kRefused = 6,
  kLocalFile = 7,
  kCanceled = 8,
  kInternal = 9,
};

// The class's name in --json output ("not-found" ...).
const char* ExitClassName(ExitClass exit_class);
// One line for the help text.
const char* ExitClassMeaning(ExitClass exit_class);

// Where in a command a result arose: failures of the login itself are
// authentication failures whatever the server's status says.
enum class Step { kSetup, kConnect, kLogin, kOperation };

struct Outcome {
  std::string method;  // the SDK method that decided, or empty
  Step step = Step::kOperation;
  HRESULT hr = S_OK;   // a failing HRESULT means the call itself failed
  int32_t result = 0;  // ResultValue
  std::string description;
  bool canceled = false;
  bool usage_error = false;     // description holds the usage message
  bool internal_error = false;  // description says what failed before the SDK could answer
  bool answer_no = false;       // a yes/no command answered no (result 0)
  // A command that ran other command lines (the demo) ends with the class of
  // the one that went wrong.
  std::optional<ExitClass> exit_class;

  bool ok() const {
    return !usage_error && !internal_error && SUCCEEDED(hr) && result == 0 && !canceled &&
           !exit_class;
  }

  static Outcome Success() { return Outcome(); }
  static Outcome Usage(std::string message);
  static Outcome Internal(std::string message);
  // The user interrupted before the next SDK call could start.
  static Outcome Interrupted();
  // A call that did not return S_OK.
  static Outcome FailedCall(const char* method, HRESULT hr);
};

// The class of a result value: 0 is success; the canceled flag wins over any
// value; transport and proxy codes are connection failures; codes of the
// operations and of the reference server are sorted by what they mean; any
// other nonzero value, being a server's status, is a refusal by the server
// (except at the login step, where it is an authentication failure).
ExitClass ClassifyResult(int32_t result, bool canceled, Step step);

ExitClass ClassifyOutcome(const Outcome& outcome);

// "0x80004001": an HRESULT as messages and --json show it.
std::string HresultText(HRESULT hr);

}  // namespace qorv::cli

#endif  // QORV_CLI_OUTCOME_H_
