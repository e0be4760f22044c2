#include "sdk/qor_sdk.h"

#include <atomic>
#include <memory>
#include <vector>

#include "local/working_folder.h"
#include "net/openssl_channel_setup.h"
#include "net/proxy_tunnel.h"
#include "net/server_connection.h"
#include "platform/com/boundary_guard.h"
#include "platform/file_system.h"
#include "qorvsdk/guids.h"
#include "sdk/method_call.h"
#include "transfer/file_transfer_manager.h"

namespace qorv::sdk {
namespace {

// The hidden window: a pop-up (WS_POPUP) at (0, 0, 100, 100) that is never
// shown, of a class with the styles CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, the
// window background brush (COLOR_WINDOW + 1) and the arrow cursor.
constexpr uint32_t kWindowClassStyle = 0x000B;
constexpr int32_t kColorWindowBrush = 5 + 1;
constexpr uint32_t kPopupWindowStyle = 0x80000000u;
constexpr int32_t kWindowSize = 100;

platform::WindowAttributes NotificationWindowAttributes() {
  platform::WindowAttributes attributes;
  attributes.class_name = kNotificationWindowClass;
  attributes.class_style = kWindowClassStyle;
  attributes.background = kColorWindowBrush;
  attributes.cursor = "IDC_ARROW";
  attributes.window_name = kNotificationWindowName;
  attributes.style = kPopupWindowStyle;
  attributes.width = kWindowSize;
  attributes.height = kWindowSize;
  return attributes;
}

// A transfer connection: it reaches the server through the same proxy as
// the main connection, with a traversal of its own (one per connection, so
// transfer threads never share one).
// Its SSL channel has a context of its own, verifying the server against
// the main connection's CA file.
std::unique_ptr<ServerConnection> ProxiedConnection(const std::atomic<int32_t>* cancel_flag) {
  return std::make_unique<ServerConnection>(cancel_flag, std::make_unique<ProxyTunnel>(),
                                            std::make_unique<OpenSslChannelSetup>());
}

// Deletes the folder with everything in it when it names a folder.
void RemoveWorkingFolder(const std::string& folder) {
  if (!folder.empty() && IsDirectory(folder)) DeleteFolderTree(folder);
}

}  // namespace

// The engine moves file bodies on transfer connections of its own; they
// traverse the proxy and open the SSL channel as the main connection does.
CQorSDK::CQorSDK()
    : events_(this, DIID__IQorSDKEvents),
      driver_(this),
      engine_(driver_, std::make_unique<ProxyTunnel>(), std::make_unique<OpenSslChannelSetup>(),
              std::make_unique<CFileTransferManager>(ProxiedConnection)) {}

CQorSDK::~CQorSDK() {
  // Nothing is sent to the server at the end; the working temporary folder
  // goes with the object.
  window_.reset();
  // Best effort: a destructor (run inside Release) must not throw, so a
  // folder that cannot be listed for lack of memory stays behind.
  try {
    RemoveWorkingFolder(driver_.working_temp_folder());
  } catch (...) {
  }
}

HRESULT CQorSDK::FinalConstruct() {
  window_ = platform::Window::Create(NotificationWindowAttributes(),
                                     [this](uint32_t message, uintptr_t wparam, intptr_t) {
                                       return OnWindowMessage(message, wparam);
                                     });
  return window_ ? S_OK : E_OUTOFMEMORY;
}

intptr_t CQorSDK::OnWindowMessage(uint32_t message, uintptr_t wparam) {
  if (message == kNotificationMessage) {
    events_.RaiseEvent(static_cast<DISPID>(wparam));
  }
  return 0;
}

void CQorSDK::RaiseEvent(SdkEvent event) {
  window_->Send(kNotificationMessage, static_cast<uintptr_t>(event), 0);
}

HRESULT CQorSDK::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points == nullptr) return E_POINTER;
  return platform::ConnectionPointEnumerator::Create({&events_}, points);
}

HRESULT CQorSDK::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
  if (point == nullptr) return E_POINTER;
  *point = nullptr;
  if (riid != DIID__IQorSDKEvents) return CONNECT_E_NOCONNECTION;
  events_.AddRef();
  *point = &events_;
  return S_OK;
}

// ---- State methods -------------------------------------------------------------

HRESULT CQorSDK::RequestCancel() {
  driver_.RequestCancel();
  return S_OK;
}

