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

  // 3 to 6. The handshake.
  HandshakeValues values;
  ConnectOutcome outcome;
  if (!RunHandshake(main, &values, &outcome)) return outcome;
  if (main) {
    handshake_ = values;
  } else {
    handshake_.encryption_mode = values.encryption_mode;
  }

  // 7. Mode 2: the CA certificate if requested, then the SSL channel.
  if (values.encryption_mode == kEncryptionSsl) {
    code = socket_.SendRaw4(request_certificate ? 1u : 0u);
    if (code != kResultOk) return TransferFailure(code, main);
    std::string path = ca_file_path;
    if (request_certificate) {
      std::string certificate;
      code = socket_.ReceiveString(&certificate);
      if (code != kResultOk) return TransferFailure(code, main);
      code = ssl_->WriteCaFile(certificate, &path, &outcome.description);
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

bool ServerConnection::RunHandshake(bool main, HandshakeValues* values, ConnectOutcome* outcome) {
  // All seven fields up to value 8 are read before either check, so the
  // stream is in step whatever the checks decide.
  int32_t magic = 0;
  std::string versions;
  uint32_t unused_raw = 0;
  std::string unused_text;
  int32_t code = socket_.SendInt32(static_cast<int32_t>(kHandshakeMagic));
  if (code == kResultOk) code = socket_.ReceiveInt32(&magic);
  if (code == kResultOk) code = socket_.ReceiveString(&versions);
  if (code == kResultOk) code = socket_.ReceiveRaw4(&unused_raw);
  if (code == kResultOk) code = socket_.ReceiveInt32(&values->encryption_mode);
  if (code == kResultOk) code = socket_.ReceiveString(&unused_text);
  if (code == kResultOk) code = socket_.ReceiveRaw4(&values->value7);
  if (code == kResultOk) code = socket_.ReceiveInt32(&values->value8);
  if (code != kResultOk) {
    *outcome = TransferFailure(code, main);
    return false;
  }
  if (static_cast<uint32_t>(magic) != kHandshakeMagic) {
    socket_.Close();
    *outcome = {kResultNotThisProduct, FormatText(kFormatNotThisProduct, kProductName)};
    return false;
  }
  if (!IsClientVersionAccepted(versions)) {
    socket_.Close();
    *outcome = {kResultVersionRefused, kTextVersionRefused};
    return false;
  }
  code = socket_.ReceiveInt32(&values->value9);
  if (code == kResultOk) code = socket_.ReceiveInt32(&values->value10);
  if (code == kResultOk) code = socket_.ReceiveRaw4(&values->value11);
  if (code != kResultOk) {
    *outcome = TransferFailure(code, main);
    return false;
  }
  return true;
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
  socket_.Close();
  switch (code) {
    case kResultOutOfMemory:
      return {code, kTextOutOfMemory};
    case kResultPeerClosed:
      return {code, kTextPeerClosedSocket};
    case kResultSocketError:
      return {code, kTextSocketErrorOccurs};
    case kResultSocketCanceled:
      return {code, kTextCanceled};
    default:
      return {main ? code : kResultConnectFailed, kTextErrorConnectingToServer};
  }
}

ConnectOutcome ServerConnection::ProxyFailure(int32_t code, bool main,
                                              const ConnectSettings& settings) {
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
    case kResultProxyBadResponse:
      return {code, kTextProxyBadResponse};
    default:
      return {main ? code : kResultProxyOtherFailure, kTextProxyConnectError};
  }
}

}  // namespace qorv
