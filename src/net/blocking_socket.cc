#include "net/blocking_socket.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>

#include "codec/byte_order.h"
#include "net/format_text.h"
#include "net/ssl_channel.h"
#include "net/transport_limits.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

CBlockingSocket::~CBlockingSocket() {
  if (IsOpen()) {
    Close();
  } else {
    CloseLayers();
  }
}

int32_t CBlockingSocket::Create(bool overlapped, bool keepalive, bool dont_linger) {
  // Callers close the old socket first; closing it here as well keeps a
  // forgotten one from leaking.
  if (IsOpen()) Close();
  CloseLayers();
  const platform::SocketHandle socket = platform::CreateTcpSocket(overlapped);
  if (socket == platform::kInvalidSocket) {
    RecordFailure("WSASocket", platform::LastSocketError());
    return kResultSocketError;
  }
  bool ok =
      platform::SetSocketOption(socket, platform::SocketOption::kSendBuffer, kSocketBufferSize) &&
      platform::SetSocketOption(socket, platform::SocketOption::kReceiveBuffer,
                                kSocketBufferSize) &&
      platform::SetSocketOption(socket, platform::SocketOption::kNoDelay, 1) &&
      (!keepalive || platform::SetSocketOption(socket, platform::SocketOption::kKeepAlive, 1)) &&
      (!dont_linger || platform::SetSocketOption(socket, platform::SocketOption::kDontLinger, 1));
  if (!ok) {
    RecordFailure("setsockopt", platform::LastSocketError());
    platform::CloseSocket(socket);
    return kResultSocketError;
  }
  tcp_.Adopt(socket);
  return kResultOk;
}

bool CBlockingSocket::ResolveHost(const char* host, platform::Ipv4Address* address) {
  if (platform::ParseIpv4(host, address)) return true;
  const int error = platform::ResolveIpv4(host, address);
  if (error == 0) return true;
  RecordFailure("gethostbyname", error);
  return false;
}

int32_t CBlockingSocket::Connect(const char* host, uint16_t port) {
  platform::Ipv4Address address;
  if (!ResolveHost(host, &address)) return kResultSocketError;
  if (platform::Connect(handle(), address, port) != platform::ConnectStatus::kConnected) {
    RecordFailure("connect", platform::LastSocketError());
    return kResultSocketError;
  }
  return kResultOk;
}

int32_t CBlockingSocket::Accept(platform::SocketHandle* accepted) {
  *accepted = platform::Accept(handle());
  if (*accepted == platform::kInvalidSocket) {
    RecordFailure("accept", platform::LastSocketError());
    return kResultSocketError;
  }
  return kResultOk;
}

int32_t CBlockingSocket::Send(const void* buffer, size_t length) {
  return SendBytes(buffer, length, {SIZE_MAX, false, "Send", "Recv"});
}

int32_t CBlockingSocket::Receive(void* buffer, size_t length) {
  return ReceiveBytes(buffer, length, {SIZE_MAX, false, "Send", "Recv"});
}

int32_t CBlockingSocket::WaitFor(StreamWait wait) {
  for (;;) {
    bool readable = false;
    bool writable = false;
    const int ready = platform::WaitReady(handle(), wait == StreamWait::kRead,
                                          wait == StreamWait::kWrite, -1, &readable, &writable);
    if (ready > 0) return kResultOk;
    if (ready < 0) {
      RecordFailure("select", platform::LastSocketError());
      return kResultSocketError;
    }
  }
}

int32_t CBlockingSocket::SendBytes(const void* buffer, size_t length, const TransferStyle& style) {
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  return MoveBytes(StreamWait::kWrite, length, style, [&](size_t done) {
    return stream().Send(bytes + done, std::min(length - done, style.max_piece));
  });
}

int32_t CBlockingSocket::ReceiveBytes(void* buffer, size_t length, const TransferStyle& style) {
  uint8_t* bytes = static_cast<uint8_t*>(buffer);
  return MoveBytes(StreamWait::kRead, length, style, [&](size_t done) {
    return stream().Receive(bytes + done, length - done, false);
  });
}

