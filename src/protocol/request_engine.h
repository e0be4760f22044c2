// The request engine: every exchange with the server goes through it. It
// owns the main connection and the file-transfer manager, keeps the saved
// connect and login parameters, and runs one command at a time on a worker
// thread while the caller's thread keeps pumping its messages.
//
// A single-step request:
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
//      the result is the status. The reply fields reach the caller's
//      out-values only when the result is 0.
// The busy flag is held from step 3 to the end, so a re-entrant request
// during a reconnect is refused as well.
//
// All methods run on the caller's thread. The worker touches only the
// request record and the connection.
#ifndef QORV_PROTOCOL_REQUEST_ENGINE_H_
#define QORV_PROTOCOL_REQUEST_ENGINE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/blowfish_message.h"
#include "net/proxy_traversal.h"
#include "net/server_connection.h"
#include "net/ssl_setup.h"
#include "protocol/command_base.h"
#include "protocol/file_transfer_manager.h"
#include "protocol/operation_driver.h"
#include "protocol/protocol_client.h"
#include "protocol/query_commands.h"
#include "protocol/request_record.h"
#include "protocol/tree_commands.h"

namespace qorv {

class CRequestEngine {
 public:
  // `driver` holds the cancel flag, percent done and report lines, and must
  // outlive the engine. Without a proxy traversal or SSL setup, proxied and
  // SSL connects fail (11309, 20100); without a transfer manager there are
  // no transfer connections to close.
  explicit CRequestEngine(COperationDriver& driver, std::unique_ptr<ProxyTraversal> proxy = nullptr,
                          std::unique_ptr<SslChannelSetup> ssl = nullptr,
                          std::unique_ptr<IFileTransferManager> transfers = nullptr);
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
  int32_t ConnectToServer(const ConnectSettings& settings, bool* canceled, std::string* description,
                          bool* connected, int32_t* encryption_mode);

  // The login request of Login: reconnects first (without logging in) when
  // the connection is dead, then logs in with command 1, or command 49 in
  // channel mode 1 (the password enciphered under `user_key`, the server
  // name of the last connect). On success saves database, user name,
  // password, login identity and, after 49, the user key, which also
  // becomes the key of both message buffers. *must_change_password and
  // *expire_days are false and 0 unless the result is 0.
  int32_t Login(const std::string& user_name, const std::string& password,
                const std::string& database, const ChannelKey& user_key, bool* canceled,
                std::string* description, bool* must_change_password, int32_t* expire_days);

  // ---- Keep-alive and progress ----

  // Sends command 82 and discards its reply, only when the keep-alive flag
  // is set, no request runs and the connection is alive. Nothing is
  // reported; a failed ping closes the connection so that the next request
  // reconnects instead of reading the ping's reply as its own.
  void KeepAlivePing();
  // Off at construction, and the SDK never sets it: a dead connection is
  // found by the liveness probe before each request anyway (docs/decisions.md).
  void set_keep_alive(bool keep_alive) { keep_alive_ = keep_alive; }
  bool keep_alive() const { return keep_alive_; }

  // The file phase of a multi-step request reports p (0 to 100) of its own
  // progress; percent done becomes span x p / 100 + base.
  void SetFilePhaseProgress(int32_t span, int32_t base) {
    progress_span_ = span;
    progress_base_ = base;
  }
  void ReportFilePhaseProgress(int32_t p);

  // ---- Single-step requests, one per command ----
  // Inputs, then Canceled and Description, then the out-values, which are
  // written only when the result is 0. Field meanings: docs/protocol.md.

