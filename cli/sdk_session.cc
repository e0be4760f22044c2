#include "cli/sdk_session.h"

#include <filesystem>

#include "cli/console.h"
#include "cli/sdk_call.h"
#include "platform/com/activation_problem.h"
#include "platform/com/module_loader.h"
#include "platform/com/registry_file.h"
#include "qorvsdk/activation.h"

namespace qorv::cli {
namespace {

// How often the SDK's waits give the client a chance to forward Ctrl-C.
constexpr uint32_t kInterruptPollMs = 100;

constexpr char kRegisterHint[] =
    "register the SDK module with \"qorvreg /path/to/libqorvsdk.so\", or give qorv "
    "--module PATH";

std::string RegistryName() {
  return platform::RegistryFilePath().value_or("(no registry: set QORV_REGISTRY or HOME)");
}

// The registry's own reason it cannot be read, after ": ".
std::string RegistryProblem() {
  const std::optional<std::string> path = platform::RegistryFilePath();
  if (!path) return std::string();
  const std::string problem = platform::RegistryFileProblem(*path);
  return problem.empty() ? std::string() : ": " + problem;
}

// " /path/libqorvsdk.so" and the loader's reason after ": ", for the module
// the registry names for `clsid`.
std::string RegisteredModuleProblem(const CLSID& clsid) {
  const std::string module = platform::RegisteredModuleOf(clsid);
  if (module.empty()) return std::string();
  const std::string problem = platform::ModuleLoadProblem(module);
  return " " + module + (problem.empty() ? std::string() : " (" + problem + ")");
}

std::string ActivationFailure(HRESULT hr, const CLSID& clsid) {
  switch (hr) {
    case REGDB_E_READREGDB:
      return "the registry " + RegistryName() + " cannot be read" + RegistryProblem();
    case CO_E_CLASSSTRING:
    case REGDB_E_CLASSNOTREG:
      return "the SDK is not registered in " + RegistryName() + "; " + kRegisterHint;
    case CO_E_DLLNOTFOUND:
      return "the SDK module" + RegisteredModuleProblem(clsid) + " registered in " +
             RegistryName() + " cannot be loaded; " + kRegisterHint;
    case CO_E_ERRORINDLL:
      return "the module" + RegisteredModuleProblem(clsid) + " registered for the SDK in " +
             RegistryName() + " is not an SDK module; " + kRegisterHint;
    default:
      return "the SDK object cannot be created (" + HresultText(hr) + ")";
  }
}

Outcome RegisterModule(const std::string& module, Console& console) {
  if (module.empty()) {
    return Outcome::Internal("the SDK is not registered in " + RegistryName() + "; " +
                             kRegisterHint);
  }
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(module, ignored)) {
    return Outcome::Internal("the SDK is not registered in " + RegistryName() +
                             ", and there is no SDK module at " + module + "; " + kRegisterHint);
  }
  const HRESULT hr = QorvRegisterModule(module.c_str());
  if (FAILED(hr)) {
    std::string reason;
    if (hr == CO_E_DLLNOTFOUND) {
      reason = "it cannot be loaded: " + platform::ModuleLoadProblem(module);
    } else if (hr == CO_E_ERRORINDLL) {
      reason = "it is not an SDK module (it has no DllRegisterServer)";
    } else if (hr == REGDB_E_READREGDB) {
      reason = "the registry cannot be read" + RegistryProblem();
    } else if (hr == REGDB_E_WRITEREGDB) {
      reason = "the registry cannot be written";
    } else {
      reason = "its DllRegisterServer failed";
    }
    return Outcome::Internal("registering the SDK module " + module + " in " + RegistryName() +
                             " failed (" + HresultText(hr) + "): " + reason + "; " + kRegisterHint);
  }
  console.Notice("registered the SDK module " + module + " in " + RegistryName());
  return Outcome::Success();
}

void WaitCallback(void* session) { static_cast<SdkSession*>(session)->ForwardInterrupt(); }

// Creates the object, registering a module first where that helps.
Outcome CreateSdkObject(const SessionOptions& options, Console& console,
                        qorvsdk::ComPtr<IQORVSDK>* sdk) {
  CLSID clsid{};
  HRESULT hr = QorvCLSIDFromProgID(kSdkProgId, &clsid);
  if (hr == CO_E_CLASSSTRING) {
    Outcome registered =
        RegisterModule(options.module.empty() ? options.default_module : options.module, console);
    if (!registered.ok()) return registered;
    hr = QorvCLSIDFromProgID(kSdkProgId, &clsid);
  }
  if (FAILED(hr)) return Outcome::Internal(ActivationFailure(hr, clsid));
  hr = QorvCoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IQORVSDK, sdk->ReceiveVoid());
  // A registration that points at a module that is gone (a build folder
  // removed) is replaced only by a module the user named.
  if ((hr == CO_E_DLLNOTFOUND || hr == CO_E_ERRORINDLL || hr == REGDB_E_CLASSNOTREG) &&
      !options.module.empty()) {
    Outcome registered = RegisterModule(options.module, console);
    if (!registered.ok()) return registered;
    hr = QorvCoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IQORVSDK,
                              sdk->ReceiveVoid());
  }
  if (FAILED(hr) || !*sdk) {
    return Outcome::Internal(ActivationFailure(FAILED(hr) ? hr : E_POINTER, clsid));
  }
  return Outcome::Success();
}

}  // namespace

