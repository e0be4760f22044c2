#include "sdk/qor_sdk.h"

#include <vector>

#include "local/working_folder.h"
#include "platform/com/text_convert.h"
#include "platform/file_system.h"
#include "qorvsdk/guids.h"

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

// Deletes the folder with everything in it when it names a folder.
void RemoveWorkingFolder(const std::string& folder) {
  if (!folder.empty() && IsDirectory(folder)) DeleteFolderTree(folder);
}

void WriteBool(VARIANT_BOOL* out, bool value) {
  if (out != nullptr) *out = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void WriteText(BSTR* out, const std::string& text) {
  if (out != nullptr) *out = Utf8ToBstr(text);
}

}  // namespace

CQorSDK::CQorSDK() : events_(this, DIID__IQorSDKEvents), driver_(this), engine_(driver_) {}

CQorSDK::~CQorSDK() {
  // Nothing is sent to the server at the end; the working temporary folder
  // goes with the object.
  window_.reset();
  RemoveWorkingFolder(driver_.working_temp_folder());
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
  const std::string directory = BstrToUtf8(TempDirectory);
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
  ReportLine line;
  const bool found = driver_.GetReportLine(lIndex, &line);
  if (found) {
    WriteBool(OperateResult, line.success != 0);
    WriteText(Description, line.text);
  }
  WriteBool(Successful, found);
  return S_OK;
}

HRESULT CQorSDK::GetPromptLeaveOrReplaceWriteableFile(VARIANT_BOOL* ThreeWayMerge,
                                                      BSTR* Information) {
  WriteBool(ThreeWayMerge, driver_.writable_file_prompt().three_way_merge);
  WriteText(Information, driver_.writable_file_prompt().information);
  return S_OK;
}

HRESULT CQorSDK::SetPromptLeaveOrReplaceWriteableFile(
    Enum_WritableFileHandling WritableFileHandling, VARIANT_BOOL WritableHandlingApplyToAllItems) {
  COperationDriver::StoreAnswer(&driver_.writable_file_prompt(), WritableFileHandling,
                                WritableHandlingApplyToAllItems != 0);
  return S_OK;
}

HRESULT CQorSDK::GetPromptCheckinUnchangedFile(BSTR* Information) {
  WriteText(Information, driver_.unchanged_file_prompt().information);
  return S_OK;
}

HRESULT CQorSDK::SetPromptCheckinUnchangedFile(
    Enum_CheckinUnchangedFileHandling CheckinUnchangedFileHandling,
    VARIANT_BOOL CheckinUnchangedFileHandlingApplyToAllItems) {
  COperationDriver::StoreAnswer(&driver_.unchanged_file_prompt(), CheckinUnchangedFileHandling,
                                CheckinUnchangedFileHandlingApplyToAllItems != 0);
  return S_OK;
}

HRESULT CQorSDK::GetPromptUndoCheckoutChangedFile(BSTR* Information) {
  WriteText(Information, driver_.changed_file_prompt().information);
  return S_OK;
}

HRESULT CQorSDK::SetPromptUndoCheckoutChangedFile(
    Enum_UndoCheckOutChangedFileHandling UndoCheckoutChangedFileHandling,
    VARIANT_BOOL ApplyToUndoCheckoutChangedFileHandling) {
  COperationDriver::StoreAnswer(&driver_.changed_file_prompt(), UndoCheckoutChangedFileHandling,
                                ApplyToUndoCheckoutChangedFileHandling != 0);
  return S_OK;
}

HRESULT CQorSDK::GetPromptRecoverOrPurgeDeletedCopy(BSTR* Information) {
  WriteText(Information, driver_.deleted_copy_prompt().information);
  return S_OK;
}

HRESULT CQorSDK::SetPromptRecoverOrPurgeDeletedCopy(
    Enum_AddFileDeletedCopyHandling DeletedCopyHandling, VARIANT_BOOL ApplyToAllItems) {
  COperationDriver::StoreAnswer(&driver_.deleted_copy_prompt(), DeletedCopyHandling,
                                ApplyToAllItems != 0);
  return S_OK;
}

}  // namespace qorv::sdk
