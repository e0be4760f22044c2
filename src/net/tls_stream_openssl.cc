#include "net/tls_stream.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

#include <climits>
#include <new>

#include "net/blocking_socket.h"
#include "net/ssl_context.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

// Codes of the SSL library's table (net/ssl_channel.h).
constexpr int32_t kOutOfMemory = 20001;
constexpr int32_t kHandleApplyFailed = 20005;
constexpr int32_t kConnectFailed = 20009;
constexpr int32_t kSendFailed = 20010;
constexpr int32_t kReceiveFailed = 20011;
constexpr int32_t kAcceptFailed = 20014;

ByteStream& Lower(BIO* bio) { return *static_cast<ByteStream*>(BIO_get_data(bio)); }

int LowerWrite(BIO* bio, const char* data, size_t length, size_t* written) {
  BIO_clear_retry_flags(bio);
  if (length == 0) {
    *written = 0;
    return 1;
  }
  const StreamResult result = Lower(bio).Send(data, length);
  if (result.kind == StreamResult::Kind::kDone) {
    *written = result.count;
    return 1;
  }
  if (result.kind == StreamResult::Kind::kWouldBlock) {
    // The lower stream may want to read before it can write (a tunnel): the
    // flags tell OpenSSL which, and the TLS stream hands it on.
    if (result.wants == StreamWait::kRead) {
      BIO_set_retry_read(bio);
    } else {
      BIO_set_retry_write(bio);
    }
  }
  return 0;
}

int LowerRead(BIO* bio, char* buffer, size_t length, size_t* read) {
  BIO_clear_retry_flags(bio);
  if (length == 0) {
    *read = 0;
    return 1;
  }
  const StreamResult result = Lower(bio).Receive(buffer, length, false);
  if (result.kind == StreamResult::Kind::kDone) {
    *read = result.count;
    return 1;
  }
  if (result.kind == StreamResult::Kind::kWouldBlock) {
    if (result.wants == StreamWait::kWrite) {
      BIO_set_retry_write(bio);
    } else {
      BIO_set_retry_read(bio);
    }
  }
  return 0;
}

long LowerControl(BIO* /*bio*/, int command, long /*number*/, void* /*pointer*/) {
  // OpenSSL flushes after every record it writes; the lower stream holds
  // nothing back, so there is nothing to flush.
  return command == BIO_CTRL_FLUSH ? 1 : 0;
}

// The input/output method over a lower ByteStream, made once per process
// and never changed afterwards.
const BIO_METHOD* LowerStreamMethod() {
  static BIO_METHOD* const method = [] {
    BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "qorv stream");
    if (made != nullptr) {
      BIO_meth_set_write_ex(made, LowerWrite);
      BIO_meth_set_read_ex(made, LowerRead);
      BIO_meth_set_ctrl(made, LowerControl);
    }
    return made;
  }();
  return method;
}

int Clamp(size_t length) { return length > INT_MAX ? INT_MAX : static_cast<int>(length); }

}  // namespace

struct TlsStream::Handle {
  SSL* ssl = nullptr;
  ~Handle() { SSL_free(ssl); }
};

TlsStream::TlsStream(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}

TlsStream::~TlsStream() = default;

std::unique_ptr<TlsStream> TlsStream::Create(const SslContext& context, ByteStream& lower,
                                             bool client, int32_t* error) {
  const BIO_METHOD* method = LowerStreamMethod();
  auto handle = std::unique_ptr<Handle>(new (std::nothrow) Handle);
  if (!handle) {
    *error = kOutOfMemory;
    return nullptr;
  }
  handle->ssl = method == nullptr ? nullptr : SSL_new(static_cast<SSL_CTX*>(context.native()));
  BIO* bio = handle->ssl == nullptr ? nullptr : BIO_new(method);
  if (bio == nullptr) {
    *error = kHandleApplyFailed;
    return nullptr;
  }
  BIO_set_data(bio, &lower);
  BIO_set_init(bio, 1);
  SSL_set_bio(handle->ssl, bio, bio);  // the SSL object owns the BIO now
  if (client) {
    SSL_set_connect_state(handle->ssl);
  } else {
    SSL_set_accept_state(handle->ssl);
  }
  std::unique_ptr<TlsStream> stream(new (std::nothrow) TlsStream(std::move(handle)));
  if (!stream) {
    *error = kOutOfMemory;
    return nullptr;
  }
  stream->client_ = client;
  return stream;
}

