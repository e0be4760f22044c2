#include "net/server_connection.h"

#include <new>
#include <utility>

#include "net/format_text.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

ServerConnection::ServerConnection(const std::atomic<int32_t>* cancel_flag,
                                   std::unique_ptr<ProxyTraversal> proxy,
                                   std::unique_ptr<SslChannelSetup> ssl)
    : cancel_flag_(cancel_flag),
      proxy_(proxy ? std::move(proxy) : std::make_unique<NoProxyTraversal>()),
      ssl_(ssl ? std::move(ssl) : std::make_unique<NoSslChannelSetup>()),
      socket_(cancel_flag),
      // Plain buffers until a handshake installs the pair of its mode, so a
      // connection never lacks buffers.
      out_(std::make_unique<COutMessage>()),
      in_(std::make_unique<CInMessage>()) {}

ServerConnection::~ServerConnection() {
  // The SSL channel ends before its socket closes, the context after both.
  socket_.Close();
  ssl_->DestroyContext();
}

ConnectOutcome ServerConnection::ConnectMain(const ConnectSettings& settings, bool reuse_ca_file) {
  ssl_->DestroyContext();
  // Without a CA file to reuse the certificate is requested all the same:
  // opening the channel without one could only fail.
  const bool request_certificate = !reuse_ca_file || ca_file_path_.empty();
  return Connect(settings, /*main=*/true, request_certificate, ca_file_path_);
}

ConnectOutcome ServerConnection::ConnectSecondary(const ConnectSettings& settings,
                                                  const std::string& ca_file_path) {
  return Connect(settings, /*main=*/false, /*request_certificate=*/false, ca_file_path);
}

ConnectOutcome ServerConnection::Connect(const ConnectSettings& settings, bool main,
                                         bool request_certificate,
                                         const std::string& ca_file_path) {
  // 1. A fresh socket: not overlapped, keep-alive on, no linger.
  if (socket_.IsOpen()) socket_.Close();
  socket_.set_receive_timeout(settings.receive_timeout_seconds);
  int32_t code = socket_.Create(false, true, true);
  if (code != kResultOk) return {code, kTextErrorCreatingSocket};

  // 2. Reach the server, directly with the bounded wait or through the proxy.
  if (settings.proxy_type != kProxyNone) {
    code = proxy_->Traverse(socket_, settings);
    if (code != kResultOk) return ProxyFailure(code, main, settings);
  } else {
    code = socket_.ConnectWithTimeout(settings.server_host.c_str(), settings.server_port);
    if (code != kResultOk) {
      socket_.Close();
      // A cancel reads "Canceled" like every other cancel of a connect.
      if (code == kResultSocketCanceled) return {code, kTextCanceled};
      return {code, FormatText(kFormatErrorConnectingTo, settings.server_host.c_str(),
                               static_cast<int>(settings.server_port))};
    }
  }

  // 3 to 7. The handshake, with the CA certificate of mode 2 if requested.
  ClientHandshake handshake(request_certificate);
  code = RunExchange(socket_, handshake);
  const HandshakeValues& values = handshake.values();
  if (handshake.values_complete()) {
    if (main) {
      handshake_ = values;
    } else {
      handshake_.encryption_mode = values.encryption_mode;
    }
  }
  switch (code) {
    case kResultOk:
      break;
    case kResultNotThisProduct:
      socket_.Close();
      return {code, FormatText(kFormatNotThisProduct, kProductName)};
    case kResultVersionRefused:
      socket_.Close();
      return {code, kTextVersionRefused};
    case kResultSslConnectFailed:
      socket_.Close();
      return {code, kTextCaCertificateTooLong};
    default:
      return TransferFailure(code, main);
  }

  // 7. Mode 2: the CA file if a certificate came, then the SSL channel.
  ConnectOutcome outcome;
  if (values.encryption_mode == kEncryptionSsl) {
    std::string path = ca_file_path;
    if (!settings.trusted_ca_file.empty()) {
      // The caller's CA file wins over anything the server sends.
      path = settings.trusted_ca_file;
    } else if (request_certificate) {
      code = ssl_->WriteCaFile(handshake.certificate(), settings.server_host, settings.server_port,
                               &path, &outcome.description);
      if (code != kResultOk) {
        socket_.Close();
        return {code, outcome.description};
      }
      if (main) ca_file_path_ = path;
    }
    code = ssl_->OpenChannel(socket_, path, &outcome.description);
    if (code != kResultOk) {
      socket_.Close();
      return {code, outcome.description};
    }
  }

  // 8. The buffer pair of the mode. An unknown mode keeps the buffers in
  // place: replacing them first would leave the connection without any.
  if (values.encryption_mode < kEncryptionNone || values.encryption_mode > kEncryptionSsl) {
    socket_.Close();
    return {kResultUnknownEncryption, kTextErrorConnectingToServer};
  }
  if (!InstallBuffers(values.encryption_mode, &outcome)) return outcome;

  // 9.
  return {kResultOk, kTextConnectedToServer};
}

