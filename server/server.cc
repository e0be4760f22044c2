#include "server/server.h"

#include <cerrno>
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
constexpr uint32_t kAcceptRetryPauseMs = 10;

Database::Options StoreOptions(double time_offset_hours) {
  Database::Options options;
  const OleMs offset = static_cast<OleMs>(std::llround(time_offset_hours * 3600000.0));
  if (offset != 0) options.clock = [offset] { return LocalNowMs() + offset; };
  return options;
}

}  // namespace

Server::Server(ServerConfig config)
    : config_(std::move(config)),
      data_(std::make_unique<DataDirectory>(config_.data_directory,
                                            StoreOptions(config_.time_offset_hours))) {
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
                                     ssl_.ca_certificate});
  running_ = true;
  accept_thread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void Server::Stop() {
  if (!running_) return;
  stop_flag_ = 1;
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
  running_ = false;
}

void Server::AcceptLoop() {
  while (stop_flag_ == 0) {
    platform::SocketHandle accepted = platform::kInvalidSocket;
    const int32_t code = listener_.Accept(&accepted);
    ReapFinished();
    if (code == kResultSocketCanceled) break;
    // A failed accept (a client gone before it was taken, descriptors
    // exhausted for a moment) only loses that client; the pause keeps a
    // lasting failure from spinning.
    if (code != kResultOk) {
      platform::SleepMs(kAcceptRetryPauseMs);
      continue;
    }
    auto connection = std::make_unique<Connection>();
    Connection* raw = connection.get();
    platform::MutexLock lock(connections_mutex_);
    try {
      connection->thread = std::thread([this, raw, accepted] {
        ServeClientConnection(accepted, *services_);
        raw->finished = true;
      });
    } catch (const std::system_error&) {
      // No thread for this client: it is turned away, the others go on.
      platform::CloseSocket(accepted);
      continue;
    }
    connections_.push_back(std::move(connection));
  }
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
