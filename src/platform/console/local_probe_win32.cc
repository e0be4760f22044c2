#include <aclapi.h>

#include <vector>

#include "platform/com/win32_api.h"
#include "platform/console/local_probe.h"

namespace qorv::platform {
namespace {

// Closes a handle on every path.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

 private:
  HANDLE handle_;
};

std::string LastErrorText() { return SystemErrorText(LastFileError()); }

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(WideText(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Opens `path` for reading as a plain file; an invalid handle with the reason
// otherwise. GENERIC_READ includes READ_CONTROL, which the owner check needs.
HANDLE OpenPlainFile(const std::string& path, std::string* reason) {
  HANDLE handle = ::CreateFileW(WideText(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    // A folder does not open without FILE_FLAG_BACKUP_SEMANTICS: it fails
    // as access denied, which would mislead.
    *reason = IsFolder(path) ? "it is a folder" : LastErrorText();
    return INVALID_HANDLE_VALUE;
  }
  // A device (CON, NUL) or a named pipe opens too.
  if (::GetFileType(handle) == FILE_TYPE_DISK) return handle;
  *reason = "it is not a plain file";
  ::CloseHandle(handle);
  return INVALID_HANDLE_VALUE;
}

// Reads the open file to its end into *content (empty before); false with
// the reason when a read fails or the file holds more than `limit` bytes.
bool ReadWhole(HANDLE file, size_t limit, std::string* content, std::string* reason) {
  char buffer[8192];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
      *reason = LastErrorText();
      return false;
    }
    if (got == 0) return true;
    content->append(buffer, got);
    if (content->size() > limit) {
      *reason = "it is larger than " + std::to_string(limit) + " bytes";
      return false;
    }
  }
}

// The SID of the user this process runs as, in *sid; false when unknown.
bool ProcessUser(std::vector<BYTE>* sid) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  Handle closer(token);
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 || !::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    return false;
  }
  PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  sid->assign(static_cast<BYTE*>(user), static_cast<BYTE*>(user) + ::GetLengthSid(user));
  return true;
}

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
  BYTE known[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof known;
  return ::CreateWellKnownSid(type, nullptr, known, &size) && ::EqualSid(sid, known);
}

// The Windows form of mode 0600: every access the file's DACL allows goes to
// its owner, the user this process runs as, LocalSystem or the
// Administrators, who may read any file anyway (as root may on POSIX). An
// entry for anyone else (Everyone, Users, Authenticated Users, another user
// or group), whatever it allows, and a missing DACL (everyone may do
// anything) make the file readable by others. Deny entries only take away,
// and inherit-only ones do not apply to the file itself.
bool OwnerOnly(HANDLE file) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(file, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  std::vector<BYTE> user;
  const bool user_known = ProcessUser(&user);
  bool only = dacl != nullptr;
  for (DWORD index = 0; only && index < dacl->AceCount; ++index) {
    void* entry = nullptr;
    if (!::GetAce(dacl, index, &entry)) {
      only = false;
      break;
    }
    const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
    if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
    if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
    // Any other kind of entry (object, callback, conditional) might allow
    // something to someone: not owner-only.
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
      only = false;
      break;
    }
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    if (allowed->Mask == 0) continue;
    PSID trustee = const_cast<DWORD*>(&allowed->SidStart);
    only = (owner != nullptr && ::EqualSid(trustee, owner)) ||
           (user_known && ::EqualSid(trustee, user.data())) ||
           IsWellKnown(trustee, WinLocalSystemSid) ||
           IsWellKnown(trustee, WinBuiltinAdministratorsSid);
  }
  ::LocalFree(descriptor);
  return only;
}

// Winsock started for one probe and stopped after it (WSAStartup counts its
// users, so this does not disturb one started elsewhere in the process).
class WinsockUse {
 public:
  WinsockUse() {
    WSADATA data;
    error_ = ::WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockUse() {
    if (error_ == 0) ::WSACleanup();
  }
  WinsockUse(const WinsockUse&) = delete;
  WinsockUse& operator=(const WinsockUse&) = delete;
  int error() const { return error_; }

 private:
  int error_;
};

// Waits for the non-blocking connect on `socket` to end; the reason it
// failed, empty when it succeeded. A failed connect shows in the exception
// set, not as writable.
std::string FinishConnect(SOCKET socket, int timeout_ms) {
  fd_set writes, errors;
  FD_ZERO(&writes);
  FD_ZERO(&errors);
  FD_SET(socket, &writes);
  FD_SET(socket, &errors);
  timeval limit;
  limit.tv_sec = timeout_ms / 1000;
  limit.tv_usec = (timeout_ms % 1000) * 1000;
  const int ready = ::select(0, nullptr, &writes, &errors, &limit);
  if (ready == SOCKET_ERROR) return SystemErrorText(::WSAGetLastError());
  if (ready == 0) return "no answer within " + std::to_string(timeout_ms / 1000) + " seconds";
  int error = 0;
  int size = sizeof error;
  if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) {
    return SystemErrorText(::WSAGetLastError());
  }
  return error == 0 ? std::string() : SystemErrorText(error);
}

// Tries one address; the reason it cannot be connected to, empty when it can.
std::string TryConnect(const ADDRINFOW& address, int timeout_ms) {
  const SOCKET socket = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
  if (socket == INVALID_SOCKET) return SystemErrorText(::WSAGetLastError());
  std::string reason;
  u_long non_blocking = 1;
  if (::ioctlsocket(socket, FIONBIO, &non_blocking) != 0) {
    reason = SystemErrorText(::WSAGetLastError());
  } else if (::connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0) {
    const int error = ::WSAGetLastError();
    reason = error == WSAEWOULDBLOCK ? FinishConnect(socket, timeout_ms) : SystemErrorText(error);
  }
  ::closesocket(socket);
  return reason;
}

}  // namespace

bool IsLocalFolder(const std::string& path) { return IsFolder(path); }

std::string UnreadableFileReason(const std::string& path) {
  std::string reason;
  Handle file(OpenPlainFile(path, &reason));
  return reason;
}

bool ReadSmallFile(const std::string& path, size_t limit, std::string* content,
                   std::string* reason) {
  content->clear();
  Handle file(OpenPlainFile(path, reason));
  if (!file.valid()) return false;
  return ReadWhole(file.get(), limit, content, reason);
}

bool ReadSettingsFile(const std::string& path, size_t limit, SettingsFileRead* read,
                      std::string* reason) {
  *read = SettingsFileRead();
  if (::GetFileAttributesW(WideText(path).c_str()) == INVALID_FILE_ATTRIBUTES &&
      LastFileError() == ERROR_FILE_NOT_FOUND) {
    return true;
  }
  read->exists = true;
  Handle file(OpenPlainFile(path, reason));
  if (!file.valid()) return false;
  read->owner_only = OwnerOnly(file.get());
  return ReadWhole(file.get(), limit, &read->content, reason);
}

std::string UnreachableReason(const std::string& host, int port, int timeout_ms) {
  WinsockUse winsock;
  if (winsock.error() != 0) return SystemErrorText(winsock.error());
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  ADDRINFOW* addresses = nullptr;
  const int resolved =
      ::GetAddrInfoW(WideText(host).c_str(), std::to_wstring(port).c_str(), &hints, &addresses);
  if (resolved != 0) return SystemErrorText(resolved);
  std::string reason = "no address";
  for (const ADDRINFOW* address = addresses; address != nullptr; address = address->ai_next) {
    reason = TryConnect(*address, timeout_ms);
    if (reason.empty()) break;
  }
  ::FreeAddrInfoW(addresses);
  return reason;
}

}  // namespace qorv::platform
