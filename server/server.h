// The reference server: one listening socket, one thread per client
// connection, any number of clients, over the databases of one data
// directory.
//
// Runs in-process (tests start it on an ephemeral loopback port) as well as
// inside qorvd. Thread safety: Start and Stop from one thread; the other
// methods from any.
#ifndef QORV_SERVER_SERVER_H_
#define QORV_SERVER_SERVER_H_

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <thread>

#include "net/cancelable_socket.h"
#include "platform/com/mutex.h"
#include "server/client_connection.h"
#include "server/data_directory.h"
#include "server/fault_hooks.h"
#include "server/server_config.h"
#include "server/server_ssl.h"
#include "server/session_registry.h"

namespace qorv::server {

class Server {
 public:
  explicit Server(ServerConfig config);
  // Stops the server if it runs.
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Opens the data directory (applying the configured excluded types to
  // each database), listens and starts accepting clients. False with the
  // reason in *error.
  bool Start(std::string* error);

  // Stops accepting, ends every connection (each notices within one poll
  // interval) and waits for their threads. Sessions end with them.
  void Stop();

  // The port listened on (the one picked when the configuration said 0).
  uint16_t port() const { return port_; }
  const std::string& address() const { return config_.address; }

  // The databases, for administration by tests while the server runs.
  DataDirectory& data_directory() { return *data_; }
  const SessionRegistry& sessions() const { return sessions_; }

  void SetFaultHooks(FaultHooks hooks) { faults_.Set(std::move(hooks)); }
  // How many requests with this command code the server has answered.
  int64_t RequestCount(uint8_t code) const { return faults_.RequestCount(code); }
  FaultHookSource::DeltaCounts DeltaCounts() const { return faults_.delta_counts(); }
  // Frames received and sent on connections of `kind` since the last reset
  // (the numbering of the cut-at-frame hooks).
  int64_t FrameCount(ConnectionKind kind) const { return faults_.FrameCount(kind); }
  void ResetFrameCounts() { faults_.ResetFrameCounts(); }
  // The connections whose threads run or have not been joined yet.
  size_t ConnectionCount() const QORV_EXCLUDES(connections_mutex_);
  // The frame memory the connections hold beyond their kept buffers.
  int64_t FrameMemoryInUse() const { return frame_budget_.used(); }
  // Failed accepts since Start (each is followed by a growing pause).
  int64_t AcceptFailures() const { return accept_failures_.load(); }

 private:
  struct Connection {
    std::thread thread;
    std::atomic<bool> finished{false};
  };

  void AcceptLoop() QORV_EXCLUDES(connections_mutex_);
  // Accepts the pending connection (kInvalidSocket on failure, or when the
  // configuration's accept fault says so).
  platform::SocketHandle AcceptPending();
  // Serves the accepted socket on a thread of its own, or closes it when
  // the connection limit is reached or no thread can be made.
  void StartConnection(platform::SocketHandle accepted) QORV_EXCLUDES(connections_mutex_);
  // Sleeps `ms`, in slices, unless the server stops.
  void PauseUnlessStopping(uint32_t ms) const;
  // The login throttle's clock: the configured one, or the steady clock
  // with waits that end when the server stops.
  LoginThrottle::Clock ThrottleClock();
  // Joins the threads of connections that have ended.
  void ReapFinished() QORV_EXCLUDES(connections_mutex_);
  void Log(const std::string& text) const;

  ServerConfig config_;
  std::unique_ptr<DataDirectory> data_;
  SessionRegistry sessions_;
  FaultHookSource faults_;
  std::unique_ptr<SpoolFolder> spool_;
  std::atomic<int32_t> stop_flag_{0};
  std::unique_ptr<ServerServices> services_;
  // Mode 2: loaded at Start, shared by every connection.
  ServerSsl ssl_;
  CCancelableSocket listener_;
  uint16_t port_ = 0;
  std::thread accept_thread_;
  FrameBudget frame_budget_;
  LoginThrottle login_throttle_;
  std::atomic<int64_t> accept_failures_{0};
  mutable platform::Mutex connections_mutex_;
  std::list<std::unique_ptr<Connection>> connections_ QORV_GUARDED_BY(connections_mutex_);
  bool running_ = false;
};

}  // namespace qorv::server

#endif  // QORV_SERVER_SERVER_H_
