// TCP/IPv4 socket calls of the operating system, in the small set the socket
// layer of src/net/ needs. Every function reports failure in its return value
// and leaves the operating system's error code for LastSocketError(), read on
// the same thread right after the failing call.
#ifndef QORV_PLATFORM_SOCKET_H_
#define QORV_PLATFORM_SOCKET_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace qorv::platform {

using SocketHandle = int;
inline constexpr SocketHandle kInvalidSocket = -1;

// An IPv4 address in network byte order, as it lies in a sockaddr_in.
using Ipv4Address = uint32_t;

// Socket options the socket layer sets.
enum class SocketOption {
  kSendBuffer,     // SO_SNDBUF, value in bytes
  kReceiveBuffer,  // SO_RCVBUF, value in bytes
  kNoDelay,        // TCP_NODELAY, 1 = Nagle's algorithm off
  kKeepAlive,      // SO_KEEPALIVE, 1 = on
  kDontLinger,     // 1 = close returns at once and the stack sends what is left (no linger)
  kReuseAddress,   // SO_REUSEADDR, for listening sockets
  // Keep-alive timing of a socket with SO_KEEPALIVE on: seconds of silence
  // before the first probe (TCP_KEEPIDLE), seconds between probes
  // (TCP_KEEPINTVL), and unanswered probes before the connection is dropped
  // (TCP_KEEPCNT).
  kKeepAliveIdle,
  kKeepAliveInterval,
  kKeepAliveCount,
};

// A new IPv4 stream socket, or kInvalidSocket. Sockets are close-on-exec so a
// started merge tool does not inherit them. `overlapped` has no meaning here
// (every socket can be used for asynchronous waits) and is accepted for the
// callers' sake.
SocketHandle CreateTcpSocket(bool overlapped);

// Sets one option; false on failure.
bool SetSocketOption(SocketHandle socket, SocketOption option, int value);

// Reads one option back as SetSocketOption takes it; false on failure.
bool GetSocketOption(SocketHandle socket, SocketOption option, int* value);

// Switches non-blocking mode on or off; false on failure.
bool SetNonBlocking(SocketHandle socket, bool non_blocking);

// Parses a dotted IPv4 address (the forms inet_aton accepts). Never resolves
// names. False when the text is not an address.
bool ParseIpv4(const char* text, Ipv4Address* address);

// Error code of a host name that does not resolve (outside the errno range).
inline constexpr int kErrorHostNotFound = 0x10001;

// Resolves a host name to its first IPv4 address. Returns 0, or
// kErrorHostNotFound, or the system's error code when the resolver failed.
int ResolveIpv4(const char* host, Ipv4Address* address);

// Starts or makes a connection. kConnectInProgress is the usual answer of a
// non-blocking socket; the outcome then shows up as writability, and
// PendingConnectError() tells success from failure.
enum class ConnectStatus { kConnected, kInProgress, kFailed };
ConnectStatus Connect(SocketHandle socket, Ipv4Address address, uint16_t port);

// The outcome of a non-blocking connect that became writable: 0 when the
// connection stands, else the error code (also made the last error).
int PendingConnectError(SocketHandle socket);

// Binds to the address and port (0 = any free port) and listens.
bool Listen(SocketHandle socket, Ipv4Address address, uint16_t port, int backlog);

// A listening socket for a server, bound to `address`, a numeric IPv4
// ("127.0.0.1", "0.0.0.0") or IPv6 ("::1", "::") address, and `port` (0: any
// free port), with SO_REUSEADDR so that a restarted server takes its port
// again at once; close-on-exec. kInvalidSocket on failure, the error left for
// LastSocketError() (EINVAL for a text that is no numeric address).
SocketHandle ListenOn(const char* address, uint16_t port, int backlog);

// Shuts the socket down in both directions: a wait for it ends at once (a
// listening socket becomes ready and its Accept fails).
bool ShutdownSocket(SocketHandle socket);

// The local port a socket is bound to (IPv4 or IPv6), or 0.
uint16_t LocalPort(SocketHandle socket);

// Accepts one connection; kInvalidSocket on failure. The new socket is
// close-on-exec and blocking.
SocketHandle Accept(SocketHandle socket);

// Waits at most timeout_us microseconds (a negative value: without limit)
// until the socket is readable and/or writable (whichever were asked for).
// Returns 1 when ready (the flags say which), 0 on time-out or an
// interrupted wait, -1 on failure. A peer that closed or reset the
// connection makes the socket readable. Works on any descriptor number.
int WaitReady(SocketHandle socket, bool want_read, bool want_write, int64_t timeout_us,
              bool* readable, bool* writable);

// Sends up to `length` bytes; returns the count sent or -1. Never raises
// SIGPIPE on a closed peer (the failure comes back as -1 instead).
int64_t Send(SocketHandle socket, const void* data, size_t length);

// Receives up to `length` bytes; returns the count, 0 when the peer closed the
// connection, or -1.
int64_t Receive(SocketHandle socket, void* buffer, size_t length);

// Like Receive, but leaves the bytes in the socket.
int64_t Peek(SocketHandle socket, void* buffer, size_t length);

// Closes the socket; false on failure.
bool CloseSocket(SocketHandle socket);

// The error code of the last failed socket call on this thread (0 = none).
int LastSocketError();

// Clears the last error code, so that a failure without a code shows as 0.
void ClearLastSocketError();

// True when the code means "would block" or "in progress" on a non-blocking
// socket.
bool IsWouldBlock(int error_code);

// The system's readable text for an error code (including kErrorHostNotFound),
// or empty when it has none.
std::string SocketErrorText(int error_code);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_SOCKET_H_