template <typename Step>
int32_t CBlockingSocket::MoveBytes(StreamWait direction, size_t length, const TransferStyle& style,
                                   Step&& step) {
  const bool sending = direction == StreamWait::kWrite;
  size_t done = 0;
  bool wait = style.wait_first;
  StreamWait wanted = direction;
  while (done < length) {
    // Bytes already inside a layer (deciphered by a TLS stream) do not make
    // the socket readable; waiting for it then would stall a receive.
    if (wait && !(!sending && wanted == StreamWait::kRead && stream().HasBufferedData())) {
      const int32_t code = WaitFor(wanted);
      if (code != kResultOk) return code;
    }
    const StreamResult result = step(done);
    switch (result.kind) {
      case StreamResult::Kind::kDone:
        done += result.count;
        wanted = direction;
        wait = style.wait_first;
        break;
      case StreamResult::Kind::kWouldBlock:
        // A full send buffer, an empty receive buffer, or a TLS stream that
        // must move bytes the other way first.
        wanted = result.wants;
        wait = true;
        break;
      case StreamResult::Kind::kClosed:
        return kResultPeerClosed;
      case StreamResult::Kind::kFailed:
        RecordStreamFailure(result, sending ? "send" : "recv",
                            sending ? style.channel_send_call : style.channel_receive_call);
        return kResultSocketError;
    }
  }
  return kResultOk;
}

int32_t CBlockingSocket::SendInt32(int32_t value) {
  uint8_t bytes[4];
  StoreBigEndian32(bytes, static_cast<uint32_t>(value));
  return Send(bytes, sizeof(bytes));
}

int32_t CBlockingSocket::ReceiveInt32(int32_t* value) {
  uint8_t bytes[4];
  const int32_t code = Receive(bytes, sizeof(bytes));
  if (code == kResultOk) *value = static_cast<int32_t>(LoadBigEndian32(bytes));
  return code;
}

int32_t CBlockingSocket::SendRaw4(uint32_t value) {
  uint8_t bytes[4];
  StoreLittleEndian32(bytes, value);
  return Send(bytes, sizeof(bytes));
}

int32_t CBlockingSocket::ReceiveRaw4(uint32_t* value) {
  uint8_t bytes[4];
  const int32_t code = Receive(bytes, sizeof(bytes));
  if (code == kResultOk) *value = LoadLittleEndian32(bytes);
  return code;
}

int32_t CBlockingSocket::ReceiveString(std::string* text) {
  int32_t count;
  int32_t code = ReceiveInt32(&count);
  if (code != kResultOk) return code;
  const uint32_t length = static_cast<uint32_t>(count);
  text->clear();
  if (length > kMaxIncomingLength) return kResultReceiveOutOfMemory;
  // Grow with the bytes that actually arrive, never to the announced length
  // up front.
  size_t received = 0;
  while (received < length) {
    const size_t piece = std::min<size_t>(length - received, kReceiveGrowthStep);
    try {
      text->resize(received + piece);
    } catch (const std::bad_alloc&) {
      text->clear();
      return kResultReceiveOutOfMemory;
    }
    code = Receive(text->data() + received, piece);
    if (code != kResultOk) {
      text->clear();
      return code;
    }
    received += piece;
  }
  return kResultOk;
}

int32_t CBlockingSocket::PushStream(std::unique_ptr<ByteStream> layer) {
  layers_.push_back(std::move(layer));
  return IoControlNonBlocking(true);
}

void CBlockingSocket::CloseLayers() {
  while (!layers_.empty()) {
    layers_.back()->Close();
    layers_.pop_back();
  }
}

int32_t CBlockingSocket::Close() {
  if (!IsOpen()) return kResultPeerClosed;
  CloseLayers();
  const int error = tcp_.Close();
  if (error != 0) {
    RecordFailure("closesocket", error);
    return kResultSocketError;
  }
  return kResultPeerClosed;
}

