// The SSL channel of encryption mode 2 is a layer of the connection's stream
// stack (net/byte_stream.h): a TLS stream pushed onto the socket once the SSL
// handshake is done, owned by the socket until Close, which ends it before
// the descriptor closes.
//
// Its failures are the SSL library's result codes (20001 to 20100,
// StreamErrorSource::kChannel). The library answers 20012 when a write would
// block and 20013 when a read would block on the non-blocking socket; the
// stream turns them into "would block" with the readiness they need, and
// the socket layer waits for it and retries.
#ifndef QORV_NET_SSL_CHANNEL_H_
#define QORV_NET_SSL_CHANNEL_H_

#include <cstdint>

#include "net/byte_stream.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

// The SSL library's text for one of its result codes.
const char* SslErrorText(int32_t code);

// A stream result from an SSL library call that answers a byte count, 0 when
// the peer closed the channel, or -1 with the library's code in `error`.
inline StreamResult SslLibraryResult(int64_t count, int32_t error) {
  if (count > 0) return StreamResult::Done(static_cast<size_t>(count));
  if (count == 0) return StreamResult::Closed();
  if (error == kResultSslWriteWouldBlock) return StreamResult::WouldBlock(StreamWait::kWrite);
  if (error == kResultSslReadWouldBlock) return StreamResult::WouldBlock(StreamWait::kRead);
  return StreamResult::Failed(error, StreamErrorSource::kChannel);
}

}  // namespace qorv

#endif  // QORV_NET_SSL_CHANNEL_H_
