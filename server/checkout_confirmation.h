// The confirmation frame that follows a status-0 reply to command 72 (73,
// answered) or 42 (69, not answered): one int32 per entry, no code byte.
#ifndef QORV_SERVER_CHECKOUT_CONFIRMATION_H_
#define QORV_SERVER_CHECKOUT_CONFIRMATION_H_

#include <cstddef>
#include <cstdint>

#include "server/command_context.h"

namespace qorv::server {

// Whether the frame (deciphered payload) is the confirmation of a check-out
// of `entries` entries: empty, or a first byte of 0x00 or 0xFF (every
// confirmed value lies in -2^24 .. 2^24-1, and no command code is 0 or 255)
// with at least 4 bytes per entry. Anything else is a new request.
bool IsConfirmationFrame(const uint8_t* payload, size_t size, size_t entries);

// Releases the check-out of every recorded entry confirmed with 19000 (its
// body never reached the client); other values change nothing.
void ApplyConfirmation(CommandContext& context, const PendingConfirmation& pending,
                       const uint8_t* payload, size_t size);

}  // namespace qorv::server

#endif  // QORV_SERVER_CHECKOUT_CONFIRMATION_H_
