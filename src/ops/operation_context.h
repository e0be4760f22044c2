// What every operation works with, and what it hands back besides its result
// value.
//
// An operation is a function of the form
//   int32_t Operation(const OperationContext& context, <inputs>, OperationStatus* status,
//                     <outputs>*);
// It runs on the caller's thread, returns the result value (0 = success),
// fills `status` (Canceled and the description) and writes its outputs. The
// SDK object's method converts the arguments, calls it once and writes the
// out-parameters from what it left (sdk/method_call.h).
#ifndef QORV_OPS_OPERATION_CONTEXT_H_
#define QORV_OPS_OPERATION_CONTEXT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "local/cache_store.h"
#include "protocol/operation_driver.h"
#include "protocol/request_engine.h"

namespace qorv::ops {

// The Canceled flag and the description of an operation; prepared as
// {false, ""} by the method call.
struct OperationStatus {
  bool canceled = false;
  std::string description;
};

// The state of the SDK object that lives across operations and that the
// connect and login steps set.
struct SessionState {
  // ServerIP of the last successful ConnectToServer, upper-cased; the key
  // files of a login are chosen by it.
  std::string connected_server_name;
  // ServerIP and the low 16 bits of ServerPort of the last successful
  // ConnectToServer, as given; the cache file is named after the server.
  std::string server_name;
  uint16_t server_port = 0;
  // UserName and DatabaseName of the last successful Login.
  std::string user_name;
  std::string database;
  // The local cache of that server, database and user; null until a login
  // succeeded. Each successful login replaces it.
  std::unique_ptr<CacheStore> cache;
};

// The engine, the driver (cancel flag, progress, report lines, prompts) and
// the session state of one SDK object.
struct OperationContext {
  CRequestEngine& engine;
  OperationDriver& driver;
  SessionState& session;

  // The opened cache, or null before the first successful login.
  CacheStore* cache() const { return session.cache.get(); }

  // The start of an operation that talks to the server: the cancel flag
  // cleared, then the keep-alive ping. It happens once per method call, in
  // the operation the method runs, never in the steps it is made of: a
  // cancel requested after it (during the ping, or from a handler of an
  // event the operation raises) must reach the operation's first exchange.
  void BeginOperation() const {
    driver.ClearCancel();
    engine.KeepAlivePing();
  }

  // One single-step request of the engine: Canceled and the description go
  // to `status`. The reply fields in command.reply count only when the
  // result is 0.
  template <class Command>
  int32_t Run(Command& command, OperationStatus* status) const {
    RequestStatus request;
    engine.Run(command, &request);
    return TakeStatus(std::move(request), status);
  }

  // Hands a request's Canceled and description on to the operation's status;
  // returns the request's result.
  static int32_t TakeStatus(RequestStatus request, OperationStatus* status) {
    status->canceled = request.canceled;
    status->description = std::move(request.description);
    return request.result;
  }
};

}  // namespace qorv::ops

#endif  // QORV_OPS_OPERATION_CONTEXT_H_
