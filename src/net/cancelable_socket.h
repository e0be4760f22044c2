// The socket every connection uses: the blocking socket's operations with
// each wait split into 300 ms polls, between which the user's cancel flag is
// read, and a connect bounded to 180 polls (54 seconds).
//
// The cancel flag is a 32-bit value written by the caller's thread
// (RequestCancel) and read here by the worker; nonzero means cancel. A cancel
// takes effect within one poll interval while a wait is in progress; a
// single send or receive call already under way is not interrupted.
#ifndef QORV_NET_CANCELABLE_SOCKET_H_
#define QORV_NET_CANCELABLE_SOCKET_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "net/blocking_socket.h"
#include "net/transport_limits.h"

namespace qorv {

class CCancelableSocket : public CBlockingSocket {
 public:
  // `cancel_flag` may be null (nothing cancels) and must outlive the socket.
  explicit CCancelableSocket(const std::atomic<int32_t>* cancel_flag = nullptr)
      : cancel_flag_(cancel_flag) {}

  void SetCancelFlag(const std::atomic<int32_t>* cancel_flag) { cancel_flag_ = cancel_flag; }

  // Connects with a bounded wait: non-blocking connect, then up to 180 polls
  // of 300 ms for the socket to become readable or writable; the socket is
  // blocking again afterwards. With a receive time-out, the keep-alive timing
  // derived from it is set first. Returns 0; 11003 when the cancel flag is
  // seen after a poll; 11002 for a failure ("setsockopt", "ioctlsocket",
  // "gethostbyname", "connect", "select", "FD_ISSET") or after the last empty
  // poll, with the text "Error at select(): time out".
  int32_t ConnectWithTimeout(const char* host, uint16_t port);

  // Waits (polled, cancelable) until a connection is pending, then accepts it.
  int32_t Accept(platform::SocketHandle* accepted) override;

  // Sends in chunks of at most 65536 bytes, waiting until the socket is
  // writable before each, and for whatever the stream asks when it would
  // block. 0, 11002 ("select", "send", "Send") or 11003.
  int32_t Send(const void* buffer, size_t length) override;

  // Receives, waiting until the socket is readable before each piece (unless
  // the stream holds bytes already), and for whatever the stream asks when it
  // would block. 0, 11001 when the peer closed, 11002 ("select", "recv") or
  // 11003.
  int32_t Receive(void* buffer, size_t length) override;

  // Polls until the socket has the readiness asked for, the cancel flag is
  // set (11003) or the poll fails (11002, "select"). No overall time-out
  // unless a wait poll limit or, for a wait to read, a receive time-out is
  // set: a silent server is waited for until the user cancels. With a limit,
  // the wait gives up after that many empty polls with 11002 and
  // "Error at select(): time out". The wait poll limit wins while it is set.
  int32_t WaitFor(StreamWait wait) override;

  // Tests shorten the 180-poll connect bound.
  void set_connect_poll_limit(int polls) { connect_poll_limit_ = polls; }
  // Bounds each wait of a send or receive to `polls` polls; 0 (the default)
  // waits without limit. A proxy exchange sets it for its own duration.
  void set_wait_poll_limit(int polls) { wait_poll_limit_ = polls; }
  int wait_poll_limit() const { return wait_poll_limit_; }

  // A receive time-out of `seconds` (0: none, the default): every wait for
  // bytes to read gives up after that many seconds without one, rounded up
  // to whole polls, and each later connect sets the keep-alive timing of
  // KeepAliveTimingFor(seconds) on the socket, so that the system drops a
  // dead connection that sits idle. Holds across Close and Create.
  void set_receive_timeout(int32_t seconds);
  int32_t receive_timeout() const { return receive_timeout_seconds_; }

  // Records a failure the socket did not see itself (a proxy answer that
  // makes no sense), read back with last_error_text().
  void NoteFailure(std::string text) { SetLastErrorText(std::move(text)); }

 private:
  bool CancelRequested() const {
    return cancel_flag_ != nullptr && cancel_flag_->load(std::memory_order_relaxed) != 0;
  }

  // Puts the socket back into blocking mode after a bounded connect, keeping
  // `code` unless the switch itself fails.
  int32_t FinishConnect(int32_t code);
  // The keep-alive timing of the receive time-out on the created socket.
  int32_t SetKeepAliveTiming();

  const std::atomic<int32_t>* cancel_flag_;
  int connect_poll_limit_ = kConnectPollLimit;
  int wait_poll_limit_ = 0;
  int32_t receive_timeout_seconds_ = 0;
  int receive_poll_limit_ = 0;
};

}  // namespace qorv

#endif  // QORV_NET_CANCELABLE_SOCKET_H_
