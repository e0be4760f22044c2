#include "events_check.h"

#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "checks.h"
#include "class_contract.h"
#include "qorvsdk_idl.h"

namespace qorv_windows_test {
namespace {

// Event DISPIDs of _IQorSDKEvents (without arguments; the sink pulls the data).
constexpr DISPID kOnPercentDone = 1;
constexpr DISPID kOnOperationResultSend = 2;
constexpr DISPID kLastEvent = 6;

// A sink that records each event, the thread it came on and, for progress,
// what GetPercentDone answers then.
class Sink : public IDispatch {
 public:
  explicit Sink(IQORVSDK* sdk) : sdk_(sdk) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID__IQorSDKEvents) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  // Lives on the stack of the check: the count only shows the SDK object
  // let go of it.
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (dispid < kOnPercentDone || dispid > kLastEvent) return DISP_E_MEMBERNOTFOUND;
    events.push_back(dispid);
    if (::GetCurrentThreadId() != thread_) ++foreign_thread_events;
    if ((flags & DISPATCH_METHOD) == 0 || (params != nullptr && params->cArgs != 0)) {
      ++malformed_events;
    }
    if (dispid == kOnPercentDone) {
      LONG percent = -1;
      sdk_->GetPercentDone(&percent);
      percents.push_back(percent);
    }
    if (result != nullptr) ::VariantInit(result);
    return S_OK;
  }

  ULONG references() const { return references_; }
  int Count(DISPID dispid) const {
    int count = 0;
    for (DISPID event : events) count += event == dispid ? 1 : 0;
    return count;
  }

  std::vector<DISPID> events;
  std::vector<LONG> percents;
  int foreign_thread_events = 0;
  int malformed_events = 0;

 private:
  IQORVSDK* sdk_;
  ULONG references_ = 1;
  DWORD thread_ = ::GetCurrentThreadId();
};

// Connects and logs in as the sample database's user; false on failure.
bool Open(IQORVSDK* sdk, const std::wstring& host, LONG port) {
  Text server(host.c_str()), empty(L""), description;
  VARIANT_BOOL connected = VARIANT_FALSE, canceled = VARIANT_FALSE;
  Enum_EncryptType encryption = Enum_Unencrypted;
  LONG result = -1;
  HRESULT hr = sdk->ConnectToServer(server.get(), port, &connected, &encryption, &canceled,
                                    description.out(), Enum_NOPROXY, empty.get(), 0, empty.get(),
                                    empty.get(), &result);
  if (FAILED(hr) || result != 0) {
    Check(false, "ConnectToServer: " + description.narrow());
    return false;
  }
  Text user(L"alice"), password(L"wonderland"), database(L"Demo");
  VARIANT_BOOL must_change = VARIANT_FALSE;
  LONG expire_days = 0;
  hr = sdk->Login(user.get(), password.get(), database.get(), nullptr, &must_change, &expire_days,
                  &canceled, description.out(), &result);
  if (FAILED(hr) || result != 0) {
    Check(false, "Login: " + description.narrow());
    return false;
  }
  return true;
}

// Gets $/Game/src/main.c into `local`; the operation's result value.
LONG Get(IQORVSDK* sdk, const std::wstring& local) {
  IQORVLatestFile* wanted = nullptr;
  IQORVLatestFileSet* set = nullptr;
  ::CoCreateInstance(CLSID_QORVLatestFile, nullptr, CLSCTX_INPROC_SERVER, IID_IQORVLatestFile,
                     reinterpret_cast<void**>(&wanted));
  ::CoCreateInstance(CLSID_QORVLatestFileSet, nullptr, CLSCTX_INPROC_SERVER, IID_IQORVLatestFileSet,
                     reinterpret_cast<void**>(&set));
  LONG result = -1;
  if (wanted != nullptr && set != nullptr) {
    Text remote(L"$/Game/src/main.c"), local_name(local.c_str()), empty(L""), description;
    wanted->put_FileToGet(remote.get());
    wanted->put_LocalFileName(local_name.get());
    VARIANT_BOOL added = VARIANT_FALSE, canceled = VARIANT_FALSE;
    set->Add(wanted, &added);
    IQORVOperationResultSet* outcome = nullptr;
    sdk->GetLatestFiles(set, VARIANT_FALSE, Enum_WritableFileHandling(0), Enum_CRLF,
                        Enum_SetLocalFileTime(0), empty.get(), empty.get(), &canceled,
                        description.out(), &outcome, &result);
    if (outcome != nullptr) outcome->Release();
  }
  if (wanted != nullptr) wanted->Release();
  if (set != nullptr) set->Release();
  ::SetFileAttributesW(local.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(local.c_str());
  return result;
}

// One item of a listing outlives the SDK object and its collection and holds
// the module until it is released.
void CheckResultItemHoldsTheModule(IQORVSDK* sdk, CanUnloadNow can_unload) {
  Text project(L"$/Game/src"), description;
  IQORVFileListSet* files = nullptr;
  VARIANT_BOOL canceled = VARIANT_FALSE;
  LONG result = -1;
  sdk->GetFileListFromProject(project.get(), &files, &canceled, description.out(), &result);
  Check(result == 0 && files != nullptr, "GetFileListFromProject: " + description.narrow());
  if (files == nullptr) {
    sdk->Release();
    return;
  }
  VARIANT entry;
  ::VariantInit(&entry);
  files->get_Item(0, &entry);
  files->Release();
  sdk->Release();
  IQORVFileList* item = nullptr;
  if (V_VT(&entry) == VT_DISPATCH && V_DISPATCH(&entry) != nullptr) {
    V_DISPATCH(&entry)->QueryInterface(IID_IQORVFileList, reinterpret_cast<void**>(&item));
  }
  ::VariantClear(&entry);
  Check(item != nullptr, "the first file of $/Game/src is a QORVFileList");
  if (item == nullptr) return;
  Text name;
  item->get_FileName(name.out());
  Check(
      name.narrow() == "main.c" || name.narrow() == "util.c",
      "the item still answers after its collection and the SDK object are gone: " + name.narrow());
  if (can_unload != nullptr) {
    Check(can_unload() == S_FALSE, "DllCanUnloadNow is S_FALSE while one result item lives");
  }
  item->Release();
  if (can_unload != nullptr) {
    Check(can_unload() == S_OK, "DllCanUnloadNow is S_OK once the result item is released");
  }
}

}  // namespace

