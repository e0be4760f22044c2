// Sizes and time limits of the transport: socket buffers, chunking, polling,
// and the largest frame or string a peer may announce.
#ifndef QORV_NET_TRANSPORT_LIMITS_H_
#define QORV_NET_TRANSPORT_LIMITS_H_

#include <cstddef>
#include <cstdint>

namespace qorv {

// Send and receive buffers of every socket (SO_SNDBUF, SO_RCVBUF).
inline constexpr int kSocketBufferSize = 32768;

// A send goes out in chunks of at most this many bytes, so that a cancel is
// noticed between chunks.
inline constexpr size_t kSendChunkSize = 65536;

// A file body travels in messages of at most this many bytes; the first
// one opens with the body's int32 size, so it carries 4 bytes fewer.
inline constexpr size_t kBodyMessageSize = 65536;
inline constexpr size_t kFirstBodyMessageBytes = kBodyMessageSize - 4;

// Every wait polls the socket with this time-out and reads the cancel flag
// between polls.
inline constexpr int64_t kPollIntervalUs = 300000;

// A bounded connect gives up after this many empty polls (54 seconds).
inline constexpr int kConnectPollLimit = 180;

// The longest receive time-out a caller may set, in seconds (one hour); 0
// switches it off. It also keeps the derived keep-alive times well inside
// what the system accepts (32767 seconds).
inline constexpr int32_t kMaxReceiveTimeoutSeconds = 3600;

// Keep-alive timing of a connection with a receive time-out of T seconds:
// the first probe after T/2 seconds of silence, then 3 probes T/6 seconds
// apart (each at least 1 second), so that a dead peer of an idle connection
// is noticed after about T seconds, as a silent one during a receive is.
struct KeepAliveTiming {
  int idle = 0;
  int interval = 0;
  int count = 0;
};
constexpr KeepAliveTiming KeepAliveTimingFor(int32_t seconds) {
  return {seconds / 2 > 1 ? seconds / 2 : 1, seconds / 6 > 1 ? seconds / 6 : 1, 3};
}

// The largest payload length (frame) or byte count (string received by the
// socket layer) a peer may announce: 512 MiB. No legitimate message comes
// near it: file bodies move in messages of at most 64 KiB, and the largest
// command replies (a recursive listing of a big database) stay in the tens of
// megabytes. A larger announcement means a peer out of step or hostile; it
// is refused before anything is allocated. Below the bound the buffer still
// grows only as the bytes actually arrive.
inline constexpr uint32_t kMaxIncomingLength = 512u * 1024u * 1024u;

// Received bytes are taken in pieces of at most this many bytes while the
// buffer grows towards an announced length.
inline constexpr size_t kReceiveGrowthStep = 1024u * 1024u;

}  // namespace qorv

#endif  // QORV_NET_TRANSPORT_LIMITS_H_
