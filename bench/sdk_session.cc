#include "sdk_session.h"

#include <cstdio>
#include <filesystem>

#include "bench_tools.h"
#include "platform/com/text_convert.h"
#include "platform/environment.h"
#include "server_process.h"

namespace qorv::bench {

namespace {

// An owned BSTR: an in-parameter made from UTF-8, or an out-parameter's
// result, freed at the end of its scope.
class Text {
 public:
  Text() = default;
  explicit Text(const std::string& text) : value_(Utf8ToBstr(text)) {}
  ~Text() { SysFreeString(value_); }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;

  operator BSTR() const { return value_; }
  BSTR* Receive() { return &value_; }
  std::string Utf8() const { return value_ != nullptr ? BstrToUtf8(value_) : std::string(); }

 private:
  BSTR value_ = nullptr;
};

// The failures in a get's result set: how many, and the first one's text.
std::pair<LONG, std::string> Failures(IQORVOperationResultSet* results) {
  std::pair<LONG, std::string> failures{0, ""};
  if (results == nullptr) return failures;
  LONG count = 0;
  if (results->get_Count(&count) != S_OK) return {1, "the result set has no count"};
  for (LONG i = 0; i < count; ++i) {
    VARIANT item;
    VariantInit(&item);
    IQORVOperationResult* result = nullptr;
    if (results->get_Item(i, &item) == S_OK && item.vt == VT_DISPATCH &&
        item.value.pdispVal != nullptr) {
      item.value.pdispVal->QueryInterface(IID_IQORVOperationResult,
                                          reinterpret_cast<void**>(&result));
    }
    VariantClear(&item);
    if (result == nullptr)
      return {failures.first + 1, "result " + std::to_string(i) + " unreadable"};
    LONG value = 0;
    result->get_OperationResult(&value);
    if (value != 0 && failures.first++ == 0) {
      Text description;
      Text name;
      result->get_Description(description.Receive());
      result->get_ItemFullName(name.Receive());
      failures.second = name.Utf8() + ": " + description.Utf8();
    }
    result->Release();
  }
  return failures;
}

}  // namespace

SdkSession::SdkSession(const std::string& module, const std::string& folder, uint16_t port) {
  std::filesystem::create_directories(folder);
  variables_.Set("QORV_REGISTRY", folder + "/registry.reg");
  variables_.Set("XDG_CONFIG_HOME", folder + "/config");
  variables_.Set("XDG_CACHE_HOME", folder + "/cache");
  variables_.Set("HOME", folder + "/home");
  Check(SUCCEEDED(QorvRegisterModule(module.c_str())), "cannot register " + module);
  Check(QorvCoCreateInstance(CLSID_QORVSDK, nullptr, CLSCTX_INPROC_SERVER, IID_IQORVSDK,
                             sdk_.Receive()) == S_OK,
        "cannot create the SDK object of " + module);

  VARIANT_BOOL connected = VARIANT_FALSE;
  Enum_EncryptType encryption{};
  VARIANT_BOOL canceled = VARIANT_FALSE;
  Text description;
  LONG result = -1;
  Check(sdk_.get()->ConnectToServer(Text("127.0.0.1"), port, &connected, &encryption, &canceled,
                                    description.Receive(), Enum_NOPROXY, nullptr, 0, nullptr,
                                    nullptr, &result) == S_OK &&
            result == 0,
        "connect: " + description.Utf8());

  VARIANT_BOOL must_change = VARIANT_FALSE;
  LONG expire_days = 0;
  Text login_description;
  Check(sdk_.get()->Login(Text(kUser), Text(kPassword), Text(kDatabase), nullptr, &must_change,
                          &expire_days, &canceled, login_description.Receive(), &result) == S_OK &&
            result == 0,
        "login: " + login_description.Utf8());
}

SdkSession::ScopedVariables::~ScopedVariables() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    platform::SetEnvironmentVariable(it->first, it->second);
  }
}

void SdkSession::ScopedVariables::Set(const std::string& name, const std::string& value) {
  saved_.emplace_back(name, platform::GetEnvironmentVariable(name));
  platform::SetEnvironmentVariable(name, value);
}

SdkSession::ObjectReference::~ObjectReference() {
  if (object_ != nullptr) object_->Release();
  QorvCoFreeUnusedLibraries();
}

void SdkSession::GetLatestProject(const std::string& project, const std::string& local_folder) {
  VARIANT_BOOL canceled = VARIANT_FALSE;
  Text description;
  IQORVOperationResultSet* results = nullptr;
  LONG result = -1;
  const HRESULT hr = sdk_.get()->GetLatestProject(
      Text(project), Text(local_folder), VARIANT_TRUE, VARIANT_FALSE,
      Enum_WritableFileHandlingReplace, Enum_LF, Enum_SetLocalFileTimeCurrent, Text(""), Text(""),
      &canceled, description.Receive(), &results, &result);
  const std::pair<LONG, std::string> failures = Failures(results);
  if (results != nullptr) results->Release();
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
  Check(hr == S_OK, std::string("GetLatestProject answers HRESULT ") + code);
  Check(result == 0, "GetLatestProject: " + std::to_string(result) + " " + description.Utf8());
  Check(failures.first == 0, "GetLatestProject: " + std::to_string(failures.first) +
                                 " files failed, the first " + failures.second);
}

void SdkSession::SetTransferSettings(bool delta, int32_t size_mode) {
  IQORVTransferSettings* settings = nullptr;
  Check(sdk_.get()->QueryInterface(IID_IQORVTransferSettings,
                                   reinterpret_cast<void**>(&settings)) == S_OK,
        "the SDK object has no transfer settings");
  const bool set = settings->put_DeltaAllowed(delta ? 1 : 0) == S_OK &&
                   settings->put_SizeMode(size_mode) == S_OK;
  settings->Release();
  Check(set, "cannot set the transfer settings");
}

}  // namespace qorv::bench