HRESULT CQorSDK::SetTempDirectory(BSTR TempDirectory) {
  return GuardBoundary([&] {
    const std::string directory = InText(TempDirectory);
    // The previous working folder goes first, with its files.
    RemoveWorkingFolder(driver_.working_temp_folder());
    std::string folder = directory;
    if (folder.empty() || folder.back() != '/') folder += '/';
    folder += driver_.instance_tag();
    driver_.set_working_temp_folder(folder);
    // Failures to create it are silent: later operations that need temporary
    // files fail in their own way.
    if (IsDirectory(directory)) platform::CreateFolder(folder);
    driver_.set_temp_directory(directory);
    return S_OK;
  });
}

HRESULT CQorSDK::GetPercentDone(LONG* Count) {
  if (Count != nullptr) *Count = driver_.percent_done();
  return S_OK;
}

HRESULT CQorSDK::GetOperationResultCount(LONG* Count) {
  if (Count != nullptr) *Count = driver_.ReportLineCount();
  return S_OK;
}

HRESULT CQorSDK::GetOperationResultInfo(LONG lIndex, VARIANT_BOOL* OperateResult, BSTR* Description,
                                        VARIANT_BOOL* Successful) {
  return GuardBoundary([&] {
    ReportLine line;
    const bool found = driver_.GetReportLine(lIndex, &line);
    if (found) {
      if (!WriteText(Description, line.text)) return E_OUTOFMEMORY;
      WriteBool(OperateResult, line.success != 0);
    }
    WriteBool(Successful, found);
    return S_OK;
  });
}

// ---- Prompts: one pair of methods per PromptKind -------------------------------

HRESULT CQorSDK::GetPrompt(PromptKind kind, BSTR* information, VARIANT_BOOL* three_way_merge) {
  const PromptSlot& slot = driver_.prompt(kind);
  if (!WriteText(information, slot.information)) return E_OUTOFMEMORY;
  WriteBool(three_way_merge, slot.three_way_merge);
  return S_OK;
}

HRESULT CQorSDK::SetPrompt(PromptKind kind, int32_t answer, VARIANT_BOOL apply_to_all) {
  driver_.StoreAnswer(kind, answer, InBool(apply_to_all));
  return S_OK;
}

HRESULT CQorSDK::GetPromptLeaveOrReplaceWriteableFile(VARIANT_BOOL* ThreeWayMerge,
                                                      BSTR* Information) {
  return GetPrompt(PromptKind::kWritableFile, Information, ThreeWayMerge);
}

HRESULT CQorSDK::SetPromptLeaveOrReplaceWriteableFile(
    Enum_WritableFileHandling WritableFileHandling, VARIANT_BOOL WritableHandlingApplyToAllItems) {
  return SetPrompt(PromptKind::kWritableFile, WritableFileHandling,
                   WritableHandlingApplyToAllItems);
}

HRESULT CQorSDK::GetPromptCheckinUnchangedFile(BSTR* Information) {
  return GetPrompt(PromptKind::kUnchangedFile, Information);
}

HRESULT CQorSDK::SetPromptCheckinUnchangedFile(
    Enum_CheckinUnchangedFileHandling CheckinUnchangedFileHandling,
    VARIANT_BOOL CheckinUnchangedFileHandlingApplyToAllItems) {
  return SetPrompt(PromptKind::kUnchangedFile, CheckinUnchangedFileHandling,
                   CheckinUnchangedFileHandlingApplyToAllItems);
}

HRESULT CQorSDK::GetPromptUndoCheckoutChangedFile(BSTR* Information) {
  return GetPrompt(PromptKind::kChangedFile, Information);
}

HRESULT CQorSDK::SetPromptUndoCheckoutChangedFile(
    Enum_UndoCheckOutChangedFileHandling UndoCheckoutChangedFileHandling,
    VARIANT_BOOL ApplyToUndoCheckoutChangedFileHandling) {
  return SetPrompt(PromptKind::kChangedFile, UndoCheckoutChangedFileHandling,
                   ApplyToUndoCheckoutChangedFileHandling);
}

HRESULT CQorSDK::GetPromptRecoverOrPurgeDeletedCopy(BSTR* Information) {
  return GetPrompt(PromptKind::kDeletedCopy, Information);
}

HRESULT CQorSDK::SetPromptRecoverOrPurgeDeletedCopy(
    Enum_AddFileDeletedCopyHandling DeletedCopyHandling, VARIANT_BOOL ApplyToAllItems) {
  return SetPrompt(PromptKind::kDeletedCopy, DeletedCopyHandling, ApplyToAllItems);
}

}  // namespace qorv::sdk
