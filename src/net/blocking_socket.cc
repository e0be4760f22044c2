#include "net/blocking_socket.h"

#include <algorithm>
#include <new>
#include <utility>

#include "net/byte_order.h"
#include "net/format_text.h"
#include "net/transport_limits.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

CBlockingSocket::~CBlockingSocket() {
  if (IsOpen()) {
    Close();
  } else if (ssl_) {
    ssl_->Disconnect();
  }
}

int32_t CBlockingSocket::Create(bool overlapped, bool keepalive, bool dont_linger) {
  // Callers close the old socket first; closing it here as well keeps a
  // forgotten one from leaking.
  if (IsOpen()) Close();
  ssl_active_ = false;
  ssl_.reset();
  socket_ = platform::CreateTcpSocket(overlapped);
  if (socket_ == platform::kInvalidSocket) {
    RecordFailure("WSASocket", platform::LastSocketError());
    return kResultSocketError;
  }
  bool ok =
      platform::SetSocketOption(socket_, platform::SocketOption::kSendBuffer, kSocketBufferSize) &&
      platform::SetSocketOption(socket_, platform::SocketOption::kReceiveBuffer,
                                kSocketBufferSize) &&
      platform::SetSocketOption(socket_, platform::SocketOption::kNoDelay, 1) &&
      (!keepalive || platform::SetSocketOption(socket_, platform::SocketOption::kKeepAlive, 1)) &&
      (!dont_linger || platform::SetSocketOption(socket_, platform::SocketOption::kDontLinger, 1));
  if (!ok) {
    RecordFailure("setsockopt", platform::LastSocketError());
    platform::CloseSocket(socket_);
    socket_ = platform::kInvalidSocket;
    return kResultSocketError;
  }
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
  if (platform::Connect(socket_, address, port) != platform::ConnectStatus::kConnected) {
    RecordFailure("connect", platform::LastSocketError());
    return kResultSocketError;
  }
  return kResultOk;
}

int32_t CBlockingSocket::Accept(platform::SocketHandle* accepted) {
  *accepted = platform::Accept(socket_);
  if (*accepted == platform::kInvalidSocket) {
    RecordFailure("accept", platform::LastSocketError());
    return kResultSocketError;
  }
  return kResultOk;
}

int32_t CBlockingSocket::Send(const void* buffer, size_t length) {
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  size_t sent = 0;
  while (sent < length) {
    int64_t count;
    if (ssl_active_) {
      count = ssl_->Send(bytes + sent, length - sent);
      if (count < 0) {
        const int32_t ssl_error = ssl_->LastError();
        if (ssl_error == kResultSslWriteWouldBlock) continue;
        RecordSslFailure("Send", ssl_error);
        return kResultSocketError;
      }
    } else {
      count = platform::Send(socket_, bytes + sent, length - sent);
      if (count < 0) {
        RecordFailure("send", platform::LastSocketError());
        return kResultSocketError;
      }
    }
    sent += static_cast<size_t>(count);
  }
  return kResultOk;
}

int32_t CBlockingSocket::Receive(void* buffer, size_t length) {
  uint8_t* bytes = static_cast<uint8_t*>(buffer);
  size_t received = 0;
  while (received < length) {
    int64_t count;
    if (ssl_active_) {
      count = ssl_->Recv(bytes + received, length - received, false);
      if (count < 0) {
        const int32_t ssl_error = ssl_->LastError();
        if (ssl_error == kResultSslReadWouldBlock) continue;
        RecordSslFailure("Recv", ssl_error);
        return kResultSocketError;
      }
    } else {
      count = platform::Receive(socket_, bytes + received, length - received);
      if (count < 0) {
        RecordFailure("recv", platform::LastSocketError());
        return kResultSocketError;
      }
    }
    if (count == 0) return kResultPeerClosed;
    received += static_cast<size_t>(count);
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

int32_t CBlockingSocket::AttachSsl(std::unique_ptr<SslChannel> channel) {
  ssl_ = std::move(channel);
  ssl_active_ = true;
  return IoControlNonBlocking(true);
}

int32_t CBlockingSocket::Close() {
  if (!IsOpen()) return kResultPeerClosed;
  if (ssl_) {
    ssl_active_ = false;
    ssl_->Disconnect();
    ssl_.reset();
  }
  const bool closed = platform::CloseSocket(socket_);
  const int error = closed ? 0 : platform::LastSocketError();
  socket_ = platform::kInvalidSocket;
  if (!closed) {
    RecordFailure("closesocket", error);
    return kResultSocketError;
  }
  return kResultPeerClosed;
}

bool CBlockingSocket::IsAlive() {
  if (!IsOpen()) return false;
  if (ssl_active_ && ssl_->HasPendingData()) return true;
  bool readable = false;
  bool writable = false;
  const int ready = platform::WaitReady(socket_, true, false, 0, &readable, &writable);
  if (ready < 0) return false;
  if (ready == 0) return true;
  uint8_t byte;
  if (ssl_active_) {
    const int64_t count = ssl_->Recv(&byte, 1, true);
    return count > 0 || (count < 0 && ssl_->LastError() == kResultSslReadWouldBlock);
  }
  return platform::Peek(socket_, &byte, 1) > 0;
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
  if (!platform::SetSocketOption(socket_, option, value)) {
    RecordFailure("setsockopt", platform::LastSocketError());
    return kResultSocketError;
  }
  return kResultOk;
}

int32_t CBlockingSocket::IoControlNonBlocking(bool non_blocking) {
  if (!platform::SetNonBlocking(socket_, non_blocking)) {
    RecordFailure("ioctlsocket", platform::LastSocketError());
    return kResultSocketError;
  }
  return kResultOk;
}

int32_t CBlockingSocket::Listen(const char* address, uint16_t port, int backlog) {
  if (!IsOpen()) {
    socket_ = platform::CreateTcpSocket(false);
    if (socket_ == platform::kInvalidSocket) {
      RecordFailure("WSASocket", platform::LastSocketError());
      return kResultSocketError;
    }
  }
  platform::Ipv4Address local;
  if (!platform::ParseIpv4(address, &local)) {
    RecordFailure("bind", 0);
    return kResultSocketError;
  }
  platform::SetSocketOption(socket_, platform::SocketOption::kReuseAddress, 1);
  if (!platform::Listen(socket_, local, port, backlog)) {
    RecordFailure("bind", platform::LastSocketError());
    return kResultSocketError;
  }
  return kResultOk;
}

uint16_t CBlockingSocket::LocalPort() const { return IsOpen() ? platform::LocalPort(socket_) : 0; }

void CBlockingSocket::Attach(platform::SocketHandle handle) {
  if (IsOpen()) Close();
  ssl_.reset();
  ssl_active_ = false;
  socket_ = handle;
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

void CBlockingSocket::RecordSslFailure(const char* call, int32_t ssl_code) {
  last_error_text_ = FormatText(kFormatErrorAtWithText, call, SslErrorText(ssl_code));
}

}  // namespace qorv