bool ServerConnection::InstallBuffers(int32_t mode, ConnectOutcome* outcome) {
  std::unique_ptr<COutMessage> out;
  std::unique_ptr<CInMessage> in;
  if (mode == kEncryptionBlowfish) {
    out.reset(new (std::nothrow) CBlowfishOutMessage(kInitialChannelKey));
    in.reset(new (std::nothrow) CBlowfishInMessage(kInitialChannelKey));
  } else {
    out.reset(new (std::nothrow) COutMessage());
    in.reset(new (std::nothrow) CInMessage());
  }
  if (!out || !in) {
    socket_.Close();
    *outcome = {kResultOutOfMemory, kTextOutOfMemory};
    return false;
  }
  out_ = std::move(out);
  in_ = std::move(in);
  return true;
}

void ServerConnection::SetChannelKey(const ChannelKey& key) {
  channel_key_ = key;
  if (auto* out = dynamic_cast<CBlowfishOutMessage*>(out_.get())) out->SetKey(key);
  if (auto* in = dynamic_cast<CBlowfishInMessage*>(in_.get())) in->SetKey(key);
}

ConnectOutcome ServerConnection::TransferFailure(int32_t code, bool main) {
  // A receive time-out says so, as it does after the handshake.
  const bool timed_out = socket_.last_error_text() == kTextSelectTimeOut;
  socket_.Close();
  switch (code) {
    case kResultOutOfMemory:
      return {code, kTextOutOfMemory};
    case kResultPeerClosed:
      return {code, kTextPeerClosedSocket};
    case kResultSocketError:
      return {code, timed_out ? kTextSelectTimeOut : kTextSocketErrorOccurs};
    case kResultSocketCanceled:
      return {code, kTextCanceled};
    default:
      return {main ? code : kResultConnectFailed, kTextErrorConnectingToServer};
  }
}

ConnectOutcome ServerConnection::ProxyFailure(int32_t code, bool main,
                                              const ConnectSettings& settings) {
  // What the proxy answered, naming its kind (never the password): a
  // malformed answer is told apart from a plain refusal by it.
  const std::string detail = socket_.last_error_text();
  socket_.Close();
  switch (code) {
    case kResultOutOfMemory:
      return {code, kTextOutOfMemory};
    case kResultSocketError:
      return {code, kTextSocketErrorOccured};
    case kResultSocketCanceled:
      return {code, kTextCanceled};
    case kResultProxyConnectFailed:
      return {code, FormatText(kFormatProxyConnectFailed, ProxyKindName(settings.proxy_type),
                               settings.proxy_host.c_str(), static_cast<int>(settings.proxy_port))};
    case kResultProxyAuthFailed:
      return {code, kTextProxyAuthFailed};
    case kResultProxyTargetUnreachable:
      return {code, FormatText(kFormatProxyTargetUnreachable, settings.server_host.c_str(),
                               static_cast<int>(settings.server_port))};
    case kResultProxyBadResponse: {
      std::string text = kTextProxyBadResponse;
      if (!detail.empty()) text.append(": ").append(detail);
      return {code, std::move(text)};
    }
    default:
      return {main ? code : kResultProxyOtherFailure, kTextProxyConnectError};
  }
}

}  // namespace qorv