void CheckEvents(const std::wstring& host, LONG port) {
  CanUnloadNow can_unload = LoadCanUnloadNow();
  IQORVSDK* sdk = nullptr;
  HRESULT hr = ::CoCreateInstance(CLSID_QORVSDK, nullptr, CLSCTX_INPROC_SERVER, IID_IQORVSDK,
                                  reinterpret_cast<void**>(&sdk));
  Check(SUCCEEDED(hr), "CoCreateInstance of the SDK object: " + Hex(hr));
  if (FAILED(hr)) return;

  IConnectionPointContainer* container = nullptr;
  IConnectionPoint* point = nullptr;
  sdk->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
  Check(container != nullptr, "the SDK object is a connection point container");
  if (container == nullptr) {
    sdk->Release();
    return;
  }
  IConnectionPoint* none = nullptr;
  hr = container->FindConnectionPoint(IID_IDispatch, &none);
  Check(hr == CONNECT_E_NOCONNECTION && none == nullptr,
        "no connection point for another interface: " + Hex(hr));
  hr = container->FindConnectionPoint(DIID__IQorSDKEvents, &point);
  container->Release();
  Check(SUCCEEDED(hr) && point != nullptr, "the connection point of _IQorSDKEvents: " + Hex(hr));
  if (point == nullptr) {
    sdk->Release();
    return;
  }
  IID point_iid{};
  Check(SUCCEEDED(point->GetConnectionInterface(&point_iid)) && point_iid == DIID__IQorSDKEvents,
        "the connection point names _IQorSDKEvents");

  Sink sink(sdk);
  DWORD cookie = 0;
  hr = point->Advise(&sink, &cookie);
  Check(SUCCEEDED(hr) && cookie != 0 && sink.references() > 1, "Advise keeps the sink: " + Hex(hr));

  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"qorv_events_test";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring local = folder + L"\\main.c";
  if (Open(sdk, host, port)) {
    sink.events.clear();
    sink.percents.clear();
    LONG result = Get(sdk, local);
    Check(result == 0, "the get of $/Game/src/main.c: " + std::to_string(result));
    Check(
        sink.Count(kOnPercentDone) > 0 && sink.Count(kOnOperationResultSend) > 0,
        "the get raises progress and result events: " + std::to_string(sink.Count(kOnPercentDone)) +
            " progress, " + std::to_string(sink.Count(kOnOperationResultSend)) + " result");
    Check(sink.foreign_thread_events == 0,
          std::to_string(sink.foreign_thread_events) + " events came on another thread");
    Check(sink.malformed_events == 0,
          std::to_string(sink.malformed_events) + " events were not argument-less methods");
    std::string percents;
    for (LONG percent : sink.percents) percents += std::to_string(percent) + " ";
    // The phases of a get each report their own percent (the listing, the
    // batch, the file phase), so the values are bounded but need not rise.
    bool bounded = !sink.percents.empty();
    for (LONG percent : sink.percents) bounded = bounded && percent >= 0 && percent <= 100;
    Check(bounded && sink.percents.back() == 100,
          "GetPercentDone in the progress events is within 0 to 100 and ends at 100: " + percents);

    hr = point->Unadvise(cookie);
    Check(SUCCEEDED(hr) && sink.references() == 1, "Unadvise lets go of the sink: " + Hex(hr));
    sink.events.clear();
    result = Get(sdk, local);
    Check(result == 0 && sink.events.empty(),
          "no events after Unadvise: " + std::to_string(sink.events.size()));
    hr = point->Unadvise(cookie);
    Check(hr == CONNECT_E_NOCONNECTION, "a second Unadvise of the cookie: " + Hex(hr));
    point->Release();
    CheckResultItemHoldsTheModule(sdk, can_unload);
  } else {
    point->Unadvise(cookie);
    point->Release();
    sdk->Release();
  }
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace qorv_windows_test
