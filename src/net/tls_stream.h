// The TLS stream of encryption mode 2: one SSL connection of OpenSSL whose
// records travel through the stream below it (the TCP stream, or whatever
// lies under it on the stack). OpenSSL never touches the descriptor itself:
// its input/output object reads and writes the lower stream, so the socket
// layer keeps every wait, its cancel flag and its time-outs.
//
// A stream's result codes are the SSL library's (net/ssl_channel.h): 20010
// when a send fails, 20011 when a receive fails, 20009 when the client's
// handshake fails (the server's certificate did not verify, among others),
// 20014 when the server's fails. "Would block" answers carry the readiness
// OpenSSL asks for, which may be the other direction than the call's.
#ifndef QORV_NET_TLS_STREAM_H_
#define QORV_NET_TLS_STREAM_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "net/byte_stream.h"

namespace qorv {

class CBlockingSocket;
class SslContext;

class TlsStream final : public ByteStream {
 public:
  // Makes the stream of one connection over `lower` (which must outlive it)
  // with `context`'s settings, as client or server. Null with the library's
  // code in *error (20005) when OpenSSL cannot make the connection object.
  static std::unique_ptr<TlsStream> Create(const SslContext& context, ByteStream& lower,
                                           bool client, int32_t* error);
  ~TlsStream() override;
  TlsStream(const TlsStream&) = delete;
  TlsStream& operator=(const TlsStream&) = delete;

  // One step of the TLS handshake: Done(1) once it is complete, "would
  // block" with the readiness it needs, or Failed with 20009 (client) or
  // 20014 (server).
  StreamResult Handshake();

  StreamResult Send(const void* data, size_t length) override;
  StreamResult Receive(void* buffer, size_t length, bool peek) override;
  bool HasBufferedData() const override;

  // Sends the close notice (once, without waiting for the peer's) and
  // releases the connection object; the lower stream is left to its owner.
  int Close() override;

 private:
  struct Handle;
  explicit TlsStream(std::unique_ptr<Handle> handle);

  // The stream result of an OpenSSL call that answered `answer`, a failure
  // being reported as `failure_code`.
  StreamResult Result(int answer, int32_t failure_code);

  std::unique_ptr<Handle> handle_;
  bool client_ = true;
};

// Opens the TLS channel on the connected socket: a TLS stream over its top
// stream, the handshake run to its end (the socket waits, with its cancel
// flag, whenever OpenSSL would block; it is non-blocking from here on), and
// the stream pushed onto the socket. 0; the SSL library's code (20001,
// 20005, 20009, 20014); or the socket's transport code of a failed wait
// (11002, 11003). On failure nothing is pushed; the caller closes the socket.
int32_t OpenTlsChannel(CBlockingSocket& socket, const SslContext& context, bool client);

}  // namespace qorv

#endif  // QORV_NET_TLS_STREAM_H_
