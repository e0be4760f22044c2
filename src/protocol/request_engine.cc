#include "protocol/request_engine.h"

#include <utility>

#include "net/handshake.h"
#include "platform/file_system.h"
#include "platform/worker_threads.h"
#include "protocol/command_codes.h"
#include "protocol/request_scope.h"
#include "protocol/session_commands.h"

namespace qorv {
namespace {

// Holds the busy flag for the life of the keep-alive ping, which is no
// request of its own (nothing is reported).
class BusyScope {
 public:
  explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
  ~BusyScope() { busy_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& busy_;
};

// The results after which the connection cannot be trusted to be in step:
// a send or receive that failed part way (11002 to 11005), and 2, which
// includes a frame refused for its announced length before its payload was
// read.
bool IsTransportFailure(int32_t status) {
  return status == kResultOutOfMemory ||
         (status >= kResultSocketError && status <= kResultConnectFailed);
}

}  // namespace

CRequestEngine::CRequestEngine(OperationDriver& driver, std::unique_ptr<ProxyTraversal> proxy,
                               std::unique_ptr<SslChannelSetup> ssl,
                               std::unique_ptr<TransferManager> transfers)
    : driver_(driver),
      transfers_(transfers ? std::move(transfers) : std::make_unique<NoTransferManager>()),
      connection_(driver.cancel_flag(), std::move(proxy), std::move(ssl)) {}

CRequestEngine::~CRequestEngine() {
  CloseConnections();
  connection_.ssl_setup().DestroyContext();
  if (!connection_.ca_file_path().empty()) platform::DeleteFile(connection_.ca_file_path());
}

// ---- The single-step algorithm ----------------------------------------------

int32_t CRequestEngine::RunSingleStep(CommandCode code,
                                      std::function<ReplyStatus(CProtocolClient&)> exchange,
                                      RequestStatus* status) {
  RequestScope scope(*this, status);
  if (!scope.ready()) return status->result;
  return scope.Exchange(code, std::move(exchange), status);
}

int32_t CRequestEngine::RunRecord(RequestRecord& record) {
  runner_failed_ = platform::RunOnWorkerThread([&record] { RunRequestRoutine(record); },
                                               &record.status, &record.description) != 0;
  if (IsTransportFailure(record.status)) CloseConnections();
  return record.status;
}

int32_t CRequestEngine::Convert(int32_t result, const RequestRecord& record,
                                RequestStatus* status) {
  if (driver_.CancelRequested()) status->canceled = true;
  finished_ = true;
  status->description = record.description;
  driver_.ClearCancel();
  status->result = result;
  return result;
}

void CRequestEngine::CloseConnections() {
  connection_.Close();
  transfers_->CloseAllTransferConnections();
}

// ---- Connection and login ---------------------------------------------------

int32_t CRequestEngine::EnsureConnection(bool log_in_again, RequestStatus* status) {
  if (connection_.IsAlive()) return kResultOk;
  CloseConnections();
  RequestRecord record;
  int32_t result = RunConnect(connect_settings_, /*reuse_ca_file=*/true, &record);
  // "Again": only a login that succeeded before is repeated. Without one the
  // new connection stays as ConnectToServer would leave it.
  if (result == kResultOk && log_in_again && logged_in_) {
    record = RequestRecord();
    LoginReply reply;
    result = RunLogin(user_name_, password_, database_, channel_key_, &record, &reply);
    // A connection that is not logged in serves nothing: close it, so that
    // the next request tries the reconnect and the login again.
    if (result != kResultOk) CloseConnections();
  }
  if (result != kResultOk) return Convert(result, record, status);
  return kResultOk;
}

int32_t CRequestEngine::RunConnect(const ConnectSettings& settings, bool reuse_ca_file,
                                   RequestRecord* record) {
  ConnectExchange connect;
  connect.settings = settings;
  // The caller's CA file as it stands now; saved with the settings, so the
  // reconnects and the transfer connections use it too.
  if (!reuse_ca_file) connect.settings.trusted_ca_file = transfer_settings_.trusted_ca_file;
  // The receive time-out as it stands now, for a reconnect as well; the
  // transfer connections take it from the saved settings.
  connect.settings.receive_timeout_seconds = transfer_settings_.receive_timeout_seconds;
  connect.reuse_ca_file = reuse_ca_file;
  record->code = static_cast<uint8_t>(CommandCode::kConnect);
  record->connection = &connection_;
  record->connect = &connect;
  const int32_t result = RunRecord(*record);
  record->connect = nullptr;
  if (result == kResultOk) {
    connect_settings_ = connect.settings;
    encryption_mode_ = connect.encryption_mode;
    handshake_ = connect.handshake;
  }
  return result;
}

int32_t CRequestEngine::RunLogin(const std::string& user_name, const std::string& password,
                                 const std::string& database, const ChannelKey& user_key,
                                 RequestRecord* record, LoginReply* reply) {
  record->connection = &connection_;
  const bool keyed = encryption_mode_ == kEncryptionBlowfish;
  PlainLoginCommand plain;
  KeyedLoginCommand keyed_login;
  if (keyed) {
    keyed_login.database = database;
    keyed_login.user_name = user_name;
    keyed_login.server_name = connect_settings_.server_host;
    keyed_login.encryption_mode = kEncryptionBlowfish;
    keyed_login.password = password;
    keyed_login.user_key = user_key;
    record->code = static_cast<uint8_t>(CommandCode::kKeyedLogin);
    record->exchange = [&keyed_login](CProtocolClient& client) { return client.Run(keyed_login); };
  } else {
    plain.database = database;
    plain.user_name = user_name;
    plain.password = password;
    record->code = static_cast<uint8_t>(CommandCode::kPlainLogin);
    record->exchange = [&plain](CProtocolClient& client) { return client.Run(plain); };
  }
  const int32_t result = RunRecord(*record);
  record->exchange = nullptr;
  if (result != kResultOk) return result;

  *reply = keyed ? keyed_login.reply : plain.reply;
  // The commands hold copies, so the arguments may be the saved fields.
  database_ = keyed ? keyed_login.database : plain.database;
  user_name_ = keyed ? keyed_login.user_name : plain.user_name;
  password_ = keyed ? keyed_login.password : plain.password;
  login_identity_ = reply->login_identity;
  logged_in_ = true;
  if (keyed) {
    // The reply came under the initial key; from now on both directions
    // use the user key.
    channel_key_ = keyed_login.user_key;
    connection_.SetChannelKey(channel_key_);
  }
  return kResultOk;
}

int32_t CRequestEngine::ConnectToServer(const ConnectSettings& settings, RequestStatus* status,
                                        bool* connected, int32_t* encryption_mode) {
  *connected = false;
  *encryption_mode = kEncryptionNone;
  RequestScope scope(*this, status, RequestScope::Connection::kLeftAsItIs);
  if (!scope.ready()) return status->result;
  CloseConnections();
  RequestRecord record;
  const int32_t result =
      Convert(RunConnect(settings, /*reuse_ca_file=*/false, &record), record, status);
  if (result == kResultOk) {
    *connected = true;
    *encryption_mode = encryption_mode_;
  }
  return result;
}

int32_t CRequestEngine::Login(const std::string& user_name, const std::string& password,
                              const std::string& database, const ChannelKey& user_key,
                              RequestStatus* status, bool* must_change_password,
                              int32_t* expire_days) {
  *must_change_password = false;
  *expire_days = 0;
  RequestScope scope(*this, status, RequestScope::Connection::kEnsuredWithoutLogin);
  if (!scope.ready()) return status->result;
  RequestRecord record;
  LoginReply reply;
  const int32_t result =
      Convert(RunLogin(user_name, password, database, user_key, &record, &reply), record, status);
  if (result == kResultOk) {
    *must_change_password = reply.must_change_password;
    *expire_days = reply.expire_days;
  } else if (connection_.socket().IsOpen()) {
    // The connection may now be one the server has not logged in (a login
    // after a reconnect that failed): close it, so the next request
    // reconnects and logs in again with the saved login instead of meeting
    // "not logged in".
    CloseConnections();
  }
  return result;
}

// ---- Keep-alive --------------------------------------------------------------

void CRequestEngine::KeepAlivePing() {
  if (!keep_alive_ || busy_ || !connection_.IsAlive()) return;
  BusyScope busy(busy_);
  KeepAlivePingCommand ping;
  RequestRecord record;
  record.code = static_cast<uint8_t>(CommandCode::kKeepAlivePing);
  record.connection = &connection_;
  record.exchange = [&ping](CProtocolClient& client) { return client.Run(ping); };
  if (RunRecord(record) != kResultOk) CloseConnections();
}

}  // namespace qorv
