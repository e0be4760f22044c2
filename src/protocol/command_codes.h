// The command codes of the request protocol: the byte that opens every
// request frame, and the dispatcher codes that carry no byte of their own.
// The codes come from the command list (net/command_list.h);
// docs/protocol.md gives every command's fields.
#ifndef QORV_PROTOCOL_COMMAND_CODES_H_
#define QORV_PROTOCOL_COMMAND_CODES_H_

#include <cstdint>

#include "net/command_list.h"

namespace qorv {

// True for the codes the request engine's dispatcher runs on the main
// connection: every command of the list except those of the transfer
// connections. Code 50 is among them (it runs the connect).
constexpr bool IsDispatcherCode(uint8_t code) {
  const CommandRoute route = RouteOfCode(code);
  return route == CommandRoute::kMain || route == CommandRoute::kConnect;
}
constexpr bool IsDispatcherCode(CommandCode code) {
  return IsDispatcherCode(static_cast<uint8_t>(code));
}

}  // namespace qorv

#endif  // QORV_PROTOCOL_COMMAND_CODES_H_
