#include "net/cancelable_socket.h"

#include "qorvsdk/result_codes.h"

namespace qorv {

int32_t CCancelableSocket::WaitFor(StreamWait wait) {
  const bool for_writing = wait == StreamWait::kWrite;
  const int poll_limit =
      wait_poll_limit_ > 0 ? wait_poll_limit_ : (for_writing ? 0 : receive_poll_limit_);
  for (int empty_polls = 0; !CancelRequested(); ++empty_polls) {
    if (poll_limit > 0 && empty_polls >= poll_limit) {
      SetLastErrorText(kTextSelectTimeOut);
      return kResultSocketError;
    }
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

void CCancelableSocket::set_receive_timeout(int32_t seconds) {
  receive_timeout_seconds_ = seconds > 0 ? seconds : 0;
  receive_poll_limit_ = static_cast<int>(
      (receive_timeout_seconds_ * int64_t{1000000} + kPollIntervalUs - 1) / kPollIntervalUs);
}

int32_t CCancelableSocket::SetKeepAliveTiming() {
  const KeepAliveTiming timing = KeepAliveTimingFor(receive_timeout_seconds_);
  int32_t code = SetOption(platform::SocketOption::kKeepAlive, 1);
  if (code == kResultOk) code = SetOption(platform::SocketOption::kKeepAliveIdle, timing.idle);
  if (code == kResultOk) {
    code = SetOption(platform::SocketOption::kKeepAliveInterval, timing.interval);
  }
  if (code == kResultOk) code = SetOption(platform::SocketOption::kKeepAliveCount, timing.count);
  return code;
}

int32_t CCancelableSocket::ConnectWithTimeout(const char* host, uint16_t port) {
  if (receive_timeout_seconds_ > 0 && SetKeepAliveTiming() != kResultOk) {
    return kResultSocketError;
  }
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
  const int32_t code = WaitFor(StreamWait::kRead);
  if (code != kResultOk) return code;
  return CBlockingSocket::Accept(accepted);
}

int32_t CCancelableSocket::Send(const void* buffer, size_t length) {
  return SendBytes(buffer, length, {kSendChunkSize, true, "Send", "recv"});
}

int32_t CCancelableSocket::Receive(void* buffer, size_t length) {
  return ReceiveBytes(buffer, length, {kSendChunkSize, true, "Send", "recv"});
}

}  // namespace qorv
