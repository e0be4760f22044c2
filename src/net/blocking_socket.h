// The TCP socket object through which every byte to the server or a proxy
// goes: creation with the fixed options, connect, exact-count transfers, the
// 4-byte and string forms, the connection's stream stack (net/byte_stream.h:
// the TCP stream, then the layers pushed onto it, such as a TLS stream), the
// liveness probe, and the transport result codes with their texts.
//
// Every transfer goes through the top stream of the stack. When it answers
// "would block", the socket waits for the readiness the stream asks for
// (WaitFor) and calls it again; a layer therefore plugs in without any
// change here.
//
// Transport result codes returned by every operation:
//   0      success
//   2      out of memory while building or receiving a message
//   11001  the peer closed the connection, or the socket is closed
//   11002  socket or SSL failure; details in last_error_text()
//   11003  canceled by the user while waiting (CCancelableSocket)
//   11004  out of memory allocating a received string
//
// After any failure the socket is left open; the caller closes it. A socket
// object is used by one thread at a time.
#ifndef QORV_NET_BLOCKING_SOCKET_H_
#define QORV_NET_BLOCKING_SOCKET_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/byte_stream.h"
#include "net/tcp_stream.h"
#include "platform/socket.h"

namespace qorv {

class CBlockingSocket {
 public:
  CBlockingSocket() = default;
  // Closes an open socket as Close() does (ending the pushed layers).
  virtual ~CBlockingSocket();
  CBlockingSocket(const CBlockingSocket&) = delete;
  CBlockingSocket& operator=(const CBlockingSocket&) = delete;

  // Creates an IPv4 stream socket and sets, stopping at the first failure:
  // 32 KiB send and receive buffers, TCP_NODELAY, SO_KEEPALIVE when
  // `keepalive`, no linger when `dont_linger`. A socket still held is closed
  // first. Failure closes the new socket and returns
  // 11002 with the failure recorded under "WSASocket" or "setsockopt".
  int32_t Create(bool overlapped, bool keepalive, bool dont_linger);

  // Blocking connect. `host` is a dotted IPv4 address (never resolved by
  // name) or a host name, whose first IPv4 address is used. Returns 0 or
  // 11002 ("gethostbyname", "connect").
  int32_t Connect(const char* host, uint16_t port);

  // Accepts one connection on a listening socket, storing the new socket
  // (blocking, owned by the caller) in *accepted. 0 or 11002 ("accept").
  virtual int32_t Accept(platform::SocketHandle* accepted);

  // Moves exactly `length` bytes through the top stream, one call asking for
  // all remaining bytes. 0 only when all of them moved; a length of 0
  // touches nothing. 11001 when the peer closed; 11002 with the failure
  // recorded under "send" / "recv" (socket errors) or "Send" / "Recv" (SSL
  // library errors).
  virtual int32_t Send(const void* buffer, size_t length);
  virtual int32_t Receive(void* buffer, size_t length);

  // Waits until the socket has the readiness a stream asked for. Here
  // without limit and not cancelable; 0, or 11002 ("select").
  virtual int32_t WaitFor(StreamWait wait);

  // 4 bytes in network byte order (big-endian).
  int32_t SendInt32(int32_t value);
  int32_t ReceiveInt32(int32_t* value);

  // 4 bytes as they lie in the client's memory (little-endian): the raw words
  // of the handshake.
  int32_t SendRaw4(uint32_t value);
  int32_t ReceiveRaw4(uint32_t* value);

  // A big-endian 32-bit byte count N, then N bytes of text (no terminator).
  // N = 0 is the empty string. A count above the incoming length bound, or a
  // buffer that cannot grow, gives 11004; the buffer grows as the bytes come.
  int32_t ReceiveString(std::string* text);

  // The top of the stream stack, on which the next layer is built.
  ByteStream& stream() {
    return layers_.empty() ? static_cast<ByteStream&>(tcp_) : *layers_.back();
  }

