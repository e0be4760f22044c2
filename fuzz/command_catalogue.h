// The client's command structs by command code, for the targets that decode
// replies: ForCommand(code, visit) calls visit.template operator()<Command>()
// with the struct of that code.
#ifndef QORV_FUZZ_COMMAND_CATALOGUE_H_
#define QORV_FUZZ_COMMAND_CATALOGUE_H_

#include <cstdint>

#include "net/command_list.h"
#include "protocol/protocol_client.h"

namespace qorv::fuzz {

// False for a code without a command struct (the connect and the transfer
// connections' commands): nothing is called then.
template <class Visit>
bool ForCommand(uint8_t code, Visit&& visit) {
#define QORV_FUZZ_kMain(name)                   \
  case CommandCode::k##name:                    \
    visit.template operator()<name##Command>(); \
    return true;
#define QORV_FUZZ_kConnect(name)
#define QORV_FUZZ_kTransfer(name)
#define QORV_FUZZ_COMMAND(name, code, route) QORV_FUZZ_##route(name)
  switch (static_cast<CommandCode>(code)) {
    QORV_COMMAND_LIST(QORV_FUZZ_COMMAND)
    default:
      return false;
  }
#undef QORV_FUZZ_COMMAND
#undef QORV_FUZZ_kTransfer
#undef QORV_FUZZ_kConnect
#undef QORV_FUZZ_kMain
}

// Sets the number of request entries that a per-entry reply answers.
template <class Command>
void SizeRequest(Command& command, size_t count) {
  if constexpr (requires { command.entries; }) command.entries.resize(count);
  if constexpr (requires { command.file_paths; }) command.file_paths.resize(count);
  if constexpr (requires { command.project_paths; }) command.project_paths.resize(count);
  if constexpr (requires { command.item_paths; }) command.item_paths.resize(count);
  if constexpr (requires { command.paths; }) command.paths.resize(count);
}

}  // namespace qorv::fuzz

#endif  // QORV_FUZZ_COMMAND_CATALOGUE_H_