bool CBlockingSocket::IsAlive() {
  if (!IsOpen()) return false;
  ByteStream& top = stream();
  if (top.HasBufferedData()) return true;
  bool readable = false;
  bool writable = false;
  const int ready = platform::WaitReady(handle(), true, false, 0, &readable, &writable);
  if (ready < 0) return false;
  if (ready == 0) return true;
  // Something is pending: alive unless it is the peer's close. A TLS stream
  // that has only part of a record so far waits to read, which is alive.
  uint8_t byte;
  const StreamResult result = top.Receive(&byte, 1, true);
  return result.kind == StreamResult::Kind::kDone ||
         (result.kind == StreamResult::Kind::kWouldBlock && result.wants == StreamWait::kRead);
}

std::string CBlockingSocket::StatusText(int32_t code) const {
  switch (code) {
    case kResultOk:
      return kTextCompleted;
    case kResultOutOfMemory:
    case kResultReceiveOutOfMemory:
      return kTextOutOfMemoryStatus;
    case kResultPeerClosed:
      return kTextSocketClosedByServer;
    case kResultSocketError:
      return last_error_text_.empty() ? std::string(kTextSocketErrorOccured)
                                      : last_error_text_ + "\r\n";
    case kResultSocketCanceled:
      return kTextCanceled;
    default:
      return kTextUnspecifiedError;
  }
}

int32_t CBlockingSocket::SetOption(platform::SocketOption option, int value) {
  if (!platform::SetSocketOption(handle(), option, value)) {
    RecordFailure("setsockopt", platform::LastSocketError());
    return kResultSocketError;
  }
  return kResultOk;
}

int32_t CBlockingSocket::IoControlNonBlocking(bool non_blocking) {
  if (!platform::SetNonBlocking(handle(), non_blocking)) {
    RecordFailure("ioctlsocket", platform::LastSocketError());
    return kResultSocketError;
  }
  return kResultOk;
}

int32_t CBlockingSocket::Listen(const char* address, uint16_t port, int backlog) {
  if (!IsOpen()) {
    tcp_.Adopt(platform::CreateTcpSocket(false));
    if (!IsOpen()) {
      RecordFailure("WSASocket", platform::LastSocketError());
      return kResultSocketError;
    }
  }
  platform::Ipv4Address local;
  if (!platform::ParseIpv4(address, &local)) {
    RecordFailure("bind", 0);
    return kResultSocketError;
  }
  platform::SetSocketOption(handle(), platform::SocketOption::kReuseAddress, 1);
  if (!platform::Listen(handle(), local, port, backlog)) {
    RecordFailure("bind", platform::LastSocketError());
    return kResultSocketError;
  }
  return kResultOk;
}

uint16_t CBlockingSocket::LocalPort() const { return IsOpen() ? platform::LocalPort(handle()) : 0; }

void CBlockingSocket::Attach(platform::SocketHandle handle) {
  if (IsOpen()) Close();
  CloseLayers();
  tcp_.Adopt(handle);
}

void CBlockingSocket::RecordFailure(const char* call, int error_code) {
  if (error_code == 0) {
    last_error_text_ = FormatText(kFormatErrorAt, call);
    return;
  }
  const std::string system_text = platform::SocketErrorText(error_code);
  last_error_text_ = system_text.empty()
                         ? FormatText(kFormatErrorAtWithCode, call, error_code)
                         : FormatText(kFormatErrorAtWithText, call, system_text.c_str());
}

void CBlockingSocket::RecordStreamFailure(const StreamResult& result, const char* socket_call,
                                          const char* channel_call) {
  if (result.source == StreamErrorSource::kChannel) {
    RecordSslFailure(channel_call, result.error);
  } else {
    RecordFailure(socket_call, result.error);
  }
}

void CBlockingSocket::RecordSslFailure(const char* call, int32_t ssl_code) {
  last_error_text_ = FormatText(kFormatErrorAtWithText, call, SslErrorText(ssl_code));
}

}  // namespace qorv
