// One connection to the server: its socket, the pair of message buffers that
// match the channel's encryption mode, the values the handshake delivered,
// the Blowfish channel key, the CA file path of an SSL channel, and the
// user's cancel flag that every wait observes.
//
// The request engine owns one for its main connection; each file-transfer
// connection owns its own. A connection is used by one thread at a time.
#ifndef QORV_NET_SERVER_CONNECTION_H_
#define QORV_NET_SERVER_CONNECTION_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "net/blowfish_message.h"
#include "net/cancelable_socket.h"
#include "net/handshake.h"
#include "net/in_message.h"
#include "net/out_message.h"
#include "net/proxy_traversal.h"
#include "net/ssl_setup.h"

namespace qorv {

// A result value with its description text.
struct ConnectOutcome {
  int32_t result = 0;
  std::string description;
};

class ServerConnection {
 public:
  // `cancel_flag` (may be null) must outlive the connection. Without a proxy
  // traversal or SSL setup, a proxied connect fails with 11309 and an SSL
  // channel with 20100.
  explicit ServerConnection(const std::atomic<int32_t>* cancel_flag,
                            std::unique_ptr<ProxyTraversal> proxy = nullptr,
                            std::unique_ptr<SslChannelSetup> ssl = nullptr);
  ~ServerConnection();
  ServerConnection(const ServerConnection&) = delete;
  ServerConnection& operator=(const ServerConnection&) = delete;

  // The main connect (ConnectToServer, and the request engine's reconnects):
  // closes a socket still open and destroys the SSL context, creates a new
  // socket with the settings' receive time-out (kept until the next
  // connect), connects directly with the bounded wait or through the proxy,
  // runs the handshake, stores the handshake values, opens the SSL channel in
  // mode 2 (requesting the CA certificate unless `reuse_ca_file` and a CA
  // file is held), and installs the buffer pair of the mode: plain for 0 and
  // 2, Blowfish under the initial channel key for 1. On failure the socket is
  // closed and the buffers in place stay; the outcome carries the code and
  // text. Success: 0, "Connected to server successfully".
  ConnectOutcome ConnectMain(const ConnectSettings& settings, bool reuse_ca_file);

  // The connect of a file-transfer connection with the settings and CA file
  // path saved from the main connect: the same steps, except that an
  // unknown proxy failure reports 11310, a transfer failure outside the table
  // reports 11005, the handshake values are read and dropped (only the mode
  // is kept), and in mode 2 no certificate is requested.
  ConnectOutcome ConnectSecondary(const ConnectSettings& settings, const std::string& ca_file_path);

  // Stores the channel key and keys both buffers with it when they are the
  // Blowfish pair (after the keyed login, or after a transfer connection's
  // command 96). The key stays stored across reconnects; a new Blowfish pair
  // starts under the initial key until this is called again.
  void SetChannelKey(const ChannelKey& key);
  const ChannelKey& channel_key() const { return channel_key_; }

  CCancelableSocket& socket() { return socket_; }
  COutMessage& out_message() { return *out_; }
  CInMessage& in_message() { return *in_; }
  int32_t encryption_mode() const { return handshake_.encryption_mode; }
  const HandshakeValues& handshake_values() const { return handshake_; }
  const std::string& ca_file_path() const { return ca_file_path_; }
  void set_ca_file_path(std::string path) { ca_file_path_ = std::move(path); }
  SslChannelSetup& ssl_setup() { return *ssl_; }
  const std::atomic<int32_t>* cancel_flag() const { return cancel_flag_; }

  bool IsAlive() { return socket_.IsAlive(); }
  int32_t Close() { return socket_.Close(); }
  std::string StatusText(int32_t code) const { return socket_.StatusText(code); }

 private:
  ConnectOutcome Connect(const ConnectSettings& settings, bool main, bool request_certificate,
                         const std::string& ca_file_path);
  // Installs the buffer pair of `mode`; false (outcome 2) when memory is short.
  bool InstallBuffers(int32_t mode, ConnectOutcome* outcome);
  // Closes the socket and builds the outcome of a failed transfer.
  ConnectOutcome TransferFailure(int32_t code, bool main);
  ConnectOutcome ProxyFailure(int32_t code, bool main, const ConnectSettings& settings);

  const std::atomic<int32_t>* cancel_flag_;
  std::unique_ptr<ProxyTraversal> proxy_;
  std::unique_ptr<SslChannelSetup> ssl_;
  CCancelableSocket socket_;
  std::unique_ptr<COutMessage> out_;
  std::unique_ptr<CInMessage> in_;
  HandshakeValues handshake_;
  ChannelKey channel_key_{};
  std::string ca_file_path_;
};

}  // namespace qorv

#endif  // QORV_NET_SERVER_CONNECTION_H_
