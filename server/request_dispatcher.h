// Answers one request: reads its code, checks what the command needs (a
// known code, a session, write rights), runs its handler and builds the
// reply (int32 status, string description, then the fields when the status
// is 0 or the command sends them always).
#ifndef QORV_SERVER_REQUEST_DISPATCHER_H_
#define QORV_SERVER_REQUEST_DISPATCHER_H_

#include "net/in_message.h"
#include "net/out_message.h"
#include "server/command_context.h"
#include "server/fault_hooks.h"

namespace qorv::server {

// `request` holds the received payload (deciphered). The reply is written
// into `reply`, which is reset first. Never throws: a malformed request is
// answered with 40009, a failure inside the server with 40501.
void AnswerRequest(CommandContext& context, CInMessage& request, const FaultHooks& hooks,
                   COutMessage& reply);

}  // namespace qorv::server

#endif  // QORV_SERVER_REQUEST_DISPATCHER_H_
