// A transfer connection (docs/protocol.md section 5): it never logs in; its
// requests name a session by its login identity. 96 re-keys a Blowfish
// channel, 64 uploads a batch of bodies into the session's held bodies and
// 65 downloads the bodies that transfer names name.
//
// Bodies travel plain or compressed (server/body_transfer.h) or, for a
// single file, as a delta (server/delta_exchange.h): an upload's old version
// is the latest version of the file command 80 announced under its index.
// A download with the delta flag and more than one file closes the
// connection.
#ifndef QORV_SERVER_TRANSFER_CONNECTION_H_
#define QORV_SERVER_TRANSFER_CONNECTION_H_

#include "server/frame_channel.h"

namespace qorv::server {

inline constexpr char kTextFileReceived[] = "File received successfully";

// Serves the connection from its first request frame, which the channel
// holds, until the peer closes or a request fails in a way that leaves the
// stream out of step.
void ServeTransferConnection(FrameChannel& channel);

}  // namespace qorv::server

#endif  // QORV_SERVER_TRANSFER_CONNECTION_H_