  int32_t CheckOutHolders(const std::string& path, bool* canceled, std::string* description,
                          std::vector<std::string>* user_names);  // 2
  int32_t ProjectContents(const std::string& project_path, bool recursive, bool* canceled,
                          std::string* description,
                          std::vector<ProjectContentsEntry>* entries);  // 3
  int32_t CreateProjects(const std::string& comment, const std::vector<std::string>& project_paths,
                         bool* canceled, std::string* description,
                         std::vector<EntryResult>* results);  // 4
  int32_t DeleteItems(bool destroy_permanently, const std::vector<std::string>& item_paths,
                      bool* canceled, std::string* description,
                      std::vector<EntryResult>* results);  // 5
  int32_t RenameItem(const std::string& item_path, const std::string& new_name, bool* canceled,
                     std::string* description);  // 6
  int32_t RecoverItems(const std::vector<std::string>& item_paths, bool* canceled,
                       std::string* description, std::vector<RecoveredItem>* results);  // 7
  int32_t ShareFile(const std::string& target_project, const std::string& file_path,
                    bool branch_after_share, const std::string& comment, bool* canceled,
                    std::string* description);  // 8
  int32_t ShareProject(const std::string& target_project, const std::string& project_path,
                       bool branch_after_share, bool recursive, const std::string& comment,
                       bool* canceled, std::string* description);  // 9
  int32_t PinFile(const std::string& file_path, int32_t version, bool* canceled,
                  std::string* description, double* date);  // 16
  int32_t UnpinFile(const std::string& file_path, bool* canceled, std::string* description,
                    UnpinFileCommand::Reply* reply);  // 17
  int32_t BranchItem(const std::string& item_path, const std::string& comment, bool* canceled,
                     std::string* description, BranchItemCommand::Reply* reply);  // 18
  int32_t MoveItem(const std::string& item_path, const std::string& target_project, bool* canceled,
                   std::string* description);  // 19
  int32_t SetPassword(const std::string& new_password, bool* canceled,
                      std::string* description);  // 20
  int32_t ItemLabels(const std::string& path, bool* canceled, std::string* description,
                     ItemLabelsCommand::Reply* reply);  // 21
  int32_t FileLinks(const std::string& file_path, bool* canceled, std::string* description,
                    std::vector<std::string>* links);  // 22
  int32_t FileGeneralInfo(const std::string& file_path, bool* canceled, std::string* description,
                          qorv::FileGeneralInfo* info);  // 23
  int32_t ProjectGeneralInfo(const std::string& project_path, bool* canceled,
                             std::string* description, qorv::ProjectGeneralInfo* info);  // 24
  int32_t DeletedItems(const std::string& project_path, bool* canceled, std::string* description,
                       std::vector<DeletedItem>* items);  // 25
  int32_t PurgeItems(const std::vector<std::string>& item_paths, bool* canceled,
                     std::string* description, std::vector<EntryResult>* results);  // 32
  int32_t LabelItem(const std::string& item_path, const std::string& label_name,
                    const std::string& comment, bool* canceled, std::string* description,
                    double* date);  // 33
  int32_t FileHistory(const std::string& file_path, const std::string& user_name, double from,
                      double to, bool* canceled, std::string* description,
                      FileHistoryCommand::Reply* reply);  // 34
  int32_t ProjectHistory(const std::string& project_path, bool include_file_history, bool recursive,
                         const std::string& user_name, double from, double to, bool* canceled,
                         std::string* description,
                         std::vector<ProjectHistoryEntry>* entries);                        // 35
  int32_t Users(bool* canceled, std::string* description, std::vector<UserRecord>* users);  // 37
  int32_t UndoCheckOut(const std::vector<std::string>& file_paths, bool* canceled,
                       std::string* description, std::vector<UndoneCheckOut>* results);  // 43
  int32_t DatabaseAliases(bool* canceled, std::string* description,
                          std::vector<std::string>* aliases);  // 44
  int32_t SetKeepLatestOnly(const std::string& file_path, bool latest_only, bool* canceled,
                            std::string* description);  // 48
  int32_t FileExists(const std::string& path, bool* canceled, std::string* description,
                     bool* exists);  // 51
  int32_t ProjectExists(const std::string& project_path, bool* canceled, std::string* description,
                        bool* exists);  // 52
  int32_t ItemKinds(const std::vector<std::string>& paths, bool* canceled, std::string* description,
                    std::vector<uint8_t>* kinds);  // 53
  int32_t FileCount(const std::string& project_path, bool* canceled, std::string* description,
                    int32_t* count);  // 54
  int32_t ListWithDates(const std::string& project_path, bool* canceled, std::string* description,
                        std::vector<DatedItem>* items);  // 55
  int32_t ListSince(const std::string& project_path, bool recursive, double since, bool* canceled,
                    std::string* description, std::vector<ChangedItem>* items);  // 56
  int32_t ProjectFileList(const std::string& project_path, int32_t sub_project_depth,
                          int32_t include_files, bool* canceled, std::string* description,
                          std::vector<ProjectFileListEntry>* entries);  // 59
  int32_t VersionAtLabel(const std::string& item_path, const std::string& label_name,
                         bool* canceled, std::string* description, int32_t* version);  // 60
  int32_t AddCheck(const std::vector<AddCheckEntry>& entries, bool* canceled,
                   std::string* description, std::vector<AddCheckResult>* results);  // 66
  int32_t FileStatus(int32_t line_ending_mode, const std::vector<FileStatusEntry>& entries,
                     bool* canceled, std::string* description,
                     std::vector<FileStatusResult>* results);  // 67
  int32_t CheckOutState(const std::vector<std::string>& file_paths, bool* canceled,
                        std::string* description,
                        std::vector<CheckOutStateResult>* results);  // 68
  int32_t ProjectAtVersion(const std::string& project_path, int32_t version, bool recursive,
                           int32_t line_ending_mode, bool* canceled, std::string* description,
                           std::vector<ListedItem>* items);  // 70
  int32_t ProjectAtDate(const std::string& project_path, double date, bool recursive,
                        int32_t line_ending_mode, bool* canceled, std::string* description,
                        std::vector<ListedItem>* items);  // 71
  int32_t LabelDate(const std::string& project_path, const std::string& label_name, bool* canceled,
                    std::string* description, double* date);  // 112

