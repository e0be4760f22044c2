// The file-transfer manager as the request engine sees it. The manager
// itself (transfer connections, threads, batches) lives in the transfer
// layer, above this one, and implements this interface; the engine owns it.
#ifndef QORV_PROTOCOL_TRANSFER_MANAGER_H_
#define QORV_PROTOCOL_TRANSFER_MANAGER_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/blowfish_message.h"
#include "net/proxy_traversal.h"

namespace qorv {

class OperationDriver;

// The transfer settings the engine holds and copies into every file phase.
// All 0 when the engine is made; the SDK object's transfer-settings
// interface changes them.
struct TransferSettings {
  int32_t compressed = 0;     // 1: bodies travel as one-entry zip archives
  int32_t delta_allowed = 0;  // nonzero: large single files may travel as deltas
  int32_t size_mode = 0;      // 0, 1 or 2: batch limit and delta threshold
  // Hours between the client's and the server's clocks; a date read off a
  // transfer reply is shifted by +offset/24 days, a date sent by -offset/24.
  float server_time_offset_hours = 0;
  // Encryption mode 2: the caller's CA file, which wins over the server's
  // certificate (ConnectSettings::trusted_ca_file); taken at each connect.
  std::string trusted_ca_file;
  // Seconds a receive on the main or a transfer connection may wait without
  // a byte (0: without limit); taken at each connect, reconnects included
  // (ConnectSettings::receive_timeout_seconds).
  int32_t receive_timeout_seconds = 0;
};

// One file of a transfer list. The calling request owns the list.
struct TransferEntry {
  int32_t index = 0;            // position in the operation's file list; sent on the wire
  std::string local_file_name;  // full path of the local file
  uint32_t size = 0;            // uploads: filled in when the file is read into its batch
  std::string server_name;      // downloads: the transfer name the server issued
  std::string progress_text;    // e.g. "Sending a.c to server"; prefix of the report line
  int32_t result = 0;           // 1 = transferred, 0 = failed
  std::string result_text;      // "Completed", or the failure text
  // Uploads: the local file's time, read while the batch is built.
  // Downloads: the date received after the body (already shifted), which
  // the manager has set as the file's time.
  double date = 0;
};

// What one file phase needs from the engine that runs it.
struct TransferJob {
  TransferSettings settings;
  int32_t login_identity = 0;
  // The engine's temporary directory, for the batch temporaries.
  std::string temp_directory;
  // The saved connect parameters and CA file of the main connection, and
  // the channel key of the last Blowfish login (sent with command 96).
  ConnectSettings connect_settings;
  std::string ca_file_path;
  ChannelKey channel_key{};
  // Cancel flag (observed by every wait) and report-line delivery
  // (DeliverReportLinesLocked, from the transfer threads).
  OperationDriver* driver = nullptr;
  // Called on the caller's thread with the file phase's percent (0 to 100)
  // about every 100 ms while the phase runs.
  std::function<void(int32_t percent)> report_progress;
};

class TransferManager {
 public:
  virtual ~TransferManager() = default;

  // Closes every open transfer connection. Called whenever the main
  // connection is closed after a transport failure or before a reconnect.
  virtual void CloseAllTransferConnections() = 0;

  // Run the whole list: on return every entry carries its result and
  // result text. Downloads write each local file whole or not at all.
  virtual void Upload(std::vector<TransferEntry>& entries, const TransferJob& job) = 0;
  virtual void Download(std::vector<TransferEntry>& entries, const TransferJob& job) = 0;
};

// The text an entry keeps when no transfer ever reached it.
inline constexpr char kTextTransferNotReached[] = "Error transfering file";

// The manager of an engine that moves no file bodies: it holds no
// connections, and every entry of a list fails untouched.
class NoTransferManager : public TransferManager {
 public:
  void CloseAllTransferConnections() override {}
  void Upload(std::vector<TransferEntry>& entries, const TransferJob&) override { Fail(entries); }
  void Download(std::vector<TransferEntry>& entries, const TransferJob&) override { Fail(entries); }

 private:
  static void Fail(std::vector<TransferEntry>& entries) {
    for (TransferEntry& entry : entries) {
      entry.result = 0;
      entry.result_text = kTextTransferNotReached;
    }
  }
};

}  // namespace qorv

#endif  // QORV_PROTOCOL_TRANSFER_MANAGER_H_
