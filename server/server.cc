#include "server/server.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "net/handshake.h"
#include "platform/process.h"
#include "platform/socket.h"

#include "qorvsdk/result_codes.h"

namespace qorv::server {
namespace {

// Connections waiting to be accepted.
constexpr int kListenBacklog = 64;
// How long the accept loop waits for a connection before it looks for
// finished connections to reap: a closed connection's thread is joined
// within this time.
constexpr int64_t kAcceptWaitUs = 100000;
// After a failed accept (descriptors exhausted, most often, which leaves the
// connection pending and the listener ready) the loop pauses, doubling the
// pause up to a second while the failures go on, so that it never spins.
constexpr uint32_t kAcceptFirstPauseMs = 10;
constexpr uint32_t kAcceptLongestPauseMs = 1000;
constexpr uint32_t kPauseSliceMs = 50;

Database::Options StoreOptions(const ServerConfig& config) {
  Database::Options options;
  options.password_iterations = config.password_iterations;
  options.durable = config.durable_stores;
  const OleMs offset = static_cast<OleMs>(std::llround(config.time_offset_hours * 3600000.0));
  if (offset != 0) options.clock = [offset] { return LocalNowMs() + offset; };
  return options;
}

}  // namespace

Server::Server(ServerConfig config)
    : config_(std::move(config)),
      data_(std::make_unique<DataDirectory>(config_.data_directory, StoreOptions(config_))),
      frame_budget_(config_.frame_memory_mib * 1024 * 1024),
      login_throttle_(ThrottleClock()) {
  faults_.Set(config_.faults);
}

Server::~Server() { Stop(); }

bool Server::Start(std::string* error) {
  if (running_) return true;
  std::error_code ignored;
  if (!std::filesystem::is_directory(config_.data_directory, ignored)) {
    *error = std::filesystem::exists(config_.data_directory, ignored)
                 ? "the data directory " + config_.data_directory + " is not a folder"
                 : "the data directory " + config_.data_directory +
                       " does not exist (qorvd admin create-db makes it)";
    return false;
  }
  if (config_.excluded_types) {
    for (const std::string& name : data_->DatabaseNames()) {
      std::shared_ptr<Database> database;
      StoreStatus status = data_->OpenDatabase(name, &database);
      if (status.ok()) status = database->SetExcludedTypes(*config_.excluded_types);
      if (!status.ok()) {
        *error = "database " + name + ": " + status.text;
        return false;
      }
    }
  }
  // Bodies held by the sessions of an earlier run went with those sessions.
  spool_ = std::make_unique<SpoolFolder>(
      (std::filesystem::path(config_.data_directory) / kSpoolFolderName).string());
  if (!spool_->Prepare(error)) return false;
  if (config_.encryption_mode == kEncryptionSsl && !LoadServerSsl(config_, &ssl_, error)) {
    return false;
  }
  stop_flag_ = 0;
  listener_.SetCancelFlag(&stop_flag_);
  // IPv4 or IPv6, by the address's form.
  const platform::SocketHandle listening =
      platform::ListenOn(config_.address.c_str(), config_.port, kListenBacklog);
  if (listening == platform::kInvalidSocket) {
    const int code = platform::LastSocketError();
    *error = "cannot listen on " + EndpointText(config_.address, config_.port) + ": " +
             (code == EINVAL && !config_.address.empty()
                  ? "\"" + config_.address + "\" is not a numeric IPv4 or IPv6 address"
                  : platform::SocketErrorText(code));
    return false;
  }
  listener_.Attach(listening);
  port_ = listener_.LocalPort();
  services_.reset(new ServerServices{*data_, sessions_, faults_, *spool_, config_.encryption_mode,
                                     config_.accepted_versions, &stop_flag_, ssl_.context.get(),
                                     ssl_.ca_certificate, &frame_budget_, config_.log,
                                     config_.handshake_timeout_seconds, &login_throttle_});
  running_ = true;
  accept_thread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void Server::Stop() {
  if (!running_) return;
  stop_flag_ = 1;
  // A request in the middle of a long read or change ends now, with 40501,
  // instead of holding the stop up until it is done.
  data_->StopRequests(true);
  // Wakes the accept loop now rather than at the end of its poll interval.
  platform::ShutdownSocket(listener_.handle());
  accept_thread_.join();
  listener_.Close();
  std::list<std::unique_ptr<Connection>> connections;
  {
    platform::MutexLock lock(connections_mutex_);
    connections.swap(connections_);
  }
  for (auto& connection : connections) connection->thread.join();
  data_->StopRequests(false);
  running_ = false;
}

void Server::AcceptLoop() {
  uint32_t pause_ms = 0;
  while (stop_flag_ == 0) {
    ReapFinished();
    bool readable = false;
    bool writable = false;
    const int ready =
        platform::WaitReady(listener_.handle(), true, false, kAcceptWaitUs, &readable, &writable);
    if (stop_flag_ != 0) break;
    if (ready == 0) continue;
    const platform::SocketHandle accepted = ready > 0 ? AcceptPending() : platform::kInvalidSocket;
    if (accepted == platform::kInvalidSocket) {
      // A client gone before it was taken only loses that client; a lasting
      // failure (descriptors exhausted) is waited out with growing pauses.
      ++accept_failures_;
      pause_ms =
          pause_ms == 0 ? kAcceptFirstPauseMs : std::min(2 * pause_ms, kAcceptLongestPauseMs);
      if (pause_ms == kAcceptFirstPauseMs) {
        Log("cannot accept a connection: " +
            platform::SocketErrorText(platform::LastSocketError()));
      }
      PauseUnlessStopping(pause_ms);
      continue;
    }
    pause_ms = 0;
    StartConnection(accepted);
  }
}

platform::SocketHandle Server::AcceptPending() {
  if (config_.accept_fault && config_.accept_fault()) return platform::kInvalidSocket;
  return platform::Accept(listener_.handle());
}

void Server::StartConnection(platform::SocketHandle accepted) {
  platform::MutexLock lock(connections_mutex_);
  if (connections_.size() >= static_cast<size_t>(config_.max_connections)) {
    // The handshake has no refusal: the client sees the connection closed
    // before the server's answer, as when no server listens.
    Log("connection limit of " + std::to_string(config_.max_connections) +
        " reached: a new connection was closed");
    platform::CloseSocket(accepted);
    return;
  }
  auto connection = std::make_unique<Connection>();
  Connection* raw = connection.get();
  try {
    connection->thread = std::thread([this, raw, accepted] {
      ServeClientConnection(accepted, *services_);
      raw->finished = true;
    });
  } catch (const std::system_error&) {
    // No thread for this client: it is turned away, the others go on.
    platform::CloseSocket(accepted);
    Log("no thread for a new connection: closed");
    return;
  }
  connections_.push_back(std::move(connection));
}

void Server::PauseUnlessStopping(uint32_t ms) const {
  while (ms > 0 && stop_flag_ == 0) {
    const uint32_t slice = std::min(ms, kPauseSliceMs);
    platform::SleepMs(slice);
    ms -= slice;
  }
}

LoginThrottle::Clock Server::ThrottleClock() {
  if (config_.login_clock.now_ms && config_.login_clock.sleep_ms) return config_.login_clock;
  LoginThrottle::Clock clock;
  clock.now_ms = [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  };
  clock.sleep_ms = [this](int64_t ms) {
    PauseUnlessStopping(static_cast<uint32_t>(std::min<int64_t>(ms, kLongestLoginDelayMs)));
  };
  return clock;
}

size_t Server::ConnectionCount() const {
  platform::MutexLock lock(connections_mutex_);
  return connections_.size();
}

void Server::Log(const std::string& text) const {
  if (config_.log) config_.log(text);
}

void Server::ReapFinished() {
  platform::MutexLock lock(connections_mutex_);
  for (auto it = connections_.begin(); it != connections_.end();) {
    if ((*it)->finished) {
      (*it)->thread.join();
      it = connections_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace qorv::server