Outcome SdkSession::Open(const SessionOptions& options, Console& console,
                         EventSink::Handler on_event, std::unique_ptr<SdkSession>* session) {
  std::unique_ptr<SdkSession> opened(new SdkSession());
  opened->interrupt_ = options.interrupt;
  Outcome created = CreateSdkObject(options, console, &opened->sdk_);
  if (!created.ok()) return created;

  qorvsdk::ComPtr<IConnectionPointContainer> container;
  HRESULT hr = opened->sdk_->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid());
  if (SUCCEEDED(hr)) {
    hr = container->FindConnectionPoint(DIID__IQorSDKEvents, opened->connection_point_.Receive());
  }
  if (SUCCEEDED(hr)) {
    EventSink* sink = EventSink::Create(std::move(on_event));
    hr = opened->connection_point_->Advise(sink, &opened->cookie_);
    sink->Release();  // the connection point holds it now
  }
  if (FAILED(hr)) {
    return Outcome::Internal("the SDK's events cannot be connected (" + HresultText(hr) + ")");
  }
  opened->InstallWaitCallback();
  *session = std::move(opened);
  return Outcome::Success();
}

SdkSession::~SdkSession() {
  if (set_wait_callback_ != nullptr) set_wait_callback_(nullptr, nullptr, 0);
  if (connection_point_ && cookie_ != 0) connection_point_->Unadvise(cookie_);
  connection_point_.Reset();
  sdk_.Reset();
  if (sdk_module_ != nullptr) platform::UnloadModuleFile(sdk_module_);
  QorvCoFreeUnusedLibraries();
}

void SdkSession::InstallWaitCallback() {
  // The host function lives in the module that made the object: found from
  // the object's vtable, which that module holds.
  const void* vtable = *reinterpret_cast<void* const*>(sdk_.get());
  const std::string module = platform::PathOfModuleContaining(vtable);
  if (module.empty()) return;
  sdk_module_ = platform::LoadModuleFile(module);
  if (sdk_module_ == nullptr) return;
  set_wait_callback_ = reinterpret_cast<decltype(set_wait_callback_)>(
      platform::FindModuleSymbol(sdk_module_, "QorvSetWaitCallback"));
  if (set_wait_callback_ != nullptr) set_wait_callback_(&WaitCallback, this, kInterruptPollMs);
}

void SdkSession::ForwardInterrupt() {
  if (interrupted() && sdk_) sdk_->RequestCancel();
}

