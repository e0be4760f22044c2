// What the handlers of the body commands share.
#ifndef QORV_SERVER_BODY_COMMAND_SUPPORT_H_
#define QORV_SERVER_BODY_COMMAND_SUPPORT_H_

#include <optional>

#include "server/command_context.h"

namespace qorv::server {

// The whole-status checks of a request that carries a login identity and a
// line-ending mode: 40006 when the identity is not this connection's
// session, then 40010 for a mode outside 0..2; *eol is the mode.
StoreStatus CheckBodyRequest(CommandContext& context, int32_t identity, int32_t eol_value,
                             std::optional<Eol>* eol);

}  // namespace qorv::server

#endif  // QORV_SERVER_BODY_COMMAND_SUPPORT_H_