  // ---- State ----
  COperationDriver& driver() { return driver_; }
  ServerConnection& connection() { return connection_; }
  IFileTransferManager& transfer_manager() { return *transfers_; }
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

 private:
  // The single-step algorithm for one command: busy guard, connection,
  // worker thread, conversion. `exchange` calls the protocol-client method
  // of `code` on the command that holds the arguments.
  int32_t Exchange(CommandCode code, std::function<ReplyStatus(CProtocolClient&)> exchange,
                   bool* canceled, std::string* description);
  // Exchange, then moves the command's reply into *out when the result is 0.
  template <class Command, class Out>
  int32_t ExchangeInto(ReplyStatus (CProtocolClient::*method)(Command&), Command& command,
                       bool* canceled, std::string* description, Out* out);
  template <class Command>
  int32_t ExchangeOnly(ReplyStatus (CProtocolClient::*method)(Command&), Command& command,
                       bool* canceled, std::string* description);

  // Runs the record on a worker thread; closes the connections after a
  // transport failure. Returns the record's status.
  int32_t RunRecord(RequestRecord& record);
  // Reply conversion of a request's last exchange: Canceled, finished flag,
  // description, cancel flag cleared. Returns the result.
  int32_t Convert(int32_t result, const RequestRecord& record, bool* canceled,
                  std::string* description);
  // Steps 1 to 4 of "ensure the connection". `log_in_again` is false for
  // the login request, which logs in itself right after.
  int32_t EnsureConnection(bool log_in_again, bool* canceled, std::string* description);
  // Runs the connect (code 50); on success saves the settings and the mode.
  int32_t RunConnect(const ConnectSettings& settings, bool reuse_ca_file, RequestRecord* record);
  // Runs command 1 or 49 by the channel's mode; on success saves the login.
  int32_t RunLogin(const std::string& user_name, const std::string& password,
                   const std::string& database, const ChannelKey& user_key, RequestRecord* record,
                   LoginReply* reply);
  // Closes the main connection and every transfer connection.
  void CloseConnections();

  COperationDriver& driver_;
  std::unique_ptr<IFileTransferManager> transfers_;
  ServerConnection connection_;

  bool busy_ = false;
  bool finished_ = false;
  bool keep_alive_ = false;
  int32_t progress_span_ = 0;
  int32_t progress_base_ = 0;

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
