// The request engine: every exchange with the server goes through it. It
// owns the main connection and the file-transfer manager, keeps the saved
// connect and login parameters, and runs one command at a time on a worker
// thread while the caller's thread keeps pumping its messages.
//
// A single-step request (Run, one per command struct):
//   1. Canceled = false.
//   2. While another request runs (only possible by re-entry through the
//      message pump): 12006 "The system is busy. Please try later.", and
//      nothing else changes.
//   3. Ensures the connection: when the liveness probe fails, reconnects
//      with the saved connect parameters (reusing the CA file) and logs in
//      again with the saved login (command 1, or 49 in channel mode 1). A
//      failure is the request's result; Canceled tells whether the cancel
//      flag was set, and the flag is cleared.
//   4. Runs the command on a worker thread (the worker-thread runner).
//   5. Canceled = the cancel flag; converts the reply: the description is
//      the record's; a transport failure (2, 11002 to 11005) closes the
//      connection and every transfer connection; the cancel flag is cleared;
//      the result is the status. The command's reply fields are meaningful
//      only when the result is 0.
// The busy flag is held from step 3 to the end, so a re-entrant request
// during a reconnect is refused as well. A multi-step request holds it
// across its steps through a RequestScope (protocol/request_scope.h), which
// also carries out the single-step requests.
//
// All methods run on the caller's thread. The worker touches only the
// request record and the connection.
#ifndef QORV_PROTOCOL_REQUEST_ENGINE_H_
#define QORV_PROTOCOL_REQUEST_ENGINE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/blowfish_message.h"
#include "net/command_list.h"
#include "net/proxy_traversal.h"
#include "net/server_connection.h"
#include "net/ssl_setup.h"
#include "protocol/command_base.h"
#include "protocol/operation_driver.h"
#include "protocol/protocol_client.h"
#include "protocol/request_record.h"
#include "protocol/transfer_manager.h"

namespace qorv {

class RequestScope;

// What a request reports besides the command's reply fields: the result
// value (0 = success), Canceled (the cancel flag was set when the request
// ended) and the text of the result.
struct RequestStatus {
  int32_t result = kResultOk;
  bool canceled = false;
  std::string description;
  bool ok() const { return result == kResultOk; }
};

class CRequestEngine {
 public:
  // `driver` holds the cancel flag, percent done and report lines, and must
  // outlive the engine. Without a proxy traversal or SSL setup, proxied and
  // SSL connects fail (11309, 20100); without a transfer manager there are
  // no transfer connections to close.
  explicit CRequestEngine(OperationDriver& driver, std::unique_ptr<ProxyTraversal> proxy = nullptr,
                          std::unique_ptr<SslChannelSetup> ssl = nullptr,
                          std::unique_ptr<TransferManager> transfers = nullptr);
  // Closes the connection (nothing is sent), destroys the SSL context and
  // deletes the CA file the connect wrote, if any.
  ~CRequestEngine();
  CRequestEngine(const CRequestEngine&) = delete;
  CRequestEngine& operator=(const CRequestEngine&) = delete;

  // ---- Connect and login ----

  // The connect request of ConnectToServer: closes the connection and every
  // transfer connection, runs the connect and handshake with `settings`
  // (requesting the CA certificate in mode 2) and, on success, saves the
  // settings for later reconnects. *connected is true and *encryption_mode
  // the channel's mode on success; false and 0 otherwise.
  int32_t ConnectToServer(const ConnectSettings& settings, RequestStatus* status, bool* connected,
                          int32_t* encryption_mode);

  // The login request of Login: reconnects first (without logging in) when
  // the connection is dead, then logs in with command 1, or command 49 in
  // channel mode 1 (the password enciphered under `user_key`, the server
  // name of the last connect). On success saves database, user name,
  // password, login identity and, after 49, the user key, which also
  // becomes the key of both message buffers. *must_change_password and
  // *expire_days are false and 0 unless the result is 0.
  int32_t Login(const std::string& user_name, const std::string& password,
                const std::string& database, const ChannelKey& user_key, RequestStatus* status,
                bool* must_change_password, int32_t* expire_days);

  // ---- Keep-alive ----

  // Sends command 82 and discards its reply, only when the keep-alive flag
  // is set, no request runs and the connection is alive. Nothing is
  // reported; a failed ping closes the connection so that the next request
  // reconnects instead of reading the ping's reply as its own.
  void KeepAlivePing();
  // Off at construction, and the SDK never sets it: a dead connection is
  // found by the liveness probe before each request anyway (docs/decisions.md).
  void set_keep_alive(bool keep_alive) { keep_alive_ = keep_alive; }
  bool keep_alive() const { return keep_alive_; }

