#include "net/cancelable_socket.h"

#include <algorithm>

#include "qorvsdk/result_codes.h"

namespace qorv {

int32_t CCancelableSocket::WaitUntilReady(bool for_writing) {
  while (!CancelRequested()) {
    bool readable = false;
    bool writable = false;
    const int ready = platform::WaitReady(handle(), !for_writing, for_writing, kPollIntervalUs,
                                          &readable, &writable);
    if (ready > 0) return kResultOk;
    if (ready < 0) {
      RecordFailure("select", platform::LastSocketError());
      return kResultSocketError;
    }
  }
  return kResultSocketCanceled;
}

int32_t CCancelableSocket::FinishConnect(int32_t code) {
  const int32_t switched = IoControlNonBlocking(false);
  return code != kResultOk ? code : switched;
}

int32_t CCancelableSocket::ConnectWithTimeout(const char* host, uint16_t port) {
  if (IoControlNonBlocking(true) != kResultOk) return kResultSocketError;
  platform::Ipv4Address address;
  if (!ResolveHost(host, &address)) return FinishConnect(kResultSocketError);
  switch (platform::Connect(handle(), address, port)) {
    case platform::ConnectStatus::kConnected:
      return FinishConnect(kResultOk);
    case platform::ConnectStatus::kFailed:
      // Refused at once (no route, bad address): polling would only report
      // the dead socket as ready.
      RecordFailure("connect", platform::LastSocketError());
      return FinishConnect(kResultSocketError);
    case platform::ConnectStatus::kInProgress:
      break;
  }
  for (int empty_polls = 0;;) {
    bool readable = false;
    bool writable = false;
    const int ready =
        platform::WaitReady(handle(), true, true, kPollIntervalUs, &readable, &writable);
    const int wait_error = ready < 0 ? platform::LastSocketError() : 0;
    if (CancelRequested()) return FinishConnect(kResultSocketCanceled);
    if (ready < 0) {
      RecordFailure("select", wait_error);
      return FinishConnect(kResultSocketError);
    }
    if (ready > 0) {
      if (!readable && !writable) {
        RecordFailure("FD_ISSET", 0);
        return FinishConnect(kResultSocketError);
      }
      // Ready also means a refused or failed connect here; the socket's
      // pending error tells them apart.
      if (const int error = platform::PendingConnectError(handle()); error != 0) {
        RecordFailure("connect", error);
        return FinishConnect(kResultSocketError);
      }
      return FinishConnect(kResultOk);
    }
    if (++empty_polls >= connect_poll_limit_) {
      SetLastErrorText(kTextSelectTimeOut);
      return FinishConnect(kResultSocketError);
    }
  }
}

int32_t CCancelableSocket::Accept(platform::SocketHandle* accepted) {
  *accepted = platform::kInvalidSocket;
  const int32_t code = WaitUntilReady(false);
  if (code != kResultOk) return code;
  return CBlockingSocket::Accept(accepted);
}

int32_t CCancelableSocket::Send(const void* buffer, size_t length) {
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  size_t sent = 0;
  while (sent < length) {
    const int32_t code = WaitUntilReady(true);
    if (code != kResultOk) return code;
    const size_t chunk = std::min(length - sent, kSendChunkSize);
    int64_t count;
    if (ssl_active()) {
      count = ssl_channel()->Send(bytes + sent, chunk);
      if (count < 0) {
        const int32_t ssl_error = ssl_channel()->LastError();
        if (ssl_error == kResultSslWriteWouldBlock) continue;
        RecordSslFailure("Send", ssl_error);
        return kResultSocketError;
      }
    } else {
      count = platform::Send(handle(), bytes + sent, chunk);
      if (count < 0) {
        // A full send buffer after a spurious wake-up is not a failure.
        if (platform::IsWouldBlock(platform::LastSocketError())) continue;
        RecordFailure("send", platform::LastSocketError());
        return kResultSocketError;
      }
    }
    sent += static_cast<size_t>(count);
  }
  return kResultOk;
}

int32_t CCancelableSocket::Receive(void* buffer, size_t length) {
  uint8_t* bytes = static_cast<uint8_t*>(buffer);
  size_t received = 0;
  while (received < length) {
    // Bytes already deciphered inside the SSL channel do not make the socket
    // readable; waiting for it then would stall.
    if (!(ssl_active() && ssl_channel()->HasPendingData())) {
      const int32_t code = WaitUntilReady(false);
      if (code != kResultOk) return code;
    }
    int64_t count;
    if (ssl_active()) {
      count = ssl_channel()->Recv(bytes + received, length - received, false);
      if (count < 0) {
        const int32_t ssl_error = ssl_channel()->LastError();
        if (ssl_error == kResultSslReadWouldBlock) continue;
        RecordSslFailure("recv", ssl_error);
        return kResultSocketError;
      }
    } else {
      count = platform::Receive(handle(), bytes + received, length - received);
      if (count < 0) {
        if (platform::IsWouldBlock(platform::LastSocketError())) continue;
        RecordFailure("recv", platform::LastSocketError());
        return kResultSocketError;
      }
    }
    if (count == 0) return kResultPeerClosed;
    received += static_cast<size_t>(count);
  }
  return kResultOk;
}

}  // namespace qorv
