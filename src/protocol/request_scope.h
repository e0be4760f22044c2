// One request of the request engine from its start to its end, held as an
// object on the caller's stack: the multi-step requests (get, add, check
// out, check in) run their commands and their file phase inside one scope,
// and every single-step request is a scope with one command.
//
// Construction does steps 1 to 3 of a request:
//   1. Canceled = false, result 0.
//   2. While another request holds the busy flag: 12006 "The system is
//      busy. Please try later."; nothing else changes, and the scope is not
//      ready (it never touches the busy flag).
//   3. Takes the busy flag and ensures the connection (reconnect and login
//      again with the saved parameters, as for a single-step request). A
//      failure is the status's result and text, and the scope is not ready.
// While the scope lives the busy flag stays taken, so a re-entrant request
// (through the message pump, during any of the steps) is refused with 12006.
// Each command runs as steps 4 and 5 of a single-step request, without
// taking the busy flag again.
//
// Destruction, on every way out (return or exception), gives the busy flag
// back when the scope took it and clears the progress phase.
#ifndef QORV_PROTOCOL_REQUEST_SCOPE_H_
#define QORV_PROTOCOL_REQUEST_SCOPE_H_

#include <cstdint>
#include <functional>

#include "net/command_list.h"
#include "protocol/request_engine.h"
#include "protocol/transfer_manager.h"

namespace qorv {

class RequestScope {
 public:
  // Steps 1 to 3 above; `status` receives their outcome.
  RequestScope(CRequestEngine& engine, RequestStatus* status)
      : RequestScope(engine, status, Connection::kEnsured) {}
  ~RequestScope();
  RequestScope(const RequestScope&) = delete;
  RequestScope& operator=(const RequestScope&) = delete;

  // True when steps 1 to 3 succeeded: the scope holds the busy flag and the
  // connection is alive. A request ends with the constructor's status
  // otherwise.
  bool ready() const { return ready_; }

  // Runs one command (steps 4 and 5 of a single-step request): Canceled =
  // false, the exchange on a worker thread, then the reply conversion into
  // *status. Returns the result; the reply fields in command.reply are
  // meaningful only when it is 0. On a scope that is not ready nothing is
  // sent and *status is the constructor's outcome again.
  template <class Command>
  int32_t Run(Command& command, RequestStatus* status) {
    static_assert(RouteOfCode(static_cast<uint8_t>(Command::kCode)) == CommandRoute::kMain,
                  "the engine runs the main connection's commands only");
    return Exchange(
        Command::kCode, [&command](CProtocolClient& client) { return client.Run(command); },
        status);
  }

  // True when the worker-thread runner of the last command returned -1: the
  // thread could not be created or ended abnormally, and the result is
  // 12008. The multi-step requests give every file of that command its own
  // text then.
  bool runner_failed() const { return engine_.runner_failed_; }

  // The engine's file-transfer manager, for the file phase.
  TransferManager& transfer_manager() { return engine_.transfer_manager(); }

  // The file phase reports p (0 to 100) of its own progress; percent done
  // becomes span x p / 100 + base (integer division), through the driver's
  // percent-done setter. Cleared when the scope ends.
  void SetFilePhaseProgress(int32_t span, int32_t base);
  void ReportFilePhaseProgress(int32_t p);

  // The cancel check between the steps of a multi-step request: when the
  // cancel flag is set, closes the main connection and every transfer
  // connection, clears the flag and ends the request with Canceled = true,
  // 12007 "Canceled" (the busy flag is given back when the scope ends,
  // which follows at once). Returns true then; false, with nothing changed,
  // when no cancel was requested.
  bool EndIfCanceled(RequestStatus* status);

 private:
  friend class CRequestEngine;

  // What step 3 does: the connect and login requests of the engine take
  // the busy flag through a scope but deal with the connection themselves.
  enum class Connection {
    kEnsured,              // ensured; a reconnect logs in again with the saved login
    kEnsuredWithoutLogin,  // ensured; a reconnect does not log in
    kLeftAsItIs,           // not touched
  };
  RequestScope(CRequestEngine& engine, RequestStatus* status, Connection connection);

  int32_t Exchange(CommandCode code, std::function<ReplyStatus(CProtocolClient&)> exchange,
                   RequestStatus* status);

  CRequestEngine& engine_;
  bool holds_busy_ = false;
  bool ready_ = false;
  // The outcome of steps 1 to 3, repeated by a Run on a scope not ready.
  RequestStatus begin_;
};

}  // namespace qorv

#endif  // QORV_PROTOCOL_REQUEST_SCOPE_H_