StreamResult TlsStream::Result(int answer, int32_t failure_code) {
  const int reason = SSL_get_error(handle_->ssl, answer);
  switch (reason) {
    case SSL_ERROR_WANT_READ:
      return StreamResult::WouldBlock(StreamWait::kRead);
    case SSL_ERROR_WANT_WRITE:
      return StreamResult::WouldBlock(StreamWait::kWrite);
    case SSL_ERROR_ZERO_RETURN:
      return StreamResult::Closed();
    default:
      // The queue holds the reasons of this call only; leaving them would
      // make a later call on this thread look failed too.
      ERR_clear_error();
      return StreamResult::Failed(failure_code, StreamErrorSource::kChannel);
  }
}

StreamResult TlsStream::Handshake() {
  // SSL_get_error reads the thread's error queue: whatever an earlier call
  // of this thread left there must not decide this call's outcome.
  ERR_clear_error();
  const int answer = SSL_do_handshake(handle_->ssl);
  if (answer == 1) return StreamResult::Done(1);
  const StreamResult result = Result(answer, client_ ? kConnectFailed : kAcceptFailed);
  // A peer closing during the handshake is a failed handshake.
  if (result.kind == StreamResult::Kind::kClosed) {
    return StreamResult::Failed(client_ ? kConnectFailed : kAcceptFailed,
                                StreamErrorSource::kChannel);
  }
  return result;
}

StreamResult TlsStream::Send(const void* data, size_t length) {
  size_t written = 0;
  ERR_clear_error();
  const int answer = SSL_write_ex(handle_->ssl, data, static_cast<size_t>(Clamp(length)), &written);
  if (answer == 1) return StreamResult::Done(written);
  const StreamResult result = Result(answer, kSendFailed);
  if (result.kind == StreamResult::Kind::kClosed) {
    return StreamResult::Failed(kSendFailed, StreamErrorSource::kChannel);
  }
  return result;
}

StreamResult TlsStream::Receive(void* buffer, size_t length, bool peek) {
  size_t read = 0;
  ERR_clear_error();
  const int answer = peek ? SSL_peek_ex(handle_->ssl, buffer, length, &read)
                          : SSL_read_ex(handle_->ssl, buffer, length, &read);
  if (answer == 1) return StreamResult::Done(read);
  const int reason = SSL_get_error(handle_->ssl, answer);
  // A peer that closes the connection without a close notice has still
  // closed it: the socket layer reports 11001, as for a plain connection.
  if (reason == SSL_ERROR_SYSCALL || reason == SSL_ERROR_ZERO_RETURN ||
      (reason == SSL_ERROR_SSL &&
       ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING)) {
    ERR_clear_error();
    return StreamResult::Closed();
  }
  return Result(answer, kReceiveFailed);
}

bool TlsStream::HasBufferedData() const { return SSL_pending(handle_->ssl) > 0; }

int TlsStream::Close() {
  if (handle_->ssl != nullptr) {
    // Orderly end: the close notice goes out if the connection can take it
    // now; the peer's answer is not waited for (the descriptor closes next).
    if (SSL_is_init_finished(handle_->ssl)) SSL_shutdown(handle_->ssl);
    ERR_clear_error();
    SSL_free(handle_->ssl);
    handle_->ssl = nullptr;
  }
  return 0;
}

int32_t OpenTlsChannel(CBlockingSocket& socket, const SslContext& context, bool client) {
  int32_t code = socket.IoControlNonBlocking(true);
  if (code != kResultOk) return code;
  std::unique_ptr<TlsStream> stream = TlsStream::Create(context, socket.stream(), client, &code);
  if (!stream) return code;
  for (;;) {
    const StreamResult step = stream->Handshake();
    if (step.kind == StreamResult::Kind::kDone) break;
    if (step.kind == StreamResult::Kind::kFailed) return step.error;
    code = socket.WaitFor(step.wants);
    if (code != kResultOk) return code;
  }
  return socket.PushStream(std::move(stream));
}

}  // namespace qorv