void SdkSession::SetTempDirectory(const std::string& directory) {
  qorvsdk::Bstr text(directory);
  sdk_->SetTempDirectory(text.get());
}

Outcome SdkSession::ApplyTransferSettings(const TransferOptions& transfer) {
  if (transfer == TransferOptions()) return Outcome::Success();
  qorvsdk::ComPtr<IQORVTransferSettings> settings;
  HRESULT hr =
      sdk_->QueryInterface(IID_IQORVTransferSettings, reinterpret_cast<void**>(settings.Receive()));
  if (FAILED(hr)) return Outcome::FailedCall("QueryInterface(IQORVTransferSettings)", hr);
  if (FAILED(hr = settings->put_CompressedTransfer(transfer.compressed ? 1 : 0))) {
    return Outcome::FailedCall("put_CompressedTransfer", hr);
  }
  if (FAILED(hr = settings->put_DeltaAllowed(transfer.delta ? 1 : 0))) {
    return Outcome::FailedCall("put_DeltaAllowed", hr);
  }
  if (FAILED(hr = settings->put_SizeMode(transfer.size_mode))) {
    return Outcome::FailedCall("put_SizeMode", hr);
  }
  qorvsdk::Bstr ca_file(transfer.ca_file);
  if (FAILED(hr = settings->put_TrustedCAFile(ca_file.get()))) {
    return Outcome::FailedCall("put_TrustedCAFile", hr);
  }
  if (FAILED(hr = settings->put_ReceiveTimeout(transfer.timeout_seconds))) {
    return Outcome::FailedCall("put_ReceiveTimeout", hr);
  }
  return Outcome::Success();
}

Outcome SdkSession::Connect(const ServerAddress& server, const ProxySettings& proxy) {
  if (interrupted()) return Outcome::Interrupted();
  qorvsdk::Bstr host(server.host), proxy_host(proxy.host), proxy_user(proxy.user),
      proxy_password(proxy.password);
  VARIANT_BOOL connected = VARIANT_FALSE;
  Enum_EncryptType encryption = Enum_Unencrypted;
  qorvsdk::OperationStatus status;
  const HRESULT hr =
      sdk_->ConnectToServer(host.get(), server.port, &connected, &encryption, &status.canceled,
                            status.description.Receive(), proxy.type, proxy_host.get(), proxy.port,
                            proxy_user.get(), proxy_password.get(), &status.value);
  return CallOutcome("ConnectToServer", Step::kConnect, hr, status);
}

Outcome SdkSession::Login(const std::string& user, const std::string& password,
                          const std::string& database, const std::vector<std::string>& key_files,
                          bool* must_change_password) {
  if (interrupted()) return Outcome::Interrupted();
  qorvsdk::ComPtr<IQORVKeyInfoSet> keys;
  HRESULT hr = QorvCoCreateInstance(CLSID_QORVKeyInfoSet, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IQORVKeyInfoSet, keys.ReceiveVoid());
  if (FAILED(hr)) return Outcome::FailedCall("QORVKeyInfoSet", hr);
  for (const std::string& file : key_files) {
    qorvsdk::Bstr name(file);
    VARIANT_BOOL added = VARIANT_FALSE;
    keys->Add(name.get(), &added);
  }
  qorvsdk::Bstr user_text(user), password_text(password), database_text(database);
  VARIANT_BOOL must_change = VARIANT_FALSE;
  LONG expire_days = 0;
  qorvsdk::OperationStatus status;
  hr = sdk_->Login(user_text.get(), password_text.get(), database_text.get(), keys.get(),
                   &must_change, &expire_days, &status.canceled, status.description.Receive(),
                   &status.value);
  *must_change_password = SUCCEEDED(hr) && must_change != VARIANT_FALSE;
  return CallOutcome("Login", Step::kLogin, hr, status);
}

}  // namespace qorv::cli
