// The request record that a request method fills on its own stack and hands
// to a worker thread, the command dispatcher that runs it, and the thread
// routine that turns every exception into a result.
#ifndef QORV_PROTOCOL_REQUEST_RECORD_H_
#define QORV_PROTOCOL_REQUEST_RECORD_H_

#include <cstdint>
#include <functional>
#include <string>

#include "net/handshake.h"
#include "net/proxy_traversal.h"
#include "net/server_connection.h"
#include "protocol/command_base.h"
#include "protocol/protocol_client.h"

namespace qorv {

// The arguments and results of the connect (code 50), which runs the
// connect and handshake instead of a message.
struct ConnectExchange {
  ConnectSettings settings;
  // Clear for ConnectToServer (the CA certificate is requested), set for the
  // engine's reconnects (the CA file already held is used).
  bool reuse_ca_file = false;
  // Written on success.
  int32_t encryption_mode = 0;
  HandshakeValues handshake;
};

struct RequestRecord {
  uint8_t code = 0;
  // Written by the worker. A record the dispatcher does not run keeps 0 and
  // an empty description.
  int32_t status = kResultOk;
  std::string description;
  // The engine's connection; the protocol client is bound to its socket and
  // to the message buffers it holds when the command runs.
  ServerConnection* connection = nullptr;
  // Code 50: the connect's arguments and results.
  ConnectExchange* connect = nullptr;
  // Every other code: the protocol-client method chosen for the code, bound
  // to the command that holds the arguments and receives the reply fields.
  std::function<ReplyStatus(CProtocolClient&)> exchange;
};

// The command dispatcher. Code 50 runs the main connect. A code of the
// catalogue runs the record's exchange on a protocol client bound to the
// connection and stores the reply status into the record. Any other code,
// or a record without what its code needs, does nothing.
void DispatchCommand(RequestRecord& record);

// The thread routine: runs the dispatcher and never lets an exception out.
// Returns 0, or -1 after storing into the record:
//   out of memory                          2, the out-of-memory text
//   CCancelableSocketBufferException       12008 "Socket buffer error."
//   anything else                          12008 "Unspecified error occured."
int RunRequestRoutine(RequestRecord& record) noexcept;

}  // namespace qorv

#endif  // QORV_PROTOCOL_REQUEST_RECORD_H_