  // Pushes `layer`, built on stream(), onto the stack: every later transfer
  // goes through it, and the socket switches to non-blocking mode, since a
  // layer may need to read or write when its caller wants the other. 0, or
  // 11002 ("ioctlsocket") if the switch failed (the layer is pushed all the
  // same, so Close still ends it).
  int32_t PushStream(std::unique_ptr<ByteStream> layer);

  // Returns 11001 at once when the socket is already closed. Otherwise ends
  // the pushed layers from the top, closes the socket and returns 11001, or
  // 11002 ("closesocket") when the system reported a failure (the socket
  // counts as closed all the same: the descriptor is released either way).
  int32_t Close();

  bool IsOpen() const { return tcp_.handle() != platform::kInvalidSocket; }

  // The probe run before a kept-open connection is reused: false when the
  // socket is closed, the peer has closed it, or the probe itself failed.
  bool IsAlive();

  // The description of a transport code: "Completed", the out-of-memory text,
  // "Socket is closed by server", the last error text followed by "\r\n" (or
  // "Socket error occured" when there is none), "Canceled", or "Unspecified
  // error".
  std::string StatusText(int32_t code) const;

  // setsockopt / FIONBIO wrappers: 0, or 11002 with "setsockopt" /
  // "ioctlsocket" recorded.
  int32_t SetOption(platform::SocketOption option, int value);
  int32_t IoControlNonBlocking(bool non_blocking);

  // Server side and tests: binds to `address` (dotted IPv4) and `port` (0 for
  // any free one) and listens. Creates the socket when none is open. 0 or
  // 11002 ("bind").
  int32_t Listen(const char* address, uint16_t port, int backlog);
  uint16_t LocalPort() const;

  // Takes ownership of an accepted socket; closes any socket held before.
  void Attach(platform::SocketHandle handle);

  platform::SocketHandle handle() const { return tcp_.handle(); }
  // True while layers lie on the TCP stream.
  bool layered() const { return !layers_.empty(); }
  const std::string& last_error_text() const { return last_error_text_; }

 protected:
  // Records the failure of the socket call `call` with the system's text of
  // `error_code`: "Error at %s()" when the code is 0, else "Error at %s(): %s"
  // or, without a system text, "Error at %s(): %d".
  void RecordFailure(const char* call, int error_code);
  // Records an SSL failure: "Error at %s(): %s" with the SSL library's text.
  void RecordSslFailure(const char* call, int32_t ssl_code);
  void SetLastErrorText(std::string text) { last_error_text_ = std::move(text); }

  // Resolves `host` as Connect does; false with "gethostbyname" recorded.
  bool ResolveHost(const char* host, platform::Ipv4Address* address);

  // How a transfer loop runs: the largest piece one stream send is asked
  // for, whether it waits for the call's readiness before every piece (the
  // cancelable socket, so that a blocking descriptor never blocks beyond a
  // poll), and the names its SSL failures are recorded under.
  struct TransferStyle {
    size_t max_piece;
    bool wait_first;
    const char* channel_send_call;
    const char* channel_receive_call;
  };
  int32_t SendBytes(const void* buffer, size_t length, const TransferStyle& style);
  int32_t ReceiveBytes(void* buffer, size_t length, const TransferStyle& style);

 private:
  // The one transfer loop of SendBytes and ReceiveBytes: `step(done)` moves
  // the next piece in `direction`; a stream that would block is waited for
  // in the direction it asks for.
  template <typename Step>
  int32_t MoveBytes(StreamWait direction, size_t length, const TransferStyle& style, Step&& step);
  // Ends and drops the pushed layers, top first.
  void CloseLayers();
  // Records a stream's failure under `socket_call` or `channel_call`.
  void RecordStreamFailure(const StreamResult& result, const char* socket_call,
                           const char* channel_call);

  TcpStream tcp_;
  // Each layer is built on the one below it (tcp_ for the first).
  std::vector<std::unique_ptr<ByteStream>> layers_;
  std::string last_error_text_;
};

}  // namespace qorv

#endif  // QORV_NET_BLOCKING_SOCKET_H_
