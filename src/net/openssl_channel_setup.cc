#include "net/openssl_channel_setup.h"

#include <cstring>

#include "net/cancelable_socket.h"
#include "net/format_text.h"
#include "net/ssl_channel.h"
#include "net/tls_stream.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/local_time.h"
#include "platform/user_folders.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

constexpr int32_t kConnectFailed = 20009;
constexpr char kCaFolder[] = "temp";
constexpr char kPinFolder[] = "pinned";

bool IsFolder(const std::string& path) {
  const int32_t attributes = platform::GetAttributes(path);
  return attributes != platform::kInvalidAttributes &&
         (attributes & platform::kAttributeDirectory) != 0;
}

// Creates `path` with every missing parent. 0, or the error of the first
// folder that could not be made and does not exist either.
int CreateFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (!part.empty() && !IsFolder(part)) {
      const int error = platform::CreateFolder(part);
      if (error != 0 && !IsFolder(part)) return error;
    }
    if (slash == std::string::npos) return 0;
  }
}

// The whole of a small file; false when it cannot be read.
bool ReadSmallFile(const std::string& path, std::string* text) {
  platform::File file;
  if (platform::File::Open(path, platform::FileAccess::kRead, platform::FileCreation::kOpenExisting,
                           platform::FileSharing::kShared, &file) != 0) {
    return false;
  }
  text->clear();
  char buffer[4096];
  for (;;) {
    size_t read = 0;
    if (file.Read(buffer, sizeof(buffer), &read) != 0) return false;
    if (read == 0) return true;
    text->append(buffer, read);
  }
}

// Creates or replaces `path` with `text` (others may read it). 0 or the
// system's error code; a file left half written is removed.
int WriteWholeFile(const std::string& path, const std::string& text) {
  platform::File file;
  int error = platform::File::Open(path, platform::FileAccess::kWrite,
                                   platform::FileCreation::kCreateAlways,
                                   platform::FileSharing::kShared, &file);
  if (error != 0) return error;
  error = file.Write(text.data(), text.size());
  const int close_error = file.Close();
  if (error == 0) error = close_error;
  if (error != 0) platform::DeleteFile(path);
  return error;
}

// The certificate's bytes up to the first zero byte, as the library's
// string copy takes them.
std::string TextBeforeZero(const std::string& certificate) {
  return certificate.substr(0, std::strlen(certificate.c_str()));
}

// A host name made safe for a file name: letters, digits, '.' and '-' stay,
// anything else becomes '_'.
std::string FileNamePart(const std::string& host) {
  std::string part = host;
  for (char& c : part) {
    const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '-';
    if (!kept) c = '_';
  }
  return part;
}

}  // namespace

std::string DefaultSslFolder() {
  return platform::ApplicationDataFolder() + "/Brastovik/Quorvane for VSS";
}

std::string OpenSslChannelSetup::PinFilePath(const std::string& server_host,
                                             uint16_t server_port) const {
  return FormatText("%s/%s/CA_%s_%d", folder_.c_str(), kPinFolder,
                    FileNamePart(server_host).c_str(), static_cast<int>(server_port));
}

int32_t OpenSslChannelSetup::CheckPin(const std::string& certificate,
                                      const std::string& server_host, uint16_t server_port,
                                      std::string* description) {
  const std::string pin_path = PinFilePath(server_host, server_port);
  std::string pinned;
  if (ReadSmallFile(pin_path, &pinned)) {
    if (pinned == certificate || SameCertificate(pinned, certificate)) return kResultOk;
    *description = FormatText(kFormatCaChanged, server_host.c_str(), static_cast<int>(server_port),
                              pin_path.c_str());
    return kConnectFailed;
  }
  // The first certificate seen for this server: trusted on first use.
  const std::string pin_folder = folder_ + "/" + kPinFolder;
  int error = CreateFolders(pin_folder);
  if (error == 0) error = WriteWholeFile(pin_path, certificate);
  if (error != 0) {
    *description = FormatText(kFormatCaFolderMissing, pin_folder.c_str());
    return error;
  }
  return kResultOk;
}

int32_t OpenSslChannelSetup::WriteCaFile(const std::string& received,
                                         const std::string& server_host, uint16_t server_port,
                                         std::string* ca_file_path, std::string* description) {
  const std::string certificate = TextBeforeZero(received);
  if (certificate.size() > kMaxCaCertificateLength) {
    *description = kTextCaCertificateTooLong;
    return kConnectFailed;
  }
  int32_t code = CheckPin(certificate, server_host, server_port, description);
  if (code != kResultOk) return code;

  // 1. The CA file of the previous download goes (a failure is ignored).
  if (!ca_file_path->empty()) platform::DeleteFile(*ca_file_path);
  // 2. The folder, with all missing parents.
  const std::string folder = folder_ + "/" + kCaFolder;
  int error = CreateFolders(folder);
  if (error != 0) {
    *description = FormatText(kFormatCaFolderMissing, folder.c_str());
    return error;
  }
  // 3. A name from the current time; a name still taken (another connection
  // in the same millisecond), or the one just replaced, moves on to the next
  // number, so that a new download always gets a new name.
  uint32_t number = static_cast<uint32_t>(platform::UnixTimeMs() & 0x7FFFFFFF);
  std::string path;
  do {
    path = FormatText("%s/CA_%d", folder.c_str(), static_cast<int>(number));
    number = (number + 1) & 0x7FFFFFFF;
  } while (path == *ca_file_path || platform::GetAttributes(path) != platform::kInvalidAttributes);
  // 4. The certificate text.
  error = WriteWholeFile(path, certificate);
  if (error != 0) {
    *description = FormatText(kFormatCaFolderMissing, folder.c_str());
    return error;
  }
  // 5.
  *ca_file_path = path;
  *description = kTextCompleted;
  return kResultOk;
}

int32_t OpenSslChannelSetup::OpenChannel(CCancelableSocket& socket, const std::string& ca_file_path,
                                         std::string* description) {
  // Steps 2 to 5: a context of this connection's own, the CA file to verify
  // the server with, the SSL handshake, the TLS stream on the socket.
  context_.reset();
  int32_t code = kResultOk;
  context_ = SslContext::Create(SslContextKind::kClient, &code);
  if (context_) code = context_->SetVerifyFile(ca_file_path);
  if (code == kResultOk) code = OpenTlsChannel(socket, *context_, /*client=*/true);
  if (code == kResultOk) {
    *description = kTextCompleted;
    return kResultOk;
  }
  context_.reset();
  // A cancel or a failed wait of the socket keeps its own code and text.
  *description = code >= kResultSslFirst ? SslErrorText(code) : socket.StatusText(code);
  return code;
}

}  // namespace qorv
