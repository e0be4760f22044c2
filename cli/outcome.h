// What one command ended with: the SDK call (or the step before any call)
// that decided it, with its HRESULT, result value, description and Canceled
// flag, and the exit status class that follows from it.
#ifndef QORV_CLI_OUTCOME_H_
#define QORV_CLI_OUTCOME_H_

#include <cstdint>
#include <optional>
#include <span>
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

inline constexpr ExitClass kAllExitClasses[] = {
    ExitClass::kSuccess,        ExitClass::kNo,       ExitClass::kUsage,   ExitClass::kConnection,
    ExitClass::kAuthentication, ExitClass::kNotFound, ExitClass::kRefused, ExitClass::kLocalFile,
    ExitClass::kCanceled,       ExitClass::kInternal,
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
  // A failure qorv found itself (a local file that cannot be read), or a
  // command that ran other command lines (the demo) and ends with the class
  // of the one that went wrong; description holds the message.
  std::optional<ExitClass> exit_class;
  // Why it failed, as far as qorv could find out (the system's text for a
  // connect, a key file that could not be used); written after the message.
  std::string cause;

  bool ok() const {
    return !usage_error && !internal_error && SUCCEEDED(hr) && result == 0 && !canceled &&
           !exit_class;
  }

  static Outcome Success() { return Outcome(); }
  static Outcome Usage(std::string message);
  static Outcome Internal(std::string message);
  // A failure of class `exit_class` that qorv found before or instead of an
  // SDK call.
  static Outcome Failure(ExitClass exit_class, std::string message);
  // The user interrupted before the next SDK call could start.
  static Outcome Interrupted();
  // A call that did not return S_OK.
  static Outcome FailedCall(const char* method, HRESULT hr);
};

// The result values (one, or a range first..last) that have a class of
// their own.
struct ResultClassRow {
  int32_t first;
  int32_t last;
  ExitClass exit_class;
};
std::span<const ResultClassRow> ResultClassTable();

// The class of a result value: 0 is success; the canceled flag wins over any
// value; values of ResultClassTable() have their row's class; any other
// nonzero value, being a server's status, is a refusal by the server, or at
// the login step an authentication failure.
ExitClass ClassifyResult(int32_t result, bool canceled, Step step);

ExitClass ClassifyOutcome(const Outcome& outcome);

// "0x80004001": an HRESULT as messages and --json show it.
std::string HresultText(HRESULT hr);

}  // namespace qorv::cli

#endif  // QORV_CLI_OUTCOME_H_
