// The commands the server carries out, by code, with what each needs: a
// session, write rights, and whether its reply fields follow whatever the
// status.
//
// Codes not in the table get 40008 "Unknown command %d". The transfer
// connections' commands (64, 65, 96) are served by transfer_connection.cc,
// and the confirmations 69 and 73, which carry no code byte, by the
// connection loop after a check-out.
#ifndef QORV_SERVER_COMMAND_TABLE_H_
#define QORV_SERVER_COMMAND_TABLE_H_

#include <cstdint>

#include "server/command_context.h"

namespace qorv::server {

struct CommandEntry {
  uint8_t code = 0;
  // False only for the commands served before login: 1, 49, 44, 82.
  bool needs_session = true;
  // Commands that change the store, refused with 40007 for read-only users.
  bool changes_store = false;
  CommandHandler handler = nullptr;
  // Set for a command whose reply fields follow whatever the status (32).
  WholeFailureFields whole_failure = nullptr;
};

// The command with that code, or null.
const CommandEntry* FindCommand(uint8_t code);

}  // namespace qorv::server

#endif  // QORV_SERVER_COMMAND_TABLE_H_