  // ---- Single-step requests ----

  // Runs one command by the single-step algorithm: `command` is the struct
  // of a main-connection command of the command list, its request fields
  // filled (docs/protocol.md gives their meanings). Fills *status and
  // returns its result. The reply fields in command.reply are meaningful
  // only when the result is 0; a caller that hands them on copies them then.
  template <class Command>
  int32_t Run(Command& command, RequestStatus* status) {
    static_assert(RouteOfCode(static_cast<uint8_t>(Command::kCode)) == CommandRoute::kMain,
                  "the engine runs the main connection's commands only");
    return RunSingleStep(
        Command::kCode, [&command](CProtocolClient& client) { return client.Run(command); },
        status);
  }

  // ---- State ----
  OperationDriver& driver() { return driver_; }
  ServerConnection& connection() { return connection_; }
  TransferManager& transfer_manager() { return *transfers_; }
  bool busy() const { return busy_; }
  // Set each time a request's reply has been converted.
  bool finished() const { return finished_; }
  int32_t encryption_mode() const { return encryption_mode_; }
  const HandshakeValues& handshake_values() const { return handshake_; }
  const ConnectSettings& connect_settings() const { return connect_settings_; }
  const std::string& database() const { return database_; }
  const std::string& user_name() const { return user_name_; }
  int32_t login_identity() const { return login_identity_; }
  // The user key of the last successful Blowfish login (zeros before one).
  const ChannelKey& channel_key() const { return channel_key_; }
  int32_t progress_span() const { return progress_span_; }
  int32_t progress_base() const { return progress_base_; }
  // Copied into every file phase; all 0 until the SDK's transfer-settings
  // interface changes them.
  const TransferSettings& transfer_settings() const { return transfer_settings_; }
  void set_transfer_settings(const TransferSettings& settings) { transfer_settings_ = settings; }

 private:
  friend class RequestScope;

  // The single-step algorithm for one command: a RequestScope for steps 1
  // to 3 and its exchange. `exchange` runs the command on a protocol client.
  int32_t RunSingleStep(CommandCode code, std::function<ReplyStatus(CProtocolClient&)> exchange,
                        RequestStatus* status);

  // Runs the record on a worker thread; closes the connections after a
  // transport failure. Returns the record's status. Sets runner_failed_
  // when the worker-thread runner returned -1 (the thread could not be
  // created or ended abnormally; the status is then 12008).
  int32_t RunRecord(RequestRecord& record);
  // Reply conversion of a request's last exchange: Canceled, finished flag,
  // description, cancel flag cleared, status->result. Returns the result.
  int32_t Convert(int32_t result, const RequestRecord& record, RequestStatus* status);
  // Steps 1 to 4 of "ensure the connection". `log_in_again` is false for
  // the login request, which logs in itself right after.
  int32_t EnsureConnection(bool log_in_again, RequestStatus* status);
  // Runs the connect (code 50); on success saves the settings and the mode.
  int32_t RunConnect(const ConnectSettings& settings, bool reuse_ca_file, RequestRecord* record);
  // Runs command 1 or 49 by the channel's mode; on success saves the login.
  int32_t RunLogin(const std::string& user_name, const std::string& password,
                   const std::string& database, const ChannelKey& user_key, RequestRecord* record,
                   LoginReply* reply);
  // Closes the main connection and every transfer connection.
  void CloseConnections();

  OperationDriver& driver_;
  std::unique_ptr<TransferManager> transfers_;
  ServerConnection connection_;

  bool busy_ = false;
  bool finished_ = false;
  bool keep_alive_ = false;
  bool runner_failed_ = false;
  // The file phase of the multi-step request in progress (RequestScope).
  int32_t progress_span_ = 0;
  int32_t progress_base_ = 0;
  TransferSettings transfer_settings_;

  // Saved by the last successful connect.
  ConnectSettings connect_settings_;
  int32_t encryption_mode_ = 0;
  HandshakeValues handshake_;

  // Saved by the last successful login; reused by the reconnects.
  bool logged_in_ = false;
  std::string database_;
  std::string user_name_;
  std::string password_;
  int32_t login_identity_ = 0;
  ChannelKey channel_key_{};
};

}  // namespace qorv

#endif  // QORV_PROTOCOL_REQUEST_ENGINE_H_
