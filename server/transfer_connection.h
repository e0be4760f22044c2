// A transfer connection (docs/protocol.md section 5): it never logs in; its
// requests name a session by its login identity. 96 re-keys a Blowfish
// channel, 64 uploads a batch of bodies into the session's held bodies and
// 65 downloads the bodies that transfer names name.
//
// Bodies travel plain or compressed (server/body_transfer.h). An upload
// with the delta flag is told that no old version is held, and its body
// then comes whole; a download with the delta flag closes the connection.
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
