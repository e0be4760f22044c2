// Every struct of a main-connection command names the code its line in the
// command list gives it.
#include "protocol/command_codes.h"
#include "protocol/file_commands.h"
#include "protocol/query_commands.h"
#include "protocol/session_commands.h"
#include "protocol/tree_commands.h"

namespace qorv {
namespace {

#define QORV_CHECK_kMain(name)                                \
  static_assert(name##Command::kCode == CommandCode::k##name, \
                #name "Command does not carry the code of its line");
#define QORV_CHECK_kConnect(name)
#define QORV_CHECK_kTransfer(name)
#define QORV_CHECK_STRUCT(name, code, route) QORV_CHECK_##route(name)
QORV_COMMAND_LIST(QORV_CHECK_STRUCT)
#undef QORV_CHECK_STRUCT
#undef QORV_CHECK_kTransfer
#undef QORV_CHECK_kConnect
#undef QORV_CHECK_kMain

}  // namespace
}  // namespace qorv
