// The SDK object one command works with: created through the registry by its
// ProgID, with the client's event sink connected and a wait callback that
// turns Ctrl-C into RequestCancel on the object's own thread. Connecting and
// logging in are its first two calls.
#ifndef QORV_CLI_SDK_SESSION_H_
#define QORV_CLI_SDK_SESSION_H_

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "cli/endpoints.h"
#include "cli/event_sink.h"
#include "cli/global_options.h"
#include "cli/outcome.h"
#include "qorvsdk/bstr.h"
#include "qorvsdk/com_ptr.h"
#include "qorvsdk/host.h"
#include "qorvsdk/sdk.h"
#include "qorvsdk/transfer_settings.h"

namespace qorv::cli {

class Console;

inline constexpr char16_t kSdkProgId[] = u"KeltoQorSDK.QorSDK";

struct SessionOptions {
  // The module to register when the registry has no registration of the SDK:
  // `module` when given (--module, QORV_MODULE), else `default_module` (the
  // one built with qorv).
  std::string module;
  std::string default_module;
  // Set by Ctrl-C; forwarded to the SDK while it waits.
  const std::atomic<bool>* interrupt = nullptr;
};

class SdkSession {
 public:
  // Creates the SDK object. When the ProgID is not registered, registers the
  // module first (and says so); when the registered module cannot be
  // loaded, registers an explicitly given module again, or explains how to
  // register one with qorvreg. Events go to `on_event`.
  static Outcome Open(const SessionOptions& options, Console& console, EventSink::Handler on_event,
                      std::unique_ptr<SdkSession>* session);

  // Removes the wait callback, disconnects the sink and releases the object.
  ~SdkSession();
  SdkSession(const SdkSession&) = delete;
  SdkSession& operator=(const SdkSession&) = delete;

  IQORVSDK* sdk() const { return sdk_.get(); }
  bool interrupted() const { return interrupt_ != nullptr && interrupt_->load(); }
  // Calls RequestCancel when the user has interrupted. Runs on the thread
  // that owns the object: from its waits and from its event handlers.
  void ForwardInterrupt();

  void SetTempDirectory(const std::string& directory);
  // Puts the settings into the object's IQORVTransferSettings. Nothing is
  // asked of the object when every setting is 0, its default, so a module
  // without the interface still serves the plain commands.
  Outcome ApplyTransferSettings(const TransferOptions& transfer);
  Outcome Connect(const ServerAddress& server, const ProxySettings& proxy);
  // `must_change_password` is set when the server asks for a new password.
  Outcome Login(const std::string& user, const std::string& password, const std::string& database,
                const std::vector<std::string>& key_files, bool* must_change_password);

 private:
  SdkSession() = default;
  void InstallWaitCallback();

  qorvsdk::ComPtr<IQORVSDK> sdk_;
  qorvsdk::ComPtr<IConnectionPoint> connection_point_;
  DWORD cookie_ = 0;
  const std::atomic<bool>* interrupt_ = nullptr;
  void* sdk_module_ = nullptr;  // an extra load of the SDK's module, for its host functions
  // QorvSetWaitCallback of that module.
  decltype(&QorvSetWaitCallback) set_wait_callback_ = nullptr;
};

}  // namespace qorv::cli

#endif  // QORV_CLI_SDK_SESSION_H_
